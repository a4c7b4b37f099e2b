// Every entry of the format list, chosen in the movie settings and confirmed with OK, gives
// a record that the engine renders into the container and codecs its label names, with the
// type code and extension of that format.
#include "formats/OutputTypes.h"
#include "formats/WindowsMediaProfile.h"
#include "frontend/CQVMovieSettingsDlg.h"
#include "frontend/FrontEndGlobals.h"
#include "frontend/JobFiles.h"
#include "frontend/MovieSettingsLogic.h"
#include "platform/ProgramFolder.h"
#include "protocol/SharedControlBlock.h"
#include "tests/support/CQVEngineDriver.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestMedia.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CQVComboBox.h"
#include "ui/CQVComboBoxWnd.h"

using namespace qv;
using namespace qv::test;

namespace
{

struct tagQVFormatExpectation
{
    int32_t nType;
    const char* pszExtension;
    const char* pszContainer; // ffprobe's format_name
    const char* pszVideo;
    const char* pszAudio;
    bool bSurround; // 5.1 audio
    int nLevel;     // the H.264 level a device format declares; 0: not checked
};

// In the order of the format list.
const tagQVFormatExpectation kFormats[] = {
    {0, ".mp4", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", false, 0},
    {7, ".wmv", "asf", "wmv2", "wmav2", false, 0},
    {1, ".mp4", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", false, 31},
    {2, ".mp4", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", false, 30},
    {3, ".avi", "avi", "mpeg4", "mp3", false, 0},
    {4, ".avi", "avi", "mpeg4", "ac3", false, 0},
    {5, ".avi", "avi", "mpeg4", "ac3", true, 0},
    {6, ".mov", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", false, 0},
    {8, ".asf", "asf", "wmv2", "wmav2", false, 0},
    {9, ".mpg", "mpeg", "mpeg1video", "mp3", false, 0},
    {10, ".mpg", "mpeg", "mpeg2video", "ac3", false, 0},
    {11, ".mpg", "mpeg", "mpeg2video", "ac3", true, 0},
    {12, ".flv", "flv", "h264", "aac", false, 0},
    {13, ".mkv", "matroska,webm", "h264", "mp3", false, 0},
    {14, ".mp4", "mov,mp4,m4a,3gp,3g2,mj2", "hevc", "aac", false, 0},
    {15, ".mp4", "mov,mp4,m4a,3gp,3g2,mj2", "av1", "aac", false, 0},
    {16, ".webm", "matroska,webm", "vp9", "opus", false, 0},
    {17, ".webm", "matroska,webm", "av1", "opus", false, 0},
};

constexpr int kTimeoutMs = 60000;

// Each conversion gets a program folder of its own; the binary's is current again after.
class MovieSettingsEngineTest : public CToolkitTest
{
protected:
    void TearDown() override
    {
        FrontEndGlobals().programFolder = ProgramFolder();
        FrontEndGlobals().tempFolder = ProgramFolder() + "tmp/";
        CToolkitTest::TearDown();
    }
};

// Chooses the format entry with real input and confirms with OK.
void ChooseFormat(int nEntry)
{
    CQVMovieSettingsDlg dialog;
    ASSERT_TRUE(OpenShown(dialog));
    CQVComboBox* pFormat = dialog.Combo(CQVMovieSettingsDlg::kIdFormat);
    QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {}, pFormat->GetRect().center());
    ASSERT_TRUE(pFormat->IsDropDownOpen());
    QWidget* pList = pFormat->GetDropDown()->GetWidget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pList));
    QTest::keyClick(pList, Qt::Key_Home);
    for (int i = 0; i < nEntry; ++i)
        QTest::keyClick(pList, Qt::Key_Down);
    QTest::keyClick(pList, Qt::Key_Return);
    DeliverPosted();
    const QRect ok = dialog.GetUIManager()->Find(kIdOk, kKindTextButton)->GetRect();
    QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {}, ok.center());
    DeliverPosted();
    ASSERT_EQ(dialog.GetResultCode(), kIdOk);
}

} // namespace

TEST_F(MovieSettingsEngineTest, EveryFormatEntryRendersTheContainerAndCodecsOfItsLabel)
{
    const std::string source = MediaPath(EMedia::H264);
    ASSERT_FALSE(source.empty());
    tagQVJobRow row;
    row.source = source;
    row.dDuration = 3.0;
    row.dEndTime = 0.5;
    row.bHadAudio = 1;
    row.nVideoWidth = 160;
    row.nVideoHeight = 120;

    ASSERT_EQ(std::size(kFormats), FormatListOrder().size());
    for (size_t nEntry = 0; nEntry < std::size(kFormats); ++nEntry)
    {
        const tagQVFormatExpectation& expected = kFormats[nEntry];
        const std::string label = FormatLabel(expected.nType);
        SCOPED_TRACE(label);
        CQVEngineDriver driver;
        ASSERT_TRUE(driver.Ready());
        CQVFrontEndGlobals& globals = FrontEndGlobals();
        globals.programFolder = driver.ProgramFolder();
        globals.tempFolder = driver.ProgramPath("tmp/");
        globals.outputSettings.SelectPreset(kFallbackPreset);
        globals.h264 = tagQVH264Settings();

        ChooseFormat(static_cast<int>(nEntry));
        tagQVOutputSettings& record = globals.outputSettings.Current();
        ASSERT_EQ(record.nOutputFormat, expected.nType);
        const tagQVOutputType* pType = FindOutputType(record.nOutputFormat);
        ASSERT_NE(pType, nullptr);
        EXPECT_STREQ(pType->pszExtension, expected.pszExtension);

        // What the render flow does for a row of a 160 x 120 source.
        globals.SetOutputSize(160, 120);
        double dDuration = 0.0;
        ASSERT_TRUE(WriteJobFiles(row, globals.JobContext(), &dDuration));
        ASSERT_EQ(BuildWmvProfile(record, globals.TempPath("wmv.prx"), nullptr), 1);
        const std::string output = driver.ProgramPath(std::string("out") + pType->pszExtension);
        ASSERT_TRUE(driver.CreateBlock());
        ASSERT_TRUE(driver.StartConversion(output, record));
        ASSERT_TRUE(driver.Launch());
        tagQVProcessExit exit;
        ASSERT_TRUE(driver.WaitForExit(kTimeoutMs, &exit));
        ASSERT_EQ(exit.nExitCode, kEngineCompleted);

        const tagQVProbe probe = ProbeFile(output);
        ASSERT_TRUE(probe.bOk);
        EXPECT_EQ(probe.formatName, expected.pszContainer);
        const tagQVProbeStream* pVideo = probe.Find("video");
        const tagQVProbeStream* pAudio = probe.Find("audio");
        ASSERT_NE(pVideo, nullptr);
        ASSERT_NE(pAudio, nullptr);
        EXPECT_EQ(pVideo->codecName, expected.pszVideo);
        EXPECT_EQ(pVideo->width, 160);
        EXPECT_EQ(pAudio->codecName, expected.pszAudio);
        EXPECT_EQ(pAudio->channels == 6, expected.bSurround);
        if (expected.nLevel > 0)
        {
            EXPECT_EQ(pVideo->profile, "Constrained Baseline");
            EXPECT_EQ(pVideo->level, expected.nLevel);
        }
    }
}
