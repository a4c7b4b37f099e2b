// The output keeps when, where and with what its source was recorded: creation time,
// location, make and model as tags where the container holds them, and the source file's
// modification time.
#include "probe/MediaInfoProbe.h"
#include "project/FrontEndProject.h"
#include "project/ProjectWriter.h"
#include "protocol/SharedControlBlock.h"
#include "tests/support/CQVEngineDriver.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestMedia.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>

using namespace qv;
using qv::test::CQVEngineDriver;

namespace
{

constexpr int kTimeoutMs = 120000;
const char* const kCreation = "2021-06-01T10:20:30.000000Z";
const char* const kLocation = "+48.8584+002.2945+035.000/";
const char* const kMake = "Acme";
const char* const kModel = "Acme One";
// 2021-06-01 10:20:30.25 UTC
constexpr struct timespec kSourceTime = {1622542830, 250000000};

// The container's tags, keys in lower case.
std::map<std::string, std::string> FormatTags(const std::string& path)
{
    std::string out;
    std::map<std::string, std::string> tags;
    test::RunProgram("ffprobe",
                     {"-v", "error", "-show_entries", "format_tags", "-of", "default=nw=1", path},
                     &out, nullptr);
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
    {
        const size_t nEqual = line.find('=');
        if (line.rfind("TAG:", 0) != 0 || nEqual == std::string::npos)
            continue;
        std::string key = line.substr(4, nEqual - 4);
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        tags[key] = line.substr(nEqual + 1);
    }
    return tags;
}

} // namespace

TEST(SourceFactsConversion, DatesPlaceAndCameraSurviveAndTheFileTimeIsTheSources)
{
    const std::string numbered =
        test::NumberedClipPath(test::ENumberedContainer::Mp4BFrames, "25", 25);
    ASSERT_FALSE(numbered.empty());
    test::CQVScratchFolder folder;
    // A phone's MP4 with QuickTime keys, and a Matroska file with plain tags.
    struct tagSource
    {
        std::string path;
        std::string tagging;
    };
    const tagSource kSources[] = {
        {folder / "phone.mp4", std::string("-metadata com.apple.quicktime.location.ISO6709=") +
                                   kLocation + " -metadata com.apple.quicktime.make=" + kMake +
                                   " -metadata \"com.apple.quicktime.model=" + kModel +
                                   "\" -movflags use_metadata_tags"},
        {folder / "camera.mkv", std::string("-metadata location=") + kLocation +
                                    " -metadata make=" + kMake + " -metadata \"model=" + kModel +
                                    "\""},
    };
    struct tagOutput
    {
        int32_t nType;
        const char* szName;
        bool bTags;
    };
    const tagOutput kOutputs[] = {
        {0, "out.mp4", true}, {6, "out.mov", true}, {13, "out.mkv", true}, {3, "out.avi", false}};

    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    for (const tagSource& source : kSources)
    {
        ASSERT_TRUE(test::RunFFmpeg("-i \"" + numbered + "\" -c copy -map_metadata -1 -metadata " +
                                    "creation_time=" + kCreation + " " + source.tagging + " \"" +
                                    source.path + "\""));
        const struct timespec times[2] = {kSourceTime, kSourceTime};
        ASSERT_EQ(utimensat(AT_FDCWD, source.path.c_str(), times, 0), 0);
        tagQVMediaInfo info;
        ASSERT_TRUE(ProbeMediaInfo(source.path, &info));
        tagQVJobRow row;
        row.source = source.path;
        row.dDuration = row.dEndTime = info.dDuration;
        row.nVideoWidth = info.nWidth;
        row.nVideoHeight = info.nHeight;

        for (const tagOutput& output : kOutputs)
        {
            tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[5];
            settings.nWidth = 160;
            settings.nHeight = 120;
            settings.nOutputFormat = output.nType;
            const std::string path = driver.ProgramPath(output.szName);
            ASSERT_TRUE(driver.CreateBlock());
            ASSERT_TRUE(WriteProjectFile(BuildJobProject(row, 1), 5,
                                         driver.ProgramPath("tmp/qvengine.qvprj")));
            ASSERT_TRUE(driver.StartConversion(path, settings) && driver.Launch());
            tagQVProcessExit exit;
            ASSERT_TRUE(driver.WaitForExit(kTimeoutMs, &exit) && exit.bExited);
            ASSERT_EQ(exit.nExitCode, kEngineCompleted) << source.path << " " << output.szName;

            std::map<std::string, std::string> tags = FormatTags(path);
            const bool bQuickTime = output.nType != 13;
            const auto tag = [&](const char* pszQuickTime, const char* pszPlain)
            { return tags[bQuickTime ? pszQuickTime : pszPlain]; };
            const std::string what = source.path + " -> " + output.szName;
            if (output.bTags)
            {
                EXPECT_EQ(tags["creation_time"], kCreation) << what;
                EXPECT_EQ(tag("com.apple.quicktime.location.iso6709", "location"), kLocation)
                    << what;
                EXPECT_EQ(tag("com.apple.quicktime.make", "make"), kMake) << what;
                EXPECT_EQ(tag("com.apple.quicktime.model", "model"), kModel) << what;
            }
            struct stat written;
            ASSERT_EQ(stat(path.c_str(), &written), 0);
            EXPECT_EQ(written.st_mtim.tv_sec, kSourceTime.tv_sec) << what;
            EXPECT_EQ(written.st_mtim.tv_nsec, kSourceTime.tv_nsec) << what;
        }
    }
}
