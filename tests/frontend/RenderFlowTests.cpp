// The render flow with the real engine: output names and sizes, honest results for failed
// rows, stopping, and the batch status.
#include "formats/OutputTypes.h"
#include "formats/OutputTypes.h"
#include "formats/WindowsMediaProfile.h"
#include "frontend/BatchLogic.h"
#include "frontend/BatchModel.h"
#include "frontend/CQVMainDlg.h"
#include "frontend/CQVMessageStrip.h"
#include "frontend/CQVRenderFlow.h"
#include "frontend/TempFolder.h"
#include "platform/Process.h"
#include "probe/MediaInfoProbe.h"
#include "project/OutputFrameRate.h"
#include "tests/frontend/FrontEndTestSupport.h"
#include "tests/frontend/UrlCatcher.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestMedia.h"
#include "ui/CQVButton.h"
#include "ui/CQVListCtrl.h"
#include "ui/CQVMessageDlg.h"

#include <QDesktopServices>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <csignal>
#include <unistd.h>

using namespace qv;
using namespace qv::test;

namespace
{

std::string Clip(const std::string& name, int nWidth, int nHeight, int nSeconds)
{
    static CQVScratchFolder folder;
    const std::string path = folder / name;
    if (!PathExists(path))
        RunFFmpeg("-f lavfi -i testsrc2=size=" + std::to_string(nWidth) + "x" +
                  std::to_string(nHeight) + ":rate=30 -f lavfi -i sine -t " +
                  std::to_string(nSeconds) +
                  " -pix_fmt yuv420p -c:v libx264 -preset ultrafast -c:a aac \"" + path + "\"");
    return path;
}

// "WIDTHxHEIGHT" of the first video stream.
QString ProbeSize(const std::string& path)
{
    QProcess probe;
    probe.start("ffprobe",
                {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=width,height",
                 "-of", "csv=p=0:s=x", QString::fromStdString(path)});
    probe.waitForFinished(10000);
    return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
}

class RenderFlowTest : public CFrontEndTest
{
protected:
    void SetUp() override
    {
        CFrontEndTest::SetUp();
        // The engine runs beside the front-end's tmp/, as in the program folder.
        ASSERT_TRUE(CopyFile(VANTREL_BUILT_ENGINE,
                             FrontEndGlobals().programFolder + "VantrelEngine", true));
        ASSERT_TRUE(OpenShown(dialog));
        pList = dialog.FileList();
        pFlow = dialog.RenderFlow();
        FrontEndGlobals().outputSettings.Current().nOutputFormat = 0;
    }
    void TearDown() override
    {
        pFlow->Stop();
        dialog.DestroyWindow();
        CFrontEndTest::TearDown();
    }
    void Add(const std::vector<std::string>& paths)
    {
        QStringList list;
        for (const std::string& path : paths)
            list << QString::fromStdString(path);
        dialog.AddFiles(list);
    }
    QString State(int nRow) const { return pList->GetCellText(kColumnState, nRow); }
    // What the State cell's tooltip says of a failure.
    QString Reason(int nRow) const { return pList->GetCellToolTip(kColumnState, nRow); }
    bool WaitIdle(int nTimeoutMs = 60000)
    {
        return WaitFor([&] { return !pFlow->IsRendering(); }, nTimeoutMs);
    }
    bool NoEngineRuns() const
    {
        return FindOwnProcesses(FrontEndGlobals().programFolder + "VantrelEngine").empty();
    }

    // Presses OK in every message box that opens from now on, keeping its text.
    void AnswerBoxes(QStringList* pTexts)
    {
        m_boxes.setInterval(200);
        QObject::connect(
            &m_boxes, &QTimer::timeout,
            [pTexts]
            {
                auto* pBox = dynamic_cast<CQVMessageDlg*>(CQVPlatformWindow::GetActiveWindow());
                if (!pBox)
                    return;
                *pTexts << pBox->GetText();
                CQVButton* pOk = pBox->GetUIManager()->Find(kIdOk, kKindTextButton);
                QTest::mouseClick(pBox->GetWidget(), Qt::LeftButton, {}, pOk->GetRect().center());
            });
        m_boxes.start();
    }

    CQVMainDlg dialog;
    QTimer m_boxes;
    CQVListCtrl* pList = nullptr;
    CQVRenderFlow* pFlow = nullptr;
    CQVTestFolder out{"vantrel-out"};
};

} // namespace

TEST(BatchLogic, NamesExtensionsAndClock)
{
    EXPECT_EQ(OutputPath("/out/", 3, "/clips/beach.mts", ".mp4"), "/out/(output003)beach.mp4");
    EXPECT_EQ(OutputPath("/out/", 12, "C:\\clips\\a.b.c", ".mkv"), "/out/(output012)a.b.mkv");
    const std::pair<int, const char*> extensions[] = {
        {0, ".mp4"}, {2, ".mp4"},  {3, ".avi"},  {6, ".mov"},  {7, ".wmv"},  {8, ".asf"},
        {9, ".mpg"}, {11, ".mpg"}, {12, ".flv"}, {13, ".mkv"}, {14, ".mp4"}, {-1, ".mp4"}};
    for (const auto& [nType, pszExtension] : extensions)
        EXPECT_EQ(OutputExtension(nType), pszExtension) << nType;
    EXPECT_EQ(WithTrailingSeparator("/out"), "/out/");
    EXPECT_FALSE(FitsBlockPath("/" + std::string(259, 'a')));
    EXPECT_TRUE(FitsBlockPath("/" + std::string(258, 'a')));
    EXPECT_DOUBLE_EQ(EstimateSecondsLeft(10, 40, 5), 15.0);
    EXPECT_LT(EstimateSecondsLeft(0, 40, 5), 0.0);
    EXPECT_EQ(FormatClock(65), QStringLiteral("1:05"));
    EXPECT_EQ(FormatClock(3725), QStringLiteral("1:02:05"));
}

TEST(BatchModel, ARowsJobIsItsCropCutToTheFrameInFoursWithItsClamps)
{
    tagQVMediaInfo info;
    info.bHasVideo = info.bHasAudio = 1;
    info.nWidth = 642;
    info.nHeight = 362;
    info.dDuration = 10.0;
    const tagQVBatchRow added = NewBatchRow("/clips/a.mp4", info);
    struct
    {
        const char* pszCase;
        std::vector<std::pair<int, const char*>> edits; // column, typed text
        bool bCropped;
        int x, w;            // the crop when cropped
        int nWidth, nHeight; // the output size
    } kCases[] = {
        {"the full frame is no crop", {}, false, 0, 0, 640, 360},
        {"cut to the frame, then to fours",
         {{kColumnCropX, "-10"}, {kColumnCropWidth, "117"}},
         true,
         0,
         104,
         104,
         360},
        {"no overlap: 4 x 4", {{kColumnCropX, "700"}}, false, 0, 0, 4, 4},
        {"typed back to the full frame", {{kColumnCropX, "0"}}, false, 0, 0, 640, 360},
    };
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.pszCase);
        tagQVBatchRow row = added;
        for (const auto& [nColumn, pszText] : c.edits)
            ASSERT_TRUE(EditRowCell(&row, nColumn, QString::fromLatin1(pszText)));
        const tagQVRowJob job = JobOfRow(row);
        EXPECT_EQ(job.item.bCropped, c.bCropped);
        if (c.bCropped)
        {
            EXPECT_EQ(job.item.crop.xcrop, c.x);
            EXPECT_EQ(job.item.crop.wcrop, c.w);
        }
        EXPECT_EQ(job.size.nWidth, c.nWidth);
        EXPECT_EQ(job.size.nHeight, c.nHeight);
    }

    tagQVBatchRow row = added;
    for (const auto& [nColumn, pszText] :
         {std::pair<int, const char*>{kColumnStart, "8"}, {kColumnEnd, "5"}, {kColumnSpeed, "0"}})
        EditRowCell(&row, nColumn, QString::fromLatin1(pszText));
    EXPECT_NEAR(BuildJobProject(JobOfRow(row).item, 1).Length(), 0.1 / 0.01, 1e-6)
        << "End - 0.1 .. End at speed 0.01";
    EXPECT_EQ(RowCellText(row, kColumnSpeed), QStringLiteral("0.00"));
    EXPECT_FALSE(EditRowCell(&row, kColumnSourceWidth, QStringLiteral("9"))) << "read-only";
}

TEST(BatchModel, OperationsKeepIdsStatesAndTellTheirListeners)
{
    CQVBatchModel model;
    std::vector<std::pair<CQVBatchModel::EChange, int>> changes;
    model.AddListener([&](CQVBatchModel::EChange e, int nRow) { changes.emplace_back(e, nRow); });
    tagQVMediaInfo info;
    info.bHasVideo = 1;
    info.nWidth = 320;
    info.nHeight = 240;
    info.dDuration = 3;
    model.AppendRows({NewBatchRow("/a.mp4", info), NewBatchRow("/b.mp4", info)});
    info.nWidth = 160;
    model.Append(NewBatchRow("/small.mp4", info));
    auto sources = [&]
    {
        std::string s;
        for (const tagQVBatchRow& row : model.Rows())
            s += row.source + " ";
        return s;
    };
    EXPECT_EQ(sources(), "/a.mp4 /b.mp4 /small.mp4 ");
    EXPECT_FALSE(model.MoveUp(0));
    EXPECT_FALSE(model.MoveDown(2));
    EXPECT_TRUE(model.MoveDown(0));
    EXPECT_EQ(sources(), "/b.mp4 /a.mp4 /small.mp4 ");
    const int nIdA = model.Row(1)->nId;
    model.KeepOrder({model.Row(2)->nId, nIdA});
    EXPECT_EQ(sources(), "/small.mp4 /a.mp4 ") << "the list's own moves and removals";

    model.SetState(1, ERowState::Finished);
    EXPECT_EQ(RowStateText(*model.Row(1)), QStringLiteral("Finish"));
    model.SetCrop(1, 100, 10, 200, 100);
    EXPECT_EQ(model.Row(1)->eState, ERowState::Ready) << "a new crop returns the row to Ready";
    EXPECT_EQ(model.CopyCropToAll(1), 1) << "100 + 200 is past the small source";
    model.SetProgress(1, 42.5);
    EXPECT_EQ(RowStateText(*model.Row(1)), QStringLiteral("42.500%"));
    changes.clear();
    model.SetProgress(1, 50);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, CQVBatchModel::kProgress) << "a percentage is no change to keep";
    model.SetState(0, ERowState::Missing, "the source file is missing");
    model.ResetStates();
    EXPECT_EQ(model.Row(0)->eState, ERowState::Missing) << "a missing source stays missing";
    EXPECT_EQ(model.Row(1)->eState, ERowState::Ready);
    EXPECT_EQ(model.IndexOf(nIdA), 1);
}

TEST_F(RenderFlowTest, AFullFrameRowRendersInFoursWithoutACrop)
{
    Add({Clip("wide.mp4", 642, 362, 1)});
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(State(0), QStringLiteral("Finish"));
    EXPECT_EQ(pFlow->LastOutputPath(), out / "(output001)wide.mp4");
    EXPECT_EQ(ProbeSize(pFlow->LastOutputPath()), QStringLiteral("640x360"));
    EXPECT_TRUE(
        dialog.MessageStrip()->Lines().last().startsWith(QStringLiteral("1 finished, 0 failed")));
    EXPECT_TRUE(NoEngineRuns());

    // The status line's link hands the target folder to the desktop.
    CUrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    dialog.UpdateWindow();
    ASSERT_FALSE(dialog.MessageStrip()->LinkRect().isEmpty());
    QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {},
                      dialog.MessageStrip()->LinkRect().center());
    DeliverPosted();
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toLocalFile().toStdString(), WithTrailingSeparator(out.Path()));
}

TEST_F(RenderFlowTest, StartAfterEndAndSpeedZeroRenderTheLastTenthAtSpeedOneHundredth)
{
    Add({Clip("x.mp4", 160, 120, 1)});
    dialog.Batch().EditCell(0, kColumnStart, "0.9");
    dialog.Batch().EditCell(0, kColumnEnd, "0.5");
    dialog.Batch().EditCell(0, kColumnSpeed, "0");
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(State(0), QStringLiteral("Finish")) << Reason(0).toStdString();
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-count_frames",
                            "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0",
                            QString::fromStdString(pFlow->LastOutputPath())});
    probe.waitForFinished(30000);
    // 0.4 .. 0.5 s of the source at 0.01 x: 10 s, 300 pictures at 30 fps.
    EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(), QStringLiteral("300"));
}

TEST_F(RenderFlowTest, FailedRowsReadFailedAndTheBatchGoesOnWithoutOverwriting)
{
    const std::string good = Clip("x.mp4", 160, 120, 1);
    CQVScratchFolder scratch;
    const std::string gone = scratch / "gone.mp4";
    ASSERT_TRUE(CopyFile(good, gone, false));
    Add({gone, good});
    ASSERT_EQ(pList->GetRowCount(), 2);
    std::remove(gone.c_str());
    const std::string existing = out / "(output002)x.mp4";
    ASSERT_TRUE(WriteWholeFile(existing, "keep me"));

    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(State(0), QStringLiteral("Failed"));
    EXPECT_EQ(State(1), QStringLiteral("Finish"));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(existing, &bytes));
    EXPECT_EQ(bytes, "keep me");
    EXPECT_EQ(pFlow->LastOutputPath(), out / "(output003)x.mp4");
    EXPECT_EQ(ProbeSize(pFlow->LastOutputPath()), QStringLiteral("160x120"));
    EXPECT_FALSE(Reason(0).isEmpty());
    EXPECT_TRUE(
        dialog.MessageStrip()->Lines().last().startsWith(QStringLiteral("1 finished, 1 failed")));

    // A failed row is rendered again by the next Render; finished rows are skipped.
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(State(0), QStringLiteral("Failed"));
    EXPECT_TRUE(
        dialog.MessageStrip()->Lines().last().startsWith(QStringLiteral("0 finished, 1 failed")));
}

TEST_F(RenderFlowTest, ATextFileNamedLikeAVideoFails)
{
    CQVScratchFolder scratch;
    const std::string text = scratch / "fake.mp4";
    ASSERT_TRUE(CopyFile(Clip("x.mp4", 160, 120, 1), text, false));
    Add({text});
    ASSERT_TRUE(WriteWholeFile(text, "plain text, not a video\n"));
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(State(0), QStringLiteral("Failed"));
}

TEST_F(RenderFlowTest, AllRowsFinishedEndsAtOnce)
{
    Add({Clip("x.mp4", 160, 120, 1), Clip("x.mp4", 160, 120, 1)});
    dialog.Batch().SetState(0, ERowState::Finished);
    dialog.Batch().SetState(1, ERowState::Finished);
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    EXPECT_FALSE(pFlow->IsRendering());
    EXPECT_EQ(pFlow->OutputCounter(), 0);
}

TEST_F(RenderFlowTest, StoppingDuringTheSecondRowKeepsTheFirstFinished)
{
    Add({Clip("x.mp4", 160, 120, 1), Clip("long.mp4", 640, 360, 60), Clip("x.mp4", 160, 120, 1)});
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitFor([&] { return State(0) == QStringLiteral("Finish"); }, 30000))
        << State(0).toStdString() << " " << Reason(0).toStdString();
    ASSERT_TRUE(WaitFor([&] { return State(1).endsWith(QLatin1Char('%')); }, 30000));
    EXPECT_TRUE(
        dialog.MessageStrip()->Lines().first().startsWith(QStringLiteral("Rendering 2 of 3")));
    dialog.UpdateWindow();
    dialog.GetContentImage().save(
        QString::fromStdString(FrontEndGlobals().programFolder + "render-during.png"));

    // While rendering, the idle-only buttons are off and take no clicks (the ones that would
    // open a dialog are only checked, so that a fault cannot leave a dialog waiting).
    pList->SelectRow(1);
    for (unsigned nId : {CQVMainDlg::kIdAdd, CQVMainDlg::kIdCrop, CQVMainDlg::kIdPreview,
                         CQVMainDlg::kIdSettings, CQVMainDlg::kIdRemove, CQVMainDlg::kIdMoveUp,
                         CQVMainDlg::kIdMoveDown, CQVMainDlg::kIdRemoveAll})
    {
        CQVButton* pButton = dialog.GetUIManager()->Find(static_cast<int>(nId), kKindButton);
        ASSERT_NE(pButton, nullptr) << nId;
        EXPECT_FALSE(pButton->IsEnabled()) << nId;
        if (nId == CQVMainDlg::kIdRemove || nId == CQVMainDlg::kIdMoveUp ||
            nId == CQVMainDlg::kIdMoveDown || nId == CQVMainDlg::kIdRemoveAll)
        {
            QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {}, pButton->GetRect().center());
            DeliverPosted();
        }
    }
    EXPECT_EQ(pList->GetRowCount(), 3);
    EXPECT_EQ(pList->GetCellText(kColumnFile, 1).toStdString(), Clip("long.mp4", 640, 360, 60));

    CQVButton* pRender = dialog.GetUIManager()->Find(CQVMainDlg::kIdRender, kKindButton);
    QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {}, pRender->GetRect().center());
    DeliverPosted();
    EXPECT_FALSE(pFlow->IsRendering());
    EXPECT_EQ(State(0), QStringLiteral("Finish"));
    EXPECT_EQ(State(1), QStringLiteral("Ready"));
    EXPECT_EQ(State(2), QStringLiteral("Ready"));
    EXPECT_TRUE(NoEngineRuns());
}

TEST_F(RenderFlowTest, AKilledEngineFailsItsRowAtOnce)
{
    Add({Clip("x.mp4", 160, 120, 1), Clip("long.mp4", 640, 360, 60), Clip("x.mp4", 160, 120, 1)});
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitFor([&] { return State(1).endsWith(QLatin1Char('%')); }, 30000));
    ASSERT_GT(pFlow->EnginePid(), 0);
    kill(pFlow->EnginePid(), SIGKILL);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitFor([&] { return State(1) == QStringLiteral("Failed"); }, 5000));
    // The end is heard from the process itself, not at the next one-second tick.
    EXPECT_LT(clock.elapsed(), 900);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(State(0), QStringLiteral("Finish"));
    EXPECT_EQ(State(2), QStringLiteral("Finish"));
    EXPECT_EQ(State(1), QStringLiteral("Failed")) << "the end of the batch keeps failures";
    EXPECT_TRUE(Reason(1).startsWith(QStringLiteral("Failed: "))) << Reason(1).toStdString();
    EXPECT_TRUE(
        dialog.MessageStrip()->Lines().last().startsWith(QStringLiteral("2 finished, 1 failed")));
    dialog.UpdateWindow();
    const QImage shot = dialog.GetContentImage();
    shot.save(QString::fromStdString(FrontEndGlobals().programFolder + "render-after.png"));
    // A failure stands out: its word is drawn in red.
    const QRect word = pList->GetCellRect(kColumnState, 1).adjusted(60, 6, -60, -6);
    int nRed = 0;
    for (int y = word.top(); y <= word.bottom(); ++y)
        for (int x = word.left(); x <= word.right(); ++x)
            nRed += shot.pixelColor(x, y).red() > shot.pixelColor(x, y).green() + 80;
    EXPECT_GT(nRed, 10);
}

TEST_F(RenderFlowTest, ARowWhoseMessageBoxStaysOpenFailsAloneAndTheBatchGoesOn)
{
    // "(output001)" + this stem + ".mp4" in any folder is past the block's 259 characters.
    const std::string longName = Clip(std::string(240, 'n') + ".mp4", 160, 120, 1);
    Add({longName, Clip("x.mp4", 160, 120, 1)});
    QString strBox;
    // Left open for more than two ticks of the render timer, as a user reading it would.
    QTimer::singleShot(
        2600,
        [&]
        {
            auto* pBox = dynamic_cast<CQVMessageDlg*>(CQVPlatformWindow::GetActiveWindow());
            ASSERT_NE(pBox, nullptr);
            strBox = pBox->GetText();
            EXPECT_EQ(State(0), QStringLiteral("Failed"));
            EXPECT_EQ(State(1), QStringLiteral("Ready")) << "no row moves on";
            CQVButton* pOk = pBox->GetUIManager()->Find(kIdOk, kKindTextButton);
            ASSERT_NE(pOk, nullptr);
            QTest::mouseClick(pBox->GetWidget(), Qt::LeftButton, {}, pOk->GetRect().center());
        });
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(strBox.startsWith(QStringLiteral("The output path is too long")))
        << strBox.toStdString();
    EXPECT_EQ(State(0), QStringLiteral("Failed"));
    EXPECT_EQ(Reason(0), QStringLiteral("Failed: the output path is too long"));
    EXPECT_EQ(State(1), QStringLiteral("Finish"));
    EXPECT_EQ(pFlow->LastOutputPath(), out / "(output001)x.mp4") << "the refused row took none";
    EXPECT_TRUE(
        dialog.MessageStrip()->Lines().last().startsWith(QStringLiteral("1 finished, 1 failed")))
        << dialog.MessageStrip()->Lines().join('|').toStdString();
}

TEST_F(RenderFlowTest, ClosingDuringARenderAsksFirst)
{
    Add({Clip("long.mp4", 640, 360, 60)});
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    int nAnswered = 0;
    auto answer = [&nAnswered](int nButton)
    {
        QTimer::singleShot(
            300,
            [nButton, &nAnswered]
            {
                auto* pBox = dynamic_cast<CQVMessageDlg*>(CQVPlatformWindow::GetActiveWindow());
                ASSERT_NE(pBox, nullptr);
                EXPECT_EQ(pBox->GetCaption(), QStringLiteral("Exit?"));
                CQVButton* pButton = pBox->GetUIManager()->Find(nButton, kKindTextButton);
                QTest::mouseClick(pBox->GetWidget(), Qt::LeftButton, {},
                                  pButton->GetRect().center());
                ++nAnswered;
            });
    };
    CQVButton* pClose = dialog.GetUIManager()->Find(kIdCancel, kKindButton);
    answer(kIdNo);
    QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {}, pClose->GetRect().center());
    DeliverPosted();
    ASSERT_TRUE(WaitFor([&] { return nAnswered == 1; }));
    Pump(100);
    EXPECT_TRUE(pFlow->IsRendering());
    EXPECT_FALSE(dialog.IsEnded());

    answer(kIdYes);
    QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {}, pClose->GetRect().center());
    DeliverPosted();
    ASSERT_TRUE(WaitFor([&] { return nAnswered == 2 && dialog.IsEnded(); }));
    EXPECT_FALSE(pFlow->IsRendering());
    EXPECT_TRUE(NoEngineRuns());
}

// "Same as source" for Windows Media: the profile the front-end writes carries the
// source's own rate, and every source picture comes out once.
TEST_F(RenderFlowTest, SameAsSourceCarriesTheSourcesRateIntoTheWindowsMediaProfile)
{
    static CQVScratchFolder folder;
    const std::string clip = folder / "pal.mp4";
    ASSERT_TRUE(RunFFmpeg("-f lavfi -i testsrc2=size=160x120:rate=25 -t 2 -pix_fmt yuv420p"
                          " -c:v libx264 -preset ultrafast \"" +
                          clip + "\""));
    tagQVOutputSettings& record = FrontEndGlobals().outputSettings.Current();
    record.nOutputFormat = kOutputWmv;
    record.nOutputFrameRate = kFrameRateSameAsSource;
    Add({clip});
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(State(0), QStringLiteral("Finish"));
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0",
                            "-show_entries", "stream=r_frame_rate,nb_read_frames", "-of", "csv=p=0",
                            QString::fromStdString(pFlow->LastOutputPath())});
    probe.waitForFinished(20000);
    EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(),
              QStringLiteral("25/1,50"));
}

TEST_F(RenderFlowTest, WindowsMediaRowsOfBothTypesTakeTheirOwnCrop)
{
    // ASF first with no profile left by a WMV row, then WMV and ASF rows of other sizes.
    std::remove(FrontEndGlobals().TempPath("wmv.prx").c_str());
    const struct
    {
        int32_t nType;
        int x, y, w, h;
        const char* pszName;
    } kRows[] = {{kOutputAsf, 8, 8, 100, 60, "(output001)x.asf"},
                 {kOutputWmv, 0, 0, 120, 88, "(output002)x.wmv"},
                 {kOutputAsf, 20, 10, 80, 48, "(output003)x.asf"}};
    tagQVOutputSettings& record = FrontEndGlobals().outputSettings.Current();
    ChooseDefaultWindowsMediaCodecs(&record);
    for (const auto& row : kRows)
    {
        SCOPED_TRACE(row.pszName);
        Add({Clip("x.mp4", 160, 120, 1)});
        const int nRow = pList->GetRowCount() - 1;
        const int values[] = {row.x, row.y, row.w, row.h};
        dialog.Batch().SetCrop(nRow, values[0], values[1], values[2], values[3]);
        record.nOutputFormat = row.nType;
        ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
        ASSERT_TRUE(WaitIdle());
        ASSERT_EQ(State(nRow), QStringLiteral("Finish")) << Reason(nRow).toStdString();
        EXPECT_EQ(pFlow->LastOutputPath(), out / row.pszName);
        const tagQVProbe probe = ProbeFile(pFlow->LastOutputPath());
        ASSERT_TRUE(probe.bOk);
        EXPECT_EQ(probe.formatName, "asf");
        const tagQVProbeStream* pVideo = probe.Find("video");
        const tagQVProbeStream* pAudio = probe.Find("audio");
        ASSERT_TRUE(pVideo && pAudio);
        EXPECT_EQ(pVideo->codecName, "wmv2");
        EXPECT_EQ(pAudio->codecName, "wmav2");
        EXPECT_EQ(pVideo->width, row.w);
        EXPECT_EQ(pVideo->height, row.h);
    }
}

TEST_F(RenderFlowTest, AProfileThatCannotBeSavedFailsItsRowAndUsesNoOutputNumber)
{
    // A folder where the profile belongs cannot be replaced by the file.
    const std::string profile = FrontEndGlobals().TempPath("wmv.prx");
    std::remove(profile.c_str());
    ASSERT_TRUE(MakeFolders(profile + "/busy"));
    ChooseDefaultWindowsMediaCodecs(&FrontEndGlobals().outputSettings.Current());
    Add({Clip("x.mp4", 160, 120, 1)});
    QStringList boxes;
    AnswerBoxes(&boxes);
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitIdle());
    m_boxes.stop();
    EXPECT_EQ(boxes, QStringList{QStringLiteral("Save Wmv Profile Failed!")});
    EXPECT_EQ(State(0), QStringLiteral("Failed"));
    EXPECT_EQ(pFlow->OutputCounter(), 0);

    ASSERT_TRUE(EmptyFolder(profile));
    ASSERT_EQ(rmdir(profile.c_str()), 0);
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(State(0), QStringLiteral("Finish")) << Reason(0).toStdString();
    EXPECT_EQ(pFlow->LastOutputPath(), out / "(output001)x.wmv");
}

TEST_F(RenderFlowTest, AnAv1RowUnderSixtyFourPixelsFailsWithItsReasonAndTheBatchGoesOn)
{
    FrontEndGlobals().outputSettings.Current().nOutputFormat = kOutputMp4Av1;
    Add({Clip("small.mp4", 60, 60, 1), Clip("x.mp4", 160, 120, 1)});
    ASSERT_TRUE(pFlow->StartInFolder(out.Path()));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(State(0), QStringLiteral("Failed"));
    EXPECT_EQ(Reason(0),
              QStringLiteral("Failed: AV1 needs a picture of at least 64 × 64 pixels; this one "
                             "is 60 × 60"));
    ASSERT_EQ(State(1), QStringLiteral("Finish")) << Reason(1).toStdString();
    EXPECT_EQ(pFlow->LastOutputPath(), out / "(output001)x.mp4");
    EXPECT_EQ(ProbeSize(pFlow->LastOutputPath()), QStringLiteral("160x120"));
}
