// The engine's start-up and run-mode choice, through the real process and a real block.
#include "engine/CQVEngineApp.h"
#include "platform/SettingsStore.h"
#include "tests/support/CQVEngineDriver.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace qv;
using qv::test::CQVEngineDriver;

namespace
{

constexpr int kTimeoutMs = 20000;

int RunEngine(CQVEngineDriver& driver)
{
    tagQVProcessExit exit;
    if (!driver.Launch() || !driver.WaitForExit(kTimeoutMs, &exit) || !exit.bExited)
        return -1;
    return exit.nExitCode;
}

uint32_t DecoderValue(const char* name)
{
    uint32_t value = 0xDEADBEEF;
    CQVSettingsStore::GetDword(kDecoderSettingsKey, name, &value);
    return value;
}

std::string Words(std::initializer_list<int32_t> words)
{
    std::string bytes;
    for (int32_t word : words)
        bytes.append(reinterpret_cast<const char*>(&word), 4);
    return bytes;
}

} // namespace

TEST(EngineStartUp, WithoutABlockEndsAtOnceAndWritesNothing)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.WriteOptionFile(DefaultPresets(PresetTable::FrontEnd)[2]));
    auto before = test::ListFiles(driver.ProgramFolder());

    EXPECT_EQ(RunEngine(driver), kEngineNoBlock);
    EXPECT_EQ(test::ListFiles(driver.ProgramFolder()), before);
    EXPECT_TRUE(test::ListFiles(driver.ConfigFolder()).empty()) << "no settings values";
}

TEST(EngineStartUp, AFreshBlockEndsWithoutTouchingIt)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.WriteOptionFile(DefaultPresets(PresetTable::FrontEnd)[2]));

    EXPECT_EQ(RunEngine(driver), kEngineNothingToDo);
    SharedControlBlock zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(driver.Block(), &zero, sizeof zero), 0);
}

TEST(EngineStartUp, WithoutTheSettingsFileEndsWithoutADialog)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.Owner().StartConversion(driver.ProgramPath("out.mp4"), 2));

    EXPECT_EQ(RunEngine(driver), kEngineNoSettings);
    EXPECT_EQ(driver.Block()->nState, kStateRunning) << "the block is left as it was";
    EXPECT_EQ(DecoderValue("resizeDx"), 0xDEADBEEF);
}

TEST(EngineStartUp, PresetSlotAndShortSettingsFileDecideTheDecoderSettings)
{
    // A 4-byte file replaces only the preset index: the rest is the engine's own slot.
    struct Case
    {
        int32_t nPresetIndex;
        uint32_t nWidth, nHeight;
    };
    for (Case c : {Case{4, 864, 480}, Case{12, 864, 480}, Case{200, 864, 480}, Case{0, 1920, 1080},
                   Case{9, 320, 240}})
    {
        CQVEngineDriver driver;
        ASSERT_TRUE(driver.Ready());
        ASSERT_TRUE(driver.CreateBlock());
        ASSERT_TRUE(driver.Owner().StartConversion(driver.ProgramPath("out.mp4"), c.nPresetIndex));
        ASSERT_TRUE(driver.WriteOptionBytes(Words({c.nPresetIndex})));
        EXPECT_EQ(RunEngine(driver), kEngineCompleted) << c.nPresetIndex;
        EXPECT_EQ(DecoderValue("resizeDx"), c.nWidth) << c.nPresetIndex;
        EXPECT_EQ(DecoderValue("resizeDy"), c.nHeight) << c.nPresetIndex;
        EXPECT_EQ(DecoderValue("resizeAscpect"), 0u);
        EXPECT_EQ(DecoderValue("flip"), 0u);
    }
}

TEST(EngineStartUp, AWholeSettingsFileReplacesTheSlot)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[5];
    settings.bFlip = 1;
    settings.bForceResize = 1;
    settings.nWidth = 636;
    settings.nHeight = 356;
    ASSERT_TRUE(driver.StartConversion(driver.ProgramPath("out.mp4"), settings));
    EXPECT_EQ(RunEngine(driver), kEngineCompleted);
    EXPECT_EQ(DecoderValue("flip"), 1u);
    EXPECT_EQ(DecoderValue("isResize"), 1u);
    EXPECT_EQ(DecoderValue("resizeDx"), 636u);
    EXPECT_EQ(DecoderValue("resizeDy"), 356u);
}

TEST(EngineStartUp, PreviewRunWithoutPreviewWindowEndsAfterTheSettings)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.Owner().StartPreview(1, 10.0));
    driver.Block()->bShowPreview = 0;
    ASSERT_TRUE(driver.WriteOptionFile(DefaultPresets(PresetTable::FrontEnd)[1]));
    EXPECT_EQ(RunEngine(driver), kEngineNothingToDo);
    EXPECT_EQ(DecoderValue("resizeDx"), 1440u);
    EXPECT_EQ(driver.Block()->nState, kStatePreviewRequested);
}

TEST(EngineStartUp, APreviewRunWithoutAHostPlaysUnseen)
{
    // No project file: the empty timeline's half second, with no window to show it in.
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.Owner().StartPreview(1, 10.0));
    ASSERT_TRUE(driver.WriteOptionFile(DefaultPresets(PresetTable::FrontEnd)[1]));
    EXPECT_EQ(RunEngine(driver), kEngineCompleted);
    EXPECT_EQ(driver.Block()->nState, kStateIdle);
    EXPECT_EQ(driver.Block()->bGraphRunning, 1);
    EXPECT_EQ(driver.Block()->bPreviewFailed, 0);
}

// The run-mode choice in one process: the single-file overrides and the H.264 file.
class RunModeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::memset(&m_block, 0, sizeof m_block);
        m_globals.pBlock = &m_block;
        m_globals.outputSettings.SelectPreset(3);
        m_block.nState = kStateRunning;
        m_block.nOverrideSizeMode = 1;
        m_block.nOverrideBitrate = 4321;
        m_block.nOverrideFileSize = 77;
        m_block.nOverrideQuality = 9;
    }
    SharedControlBlock m_block;
    CQVEngineGlobals m_globals;
    test::CQVTestFolder m_folder;
};

TEST_F(RunModeTest, AnExistingSourceFolderTriggersTheOverrides)
{
    WriteBlockPath(m_block.szSourcePath, m_folder.Path());
    int status = -1;
    EXPECT_EQ(CQVEngineApp::ChooseRunMode(m_globals, &status), EngineRunMode::Conversion);
    const tagQVOutputSettings& current = m_globals.outputSettings.Current();
    EXPECT_EQ(current.nSizeMode, 1);
    EXPECT_EQ(current.nVideoBitrate, 4321);
    EXPECT_EQ(current.nFileSizeMB, 77);
    EXPECT_EQ(current.nQuality, 9);
    EXPECT_EQ(current.nWidth, 960) << "only the four override words change";
}

TEST_F(RunModeTest, AMissingSourceLeavesTheSettingsAlone)
{
    WriteBlockPath(m_block.szSourcePath, m_folder / "missing file.mp4");
    int status = -1;
    EXPECT_EQ(CQVEngineApp::ChooseRunMode(m_globals, &status), EngineRunMode::Conversion);
    EXPECT_EQ(m_globals.outputSettings.Current().nVideoBitrate, 2000);
    EXPECT_EQ(m_globals.outputSettings.Current().nSizeMode, 2);
}

TEST_F(RunModeTest, StateZeroDropsTheConversionAndTheModesFollowTheFlags)
{
    int status = -1;
    m_block.nState = kStateIdle;
    EXPECT_EQ(CQVEngineApp::ChooseRunMode(m_globals, &status), EngineRunMode::None);
    EXPECT_EQ(status, kEngineNothingToDo);

    m_block.bPreviewRun = 1;
    m_block.bShowPreview = 1;
    EXPECT_EQ(CQVEngineApp::ChooseRunMode(m_globals, &status), EngineRunMode::Preview);
    m_block.bShowPreview = 0;
    m_block.nState = kStateRunning;
    EXPECT_EQ(CQVEngineApp::ChooseRunMode(m_globals, &status), EngineRunMode::None);
}
