// Decodes the first sound stream of a file into a 44.1 kHz stereo 16-bit PCM WAV file with
// the canonical 44-byte header. The front-end prepares these for Windows Media sources.
#pragma once

#include <string>

namespace qv
{

// True when the WAV file was written whole. On failure the partial file is removed.
// A file without sound, or one that cannot be opened or decoded, fails.
bool ExtractWav(const std::string& sourcePath, const std::string& wavPath);

} // namespace qv
