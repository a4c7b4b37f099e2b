// The sound of Windows Media sources, decoded once when a file is added into a WAV file in
// tmp/ and recorded in "tmp/wavfiles.dat", which the engine reads in place of the source's
// own sound.
#pragma once

#include <string>

namespace qv
{

// The WAV file of the source: the recorded one when it still exists, else a new one named
// after the local time ("%02d" month, day, hour, minute, second, milliseconds + ".wav").
// On success the record is updated or added and the list saved; on failure the source's
// record is removed (the list saved when it had one) and the result is empty.
std::string PrepareWavFile(const std::string& tempFolder, const std::string& sourcePath);

// The name a WAV file made now gets (without folder).
std::string WavFileNameNow();

} // namespace qv
