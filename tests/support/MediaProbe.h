// What ffprobe and ffmpeg say about a written file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::test
{

struct tagQVProbeStream
{
    std::string codecType; // "video" / "audio"
    std::string codecName;
    std::string profile;
    int level = 0; // video: level_idc as ffprobe gives it
    int width = 0;
    int height = 0;
    std::string rFrameRate;
    int sampleRate = 0;
    int channels = 0;
    int64_t readFrames = -1; // decoded frames (video: pictures)
};

struct tagQVProbe
{
    bool bOk = false;
    std::string formatName;
    double dDuration = 0.0;
    int64_t nSize = 0;
    std::vector<tagQVProbeStream> streams;

    const tagQVProbeStream* Find(const std::string& type) const;
    int Index(const std::string& type) const; // -1 when missing
};

tagQVProbe ProbeFile(const std::string& path);

// Picture types in display order ("IBPBP...").
std::string FrameTypes(const std::string& path);

// Bytes of the video stream's packets and its duration from its packet times.
bool VideoPacketStats(const std::string& path, int64_t* pBytes, double* pSeconds);

// Decodes everything; true when ffmpeg exits with 0 and prints no error. *pErrors gets
// what it printed.
bool DecodesCleanly(const std::string& path, std::string* pErrors);

// Mean volume of the audio in dB (volumedetect); NaN when unknown.
double MeanVolumeDb(const std::string& path);

// Picture nFrame as top-down BGRA, nWidth x nHeight.
bool DecodeFrameBgra(const std::string& path, int nFrame, int nWidth, int nHeight,
                     std::vector<uint8_t>* pPixels);

// Runs a program; returns its exit code (-1 when it could not run or timed out).
int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               std::string* pOut, std::string* pErr, int nTimeoutMs = 120000);

} // namespace qv::test
