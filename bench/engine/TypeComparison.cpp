// The newer output types side by side with the H.264 type: each clip is converted by the
// engine to every type at every quality factor; per type the file size, the luma PSNR
// against the source's crop and the wall time are printed as ratios and differences
// against the H.264 type's at the same factor, then averaged over the clips.
#include "bench/engine/BenchRuns.h"

#include "encode/EncoderMapping.h"
#include "formats/OutputTypes.h"
#include "project/OutputSize.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

namespace qv::bench
{
namespace
{

struct tagQVTypeColumn
{
    int32_t nType;
    const char* pszName;
};
const tagQVTypeColumn kTypes[] = {
    {kOutputMp4, "H.264 MP4"},    {kOutputMp4Hevc, "H.265 MP4"}, {kOutputMp4Av1, "AV1 MP4"},
    {kOutputWebmVp9, "VP9 WebM"}, {kOutputWebmAv1, "AV1 WebM"},
};

// One type's result on one clip at one factor.
struct tagQVTypeRun
{
    bool bOk = false;
    double dWall = 0.0;
    tagQVOutputFigures figures;
};

// The ratios of a type against the H.264 type, summed over the clips to average them.
struct tagQVTypeSums
{
    int nClips = 0;
    double dSize = 0.0, dPsnr = 0.0, dWall = 0.0;
};

std::vector<int> QualityFactors(const std::string& mode)
{
    std::vector<int> factors;
    const size_t nColon = mode.find(':');
    if (nColon != std::string::npos)
    {
        std::stringstream list(mode.substr(nColon + 1));
        std::string item;
        while (std::getline(list, item, ','))
            if (const int nFactor = std::atoi(item.c_str()); nFactor >= 1 && nFactor <= 51)
                factors.push_back(nFactor);
    }
    if (factors.empty())
        factors = {18, 23, 28};
    return factors;
}

// 1440p sources cropped to 1080p from (320, 180), as a camera's picture is cut down. The
// sources are kept nearly lossless so that each type sees the clip's own detail and noise.
std::vector<tagQVBenchJob> TypeJobs(double dSeconds)
{
    const std::string length = " -t " + std::to_string(dSeconds);
    const std::string tone = " -f lavfi -i sine=frequency=440" + length;
    const std::string keep = " -c:v libx264 -preset veryfast -crf 12 -c:a aac";
    return {
        // Clean synthetic pictures: flat colours, sharp edges, moving patterns.
        {"clean", "-f lavfi -i testsrc2=size=2560x1440:rate=30" + tone + length + keep, 2560, 1440,
         320, 180, 1920, 1080, ".mp4"},
        // Camera-like: a slow zoom into smoothly shaded detail, softened as by a lens, with
        // light sensor noise that changes every picture.
        {"camera",
         "-f lavfi -i mandelbrot=size=2560x1440:rate=30:maxiter=300:start_scale=2:end_scale=0.2:"
         "end_pts=600" +
             tone + length + " -vf gblur=sigma=0.8,noise=alls=5:allf=t,eq=saturation=0.7" + keep,
         2560, 1440, 320, 180, 1920, 1080, ".mp4"},
        // Heavy film grain over the synthetic pictures.
        {"grain",
         "-f lavfi -i testsrc2=size=2560x1440:rate=30" + tone + length +
             " -vf noise=alls=12:allf=t" + keep,
         2560, 1440, 320, 180, 1920, 1080, ".mp4"},
    };
}

tagQVTypeRun RunType(const tagQVBenchJob& job, const std::string& source, double dSeconds,
                     int32_t nType, int nQuality, int nRounds)
{
    tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[0];
    settings.nOutputFormat = nType;
    settings.nWidth = CutToMultipleOfFour(job.w);
    settings.nHeight = CutToMultipleOfFour(job.h);
    settings.nSizeMode = 2;
    settings.nQuality = nQuality;
    settings.nAudioChannels = 1;
    settings.nAudioBitrate = 128;
    settings.nAudioSampleRate = 44100;
    tagQVTypeRun run;
    run.dWall = 1e9;
    for (int round = 0; round < nRounds; ++round)
    {
        double dWall = 0.0, dStartMs = 0.0, dFirstMs = 0.0;
        long nPeakKb = 0;
        if (RunEngine(job, source, dSeconds, settings, &dWall, &nPeakKb, &dStartMs, &dFirstMs,
                      &run.figures))
        {
            run.bOk = true;
            run.dWall = std::min(run.dWall, dWall);
        }
    }
    return run;
}

int CrfOfType(int32_t nType, int nQuality)
{
    const EQVVideoCodec eCodec = FindOutputType(nType)->eVideoCodec;
    return eCodec == EQVVideoCodec::H264 ? nQuality : ModernCrf(eCodec, nQuality);
}

} // namespace

int RunTypeComparison(const std::string& mode, double dSeconds, int nRounds,
                      const std::string& only, const std::string& folder)
{
    const std::vector<int> factors = QualityFactors(mode);
    std::map<std::pair<int, int32_t>, tagQVTypeSums> sums; // (factor, type)
    std::printf("%-7s %3s %-10s %4s %8s %7s %7s %6s %7s %6s\n", "clip", "q", "type", "crf", "kB",
                "PSNR", "s", "size", "dPSNR", "time");
    const std::vector<tagQVBenchJob> jobs = TypeJobs(dSeconds);
    for (const tagQVBenchJob& job : jobs)
    {
        if (job.name.find(only) == std::string::npos)
            continue;
        const std::string source = folder + "types-" + job.name + job.extension;
        const std::string make = "ffmpeg -nostdin -v error -y " + job.make + " '" + source + "'";
        if (std::system(make.c_str()) != 0)
        {
            std::printf("%-7s could not make the source\n", job.name.c_str());
            continue;
        }
        for (const int nQuality : factors)
        {
            tagQVTypeRun base;
            for (const tagQVTypeColumn& column : kTypes)
            {
                const tagQVTypeRun run =
                    RunType(job, source, dSeconds, column.nType, nQuality, nRounds);
                if (column.nType == kOutputMp4)
                    base = run;
                if (!run.bOk || !base.bOk)
                {
                    std::printf("%-7s %3d %-10s failed\n", job.name.c_str(), nQuality,
                                column.pszName);
                    continue;
                }
                const double dSize = double(run.figures.nBytes) / double(base.figures.nBytes);
                const double dPsnr = run.figures.dPsnr - base.figures.dPsnr;
                const double dTime = run.dWall / base.dWall;
                std::printf("%-7s %3d %-10s %4d %8.0f %7.2f %7.2f %6.2f %+7.2f %6.2f\n",
                            job.name.c_str(), nQuality, column.pszName,
                            CrfOfType(column.nType, nQuality), run.figures.nBytes / 1024.0,
                            run.figures.dPsnr, run.dWall, dSize, dPsnr, dTime);
                std::fflush(stdout);
                tagQVTypeSums& sum = sums[{nQuality, column.nType}];
                ++sum.nClips;
                sum.dSize += dSize;
                sum.dPsnr += dPsnr;
                sum.dWall += dTime;
            }
        }
    }
    std::printf("\nmean over the clips  (aims: size <= 0.75, dPSNR >= -0.20, time <= 3.00)\n");
    std::printf("%3s %-10s %4s %6s %7s %6s\n", "q", "type", "crf", "size", "dPSNR", "time");
    for (const int nQuality : factors)
        for (const tagQVTypeColumn& column : kTypes)
        {
            const auto found = sums.find({nQuality, column.nType});
            if (column.nType == kOutputMp4 || found == sums.end())
                continue;
            const tagQVTypeSums& sum = found->second;
            std::printf("%3d %-10s %4d %6.2f %+7.2f %6.2f\n", nQuality, column.pszName,
                        CrfOfType(column.nType, nQuality), sum.dSize / sum.nClips,
                        sum.dPsnr / sum.nClips, sum.dWall / sum.nClips);
        }
    return 0;
}

} // namespace qv::bench
