#include "bench/engine/BenchRuns.h"

#include "formats/OutputTypes.h"
#include "project/FrontEndProject.h"
#include "project/OutputSize.h"
#include "project/ProjectWriter.h"
#include "tests/support/CQVEngineDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>

namespace qv::bench
{

tagQVOutputFigures Measure(const tagQVBenchJob& job, const std::string& source,
                           const std::string& output, int nLead)
{
    tagQVOutputFigures figures;
    if (FILE* pFile = std::fopen(output.c_str(), "rb"))
    {
        std::fseek(pFile, 0, SEEK_END);
        figures.nBytes = std::ftell(pFile);
        std::fclose(pFile);
    }
    char command[4096];
    std::snprintf(command, sizeof command,
                  "ffmpeg -nostdin -v info -i '%s' -i '%s' -lavfi "
                  "\"[1:v]crop=%d:%d:%d:%d:exact=1%s%s,fps=30,format=yuv420p,trim=start_frame=%d,"
                  "setpts=PTS-STARTPTS[r];[0:v]settb=1/30,setpts=N,format=yuv420p[o];"
                  "[o][r]psnr\" -f null - 2>&1 | grep -o 'PSNR y:[0-9.inf]*' | tail -1",
                  output.c_str(), source.c_str(), CutToMultipleOfFour(job.w),
                  CutToMultipleOfFour(job.h), job.x, job.y, job.filters.empty() ? "" : ",",
                  job.filters.c_str(), nLead);
    if (FILE* pPipe = popen(command, "r"))
    {
        char line[256] = {};
        if (std::fgets(line, sizeof line, pPipe) && std::strlen(line) > 7)
            figures.dPsnr = std::atof(line + 7);
        pclose(pPipe);
    }
    return figures;
}

long long FileSize(const std::string& path)
{
    struct stat info = {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

namespace
{

// The size of the engine's output while it is written: the hidden file beside the output.
long long PartFileSize(const std::string& folder)
{
    long long size = -1;
    if (DIR* pDir = opendir(folder.c_str()))
    {
        while (const dirent* pEntry = readdir(pDir))
            if (std::strncmp(pEntry->d_name, ".vantrel-", 9) == 0)
                size = std::max(size, FileSize(folder + "/" + pEntry->d_name));
        closedir(pDir);
    }
    return size;
}

long PeakKilobytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

} // namespace

bool RunEngine(const tagQVBenchJob& job, const std::string& source, double dSeconds,
               tagQVOutputSettings settings, double* pWall, long* pPeakKb, double* pStartMs,
               double* pFirstMs, tagQVOutputFigures* pFigures)
{
    test::CQVEngineDriver driver;
    const tagQVOutputType* pType = FindOutputType(settings.nOutputFormat);
    const std::string output =
        driver.ProgramPath("out") + (pType != nullptr ? pType->pszExtension : ".mp4");
    tagQVJobRow row;
    row.source = source;
    row.dDuration = row.dEndTime = dSeconds;
    row.bHadAudio = 1;
    row.nVideoWidth = job.nSourceWidth;
    row.nVideoHeight = job.nSourceHeight;
    // A crop of the whole picture is no crop, as the front-end writes it.
    row.bCropped =
        job.x != 0 || job.y != 0 || job.w != job.nSourceWidth || job.h != job.nSourceHeight;
    row.crop.enablecrop = 1;
    row.crop.xcrop = job.x;
    row.crop.ycrop = job.y;
    row.crop.wcrop = job.w;
    row.crop.hcrop = job.h;
    if (!driver.Ready() || !driver.CreateBlock() ||
        !WriteProjectFile(BuildJobProject(row, 1), settings.nPresetIndex,
                          driver.ProgramPath("tmp/qvengine.qvprj")) ||
        !driver.StartConversion(output, settings))
        return false;
    auto start = std::chrono::steady_clock::now();
    if (!driver.Launch())
        return false;
    long peak = 0;
    double dRunning = -1.0, dFirst = -1.0;
    long long nHeaderBytes = -1;
    pid_t pid = driver.EnginePid();
    const std::string folder = driver.ProgramPath("");
    tagQVProcessExit exit;
    bool ended = driver.WaitForExit(600000, &exit, 2,
                                    [&](SharedControlBlock& block)
                                    {
                                        long now = PeakKilobytes(pid);
                                        peak = now > peak ? now : peak;
                                        if (dRunning < 0.0 && block.bGraphRunning != 0)
                                        {
                                            dRunning = Seconds(start) * 1000.0;
                                            nHeaderBytes = PartFileSize(folder);
                                        }
                                        if (dRunning >= 0.0 && dFirst < 0.0 &&
                                            PartFileSize(folder) > nHeaderBytes)
                                            dFirst = Seconds(start) * 1000.0;
                                    });
    *pWall = Seconds(start);
    *pPeakKb = peak;
    *pStartMs = dRunning;
    *pFirstMs = dFirst;
    const bool bOk = ended && exit.bExited && exit.nExitCode == 0;
    if (bOk)
        *pFigures = Measure(job, source, output, 1);
    return bOk;
}

} // namespace qv::bench
