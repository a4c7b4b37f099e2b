#include "frontend/BatchLogic.h"

#include "formats/OutputTypes.h"
#include "platform/ProgramFolder.h"
#include "protocol/SharedControlBlock.h"

#include <cmath>

namespace qv
{

std::string OutputExtension(int32_t nOutputType)
{
    const tagQVOutputType* pType = FindOutputType(nOutputType);
    return pType != nullptr ? pType->pszExtension : ".mp4";
}

std::string SourceStem(const std::string& sourcePath)
{
    std::string name = FileNamePart(sourcePath);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

std::string OutputPath(const std::string& folder, int nCounter, const std::string& sourcePath,
                       const std::string& extension)
{
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "(output%03d)", nCounter);
    return folder + prefix + SourceStem(sourcePath) + extension;
}

std::string NextFreeOutputPath(const std::string& folder, int* pnCounter,
                               const std::string& sourcePath, const std::string& extension)
{
    std::string path;
    do
    {
        ++*pnCounter;
        path = OutputPath(folder, *pnCounter, sourcePath, extension);
    } while (PathExists(path));
    return path;
}

std::string WithTrailingSeparator(const std::string& folder)
{
    if (folder.empty() || folder.back() == '/')
        return folder;
    return folder + "/";
}

bool FitsBlockPath(const std::string& utf8Path)
{
    SharedControlBlock block{};
    return WriteBlockPath(block.szOutputPath, utf8Path);
}

double EstimateSecondsLeft(double dTimelineDone, double dTimelineTotal, double dElapsedSeconds)
{
    if (dTimelineDone <= 0.0 || dElapsedSeconds <= 0.0)
        return -1.0;
    const double dSpeed = dTimelineDone / dElapsedSeconds;
    return std::max(0.0, dTimelineTotal - dTimelineDone) / dSpeed;
}

QString FormatClock(double dSeconds)
{
    if (dSeconds < 0.0 || !std::isfinite(dSeconds))
        return QStringLiteral("--:--");
    const long long n = std::llround(dSeconds);
    const long long h = n / 3600, m = n / 60 % 60, s = n % 60;
    if (h > 0)
        return QString::asprintf("%lld:%02lld:%02lld", h, m, s);
    return QString::asprintf("%lld:%02lld", m, s);
}

QString RenderingLine(int nIndex, int nCount, const QString& strFileName)
{
    return QStringLiteral("Rendering %1 of %2 \u2014 %3").arg(nIndex).arg(nCount).arg(strFileName);
}

QString ProgressLine(double dElapsedSeconds, double dSecondsLeft)
{
    return QStringLiteral("Elapsed %1, about %2 left")
        .arg(FormatClock(dElapsedSeconds), FormatClock(dSecondsLeft));
}

QString SummaryLine(int nFinished, int nFailed, double dElapsedSeconds)
{
    return QStringLiteral("%1 finished, %2 failed in %3")
        .arg(nFinished)
        .arg(nFailed)
        .arg(FormatClock(dElapsedSeconds));
}

} // namespace qv
