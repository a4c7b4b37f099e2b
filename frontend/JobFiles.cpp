#include "frontend/JobFiles.h"

#include "project/OutputSize.h"
#include "platform/Process.h"
#include "project/OutputSize.h"
#include "project/ProjectWriter.h"
#include "protocol/SharedControlBlock.h"

#include <QSocketNotifier>
#include <algorithm>
#include <sys/syscall.h>
#include <unistd.h>

namespace qv
{

namespace
{

struct tagQVIntersection
{
    int x = 0, y = 0, w = 0, h = 0;
};

tagQVIntersection Intersect(const tagQVRowCrop& crop)
{
    // 64-bit sums: the cells are typed by hand and may hold anything.
    const long long nLeft = std::max<long long>(crop.nCropX, 0);
    const long long nTop = std::max<long long>(crop.nCropY, 0);
    const long long nRight = std::min<long long>(
        static_cast<long long>(crop.nCropX) + crop.nCropWidth, crop.nSourceWidth);
    const long long nBottom = std::min<long long>(
        static_cast<long long>(crop.nCropY) + crop.nCropHeight, crop.nSourceHeight);
    tagQVIntersection r;
    if (nRight <= nLeft || nBottom <= nTop)
        return r;
    r.x = static_cast<int>(nLeft);
    r.y = static_cast<int>(nTop);
    r.w = static_cast<int>(nRight - nLeft);
    r.h = static_cast<int>(nBottom - nTop);
    return r;
}

} // namespace

tagQVFrameSize OutputSizeOfRow(const tagQVRowCrop& crop)
{
    const tagQVIntersection r = Intersect(crop);
    tagQVFrameSize size;
    size.nWidth = CutToMultipleOfFour(r.w);
    size.nHeight = CutToMultipleOfFour(r.h);
    return size;
}

bool CropOfRow(const tagQVRowCrop& crop, tagQVCropData* pCrop)
{
    const tagQVIntersection r = Intersect(crop);
    if (r.w <= 0 || r.h <= 0)
        return false;
    if (r.x == 0 && r.y == 0 && r.w == crop.nSourceWidth && r.h == crop.nSourceHeight)
        return false;
    pCrop->enablecrop = 1;
    pCrop->xcrop = r.x;
    pCrop->ycrop = r.y;
    // A side under 4 stays what it is: the crop must stay inside the frame.
    pCrop->wcrop = r.w < 4 ? r.w : CutToMultipleOfFour(r.w);
    pCrop->hcrop = r.h < 4 ? r.h : CutToMultipleOfFour(r.h);
    return true;
}

tagQVJobRow JobRowWithCrop(tagQVJobRow row, const tagQVRowCrop& crop)
{
    row.bCropped = CropOfRow(crop, &row.crop);
    return row;
}

double JobDuration(const tagQVJobRow& row)
{
    return BuildJobProject(row, 1).Length();
}

bool WriteJobFiles(const tagQVJobRow& row, const tagQVJobContext& context, double* pdDuration,
                   std::string* pFailedFile)
{
    auto fail = [&](const std::string& path)
    {
        if (pFailedFile)
            *pFailedFile = path;
        return false;
    };
    if (!context.pSettings)
        return fail(context.tempFolder + "option.dat");
    if (!WriteH264Settings(context.h264Path, context.h264))
        return fail(context.h264Path);
    const std::string optionPath = context.tempFolder + "option.dat";
    if (!context.pSettings->WriteOptionFile(optionPath))
        return fail(optionPath);
    const ProjectTimeline project = BuildJobProject(row, 1);
    const std::string projectPath = context.tempFolder + "qvengine.qvprj";
    if (!WriteProjectFile(project, context.pSettings->Current().nPresetIndex, projectPath, nullptr,
                          context.dPlayScale))
        return fail(projectPath);
    if (pdDuration)
        *pdDuration = project.Length();
    return true;
}

std::string EnginePath(const std::string& programFolder)
{
    return programFolder + "VantrelEngine";
}

CQVEngineProcess::CQVEngineProcess() = default;

CQVEngineProcess::~CQVEngineProcess()
{
    Stop();
}

bool CQVEngineProcess::Start(const std::string& programFolder)
{
    if (IsRunning())
        return false;
    m_pid = SpawnDetached(EnginePath(programFolder), {}, programFolder);
    if (m_pid <= 0)
        return false;
    WatchEnd();
    return true;
}

void CQVEngineProcess::WatchEnd()
{
    // A pidfd turns readable when the process ends, whoever reaps it: the event loop hears
    // of the end at once instead of at the next poll. No SIGCHLD handler, which would race
    // the reaping of every other child.
    m_nPidFd = static_cast<int>(syscall(SYS_pidfd_open, m_pid, 0));
    if (m_nPidFd < 0)
        return;
    m_pNotifier = std::make_unique<QSocketNotifier>(m_nPidFd, QSocketNotifier::Read);
    QObject::connect(m_pNotifier.get(), &QSocketNotifier::activated,
                     [this]
                     {
                         // Once per process: the descriptor stays readable.
                         m_pNotifier->setEnabled(false);
                         if (m_onEnded)
                             m_onEnded();
                     });
}

void CQVEngineProcess::StopWatching()
{
    if (m_pNotifier)
    {
        m_pNotifier->setEnabled(false);
        // It may be the notifier whose signal runs now.
        m_pNotifier.release()->deleteLater();
    }
    if (m_nPidFd >= 0)
        close(m_nPidFd);
    m_nPidFd = -1;
}

bool CQVEngineProcess::IsRunning()
{
    if (m_pid <= 0)
        return false;
    tagQVProcessExit exit;
    if (!ReapProcess(m_pid, &exit))
        return true;
    m_nLastExitStatus = exit.bExited ? exit.nExitCode : -1;
    m_pid = -1;
    StopWatching();
    return false;
}

void CQVEngineProcess::Stop()
{
    if (m_pid <= 0)
        return;
    TerminateProcess(m_pid);
    tagQVProcessExit exit;
    WaitForProcess(m_pid, -1, &exit);
    m_nLastExitStatus = exit.bExited ? exit.nExitCode : -1;
    m_pid = -1;
    StopWatching();
}

std::string CQVEngineProcess::DescribeExit(int nExitStatus)
{
    switch (nExitStatus)
    {
    case kEngineCompleted:
        return "completed";
    case kEngineFailed:
        return "the engine could not convert this file";
    case kEngineNoBlock:
        return "the engine found no control block";
    case kEngineNoSettings:
        return "the engine could not read its settings";
    case kEngineNothingToDo:
        return "the engine had nothing to do";
    default:
        return "the engine ended unexpectedly";
    }
}

} // namespace qv
