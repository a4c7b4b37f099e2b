// The black-border detection: the finder on hand-made luma pictures, and Detect on clips
// made with ffmpeg whose picture rectangle is known exactly.
#include "frontend/BorderDetection.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

using namespace qv;
using namespace qv::test;

namespace
{

// A w x h luma picture, black (16) except the rectangle, filled with nLuma.
std::vector<uint8_t> Picture(int w, int h, const tagQVCropValues& r, int nLuma = 120)
{
    std::vector<uint8_t> luma(static_cast<size_t>(w) * h, 16);
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x)
            luma[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(nLuma);
    return luma;
}

::testing::AssertionResult SameRect(const tagQVCropValues& a, const tagQVCropValues& b)
{
    if (a == b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << a.x << ", " << a.y << ", " << a.w << ", " << a.h << ") instead of (" << b.x
           << ", " << b.y << ", " << b.w << ", " << b.h << ")";
}

} // namespace

TEST(BorderFinder, UnionOfSamplesRoundedInwardToEvenWithFrameEdgesKept)
{
    const int w = 100, h = 60;
    const struct
    {
        const char* szCase;
        std::vector<tagQVCropValues> pictures;
        tagQVCropValues expected;
    } rows[] = {
        {"one picture, even edges", {{10, 6, 80, 48}}, {10, 6, 80, 48}},
        {"odd edges go inward", {{11, 5, 77, 49}}, {12, 6, 76, 48}},
        {"no borders: the full frame", {{0, 0, 100, 60}}, {0, 0, 100, 60}},
        {"a dark scene only adds",
         {{40, 20, 20, 20}, {10, 6, 80, 48}, {30, 10, 8, 8}},
         {10, 6, 80, 48}},
        {"letterbox in one, pillarbox in another",
         {{0, 10, 100, 40}, {20, 0, 60, 60}},
         {0, 0, 100, 60}},
    };
    for (const auto& row : rows)
    {
        CQVBorderFinder finder(w, h);
        for (const tagQVCropValues& picture : row.pictures)
            EXPECT_TRUE(finder.AddSample(Picture(w, h, picture).data(), w)) << row.szCase;
        tagQVCropValues found;
        ASSERT_TRUE(finder.GetPictureRect(&found)) << row.szCase;
        EXPECT_TRUE(SameRect(found, row.expected)) << row.szCase;
    }
}

TEST(BorderFinder, BlackSamplesDoNotCountAndNoiseUpToTheAllowanceIsStillBlack)
{
    const int w = 200, h = 100;
    CQVBorderFinder finder(w, h);
    // A fade (black all over) and a picture of only dark luma (24 is still black).
    EXPECT_FALSE(finder.AddSample(Picture(w, h, {0, 0, 0, 0}).data(), w));
    EXPECT_FALSE(finder.AddSample(Picture(w, h, {0, 0, w, h}, 24).data(), w));
    tagQVCropValues found;
    EXPECT_FALSE(finder.GetPictureRect(&found));
    EXPECT_EQ(finder.UsableSamples(), 0);

    // Specks in the bars: as many as the allowance in a bar row (and in a bar column
    // across the picture's rows) are noise; one more makes the line part of the picture.
    const tagQVCropValues picture{20, 20, 160, 60};
    const int nRowAllowance = CQVBorderFinder::NoiseAllowance(w);
    const int nColumnAllowance = CQVBorderFinder::NoiseAllowance(picture.h);
    EXPECT_EQ(nRowAllowance, 10);
    EXPECT_EQ(nColumnAllowance, 3);
    for (int nExtra : {0, 1})
    {
        std::vector<uint8_t> luma = Picture(w, h, picture);
        for (int i = 0; i < nRowAllowance + nExtra; ++i)
            luma[static_cast<size_t>(4) * w + 3 * i] = 200; // row 4, a top bar row
        for (int i = 0; i < nColumnAllowance + nExtra; ++i)
            luma[static_cast<size_t>(25 + 7 * i) * w + 190] = 200; // column 190, right bar
        CQVBorderFinder speckled(w, h);
        ASSERT_TRUE(speckled.AddSample(luma.data(), w));
        ASSERT_TRUE(speckled.GetPictureRect(&found));
        const tagQVCropValues expected =
            nExtra == 0 ? picture : tagQVCropValues{20, 4, 170, 76}; // 190 + 1 rounds to 190
        EXPECT_TRUE(SameRect(found, expected)) << nExtra << " speck(s) over the allowance";
    }
}

class BorderDetection : public ::testing::Test
{
protected:
    // Makes a clip in the scratch folder from ffmpeg input and filter arguments.
    std::string Make(const std::string& name, const std::string& arguments)
    {
        const std::string path = scratch / name;
        EXPECT_TRUE(RunFFmpeg(arguments + " \"" + path + "\"")) << name;
        return path;
    }
    static std::string X264() { return " -c:v libx264 -preset ultrafast -crf 18 -pix_fmt yuv420p"; }

    CQVScratchFolder scratch;
};

TEST_F(BorderDetection, FindsThePictureOfGeneratedClipsExactly)
{
    const struct
    {
        const char* szName;
        std::string arguments;
        tagQVCropValues expected;
    } clips[] = {
        {"letterbox.mp4",
         "-f lavfi -i testsrc2=s=1920x800:r=8:d=2 -vf pad=1920:1080:0:140:black" + X264(),
         {0, 140, 1920, 800}},
        {"pillarbox.mp4",
         "-f lavfi -i testsrc2=s=240x240:r=10:d=2 -vf pad=320:240:40:0:black" + X264(),
         {40, 0, 240, 240}},
        {"windowbox.mp4",
         "-f lavfi -i testsrc2=s=256x180:r=10:d=2 -vf pad=320:240:32:30:black" + X264(),
         {32, 30, 256, 180}},
        // Bright, then a dark scene with one small lit object, then bright again.
        {"dark_scene.mp4",
         "-f lavfi -i testsrc2=s=320x160:r=10:d=1 -f lavfi -i color=black:s=320x160:r=10:d=1 "
         "-f lavfi -i testsrc2=s=320x160:r=10:d=1 -filter_complex "
         "\"[1]drawbox=x=140:y=60:w=40:h=40:color=gray:t=fill[dark];"
         "[0][dark][2]concat=n=3,pad=320:240:0:40:black\"" +
             X264(),
         {0, 40, 320, 160}},
        // Bars of grain below the threshold with 2 % bright specks; kept lossless so that
        // the specks stay specks.
        {"noisy_bars.mkv",
         "-f lavfi -i testsrc2=s=320x160:r=10:d=2 -vf \"pad=320:240:0:40:black,format=yuv420p,"
         "geq=lum='if(between(Y,40,199),lum(X,Y),if(lt(random(1),0.02),200,16+6*random(2)))'"
         ":cb='cb(X,Y)':cr='cr(X,Y)'\" -c:v ffv1",
         {0, 40, 320, 160}},
        {"no_borders.mp4", "-f lavfi -i testsrc2=s=320x240:r=10:d=2" + X264(), {0, 0, 320, 240}},
        // A phone's HDR clip: PQ, BT.2020, 10 bits, letterboxed.
        {"letterbox_pq.mp4",
         "-f lavfi -i testsrc2=s=320x160:r=10:d=2 -vf \"pad=320:240:0:40:black,zscale=tin=709:"
         "pin=709:min=709:t=smpte2084:p=2020:m=2020_ncl:r=tv:npl=203,format=yuv420p10le\" "
         "-c:v libx265 -crf 12 -x265-params log-level=0 -color_primaries bt2020 -color_trc "
         "smpte2084 -colorspace bt2020nc",
         {0, 40, 320, 160}},
    };
    for (const auto& clip : clips)
    {
        const std::string path = Make(clip.szName, clip.arguments);
        tagQVCropValues found;
        int nSamples = 0;
        ASSERT_EQ(DetectPictureRect(path, 0, 0, nullptr, &found, &nSamples), EQVBorderResult::Found)
            << clip.szName;
        EXPECT_GE(nSamples, kBorderSampleCount) << clip.szName;
        EXPECT_TRUE(SameRect(found, clip.expected)) << clip.szName;
    }
}

TEST_F(BorderDetection, BlackClipsAndFilesWithoutVideoFindNothing)
{
    const std::string black =
        Make("black.mp4", "-f lavfi -i color=black:s=160x120:r=10:d=2" + X264());
    const std::string sound = Make("sound.m4a", "-f lavfi -i sine=d=1 -c:a aac");
    tagQVCropValues found{1, 2, 3, 4};
    EXPECT_EQ(DetectPictureRect(black, 0, 0, nullptr, &found), EQVBorderResult::NoUsableSample);
    EXPECT_EQ(DetectPictureRect(sound, 0, 0, nullptr, &found), EQVBorderResult::CannotOpen);
    EXPECT_EQ(DetectPictureRect(scratch / "missing.mp4", 0, 0, nullptr, &found),
              EQVBorderResult::CannotOpen);
    EXPECT_TRUE(SameRect(found, {1, 2, 3, 4}));

    const std::atomic<bool> bCancel{true};
    const std::string clip = Make("clip.mp4", "-f lavfi -i testsrc2=s=160x120:r=10:d=2" + X264());
    EXPECT_EQ(DetectPictureRect(clip, 0, 0, &bCancel, &found), EQVBorderResult::Cancelled);
}
