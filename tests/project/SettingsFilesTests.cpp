#include "ProjectTestSupport.h"
#include "project/AudioSubstitutes.h"
#include "project/CQVXmlDocument.h"
#include "project/SettingsFiles.h"

#include <gtest/gtest.h>

namespace qv
{
namespace
{

using projecttest::CScratchFolder;
using projecttest::ReadAll;
using projecttest::WriteAll;

std::string Utf16Le(const std::string& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii)
    {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

TEST(SettingsFiles, H264SettingsAreWrittenInModeThreeAndReadBack)
{
    CScratchFolder folder;
    const std::string path = folder / "h264.dat";
    tagQVH264Settings settings;
    settings.nProfileIndex = 2;
    settings.nPFrameIndex = 11;
    settings.nBFrameIndex = 0;
    ASSERT_TRUE(WriteH264Settings(path, settings));
    EXPECT_EQ(ReadAll(path), Utf16Le("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
                                     "<Settings nProfileIndex=\"2\" nPFrameIndex=\"11\""
                                     " nBFrameIndex=\"0\"/>\r\n"));
    tagQVH264Settings read;
    ASSERT_TRUE(ReadH264Settings(path, &read));
    EXPECT_EQ(read.nProfileIndex, 2);
    EXPECT_EQ(read.nPFrameIndex, 11);
    EXPECT_EQ(read.nBFrameIndex, 0);
}

TEST(SettingsFiles, MissingH264ValuesKeepTheirDefaults)
{
    CScratchFolder folder;
    const std::string path = folder / "h264.dat";
    WriteAll(path, "<Settings nPFrameIndex=\"3\"/>");
    tagQVH264Settings read;
    ASSERT_TRUE(ReadH264Settings(path, &read));
    EXPECT_EQ(read.nProfileIndex, 0);
    EXPECT_EQ(read.nPFrameIndex, 3);
    EXPECT_EQ(read.nBFrameIndex, 1);
}

TEST(SettingsFiles, UnusableFilesChangeNothing)
{
    CScratchFolder folder;
    tagQVH264Settings settings;
    settings.nProfileIndex = 5;
    int32_t enable = 7;
    EXPECT_FALSE(ReadH264Settings(folder / "missing.dat", &settings));
    EXPECT_FALSE(ReadSmoothingSetting(folder / "missing.xml", &enable));
    WriteAll(folder / "other.xml", "<Other Enable=\"1\" nProfileIndex=\"1\"/>");
    EXPECT_FALSE(ReadH264Settings(folder / "other.xml", &settings));
    EXPECT_FALSE(ReadSmoothingSetting(folder / "other.xml", &enable));
    WriteAll(folder / "broken.xml", "<Settings nProfileIndex=\"1\"");
    EXPECT_FALSE(ReadH264Settings(folder / "broken.xml", &settings));
    EXPECT_EQ(settings.nProfileIndex, 5);
    EXPECT_EQ(enable, 7);
    EXPECT_FALSE(WriteH264Settings(folder / "no/dir.dat", settings));
    EXPECT_FALSE(WriteSmoothingSetting(folder / "no/dir.xml", 1));
}

TEST(SettingsFiles, SmoothingSwitchRoundTripsAndDefaultsToOff)
{
    CScratchFolder folder;
    const std::string path = folder / "3dsmoothing.xml";
    ASSERT_TRUE(WriteSmoothingSetting(path, 1));
    EXPECT_EQ(ReadAll(path), Utf16Le("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
                                     "<_3DSmoothing Enable=\"1\"/>\r\n"));
    int32_t enable = 0;
    ASSERT_TRUE(ReadSmoothingSetting(path, &enable));
    EXPECT_EQ(enable, 1);
    WriteAll(path, "\xEF\xBB\xBF<_3DSmoothing/>");
    enable = 1;
    ASSERT_TRUE(ReadSmoothingSetting(path, &enable));
    EXPECT_EQ(enable, 0);
}

// The list both programs share: paths with the characters the file escapes come back as
// they were written, and an entry without "wav" reads as empty.
TEST(SettingsFiles, AudioSubstituteListKeepsPathsAsWritten)
{
    CScratchFolder folder;
    const std::string path = folder / "wavfiles.dat";
    const std::vector<tagQVAudioSubstitute> list = {{"/clips/a <b> \"c\" & d.wmv", "/tmp/1.wav"},
                                                    {"/clips/\xc3\xa9t\xc3\xa9.asf", ""}};
    ASSERT_TRUE(WriteAudioSubstitutes(path, list));
    const std::vector<tagQVAudioSubstitute> read = ReadAudioSubstitutes(path);
    ASSERT_EQ(read.size(), 2u);
    for (size_t i = 0; i < read.size(); ++i)
    {
        EXPECT_EQ(read[i].source, list[i].source);
        EXPECT_EQ(read[i].wav, list[i].wav);
    }
    WriteAll(path, "<WavFiles><item source=\"/x\"/></WavFiles>");
    ASSERT_EQ(ReadAudioSubstitutes(path).size(), 1u);
    EXPECT_EQ(ReadAudioSubstitutes(path)[0].wav, "");
    EXPECT_TRUE(ReadAudioSubstitutes(folder / "missing.dat").empty());
}

} // namespace
} // namespace qv
