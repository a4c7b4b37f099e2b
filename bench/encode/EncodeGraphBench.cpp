// The conversion graph against the ffmpeg command line doing the same encoding work, and
// how much of a slow composition the graph hides behind encoding. See README.md.
#include "encode/CQVVideoConverter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

// Copies a prepared picture into every sample, then spends nComposeMs more.
class CFrameCopy : public qv::IQVVideoMixerUserCallback
{
public:
    CFrameCopy(qv::CQVVideoConverter* pOwner, const std::vector<uint8_t>& frame, int nComposeMs)
        : m_pOwner(pOwner), m_frame(frame), m_nComposeMs(nComposeMs)
    {
    }
    int32_t FillFrame(QPainter*, int64_t nIndex, int64_t, const qv::tagQVBitmapInfoHeader*,
                      uint8_t* pBuffer, int32_t nSize) override
    {
        m_pOwner->RecordDelivered(nIndex);
        std::memcpy(pBuffer, m_frame.data(), static_cast<size_t>(nSize));
        if (m_nComposeMs > 0)
        {
            // Busy, as composition is: a sleeping callback would hide nothing.
            const auto end = Clock::now() + std::chrono::milliseconds(m_nComposeMs);
            while (Clock::now() < end)
            {
            }
        }
        return 0;
    }
    int32_t DrawOverlays(QPainter*, int32_t, int32_t, int32_t, uint8_t*, int32_t, int32_t) override
    {
        return 0;
    }

private:
    qv::CQVVideoConverter* m_pOwner;
    const std::vector<uint8_t>& m_frame;
    int m_nComposeMs;
};

std::vector<uint8_t> MakeFrame()
{
    std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
    {
        for (int x = 0; x < kWidth; ++x)
        {
            uint8_t* p = &frame[(static_cast<size_t>(y) * kWidth + x) * 4];
            p[0] = static_cast<uint8_t>(x * 255 / kWidth);
            p[1] = static_cast<uint8_t>(y * 255 / kHeight);
            p[2] = static_cast<uint8_t>((x ^ y) & 0xff);
            p[3] = 255;
        }
    }
    return frame;
}

double RunGraph(const std::string& path, double dSeconds, const std::vector<uint8_t>& frame,
                int nComposeMs)
{
    qv::tagQVOutputSettings record = qv::DefaultPresets(qv::PresetTable::Engine)[2];
    record.nOutputFormat = 0;
    record.nWidth = kWidth;
    record.nHeight = kHeight;
    qv::tagQVConverterSetup setup;
    setup.pSettings = &record;
    setup.dDuration = dSeconds;
    qv::CQVVideoConverter converter(setup);
    CFrameCopy video(&converter, frame, nComposeMs);
    converter.SetVideoMixerCallback(&video);
    const auto start = Clock::now();
    if (converter.BuildConversionGraph(path) < 0)
        return -1.0;
    int32_t nCode = 0;
    intptr_t nParam1 = 0, nParam2 = 0;
    converter.GetMediaEvent()->GetEvent(&nCode, &nParam1, &nParam2, -1);
    const double dElapsed = std::chrono::duration<double>(Clock::now() - start).count();
    return nCode == qv::kQVEventComplete ? dElapsed : -1.0;
}

// The same work on the command line: the picture from a raw BGRA file, a silent mono AAC
// track, and the options the mapping gives a type 0, 1280 x 720, quality 25 conversion.
double RunFFmpeg(const std::string& rawFrame, const std::string& path, double dSeconds)
{
    const int nFrames = static_cast<int>(dSeconds * 30.0);
    const std::string command =
        "ffmpeg -nostdin -v error -y -stream_loop -1 -f rawvideo -pix_fmt bgra -s 1280x720 -r 30 "
        "-i '" +
        rawFrame + "' -f lavfi -i anullsrc=r=44100:cl=stereo -frames:v " + std::to_string(nFrames) +
        " -t " + std::to_string(dSeconds) +
        " -vf vflip -sws_flags bicubic -pix_fmt yuv420p -c:v libx264 -preset medium -profile:v main"
        " -crf 25 -g 15 -keyint_min 15 -bf 1 -b_strategy 0 -sc_threshold 0 -b-pyramid none"
        " -flags +cgop -c:a aac -ac 1 -b:a 64k -f mp4 '" +
        path + "'";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1.0;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const double dSeconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int nRounds = argc > 2 ? std::atoi(argv[2]) : 3;
    char folderTemplate[] = "/tmp/encode-bench-XXXXXX";
    if (mkdtemp(folderTemplate) == nullptr)
        return 1;
    const std::string folder = folderTemplate;
    const std::vector<uint8_t> frame = MakeFrame();
    const std::string raw = folder + "/frame.bgra";
    {
        // The graph's samples are bottom-up; the command line flips the same bytes.
        std::ofstream out(raw, std::ios::binary);
        out.write(reinterpret_cast<const char*>(frame.data()),
                  static_cast<std::streamsize>(frame.size()));
    }

    double dGraph = 1e9, dFFmpeg = 1e9;
    for (int i = 0; i < nRounds; ++i)
    {
        const double g = RunGraph(folder + "/graph.mp4", dSeconds, frame, 0);
        const double f = RunFFmpeg(raw, folder + "/ffmpeg.mp4", dSeconds);
        if (g < 0 || f < 0)
        {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        dGraph = std::min(dGraph, g);
        dFFmpeg = std::min(dFFmpeg, f);
    }
    std::printf("%.0f s of 1280x720 H.264 (type 0, quality 25), best of %d\n", dSeconds, nRounds);
    std::printf("  graph   %.2f s\n  ffmpeg  %.2f s\n  ratio   %.2f (graph / ffmpeg)\n", dGraph,
                dFFmpeg, dGraph / dFFmpeg);

    // A composition costing half the encoder's time per picture should hide behind it.
    const int nComposeMs = static_cast<int>(dGraph / (dSeconds * 30.0) * 1000.0 / 2.0);
    if (nComposeMs > 0)
    {
        const double dComposed = RunGraph(folder + "/graph.mp4", dSeconds, frame, nComposeMs);
        const double dSerial = dGraph + dSeconds * 30.0 * nComposeMs / 1000.0;
        std::printf(
            "  with %d ms of composition per picture: %.2f s (one after the other: %.2f s)\n",
            nComposeMs, dComposed, dSerial);
    }
    std::system(("rm -rf '" + folder + "'").c_str());
    return 0;
}
