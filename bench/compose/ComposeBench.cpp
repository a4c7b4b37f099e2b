// Per-frame cost of the frame composition on a 1080p H.264 source cropped to 1280 × 720:
// RenderItemFrame (walk the decoder, convert, crop and copy) against decoding alone (the
// same capture, read and converted frame by frame), and against the ffmpeg command line
// doing the decode and crop.
//
//   compose_bench [FILE] [ROUNDS]
//
// Without FILE a 10-second 1920 × 1080 H.264 file is made with ffmpeg in a temporary
// folder. Prints milliseconds per frame (best of ROUNDS, default 3) and the ratios; the
// aim is composition at most 1.15 × decoding alone.
#include "bench/media/BenchSource.h"
#include "compose/FrameComposition.h"
#include "media/CQVFFMpegCapture.h"
#include "probe/MediaInfoProbe.h"

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int kOutputWidth = 1280;
constexpr int kOutputHeight = 720;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The decoder as the composition drives it (bottom-up pictures at the source size), one
// picture read and converted per output frame. Seconds, or negative on failure.
double DecodeAlone(const std::string& path, int nWidth, int nHeight, int nFrames)
{
    const Clock::time_point start = Clock::now();
    qv::CQVFFMpegCapture capture(path, nWidth, nHeight, true);
    if (capture.Failed() || !capture.GetFrameAtTime(1.0 / 30.0))
        return -1.0;
    for (int k = 1; k < nFrames; ++k)
    {
        if (!capture.ReadNextFrame() ||
            !capture.ConvertFrame(nullptr, nullptr, nullptr, nullptr, nullptr))
            return -1.0;
    }
    return Seconds(start);
}

// A conversion's composition: one RenderItemFrame per output frame at 30 frames per second.
double Compose(const std::string& path, int nWidth, int nHeight, int nFrames)
{
    qv::tagQVMediaData item;
    item.source = path;
    item.nVideoWidth = nWidth;
    item.nVideoHeight = nHeight;
    item.dVSelfEndTime = nFrames / 30.0;
    item.dEditorEndTime = nFrames / 30.0;
    item.pCrop = std::make_unique<qv::tagQVCropData>();
    item.pCrop->xcrop = (nWidth - kOutputWidth) / 2;
    item.pCrop->ycrop = (nHeight - kOutputHeight) / 2;
    item.pCrop->wcrop = kOutputWidth;
    item.pCrop->hcrop = kOutputHeight;
    qv::tagQVCompositionContext context;
    context.nOutputWidth = kOutputWidth;
    context.nOutputHeight = kOutputHeight;
    std::vector<uint8_t> frame(size_t(kOutputWidth) * kOutputHeight * 4);

    const Clock::time_point start = Clock::now();
    for (int k = 1; k <= nFrames; ++k)
    {
        context.dCurrentTime = k / 30.0;
        if (qv::RenderItemFrame(context, context.dCurrentTime, item, frame.data(), kOutputWidth,
                                kOutputHeight) != 1)
            return -1.0;
    }
    const double dSeconds = Seconds(start);
    qv::ReleaseLineItem(context, nullptr, 0);
    return dSeconds;
}

double CropWithCommandLine(const std::string& path, int nWidth, int nHeight)
{
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -i \"" + path +
                                "\" -vf crop=" + std::to_string(kOutputWidth) + ":" +
                                std::to_string(kOutputHeight) + ":" +
                                std::to_string((nWidth - kOutputWidth) / 2) + ":" +
                                std::to_string((nHeight - kOutputHeight) / 2) +
                                " -f rawvideo -pix_fmt bgra -sws_flags bicubic -y /dev/null";
    const Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1.0;
    return Seconds(start);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
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
        !bVideo || nWidth < kOutputWidth || nHeight < kOutputHeight)
    {
        std::fprintf(stderr, "%s: no video of at least %dx%d\n", path.c_str(), kOutputWidth,
                     kOutputHeight);
        return 2;
    }
    // Output frames that stay inside the source, at 30 frames per second.
    const int nFrames = std::max(1, static_cast<int>(dDuration * 30.0) - 2);

    double dDecode = 1e30, dCompose = 1e30, dCommand = 1e30;
    for (int i = 0; i < nRounds; ++i)
    {
        const double a = DecodeAlone(path, nWidth, nHeight, nFrames);
        const double b = Compose(path, nWidth, nHeight, nFrames);
        const double c = CropWithCommandLine(path, nWidth, nHeight);
        if (a < 0.0 || b < 0.0 || c < 0.0)
        {
            std::fprintf(stderr, "decoding failed\n");
            return 2;
        }
        dDecode = std::min(dDecode, a);
        dCompose = std::min(dCompose, b);
        dCommand = std::min(dCommand, c);
        std::printf("round %d: decode %.3f s, compose %.3f s, ffmpeg %.3f s\n", i + 1, a, b, c);
    }
    const double dPerFrame = 1000.0 / nFrames;
    std::printf("%dx%d cropped to %dx%d, %d output frames\n", nWidth, nHeight, kOutputWidth,
                kOutputHeight, nFrames);
    std::printf("decoding alone (ReadNextFrame + ConvertFrame): %.2f ms/frame\n",
                dDecode * dPerFrame);
    std::printf("RenderItemFrame (walk + convert + crop):       %.2f ms/frame\n",
                dCompose * dPerFrame);
    std::printf("ffmpeg -vf crop -f rawvideo -pix_fmt bgra:      %.2f ms/frame\n",
                dCommand * dPerFrame);
    std::printf("ratio compose/decode: %.3f (aim: 1.15 or less)\n", dCompose / dDecode);
    std::printf("ratio compose/ffmpeg: %.3f\n", dCompose / dCommand);

    if (!folder.empty())
        std::filesystem::remove_all(folder);
    return 0;
}
