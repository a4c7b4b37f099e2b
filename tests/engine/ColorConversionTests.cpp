// Colours through whole conversions: the output says which colours it holds, and read back
// with what it says (or, without a description, with what players assume for its size) it
// shows the source's colours, on both frame paths.
#include "probe/CQVFFMpegStillCapture.h"
#include "project/FrontEndProject.h"
#include "project/ProjectWriter.h"
#include "protocol/SharedControlBlock.h"
#include "tests/support/CQVEngineDriver.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>

using namespace qv;
using qv::test::CQVEngineDriver;

namespace
{

constexpr int kTimeoutMs = 120000;

// A still test picture (colour bars, gradients) of the size, as a PNG. Softened: what is
// measured is colour, not how sharp colour edges survive 4:2:0 (a matrix read wrongly costs
// 9 dB and more; edges of the bars sampled anew cost a few).
std::string StillPicture(const test::CQVTestFolder& folder, int nWidth, int nHeight)
{
    const std::string size = std::to_string(nWidth) + "x" + std::to_string(nHeight);
    const std::string path = folder / ("still-" + size + ".png");
    if (!test::RunFFmpeg("-f lavfi -i testsrc2=size=" + size + " -vf gblur=sigma=2 -frames:v 1 \"" +
                         path + "\""))
        return std::string();
    return path;
}

// One second of the picture at 30 fps, encoded with the given filter and options.
std::string MakeClip(const test::CQVTestFolder& folder, const std::string& name,
                     const std::string& picture, const std::string& arguments)
{
    const std::string path = folder / name;
    if (!test::RunFFmpeg("-loop 1 -framerate 30 -t 1 -i \"" + picture + "\" " + arguments + " \"" +
                         path + "\""))
        return std::string();
    return path;
}

// ffprobe's colour fields of the first video stream.
std::map<std::string, std::string> ColorTags(const std::string& path)
{
    std::string out;
    test::RunProgram("ffprobe",
                     {"-v", "error", "-select_streams", "v:0", "-show_entries",
                      "stream=color_space,color_transfer,color_primaries,color_range", "-of",
                      "default=nw=1", path},
                     &out, nullptr);
    std::map<std::string, std::string> tags;
    std::smatch match;
    const std::regex line("([a-z_]+)=([A-Za-z0-9-]+)");
    for (auto it = out.cbegin(); std::regex_search(it, out.cend(), match, line);
         it = match.suffix().first)
        tags[match[1]] = match[2];
    return tags;
}

// PSNR over R, G and B between the output, read with its matrix and range, and the
// source's crop, read with the source's (cropped in RGB: the crop filter's exact mode
// misplaces the planes of 10-bit pictures).
double RgbPsnr(const std::string& output, const std::string& outputMatrix,
               const std::string& outputRange, const std::string& source,
               const std::string& sourceMatrix, const std::string& sourceRange,
               const std::string& crop)
{
    std::string err;
    test::RunProgram("ffmpeg",
                     {"-hide_banner", "-i", output, "-i", source, "-lavfi",
                      "[0:v]scale=in_color_matrix=" + outputMatrix + ":in_range=" + outputRange +
                          ",format=gbrp[o];[1:v]scale=in_color_matrix=" + sourceMatrix +
                          ":in_range=" + sourceRange + ",format=gbrp,crop=" + crop +
                          "[r];[o][r]psnr=shortest=1",
                      "-f", "null", "-"},
                     nullptr, &err);
    std::smatch match;
    if (!std::regex_search(err, match, std::regex("average:([0-9.]+|inf)")))
        return 0.0;
    return match[1] == "inf" ? 99.0 : std::stod(match[1]);
}

tagQVOutputSettings Settings(int nOutputFormat, int nWidth, int nHeight)
{
    tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[5];
    settings.nWidth = nWidth;
    settings.nHeight = nHeight;
    settings.nOutputFormat = nOutputFormat;
    settings.nQuality = nOutputFormat == 0 ? 12 : 2;
    settings.nAudioChannels = 1;
    settings.nAudioSampleRate = 44100;
    settings.nAudioBitrate = 128;
    return settings;
}

// Converts the crop of the source; bComposed gives the item a rotation by 0 degrees, which
// changes no pixel but sends every frame through the composed path.
bool Convert(const std::string& source, int nSourceW, int nSourceH, int x, int y, int w, int h,
             bool bComposed, int nOutputFormat, const std::string& output)
{
    CQVEngineDriver driver;
    if (!driver.Ready() || !driver.CreateBlock())
        return false;
    tagQVJobRow row;
    row.source = source;
    row.dDuration = row.dEndTime = 1.0;
    row.nVideoWidth = nSourceW;
    row.nVideoHeight = nSourceH;
    row.bCropped = true;
    row.crop.enablecrop = 1;
    row.crop.xcrop = x;
    row.crop.ycrop = y;
    row.crop.wcrop = w;
    row.crop.hcrop = h;
    ProjectTimeline project = BuildJobProject(row, 1);
    if (bComposed)
    {
        auto pRotation = std::make_unique<tagQVRotationData>();
        pRotation->enablerotation = 1;
        project.FindLine(0)->items.front()->pRotation = std::move(pRotation);
    }
    if (!WriteProjectFile(project, 5, driver.ProgramPath("tmp/qvengine.qvprj")) ||
        !driver.StartConversion(output, Settings(nOutputFormat, w, h)) || !driver.Launch())
        return false;
    tagQVProcessExit exit;
    return driver.WaitForExit(kTimeoutMs, &exit) && exit.bExited &&
           exit.nExitCode == kEngineCompleted;
}

// Mean HSV saturation and mean BT.709 luma (0..1) of 8-bit RGB pixels, nStep bytes apart,
// in the order of RGB or BGR (the luma weights follow the order).
struct tagQVColourMeans
{
    double dSaturation = 0.0;
    double dBrightness = 0.0;
};
tagQVColourMeans ColourMeans(const uint8_t* pPixels, size_t nCount, int nStep, bool bBgr)
{
    tagQVColourMeans means;
    for (size_t i = 0; i < nCount; ++i)
    {
        const uint8_t* p = pPixels + i * nStep;
        const double r = p[bBgr ? 2 : 0], g = p[1], b = p[bBgr ? 0 : 2];
        const double dMax = std::max({r, g, b}), dMin = std::min({r, g, b});
        means.dSaturation += dMax > 0.0 ? (dMax - dMin) / dMax : 0.0;
        means.dBrightness += (0.2126 * r + 0.7152 * g + 0.0722 * b) / 255.0;
    }
    means.dSaturation /= double(nCount);
    means.dBrightness /= double(nCount);
    return means;
}

// The first picture of a file as RGB, read with its own description.
tagQVColourMeans FileColourMeans(const test::CQVTestFolder& folder, const std::string& path)
{
    const std::string raw = folder / "means.rgb";
    std::string bytes;
    if (!test::RunFFmpeg("-i \"" + path + "\" -frames:v 1 -f rawvideo -pix_fmt rgb24 \"" + raw +
                         "\"") ||
        !test::ReadWholeFile(raw, &bytes) || bytes.empty())
        return tagQVColourMeans();
    return ColourMeans(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size() / 3, 3, false);
}

TEST(ColorConversion, OutputsSayTheirColoursAndShowTheSources)
{
    test::CQVTestFolder folder;
    const std::string hd = StillPicture(folder, 1280, 720);
    const std::string sd = StillPicture(folder, 640, 360);
    ASSERT_FALSE(hd.empty());
    ASSERT_FALSE(sd.empty());
    const std::string bt709 = " -color_primaries bt709 -color_trc bt709 -colorspace bt709";
    const struct
    {
        const char* szName;
        std::string source;
        int nWidth, nHeight;
        const char* szMatrix; // what the source's pixels are
        const char* szRange;
        int nOutputFormat;  // 0 MP4 (H.264), 3 AVI (MPEG-4 part 2: no description)
        const char* szTags; // primaries/transfer/matrix/range the output says
    } cases[] = {
        {"tagged HD",
         MakeClip(folder, "tagged-hd.mp4", hd,
                  "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv420p "
                  "-c:v libx264 -crf 10" +
                      bt709 + " -color_range tv"),
         1280, 720, "bt709", "tv", 0, "bt709/bt709/bt709/tv"},
        {"untagged HD",
         MakeClip(folder, "untagged-hd.mp4", hd,
                  "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv420p "
                  "-c:v libx264 -crf 10"),
         1280, 720, "bt709", "tv", 0, "bt709/bt709/bt709/tv"},
        {"untagged SD",
         MakeClip(folder, "untagged-sd.mp4", sd,
                  "-vf scale=out_color_matrix=bt601:out_range=tv,format=yuv420p "
                  "-c:v libx264 -crf 10"),
         640, 360, "bt601", "tv", 0, "smpte170m/smpte170m/smpte170m/tv"},
        {"full-range HEVC",
         MakeClip(folder, "full.mp4", sd,
                  "-vf scale=out_color_matrix=bt709:out_range=pc,format="
                  "yuv420p10le -c:v libx265 -crf 8 -x265-params log-level=0" +
                      bt709 + " -color_range pc"),
         640, 360, "bt709", "pc", 0, "bt709/bt709/bt709/tv"},
        // No description in the stream: the pixels become what players assume for SD.
        {"tagged HD to AVI",
         MakeClip(folder, "tagged-hd-avi.mp4", hd,
                  "-vf scale=out_color_matrix=bt709:out_range=tv,format="
                  "yuv420p -c:v libx264 -crf 10" +
                      bt709 + " -color_range tv"),
         1280, 720, "bt709", "tv", 3, "unknown/unknown/unknown/unknown"},
    };
    for (const auto& c : cases)
    {
        ASSERT_FALSE(c.source.empty()) << c.szName;
        // An HD source cropped to an SD size, an SD one to a smaller one.
        const bool bHd = c.nWidth > 1024;
        const int x = bHd ? 100 : 40, y = bHd ? 60 : 20, w = bHd ? 640 : 320, h = bHd ? 360 : 240;
        const std::string crop = std::to_string(w) + ":" + std::to_string(h) + ":" +
                                 std::to_string(x) + ":" + std::to_string(y);
        for (bool bComposed : {false, true})
        {
            SCOPED_TRACE(std::string(c.szName) + (bComposed ? ", composed" : ", direct"));
            const std::string output = folder / (std::string("out") + (bComposed ? "-c" : "-d") +
                                                 (c.nOutputFormat == 3 ? ".avi" : ".mp4"));
            ASSERT_TRUE(Convert(c.source, c.nWidth, c.nHeight, x, y, w, h, bComposed,
                                c.nOutputFormat, output));
            auto tags = ColorTags(output);
            const std::string said = tags["color_primaries"] + "/" + tags["color_transfer"] + "/" +
                                     tags["color_space"] + "/" + tags["color_range"];
            EXPECT_EQ(said, c.szTags);
            // Read back as a player does: the output's description, or the rule for its size.
            const std::string matrix = tags["color_space"] == "bt709" ? "bt709" : "bt601";
            const std::string range = tags["color_range"] == "pc" ? "pc" : "tv";
            EXPECT_GE(RgbPsnr(output, matrix, range, c.source, c.szMatrix, c.szRange, crop), 33.0);
        }
    }
}

TEST(ColorConversion, AFullRangeSourceComesOutWithLimitedRangeLevels)
{
    test::CQVTestFolder folder;
    // Black on the left, white on the right, full range 10-bit HEVC.
    const std::string source = folder / "levels.mp4";
    ASSERT_TRUE(test::RunFFmpeg("-f lavfi -i color=white:s=320x240:r=30:d=1 -vf "
                                "drawbox=x=0:y=0:w=160:h=240:color=black:t=fill,scale=out_range=pc,"
                                "format=yuv420p10le -c:v libx265 -crf 4 -x265-params log-level=0 "
                                "-color_range pc -colorspace bt709 \"" +
                                source + "\""));
    for (bool bComposed : {false, true})
    {
        SCOPED_TRACE(bComposed ? "composed" : "direct");
        const std::string output = folder / (bComposed ? "levels-c.mp4" : "levels-d.mp4");
        ASSERT_TRUE(Convert(source, 320, 240, 0, 0, 320, 240, bComposed, 0, output));
        // The luma plane as stored: the first 320 x 240 bytes of a raw 4:2:0 picture.
        const std::string raw = folder / "levels.yuv";
        ASSERT_TRUE(test::RunFFmpeg("-i \"" + output +
                                    "\" -frames:v 1 -f rawvideo -pix_fmt yuv420p \"" + raw + "\""));
        std::string bytes;
        ASSERT_TRUE(test::ReadWholeFile(raw, &bytes));
        ASSERT_EQ(bytes.size(), 320u * 240u * 3 / 2);
        const int nBlack = static_cast<uint8_t>(bytes[120 * 320 + 60]);
        const int nWhite = static_cast<uint8_t>(bytes[120 * 320 + 260]);
        EXPECT_NEAR(nBlack, 16, 2);
        EXPECT_NEAR(nWhite, 235, 2);
    }
}

// Phone clips in HDR: the same picture made PQ and HLG at 10 bits comes out as SDR with the
// original's saturation and brightness, from both frame paths and in the crop dialog's still.
TEST(ColorConversion, HdrSourcesComeOutAsTheSdrPicture)
{
    test::CQVTestFolder folder;
    const std::string sdr = folder / "sdr.png";
    ASSERT_TRUE(test::RunFFmpeg("-f lavfi -i testsrc2=size=640x360 -frames:v 1 \"" + sdr + "\""));
    const tagQVColourMeans original = FileColourMeans(folder, sdr);
    ASSERT_GT(original.dSaturation, 0.3);
    const struct
    {
        const char* szName;
        const char* szTransfer;
    } kinds[] = {{"PQ", "smpte2084"}, {"HLG", "arib-std-b67"}};
    for (const auto& kind : kinds)
    {
        // Reference white (SDR white) at 203 cd/m², BT.2020, 10 bits, tagged.
        const std::string hdr =
            MakeClip(folder, std::string(kind.szName) + ".mp4", sdr,
                     std::string("-vf zscale=tin=709:pin=709:t=") + kind.szTransfer +
                         ":p=2020:m=2020_ncl:r=tv:npl=203,format=yuv420p10le -c:v libx265 -crf 12 "
                         "-x265-params log-level=0 -color_primaries bt2020 -color_trc " +
                         kind.szTransfer + " -colorspace bt2020nc -color_range tv");
        ASSERT_FALSE(hdr.empty()) << kind.szName;
        for (bool bComposed : {false, true})
        {
            SCOPED_TRACE(std::string(kind.szName) + (bComposed ? ", composed" : ", direct"));
            const std::string output = folder / (bComposed ? "hdr-c.mp4" : "hdr-d.mp4");
            ASSERT_TRUE(Convert(hdr, 640, 360, 0, 0, 640, 360, bComposed, 0, output));
            auto tags = ColorTags(output);
            EXPECT_EQ(tags["color_primaries"] + "/" + tags["color_transfer"] + "/" +
                          tags["color_space"],
                      "bt709/bt709/bt709");
            const tagQVColourMeans means = FileColourMeans(folder, output);
            EXPECT_GE(means.dSaturation, 0.9 * original.dSaturation);
            EXPECT_GE(means.dBrightness, 0.75 * original.dBrightness);
            EXPECT_LE(means.dBrightness, 1.25 * original.dBrightness);
        }
        SCOPED_TRACE(std::string(kind.szName) + ", still");
        CQVFFMpegStillCapture still(hdr, true);
        ASSERT_TRUE(still.GetFrameAtTime(0.5));
        ASSERT_TRUE(still.ConvertFrame(nullptr, nullptr, nullptr, nullptr, nullptr));
        std::vector<uint8_t> pixels;
        for (int y = 0; y < still.ImageHeight(); ++y)
            pixels.insert(pixels.end(), still.ImageData() + y * still.ImageStride(),
                          still.ImageData() + y * still.ImageStride() + still.ImageWidth() * 4);
        const tagQVColourMeans means = ColourMeans(pixels.data(), pixels.size() / 4, 4, true);
        EXPECT_GE(means.dSaturation, 0.9 * original.dSaturation);
        EXPECT_GE(means.dBrightness, 0.75 * original.dBrightness);
        EXPECT_LE(means.dBrightness, 1.25 * original.dBrightness);
    }
}

} // namespace
