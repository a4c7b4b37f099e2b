// Times the crop dialog's answer to the mouse on a 1920 x 1080 source: from a motion event
// to the repainted image area on the window (the event handled, the edits written, the
// image area recomposed, copied to the window and flushed). Prints milliseconds per motion
// for moving the rectangle and for dragging a corner, at 100 % and at 50 %; the aim is
// 8 ms or less.
//   crop_drag_bench [motions] [--x11]     (--x11: the X server of $DISPLAY, else offscreen)
#include "frontend/CQVCropDlg.h"
#include "frontend/FrontEndGlobals.h"
#include "ui/CQVComboBox.h"
#include "ui/CQVTheme.h"
#include "ui/CQVUIManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cmath>
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

// Counts the window's paint events, so that every timed motion is known to have repainted.
class CPaintCounter : public QObject
{
public:
    int nPaints = 0;

protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint)
            ++nPaints;
        return QObject::eventFilter(pObject, pEvent);
    }
};

struct tagTimes
{
    double dMean, dMedian, dP95, dMax;
    int nRepainted;
};

// Presses at from, then moves the pointer along a back-and-forth path of nMotions steps of
// (dx, dy), timing each motion until its repaint is done; releases at the end.
tagTimes TimeDrag(CQVCropDlg& dialog, QPoint from, QPoint step, int nMotions)
{
    QWidget* pWidget = dialog.GetWidget();
    CPaintCounter counter;
    pWidget->installEventFilter(&counter);
    QTest::mouseMove(pWidget, from);
    QTest::mousePress(pWidget, Qt::LeftButton, {}, from);
    QCoreApplication::processEvents();
    std::vector<double> times;
    int nRepainted = 0;
    QPoint pt = from;
    for (int i = 0; i < nMotions; ++i)
    {
        // Thirty steps out, thirty back, so the rectangle never sticks at the image's edge.
        pt += (i / 30) % 2 == 0 ? step : -step;
        const int nBefore = counter.nPaints;
        QElapsedTimer timer;
        timer.start();
        QTest::mouseMove(pWidget, pt);
        QCoreApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
        nRepainted += counter.nPaints > nBefore;
    }
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, pt);
    QCoreApplication::processEvents();
    pWidget->removeEventFilter(&counter);
    std::sort(times.begin(), times.end());
    double dSum = 0;
    for (double d : times)
        dSum += d;
    const size_t n = times.size();
    return tagTimes{dSum / n, times[n / 2], times[std::min(n - 1, n * 95 / 100)], times.back(),
                    nRepainted};
}

void Print(const char* szCase, const tagTimes& t, int nMotions)
{
    std::printf("%-34s mean %6.2f  median %6.2f  p95 %6.2f  max %6.2f ms  (%d/%d repainted)\n",
                szCase, t.dMean, t.dMedian, t.dP95, t.dMax, t.nRepainted, nMotions);
}

} // namespace

int main(int argc, char** argv)
{
    int nMotions = 300;
    bool bX11 = false;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--x11") == 0)
            bX11 = true;
        else
            nMotions = std::max(60, std::atoi(argv[i]));
    }
    if (!bX11)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    CQVTheme::SetFadeDialogs(false);

    std::string folder = (std::filesystem::temp_directory_path() / "vantrel-crop-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr)
        return 1;
    FrontEndGlobals().tempFolder = folder + "/tmp/";
    const std::string source = folder + "/crop1080.mp4";
    const std::string make = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                             "testsrc2=s=1920x1080:r=5:d=2 -c:v libx264 -preset ultrafast "
                             "-pix_fmt yuv420p \"" +
                             source + "\"";
    if (std::system(make.c_str()) != 0)
    {
        std::fprintf(stderr, "crop_drag_bench: ffmpeg could not make the source\n");
        return 1;
    }

    int nResult = 0;
    {
        CQVCropDlg dialog(tagQVCropRequest{source, 2.0, 1920, 1080, 200, 100, 1400, 800}, nullptr);
        if (!dialog.Open() || !QTest::qWaitForWindowExposed(dialog.GetWidget()))
        {
            std::fprintf(stderr, "crop_drag_bench: cannot open the dialog\n");
            nResult = 1;
        }
        else
        {
            dialog.UpdateWindow();
            std::printf("%s, window %dx%d, source 1920x1080, %d motions per case\n",
                        qPrintable(QGuiApplication::platformName()), dialog.GetClientRect().width(),
                        dialog.GetClientRect().height(), nMotions);
            for (int nZoom : {0, 2})
            {
                {
                    // The zoom box's choice, as its drop-down list posts it (the dialog
                    // opens at the largest zoom that fits the screen).
                    auto* pZoom = dialog.GetUIManager()->Find(CQVCropDlg::kIdZoom, kKindComboBox);
                    dynamic_cast<CQVComboBox*>(pZoom)->Select(nZoom, false);
                    dialog.SendMessage(kMsgComboChoice, reinterpret_cast<uintptr_t>(pZoom), nZoom);
                    dialog.UpdateWindow();
                    QCoreApplication::processEvents();
                }
                const char* szZoom = nZoom == 0 ? "100 %" : "50 %";
                const QRect r = dialog.Geometry().VisibleRect();
                char szCase[64];
                std::snprintf(szCase, sizeof szCase, "move the rectangle, %s", szZoom);
                Print(szCase, TimeDrag(dialog, r.center(), QPoint(3, 2), nMotions), nMotions);
                const QRect moved = dialog.Geometry().VisibleRect();
                std::snprintf(szCase, sizeof szCase, "drag the bottom-right corner, %s", szZoom);
                Print(szCase, TimeDrag(dialog, moved.bottomRight(), QPoint(-3, -2), nMotions),
                      nMotions);
            }
        }
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return nResult;
}
