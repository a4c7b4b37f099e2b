// What a converted file keeps of its source: when and where it was recorded, the camera
// that recorded it, and the source file's own modification time. Phones and cameras write
// the first four as container tags (QuickTime keys, the classic user-data atoms, Matroska
// tags); FFmpeg reads them all into one dictionary.
#pragma once

#include <cstdint>
#include <string>

namespace qv
{

struct tagQVSourceFacts
{
    std::string creationTime; // as the container gives it, "2021-06-01T10:20:30.000000Z"
    std::string location;     // ISO 6709, "+48.8584+002.2945+035.000/"
    std::string make;
    std::string model;
    // The source file's modification time; bHasModificationTime false when unknown.
    bool bHasModificationTime = false;
    int64_t nModificationSeconds = 0;
    int64_t nModificationNanoseconds = 0;

    bool HasTags() const
    {
        return !creationTime.empty() || !location.empty() || !make.empty() || !model.empty();
    }
};

// Reads the facts of the file (UTF-8 path); a fact the file does not carry stays empty.
// False, with *pFacts untouched, when the file cannot be opened.
bool ReadSourceFacts(const std::string& path, tagQVSourceFacts* pFacts);

} // namespace qv
