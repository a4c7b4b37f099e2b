#include "project/AudioSubstitutes.h"

#include "platform/ProgramFolder.h"
#include "project/CQVXmlDocument.h"
#include "project/CQVXmlElementRef.h"
#include "project/CQVXmlNode.h"

#include <QString>

namespace qv
{

namespace
{

constexpr char16_t kRootName[] = u"WavFiles";
constexpr char16_t kItemName[] = u"item";
constexpr char16_t kSourceKey[] = u"source";
constexpr char16_t kWavKey[] = u"wav";

std::string Utf8(const char16_t* name)
{
    return QString::fromUtf16(name).toStdString();
}

} // namespace

std::vector<tagQVAudioSubstitute> ReadAudioSubstitutes(const std::string& path)
{
    std::vector<tagQVAudioSubstitute> substitutes;
    CQVXmlDocument document;
    if (!document.Load(path))
        return substitutes;
    CQVXmlElementRef root(document.FirstChildElement(kRootName));
    if (!root)
        return substitutes;
    for (CQVXmlElementRef item = root.FirstChildElement(Utf8(kItemName).c_str()); item;
         item = item.NextSiblingElement())
        substitutes.push_back(
            {item.GetPath(Utf8(kSourceKey).c_str(), ""), item.GetPath(Utf8(kWavKey).c_str(), "")});
    return substitutes;
}

bool WriteAudioSubstitutes(const std::string& path,
                           const std::vector<tagQVAudioSubstitute>& substitutes)
{
    CQVXmlDocument document;
    CQVXmlNode* pRoot = document.AppendElement(kRootName);
    for (const tagQVAudioSubstitute& substitute : substitutes)
    {
        CQVXmlNode* pItem = pRoot->AppendElement(kItemName);
        pItem->SetStringUtf8(kSourceKey, substitute.source);
        pItem->SetStringUtf8(kWavKey, substitute.wav);
    }
    return document.Save(path, XmlSaveMode::Utf16Le);
}

std::string FindAudioSubstitute(const std::vector<tagQVAudioSubstitute>& substitutes,
                                const std::string& source)
{
    QString wanted = QString::fromStdString(source);
    for (const tagQVAudioSubstitute& substitute : substitutes)
        if (QString::fromStdString(substitute.source).compare(wanted, Qt::CaseInsensitive) == 0 &&
            !substitute.wav.empty() && PathExists(substitute.wav))
            return substitute.wav;
    return "";
}

double ReadSubstituteDelay(const std::string& wavPath)
{
    CQVXmlDocument document;
    if (!document.Load(wavPath + ".xml"))
        return 0.0;
    CQVXmlElementRef data(document.FirstChildElement(u"AudioData"));
    return data ? data.GetDouble("dDelay", 0.0) : 0.0;
}

} // namespace qv
