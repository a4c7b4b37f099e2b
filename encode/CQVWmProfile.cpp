#include "encode/CQVWmProfile.h"

#include "encode/WindowsMediaResults.h"
#include "project/CQVXmlDocument.h"
#include "project/TextCodec.h"

#include <charconv>
#include <limits>

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
    void Rect(int nDepth, const char* pszName, const tagQVWmRect& rect)
    {
        Open(nDepth, pszName);
        Number("left", rect.nLeft);
        Number("top", rect.nTop);
        Number("right", rect.nRight);
        Number("bottom", rect.nBottom);
        EndEmpty();
    }

private:
    std::u16string& m_out;
};

void WriteStream(const tagQVWmStreamConfig& config, CQVTagWriter* pWriter)
{
    CQVTagWriter& w = *pWriter;
    const bool bVideo = config.eType == EQVWmMediaType::Video;
    w.Open(1, "streamconfig");
    w.Ascii("majortype", bVideo ? "video" : "audio");
    w.Number("streamnumber", config.wStreamNumber);
    w.Text("streamname", config.szStreamName);
    w.Number("bitrate", config.nBitrate);
    w.Number("bufferwindow", config.nBufferWindowMs);
    w.Ascii("rfc1766langid", config.language);
    w.EndOpen();
    for (const auto& property : config.Properties())
    {
        w.Open(2, "property");
        w.Ascii("name", property.first);
        w.Number("value", property.second);
        w.EndEmpty();
    }
    if (bVideo)
    {
        const tagQVWmVideoFormat& format = config.video;
        w.Open(2, "videomediaprops");
        w.Number("maxkeyframespacing", config.nMaxKeyFrameSpacing);
        w.Number("quality", config.nQuality);
        w.EndEmpty();
        w.Open(2, "videoformat");
        w.Ascii("codec", format.codec);
        w.Ascii("fourcc", format.fourcc);
        w.Number("biwidth", format.nWidth);
        w.Number("biheight", format.nHeight);
        w.Number("dwbitrate", format.nBitrate);
        w.Number("avgtimeperframe", format.nAvgTimePerFrame);
        w.EndOpen();
        w.Rect(3, "rcsource", format.rcSource);
        w.Rect(3, "rctarget", format.rcTarget);
        w.Close(2, "videoformat");
    }
    else
    {
        const tagQVWmAudioFormat& format = config.audio;
        w.Open(2, "audioformat");
        w.Ascii("codec", format.codec);
        w.Number("wformattag", format.nFormatTag);
        w.Number("nchannels", format.nChannels);
        w.Number("nsamplespersec", format.nSampleRate);
        w.Number("navgbytespersec", format.nAvgBytesPerSec);
        w.Number("nblockalign", format.nBlockAlign);
        w.Number("wbitspersample", format.nBitsPerSample);
        w.EndEmpty();
    }
    w.Close(1, "streamconfig");
}

// --- reading: every value is required and must parse whole

bool ReadText(const CQVXmlNode& node, std::u16string_view name, std::u16string* pValue)
{
    if (!node.HasAttribute(name))
        return false;
    *pValue = UnescapeXmlAttribute(node.GetString(name, u""));
    return true;
}

bool ReadAscii(const CQVXmlNode& node, std::u16string_view name, std::string* pValue)
{
    std::u16string text;
    if (!ReadText(node, name, &text))
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

template <class T> bool ReadNumber(const CQVXmlNode& node, std::u16string_view name, T* pValue)
{
    std::string text;
    if (!ReadAscii(node, name, &text) || text.empty())
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

bool ReadRect(const CQVXmlNode* pNode, tagQVWmRect* pRect)
{
    return pNode != nullptr && ReadNumber(*pNode, u"left", &pRect->nLeft) &&
           ReadNumber(*pNode, u"top", &pRect->nTop) &&
           ReadNumber(*pNode, u"right", &pRect->nRight) &&
           ReadNumber(*pNode, u"bottom", &pRect->nBottom);
}

bool ReadVideo(const CQVXmlNode& stream, tagQVWmStreamConfig* pConfig)
{
    const CQVXmlNode* pProps = stream.FirstChildElement(u"videomediaprops");
    const CQVXmlNode* pFormat = stream.FirstChildElement(u"videoformat");
    if (pProps == nullptr || pFormat == nullptr)
        return false;
    tagQVWmVideoFormat& format = pConfig->video;
    return ReadNumber(*pProps, u"maxkeyframespacing", &pConfig->nMaxKeyFrameSpacing) &&
           ReadNumber(*pProps, u"quality", &pConfig->nQuality) &&
           ReadAscii(*pFormat, u"codec", &format.codec) &&
           ReadAscii(*pFormat, u"fourcc", &format.fourcc) &&
           ReadNumber(*pFormat, u"biwidth", &format.nWidth) &&
           ReadNumber(*pFormat, u"biheight", &format.nHeight) &&
           ReadNumber(*pFormat, u"dwbitrate", &format.nBitrate) &&
           ReadNumber(*pFormat, u"avgtimeperframe", &format.nAvgTimePerFrame) &&
           ReadRect(pFormat->FirstChildElement(u"rcsource"), &format.rcSource) &&
           ReadRect(pFormat->FirstChildElement(u"rctarget"), &format.rcTarget);
}

bool ReadAudio(const CQVXmlNode& stream, tagQVWmStreamConfig* pConfig)
{
    const CQVXmlNode* pFormat = stream.FirstChildElement(u"audioformat");
    if (pFormat == nullptr)
        return false;
    tagQVWmAudioFormat& format = pConfig->audio;
    return ReadAscii(*pFormat, u"codec", &format.codec) &&
           ReadNumber(*pFormat, u"wformattag", &format.nFormatTag) &&
           ReadNumber(*pFormat, u"nchannels", &format.nChannels) &&
           ReadNumber(*pFormat, u"nsamplespersec", &format.nSampleRate) &&
           ReadNumber(*pFormat, u"navgbytespersec", &format.nAvgBytesPerSec) &&
           ReadNumber(*pFormat, u"nblockalign", &format.nBlockAlign) &&
           ReadNumber(*pFormat, u"wbitspersample", &format.nBitsPerSample);
}

bool ReadStream(const CQVXmlNode& stream, tagQVWmStreamConfig* pConfig)
{
    std::string type;
    if (!ReadAscii(stream, u"majortype", &type))
        return false;
    if (type == "video")
        pConfig->eType = EQVWmMediaType::Video;
    else if (type == "audio")
        pConfig->eType = EQVWmMediaType::Audio;
    else
        return false;
    if (!ReadNumber(stream, u"streamnumber", &pConfig->wStreamNumber) ||
        !ReadText(stream, u"streamname", &pConfig->szStreamName) ||
        !ReadNumber(stream, u"bitrate", &pConfig->nBitrate) ||
        !ReadNumber(stream, u"bufferwindow", &pConfig->nBufferWindowMs) ||
        !ReadAscii(stream, u"rfc1766langid", &pConfig->language))
        return false;
    for (const CQVXmlNode* pProperty = stream.FirstChildElement(u"property"); pProperty != nullptr;
         pProperty = pProperty->NextSiblingElement())
    {
        std::string name;
        int32_t nValue = 0;
        if (!ReadAscii(*pProperty, u"name", &name) || name.empty() ||
            !ReadNumber(*pProperty, u"value", &nValue))
            return false;
        pConfig->SetProperty(name, nValue);
    }
    return pConfig->eType == EQVWmMediaType::Video ? ReadVideo(stream, pConfig)
                                                   : ReadAudio(stream, pConfig);
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
    writer.Open(0, "profile");
    writer.Number("version", m_nVersion);
    writer.Text("name", m_name);
    writer.Text("description", m_description);
    writer.EndOpen();
    for (const tagQVWmStreamConfig& stream : m_streams)
        WriteStream(stream, &writer);
    writer.Close(0, "profile");
    return text;
}

int32_t CQVWmProfile::FromText(std::u16string_view text)
{
    m_name.clear();
    m_description.clear();
    m_streams.clear();
    CQVXmlDocument document;
    const CQVXmlNode* pRoot =
        document.Parse(text) ? document.FirstChildElement(u"profile") : nullptr;
    CQVWmProfile profile;
    if (pRoot == nullptr || !ReadNumber(*pRoot, u"version", &profile.m_nVersion) ||
        profile.m_nVersion != kQVWmProfileVersion9 || !ReadText(*pRoot, u"name", &profile.m_name) ||
        !ReadText(*pRoot, u"description", &profile.m_description))
        return kQVWmInvalidData;
    for (const CQVXmlNode* pStream = pRoot->FirstChildElement(u"streamconfig"); pStream != nullptr;
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
