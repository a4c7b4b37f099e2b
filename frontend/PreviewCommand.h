// The main window's preview command, and the values the preview dialog shows: one row of
// the file list played by the engine inside the preview dialog, cropped and at the output
// size as it will be rendered. GUI thread only.
#pragma once

#include "frontend/BatchModel.h"

#include <QSize>
#include <QString>

namespace qv
{

class CQVPlatformWindow;

// "%02d:%02d:%02d.%01d": hours, minutes, seconds and tenths of the seconds truncated to
// whole milliseconds; a negative time (or one that is not a number) reads as 0.
QString PreviewTimeText(double dSeconds);

// The progress bar's value: min(100, position x 100 / length), 0 when the length is not
// above 0 or the position is negative.
double PreviewPercent(double dPosition, double dLength);

// The preview dialog's client size for an output: 2 wider and 70 taller (the picture band
// sits inside), but never narrower than kPreviewMinWidth, so that its buttons, time and bar
// stay usable for a small crop.
constexpr int kPreviewMinWidth = 360;
QSize PreviewDialogSize(int nOutputWidth, int nOutputHeight);

// The scale at which the engine draws a preview so that the dialog fits a work area of this
// size: 1 when the output fits, else the largest scale (in steps of 1/10000, as the project
// file keeps it exactly) whose dialog fits; never below 0.01.
double PreviewPlayScale(int nOutputWidth, int nOutputHeight, QSize workArea);
// The picture the engine draws at that scale: each side scaled, truncated and cut down to a
// multiple of 4.
QSize PreviewPictureSize(int nOutputWidth, int nOutputHeight, double dPlayScale);

enum class EPreviewResult
{
    Shown,           // the preview dialog ran and was closed
    EmptyTimeline,   // no item to play, or less than 0.5 s: the message was shown
    FilesNotWritten, // a job file could not be written: the message was shown
    NoBlock,         // the control block is not there
};

// The preview of one row: the output size from its crop, the one-item project and its
// length (with the play scale for the work area of pOwner's screen), the empty-timeline message
// ("The timeline is empty, please edit and try again!") when nothing would play, the job files, the
// block's preview order, then the preview dialog, run modally over pOwner (may be null). The dialog
// starts and ends the engine process itself; no other engine process is touched.
EPreviewResult PreviewRow(const tagQVRowJob& job, CQVPlatformWindow* pOwner);

} // namespace qv
