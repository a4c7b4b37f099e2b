// The H.265, AV1 and VP9 output types through the engine process, on half a second of small
// pictures (the shortest job): each file has its container, codecs, tag, size, pictures and
// the source's colour description and decodes cleanly; an AV1 picture below the encoder's smallest
// side and a type the engine does not know end the engine with a failure and no file.
#include "encode/OutputTypes.h"
#include "project/FrontEndProject.h"
#include "project/ProjectWriter.h"
#include "protocol/SharedControlBlock.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestMedia.h"
#include "tests/support/CQVEngineDriver.h"

#include <gtest/gtest.h>

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

// The engine's exit code for a conversion of the clip to the type and size.
int Convert(CQVEngineDriver& driver, int32_t nType, int nWidth, int nHeight,
            const std::string& output)
{
    tagQVJobRow row;
    row.source = TinyClip();
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
