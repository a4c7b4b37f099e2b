#include "project/AudioSubstitutes.h"

#include "platform/ProgramFolder.h"
#include "project/CQVXmlDocument.h"
#include "project/FileKeyTable.h"

#include <QString>

namespace qv
{

namespace
{

constexpr const char* kRootElement = "WavFiles";
constexpr const char* kItemElement = "item";
constexpr tagQVFileKey<tagQVAudioSubstitute> kSubstitute[] = {
    Key<&tagQVAudioSubstitute::source>("source"),
    Key<&tagQVAudioSubstitute::wav>("wav"),
};
constexpr tagQVKeyTable<tagQVAudioSubstitute> kSubstituteKeys = KeyTable(kSubstitute);

} // namespace

std::vector<tagQVAudioSubstitute> ReadAudioSubstitutes(const std::string& path)
{
    std::vector<tagQVAudioSubstitute> substitutes;
    CQVXmlDocument document;
    if (!document.Load(path))
        return substitutes;
    CQVXmlElementRef root(document.FirstChildElement(KeyName(kRootElement)));
    if (!root)
        return substitutes;
    for (CQVXmlElementRef item = root.FirstChildElement(kItemElement); item;
         item = item.NextSiblingElement())
    {
        tagQVAudioSubstitute substitute;
        ReadKeys(kSubstituteKeys, item, &substitute);
        substitutes.push_back(std::move(substitute));
    }
    return substitutes;
}

bool WriteAudioSubstitutes(const std::string& path,
                           const std::vector<tagQVAudioSubstitute>& substitutes)
{
    CQVXmlDocument document;
    CQVXmlNode* pRoot = document.AppendElement(KeyName(kRootElement));
    for (const tagQVAudioSubstitute& substitute : substitutes)
        WriteKeys(kSubstituteKeys, substitute, AppendKeyElement(pRoot, kItemElement));
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
