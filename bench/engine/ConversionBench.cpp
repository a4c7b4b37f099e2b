// Whole conversions through the engine process against the ffmpeg command line doing the
// same work: same source, same crop, 30 fps, libx264 with the CRF, profile and frame
// structure our mapping chooses, AAC at the same bitrate. Runs alternate; prints the
// wall-time ratio (engine / ffmpeg) and the engine's peak memory.
#include "encode/EncodeSettings.h"
#include "encode/EncoderMapping.h"
#include "project/FrontEndProject.h"
#include "project/ProjectWriter.h"
#include "tests/support/CQVEngineDriver.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace qv;

namespace
{

struct tagQVBenchJob
{
    const char* name;
    std::string make; // ffmpeg arguments that make the source (after -y)
    int nSourceWidth, nSourceHeight;
    int x, y, w, h; // the crop
};

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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

bool RunEngine(const tagQVBenchJob& job, const std::string& source, double dSeconds,
               tagQVOutputSettings settings, double* pWall, long* pPeakKb)
{
    test::CQVEngineDriver driver;
    tagQVJobRow row;
    row.source = source;
    row.dDuration = row.dEndTime = dSeconds;
    row.bHadAudio = 1;
    row.nVideoWidth = job.nSourceWidth;
    row.nVideoHeight = job.nSourceHeight;
    row.bCropped = true;
    row.crop.enablecrop = 1;
    row.crop.xcrop = job.x;
    row.crop.ycrop = job.y;
    row.crop.wcrop = job.w;
    row.crop.hcrop = job.h;
    if (!driver.Ready() || !driver.CreateBlock() ||
        !WriteProjectFile(BuildJobProject(row, 1), settings.nPresetIndex,
                          driver.ProgramPath("tmp/qvengine.qvprj")) ||
        !driver.StartConversion(driver.ProgramPath("out.mp4"), settings))
        return false;
    auto start = std::chrono::steady_clock::now();
    if (!driver.Launch())
        return false;
    long peak = 0;
    pid_t pid = driver.EnginePid();
    tagQVProcessExit exit;
    bool ended = driver.WaitForExit(600000, &exit, 20,
                                    [&](SharedControlBlock&)
                                    {
                                        long now = PeakKilobytes(pid);
                                        peak = now > peak ? now : peak;
                                    });
    *pWall = Seconds(start);
    *pPeakKb = peak;
    return ended && exit.bExited && exit.nExitCode == 0;
}

bool RunFFmpeg(const tagQVBenchJob& job, const std::string& source, const std::string& output,
               const tagQVEncodeSettings& encode, double* pWall)
{
    tagQVFrameStructure frames = VideoFrameStructure(encode);
    char command[2048];
    std::snprintf(command, sizeof command,
                  "ffmpeg -nostdin -v error -y -i '%s' -vf crop=%d:%d:%d:%d,fps=30,format=yuv420p "
                  "-c:v libx264 -preset medium -profile:v %s -crf %d -g %d -keyint_min %d -bf %d "
                  "-sc_threshold 0 -x264-params b-adapt=0:open-gop=0:b-pyramid=none "
                  "-c:a aac -b:a %dk -ar 44100 -ac 2 '%s'",
                  source.c_str(), job.w, job.h, job.x, job.y, H264ProfileName(encode),
                  encode.nQuality, frames.nGopFrames, frames.nGopFrames, frames.nBFrames,
                  encode.nAudioBitrateKbps, output.c_str());
    auto start = std::chrono::steady_clock::now();
    int result = std::system(command);
    *pWall = Seconds(start);
    return result == 0;
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
    test::CQVTestFolder folder("vantrel-bench");
    std::string duration = std::to_string(seconds);
    const tagQVBenchJob jobs[] = {
        {"720p H.264",
         "-f lavfi -i testsrc2=size=1280x720:rate=30 -f lavfi -i sine=frequency=440 -t " +
             duration + " -c:v libx264 -preset veryfast -c:a aac",
         1280, 720, 160, 90, 960, 540},
        {"1080p H.264",
         "-f lavfi -i testsrc2=size=1920x1080:rate=30 -f lavfi -i sine=frequency=440 -t " +
             duration + " -c:v libx264 -preset veryfast -c:a aac",
         1920, 1080, 320, 180, 1280, 720},
        {"MPEG-2 PS",
         "-f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i sine=frequency=440 -t " + duration +
             " -c:v mpeg2video -q:v 3 -c:a mp2 -f vob",
         720, 576, 40, 48, 640, 480},
    };
    std::printf("%-12s %10s %10s %7s %10s\n", "source", "engine s", "ffmpeg s", "ratio", "peak MB");
    for (const tagQVBenchJob& job : jobs)
    {
        std::string source =
            folder / (std::string("source-") + std::to_string(&job - jobs) +
                      (job.make.find("vob") != std::string::npos ? ".mpg" : ".mp4"));
        if (std::system(("ffmpeg -nostdin -v error -y " + job.make + " '" + source + "'").c_str()))
        {
            std::printf("%-12s could not make the source\n", job.name);
            continue;
        }
        tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[2];
        settings.nWidth = job.w;
        settings.nHeight = job.h;
        settings.nQuality = 23;
        settings.nAudioChannels = 1;
        settings.nAudioBitrate = 128;
        settings.nAudioSampleRate = 44100;
        tagQVOutputSettings derived = settings;
        tagQVEncodeSettings encode;
        DeriveEncodeSettings(&derived, tagQVH264Settings(), seconds, 30.0, &encode);

        double bestEngine = 1e9, bestFFmpeg = 1e9;
        long peak = 0;
        for (int round = 0; round < rounds; ++round)
        {
            double wall = 0.0;
            long kb = 0;
            if (RunEngine(job, source, seconds, settings, &wall, &kb))
                bestEngine = std::min(bestEngine, wall), peak = std::max(peak, kb);
            if (RunFFmpeg(job, source, folder / "ffmpeg.mp4", encode, &wall))
                bestFFmpeg = std::min(bestFFmpeg, wall);
        }
        std::printf("%-12s %10.2f %10.2f %7.2f %10.1f\n", job.name, bestEngine, bestFFmpeg,
                    bestEngine / bestFFmpeg, peak / 1024.0);
    }
    return 0;
}
