// The window-less parts of a render batch: output names, the extension of each output type,
// the estimate of the time left, and the texts the message strip shows.
#pragma once

#include <QString>
#include <string>

namespace qv
{

// The type's extension (encode/OutputTypes.h), with the dot; ".mp4" for an unknown type.
std::string OutputExtension(int32_t nOutputType);

// The file name of "File" after the last "/" or "\", without its last dot and what follows.
std::string SourceStem(const std::string& sourcePath);

// "(output%03d)" + stem + extension in the folder (which ends in "/").
std::string OutputPath(const std::string& folder, int nCounter, const std::string& sourcePath,
                       const std::string& extension);

// Raises *pnCounter by one, and further while the path it names already exists, so that no
// file is ever overwritten. Returns the free path.
std::string NextFreeOutputPath(const std::string& folder, int* pnCounter,
                               const std::string& sourcePath, const std::string& extension);

// The folder with a trailing "/".
std::string WithTrailingSeparator(const std::string& folder);

// Whether the path fits the control block's output field (259 UTF-16 units and a NUL).
bool FitsBlockPath(const std::string& utf8Path);

// Seconds of work left: the timeline seconds still to render at the speed measured so far
// (timeline seconds done per wall second). Negative when nothing has been measured yet.
double EstimateSecondsLeft(double dTimelineDone, double dTimelineTotal, double dElapsedSeconds);

// "1:05" for 65 s, "1:01:05" past an hour; "--:--" for a negative value.
QString FormatClock(double dSeconds);

// The strip's lines.
QString RenderingLine(int nIndex, int nCount, const QString& strFileName);
QString ProgressLine(double dElapsedSeconds, double dSecondsLeft);
QString SummaryLine(int nFinished, int nFailed, double dElapsedSeconds);

} // namespace qv
