// The main window with real input on the offscreen platform: adding, dropping, moving and
// editing rows, the row menu's crop copy, maximise and minimise, and a screenshot.
#include "formats/OutputTypes.h"
#include "frontend/CQVCropDlg.h"
#include "frontend/CQVMainDlg.h"
#include "frontend/CQVMessageStrip.h"
#include "frontend/FrontEndCommands.h"
#include "project/AudioSubstitutes.h"
#include "tests/frontend/FrontEndTestSupport.h"
#include "tests/support/TestMedia.h"
#include "ui/CQVButton.h"
#include "ui/CQVEditCtrl.h"
#include "ui/CQVListCtrl.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QStyleHints>
#include <QGuiApplication>
#include <QTimer>
#include <QMimeData>
#include <QUrl>
#include <QWindow>

using namespace qv;
using namespace qv::test;

namespace
{

// Small generated sources, made once per machine.
std::string Clip(const std::string& name, const std::string& arguments)
{
    static CQVScratchFolder folder;
    const std::string path = folder / name;
    if (!PathExists(path))
        RunFFmpeg(arguments + " \"" + path + "\"");
    return path;
}

std::string VideoClip(int nWidth, int nHeight, const std::string& name)
{
    return Clip(name, "-f lavfi -i testsrc2=size=" + std::to_string(nWidth) + "x" +
                          std::to_string(nHeight) + ":rate=30 -t 1 -pix_fmt yuv420p -c:v libx264");
}

class MainWindowTest : public CFrontEndTest
{
protected:
    void SetUp() override
    {
        CFrontEndTest::SetUp();
        ASSERT_TRUE(OpenShown(dialog));
        pWidget = dialog.GetWidget();
        pList = dialog.FileList();
    }
    void TearDown() override
    {
        dialog.DestroyWindow();
        CFrontEndTest::TearDown();
    }
    void ClickControl(unsigned nId)
    {
        CQVButton* pButton = dialog.GetUIManager()->Find(static_cast<int>(nId), kKindButton);
        ASSERT_NE(pButton, nullptr);
        QTest::mouseClick(pWidget, Qt::LeftButton, {}, pButton->GetRect().center());
        DeliverPosted();
    }
    QStringList Files() const
    {
        QStringList files;
        for (int i = 0; i < pList->GetRowCount(); ++i)
            files << pList->GetCellText(kColumnFile, i);
        return files;
    }

    CQVMainDlg dialog;
    QWidget* pWidget = nullptr;
    CQVListCtrl* pList = nullptr;
};

} // namespace

TEST_F(MainWindowTest, OpensAsDescribedWithWindowsMediaOutput)
{
    EXPECT_EQ(dialog.GetWindowText(), QStringLiteral("Vantrel"));
    EXPECT_EQ(dialog.GetClientRect().size(), QSize(1000, 650));
    EXPECT_EQ(FrontEndGlobals().outputSettings.Current().nOutputFormat, kOutputWmv);
    EXPECT_EQ(FrontEndGlobals().outputSettings.Current().nAudioChannels, 1) << "stereo";
    ASSERT_EQ(pList->GetColumnCount(), kFileColumnCount);
    EXPECT_FALSE(pList->IsHeaderMenuEnabled());
    EXPECT_TRUE(pList->IsColumnVisible(kColumnCropX));
    EXPECT_FALSE(pList->IsColumnVisible(kColumnStart));
    EXPECT_EQ(pList->GetColumnTitle(kColumnSyncAudio), QStringLiteral("Sync Audio"));
    EXPECT_EQ(pList->EmptyText(), QStringLiteral("Add videos or drop them here"));
    EXPECT_TRUE(dialog.MessageStrip()->Lines().isEmpty());
}

TEST_F(MainWindowTest, AddsVideoRowsWithTheirCellsAndSkipsSoundOnlyFiles)
{
    const std::string video = VideoClip(330, 250, "odd size.mp4");
    const std::string sound = MediaPath(EMedia::AudioOnly);
    EXPECT_EQ(dialog.AddFiles({QString::fromStdString(sound), QString::fromStdString(video)}), 1);
    ASSERT_EQ(pList->GetRowCount(), 1);
    const QStringList expected = {QString::fromStdString(video),
                                  "Ready",
                                  "1.00",
                                  "0.00",
                                  "1.00",
                                  "0.00",
                                  "1.00",
                                  "1.00",
                                  "330",
                                  "250",
                                  "0",
                                  "0",
                                  "330",
                                  "250",
                                  "1",
                                  "0",
                                  "330",
                                  "250"};
    EXPECT_EQ(dialog.RowCells(0), expected);
    EXPECT_EQ(dialog.MessageStrip()->Lines(),
              QStringList{QStringLiteral("1 file skipped: no video")});
}

TEST_F(MainWindowTest, TheSameWindowsMediaFileTwiceReusesItsWav)
{
    const std::string wmv =
        Clip("clip.wmv", "-f lavfi -i testsrc2=size=160x120:rate=15 -f lavfi -i "
                         "sine=frequency=440 -t 1 -c:v wmv2 -c:a wmav2");
    ASSERT_EQ(dialog.AddFiles({QString::fromStdString(wmv), QString::fromStdString(wmv)}), 2);
    const auto items = ReadAudioSubstitutes(FrontEndGlobals().TempPath("wavfiles.dat"));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].source, wmv);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(items[0].wav, &bytes));
    ASSERT_GT(bytes.size(), 44u + 40000u);
    auto le = [&bytes](size_t nAt, int nBytes)
    {
        uint32_t n = 0;
        for (int i = nBytes - 1; i >= 0; --i)
            n = n << 8 | static_cast<uint8_t>(bytes[nAt + size_t(i)]);
        return n;
    };
    // The canonical header: PCM, stereo, 44.1 kHz, 16-bit.
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(le(4, 4), bytes.size() - 8);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    const uint32_t header[][3] = {{16, 4, 16},     {20, 2, 1}, {22, 2, 2}, {24, 4, 44100},
                                  {28, 4, 176400}, {32, 2, 4}, {34, 2, 16}};
    for (const auto& field : header)
        EXPECT_EQ(le(field[0], int(field[1])), field[2]) << "at " << field[0];
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(le(40, 4), bytes.size() - 44);

    // Its WAV gone, the file is extracted again and its entry takes the new one.
    std::remove(items[0].wav.c_str());
    ASSERT_EQ(dialog.AddFiles({QString::fromStdString(wmv)}), 1);
    const auto again = ReadAudioSubstitutes(FrontEndGlobals().TempPath("wavfiles.dat"));
    ASSERT_EQ(again.size(), 1u);
    EXPECT_NE(again[0].wav, items[0].wav);
    EXPECT_TRUE(PathExists(again[0].wav));
    std::remove(again[0].wav.c_str());
    std::remove(FrontEndGlobals().TempPath("wavfiles.dat").c_str());
}

TEST_F(MainWindowTest, MoveButtonsStopAtTheEndsAndRemoveNeedsASelection)
{
    const QString a = QString::fromStdString(VideoClip(160, 120, "a.mp4"));
    const QString b = QString::fromStdString(VideoClip(160, 120, "b.mp4"));
    dialog.AddFiles({a, b});
    ClickControl(CQVMainDlg::kIdRemove);
    EXPECT_EQ(Files(), (QStringList{a, b})) << "no selection: nothing removed";
    pList->SelectRow(0);
    ClickControl(CQVMainDlg::kIdMoveUp);
    EXPECT_EQ(Files(), (QStringList{a, b}));
    ClickControl(CQVMainDlg::kIdMoveDown);
    EXPECT_EQ(Files(), (QStringList{b, a}));
    ClickControl(CQVMainDlg::kIdMoveDown);
    EXPECT_EQ(Files(), (QStringList{b, a})) << "the last row stays last";
}

TEST_F(MainWindowTest, EditingAFinishedRowReturnsItToReady)
{
    dialog.AddFiles({QString::fromStdString(VideoClip(160, 120, "a.mp4"))});
    dialog.Batch().SetState(0, ERowState::Finished);
    QTest::mouseClick(pWidget, Qt::LeftButton, {}, pList->GetCellRect(kColumnCropX, 0).center());
    ASSERT_TRUE(pList->IsEditorOpen());
    auto* pEdit = qobject_cast<QLineEdit*>(pList->GetEditor()->GetWidget());
    ASSERT_NE(pEdit, nullptr);
    pEdit->selectAll();
    QTest::keyClicks(pEdit, QStringLiteral("8"));
    QTest::keyClick(pEdit, Qt::Key_Return);
    DeliverPosted();
    EXPECT_EQ(pList->GetCellText(kColumnCropX, 0), QStringLiteral("8"));
    EXPECT_EQ(pList->GetCellText(kColumnState, 0), QStringLiteral("Ready"));
    EXPECT_EQ(pList->GetProgress(kColumnState, 0), 0.0);
}

TEST_F(MainWindowTest, DroppedFilesAreAddedInOrder)
{
    QStringList paths;
    for (const char* name : {"c 1.mp4", "ç2.mp4", "c'3.mp4"})
        paths << QString::fromStdString(VideoClip(160, 120, name));
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(pWidget, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(pWidget, &drop);
    EXPECT_EQ(Files(), paths);

    dialog.SetRenderingState(true);
    QDragEnterEvent refused(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(pWidget, &refused);
    EXPECT_FALSE(refused.isAccepted()) << "no drops while rendering";
    dialog.SetRenderingState(false);
}

TEST_F(MainWindowTest, CopyCropToAllRowsSkipsASmallerSource)
{
    const QString big = QString::fromStdString(VideoClip(320, 240, "big.mp4"));
    const QString small = QString::fromStdString(VideoClip(160, 120, "small.mp4"));
    dialog.AddFiles({big, small, big});
    dialog.Batch().SetCrop(0, 100, 0, 200, 240);
    dialog.Batch().SetState(2, ERowState::Finished);
    // A click makes row 0's cell current; a right click on it opens the row menu, where the
    // command is chosen as a user would.
    const QPoint cell = pList->GetCellRect(kColumnFile, 0).center();
    QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {}, cell);
    DeliverPosted();
    bool bChosen = false;
    QTimer::singleShot(300,
                       [&bChosen]
                       {
                           auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                           ASSERT_NE(pMenu, nullptr);
                           for (QAction* pAction : pMenu->actions())
                               if (pAction->text() == QStringLiteral("Copy Crop to All Rows"))
                               {
                                   bChosen = true;
                                   QTest::mouseClick(pMenu, Qt::LeftButton, {},
                                                     pMenu->actionGeometry(pAction).center());
                               }
                       });
    QTest::mouseClick(dialog.GetWidget(), Qt::RightButton, {}, cell);
    DeliverPosted();
    ASSERT_TRUE(bChosen);
    EXPECT_EQ(pList->GetCellText(kColumnCropX, 2), QStringLiteral("100"));
    EXPECT_EQ(pList->GetCellText(kColumnCropWidth, 2), QStringLiteral("200"));
    EXPECT_EQ(pList->GetCellText(kColumnState, 2), QStringLiteral("Ready"));
    EXPECT_EQ(pList->GetCellText(kColumnCropX, 1), QStringLiteral("0")) << "100 + 200 > 160";
    EXPECT_EQ(pList->GetCellText(kColumnCropWidth, 1), QStringLiteral("160"));
}

TEST_F(MainWindowTest, MaximiseRestoresAndMinimiseChangesTheState)
{
    const QRect before = dialog.GetWindowRect();
    ClickControl(CQVMainDlg::kIdMaximise);
    EXPECT_TRUE(dialog.IsMaximised());
    EXPECT_EQ(dialog.GetWindowRect(), dialog.GetWorkArea());
    EXPECT_FALSE(dialog.IsCaptionPoint(QPoint(300, 10))) << "a maximised window does not drag";
    QTest::mouseDClick(pWidget, Qt::LeftButton, {}, QPoint(300, 10));
    DeliverPosted();
    EXPECT_FALSE(dialog.IsMaximised());
    EXPECT_EQ(dialog.GetWindowRect(), before);
    ClickControl(CQVMainDlg::kIdMinimise);
    EXPECT_TRUE(pWidget->windowState() & Qt::WindowMinimized);
    pWidget->showNormal();
}

// The same on the X server, with xdotool's pointer: double clicks on the caption maximise to
// the work area and restore; with no window manager on Xvfb, minimise shows in the state.
class XServerMainWindow : public MainWindowTest
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server: run under xvfb-run";
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "xdotool is not installed";
        MainWindowTest::SetUp();
    }
    // A click (or double click) of the pointer at a client point, as a user makes it.
    bool ClickAt(QPoint ptClient, int nClicks)
    {
        Pump(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
        const QPoint pt = dialog.ClientToScreen(ptClient);
        return QProcess::execute(QStringLiteral("xdotool"),
                                 {"mousemove", "--sync", QString::number(pt.x()),
                                  QString::number(pt.y()), "click", "--repeat",
                                  QString::number(nClicks), "--delay", "60", "1"}) == 0;
    }
};

TEST_F(XServerMainWindow, CaptionDoubleClicksMaximiseAndRestoreAndMinimiseChangesTheState)
{
    const QRect before = dialog.GetWindowRect();
    ASSERT_TRUE(ClickAt(QPoint(300, 10), 2));
    EXPECT_TRUE(WaitFor([&] { return dialog.IsMaximised(); }));
    EXPECT_TRUE(WaitFor([&] { return dialog.GetWindowRect() == dialog.GetWorkArea(); }));
    ASSERT_TRUE(ClickAt(QPoint(300, 10), 2));
    EXPECT_TRUE(WaitFor([&] { return !dialog.IsMaximised() && dialog.GetWindowRect() == before; }))
        << "restored to " << dialog.GetWindowRect().width() << "x"
        << dialog.GetWindowRect().height();
    CQVButton* pMinimise =
        dialog.GetUIManager()->Find(static_cast<int>(CQVMainDlg::kIdMinimise), kKindButton);
    ASSERT_NE(pMinimise, nullptr);
    ASSERT_TRUE(ClickAt(pMinimise->GetRect().center(), 1));
    EXPECT_TRUE(WaitFor([&] { return bool(pWidget->windowState() & Qt::WindowMinimized); }));
    pWidget->showNormal();
}

TEST_F(MainWindowTest, ScreenshotWithFiveRows)
{
    QStringList paths;
    for (const char* name :
         {"beach.mp4", "harbour at night.mp4", "portrait.mp4", "océan.mp4", "trail.mp4"})
        paths << QString::fromStdString(VideoClip(642, 362, name));
    dialog.AddFiles(paths);
    dialog.Batch().SetState(0, ERowState::Finished);
    dialog.Batch().SetProgress(1, 42.5);
    dialog.Batch().SetState(2, ERowState::Failed, "the engine could not convert this file");
    dialog.UpdateWindow();
    const QImage shot = dialog.GetContentImage();
    ASSERT_EQ(shot.size(), QSize(1000, 650));
    shot.save(QString::fromStdString(FrontEndGlobals().programFolder + "main-window.png"));
}

TEST_F(MainWindowTest, CropAndSettingsCommandsWriteBackToTheRows)
{
    InstallFrontEndCommands(&dialog);
    const QString clip = QString::fromStdString(VideoClip(160, 120, "a.mp4"));
    dialog.AddFiles({clip, clip});
    dialog.Batch().SetCrop(0, 8, 0, 100, 120);
    dialog.Batch().SetState(0, ERowState::Finished);
    dialog.Batch().SetState(1, ERowState::Finished);
    pList->SelectRow(0);
    // Clears "Enable" and presses OK in whichever skinned dialog is active.
    auto press = [](std::vector<std::pair<int, int>> controls)
    {
        QTimer::singleShot(500,
                           [controls]
                           {
                               auto* pActive = dynamic_cast<CQVDialogBase*>(
                                   CQVPlatformWindow::GetActiveWindow());
                               ASSERT_NE(pActive, nullptr);
                               for (const auto& [nId, nKind] : controls)
                               {
                                   CQVButton* pControl = pActive->GetUIManager()->Find(nId, nKind);
                                   ASSERT_NE(pControl, nullptr) << nId;
                                   QTest::mouseClick(pActive->GetWidget(), Qt::LeftButton, {},
                                                     pControl->GetRect().center());
                                   DeliverPosted();
                               }
                           });
    };
    press({{CQVCropDlg::kIdEnable, kKindCheck}, {kIdOk, kKindTextButton}});
    ClickControl(CQVMainDlg::kIdCrop);
    EXPECT_EQ(dialog.RowCells(0).mid(kColumnCropX, 4), (QStringList{"0", "0", "160", "120"}))
        << "a cleared Enable means the full frame";
    EXPECT_EQ(pList->GetCellText(kColumnState, 0), QStringLiteral("Ready"));
    EXPECT_EQ(pList->GetCellText(kColumnState, 1), QStringLiteral("Ready")) << "every row";

    dialog.Batch().SetState(0, ERowState::Finished);
    press({{kIdOk, kKindTextButton}});
    ClickControl(CQVMainDlg::kIdSettings);
    EXPECT_EQ(pList->GetCellText(kColumnState, 0), QStringLiteral("Ready"));
}

TEST_F(MainWindowTest, AddOpensWhereFilesCameFromElseInTheVideosFolderElseHome)
{
    CQVTestFolder videos{"vantrel-videos"};
    auto useVideosFolder = [&](const std::string& folder)
    {
        ASSERT_TRUE(
            WriteFileBytes(m_config / "user-dirs.dirs", "XDG_VIDEOS_DIR=\"" + folder + "\"\n"));
    };
    // The folder the Add dialog shows, which is then cancelled.
    auto shownFolder = [&]
    {
        QString strFolder;
        QTimer::singleShot(300,
                           [&strFolder]
                           {
                               auto* pChooser =
                                   qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                               ASSERT_NE(pChooser, nullptr);
                               strFolder = pChooser->directory().absolutePath();
                               pChooser->reject();
                           });
        ClickControl(CQVMainDlg::kIdAdd);
        return strFolder.toStdString();
    };
    useVideosFolder(videos.Path());
    EXPECT_EQ(shownFolder() + "/", videos.Path());
    useVideosFolder(videos / "gone/");
    EXPECT_EQ(shownFolder(), QDir::homePath().toStdString());

    const std::string clip = VideoClip(160, 120, "a.mp4");
    ASSERT_EQ(dialog.AddFiles({QString::fromStdString(clip)}), 1);
    EXPECT_EQ(shownFolder(), clip.substr(0, clip.rfind('/')));
}

TEST(FileFilter, EveryExtensionInAnyCaseThenAllFiles)
{
    CQVTestFolder folder{"vantrel-filter"};
    for (const char* pszName :
         {"IMG_0001.MOV", "GOPR0002.MP4", "00001.MTS", "clip.Mkv", "a.mp4", "notes.txt", "MOV"})
        ASSERT_TRUE(WriteFileBytes(folder / pszName, "x"));
    // As a dialog that matches case-sensitively would list them.
    const QStringList shown =
        QDir(QString::fromStdString(folder.Path()))
            .entryList(VideoFilePatterns(), QDir::Files | QDir::CaseSensitive, QDir::Name);
    EXPECT_EQ(shown,
              (QStringList{"00001.MTS", "GOPR0002.MP4", "IMG_0001.MOV", "a.mp4", "clip.Mkv"}));
    const QStringList filters = VideoFileFilter().split(QStringLiteral(";;"));
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("Video Files (*.[aA][vV][iI] ")));
    EXPECT_EQ(filters[1], QStringLiteral("All files (*)"));
}
