// What the conversion bench's modes share: a job (a generated or given source and its crop),
// one engine conversion of it, and the size and luma PSNR of an output.
#pragma once

#include "project/OutputSettings.h"

#include <chrono>
#include <string>

namespace qv::bench
{

struct tagQVBenchJob
{
    std::string name;
    std::string make; // ffmpeg arguments that make the source (after -y); empty: given
    int nSourceWidth, nSourceHeight; // as shown
    int x, y, w, h;                  // the crop; the output is its size cut down to fours
    std::string extension;
    std::string turn; // a "rotate" tag the source is given afterwards (stream copy)
    // Filters after the crop on the ffmpeg side and for the reference of the PSNR, doing
    // what the engine does beyond the crop (the tone map of an HDR source); empty: none.
    std::string filters;
};

// What one side's output is worth: its size and its luma PSNR against the source's crop.
struct tagQVOutputFigures
{
    long long nBytes = 0;
    double dPsnr = 0.0;
};

// nLead: source frames the output is ahead by (the engine's picture n shows time (n + 1)
// / 30 s, so that its last picture is the last one of the item). Both sides are compared
// picture by picture at 30 fps, whatever time stamps the container rounded to.
tagQVOutputFigures Measure(const tagQVBenchJob& job, const std::string& source,
                           const std::string& output, int nLead);

long long FileSize(const std::string& path);

double Seconds(std::chrono::steady_clock::time_point start);

// One conversion of the job's crop by the engine process, to the settings' output type.
// *pFirstMs: from the launch to the first growth of the output after its header, the first
// encoded pictures reaching the file (-1 when not seen).
bool RunEngine(const tagQVBenchJob& job, const std::string& source, double dSeconds,
               tagQVOutputSettings settings, double* pWall, long* pPeakKb, double* pStartMs,
               double* pFirstMs, tagQVOutputFigures* pFigures);

// The "types[:q,...]" mode: the H.264 type and the newer types side by side at each quality
// factor (18, 23 and 28 unless given) on the clips whose name holds `only`; the sources are
// made in the folder (with a trailing "/").
int RunTypeComparison(const std::string& mode, double dSeconds, int nRounds,
                      const std::string& only, const std::string& folder);

} // namespace qv::bench
