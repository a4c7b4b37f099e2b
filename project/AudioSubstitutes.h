// Prepared WAV files that stand in for a source's own sound: "tmp/wavfiles.dat", an XML
// document whose root "WavFiles" holds "item" elements with "source" (a media path) and
// "wav" (the prepared file). A substitute's delay comes from the companion file named
// like the WAV file with ".xml" appended: element "AudioData", attribute "dDelay".
#pragma once

#include <string>
#include <vector>

namespace qv
{

struct tagQVAudioSubstitute
{
    std::string source; // UTF-8
    std::string wav;    // UTF-8
};

// The list of the file; empty when it is missing or cannot be read.
std::vector<tagQVAudioSubstitute> ReadAudioSubstitutes(const std::string& path);

// Writes the list (the front-end's side). False when the file cannot be written.
bool WriteAudioSubstitutes(const std::string& path,
                           const std::vector<tagQVAudioSubstitute>& substitutes);

// The substitute WAV for a source (compared without regard to case), used only when that
// WAV file exists; empty when there is none.
std::string FindAudioSubstitute(const std::vector<tagQVAudioSubstitute>& substitutes,
                                const std::string& source);

// The substitute's delay in seconds; 0.0 when its companion file or the value is missing.
double ReadSubstituteDelay(const std::string& wavPath);

} // namespace qv
