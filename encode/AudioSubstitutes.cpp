#include "encode/AudioSubstitutes.h"

#include "platform/ProgramFolder.h"
#include "project/CQVXmlDocument.h"
#include "project/CQVXmlElementRef.h"

#include <QString>

namespace qv
{

std::vector<tagQVAudioSubstitute> ReadAudioSubstitutes(const std::string& path)
{
    std::vector<tagQVAudioSubstitute> substitutes;
    CQVXmlDocument document;
    if (!document.Load(path))
        return substitutes;
    CQVXmlElementRef root(document.FirstChildElement(u"WavFiles"));
    if (!root)
        return substitutes;
    for (CQVXmlElementRef item = root.FirstChildElement("item"); item;
         item = item.NextSiblingElement())
        substitutes.push_back({item.GetPath("source", ""), item.GetPath("wav", "")});
    return substitutes;
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
