// The crop and preview dialogs on laptop screens. XServerScreens starts an X server of its
// own of 1366 x 768 and one of 1600 x 1000 and runs this program again on each with the
// XServerOnScreen suite, which opens the crop dialog for 4K, portrait 4K and 1080p sources
// and the preview of a 4K crop, and presses their buttons with xdotool where they are shown.
// The screenshots go to VANTREL_SCREENSHOT_DIR, else to vantrel-screen-shots/ under the
// temporary folder.
#include "frontend/CQVCropDlg.h"
#include "frontend/CQVPreviewMovieDlg.h"
#include "frontend/PreviewCommand.h"
#include "platform/Process.h"
#include "tests/frontend/FrontEndTestSupport.h"
#include "tests/frontend/XvfbServer.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestMedia.h"
#include "ui/CQVEdit.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTimer>
#include <cmath>
#include <functional>

using namespace qv;
using namespace qv::test;

namespace
{

const char* const kScreenVariable = "VANTREL_TEST_SCREEN";

bool HasTools()
{
    return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

TEST(XServerScreens, CropAndPreviewDialogsFitLaptopScreens)
{
    if (!HasTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    for (const QSize screen : {QSize(1366, 768), QSize(1600, 1000)})
    {
        const QString size = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
        CQVXvfbServer server(screen);
        ASSERT_FALSE(server.Display().isEmpty()) << "Xvfb starts for " << size.toStdString();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), server.Display());
        environment.insert(QString::fromLatin1(kScreenVariable), size);
        environment.remove(QStringLiteral("XAUTHORITY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        QProcess run;
        run.setProcessEnvironment(environment);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_filter=XServerOnScreen.*")});
        ASSERT_TRUE(run.waitForFinished(600000)) << size.toStdString();
        const QString output = QString::fromUtf8(run.readAll());
        EXPECT_EQ(run.exitCode(), 0) << size.toStdString() << "\n" << output.toStdString();
        EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 2 tests")))
            << size.toStdString() << "\n"
            << output.toStdString();
    }
}

// --- on the screen of the run above

class XServerOnScreen : public CFrontEndTest
{
protected:
    void SetUp() override
    {
        CFrontEndTest::SetUp();
        m_screen = qEnvironmentVariable(kScreenVariable);
        if (m_screen.isEmpty())
            GTEST_SKIP() << "XServerScreens runs it on screens of its own";
        ASSERT_EQ(QGuiApplication::platformName(), QLatin1String("xcb"));
        qputenv("SDL_AUDIODRIVER", "dummy");
        m_shots = qEnvironmentVariable("VANTREL_SCREENSHOT_DIR");
        if (m_shots.isEmpty())
            m_shots = QDir::temp().filePath(QStringLiteral("vantrel-screen-shots"));
        QDir().mkpath(m_shots);
    }

    std::string Clip(const std::string& name, const std::string& input)
    {
        const std::string path = m_scratch / name;
        EXPECT_TRUE(
            RunFFmpeg(input + " -c:v libx264 -preset ultrafast -pix_fmt yuv420p \"" + path + "\""));
        return path;
    }
    static bool Xdotool(const QStringList& arguments)
    {
        return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
    }
    // A press a double-click time after the last one, so that no two make a double click.
    static void Click(QPoint pt)
    {
        Pump(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
        Xdotool({"mousemove", "--sync", QString::number(pt.x()), QString::number(pt.y()), "click",
                 "1"});
    }
    static void Drag(QPoint from, QPoint to)
    {
        Pump(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
        Xdotool({"mousemove", "--sync", QString::number(from.x()), QString::number(from.y()),
                 "mousedown", "1", "mousemove", "--sync", QString::number((from.x() + to.x()) / 2),
                 QString::number((from.y() + to.y()) / 2), "mousemove", "--sync",
                 QString::number(to.x()), QString::number(to.y()), "mouseup", "1"});
        Pump(100);
    }
    void Shot(const QString& name)
    {
        Pump(200);
        QGuiApplication::primaryScreen()->grabWindow(0).save(
            QDir(m_shots).filePath(name + "-on-" + m_screen + ".png"));
    }
    static tagQVCropValues Edits(CQVCropDlg& dialog)
    {
        int values[4] = {};
        const int ids[4] = {CQVCropDlg::kIdCropX, CQVCropDlg::kIdCropY, CQVCropDlg::kIdCropWidth,
                            CQVCropDlg::kIdCropHeight};
        for (int i = 0; i < 4; ++i)
            values[i] = dynamic_cast<CQVEdit*>(dialog.GetUIManager()->Find(ids[i], kKindEdit))
                            ->GetText()
                            .toInt();
        return tagQVCropValues{values[0], values[1], values[2], values[3]};
    }

    QString m_screen;
    QString m_shots;
    CQVScratchFolder m_scratch;
};

TEST_F(XServerOnScreen, TheCropDialogOpensInsideTheScreenAndItsOkIsClickedThere)
{
    const struct
    {
        int w, h;
        const char* szName;
    } sources[] = {{3840, 2160, "crop-3840x2160"},
                   {2160, 3840, "crop-2160x3840"},
                   {1920, 1080, "crop-1920x1080"}};
    for (const auto& source : sources)
    {
        const std::string clip = Clip(std::string(source.szName) + ".mp4",
                                      "-f lavfi -i testsrc2=s=" + std::to_string(source.w) + "x" +
                                          std::to_string(source.h) + ":r=10:d=0.3");
        CQVCropDlg dialog(tagQVCropRequest{clip, 0.3, source.w, source.h, 0, 0, source.w, source.h},
                          nullptr);
        const bool b4K = source.w == 3840;
        tagQVCropValues dragged;
        QTimer::singleShot(
            0,
            [&]
            {
                ASSERT_TRUE(WaitFor([&] { return dialog.IsWindowVisible(); }));
                ASSERT_TRUE(WaitFor([&] { return dialog.IsFrameExact(); }, 20000));
                const QRect work = dialog.GetWorkArea();
                const QRect window = dialog.GetWindowRect();
                EXPECT_TRUE(work.contains(window))
                    << source.szName << ": " << window.x() << "," << window.y() << " "
                    << window.width() << "x" << window.height();
                const CQVCropGeometry& geometry = dialog.Geometry();
                const QSize work0 = work.size();
                const int nChoice = geometry.OpeningChoice(work0, 380);
                EXPECT_EQ(nChoice, source.w == 1920 ? 2 : CQVCropGeometry::kFitIndex)
                    << source.szName;
                if (b4K)
                {
                    // At "Fit": the bottom-right corner dragged in writes source pixels,
                    // and dragged out past the frame it is the source's corner again.
                    const QRect image = geometry.ImageRect();
                    const QPoint corner = dialog.ClientToScreen(
                        image.topLeft() + QPoint(image.width() - 1, image.height() - 1));
                    Drag(corner, corner - QPoint(image.width() / 3, image.height() / 4));
                    const QRect crop = geometry.DisplayCrop();
                    const double dZoom = dialog.GetZoom();
                    EXPECT_LT(dZoom, 0.5);
                    EXPECT_EQ(Edits(dialog),
                              (tagQVCropValues{0, 0, CQVCropGeometry::ToSource(crop.width(), dZoom),
                                               CQVCropGeometry::ToSource(crop.height(), dZoom)}));
                    EXPECT_GT(Edits(dialog).w, 2000);
                    Shot(QString::fromLatin1(source.szName) + "-dragged");
                    const QPoint now = dialog.ClientToScreen(
                        image.topLeft() + QPoint(crop.width() - 1, crop.height() - 1));
                    Drag(now, corner + QPoint(30, 30));
                    EXPECT_EQ(Edits(dialog), (tagQVCropValues{0, 0, 3840, 2160}));
                    Drag(corner, corner - QPoint(image.width() / 2, image.height() / 2));
                    dragged = Edits(dialog);
                }
                Shot(QString::fromLatin1(source.szName));
                const QRect client = dialog.GetClientRect();
                Click(dialog.ClientToScreen(QPoint(client.width() - 40, client.height() - 20)));
            });
        // A check that stops early leaves the dialog open: it is ended then.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] { dialog.EndModal(-5); });
        guard.start(120000);
        EXPECT_EQ(dialog.DoModal(), kIdOk) << source.szName << ": OK is on the screen";
        if (b4K)
        {
            const tagQVCropResult& result = dialog.GetResult();
            EXPECT_EQ((tagQVCropValues{result.nCropX, result.nCropY, result.nCropWidth,
                                       result.nCropHeight}),
                      dragged);
        }
    }
}

TEST_F(XServerOnScreen, ThePreviewOfA4KCropFitsTheScreen)
{
    // Still bars: every picture the same, so the shown one can be told from a wrong scale.
    const std::string clip = Clip("bars.mp4", "-f lavfi -i smptehdbars=s=3840x2160:r=10:d=3");
    ASSERT_TRUE(
        CopyFile(VANTREL_BUILT_ENGINE, FrontEndGlobals().programFolder + "VantrelEngine", true));
    tagQVRowJob job;
    job.item.source = clip;
    job.item.dDuration = 3.0;
    job.item.dEndTime = 3.0;
    job.item.nVideoWidth = 3840;
    job.item.nVideoHeight = 2160;
    job.size = {3840, 2160};
    const QSize work = QGuiApplication::primaryScreen()->availableGeometry().size();
    const double dScale = PreviewPlayScale(3840, 2160, work);
    EXPECT_LT(dScale, 0.5);
    const QSize picture = PreviewPictureSize(3840, 2160, dScale);

    QTimer poll;
    poll.setInterval(20);
    bool bChecked = false;
    QObject::connect(
        &poll, &QTimer::timeout,
        [&]
        {
            auto* pDialog = dynamic_cast<CQVPreviewMovieDlg*>(CQVPlatformWindow::GetActiveWindow());
            if (!pDialog || !pDialog->IsWindowVisible())
                return;
            poll.stop();
            bChecked = true;
            EXPECT_EQ(pDialog->GetWindowText(), QStringLiteral("Preview Movie - 3840x2160"));
            const QRect window = pDialog->GetWindowRect();
            EXPECT_TRUE(pDialog->GetWorkArea().contains(window))
                << window.x() << "," << window.y() << " " << window.width() << "x"
                << window.height();
            EXPECT_EQ(window.size(), PreviewDialogSize(picture.width(), picture.height()));
            const SharedControlBlock& block = *FrontEndGlobals().controlBlock.Block();
            EXPECT_TRUE(WaitFor([&] { return block.dPosition > 0.3; }, 30000))
                << "the engine plays";
            // The waiting window goes at the first picture, at the next 500 ms tick.
            EXPECT_TRUE(WaitFor([&] { return pDialog->WaitingThread() == nullptr; }, 3000));
            Pump(300);
            // The whole frame, drawn at the play scale in the picture band.
            const QRect client = pDialog->GetClientRect();
            const QRect band(1, 31, client.width() - 2, client.height() - 71);
            const QRect shown(band.x() + (band.width() - picture.width()) / 2,
                              band.y() + std::max(0, (band.height() - picture.height()) / 2),
                              picture.width(), std::min(picture.height(), band.height()));
            const QPoint at = pDialog->ClientToScreen(shown.topLeft());
            const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            screen.save(QDir(m_shots).filePath("preview-3840x2160-on-" + m_screen + ".png"));
            const QImage grab =
                screen.copy(QRect(at, shown.size())).convertToFormat(QImage::Format_RGB32);
            std::string expected;
            ASSERT_EQ(RunProgram("ffmpeg",
                                 {"-nostdin", "-v", "error", "-i", clip, "-frames:v", "1", "-vf",
                                  "scale=" + std::to_string(picture.width()) + ":" +
                                      std::to_string(picture.height()) + ",format=bgra",
                                  "-f", "rawvideo", "-"},
                                 &expected, nullptr),
                      0);
            ASSERT_GE(expected.size(), static_cast<size_t>(picture.width()) * shown.height() * 4);
            double dSum = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x)
                {
                    const QRgb a = grab.pixel(x, y);
                    const auto* pB = reinterpret_cast<const uint8_t*>(expected.data()) +
                                     (static_cast<size_t>(y) * picture.width() + x) * 4;
                    dSum += std::abs(qBlue(a) - pB[0]) + std::abs(qGreen(a) - pB[1]) +
                            std::abs(qRed(a) - pB[2]);
                }
            const double dMean = dSum / (3.0 * shown.width() * shown.height());
            EXPECT_LT(dMean, 6.0) << "the bars at the play scale";
            Click(pDialog->ClientToScreen(QPoint(client.width() - 43, client.height() - 20)));
        });
    poll.start();
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout,
                     []
                     {
                         if (auto* pWindow = CQVPlatformWindow::GetActiveWindow())
                             pWindow->EndModal(-5);
                     });
    guard.start(120000);
    EXPECT_EQ(PreviewRow(job, nullptr), EPreviewResult::Shown);
    EXPECT_TRUE(bChecked);
    EXPECT_TRUE(WaitFor(
        [] { return FindOwnProcesses(FrontEndGlobals().programFolder + "VantrelEngine").empty(); },
        5000));
}

} // namespace
