// The H.265, AV1 and VP9 output types through the engine process, on half a second of small
// pictures (the shortest job): each file has its container, codecs, tag, size, pictures and
// the source's colour description and decodes cleanly; HDR sources stay HDR with their
// grading; an AV1 picture below the encoder's smallest side and a type the engine does not
// know end the engine with a failure and no file.
#include "formats/OutputTypes.h"
#include "project/FrontEndProject.h"
#include "project/ProjectWriter.h"
#include "protocol/SharedControlBlock.h"
#include "tests/support/CQVEngineDriver.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

using namespace qv;
using qv::test::CQVEngineDriver;

namespace
{

constexpr int kTimeoutMs = 120000;
constexpr int kPictures = 15; // half a second at 30 fps

// 128 x 72 test pattern in BT.709, half a second at 30 fps, with a tone.
const std::string& TinyClip()
{
    static std::string path;
    if (path.empty())
    {
        std::string made = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/vantrel-modern-source-709-" + std::to_string(getuid()) + ".mp4";
        if (test::RunFFmpeg(
                "-f lavfi -i testsrc2=size=128x72:rate=30 -f lavfi -i "
                "sine=frequency=440:sample_rate=44100 -frames:v 15 -t 0.5 -vf "
                "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p -c:v libx264 "
                "-color_primaries bt709 -color_trc bt709 -colorspace bt709 -color_range tv "
                "-c:a aac \"" +
                made + "\""))
            path = made;
    }
    return path;
}

// The same pictures at 10 bits in PQ, graded (mastering display and content light level in
// the HEVC pictures only, as phones write them), or in HLG without a grading.
const std::string& HdrClip(bool bPq)
{
    static std::string paths[2];
    std::string& path = paths[bPq ? 1 : 0];
    if (path.empty())
    {
        const char* pszTransfer = bPq ? "smpte2084" : "arib-std-b67";
        std::string made = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/vantrel-modern-source-" + pszTransfer + "-" +
                           std::to_string(getuid()) + ".mp4";
        const std::string grading = bPq ? ":master-display=G(13250,34500)B(7500,3000)R(34000,"
                                          "16000)WP(15635,16450)L(10000000,50):max-cll=1000,400"
                                        : "";
        if (test::RunFFmpeg(std::string("-f lavfi -i testsrc2=size=128x72:rate=30 -f lavfi -i "
                                        "sine=frequency=440:sample_rate=44100 -frames:v 15 -t 0.5 "
                                        "-vf format=gbrp,zscale=tin=709:pin=709:t=") +
                            pszTransfer +
                            ":p=2020:m=2020_ncl:r=tv:npl=203,format=yuv420p10le -c:v libx265 "
                            "-x265-params \"log-level=none:colorprim=bt2020:transfer=" +
                            pszTransfer + ":colormatrix=bt2020nc" + grading + "\" -c:a aac \"" +
                            made + "\""))
            path = made;
    }
    return path;
}

// The engine's exit code for a conversion of the clip to the type and size.
int Convert(CQVEngineDriver& driver, int32_t nType, int nWidth, int nHeight,
            const std::string& output, const std::string& source = TinyClip())
{
    tagQVJobRow row;
    row.source = source;
    row.dDuration = row.dEndTime = kPictures / 30.0;
    row.bHadAudio = 1;
    row.nVideoWidth = 128;
    row.nVideoHeight = 72;
    tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[5];
    settings.nWidth = nWidth;
    settings.nHeight = nHeight;
    settings.nOutputFormat = nType;
    settings.nSizeMode = 2;
    settings.nQuality = 25;
    settings.nAudioChannels = 1;
    settings.nAudioSampleRate = 44100;
    settings.nAudioBitrate = 96;
    if (!driver.CreateBlock() ||
        !WriteProjectFile(BuildJobProject(row, 1), 5, driver.ProgramPath("tmp/qvengine.qvprj")) ||
        !driver.StartConversion(output, settings) || !driver.Launch())
        return -1;
    tagQVProcessExit exit;
    if (!driver.WaitForExit(kTimeoutMs, &exit) || !exit.bExited)
        return -1;
    return exit.nExitCode;
}

// ffprobe's tag and colour fields of the first video stream, "/"-separated.
std::string VideoTagAndColours(const std::string& path)
{
    std::string out;
    test::RunProgram("ffprobe",
                     {"-v", "error", "-select_streams", "v:0", "-show_entries",
                      "stream=codec_tag_string,color_primaries,color_transfer,color_space,"
                      "color_range",
                      "-of", "default=nw=1:nk=1", path},
                     &out, nullptr);
    std::string said;
    for (char c : out)
        if (c != '\r')
            said += c == '\n' ? '/' : c;
    return said;
}

// The grading ffprobe reads on the video stream (bPictures false: the container's) or in
// its first picture: "mdcv <red, green, blue x in 1/50000> <peak, min in 1/10000 cd/m²>"
// and "clli <MaxCLL>,<MaxFALL>"; empty without one.
std::string Grading(const std::string& path, bool bPictures)
{
    const std::string fields = "=red_x,green_x,blue_x,max_luminance,min_luminance,max_content,"
                               "max_average";
    std::vector<std::string> arguments = {"-v", "error", "-select_streams", "v:0"};
    if (bPictures)
        arguments.insert(arguments.end(),
                         {"-read_intervals", "%+#1", "-show_entries", "frame_side_data" + fields});
    else
        arguments.insert(arguments.end(), {"-show_entries", "stream_side_data" + fields});
    arguments.insert(arguments.end(), {"-of", "default=nw=1", path});
    std::string out;
    test::RunProgram("ffprobe", arguments, &out, nullptr);
    std::map<std::string, long> values;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
    {
        const size_t nEquals = line.find('=');
        const size_t nSlash = line.find('/');
        if (nEquals == std::string::npos)
            continue;
        const double dValue =
            std::stod(line.substr(nEquals + 1)) /
            (nSlash == std::string::npos ? 1.0 : std::stod(line.substr(nSlash + 1)));
        const std::string key = line.substr(0, nEquals);
        const double dScale = key == "max_luminance"                         ? 1.0
                              : key == "min_luminance"                       ? 10000.0
                              : key == "max_content" || key == "max_average" ? 1.0
                                                                             : 50000.0;
        values[key] = std::lround(dValue * dScale);
    }
    std::string said;
    if (values.count("max_luminance"))
        said += "mdcv " + std::to_string(values["red_x"]) + "," +
                std::to_string(values["green_x"]) + "," + std::to_string(values["blue_x"]) + " " +
                std::to_string(values["max_luminance"]) + "," +
                std::to_string(values["min_luminance"]);
    if (values.count("max_content"))
        said += std::string(said.empty() ? "" : " ") + "clli " +
                std::to_string(values["max_content"]) + "," + std::to_string(values["max_average"]);
    return said;
}

} // namespace

TEST(ModernOutput, EachTypeWritesItsContainerCodecsAndPictures)
{
    ASSERT_FALSE(TinyClip().empty());
    const struct
    {
        int32_t nType;
        const char* pszFormat;
        const char* pszVideo;
        const char* pszTag;
        const char* pszAudio;
        int nSampleRate;
    } kCases[] = {
        {kOutputMp4Hevc, "mov,mp4,m4a,3gp,3g2,mj2", "hevc", "hvc1", "aac", 44100},
        {kOutputMp4Av1, "mov,mp4,m4a,3gp,3g2,mj2", "av1", "av01", "aac", 44100},
        {kOutputWebmVp9, "matroska,webm", "vp9", "[0][0][0][0]", "opus", 48000},
        {kOutputWebmAv1, "matroska,webm", "av1", "[0][0][0][0]", "opus", 48000},
    };
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.nType);
        CQVEngineDriver driver;
        ASSERT_TRUE(driver.Ready());
        const std::string output =
            driver.ProgramPath("out") + FindOutputType(c.nType)->pszExtension;
        ASSERT_EQ(Convert(driver, c.nType, 128, 72, output), kEngineCompleted);
        std::string errors;
        EXPECT_TRUE(test::DecodesCleanly(output, &errors)) << errors;
        const test::tagQVProbe probe = test::ProbeFile(output);
        ASSERT_TRUE(probe.bOk);
        EXPECT_EQ(probe.formatName, c.pszFormat);
        const test::tagQVProbeStream* pVideo = probe.Find("video");
        const test::tagQVProbeStream* pAudio = probe.Find("audio");
        ASSERT_NE(pVideo, nullptr);
        ASSERT_NE(pAudio, nullptr);
        EXPECT_EQ(pVideo->codecName, c.pszVideo);
        // The source's BT.709 description comes through.
        EXPECT_EQ(VideoTagAndColours(output), std::string(c.pszTag) + "/tv/bt709/bt709/bt709/");
        EXPECT_EQ(pVideo->width, 128);
        EXPECT_EQ(pVideo->height, 72);
        EXPECT_EQ(pVideo->readFrames, kPictures);
        EXPECT_EQ(pAudio->codecName, c.pszAudio);
        EXPECT_EQ(pAudio->sampleRate, c.nSampleRate);
    }
}

TEST(ModernOutput, AnAv1PictureBelowItsSmallestSideOrAnUnknownTypeFailsTheJob)
{
    ASSERT_FALSE(TinyClip().empty());
    const struct
    {
        int32_t nType;
        int nSide;
    } kCases[] = {{kOutputMp4Av1, 60}, {kOutputWebmAv1, 60}, {kOutputTypeCount, 64}, {-1, 64}};
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.nType);
        CQVEngineDriver driver;
        ASSERT_TRUE(driver.Ready());
        const std::string output = driver.ProgramPath("never.mp4");
        EXPECT_EQ(Convert(driver, c.nType, c.nSide, c.nSide, output), kEngineFailed);
        for (const std::string& file : test::ListFiles(driver.ProgramFolder()))
            EXPECT_EQ(file.find("never"), std::string::npos) << file;
    }
}

// PQ and HLG sources whose pictures go straight to the encoder come out at 10 bits with
// their own colours; a PQ grading is declared by the container and, where the codec has a
// place for it (H.265 SEI, AV1 metadata), in the pictures.
TEST(ModernOutput, HdrSourcesStayHdrInTheModernTypes)
{
    const std::string kGraded = "mdcv 34000,13250,7500 1000,50 clli 1000,400";
    const struct
    {
        bool bPq;
        int32_t nType;
        const char* pszColours;
        std::string stream, picture;
    } kCases[] = {
        {true, kOutputMp4Hevc, "yuv420p10le/bt2020nc/smpte2084/bt2020/", kGraded, kGraded},
        {true, kOutputMp4Av1, "yuv420p10le/bt2020nc/smpte2084/bt2020/", kGraded, kGraded},
        {true, kOutputWebmVp9, "yuv420p10le/bt2020nc/smpte2084/bt2020/", kGraded, ""},
        {true, kOutputWebmAv1, "yuv420p10le/bt2020nc/smpte2084/bt2020/", kGraded, kGraded},
        {false, kOutputMp4Hevc, "yuv420p10le/bt2020nc/arib-std-b67/bt2020/", "", ""},
        {false, kOutputWebmVp9, "yuv420p10le/bt2020nc/arib-std-b67/bt2020/", "", ""},
        {false, kOutputWebmAv1, "yuv420p10le/bt2020nc/arib-std-b67/bt2020/", "", ""},
    };
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(std::string(c.bPq ? "PQ" : "HLG") + " to type " + std::to_string(c.nType));
        ASSERT_FALSE(HdrClip(c.bPq).empty());
        CQVEngineDriver driver;
        ASSERT_TRUE(driver.Ready());
        const std::string output =
            driver.ProgramPath("out") + FindOutputType(c.nType)->pszExtension;
        ASSERT_EQ(Convert(driver, c.nType, 128, 72, output, HdrClip(c.bPq)), kEngineCompleted);
        std::string out;
        test::RunProgram("ffprobe",
                         {"-v", "error", "-select_streams", "v:0", "-show_entries",
                          "stream=pix_fmt,color_space,color_transfer,color_primaries", "-of",
                          "default=nw=1:nk=1", output},
                         &out, nullptr);
        std::string colours;
        for (char ch : out)
            if (ch != '\r')
                colours += ch == '\n' ? '/' : ch;
        EXPECT_EQ(colours, c.pszColours);
        EXPECT_EQ(Grading(output, false), c.stream);
        EXPECT_EQ(Grading(output, true), c.picture);
    }
}
