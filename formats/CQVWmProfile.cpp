#include "formats/CQVWmProfile.h"

#include "formats/WindowsMediaResults.h"
#include "project/CQVXmlDocument.h"
#include "project/FileKeyTable.h"
#include "project/TextCodec.h"

#include <charconv>
#include <limits>
#include <type_traits>

namespace qv
{

namespace
{

constexpr int32_t kMaxStreamNumber = 63;
constexpr std::u16string_view kLineEnd = u"\r\n";

std::u16string Widen(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// --- writing

class CQVTagWriter
{
public:
    explicit CQVTagWriter(std::u16string* pOut) : m_out(*pOut) {}

    void Open(int nDepth, const char* pszName)
    {
        m_out.append(static_cast<size_t>(nDepth), u'\t');
        m_out += u'<';
        m_out += Widen(pszName);
    }
    void Text(const char* pszName, std::u16string_view value)
    {
        m_out += u' ';
        m_out += Widen(pszName);
        m_out += u"=\"";
        m_out += EscapeXmlAttribute(value);
        m_out += u'"';
    }
    void Ascii(const char* pszName, const std::string& value) { Text(pszName, Widen(value)); }
    void Number(const char* pszName, int64_t nValue) { Ascii(pszName, std::to_string(nValue)); }
    void EndOpen()
    {
        m_out += u'>';
        m_out += kLineEnd;
    }
    void EndEmpty()
    {
        m_out += u"/>";
        m_out += kLineEnd;
    }
    void Close(int nDepth, const char* pszName)
    {
        m_out.append(static_cast<size_t>(nDepth), u'\t');
        m_out += u"</";
        m_out += Widen(pszName);
        m_out += u'>';
        m_out += kLineEnd;
    }

private:
    std::u16string& m_out;
};

// --- reading: every value is required and must parse whole

bool ReadText(const CQVXmlNode& node, const char* pszName, std::u16string* pValue)
{
    const std::u16string name = Widen(pszName);
    if (!node.HasAttribute(name))
        return false;
    *pValue = UnescapeXmlAttribute(node.GetString(name, u""));
    return true;
}

bool ReadAscii(const CQVXmlNode& node, const char* pszName, std::string* pValue)
{
    std::u16string text;
    if (!ReadText(node, pszName, &text))
        return false;
    std::string ascii;
    for (char16_t c : text)
    {
        if (c < 0x20 || c > 0x7E)
            return false;
        ascii.push_back(static_cast<char>(c));
    }
    *pValue = std::move(ascii);
    return true;
}

template <class T> bool ReadNumber(const CQVXmlNode& node, const char* pszName, T* pValue)
{
    std::string text;
    if (!ReadAscii(node, pszName, &text) || text.empty())
        return false;
    int64_t nValue = 0;
    const char* pEnd = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(text.data(), pEnd, nValue);
    if (result.ec != std::errc() || result.ptr != pEnd || nValue < std::numeric_limits<T>::min() ||
        nValue > std::numeric_limits<T>::max())
        return false;
    *pValue = static_cast<T>(nValue);
    return true;
}

// --- the text described once: each element's attributes in the order they are written.
//     A reader needs every one of them.

template <class R> struct tagQVWmKey
{
    const char* pszName;
    void (*pWrite)(const char* pszName, const R& record, CQVTagWriter* pWriter);
    bool (*pRead)(const CQVXmlNode& node, const char* pszName, R* pRecord);
};

// The kind of a key follows its field: an integer is a whole number that must fit the
// field (int16, int32 or int64), a std::string printable ASCII, a std::u16string any text.
template <auto P> constexpr tagQVWmKey<KeyRecordOf<P>> WmKey(const char* pszName)
{
    using R = KeyRecordOf<P>;
    using T = KeyValueOf<P>;
    return {pszName,
            [](const char* pszKey, const R& record, CQVTagWriter* pWriter)
            {
                if constexpr (std::is_integral_v<T>)
                    pWriter->Number(pszKey, record.*P);
                else if constexpr (std::is_same_v<T, std::string>)
                    pWriter->Ascii(pszKey, record.*P);
                else
                    pWriter->Text(pszKey, record.*P);
            },
            [](const CQVXmlNode& node, const char* pszKey, R* pRecord)
            {
                if constexpr (std::is_integral_v<T>)
                    return ReadNumber(node, pszKey, &(pRecord->*P));
                else if constexpr (std::is_same_v<T, std::string>)
                    return ReadAscii(node, pszKey, &(pRecord->*P));
                else
                    return ReadText(node, pszKey, &(pRecord->*P));
            }};
}

struct tagQVWmProfileHead
{
    int32_t nVersion = 0;
    std::u16string name;
    std::u16string description;
};

struct tagQVWmProperty
{
    std::string name; // not empty
    int32_t nValue = 0;
};

constexpr const char* kProfileElement = "profile";
constexpr const char* kStreamElement = "streamconfig";
constexpr const char* kPropertyElement = "property";
constexpr const char* kVideoPropsElement = "videomediaprops";
constexpr const char* kVideoFormatElement = "videoformat";
constexpr const char* kAudioFormatElement = "audioformat";

// The first attribute of streamconfig names which of the two formats follows.
constexpr const char* kMajorTypeKey = "majortype";
constexpr const char* kMajorTypeVideo = "video";
constexpr const char* kMajorTypeAudio = "audio";

constexpr tagQVWmKey<tagQVWmProfileHead> kProfileKeys[] = {
    WmKey<&tagQVWmProfileHead::nVersion>("version"),
    WmKey<&tagQVWmProfileHead::name>("name"),
    WmKey<&tagQVWmProfileHead::description>("description"),
};
using S = tagQVWmStreamConfig;
constexpr tagQVWmKey<S> kStreamKeys[] = {
    WmKey<&S::wStreamNumber>("streamnumber"), WmKey<&S::szStreamName>("streamname"),
    WmKey<&S::nBitrate>("bitrate"),           WmKey<&S::nBufferWindowMs>("bufferwindow"),
    WmKey<&S::language>("rfc1766langid"),
};
constexpr tagQVWmKey<tagQVWmProperty> kPropertyKeys[] = {
    WmKey<&tagQVWmProperty::name>("name"),
    WmKey<&tagQVWmProperty::nValue>("value"),
};
constexpr tagQVWmKey<S> kVideoPropsKeys[] = {
    WmKey<&S::nMaxKeyFrameSpacing>("maxkeyframespacing"),
    WmKey<&S::nQuality>("quality"),
};
using V = tagQVWmVideoFormat;
constexpr tagQVWmKey<V> kVideoFormatKeys[] = {
    WmKey<&V::codec>("codec"),        WmKey<&V::fourcc>("fourcc"),
    WmKey<&V::nWidth>("biwidth"),     WmKey<&V::nHeight>("biheight"),
    WmKey<&V::nBitrate>("dwbitrate"), WmKey<&V::nAvgTimePerFrame>("avgtimeperframe"),
};
constexpr tagQVWmKey<tagQVWmRect> kRectKeys[] = {
    WmKey<&tagQVWmRect::nLeft>("left"),
    WmKey<&tagQVWmRect::nTop>("top"),
    WmKey<&tagQVWmRect::nRight>("right"),
    WmKey<&tagQVWmRect::nBottom>("bottom"),
};
// The children of videoformat.
constexpr std::pair<const char*, tagQVWmRect V::*> kVideoRects[] = {
    {"rcsource", &V::rcSource},
    {"rctarget", &V::rcTarget},
};
using A = tagQVWmAudioFormat;
constexpr tagQVWmKey<A> kAudioFormatKeys[] = {
    WmKey<&A::codec>("codec"),
    WmKey<&A::nFormatTag>("wformattag"),
    WmKey<&A::nChannels>("nchannels"),
    WmKey<&A::nSampleRate>("nsamplespersec"),
    WmKey<&A::nAvgBytesPerSec>("navgbytespersec"),
    WmKey<&A::nBlockAlign>("nblockalign"),
    WmKey<&A::nBitsPerSample>("wbitspersample"),
};

template <class R, size_t N>
void WriteKeys(const tagQVWmKey<R> (&keys)[N], const R& record, CQVTagWriter* pWriter)
{
    for (const tagQVWmKey<R>& key : keys)
        key.pWrite(key.pszName, record, pWriter);
}

// An element with attributes only.
template <class R, size_t N>
void WriteElement(int nDepth, const char* pszName, const tagQVWmKey<R> (&keys)[N], const R& record,
                  CQVTagWriter* pWriter)
{
    pWriter->Open(nDepth, pszName);
    WriteKeys(keys, record, pWriter);
    pWriter->EndEmpty();
}

// False when the element is missing or lacks a key, or a value does not parse.
template <class R, size_t N>
bool ReadKeys(const tagQVWmKey<R> (&keys)[N], const CQVXmlNode* pNode, R* pRecord)
{
    if (pNode == nullptr)
        return false;
    for (const tagQVWmKey<R>& key : keys)
        if (!key.pRead(*pNode, key.pszName, pRecord))
            return false;
    return true;
}

const CQVXmlNode* Child(const CQVXmlNode& node, const char* pszName)
{
    return node.FirstChildElement(Widen(pszName));
}

void WriteStream(const tagQVWmStreamConfig& config, CQVTagWriter* pWriter)
{
    CQVTagWriter& w = *pWriter;
    const bool bVideo = config.eType == EQVWmMediaType::Video;
    w.Open(1, kStreamElement);
    w.Ascii(kMajorTypeKey, bVideo ? kMajorTypeVideo : kMajorTypeAudio);
    WriteKeys(kStreamKeys, config, &w);
    w.EndOpen();
    for (const auto& property : config.Properties())
        WriteElement(2, kPropertyElement, kPropertyKeys, {property.first, property.second}, &w);
    if (bVideo)
    {
        WriteElement(2, kVideoPropsElement, kVideoPropsKeys, config, &w);
        w.Open(2, kVideoFormatElement);
        WriteKeys(kVideoFormatKeys, config.video, &w);
        w.EndOpen();
        for (const auto& rect : kVideoRects)
            WriteElement(3, rect.first, kRectKeys, config.video.*rect.second, &w);
        w.Close(2, kVideoFormatElement);
    }
    else
        WriteElement(2, kAudioFormatElement, kAudioFormatKeys, config.audio, &w);
    w.Close(1, kStreamElement);
}

bool ReadVideo(const CQVXmlNode& stream, tagQVWmStreamConfig* pConfig)
{
    const CQVXmlNode* pFormat = Child(stream, kVideoFormatElement);
    if (!ReadKeys(kVideoPropsKeys, Child(stream, kVideoPropsElement), pConfig) ||
        !ReadKeys(kVideoFormatKeys, pFormat, &pConfig->video))
        return false;
    for (const auto& rect : kVideoRects)
        if (!ReadKeys(kRectKeys, Child(*pFormat, rect.first), &(pConfig->video.*rect.second)))
            return false;
    return true;
}

bool ReadStream(const CQVXmlNode& stream, tagQVWmStreamConfig* pConfig)
{
    std::string type;
    if (!ReadAscii(stream, kMajorTypeKey, &type))
        return false;
    if (type == kMajorTypeVideo)
        pConfig->eType = EQVWmMediaType::Video;
    else if (type == kMajorTypeAudio)
        pConfig->eType = EQVWmMediaType::Audio;
    else
        return false;
    if (!ReadKeys(kStreamKeys, &stream, pConfig))
        return false;
    for (const CQVXmlNode* pProperty = Child(stream, kPropertyElement); pProperty != nullptr;
         pProperty = pProperty->NextSiblingElement())
    {
        tagQVWmProperty property;
        if (!ReadKeys(kPropertyKeys, pProperty, &property) || property.name.empty())
            return false;
        pConfig->SetProperty(property.name, property.nValue);
    }
    return pConfig->eType == EQVWmMediaType::Video
               ? ReadVideo(stream, pConfig)
               : ReadKeys(kAudioFormatKeys, Child(stream, kAudioFormatElement), &pConfig->audio);
}

} // namespace

void tagQVWmStreamConfig::SetProperty(const std::string& name, int32_t nValue)
{
    for (auto& property : m_properties)
    {
        if (property.first == name)
        {
            property.second = nValue;
            return;
        }
    }
    m_properties.emplace_back(name, nValue);
}

bool tagQVWmStreamConfig::GetProperty(const std::string& name, int32_t* pValue) const
{
    for (const auto& property : m_properties)
    {
        if (property.first == name)
        {
            *pValue = property.second;
            return true;
        }
    }
    return false;
}

tagQVWmStreamConfig CQVWmProfile::CreateNewStream(EQVWmMediaType eType) const
{
    tagQVWmStreamConfig config;
    config.eType = eType;
    return config;
}

int32_t CQVWmProfile::AddStream(const tagQVWmStreamConfig& config)
{
    if (config.wStreamNumber < 1 || config.wStreamNumber > kMaxStreamNumber)
        return kQVWmInvalidArgument;
    for (const tagQVWmStreamConfig& stream : m_streams)
    {
        if (stream.wStreamNumber == config.wStreamNumber)
            return kQVWmInvalidArgument;
    }
    m_streams.push_back(config);
    return kQVWmOk;
}

const tagQVWmStreamConfig* CQVWmProfile::FindStream(EQVWmMediaType eType) const
{
    for (const tagQVWmStreamConfig& stream : m_streams)
    {
        if (stream.eType == eType)
            return &stream;
    }
    return nullptr;
}

std::u16string CQVWmProfile::ToText() const
{
    std::u16string text;
    CQVTagWriter writer(&text);
    writer.Open(0, kProfileElement);
    WriteKeys(kProfileKeys, {m_nVersion, m_name, m_description}, &writer);
    writer.EndOpen();
    for (const tagQVWmStreamConfig& stream : m_streams)
        WriteStream(stream, &writer);
    writer.Close(0, kProfileElement);
    return text;
}

int32_t CQVWmProfile::FromText(std::u16string_view text)
{
    m_name.clear();
    m_description.clear();
    m_streams.clear();
    CQVXmlDocument document;
    const CQVXmlNode* pRoot =
        document.Parse(text) ? document.FirstChildElement(Widen(kProfileElement)) : nullptr;
    tagQVWmProfileHead head;
    if (!ReadKeys(kProfileKeys, pRoot, &head) || head.nVersion != kQVWmProfileVersion9)
        return kQVWmInvalidData;
    CQVWmProfile profile(head.nVersion);
    profile.m_name = std::move(head.name);
    profile.m_description = std::move(head.description);
    for (const CQVXmlNode* pStream = Child(*pRoot, kStreamElement); pStream != nullptr;
         pStream = pStream->NextSiblingElement())
    {
        tagQVWmStreamConfig config;
        if (!ReadStream(*pStream, &config) || profile.AddStream(config) != kQVWmOk)
            return kQVWmInvalidData;
    }
    *this = std::move(profile);
    return kQVWmOk;
}

} // namespace qv
