// The video effects through the engine process: a project whose items each carry one
// effect is written as the front-end writes it, converted, and every item's picture in
// the output is compared with the same effect applied to the source picture here.
#include "compose/ColorAdjustment.h"
#include "compose/MovingMask.h"
#include "project/FrontEndProject.h"
#include "project/ProjectWriter.h"
#include "protocol/SharedControlBlock.h"
#include "tests/support/CQVEngineDriver.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestMedia.h"

#include <QImage>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace qv;
using qv::test::CQVEngineDriver;

namespace
{

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr double kItemSeconds = 0.3;
constexpr int kMaskIndex = 6;

// 160 × 120 test pattern, 30 fps, 4 s, stored losslessly in BGRA: the engine decodes it
// to exactly the pictures the reference is made from.
const std::string& SourceClip()
{
    static std::string path;
    if (path.empty())
    {
        const char* szTmp = std::getenv("TMPDIR");
        std::string made = std::string(szTmp ? szTmp : "/tmp") + "/vantrel-effects-source-" +
                           std::to_string(getuid()) + ".mkv";
        if (std::filesystem::exists(made) ||
            test::RunFFmpeg("-f lavfi -i testsrc2=size=160x120:rate=30:duration=4 -c:v ffv1 "
                            "-pix_fmt bgra \"" +
                            made + "\""))
            path = made;
    }
    return path;
}

struct tagEffectItem
{
    const char* szName;
    std::function<void(tagQVColorAdjustment&)> setAdjustment;
    std::function<void(tagQVMaskData&)> setMask;
};

// Peak signal-to-noise ratio of the luma in dB; 99 for equal pictures. The output is
// 4:2:0, which blurs colour edges; the luma keeps every pixel.
double LumaPsnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sum = 0.0;
    size_t n = 0;
    for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4)
    {
        const double ya = 0.114 * a[i] + 0.587 * a[i + 1] + 0.299 * a[i + 2];
        const double yb = 0.114 * b[i] + 0.587 * b[i + 1] + 0.299 * b[i + 2];
        sum += (ya - yb) * (ya - yb);
        ++n;
    }
    if (n == 0 || sum == 0.0)
        return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 / (sum / double(n)));
}

// Mean distance of red and blue from green: 0 for a grey picture.
double Colourfulness(const std::vector<uint8_t>& picture)
{
    double sum = 0.0;
    for (size_t i = 0; i + 3 < picture.size(); i += 4)
        sum += std::abs(int(picture[i]) - picture[i + 1]) +
               std::abs(int(picture[i + 2]) - picture[i + 1]);
    return picture.empty() ? 0.0 : sum / double(picture.size() / 4);
}

// Top-down pictures to and from the composition's bottom-up frames.
std::vector<uint8_t> FlipRows(const std::vector<uint8_t>& picture)
{
    std::vector<uint8_t> flipped(picture.size());
    const size_t row = size_t(kWidth) * 4;
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(flipped.data() + size_t(kHeight - 1 - y) * row, picture.data() + y * row, row);
    return flipped;
}

} // namespace

TEST(EffectsThroughTheEngine, EveryItemShowsItsEffectInTheOutput)
{
    ASSERT_FALSE(SourceClip().empty());
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());

    // Two overlapping shapes, one of them half transparent.
    QImage mask(32, 24, QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
        {
            if ((x - 16) * (x - 16) + (y - 12) * (y - 12) < 64)
                mask.setPixel(x, y, qRgba(250, 40, 90, 255));
            else if (y < 6)
                mask.setPixel(x, y, qRgba(20, 200, 240, 128));
        }
    std::filesystem::create_directories(driver.ProgramPath("skin/mask"));
    ASSERT_TRUE(mask.save(QString::fromStdString(driver.ProgramPath("skin/mask/6.png"))));

    const tagEffectItem kItems[] = {
        {"brightness-contrast",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableBrightnessAndContrast = 1;
             a.nBrightness = 30;
             a.nContrast = -40;
         },
         nullptr},
        {"levels",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableLevels = 1;
             a.nRedLevels = 40;
             a.nGreenLevels = 256;
         },
         nullptr},
        {"colorize-full",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableColorize = 1;
             a.nColorizeHue = 170;
             a.nColorizeSaturation = 200;
         },
         nullptr},
        {"colorize-blend",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableColorize = 1;
             a.nColorizeHue = 40;
             a.nColorizeSaturation = 150;
             a.dColorizeBlend = 0.6;
         },
         nullptr},
        {"saturate",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableSaturate = 1;
             a.nSaturate = -200;
         },
         nullptr},
        {"grayscale", [](tagQVColorAdjustment& a) { a.bEnableGrayScale = 1; }, nullptr},
        {"soften-sharpen-blur",
         [](tagQVColorAdjustment& a) { a.bEnableSoften = a.bEnableSharpen = a.bEnableBlur = 1; },
         nullptr},
        {"edges", [](tagQVColorAdjustment& a) { a.bEnableEdgeDetection = 1; }, nullptr},
        {"mosaic",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableMasaic = 1;
             a.nMasaicTileSize = 16;
             a.nMasaicX = 8;
             a.nMasaicY = 20;
             a.nMasaicW = 120;
             a.nMasaicH = 80;
         },
         nullptr},
        {"mask", nullptr,
         [](tagQVMaskData& m)
         {
             m.MasknType = 4;
             m.MaskdMovementTimeDur = kItemSeconds;
             m.MaskdSizeScale = 1.5;
         }},
    };
    const int nItems = int(std::size(kItems));

    tagQVJobRow row;
    row.source = SourceClip();
    row.dDuration = 4.0;
    row.nVideoWidth = kWidth;
    row.nVideoHeight = kHeight;
    row.dEndTime = kItemSeconds;
    ProjectTimeline project = BuildJobProject(row, 1);
    auto& items = project.lines[0].items;
    for (int i = 1; i < nItems; ++i)
    {
        row.dStartTime = i * kItemSeconds;
        row.dEndTime = (i + 1) * kItemSeconds;
        auto item = std::make_unique<tagQVMediaData>();
        FillItemFromRow(row, i + 1, items.back().get(), item.get());
        items.push_back(std::move(item));
    }
    for (int i = 0; i < nItems; ++i)
    {
        if (kItems[i].setAdjustment)
        {
            items[i]->pColorAdjustment = std::make_unique<tagQVColorAdjustment>();
            kItems[i].setAdjustment(*items[i]->pColorAdjustment);
        }
        if (kItems[i].setMask)
        {
            items[i]->pMask = std::make_unique<tagQVMaskData>();
            items[i]->pMask->MasknImageMaskIndex = kMaskIndex;
            kItems[i].setMask(*items[i]->pMask);
        }
    }

    tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[5];
    settings.nWidth = kWidth;
    settings.nHeight = kHeight;
    settings.nOutputFormat = 0;
    settings.nQuality = 12;
    const std::string output = driver.ProgramPath("effects.mp4");
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(WriteProjectFile(project, 5, driver.ProgramPath("tmp/qvengine.qvprj")));
    ASSERT_TRUE(driver.StartConversion(output, settings));
    ASSERT_TRUE(driver.Launch());
    tagQVProcessExit exit;
    ASSERT_TRUE(driver.WaitForExit(120000, &exit));
    ASSERT_TRUE(exit.bExited);
    ASSERT_EQ(exit.nExitCode, kEngineCompleted);

    for (int i = 0; i < nItems; ++i)
    {
        SCOPED_TRACE(kItems[i].szName);
        // Sample s (from 1) shows output time s ÷ 30 and, the source running with the
        // timeline, source picture s; it is picture s − 1 of the output.
        const int s = int(std::lround(i * kItemSeconds * 30.0)) + 5;
        const double dTime = s / 30.0;
        std::vector<uint8_t> source, converted;
        ASSERT_TRUE(test::DecodeFrameBgra(SourceClip(), s, kWidth, kHeight, &source));
        ASSERT_TRUE(test::DecodeFrameBgra(output, s - 1, kWidth, kHeight, &converted));

        std::vector<uint8_t> frame = FlipRows(source);
        const tagQVMediaData& item = *items[i];
        if (item.pColorAdjustment)
            ApplyColorAdjustment(*item.pColorAdjustment, frame.data(), kWidth, kHeight);
        if (item.pMask)
        {
            tagQVMediaData timing;
            timing.dEditorStartTime = item.dEditorStartTime;
            timing.dEditorEndTime = item.dEditorEndTime;
            timing.pMask = std::make_unique<tagQVMaskData>(*item.pMask);
            ASSERT_EQ(DrawMovingMask({kWidth, kHeight, 32}, timing, frame.data(), dTime,
                                     driver.ProgramPath("skin/mask/")),
                      1);
        }
        const std::vector<uint8_t> expected = FlipRows(frame);

        // The encoder loses a little (the luma is compared: 4:2:0 blurs colour edges); the
        // effect itself must be there, far closer than the untouched source.
        const double dToExpected = LumaPsnr(converted, expected);
        const double dToSource = LumaPsnr(converted, source);
        EXPECT_GT(dToExpected, 32.0) << "against the source: " << dToSource;
        if (item.pColorAdjustment && item.pColorAdjustment->bEnableGrayScale)
        {
            // Grey keeps the luma: the colour must be gone instead.
            EXPECT_LT(Colourfulness(converted), 3.0);
            EXPECT_GT(Colourfulness(source), 30.0);
        }
        else
            EXPECT_GT(dToExpected, dToSource + 3.0);
    }
}
