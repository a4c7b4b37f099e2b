// Windows Media output through the engine process: the front-end saves "tmp/wmv.prx",
// the engine writes the file the profile describes.
#include "formats/CQVChoiceVector.h"
#include "formats/WindowsMediaProfile.h"
#include "project/FrontEndProject.h"
#include "project/ProjectWriter.h"
#include "protocol/SharedControlBlock.h"
#include "tests/support/CQVEngineDriver.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestMedia.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace qv;
using qv::test::CQVEngineDriver;

namespace
{

constexpr int kTimeoutMs = 120000;
constexpr double kSeconds = 2.0;

// 320 x 240 moving test pattern at 30 fps with a 440 Hz tone.
const std::string& SourceClip()
{
    static std::string path;
    if (path.empty())
    {
        std::string made = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/vantrel-wmv-source-" + std::to_string(getuid()) + ".mp4";
        if (test::RunFFmpeg("-f lavfi -i testsrc2=size=320x240:rate=30:duration=2 -f lavfi -i "
                            "sine=frequency=440:sample_rate=44100:duration=2 -c:v libx264 "
                            "-preset veryfast -crf 12 -pix_fmt yuv420p -c:a aac -b:a 192k "
                            "-shortest \"" +
                            made + "\""))
            path = made;
    }
    return path;
}

std::string JobProject(CQVEngineDriver& driver)
{
    tagQVJobRow row;
    row.source = SourceClip();
    row.dDuration = kSeconds;
    row.dEndTime = kSeconds;
    row.bHadAudio = 1;
    row.nVideoWidth = 320;
    row.nVideoHeight = 240;
    const std::string path = driver.ProgramPath("tmp/job.qvprj");
    std::string bytes;
    if (!WriteProjectFile(BuildJobProject(row, 1), 4, path) || !test::ReadFileBytes(path, &bytes))
        return "";
    return bytes;
}

// The record as the front-end holds it after start-up and a visit to the settings.
tagQVOutputSettings WmvRecord(int32_t nType, int32_t nKbps)
{
    tagQVOutputSettings record = DefaultPresets(PresetTable::FrontEnd)[4];
    EXPECT_EQ(ChooseDefaultWindowsMediaCodecs(&record), 0);
    record.nOutputFormat = nType;
    record.nSizeMode = 1;
    record.nVideoBitrate = nKbps;
    record.nWidth = 320;
    record.nHeight = 240;
    return record;
}

int32_t FormatCode(int32_t nCodec, const std::string& description)
{
    std::unique_ptr<CQVWmProfileManager> pManager;
    EXPECT_EQ(CQVWmProfileManager::Create(&pManager), 0);
    CQVChoiceVector list;
    EXPECT_EQ(FillWmaFormatList(*pManager, &list, nCodec, 0), 0);
    for (const auto& item : list.Items())
    {
        if (item.text == description)
            return item.nValue;
    }
    ADD_FAILURE() << description;
    return 0;
}

// Bytes of a stream's packets.
int64_t PacketBytes(const std::string& path, const char* pszStream)
{
    std::string out;
    if (test::RunProgram("ffprobe",
                         {"-v", "error", "-select_streams", pszStream, "-show_entries",
                          "packet=size", "-of", "csv=p=0", path},
                         &out, nullptr) != 0)
        return -1;
    int64_t nBytes = 0;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        nBytes += std::atoll(line.c_str());
    return nBytes;
}

int64_t DeclaredBitrate(const std::string& path, const char* pszStream)
{
    std::string out;
    if (test::RunProgram("ffprobe",
                         {"-v", "error", "-select_streams", pszStream, "-show_entries",
                          "stream=bit_rate", "-of", "csv=p=0", path},
                         &out, nullptr) != 0)
        return -1;
    return std::atoll(out.c_str());
}

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Saves the profile as the render flow does, then runs the job. Returns the exit code.
int RunJob(CQVEngineDriver& driver, const tagQVOutputSettings& record, const std::string& output)
{
    std::string project = JobProject(driver);
    if (project.empty() || !driver.CreateBlock() ||
        !driver.StartConversion(output, record, project) || !driver.Launch())
        return -1;
    tagQVProcessExit exit;
    if (!driver.WaitForExit(kTimeoutMs, &exit) || !exit.bExited)
        return -1;
    return exit.nExitCode;
}

} // namespace

TEST(WindowsMediaOutput, AWmvFileCarriesTheProfilesStreams)
{
    ASSERT_FALSE(SourceClip().empty());
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    // With one key frame in two seconds the encoder's average runs high at low rates;
    // this one it meets.
    tagQVOutputSettings record = WmvRecord(7, 1500);
    record.nWmaFormat = FormatCode(0, "96 kbps, 44 kHz, mono CBR");
    std::string message;
    ASSERT_EQ(BuildWmvProfile(record, driver.ProgramPath("tmp/wmv.prx"), &message), 1) << message;
    // The profile decides the size: the record the engine reads says otherwise.
    tagQVOutputSettings engineRecord = record;
    engineRecord.nWidth = 160;
    engineRecord.nHeight = 120;
    const std::string output = driver.ProgramPath("(output001)clip.wmv");
    ASSERT_EQ(RunJob(driver, engineRecord, output), kEngineCompleted);
    EXPECT_EQ(driver.Block()->nState, kStateIdle);
    EXPECT_DOUBLE_EQ(driver.Block()->dPosition, kSeconds);

    const test::tagQVProbe probe = test::ProbeFile(output);
    ASSERT_TRUE(probe.bOk);
    EXPECT_EQ(probe.formatName, "asf");
    ASSERT_EQ(probe.streams.size(), 2u);
    const test::tagQVProbeStream* pVideo = probe.Find("video");
    const test::tagQVProbeStream* pAudio = probe.Find("audio");
    ASSERT_NE(pVideo, nullptr);
    ASSERT_NE(pAudio, nullptr);
    EXPECT_EQ(pVideo->codecName, "wmv2");
    EXPECT_EQ(pVideo->width, 320);
    EXPECT_EQ(pVideo->height, 240);
    EXPECT_EQ(pVideo->rFrameRate, "30/1");
    EXPECT_EQ(pVideo->readFrames, 60);
    EXPECT_EQ(pAudio->codecName, "wmav2");
    EXPECT_EQ(pAudio->sampleRate, 44100);
    EXPECT_EQ(pAudio->channels, 1);
    EXPECT_EQ(DeclaredBitrate(output, "a:0"), 96000);
    EXPECT_NEAR(PacketBytes(output, "a:0") * 8.0 / kSeconds, 96000.0, 96000.0 * 0.1);
    EXPECT_NEAR(PacketBytes(output, "v:0") * 8.0 / kSeconds, 1536000.0, 1536000.0 * 0.25)
        << "1500 kbit/s x 1024";
    const std::string types = test::FrameTypes(output);
    EXPECT_EQ(std::count(types.begin(), types.end(), 'I'), 1) << "a key frame every 8 s";

    // The source's picture, composed at the profile's size, not a black one.
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(test::DecodeFrameBgra(output, 30, 320, 240, &pixels));
    int64_t nSum = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        nSum += pixels[i] + pixels[i + 1] + pixels[i + 2];
    EXPECT_GT(nSum / static_cast<int64_t>(pixels.size() / 4), 90);
}

TEST(WindowsMediaOutput, AnAsfFileTakesTheOtherCodecsOfItsProfile)
{
    ASSERT_FALSE(SourceClip().empty());
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    tagQVOutputSettings record = WmvRecord(8, 300);
    record.nWmvCodec = 1;
    record.nWmaCodec = 1;
    record.nWmaFormat = FormatCode(1, "48 kbps, 32 kHz, stereo CBR");
    ASSERT_EQ(BuildWmvProfile(record, driver.ProgramPath("tmp/wmv.prx"), nullptr), 1);
    const std::string output = driver.ProgramPath("(output002)clip.asf");
    ASSERT_EQ(RunJob(driver, record, output), kEngineCompleted);

    const test::tagQVProbe probe = test::ProbeFile(output);
    ASSERT_TRUE(probe.bOk);
    EXPECT_EQ(probe.formatName, "asf");
    const test::tagQVProbeStream* pVideo = probe.Find("video");
    const test::tagQVProbeStream* pAudio = probe.Find("audio");
    ASSERT_NE(pVideo, nullptr);
    ASSERT_NE(pAudio, nullptr);
    EXPECT_EQ(pVideo->codecName, "wmv1");
    EXPECT_EQ(pVideo->width, 320);
    EXPECT_EQ(pVideo->height, 240);
    EXPECT_EQ(pVideo->rFrameRate, "30/1");
    EXPECT_EQ(pAudio->codecName, "wmav1");
    EXPECT_EQ(pAudio->sampleRate, 32000);
    EXPECT_EQ(pAudio->channels, 2);
    EXPECT_EQ(DeclaredBitrate(output, "a:0"), 48000);
    EXPECT_NEAR(PacketBytes(output, "a:0") * 8.0 / kSeconds, 48000.0, 48000.0 * 0.1);
}

TEST(WindowsMediaOutput, AMissingOrUnreadableProfileFailsTheJob)
{
    ASSERT_FALSE(SourceClip().empty());
    // No file, bytes that are no text, the start of a profile cut short.
    const std::string profiles[] = {"", "not a profile", std::string("<\0p\0r\0", 6)};
    for (const std::string& profile : profiles)
    {
        CQVEngineDriver driver;
        ASSERT_TRUE(driver.Ready());
        if (!profile.empty())
        {
            ASSERT_TRUE(driver.WriteJobFile("tmp/wmv.prx", profile));
        }
        const std::string output = driver.ProgramPath("failed.wmv");
        EXPECT_EQ(RunJob(driver, WmvRecord(7, 400), output), kEngineFailed) << profile;
        EXPECT_EQ(driver.Block()->nState, kStateIdle);
        EXPECT_EQ(driver.Block()->bEngineClosed, 1);
        EXPECT_EQ(driver.Block()->bGraphRunning, 0);
        EXPECT_FALSE(Exists(output));
    }
}
