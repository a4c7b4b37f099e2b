// The still frames the crop dialog shows: JPEG files in the program's "tmp/tlframe/", one
// per time, made with the front-end's still capture and emptied after each run of the
// dialog. The names come from the GUI thread (they follow the program's folders); the
// crop dialog's frame loader makes and loads the files on its own thread.
#pragma once

#include <QImage>
#include <string>

namespace qv
{

// The time first shown: half the duration, at most 5 seconds; 0 for a duration that is
// not a positive number.
double FirstFrameTime(double dDuration);

// "tlframe/" in the job folder (which ends in "/"; empty: "tmp/" of the program folder),
// ending in "/".
std::string FrameFolder(const std::string& tempFolder);
// The frame image of time t: the frame folder plus t formatted as "%3.1lf.jpg" (always
// with a decimal point).
std::string FrameImagePath(const std::string& tempFolder, double dSeconds);

// Loads the frame image so that one image pixel is one source pixel: an image of another
// size is stretched to the source size and saved over the file. An image that cannot be
// read becomes a black picture of the source size, saved in its place (when the path is
// not empty). The result is opaque, Format_ARGB32_Premultiplied; null only for a size that
// is not positive.
QImage LoadFrameImage(const std::string& path, int nSourceWidth, int nSourceHeight);

} // namespace qv
