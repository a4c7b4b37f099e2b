// Decoding speed of the engine's capture against the ffmpeg command line on the same
// file: every picture of a 1080p H.264 file to BGRA at its own size.
//
//   media_bench [FILE] [ROUNDS]
//
// Without FILE a 10-second 1080p H.264 file is made with ffmpeg in a temporary folder.
// Prints both times (best of ROUNDS, default 3) and their ratio; the aim is 1.10 or less.
#include "bench/media/BenchSource.h"
#include "media/CQVFFMpegCapture.h"
#include "probe/MediaInfoProbe.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace
{

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Returns the seconds taken, or a negative value on failure; *pnFrames gets the pictures.
double DecodeWithCapture(const std::string& path, int nWidth, int nHeight, int* pnFrames)
{
    const Clock::time_point start = Clock::now();
    qv::CQVFFMpegCapture capture(path, nWidth, nHeight, false);
    if (capture.Failed() || !capture.GetFrameAtTime(0.0))
        return -1.0;
    int nFrames = 1;
    while (capture.ReadNextFrame())
    {
        if (!capture.ConvertFrame(nullptr, nullptr, nullptr, nullptr, nullptr))
            return -1.0;
        ++nFrames;
    }
    *pnFrames = nFrames;
    return Seconds(start);
}

double DecodeWithCommandLine(const std::string& path)
{
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -i \"" + path +
                                "\" -f rawvideo -pix_fmt bgra -sws_flags bicubic -y /dev/null";
    const Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1.0;
    return Seconds(start);
}

} // namespace

int main(int argc, char** argv)
{
    qv::QVSilenceFFmpegLog();
    std::string path = argc > 1 ? argv[1] : "";
    const int nRounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::string folder;
    if (path.empty())
    {
        path = qv::bench::MakeBenchSource(&folder);
        if (path.empty())
            return 2;
    }

    int bVideo = 0, bAudio = 0, nWidth = 0, nHeight = 0;
    double dDuration = 0.0;
    if (!qv::GetMediaInfoEx(path, &bVideo, &bAudio, &nWidth, &nHeight, &dDuration, nullptr) ||
        !bVideo)
    {
        std::fprintf(stderr, "%s: no video\n", path.c_str());
        return 2;
    }

    double dOurs = 1e30;
    double dTheirs = 1e30;
    int nFrames = 0;
    for (int i = 0; i < nRounds; ++i)
    {
        const double dCapture = DecodeWithCapture(path, nWidth, nHeight, &nFrames);
        const double dCommand = DecodeWithCommandLine(path);
        if (dCapture < 0.0 || dCommand < 0.0)
        {
            std::fprintf(stderr, "decoding failed\n");
            return 2;
        }
        dOurs = std::min(dOurs, dCapture);
        dTheirs = std::min(dTheirs, dCommand);
        std::printf("round %d: capture %.3f s, ffmpeg %.3f s\n", i + 1, dCapture, dCommand);
    }
    std::printf("%dx%d, %d pictures\n", nWidth, nHeight, nFrames);
    std::printf("capture (GetFrameAtTime + ReadNextFrame + ConvertFrame): %.3f s\n", dOurs);
    std::printf("ffmpeg -f rawvideo -pix_fmt bgra -sws_flags bicubic:     %.3f s\n", dTheirs);
    std::printf("ratio capture/ffmpeg: %.3f (aim: 1.10 or less)\n", dOurs / dTheirs);

    if (!folder.empty())
        std::filesystem::remove_all(folder);
    return 0;
}
