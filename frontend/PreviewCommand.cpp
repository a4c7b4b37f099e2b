#include "frontend/PreviewCommand.h"

#include "frontend/CQVPreviewMovieDlg.h"
#include "frontend/FrontEndGlobals.h"
#include "project/FrontEndProject.h"
#include "project/LineTypes.h"
#include "ui/CQVMessageDlg.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace qv
{

namespace
{

constexpr double kMinimumPreviewSeconds = 0.5;
// The engine reads no smaller play scale.
constexpr double kSmallestPlayScale = 0.01;

// Items that would play: the camera line's do not count.
bool HasPlayableItem(const ProjectTimeline& project)
{
    for (const TimelineLine& line : project.lines)
        if (line.eMediaTypeLine != kLineCamera && !line.items.empty())
            return true;
    return false;
}

} // namespace

QString PreviewTimeText(double dSeconds)
{
    // Whole milliseconds first, so that 95.25 s reads 35.2, never a rounded 35.3.
    const double dMilliseconds = std::isfinite(dSeconds) ? std::trunc(dSeconds * 1000.0) : 0.0;
    const long long m =
        dMilliseconds > 0.0 ? static_cast<long long>(std::min(dMilliseconds, 3.6e15)) : 0;
    return QString::asprintf("%02lld:%02lld:%02lld.%01lld", m / 3600000, m / 60000 % 60,
                             m / 1000 % 60, m % 1000 / 100);
}

double PreviewPercent(double dPosition, double dLength)
{
    if (!(dLength > 0.0) || !(dPosition > 0.0))
        return 0.0;
    return std::min(100.0, dPosition * 100.0 / dLength);
}

QSize PreviewDialogSize(int nOutputWidth, int nOutputHeight)
{
    return QSize(std::max(nOutputWidth + 2, kPreviewMinWidth), nOutputHeight + 70);
}

double PreviewPlayScale(int nOutputWidth, int nOutputHeight, QSize workArea)
{
    if (nOutputWidth <= 0 || nOutputHeight <= 0)
        return 1.0;
    const QSize dialog = PreviewDialogSize(nOutputWidth, nOutputHeight);
    if (dialog.width() <= workArea.width() && dialog.height() <= workArea.height())
        return 1.0;
    double dScale = std::min((workArea.width() - 2.0) / nOutputWidth,
                             (workArea.height() - 70.0) / nOutputHeight);
    dScale = std::floor(dScale * 10000.0) / 10000.0;
    return std::clamp(dScale, kSmallestPlayScale, 1.0);
}

QSize PreviewPictureSize(int nOutputWidth, int nOutputHeight, double dPlayScale)
{
    // As the engine's project reader sizes a preview.
    const auto Side = [dPlayScale](int nSide)
    {
        const int n = static_cast<int>(std::max(0.0, nSide * dPlayScale));
        return n - n % 4;
    };
    return QSize(Side(nOutputWidth), Side(nOutputHeight));
}

EPreviewResult PreviewRow(const tagQVRowJob& job, CQVPlatformWindow* pOwner)
{
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    if (globals.controlBlock.Block() == nullptr)
        return EPreviewResult::NoBlock;
    globals.SetOutputSize(job.size.nWidth, job.size.nHeight);
    const tagQVJobRow& row = job.item;
    const ProjectTimeline project = BuildJobProject(row, 1);
    if (!HasPlayableItem(project) || !(project.Length() >= kMinimumPreviewSeconds))
    {
        ShowMessageBox(QStringLiteral("The timeline is empty, please edit and try again!"), 0,
                       pOwner);
        return EPreviewResult::EmptyTimeline;
    }
    // A picture larger than the work area is drawn smaller, so that the dialog fits.
    const QScreen* pScreen = pOwner && pOwner->GetWidget() ? pOwner->GetWidget()->screen()
                                                           : QGuiApplication::primaryScreen();
    const double dPlayScale = pScreen
                                  ? PreviewPlayScale(globals.nOutputWidth, globals.nOutputHeight,
                                                     pScreen->availableGeometry().size())
                                  : 1.0;
    double dDuration = 0.0;
    std::string failedFile;
    tagQVJobContext context = globals.JobContext();
    context.dPlayScale = dPlayScale;
    if (!WriteJobFiles(row, context, &dDuration, &failedFile))
    {
        ShowMessageBox(QStringLiteral("The preview could not start: %1 could not be written.")
                           .arg(QString::fromStdString(failedFile)),
                       0, pOwner);
        return EPreviewResult::FilesNotWritten;
    }
    globals.controlBlock.StartPreview(globals.outputSettings.Current().nPresetIndex, dDuration);
    CQVPreviewMovieDlg dialog(pOwner, dPlayScale);
    dialog.DoModal();
    return EPreviewResult::Shown;
}

} // namespace qv
