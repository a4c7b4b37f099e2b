// Test media made with the ffmpeg command line at test time, and helpers that read the
// frame number back from a decoded picture.
//
// Every generated picture shows its own frame number: the top half holds eight blocks,
// white for a set bit and black for a clear one (bit 0 at the left); the bottom half is
// pure blue, so that a picture turned upside down, or its colour planes misplaced, shows.
#pragma once

#include <cstdint>
#include <string>

namespace qv::test
{

// The generated files live in a per-user cache folder under the temporary folder, named
// after a hash of the command that makes them, so each is made once per machine.
enum class EMedia
{
    H264,        // 160×120, 30 fps, 90 frames, B-frames, GOP 30; AAC stereo 44.1 kHz; mp4
    Mpeg2Ps,     // 160×120, 25 fps, 75 frames, MPEG-2 in a program stream; MP2 48 kHz
    Declares100, // MPEG-4 in AVI, 110 frames, header patched to declare 100
    AudioOnly,   // AAC stereo 44.1 kHz, 1 s, m4a
    SixChannels, // FLAC 6 channels 48 kHz, 1 s: a tone in channel 2 (centre) for the first
                 // half, in channel 0 (front left) for the second half
    LateAudio,   // 30 fps pattern 2 s; FLAC stereo 44.1 kHz tone starting at 0.5 s; mkv
    OddSize,     // 161×121 4:2:0, FFV1 (lossless), 30 fps, 20 frames
    Yuv422,      // 160×120 4:2:2 H.264 (High 4:2:2), 30 fps, 30 frames
    Yuv444,      // 160×120 4:4:4 FFV1, 30 fps, 20 frames
    LowRateFlac, // FLAC stereo 8 kHz, 2 s, blocks of 4608 samples
    Wide,        // 330×250 H.264, 30 fps, 5 frames (sizes that are not multiples of 4)
};

// Path of the file, made when missing; empty when ffmpeg failed (the test then fails).
std::string MediaPath(EMedia eMedia);

// Numbered clips for the timing tests: 160×120, 4 s, no sound; picture n stands at n ÷ rate.
enum class ENumberedContainer
{
    Mp4BFrames, // H.264 with two B-frames (the first picture's decoding time is negative)
    Matroska,   // the same H.264 stream; Matroska rounds timestamps to whole milliseconds
    Avi,        // MPEG-4 part 2; the time base is the frame itself
    MpegPs,     // MPEG-2 with B-frames in a program stream, whose clock starts late; 25 or
                // 30 fps only
    RawH264,    // the H.264 stream with no container: no timestamps and no length
};
std::string NumberedClipPath(ENumberedContainer eContainer, int nFrameRate);
// The same H.264 stream (Mp4BFrames or Matroska only) at a rate given as text ("25",
// "24000/1001") with nFrames pictures. A timing expression of N (the picture number) in
// seconds, such as "if(lt(N,30),N/30,1+(N-30)/15)", stamps the pictures at those times
// instead: a variable-rate clip.
std::string NumberedClipPath(ENumberedContainer eContainer, const std::string& rate, int nFrames,
                             const std::string& timing = std::string());

// Clips for the display-rotation tests: 480×360 H.264 in MP4, 30 fps, 1 s, blue with a
// 120×90 block in each corner: red top left, yellow top right, green bottom right, white
// bottom left. CornerClipPath copies the stream with the "rotate" tag set to nRotateTag;
// FFmpeg 5.1 turns the tag into a display matrix that players show turned nRotateTag°
// counterclockwise (90: the red corner at the bottom left). MirroredCornerClipPath writes
// a mirrored matrix into the track header instead: mirrored left-right, or with
// bTransposed the stored rows shown as columns (the red corner stays at the top left).
std::string CornerClipPath(int nRotateTag);
std::string MirroredCornerClipPath(bool bTransposed);

enum class ECornerColour
{
    Red,
    Yellow,
    Green,
    White,
    Blue, // the background
    Other,
};
// The colour of the BGRA pixel, by its nearest of the five.
ECornerColour CornerColourAt(const uint8_t* pPixel);

// Runs ffmpeg with the arguments (after "-y -loglevel error"); true on exit code 0.
bool RunFFmpeg(const std::string& arguments);
// The file ffmpeg makes from the arguments (everything but the output file), made once in
// the cache folder as name-HASH.extension; pPatch, when given, changes it before it counts
// as made. Empty when it cannot be made.
std::string CachedFile(const std::string& name, const std::string& extension,
                       const std::string& arguments, bool (*pPatch)(const std::string&) = nullptr);

// The frame number shown in a BGRA picture; bBottomUp when its rows are stored bottom row
// first. -1 when a block is neither clearly white nor clearly black.
int ReadFrameNumber(const uint8_t* pImage, int nStride, int nWidth, int nHeight, bool bBottomUp);

// True when the pixel at (x, y) of the picture (y counted from the top) is clearly blue.
bool IsBlue(const uint8_t* pImage, int nStride, int nHeight, int x, int y, bool bBottomUp);

// Whole-file helpers.
bool ReadWholeFile(const std::string& path, std::string* pBytes);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// A fresh folder under the temporary folder, removed with its content at destruction.
class CQVScratchFolder
{
public:
    CQVScratchFolder();
    ~CQVScratchFolder();
    CQVScratchFolder(const CQVScratchFolder&) = delete;
    CQVScratchFolder& operator=(const CQVScratchFolder&) = delete;
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

} // namespace qv::test
