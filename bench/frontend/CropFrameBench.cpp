// Times the crop dialog's pictures on a 4K HEVC clip whose only key frames lie 250 pictures
// apart and on a 1080p H.264 clip with the same spacing (both made with the ffmpeg command
// line in a temporary folder):
//   - the first picture: from the crop command (the dialog made and opened) to the first
//     picture drawn, approximate or exact; aim 300 ms or less;
//   - the exact picture after a slider move, against `ffmpeg -ss T -i clip -frames:v 1`
//     for the same picture (the process run whole); aim 1.1 times or less;
//   - the longest gap between the ticks of a 5 ms timer on the GUI thread while the slider
//     is dragged across the clip and until the exact picture of its last position shows;
//     aim 50 ms or less.
//   crop_frame_bench [--x11] [--seconds N] [--shots DIR] [--clips DIR]
//     --x11: the X server of $DISPLAY, else offscreen; --shots: the dialog saved at its
//     first picture and at the exact one; --clips: the clips are made there once and kept
#include "frontend/CQVCropDlg.h"
#include "frontend/FrontEndGlobals.h"
#include "platform/ProgramFolder.h"
#include "ui/CQVSlider.h"
#include "ui/CQVTheme.h"
#include "ui/CQVUIManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace qv;

namespace
{

struct tagClip
{
    const char* szName;
    int nWidth, nHeight;
    const char* szCodec; // ffmpeg's encoder arguments
};

const tagClip kClips[] = {
    {"4K HEVC", 3840, 2160,
     "-c:v libx265 -preset ultrafast -x265-params "
     "keyint=250:min-keyint=250:scenecut=0:log-level=error"},
    {"1080p H.264", 1920, 1080,
     "-c:v libx264 -preset veryfast -g 250 -keyint_min 250 -sc_threshold 0"},
};

bool Run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// Milliseconds the ffmpeg command line takes for the picture at t, the process run whole.
double FfmpegMs(const std::string& clip, double dSeconds)
{
    char szCommand[1024];
    std::snprintf(szCommand, sizeof szCommand,
                  "ffmpeg -nostdin -hide_banner -loglevel error -ss %.3f -i \"%s\" -frames:v 1 "
                  "-f null -",
                  dSeconds, clip.c_str());
    QElapsedTimer timer;
    timer.start();
    Run(szCommand);
    return timer.nsecsElapsed() / 1e6;
}

// Runs the event loop until the condition holds or nTimeoutMs passed; false on time-out.
template <class F> bool Until(F condition, int nTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition())
    {
        if (timer.elapsed() > nTimeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// The longest gap between the ticks of a 5 ms timer while it runs.
class CGapProbe : public QObject
{
public:
    CGapProbe()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this,
                [this]
                {
                    const qint64 n = m_clock.nsecsElapsed();
                    m_dLongest = std::max(m_dLongest, (n - m_nLast) / 1e6);
                    m_nLast = n;
                });
        m_clock.start();
        m_nLast = m_clock.nsecsElapsed();
        m_timer.start();
    }
    double Longest() const { return m_dLongest; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_nLast = 0;
    double m_dLongest = 0;
};

QString g_shots;

void Shot(CQVCropDlg& dialog, const tagClip& clip, const char* szWhen)
{
    if (g_shots.isEmpty())
        return;
    dialog.UpdateWindow();
    dialog.GetWidget()->grab().save(
        QStringLiteral("%1/crop-%2p-%3.png").arg(g_shots).arg(clip.nHeight).arg(szWhen));
}

int Measure(const tagClip& clip, const std::string& path, double dDuration)
{
    std::printf("\n%s, %dx%d, %.0f s, a key frame every 250 pictures\n", clip.szName, clip.nWidth,
                clip.nHeight, dDuration);
    QElapsedTimer command;
    command.start();
    CQVCropDlg dialog(tagQVCropRequest{path, dDuration, clip.nWidth, clip.nHeight, 0, 0,
                                       clip.nWidth, clip.nHeight},
                      nullptr);
    if (!dialog.Open())
        return 1;
    const double dOpened = command.nsecsElapsed() / 1e6;
    if (!Until([&] { return dialog.HasPicture(); }, 60000))
        return 1;
    const double dFirst = command.nsecsElapsed() / 1e6;
    const bool bFirstExact = dialog.IsPictureExact();
    Shot(dialog, clip, "first");
    if (!Until([&] { return dialog.IsPictureExact(); }, 60000))
        return 1;
    const double dExact = command.nsecsElapsed() / 1e6;
    Shot(dialog, clip, "exact");
    std::printf("  crop command -> window open %.0f ms, first picture %.0f ms (%s), exact "
                "picture at %.1f s %.0f ms   [aim: first <= 300 ms]\n",
                dOpened, dFirst, bFirstExact ? "exact" : "key frame", dialog.GetFrameTime(),
                dExact);

    // Slider moves: a click on the track, then the exact picture.
    auto* pSlider = dynamic_cast<CQVSlider*>(
        dialog.GetUIManager()->Find(CQVCropDlg::kIdTimeSlider, kKindSlider));
    QWidget* pWidget = dialog.GetWidget();
    const QRect track = pSlider->GetRect();
    for (double dFraction : {0.8, 0.3, 0.95})
    {
        const QPoint pt(track.x() + 1 + static_cast<int>((track.width() - 15) * dFraction),
                        track.center().y());
        const double dBefore = dialog.GetFrameTime();
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(pWidget, Qt::LeftButton, {}, pt);
        if (!Until([&] { return dialog.GetFrameTime() != dBefore && dialog.IsPictureExact(); },
                   60000))
            return 1;
        const double dMs = timer.nsecsElapsed() / 1e6;
        const double dTime = dialog.GetFrameTime();
        const double dFfmpeg = FfmpegMs(path, dTime);
        std::printf("  slider to %5.2f s: exact picture %6.0f ms, ffmpeg -ss %6.0f ms, ratio "
                    "%.2f   [aim <= 1.1]\n",
                    dTime, dMs, dFfmpeg, dMs / dFfmpeg);
    }

    // Scrubbing: the thumb dragged across in 40 steps of 16 ms, the GUI thread watched.
    {
        CGapProbe probe;
        QPoint pt = pSlider->ThumbRect().center();
        QTest::mousePress(pWidget, Qt::LeftButton, {}, pt);
        const int nSteps = 40;
        const int nStep = -(pt.x() - track.x()) / nSteps;
        for (int i = 0; i < nSteps; ++i)
        {
            pt.rx() += nStep;
            QTest::mouseMove(pWidget, pt);
            QElapsedTimer wait;
            wait.start();
            while (wait.elapsed() < 16)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        }
        QTest::mouseRelease(pWidget, Qt::LeftButton, {}, pt);
        QElapsedTimer timer;
        timer.start();
        if (!Until([&] { return dialog.IsPictureExact(); }, 60000))
            return 1;
        const double dPictureMs = timer.nsecsElapsed() / 1e6;
        // The whole frame too, still watched.
        Until([&] { return dialog.IsFrameExact(); }, 60000);
        std::printf("  scrubbing 40 positions: longest GUI-thread gap %.1f ms   [aim <= 50], "
                    "exact picture of the last position (%.2f s) %.0f ms after the release\n",
                    probe.Longest(), dialog.GetFrameTime(), dPictureMs);
    }
    dialog.EndModal(kIdCancel);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool bX11 = false;
    double dSeconds = 10;
    std::string clips;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--x11") == 0)
            bX11 = true;
        else if (std::strcmp(argv[i], "--clips") == 0 && i + 1 < argc)
            clips = argv[++i];
        else if (std::strcmp(argv[i], "--shots") == 0 && i + 1 < argc)
            g_shots = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            dSeconds = std::max(2.0, std::atof(argv[++i]));
    }
    if (!bX11)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    CQVTheme::SetFadeDialogs(false);

    std::string folder =
        (std::filesystem::temp_directory_path() / "vantrel-frames-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr)
        return 1;
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    globals.programFolder = ProgramFolder();
    globals.tempFolder = folder + "/tmp/";
    // The shipped theme, as the program loads it, for the screenshots.
    CQVTheme::LoadFile(globals.SkinPath("uicolors/UIColors.uic"));
    std::printf("%s; clips made by ffmpeg, %.0f s at 25 fps\n",
                qPrintable(QGuiApplication::platformName()), dSeconds);
    int nResult = 0;
    for (const tagClip& clip : kClips)
    {
        const std::string path =
            (clips.empty() ? folder : clips) + "/" + std::to_string(clip.nHeight) + ".mkv";
        char szMake[1024];
        std::snprintf(szMake, sizeof szMake,
                      "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                      "testsrc2=s=%dx%d:r=25:d=%.0f %s -pix_fmt yuv420p \"%s\"",
                      clip.nWidth, clip.nHeight, dSeconds, clip.szCodec, path.c_str());
        if (!std::filesystem::exists(path) && !Run(szMake))
        {
            std::fprintf(stderr, "crop_frame_bench: ffmpeg could not make the %s clip\n",
                         clip.szName);
            nResult = 1;
            continue;
        }
        if (Measure(clip, path, dSeconds) != 0)
        {
            std::fprintf(stderr, "crop_frame_bench: the %s case did not finish\n", clip.szName);
            nResult = 1;
        }
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return nResult;
}
