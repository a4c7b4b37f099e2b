#include "frontend/JobFiles.h"

#include "frontend/FrontEndGlobals.h"
#include "platform/Process.h"
#include "project/OutputSize.h"
#include "project/ProjectWriter.h"
#include "protocol/SharedControlBlock.h"

#include <algorithm>

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
    pCrop->wcrop = r.w / 4 * 4;
    pCrop->hcrop = r.h / 4 * 4;
    return true;
}

tagQVJobRow JobRowWithCrop(tagQVJobRow row, const tagQVRowCrop& crop)
{
    row.bCropped = CropOfRow(crop, &row.crop);
    return row;
}

void ApplyOutputSize(const tagQVRowCrop& crop)
{
    const tagQVFrameSize size = OutputSizeOfRow(crop);
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    globals.outputSettings.Current().nWidth = size.nWidth;
    globals.outputSettings.Current().nHeight = size.nHeight;
    globals.nOutputWidth = size.nWidth;
    globals.nOutputHeight = size.nHeight;
}

double JobDuration(const tagQVJobRow& row)
{
    return BuildJobProject(row, 1).Length();
}

bool WriteJobFiles(const tagQVJobRow& row, double* pdDuration, std::string* pFailedFile)
{
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    auto fail = [&](const std::string& path)
    {
        if (pFailedFile)
            *pFailedFile = path;
        return false;
    };
    const std::string h264Path = globals.SettingsWritePath("h264.dat");
    if (!WriteH264Settings(h264Path, globals.h264))
        return fail(h264Path);
    const std::string optionPath = globals.TempPath("option.dat");
    if (!globals.outputSettings.WriteOptionFile(optionPath))
        return fail(optionPath);
    const ProjectTimeline project = BuildJobProject(row, 1);
    const std::string projectPath = globals.TempPath("qvengine.qvprj");
    if (!WriteProjectFile(project, globals.outputSettings.Current().nPresetIndex, projectPath))
        return fail(projectPath);
    if (pdDuration)
        *pdDuration = project.Length();
    return true;
}

std::string EnginePath()
{
    return FrontEndGlobals().programFolder + "VantrelEngine";
}

bool CQVEngineProcess::Start()
{
    if (IsRunning())
        return false;
    m_pid = SpawnDetached(EnginePath(), {}, FrontEndGlobals().programFolder);
    return m_pid > 0;
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
