#include "project/OutputFrameRate.h"
#include "project/OutputSettings.h"
#include "tests/support/TestFolder.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace qv;

TEST(OutputPresets, TheTwoTablesDifferOnlyInRow4WidthAndOverlayQuality)
{
    OutputPresets frontEnd = DefaultPresets(PresetTable::FrontEnd);
    OutputPresets engine = DefaultPresets(PresetTable::Engine);
    EXPECT_EQ(frontEnd[4].nWidth, 856);
    EXPECT_EQ(engine[4].nWidth, 864);
    for (int i = 0; i < kPresetCount; ++i)
    {
        tagQVOutputSettings a = frontEnd[i], b = engine[i];
        EXPECT_EQ(a.nPresetIndex, i);
        EXPECT_EQ(a.nSizeMode, 2);
        EXPECT_EQ(a.nFileSizeMB, 100);
        EXPECT_EQ(b.nOverlayQuality, 0);
        a.nOverlayQuality = b.nOverlayQuality = 0;
        a.nWidth = b.nWidth = 0;
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "row " << i;
    }
    EXPECT_EQ(frontEnd[0].nWidth, 1920);
    EXPECT_EQ(frontEnd[0].nVideoBitrate, 6000);
    EXPECT_EQ(frontEnd[0].nQuality, 20);
    EXPECT_EQ(frontEnd[8].nWidth, 428);
    EXPECT_EQ(frontEnd[8].nSizeClass, 4);
    EXPECT_EQ(frontEnd[7].nAspect, 1);
    EXPECT_EQ(frontEnd[6].nOverlayQuality, 1);
}

TEST(OutputPresets, SelectionOutsideTheTableTakesSlot4)
{
    CQVOutputSettingsTable table(PresetTable::Engine);
    for (int index : {4, 12, 200, -1, 10})
    {
        table.SelectPreset(index);
        EXPECT_EQ(table.CurrentSlot(), 4) << index;
        EXPECT_EQ(table.Current().nWidth, 864);
    }
    table.SelectPreset(9);
    EXPECT_EQ(table.Current().nHeight, 240);
}

TEST(OutputPresets, SelectRefillsTheWorkingTable)
{
    CQVOutputSettingsTable table(PresetTable::FrontEnd);
    table.SelectPreset(2);
    table.Current().nWidth = 100;
    table.SelectPreset(2);
    EXPECT_EQ(table.Current().nWidth, 1280);
}

TEST(OptionFile, ShortFileReplacesOnlyTheStartAndFullFileReplacesAll)
{
    test::CQVTestFolder folder;
    CQVOutputSettingsTable table(PresetTable::Engine);
    table.SelectPreset(4);

    int32_t words[3] = {4, 1, 1};
    ASSERT_TRUE(test::WriteFileBytes(folder / "short.dat",
                                     std::string(reinterpret_cast<char*>(words), 10)));
    EXPECT_EQ(table.ReadOptionFile(folder / "short.dat"), 10);
    EXPECT_EQ(table.Current().bForceResize, 1);
    EXPECT_EQ(table.Current().bFlip, 1) << "bytes 8 and 9 of the flip word";
    EXPECT_EQ(table.Current().nWidth, 864);

    tagQVOutputSettings custom = DefaultPresets(PresetTable::FrontEnd)[0];
    custom.nWidth = 640;
    custom.nHeight = 352;
    custom.nOverlayQuality = 3;
    custom.nOutputFormat = 13;
    table.Current() = custom;
    ASSERT_TRUE(table.WriteOptionFile(folder / "option.dat"));
    std::string bytes;
    ASSERT_TRUE(test::ReadFileBytes(folder / "option.dat", &bytes));
    ASSERT_EQ(bytes.size(), 84u);
    EXPECT_EQ(bytes.substr(40, 4), std::string("\x80\x02\0\0", 4)) << "little-endian width";

    table.SelectPreset(4);
    EXPECT_EQ(table.ReadOptionFile(folder / "option.dat"), 84);
    EXPECT_EQ(std::memcmp(&table.Current(), &custom, 84), 0);

    ASSERT_TRUE(test::WriteFileBytes(folder / "long.dat", bytes + "trailing junk"));
    EXPECT_EQ(table.ReadOptionFile(folder / "long.dat"), 84);
    EXPECT_EQ(table.ReadOptionFile(folder / "missing.dat"), -1);
    EXPECT_EQ(table.ReadOptionFile(folder.Path()), -1) << "a folder cannot be read";
    EXPECT_FALSE(table.WriteOptionFile(folder / "no/such/folder/option.dat"));
}

TEST(OutputFrameRate, TheRecordsValueNamesTheRate)
{
    struct tagCase
    {
        int32_t nValue;
        tagQVSourceFrameRates source;
        double dRate;
    };
    const tagCase kCases[] = {
        {0, {25.0, 25.0}, 30.0},
        {12345, {}, 30.0}, // names no rate: the fixed mode
        {23976, {}, 24000.0 / 1001.0},
        {29970, {}, 30000.0 / 1001.0},
        {50000, {}, 50.0},
        {59940, {}, 60000.0 / 1001.0},
        {-1, {25.0, 25.1}, 25.0},                // within 1 %: constant rate
        {-1, {30.0, 20.7}, 24000.0 / 1001.0},    // variable: nearest listed
        {-1, {90000.0, 29.6}, 30000.0 / 1001.0}, // a clock rate, 29.6 average
        {-1, {120000.0 / 1001.0, 120000.0 / 1001.0}, 60000.0 / 1001.0}, // halved
        {-1, {240.0, 240.0}, 60.0},                                     // halved twice
        {-1, {}, 30.0},                                                 // no video: 30
    };
    for (const tagCase& c : kCases)
        EXPECT_DOUBLE_EQ(OutputFrameRate(c.nValue, c.source), c.dRate)
            << c.nValue << " " << c.source.dNominal << " " << c.source.dAverage;
    EXPECT_FALSE(HasOwnFrameRate(0));
    EXPECT_FALSE(HasOwnFrameRate(12345));
    EXPECT_TRUE(HasOwnFrameRate(-1));
    EXPECT_TRUE(HasOwnFrameRate(24000));
    // The fixed mode's first picture stands at 1/30 s; a rate of its own starts at 0.
    EXPECT_DOUBLE_EQ(OutputPictureTime(0, 30.0, false), 1.0 / 30.0);
    EXPECT_DOUBLE_EQ(OutputPictureTime(89, 30.0, false), 3.0);
    EXPECT_DOUBLE_EQ(OutputPictureTime(0, 25.0, true), 0.0);
    EXPECT_DOUBLE_EQ(OutputPictureTime(96, 24000.0 / 1001.0, true), 4.004);
}

TEST(OutputFrameRate, ASampleTakesItsTimeFromItsNumberOrFromItsStart)
{
    struct tagCase
    {
        tagQVSampleTiming timing;
        int64_t nIndex;
        int64_t nStartTime;
        double dTime;
    };
    // A conversion ignores the start time; the preview ignores the number.
    const tagCase kCases[] = {
        {{EQVSampleClock::kFixed30, 25.0, 9.0}, 0, 400000, 1.0 / 30.0},
        {{EQVSampleClock::kOwnRate, 24000.0 / 1001.0, 9.0}, 96, 0, 4.004},
        {{EQVSampleClock::kPlayer, 15.0, 0.0}, 3, 2000000, 0.2},
        {{EQVSampleClock::kPlayer, 15.0, 2.5}, 0, 6666667, 2.5 + 0.6666667},
    };
    for (const tagCase& c : kCases)
        EXPECT_DOUBLE_EQ(SampleTime(c.timing, c.nIndex, c.nStartTime), c.dTime)
            << static_cast<int>(c.timing.eClock) << " " << c.nIndex << " " << c.nStartTime;
}
