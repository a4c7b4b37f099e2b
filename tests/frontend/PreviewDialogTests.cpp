// The preview: the values the dialog shows, the preview command, the waiting window's
// frames, and (the XServer suite) the dialog with the real engine playing inside it.
#include "frontend/CQVPreviewMovieDlg.h"
#include "frontend/CQVWaitingDlg.h"
#include "frontend/CQVWaitingThread.h"
#include "frontend/PreviewCommand.h"
#include "media/CQVFFMpegCapture.h"
#include "platform/Process.h"
#include "tests/frontend/FrontEndTestSupport.h"
#include "tests/support/TestMedia.h"
#include "ui/CQVButton.h"
#include "ui/CQVMessageDlg.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTimer>
#include <cstring>
#include <functional>

using namespace qv;
using namespace qv::test;

namespace
{

// The numbered-blocks pattern (frame number in eight blocks across the top half, blue below)
// at 480 x 360, 25 fps, 4 s, with a tone.
const std::string& NumberedSource()
{
    static CQVScratchFolder folder;
    static std::string path;
    if (path.empty())
    {
        const std::string made = folder / "numbered.mp4";
        const std::string bit = "if(lt(Y,H/2),255*mod(floor(N/pow(2,floor(X*8/W))),2),0)";
        if (RunFFmpeg("-f lavfi -i \"color=black:s=480x360:r=25,format=gbrp,geq=r='" + bit +
                      "':g='" + bit + "':b='if(lt(Y,H/2)," + bit +
                      ",255)',trim=end_frame=100\" -f lavfi -i sine=f=440:r=44100:d=4 -ac 2 "
                      "-c:v libx264 -preset veryfast -crf 12 -pix_fmt yuv420p -c:a aac \"" +
                      made + "\""))
            path = made;
    }
    return path;
}

// A row of the numbered source's size, cropped to its rows 60..299 (blocks above, blue below).
tagQVRowJob NumberedJob(const std::string& source, double dEndTime)
{
    tagQVRowJob job;
    tagQVJobRow& row = job.item;
    row.source = source;
    row.dDuration = 4.0;
    row.dEndTime = dEndTime;
    row.bHadAudio = 1;
    row.nVideoWidth = 480;
    row.nVideoHeight = 360;
    const tagQVRowCrop crop{0, 60, 480, 240, 480, 360};
    row = JobRowWithCrop(row, crop);
    job.size = OutputSizeOfRow(crop);
    return job;
}

QString Text(CQVButton* pControl)
{
    QString text;
    if (pControl)
        pControl->GetText(text);
    return text;
}

// Runs onWindow once on the first visible active window of the type while the next modal
// run is on; ends a window that a broken test leaves open.
template <class T> void WhenActive(QTimer& poll, const std::function<void(T*)>& onWindow)
{
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout,
                     [&poll, onWindow]
                     {
                         auto* pWindow = dynamic_cast<T*>(CQVPlatformWindow::GetActiveWindow());
                         if (!pWindow || !pWindow->IsWindowVisible())
                             return;
                         poll.stop();
                         onWindow(pWindow);
                     });
    poll.start();
    // Tied to the poll: a later test's window of the type is not ended by this one's fuse.
    QTimer::singleShot(10000, &poll,
                       []
                       {
                           if (auto* pWindow =
                                   dynamic_cast<T*>(CQVPlatformWindow::GetActiveWindow()))
                               pWindow->EndModal(-5);
                       });
}

class PreviewTest : public CFrontEndTest
{
protected:
    void SetUp() override
    {
        CFrontEndTest::SetUp();
        qputenv("SDL_AUDIODRIVER", "dummy");
    }
    std::vector<pid_t> Engines() const
    {
        return FindOwnProcesses(FrontEndGlobals().programFolder + "VantrelEngine");
    }
};

class CTestWaitingDlg : public CQVWaitingDlg
{
public:
    using CQVWaitingDlg::OnTimer;
};

} // namespace

TEST(PreviewValues, TimeTextBarAndDialogSize)
{
    const std::pair<double, const char*> times[] = {
        {95.25, "00:01:35.2"}, {0.0, "00:00:00.0"},    {-3.0, "00:00:00.0"},
        {NAN, "00:00:00.0"},   {0.0999, "00:00:00.0"}, {3725.99, "01:02:05.9"}};
    for (const auto& [dSeconds, szText] : times)
        EXPECT_EQ(PreviewTimeText(dSeconds), QString::fromLatin1(szText)) << dSeconds;
    EXPECT_DOUBLE_EQ(PreviewPercent(5.0, 10.0), 50.0);
    EXPECT_DOUBLE_EQ(PreviewPercent(20.0, 10.0), 100.0);
    EXPECT_DOUBLE_EQ(PreviewPercent(1.0, 0.0), 0.0);
    EXPECT_EQ(PreviewDialogSize(640, 480), QSize(642, 550));
    // A small crop keeps the dialog usable; its picture sits in the middle of the band.
    EXPECT_EQ(PreviewDialogSize(100, 80), QSize(kPreviewMinWidth, 150));

    // A picture larger than the work area plays smaller: the scale kept to 1/10000, the
    // picture's sides cut to fours as the engine cuts them, and the dialog inside the area.
    const struct
    {
        QSize output, work;
        double dScale;
        QSize picture;
    } scales[] = {
        {{3840, 2160}, {1366, 768}, 0.3231, {1240, 696}},
        {{2160, 3840}, {1600, 1000}, 0.2421, {520, 928}},
        {{1920, 1080}, {1600, 1000}, 0.8322, {1596, 896}},
        {{1280, 720}, {1366, 768}, 0.9694, {1240, 696}},
        {{640, 480}, {1366, 768}, 1.0, {640, 480}},
        {{1364, 698}, {1366, 768}, 1.0, {1364, 698}}, // exactly fits
    };
    for (const auto& row : scales)
    {
        const double dScale = PreviewPlayScale(row.output.width(), row.output.height(), row.work);
        EXPECT_DOUBLE_EQ(dScale, row.dScale) << row.output.width() << "x" << row.output.height();
        const QSize picture =
            dScale == 1.0 ? row.output
                          : PreviewPictureSize(row.output.width(), row.output.height(), dScale);
        EXPECT_EQ(picture, row.picture) << row.output.width() << "x" << row.output.height();
        const QSize dialog = PreviewDialogSize(picture.width(), picture.height());
        EXPECT_TRUE(dialog.width() <= row.work.width() && dialog.height() <= row.work.height());
    }
}

TEST_F(PreviewTest, AProjectOfLessThanHalfASecondGivesTheEmptyTimelineMessage)
{
    const tagQVRowJob job = NumberedJob("/no/such/clip.mp4", 0.4);
    QString message;
    QTimer poll;
    WhenActive<CQVMessageDlg>(poll,
                              [&](CQVMessageDlg* pBox)
                              {
                                  message = pBox->GetText();
                                  pBox->PostMessage(kMsgCommand, kIdOk, 0);
                              });
    EXPECT_EQ(PreviewRow(job, nullptr), EPreviewResult::EmptyTimeline);
    EXPECT_EQ(message, QStringLiteral("The timeline is empty, please edit and try again!"));
    EXPECT_EQ(FrontEndGlobals().controlBlock.Block()->nState, kStateIdle) << "no preview order";
    EXPECT_TRUE(Engines().empty());
}

TEST_F(PreviewTest, ALongItemReadsItsLengthBeforePlaying)
{
    // The row's cells say 95.25 s; what the engine makes of the file does not matter here.
    tagQVRowJob job = NumberedJob("/no/such/clip.mp4", 4.0);
    job.item.dDuration = job.item.dEndTime = 95.25;
    QString time, title;
    SharedControlBlock seen{};
    QTimer poll;
    WhenActive<CQVPreviewMovieDlg>(poll,
                                   [&](CQVPreviewMovieDlg* pDialog)
                                   {
                                       time = Text(pDialog->TimeText());
                                       title = pDialog->GetWindowText();
                                       seen = *FrontEndGlobals().controlBlock.Block();
                                       pDialog->PostMessage(kMsgCommand, kIdOk, 0);
                                   });
    EXPECT_EQ(PreviewRow(job, nullptr), EPreviewResult::Shown);
    EXPECT_EQ(time, QStringLiteral("00:00:00.0 / 00:01:35.2"));
    EXPECT_EQ(title, QStringLiteral("Preview Movie - 480x240"));
    EXPECT_EQ(seen.bShowPreview, 1);
    EXPECT_EQ(seen.bPreviewRun, 1);
    EXPECT_EQ(seen.bConvertJob, 0);
    EXPECT_DOUBLE_EQ(seen.dPreviewLength, 95.25);
    EXPECT_NE(PreviewHost(seen), 0u);
    EXPECT_TRUE(Engines().empty()) << "closing ends the engine it started";
}

TEST_F(PreviewTest, TheWaitingFramesAreTheEdgeColouredImageTurning)
{
    // A 20 x 20 opaque image: red with one green corner pixel, in a clear 2-pixel frame.
    QImage loaded(24, 24, QImage::Format_ARGB32);
    loaded.fill(Qt::transparent);
    for (int y = 2; y < 22; ++y)
        for (int x = 2; x < 22; ++x)
            loaded.setPixel(x, y, qRgb(255, 0, 0));
    loaded.setPixel(2, 2, qRgb(0, 255, 0));
    const uint32_t clrEdge = QVRGB(160, 160, 160);
    const QImage image = CQVWaitingDlg::MakeImage(loaded, clrEdge);
    // Edge colour under the image at a third of its alpha (85 of 255): 255 x 85/255 + 160 x
    // 170/255, within rounding.
    const QRgb inside = image.pixel(10, 10);
    EXPECT_EQ(qAlpha(inside), 255);
    EXPECT_NEAR(qRed(inside), 192, 1);
    EXPECT_NEAR(qGreen(inside), 107, 1);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "outside the shape stays clear";

    const QSize window = image.size() + QSize(50, 50);
    const QImage still = CQVWaitingDlg::ComposeFrame(image, window, 0, QString(), clrEdge);
    const QImage turned = CQVWaitingDlg::ComposeFrame(image, window, 90, QString(), clrEdge);
    EXPECT_EQ(qAlpha(still.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(still.pixel(window.width() - 1, window.height() - 1)), 0);
    // The green corner sits top-left at 0 degrees and top-right after a quarter turn.
    EXPECT_GT(qGreen(still.pixel(27, 27)), qRed(still.pixel(27, 27)));
    EXPECT_GT(qGreen(turned.pixel(window.width() - 28, 27)),
              qRed(turned.pixel(window.width() - 28, 27)));

    CTestWaitingDlg spinning;
    for (int i = 0; i < 36; ++i)
        spinning.OnTimer(CQVWaitingDlg::kTimerSpin);
    EXPECT_EQ(spinning.Angle(), 360);
    spinning.OnTimer(CQVWaitingDlg::kTimerSpin);
    EXPECT_EQ(spinning.Angle(), 10) << "past 360 it starts again at 10";
}

namespace
{

// The dialog with the real engine on the X server, opened as the preview command opens it.
class XServerPreviewDialog : public PreviewTest
{
protected:
    void SetUp() override
    {
        PreviewTest::SetUp();
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server: run under xvfb-run";
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "xdotool is not installed";
        ASSERT_FALSE(NumberedSource().empty());
        ASSERT_TRUE(CopyFile(VANTREL_BUILT_ENGINE,
                             FrontEndGlobals().programFolder + "VantrelEngine", true));
    }
    void TearDown() override
    {
        m_pDialog.reset();
        PreviewTest::TearDown();
    }
    // PreviewRow's steps before its modal run, then the dialog opened and shown.
    bool Open(double dEndTime)
    {
        const tagQVRowJob job = NumberedJob(NumberedSource(), dEndTime);
        double dDuration = 0.0;
        CQVFrontEndGlobals& globals = FrontEndGlobals();
        globals.SetOutputSize(job.size.nWidth, job.size.nHeight);
        if (!WriteJobFiles(job.item, globals.JobContext(), &dDuration) ||
            !globals.controlBlock.StartPreview(globals.outputSettings.Current().nPresetIndex,
                                               dDuration))
            return false;
        m_pDialog = std::make_unique<CQVPreviewMovieDlg>();
        if (!OpenShown(*m_pDialog))
            return false;
        m_pDialog->MoveWindow(100, 100, m_pDialog->GetClientRect().width(),
                              m_pDialog->GetClientRect().height());
        return true;
    }
    bool Xdotool(const QStringList& arguments)
    {
        return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
    }
    // "--sync" waits for the pointer to move, so every click lands a pixel off the last; and
    // a second press within the double-click time is a double click, which buttons ignore.
    bool ClickPlayStop()
    {
        Pump(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
        m_nNudge = 1 - m_nNudge;
        const QPoint pt = m_pDialog->ClientToScreen(m_pDialog->PlayButton()->GetRect().center()) +
                          QPoint(m_nNudge, 0);
        return Xdotool({"mousemove", "--sync", QString::number(pt.x()), QString::number(pt.y()),
                        "click", "1"});
    }
    const SharedControlBlock& Block() const { return *FrontEndGlobals().controlBlock.Block(); }

    std::unique_ptr<CQVPreviewMovieDlg> m_pDialog;
    int m_nNudge = 0;
};

} // namespace

TEST_F(XServerPreviewDialog, ThePictureIsTheCropInThePictureBandAndPressesOnItDrag)
{
    ASSERT_TRUE(Open(4.0));
    ASSERT_EQ(m_pDialog->GetClientRect().size(), QSize(482, 310));
    ASSERT_TRUE(WaitFor([&] { return Block().dPosition > 1.0; }, 20000));
    EXPECT_EQ(m_pDialog->WaitingThread(), nullptr) << "the waiting window went at the picture";

    const QRect window = m_pDialog->GetWindowRect();
    const QImage screen =
        QGuiApplication::primaryScreen()
            ->grabWindow(0, window.x(), window.y(), window.width(), window.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    if (const QString folder = qEnvironmentVariable("VANTREL_SCREENSHOT_DIR"); !folder.isEmpty())
    {
        QDir().mkpath(folder);
        screen.save(QDir(folder).filePath(QStringLiteral("xserver-preview.png")));
    }
    // The band (1, 31), 480 x 239: the output's last row is cut, nothing is scaled.
    const QImage band = screen.copy(1, 31, 480, 239);
    const int nFrame = ReadFrameNumber(band.constBits(), band.bytesPerLine(), 480, 239, false);
    ASSERT_GE(nFrame, 0);
    CQVFFMpegCapture capture(NumberedSource(), 480, 360, false);
    for (int i = 0; i <= nFrame; ++i)
        ASSERT_TRUE(capture.DecodeNextFrame());
    uint8_t* pImage = nullptr;
    int nStride = 0;
    ASSERT_TRUE(capture.ConvertFrame(&pImage, &nStride, nullptr, nullptr, nullptr));
    int nDifferent = 0;
    for (int y = 0; y < 239; ++y)
        for (int x = 0; x < 480; ++x)
            nDifferent +=
                (band.pixel(x, y) & 0xFFFFFF) !=
                (reinterpret_cast<const QRgb*>(pImage + (y + 60) * nStride)[x] & 0xFFFFFF);
    EXPECT_EQ(nDifferent, 0) << "frame " << nFrame;
    // Above and below the band: the caption line and the button band's line.
    const QColor edge = CQVTheme::ToQColor(CQVTheme::Colors().clrDlgEdge);
    EXPECT_EQ(screen.pixelColor(240, 30), edge);
    EXPECT_EQ(screen.pixelColor(240, 270), edge);

    // A press on the engine's picture reaches the dialog and drags it.
    const QPoint from = m_pDialog->ClientToScreen(QPoint(240, 150));
    ASSERT_TRUE(
        Xdotool({"mousemove", "--sync", QString::number(from.x()), QString::number(from.y()),
                 "mousedown", "1", "mousemove", "--sync", QString::number(from.x() + 60),
                 QString::number(from.y() + 40), "mouseup", "1"}));
    EXPECT_TRUE(WaitFor(
        [&] { return m_pDialog->GetWindowRect().topLeft() == window.topLeft() + QPoint(60, 40); }))
        << "at " << m_pDialog->GetWindowRect().x() << ", " << m_pDialog->GetWindowRect().y();
}

TEST_F(XServerPreviewDialog, AfterTheEngineEndsPlayStartsItAgain)
{
    ASSERT_TRUE(Open(1.0));
    const pid_t first = m_pDialog->EnginePid();
    ASSERT_GT(first, 0);
    ASSERT_TRUE(WaitFor([&] { return !m_pDialog->IsPlaying(); }, 20000));
    EXPECT_EQ(m_pDialog->PlayButton()->GetToolTipText(), QStringLiteral("Play"));
    EXPECT_EQ(Text(m_pDialog->TimeText()), QStringLiteral("00:00:00.0 / 00:00:01.0"));
    // The engine writes its end before it lets go of the sound device and the block.
    EXPECT_TRUE(WaitFor([&] { return Engines().empty(); }, 5000));

    ASSERT_TRUE(ClickPlayStop());
    ASSERT_TRUE(WaitFor([&] { return m_pDialog->IsPlaying(); }));
    EXPECT_EQ(m_pDialog->PlayButton()->GetToolTipText(), QStringLiteral("Stop"));
    EXPECT_NE(m_pDialog->EnginePid(), first);
    EXPECT_TRUE(WaitFor([&] { return Block().dPosition > 0.2; }, 20000)) << "it plays again";
    EXPECT_TRUE(WaitFor([&] { return !m_pDialog->IsPlaying(); }, 20000));
}

TEST_F(XServerPreviewDialog, ClosingWhileTheWaitingWindowSpinsLeavesNoEngine)
{
    ASSERT_TRUE(Open(4.0));
    ASSERT_NE(m_pDialog->WaitingThread(), nullptr);
    CQVWaitingDlg* pWaiting = m_pDialog->WaitingThread()->Window();
    ASSERT_NE(pWaiting, nullptr);
    EXPECT_TRUE(pWaiting->IsWindowVisible());
    if (const QString folder = qEnvironmentVariable("VANTREL_SCREENSHOT_DIR"); !folder.isEmpty())
    {
        Pump(300);
        QDir().mkpath(folder);
        const QRect area = m_pDialog->GetWindowRect().united(pWaiting->GetWindowRect());
        QGuiApplication::primaryScreen()
            ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .save(QDir(folder).filePath(QStringLiteral("xserver-preview-waiting.png")));
    }
    ASSERT_EQ(Engines().size(), 1u);
    const QPoint exit = m_pDialog->ClientToScreen(
        m_pDialog->GetUIManager()->Find(kIdOk, kKindTextButton)->GetRect().center());
    ASSERT_TRUE(Xdotool({"mousemove", "--sync", QString::number(exit.x()),
                         QString::number(exit.y()), "click", "1"}));
    ASSERT_TRUE(WaitFor([&] { return m_pDialog->IsEnded(); }));
    EXPECT_EQ(m_pDialog->WaitingThread(), nullptr);
    EXPECT_TRUE(Engines().empty());
}

TEST_F(XServerPreviewDialog, StopAndPlayTenTimesLeaveOneEngineOrNone)
{
    // Room for a busy machine's engine start in every round.
    ASSERT_TRUE(Open(4.0));
    for (int i = 0; i < 10; ++i)
    {
        ASSERT_TRUE(ClickPlayStop());
        ASSERT_TRUE(WaitFor([&] { return !m_pDialog->IsPlaying(); }, 10000)) << i;
        EXPECT_TRUE(Engines().empty()) << i;
        EXPECT_EQ(Block().nState, kStateIdle);
        ASSERT_TRUE(ClickPlayStop());
        ASSERT_TRUE(WaitFor([&] { return m_pDialog->IsPlaying(); }, 10000)) << i;
        EXPECT_EQ(Engines().size(), 1u) << i;
    }
    EXPECT_TRUE(WaitFor([&] { return Block().dPosition > 0.2; }, 20000)) << "the last one plays";
}
