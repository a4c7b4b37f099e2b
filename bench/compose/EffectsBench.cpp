// Milliseconds per 1280 × 720 frame of each video effect, and of the nearest ffmpeg filter
// where one exists (run on the command line, single filter thread, its cost taken as the
// difference to the same command without the filter).
//
//   effects_bench [ROUNDS]
//
// Each effect runs on 30 frames of a testsrc2 picture per round; the best round counts
// (default 5 rounds). The integer effects should each stay within a few milliseconds.
#include "compose/ColorAdjustment.h"
#include "compose/MovingMask.h"
#include "compose/NeighbourhoodEffects.h"
#include "compose/PixelEffects.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kFrames = 30;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Best milliseconds per frame of the effect over the rounds; each frame starts from the
// source picture (the copy is timed apart and taken off).
double TimeEffect(const std::vector<uint8_t>& source, int nRounds,
                  const std::function<void(uint8_t*)>& effect)
{
    std::vector<uint8_t> frame(source.size());
    double dBest = 1e30;
    for (int r = 0; r < nRounds; ++r)
    {
        double dSeconds = 0.0;
        for (int k = 0; k < kFrames; ++k)
        {
            std::memcpy(frame.data(), source.data(), source.size());
            const Clock::time_point start = Clock::now();
            effect(frame.data());
            dSeconds += Seconds(start);
        }
        dBest = std::min(dBest, dSeconds);
    }
    return dBest * 1000.0 / kFrames;
}

// Seconds of one ffmpeg run over 150 frames of testsrc2 at 1280 × 720 in BGRA.
double RunFFmpeg(const std::string& filter)
{
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -filter_threads 1 -f lavfi -i "
        "testsrc2=s=1280x720:r=30:d=5 -vf \"format=bgra" +
        (filter.empty() ? std::string() : "," + filter) + ",format=bgra\" -f null -";
    const Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1.0;
    return Seconds(start);
}

// Best milliseconds per frame the filter adds; negative when ffmpeg failed.
double TimeFFmpeg(const std::string& filter, double dBaseSeconds, int nRounds)
{
    double dBest = 1e30;
    for (int r = 0; r < std::max(1, nRounds / 2); ++r)
    {
        const double d = RunFFmpeg(filter);
        if (d < 0.0)
            return -1.0;
        dBest = std::min(dBest, d);
    }
    return std::max(0.0, dBest - dBaseSeconds) * 1000.0 / 150.0;
}

// A testsrc2 picture in the frame's layout, made with ffmpeg; a gradient when that fails.
std::vector<uint8_t> SourcePicture(const std::string& folder)
{
    std::vector<uint8_t> bytes(size_t(kWidth) * kHeight * 4);
    const std::string path = folder + "/picture.bgra";
    const std::string make =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=s=1280x720 "
        "-frames:v 1 -vf vflip -f rawvideo -pix_fmt bgra \"" +
        path + "\"";
    std::FILE* pFile = nullptr;
    if (std::system(make.c_str()) == 0 && (pFile = std::fopen(path.c_str(), "rb")) != nullptr &&
        std::fread(bytes.data(), 1, bytes.size(), pFile) == bytes.size())
    {
        std::fclose(pFile);
        return bytes;
    }
    if (pFile != nullptr)
        std::fclose(pFile);
    for (size_t i = 0; i < bytes.size(); i += 4)
    {
        bytes[i] = uint8_t(i / 4 % kWidth);
        bytes[i + 1] = uint8_t(i / 4 / kWidth);
        bytes[i + 2] = uint8_t(i / 7);
        bytes[i + 3] = 255;
    }
    return bytes;
}

struct tagBenchCase
{
    const char* szName;
    std::function<void(uint8_t*)> effect;
    const char* szFilter; // the nearest ffmpeg filter; null for none
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const int nRounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::string folder = (std::filesystem::temp_directory_path() / "vantrel-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr)
        return 2;
    const std::vector<uint8_t> source = SourcePicture(folder);

    // A 256 × 256 disc for the mask, as the shipped ones are.
    QImage disc(256, 256, QImage::Format_ARGB32);
    disc.fill(Qt::transparent);
    {
        QPainter painter(&disc);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(240, 240, 250));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(8, 8, 240, 240));
    }
    disc.save(QString::fromStdString(folder + "/0.png"));
    auto MaskItem = [](int nType)
    {
        auto item = std::make_shared<qv::tagQVMediaData>();
        item->dEditorEndTime = 10.0;
        item->pMask = std::make_unique<qv::tagQVMaskData>();
        item->pMask->MasknType = nType;
        item->pMask->MaskdMovementTimeDur = 2.0;
        return item;
    };
    const auto crossing = MaskItem(0);
    const auto growing = MaskItem(5);
    const std::string maskFolder = folder + "/";
    const qv::tagQVDibHeader header{kWidth, kHeight, 32};

    qv::tagQVColorAdjustment everything;
    everything.bEnableBrightnessAndContrast = everything.bEnableLevels = 1;
    everything.bEnableColorize = everything.bEnableSaturate = everything.bEnableJitter = 1;
    everything.bEnableGrayScale = everything.bEnableSoften = everything.bEnableSharpen = 1;
    everything.bEnableBlur = everything.bEnableEdgeDetection = everything.bEnableMasaic = 1;
    everything.nContrast = 20;
    everything.nRedLevels = 200;
    everything.dColorizeBlend = 0.5;
    everything.nSaturate = 20;
    everything.nMasaicW = 640;
    everything.nMasaicH = 360;

    const int W = kWidth, H = kHeight;
    const tagBenchCase kCases[] = {
        {"AdjustBrightnessContrast",
         [&](uint8_t* p) { qv::AdjustBrightnessContrast(p, W, H, 10, 30); },
         "lutrgb=r='clip((val-128)*1.3+138.5,0,255)':g='clip((val-128)*1.3+138.5,0,255)':"
         "b='clip((val-128)*1.3+138.5,0,255)'"},
        {"AdjustLevels", [&](uint8_t* p) { qv::AdjustLevels(p, W, H, 200, 128, 255); },
         "colorlevels=romax=0.784:gomax=0.502"},
        {"Colorize (full)", [&](uint8_t* p) { qv::Colorize(p, W, H, 30, 160, 1.0); },
         "colorize=hue=42:saturation=0.63:mix=1"},
        {"Colorize (blend 0.5)", [&](uint8_t* p) { qv::Colorize(p, W, H, 30, 160, 0.5); },
         "colorize=hue=42:saturation=0.63:mix=0.5"},
        {"Saturate", [&](uint8_t* p) { qv::Saturate(p, W, H, 40); }, "hue=s=1.3"},
        {"Jitter", [&](uint8_t* p) { qv::Jitter(p, W, H, 2); }, nullptr},
        {"GrayScale", [&](uint8_t* p) { qv::GrayScale(p, W, H); },
         "colorchannelmixer=.299:.587:.114:0:.299:.587:.114:0:.299:.587:.114"},
        {"Soften", [&](uint8_t* p) { qv::Soften(p, W, H); },
         "convolution='1 1 1 1 8 1 1 1 1:1 1 1 1 8 1 1 1 1:1 1 1 1 8 1 1 1 1:1 1 1 1 8 1 1 1 1'"
         ":0rdiv=1/16:1rdiv=1/16:2rdiv=1/16:3rdiv=1/16"},
        {"Sharpen", [&](uint8_t* p) { qv::Sharpen(p, W, H); },
         "convolution='-1 -1 -1 -1 15 -1 -1 -1 -1:-1 -1 -1 -1 15 -1 -1 -1 -1:-1 -1 -1 -1 15 -1 "
         "-1 -1 -1:-1 -1 -1 -1 15 -1 -1 -1 -1':0rdiv=1/7:1rdiv=1/7:2rdiv=1/7:3rdiv=1/7"},
        {"Blur", [&](uint8_t* p) { qv::Blur(p, W, H); },
         "convolution='1 1 1 1 1 1 1 1 1:1 1 1 1 1 1 1 1 1:1 1 1 1 1 1 1 1 1:1 1 1 1 1 1 1 1 1'"
         ":0rdiv=1/9:1rdiv=1/9:2rdiv=1/9:3rdiv=1/9"},
        {"DetectEdges", [&](uint8_t* p) { qv::DetectEdges(p, W, H); }, "edgedetect=mode=colormix"},
        {"Mosaic (tile 10, half frame)",
         [&](uint8_t* p) { qv::Mosaic(p, W, H, 10, 0, 0, 640, 360); }, nullptr},
        {"ApplyColorAdjustment (all on)",
         [&](uint8_t* p) { qv::ApplyColorAdjustment(everything, p, W, H); }, nullptr},
        {"DrawMovingMask (type 0, 1:1)",
         [&](uint8_t* p) { qv::DrawMovingMask(header, *crossing, p, 1.0, maskFolder); }, nullptr},
        {"DrawMovingMask (type 5, scaled)",
         [&](uint8_t* p) { qv::DrawMovingMask(header, *growing, p, 0.7, maskFolder); }, nullptr},
    };

    const double dBase = RunFFmpeg("");
    std::printf("%-34s %10s %12s %8s\n", "1280x720 BGRA, ms per frame", "ours", "ffmpeg", "ratio");
    for (const tagBenchCase& c : kCases)
    {
        const double dOurs = TimeEffect(source, nRounds, c.effect);
        if (c.szFilter == nullptr || dBase < 0.0)
        {
            std::printf("%-34s %10.2f %12s %8s\n", c.szName, dOurs, "-", "-");
            continue;
        }
        const double dTheirs = TimeFFmpeg(c.szFilter, dBase, nRounds);
        if (dTheirs <= 0.0)
            std::printf("%-34s %10.2f %12s %8s\n", c.szName, dOurs, "failed", "-");
        else
            std::printf("%-34s %10.2f %12.2f %8.2f\n", c.szName, dOurs, dTheirs, dOurs / dTheirs);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
