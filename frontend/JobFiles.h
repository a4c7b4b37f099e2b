// What the front-end hands the engine for one row: the output size and crop of the row,
// the job files in the job folder, and the engine process it starts.
#pragma once

#include "project/FrontEndProject.h"
#include "project/OutputSettings.h"
#include "project/SettingsFiles.h"

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

class QSocketNotifier;

namespace qv
{

// The crop of a row and its source size.
struct tagQVRowCrop
{
    int nCropX = 0;
    int nCropY = 0;
    int nCropWidth = 0;
    int nCropHeight = 0;
    int nSourceWidth = 0;
    int nSourceHeight = 0;
};

struct tagQVFrameSize
{
    int nWidth = 4;
    int nHeight = 4;
};

// The crop rectangle cut to the frame, with width and height truncated to multiples of 4
// and at least 4; 4 x 4 when the two do not overlap.
tagQVFrameSize OutputSizeOfRow(const tagQVRowCrop& crop);

// True, with the crop filled (enable word 1), when the row is cropped: the intersection with
// the frame is not empty and is not the whole frame. Its width and height are truncated to
// multiples of 4. False (no crop record) otherwise.
bool CropOfRow(const tagQVRowCrop& crop, tagQVCropData* pCrop);

// The row's job values with its crop, as the project item is built from them.
tagQVJobRow JobRowWithCrop(tagQVJobRow row, const tagQVRowCrop& crop);

// What the job files hold besides the row, and where they go.
struct tagQVJobContext
{
    const CQVOutputSettingsTable* pSettings = nullptr; // its current record is written
    tagQVH264Settings h264;
    std::string h264Path;    // where the H.264 settings are written
    std::string tempFolder;  // the job folder, ending in "/"
    double dPlayScale = 1.0; // the scale a preview draws its pictures at (a render ignores it)
};

// Writes the H.264 settings, "option.dat" (the current record) and "qvengine.qvprj" (the
// row's one-item project) in that order. *pdDuration receives the project's timeline
// length. False, naming the file that failed in *pFailedFile, when one cannot be written.
bool WriteJobFiles(const tagQVJobRow& row, const tagQVJobContext& context, double* pdDuration,
                   std::string* pFailedFile = nullptr);

// The project's timeline length for the row, without writing anything.
double JobDuration(const tagQVJobRow& row);

// The engine program in the program folder (which ends in "/").
std::string EnginePath(const std::string& programFolder);

// The one engine process this front-end started. Only that process is ever watched or
// stopped: never another user's, and never one that another copy of the front-end started.
class CQVEngineProcess
{
public:
    CQVEngineProcess();
    ~CQVEngineProcess();
    CQVEngineProcess(const CQVEngineProcess&) = delete;
    CQVEngineProcess& operator=(const CQVEngineProcess&) = delete;

    // Starts the engine of the program folder with no arguments, in that folder. False when
    // it cannot be started (or one still runs).
    bool Start(const std::string& programFolder);
    // Called on the GUI thread as soon as a started process has ended (its pidfd becomes
    // readable), before anyone reaps it; the handler may reap, stop or start again. Without
    // a pidfd (an old kernel) nothing is called and IsRunning is the only way to learn it.
    void SetEndedHandler(std::function<void()> handler) { m_onEnded = std::move(handler); }
    // Non-blocking. True while the process runs; once it has ended, false, and the exit is kept.
    bool IsRunning();
    // Ends the process (SIGKILL) and reaps it. Safe to call when none runs.
    void Stop();
    pid_t Pid() const { return m_pid; }

    // How the last process ended: its exit status, or -1 when it was killed by a signal or
    // none has ended yet.
    int LastExitStatus() const { return m_nLastExitStatus; }
    // The exit status in words, for a row's tooltip or the status line.
    static std::string DescribeExit(int nExitStatus);

private:
    void WatchEnd();
    void StopWatching();

    pid_t m_pid = -1;
    int m_nLastExitStatus = -1;
    int m_nPidFd = -1;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    std::function<void()> m_onEnded;
};

} // namespace qv
