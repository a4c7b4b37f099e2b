// The movie settings and H.264 settings dialogs with real input on the offscreen platform:
// format and preset changes, the clamps and files of OK, Cancel, the help texts, the
// H.264 choices, and every format through the engine. With VANTREL_SCREENSHOT_DIR set the
// two dialogs are saved there.
#include "formats/OutputTypes.h"
#include "formats/WindowsMediaProfile.h"
#include "frontend/CQVH264SettingsDlg.h"
#include "frontend/CQVMovieSettingsDlg.h"
#include "frontend/FrontEndGlobals.h"
#include "frontend/JobFiles.h"
#include "frontend/MovieSettingsLogic.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "protocol/SharedControlBlock.h"
#include "tests/support/CQVEngineDriver.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestMedia.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CQVCheck.h"
#include "ui/CQVComboBox.h"
#include "ui/CQVComboBoxWnd.h"
#include "ui/CQVEdit.h"
#include "ui/CQVTheme.h"

#include <QDir>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <set>

using namespace qv;
using namespace qv::test;

namespace
{

using Dlg = CQVMovieSettingsDlg;

// The process-wide state pointed at a program folder and settings store of the test's own.
class SettingsDialogTest : public CToolkitTest
{
protected:
    void SetUp() override
    {
        CToolkitTest::SetUp();
        UseProgramFolder(m_folder.Path());
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_folder / "config"));
    }
    void TearDown() override
    {
        qunsetenv("XDG_CONFIG_HOME");
        FrontEndGlobals().programFolder = ProgramFolder();
        FrontEndGlobals().tempFolder = ProgramFolder() + "tmp/";
        CToolkitTest::TearDown();
    }
    static void UseProgramFolder(const std::string& folder)
    {
        CQVFrontEndGlobals& globals = FrontEndGlobals();
        globals.programFolder = folder;
        globals.tempFolder = folder + "tmp/";
        MakeFolders(globals.tempFolder);
        MakeFolders(folder + "skin/");
        globals.outputSettings.SelectPreset(kFallbackPreset);
        globals.h264 = tagQVH264Settings();
        globals.n3DSmoothing = 0;
    }
    static tagQVOutputSettings& Record() { return FrontEndGlobals().outputSettings.Current(); }

    CQVTestFolder m_folder{"vantrel-settings"};
};

void Click(CQVDialogBase& dialog, const QRect& rc)
{
    QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {}, rc.center());
    DeliverPosted();
}

// Opens the combo's list with a click and chooses the entry with the keys, as a user can.
void Choose(CQVDialogBase& dialog, CQVComboBox* pCombo, int nEntry)
{
    ASSERT_TRUE(pCombo->IsEnabled());
    Click(dialog, pCombo->GetRect());
    ASSERT_TRUE(pCombo->IsDropDownOpen());
    QWidget* pList = pCombo->GetDropDown()->GetWidget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pList));
    QTest::keyClick(pList, Qt::Key_Home);
    for (int i = 0; i < nEntry; ++i)
        QTest::keyClick(pList, Qt::Key_Down);
    QTest::keyClick(pList, Qt::Key_Return);
    DeliverPosted();
    ASSERT_EQ(pCombo->GetSelection(), nEntry);
}

int FormatEntry(int32_t nType)
{
    const auto& order = FormatListOrder();
    return static_cast<int>(std::find(order.begin(), order.end(), nType) - order.begin());
}

QString Text(CQVButton* pControl)
{
    QString text;
    pControl->GetText(text);
    return text;
}

} // namespace

TEST(MovieSettingsLogic, EveryOutputTypeHasItsOwnLabel)
{
    const char* const expected[kOutputTypeCount] = {
        "MP4",
        "MP4 (H.264 Baseline 3.1 + AAC)",
        "MP4 (H.264 Baseline 3.0 + AAC)",
        "AVI (MPEG-4 + MP3)",
        "AVI (MPEG-4 + AC3)",
        "AVI (MPEG-4 + AC3 5.1)",
        "MOV (H.264 + AAC)",
        "WMV",
        "ASF (WMV + WMA)",
        "MPEG (MPEG-1 + MP3)",
        "MPEG (MPEG-2 + AC3)",
        "MPEG (MPEG-2 + AC3 5.1)",
        "FLV (H.264 + AAC)",
        "MKV (H.264 + MP3)",
        "MP4 (H.265 + AAC)",
        "MP4 (AV1 + AAC)",
        "WebM (VP9 + Opus)",
        "WebM (AV1 + Opus)",
    };
    std::set<std::string> labels;
    for (int32_t nType = 0; nType < kOutputTypeCount; ++nType)
    {
        EXPECT_EQ(FormatLabel(nType), expected[nType]);
        labels.insert(FormatLabel(nType));
    }
    EXPECT_EQ(labels.size(), static_cast<size_t>(kOutputTypeCount));
    EXPECT_EQ(FormatLabel(kOutputTypeCount), "");
    EXPECT_EQ(FormatListOrder()[0], 0);
    EXPECT_EQ(FormatListOrder()[1], 7);
}

TEST(MovieSettingsLogic, TypesWhoseEncoderIsMissingAreLeftOutOfTheFormatList)
{
    const struct
    {
        const char* pszMissing;
        std::vector<int32_t> hidden;
    } cases[] = {
        {"libsvtav1", {kOutputMp4Av1, kOutputWebmAv1}},
        {"libx265", {kOutputMp4Hevc}},
        {"libopus", {kOutputWebmVp9, kOutputWebmAv1}},
        {"libmp3lame", {kOutputAviMp3, kOutputMpeg1, kOutputMkv}},
    };
    for (const auto& c : cases)
    {
        static const char* s_pszMissing;
        s_pszMissing = c.pszMissing;
        const std::vector<int32_t> order = FormatListOrder(
            [](const char* pszEncoder) { return std::strcmp(pszEncoder, s_pszMissing) != 0; });
        std::vector<int32_t> expected;
        for (int32_t nType : FormatListOrder([](const char*) { return true; }))
            if (std::find(c.hidden.begin(), c.hidden.end(), nType) == c.hidden.end())
                expected.push_back(nType);
        EXPECT_EQ(order, expected) << c.pszMissing;
    }
}

TEST(MovieSettingsLogic, OutputSizeIsCutToMultiplesOfFourWithinItsBounds)
{
    const struct
    {
        int64_t nIn;
        int32_t nWidth, nHeight;
    } cases[] = {{83, 80, 80},    {2000, 1920, 1440}, {1500, 1500, 1440},
                 {857, 856, 856}, {1923, 1920, 1440}, {1443, 1443 / 4 * 4, 1440},
                 {79, 80, 80},    {-12, 80, 80},      {int64_t{1} << 40, 1920, 1440}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(ClampOutputWidth(c.nIn), c.nWidth) << c.nIn;
        EXPECT_EQ(ClampOutputHeight(c.nIn), c.nHeight) << c.nIn;
    }
    int32_t nValue = 7;
    EXPECT_FALSE(ParseEditNumber("", &nValue));
    EXPECT_FALSE(ParseEditNumber(" 12", &nValue));
    EXPECT_EQ(nValue, 7);
    EXPECT_TRUE(ParseEditNumber("99999999999", &nValue));
    EXPECT_EQ(nValue, 2147483647);
    EXPECT_EQ(LeadingNumber("128 Kbps"), 128);
    EXPECT_EQ(LeadingNumber("Kbps"), 0);
    EXPECT_EQ(EntryWithLeadingNumber(AudioSampleRateTexts(), 44100), 7);
    EXPECT_EQ(EntryWithLeadingNumber(AudioSampleRateTexts(), 0), -1);
    EXPECT_EQ(EntryWithLeadingNumber(AudioSampleRateTexts(), 44000), -1);
}

TEST_F(SettingsDialogTest, WindowsMediaTakesBitratePriorityAndMp4QualityPriority)
{
    Record().nOutputFormat = 0;
    Dlg dialog;
    ASSERT_TRUE(OpenShown(dialog));
    // 500 x 600, taller only when the skin font needs more lines for the longest help text.
    EXPECT_EQ(dialog.GetClientRect().width(), 500);
    EXPECT_GE(dialog.GetClientRect().height(), 600);
    EXPECT_EQ(dialog.GetWindowText(), QStringLiteral("Movie Settings"));
    CQVComboBox* pSizeMode = dialog.Combo(Dlg::kIdSizeMode);
    EXPECT_FALSE(dialog.Combo(Dlg::kIdWmvCodec)->IsEnabled());

    Choose(dialog, dialog.Combo(Dlg::kIdFormat), FormatEntry(7));
    EXPECT_EQ(pSizeMode->GetText(), QStringLiteral("Bitrate Priority"));
    EXPECT_FALSE(pSizeMode->IsEnabled());
    EXPECT_FALSE(dialog.Label(Dlg::kIdSizeModeLabel)->IsEnabled());
    for (int nId : {Dlg::kIdAudioBitrate, Dlg::kIdSampleRate, Dlg::kIdChannels})
        EXPECT_FALSE(dialog.Combo(nId)->IsEnabled()) << nId;
    EXPECT_EQ(dialog.Edit(Dlg::kIdBitrate)->GetText(), QStringLiteral("2500"));
    EXPECT_TRUE(dialog.Edit(Dlg::kIdBitrate)->IsEnabled());
    EXPECT_FALSE(dialog.Combo(Dlg::kIdQuality)->IsEnabled());
    EXPECT_FALSE(dialog.AdvancedButton()->IsEnabled());
    EXPECT_EQ(dialog.Combo(Dlg::kIdWmvCodec)->GetText(), QStringLiteral("Windows Media Video V8"));
    EXPECT_EQ(dialog.Combo(Dlg::kIdWmaCodec)->GetText(), QStringLiteral("Windows Media Audio 9.2"));
    EXPECT_EQ(dialog.Combo(Dlg::kIdWmaFormat)->GetText(),
              QStringLiteral("128 kbps, 44 kHz, stereo CBR"));
    // Another audio codec lists its own formats, on the record's format (code 0: the first).
    Choose(dialog, dialog.Combo(Dlg::kIdWmaCodec), 1);
    CQVComboBox* pWmaFormat = dialog.Combo(Dlg::kIdWmaFormat);
    EXPECT_EQ(pWmaFormat->GetSelection(), 0);
    EXPECT_EQ(pWmaFormat->GetItemValue(0), 0);

    Choose(dialog, dialog.Combo(Dlg::kIdFormat), FormatEntry(0));
    EXPECT_EQ(pSizeMode->GetText(), QStringLiteral("Quality Priority"));
    EXPECT_TRUE(pSizeMode->IsEnabled());
    EXPECT_EQ(dialog.Combo(Dlg::kIdQuality)->GetText(), QStringLiteral("25"));
    EXPECT_TRUE(dialog.Combo(Dlg::kIdQuality)->IsEnabled());
    EXPECT_FALSE(dialog.Edit(Dlg::kIdBitrate)->IsEnabled());
    EXPECT_TRUE(dialog.AdvancedButton()->IsEnabled());
    EXPECT_FALSE(dialog.Combo(Dlg::kIdWmaFormat)->IsEnabled());
    dialog.DestroyWindow();
}

TEST_F(SettingsDialogTest, OkStoresTheClampedSizeTheAudioChoicesAndBothFiles)
{
    ASSERT_TRUE(CQVSettingsStore::SetDword(kDecoderSettingsKey, "isDeinterlace", 1));
    Record().nOutputFormat = 13;
    Dlg dialog;
    ASSERT_TRUE(OpenShown(dialog));
    EXPECT_EQ(dialog.Combo(Dlg::kIdAudioBitrate)->GetSelection(), -1) << "audio bitrate 0";
    EXPECT_EQ(dialog.Combo(Dlg::kIdAudioBitrate)->GetText(), QString());
    EXPECT_EQ(dialog.Combo(Dlg::kIdChannels)->GetText(), QStringLiteral("1 (Mono)"));
    EXPECT_TRUE(dialog.Check(Dlg::kIdDeinterlace)->GetCheck());
    EXPECT_EQ(Text(dialog.Check(Dlg::kIdDeinterlace)), QStringLiteral("Yes"));
    EXPECT_EQ(Text(dialog.Check(Dlg::kIdSmoothing)), QStringLiteral("No"));
    EXPECT_FALSE(dialog.Edit(Dlg::kIdWidth)->IsVisible());

    Choose(dialog, dialog.Combo(Dlg::kIdAudioBitrate), 10);
    Choose(dialog, dialog.Combo(Dlg::kIdSampleRate), 8);
    Choose(dialog, dialog.Combo(Dlg::kIdChannels), 1);
    Choose(dialog, dialog.Combo(Dlg::kIdQuality), 17);
    dialog.Edit(Dlg::kIdWidth)->SetText(QStringLiteral("83"), false);
    dialog.Edit(Dlg::kIdHeight)->SetText(QStringLiteral("1500"), false);
    dialog.Edit(Dlg::kIdFileSize)->SetText(QString(), false);
    Click(dialog, dialog.GetUIManager()->Find(kIdOk, kKindTextButton)->GetRect());
    ASSERT_EQ(dialog.GetResultCode(), kIdOk);

    const tagQVOutputSettings& record = Record();
    EXPECT_EQ(record.nWidth, 80);
    EXPECT_EQ(record.nHeight, 1440);
    EXPECT_EQ(FrontEndGlobals().nOutputWidth, 80);
    EXPECT_EQ(FrontEndGlobals().nOutputHeight, 1440);
    EXPECT_EQ(record.nFileSizeMB, 100) << "an empty edit keeps the value";
    EXPECT_EQ(record.nQuality, 18);
    EXPECT_EQ(record.nOutputFormat, 13);
    EXPECT_EQ(record.nSizeMode, kQualityPriority);
    EXPECT_EQ(record.nAudioBitrate, 192);
    EXPECT_EQ(record.nAudioSampleRate, 48000);
    EXPECT_EQ(record.nAudioChannels, 1);
    EXPECT_EQ(record.nWmvCodec, 0);
    EXPECT_EQ(record.nWmaCodec, 0);
    uint32_t nDeinterlace = 7;
    ASSERT_TRUE(CQVSettingsStore::GetDword(kDecoderSettingsKey, "isDeinterlace", &nDeinterlace));
    EXPECT_EQ(nDeinterlace, 1u);
    int32_t nSmoothing = 7;
    ASSERT_TRUE(ReadSmoothingSetting(FrontEndGlobals().SkinPath("3dsmoothing.xml"), &nSmoothing));
    EXPECT_EQ(nSmoothing, 0);

    // The other end of the clamp, on a second visit.
    Dlg again;
    ASSERT_TRUE(OpenShown(again));
    EXPECT_EQ(again.Combo(Dlg::kIdAudioBitrate)->GetText(), QStringLiteral("192 Kbps"));
    again.Edit(Dlg::kIdWidth)->SetText(QStringLiteral("2000"), false);
    Click(again, again.GetUIManager()->Find(kIdOk, kKindTextButton)->GetRect());
    EXPECT_EQ(Record().nWidth, 1920);
}

TEST_F(SettingsDialogTest, FrameRateEntriesWriteTheirValuesAndShowThemAgain)
{
    const std::pair<const char*, int32_t> kEntries[] = {
        {"Same as source", -1}, {"23.976", 23976}, {"24", 24000},
        {"25", 25000},          {"29.97", 29970},  {"30", 0},
        {"50", 50000},          {"59.94", 59940},  {"60", 60000},
    };
    Record().nOutputFrameRate = 12345; // no rate of the list: the fixed 30 fps mode
    for (int i = 0; i < int(std::size(kEntries)); ++i)
    {
        Dlg dialog;
        ASSERT_TRUE(OpenShown(dialog));
        CQVComboBox* pRate = dialog.Combo(Dlg::kIdFrameRate);
        ASSERT_EQ(pRate->GetCount(), int(std::size(kEntries)));
        EXPECT_EQ(pRate->GetItemText(i), QString::fromUtf8(kEntries[i].first));
        if (i == 0)
        {
            EXPECT_EQ(pRate->GetText(), QStringLiteral("30"));
            const QRect label = dialog.Label(Dlg::kIdFrameRateLabel)->GetRect();
            QTest::mouseMove(dialog.GetWidget(), QPoint(400, label.center().y()));
            EXPECT_TRUE(Text(dialog.Label(Dlg::kIdHelp))
                            .startsWith(QStringLiteral("Here we can set the Frame Rate")));
        }
        Choose(dialog, pRate, i);
        Click(dialog, dialog.GetUIManager()->Find(kIdOk, kKindTextButton)->GetRect());
        EXPECT_EQ(Record().nOutputFrameRate, kEntries[i].second) << kEntries[i].first;

        Dlg again;
        ASSERT_TRUE(OpenShown(again));
        EXPECT_EQ(again.Combo(Dlg::kIdFrameRate)->GetSelection(), i);
        Click(again, again.GetUIManager()->Find(kIdCancel, kKindTextButton)->GetRect());
    }
}

TEST_F(SettingsDialogTest, CancelAfterAnotherPresetKeepsThePreviousOne)
{
    Dlg dialog;
    ASSERT_TRUE(OpenShown(dialog));
    CQVComboBox* pPreset = dialog.Combo(Dlg::kIdPreset);
    EXPECT_EQ(pPreset->GetText(), QStringLiteral("SD VIDEO 480P 16:9"));
    EXPECT_EQ(dialog.Combo(Dlg::kIdOverlay)->GetCount(), 3);
    // The preset list is never shown: its choice arrives as the list would post it.
    pPreset->Select(1, false);
    dialog.PostMessage(kMsgComboChoice, reinterpret_cast<uintptr_t>(pPreset), 1);
    DeliverPosted();
    EXPECT_EQ(FrontEndGlobals().outputSettings.CurrentSlot(), 1);
    EXPECT_EQ(dialog.Edit(Dlg::kIdWidth)->GetText(), QStringLiteral("1440"));
    EXPECT_EQ(dialog.Combo(Dlg::kIdOverlay)->GetCount(), 5);
    dialog.Edit(Dlg::kIdFileSize)->SetText(QStringLiteral("5"), false);
    Click(dialog, dialog.GetUIManager()->Find(kIdCancel, kKindTextButton)->GetRect());
    EXPECT_EQ(dialog.GetResultCode(), kIdCancel);
    EXPECT_EQ(FrontEndGlobals().outputSettings.CurrentSlot(), 4);
    EXPECT_EQ(FrontEndGlobals().outputSettings.Slot(1).nFileSizeMB, 100);
}

TEST_F(SettingsDialogTest, HelpShowsTheTextOfTheLabelRowUnderThePointer)
{
    Dlg dialog;
    ASSERT_TRUE(OpenShown(dialog));
    CQVButton* pHelp = dialog.Label(Dlg::kIdHelp);
    const QRect bitrate = dialog.Label(Dlg::kIdBitrateLabel)->GetRect();
    QTest::mouseMove(dialog.GetWidget(), QPoint(400, bitrate.top() - 2));
    EXPECT_TRUE(
        Text(pHelp).startsWith(QStringLiteral("Here we can input the target video Bitrate")));
    QTest::mouseMove(dialog.GetWidget(), QPoint(250, 60));
    EXPECT_EQ(Text(pHelp), QString());
}

TEST_F(SettingsDialogTest, H264DialogShowsTheDefaultsAndSavesBaselineWithItsBIndex)
{
    ASSERT_FALSE(ReadH264Settings(FrontEndGlobals().SkinPath("h264.dat"), &FrontEndGlobals().h264));
    CQVH264SettingsDlg dialog;
    ASSERT_TRUE(OpenShown(dialog));
    EXPECT_EQ(dialog.GetClientRect().width(), 380);
    EXPECT_GE(dialog.GetClientRect().height(), 270);
    EXPECT_EQ(dialog.GetWindowText(), QStringLiteral("Advanced"));
    using H = CQVH264SettingsDlg;
    EXPECT_EQ(dialog.Combo(H::kIdProfile)->GetText(), QStringLiteral("Standard H264 Main Profile"));
    EXPECT_EQ(dialog.Combo(H::kIdPFrames)->GetText(), QStringLiteral("7 P Frames"));
    EXPECT_EQ(dialog.Combo(H::kIdBFrames)->GetText(), QStringLiteral("1 B Frames"));
    EXPECT_TRUE(dialog.Combo(H::kIdBFrames)->IsEnabled());

    QTest::mouseMove(dialog.GetWidget(), dialog.Combo(H::kIdBFrames)->GetRect().center());
    EXPECT_TRUE(Text(dialog.HelpBox()).contains(QStringLiteral("used.\r\n\r\nNo. of P Frames")));
    Choose(dialog, dialog.Combo(H::kIdProfile), 1);
    EXPECT_FALSE(dialog.Combo(H::kIdBFrames)->IsEnabled());
    Choose(dialog, dialog.Combo(H::kIdPFrames), 2);
    Click(dialog, dialog.GetUIManager()->Find(kIdOk, kKindTextButton)->GetRect());

    tagQVH264Settings saved{-5, -5, -5};
    ASSERT_TRUE(ReadH264Settings(FrontEndGlobals().SkinPath("h264.dat"), &saved));
    EXPECT_EQ(saved.nProfileIndex, 1);
    EXPECT_EQ(saved.nPFrameIndex, 2);
    EXPECT_EQ(saved.nBFrameIndex, 1);
    EXPECT_EQ(FrontEndGlobals().h264.nBFrameIndex, 1);
}

TEST_F(SettingsDialogTest, AdvancedOpensTheH264Settings)
{
    Dlg dialog;
    ASSERT_TRUE(OpenShown(dialog));
    QString opened;
    QTimer::singleShot(200,
                       [&]
                       {
                           CQVPlatformWindow* pActive = CQVPlatformWindow::GetActiveWindow();
                           if (pActive == nullptr)
                               return;
                           opened = pActive->GetWindowText();
                           QTest::keyClick(pActive->GetWidget(), Qt::Key_Escape);
                       });
    Click(dialog, dialog.AdvancedButton()->GetRect());
    EXPECT_EQ(opened, QStringLiteral("Advanced"));
}

TEST_F(SettingsDialogTest, ScreenshotsInTheShippedTheme)
{
    ASSERT_TRUE(CQVTheme::LoadFile(ProgramPath("skin/uicolors/UIColors.uic")));
    // As the main window leaves the record: WMV with the default Windows Media codecs.
    ASSERT_EQ(ChooseDefaultWindowsMediaCodecs(&Record()), 0);
    auto shoot = [](CQVDialogBase& dialog, QPoint ptPointer)
    {
        QTest::mouseMove(dialog.GetWidget(), ptPointer);
        dialog.UpdateWindow();
        return dialog.GetWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    QImage movie, advanced, formats, rates, rateHelp;
    {
        Dlg dialog;
        ASSERT_TRUE(OpenShown(dialog));
        movie = shoot(dialog, dialog.Label(Dlg::kIdOverlayLabel)->GetRect().center());
        CQVComboBox* pFormat = dialog.Combo(Dlg::kIdFormat);
        Click(dialog, pFormat->GetRect());
        ASSERT_TRUE(pFormat->IsDropDownOpen());
        QWidget* pList = pFormat->GetDropDown()->GetWidget();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pList));
        formats = pList->grab().toImage();
        pFormat->CloseDropDown();
        CQVComboBox* pRate = dialog.Combo(Dlg::kIdFrameRate);
        Click(dialog, pRate->GetRect());
        ASSERT_TRUE(pRate->IsDropDownOpen());
        QWidget* pRates = pRate->GetDropDown()->GetWidget();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pRates));
        rates = pRates->grab().toImage();
        pRate->CloseDropDown();
        rateHelp = shoot(dialog, dialog.Label(Dlg::kIdFrameRateLabel)->GetRect().center());
    }
    {
        CQVH264SettingsDlg dialog;
        ASSERT_TRUE(OpenShown(dialog));
        advanced = shoot(dialog, dialog.Combo(CQVH264SettingsDlg::kIdPFrames)->GetRect().center());
    }
    // The frame around the rows, in the dialog edge colour.
    const QColor edge = CQVTheme::ToQColor(CQVTheme::Colors().clrDlgEdge);
    EXPECT_EQ(movie.pixelColor(10, 200).rgb(), edge.rgb());
    EXPECT_EQ(movie.pixelColor(250, 504).rgb(), edge.rgb());
    const QString folder = qEnvironmentVariable("VANTREL_SCREENSHOT_DIR");
    if (!folder.isEmpty())
    {
        EXPECT_TRUE(movie.save(QDir(folder).filePath(QStringLiteral("movie_settings.png"))));
        EXPECT_TRUE(advanced.save(QDir(folder).filePath(QStringLiteral("h264.png"))));
        EXPECT_TRUE(formats.save(QDir(folder).filePath(QStringLiteral("format_list.png"))));
        EXPECT_TRUE(rates.save(QDir(folder).filePath(QStringLiteral("frame_rate_list.png"))));
        EXPECT_TRUE(rateHelp.save(QDir(folder).filePath(QStringLiteral("frame_rate_help.png"))));
    }
}
