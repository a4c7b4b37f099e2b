#include "media/SourceFacts.h"

#include "probe/FFmpegCommon.h"

#include <initializer_list>
#include <sys/stat.h>

namespace qv
{

namespace
{

// The first of the keys that the dictionary holds (keys compare without regard to case,
// so Matroska's "LOCATION" is "location").
std::string FirstTag(const AVDictionary* pTags, std::initializer_list<const char*> keys)
{
    for (const char* pszKey : keys)
    {
        const AVDictionaryEntry* pEntry = av_dict_get(pTags, pszKey, nullptr, 0);
        if (pEntry != nullptr && pEntry->value != nullptr && pEntry->value[0] != '\0')
            return pEntry->value;
    }
    return std::string();
}

} // namespace

bool ReadSourceFacts(const std::string& path, tagQVSourceFacts* pFacts)
{
    if (pFacts == nullptr)
        return false;
    QVFormatPtr format = QVOpenInput(path);
    if (!format)
        return false;
    tagQVSourceFacts facts;
    const AVDictionary* pTags = format->metadata;
    facts.creationTime = FirstTag(pTags, {"creation_time"});
    // Some recorders stamp only the video track.
    const int nVideo = QVFindFirstStream(format.get(), AVMEDIA_TYPE_VIDEO);
    if (facts.creationTime.empty() && nVideo >= 0)
        facts.creationTime = FirstTag(format->streams[nVideo]->metadata, {"creation_time"});
    facts.location = FirstTag(pTags, {"com.apple.quicktime.location.ISO6709", "location"});
    facts.make = FirstTag(pTags, {"com.apple.quicktime.make", "make", "com.android.manufacturer"});
    facts.model = FirstTag(pTags, {"com.apple.quicktime.model", "model", "com.android.model"});
    struct stat info;
    if (stat(path.c_str(), &info) == 0)
    {
        facts.bHasModificationTime = true;
        facts.nModificationSeconds = info.st_mtim.tv_sec;
        facts.nModificationNanoseconds = info.st_mtim.tv_nsec;
    }
    *pFacts = facts;
    return true;
}

} // namespace qv
