// Whole conversions through the engine process against the ffmpeg command line doing the
// same work: same source, same crop, 30 fps, libx264 with the CRF, profile and frame
// structure our mapping chooses, AAC at the same bitrate. Runs alternate; prints the
// wall-time ratio (engine / ffmpeg), the engine's peak memory and start-up time, for each
// side the time to its first encoded output, and for each side the file size and the luma
// PSNR against the source's crop. A clip named on the command line is benchmarked too.
// "types[:q,...]" as the first argument compares the output types instead (TypeComparison).
#include "bench/engine/BenchRuns.h"
#include "encode/EncodeSettings.h"
#include "encode/EncoderMapping.h"
#include "probe/CQVColorGraph.h"
#include "project/FrontEndProject.h"
#include "project/OutputSize.h"
#include "project/ProjectWriter.h"
#include "tests/support/CQVEngineDriver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

using namespace qv;
using namespace qv::bench;

namespace
{

bool RunFFmpeg(const tagQVBenchJob& job, const std::string& source, const std::string& output,
               const tagQVEncodeSettings& encode, double dSeconds, double* pWall, double* pFirstMs)
{
    tagQVFrameStructure frames = VideoFrameStructure(encode);
    char command[4096];
    std::snprintf(command, sizeof command,
                  "ffmpeg -nostdin -v error -y -t %.3f -i '%s' -vf "
                  "crop=%d:%d:%d:%d:exact=1%s%s,fps=30,format=yuv420p "
                  "-c:v libx264 -preset medium -profile:v %s -crf %d -g %d -keyint_min %d -bf %d "
                  "-sc_threshold 0 -x264-params b-adapt=0:open-gop=0:b-pyramid=none "
                  "-c:a aac -b:a %dk -ar 44100 -ac 2 '%s'",
                  dSeconds, source.c_str(), CutToMultipleOfFour(job.w), CutToMultipleOfFour(job.h),
                  job.x, job.y, job.filters.empty() ? "" : ",", job.filters.c_str(),
                  H264ProfileName(encode), encode.nQuality, frames.nGopFrames, frames.nGopFrames,
                  frames.nBFrames, encode.nAudioBitrateKbps, output.c_str());
    std::remove(output.c_str());
    auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0)
    {
        execl("/bin/sh", "sh", "-c", command, static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0)
        return false;
    // ffmpeg writes its header (a few bytes) once its encoders are open; the packets follow.
    *pFirstMs = -1.0;
    long long nHeaderBytes = -1;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0)
    {
        const long long nSize = FileSize(output);
        if (nHeaderBytes <= 0)
            nHeaderBytes = nSize;
        else if (*pFirstMs < 0.0 && nSize > nHeaderBytes)
            *pFirstMs = Seconds(start) * 1000.0;
        usleep(2000);
    }
    *pWall = Seconds(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The engine's filter chain for an HLG BT.2020 source made SDR at the output size.
std::string HlgChain(int nWidth, int nHeight)
{
    tagQVColorDescription hlg;
    hlg.ePrimaries = AVCOL_PRI_BT2020;
    hlg.eTransfer = AVCOL_TRC_ARIB_STD_B67;
    hlg.eMatrix = AVCOL_SPC_BT2020_NCL;
    hlg.eRange = AVCOL_RANGE_MPEG;
    return CQVColorGraph::Chain(hlg, QVOutputDescription(hlg, true, nWidth, nHeight), nWidth,
                                nHeight, AV_PIX_FMT_YUV420P);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]).rfind("types", 0) == 0)
    {
        test::CQVTestFolder folder("vantrel-bench");
        return RunTypeComparison(argv[1], argc > 2 ? std::atof(argv[2]) : 3.0,
                                 argc > 3 ? std::atoi(argv[3]) : 1, argc > 4 ? argv[4] : "",
                                 folder.Path());
    }
    double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
    const std::string only = argc > 3 ? argv[3] : ""; // runs the jobs whose name has this
    test::CQVTestFolder folder("vantrel-bench");
    std::string duration = std::to_string(seconds);
    std::string shortDuration = std::to_string(std::min(seconds, 4.0));
    const std::string tone = " -f lavfi -i sine=frequency=440 -t ";
    // The screen recording's text: lines of words, the same at every run.
    const std::string textFile = folder / "screen-text.txt";
    {
        const char* words[] = {"crop",    "convert", "frame",  "pixel",   "encoder", "output",
                               "source",  "window",  "button", "list",    "render",  "preview",
                               "quality", "width",   "height", "settings"};
        std::ofstream text(textFile);
        unsigned nState = 1;
        for (int line = 0; line < 200; ++line, text << '\n')
            for (int word = 0; word < 14; ++word)
            {
                nState = nState * 1103515245u + 12345u;
                text << words[(nState >> 16) % 16] << ' ';
            }
    }
    std::vector<tagQVBenchJob> jobs = {
        {"720p H.264",
         "-f lavfi -i testsrc2=size=1280x720:rate=30" + tone + duration +
             " -c:v libx264 -preset veryfast -c:a aac",
         1280, 720, 160, 90, 960, 540, ".mp4"},
        {"1080p H.264",
         "-f lavfi -i testsrc2=size=1920x1080:rate=30" + tone + duration +
             " -c:v libx264 -preset veryfast -c:a aac",
         1920, 1080, 320, 180, 1280, 720, ".mp4"},
        {"1080p grain",
         "-f lavfi -i testsrc2=size=1920x1080:rate=30" + tone + duration +
             " -vf noise=alls=12:allf=t -c:v libx264 -preset veryfast -crf 16 -c:a aac",
         1920, 1080, 320, 180, 1280, 720, ".mp4"},
        {"MPEG-2 PS",
         "-f lavfi -i testsrc2=size=720x576:rate=25" + tone + duration +
             " -c:v mpeg2video -q:v 3 -c:a mp2 -f vob",
         720, 576, 40, 48, 640, 480, ".mpg"},
        // An old codec with camera-like noise, an odd crop offset and a size in fours.
        {"AVI MPEG-4",
         "-f lavfi -i testsrc2=size=640x480:rate=30" + tone + duration +
             " -vf noise=alls=8:allf=t -c:v mpeg4 -q:v 4 -c:a mp3",
         640, 480, 33, 21, 512, 384, ".avi"},
        {"2160p->1080p",
         "-f lavfi -i testsrc2=size=3840x2160:rate=30" + tone + shortDuration +
             " -c:v libx264 -preset ultrafast -c:a aac",
         3840, 2160, 960, 540, 1920, 1080, ".mp4"},
        // A common size that is no multiple of 4, uncropped: the last two columns go.
        {"854x480 whole",
         "-f lavfi -i testsrc2=size=854x480:rate=30" + tone + duration +
             " -c:v libx264 -preset veryfast -c:a aac",
         854, 480, 0, 0, 854, 480, ".mp4"},
        // A screen recording: sharp text scrolling over thin lines, cropped from an odd corner
        // at an odd size.
        {"1366x768 screen",
         "-f lavfi -i \"color=c=white:s=1366x768:rate=30,drawgrid=w=171:h=96:t=1:c=gray,"
         "drawtext=font='Liberation Sans':fontsize=13:fontcolor=black:textfile='" +
             textFile +
             "':x=12:y=40-t*25:line_spacing=4,"
             "drawtext=font='Liberation Sans':fontsize=11:fontcolor=0x202020:textfile='" +
             textFile + "':x=700:y=60-t*40,drawbox=x=0:y=0:w=1366:h=28:c=0x3050a0:t=fill\"" + tone +
             duration + " -c:v libx264 -preset veryfast -crf 16 -c:a aac",
         1366, 768, 121, 81, 1025, 601, ".mp4"},
        // A phone's HDR clip: HLG, BT.2020, 10-bit HEVC at 2160p, cropped to 1080p and made
        // SDR; ffmpeg runs the engine's own filter chain.
        {"2160p HLG",
         "-f lavfi -i testsrc2=size=3840x2160:rate=30" + tone + shortDuration +
             " -vf zscale=tin=709:pin=709:min=709:t=arib-std-b67:p=2020:m=2020_ncl:r=tv:npl=203,"
             "format=yuv420p10le -c:v libx265 -preset ultrafast -x265-params log-level=0 "
             "-color_primaries bt2020 -color_trc arib-std-b67 -colorspace bt2020nc -c:a aac",
         3840, 2160, 960, 540, 1920, 1080, ".mp4", "", HlgChain(1920, 1080)},
        // A phone's portrait clip: stored 1280 x 720, shown turned to 720 x 1280.
        {"720p turned",
         "-f lavfi -i testsrc2=size=1280x720:rate=30" + tone + duration +
             " -c:v libx264 -preset veryfast -c:a aac",
         720, 1280, 90, 160, 540, 960, ".mp4", "90"},
    };
    // A real clip: its middle two thirds, from an odd corner, in fours.
    if (argc > 4)
    {
        int nWidth = 0, nHeight = 0;
        const std::string probe = std::string("ffprobe -v error -select_streams v:0 "
                                              "-show_entries stream=width,height -of csv=p=0 '") +
                                  argv[4] + "'";
        if (FILE* pPipe = popen(probe.c_str(), "r"))
        {
            if (std::fscanf(pPipe, "%d,%d", &nWidth, &nHeight) != 2)
                nWidth = nHeight = 0;
            pclose(pPipe);
        }
        if (nWidth >= 16 && nHeight >= 16)
            jobs.push_back({"real clip", "", nWidth, nHeight, (nWidth / 6) | 1, (nHeight / 6) | 1,
                            nWidth * 2 / 3 / 4 * 4, nHeight * 2 / 3 / 4 * 4, argv[4], ""});
        else
            std::printf("%s: no picture size (a clip turned by its display matrix is measured "
                        "as stored)\n",
                        argv[4]);
    }
    std::printf("%-13s %8s %8s %6s %8s %8s %8s %8s %6s %7s %7s\n", "source", "engine s", "ffmpeg s",
                "ratio", "peak MB", "start ms", "first e", "first f", "size", "PSNR e", "PSNR f");
    for (const tagQVBenchJob& job : jobs)
    {
        if (job.name.find(only) == std::string::npos)
            continue;
        const bool bShort = job.nSourceWidth > 1920;
        double dSeconds = bShort ? std::min(seconds, 4.0) : seconds;
        std::string source = job.extension; // a given clip's path
        if (!job.make.empty())
        {
            source = folder / ("source-" + std::to_string(&job - jobs.data()) + job.extension);
            std::string command = "ffmpeg -nostdin -v error -y " + job.make + " '" + source + "'";
            if (!job.turn.empty())
                command += " && ffmpeg -nostdin -v error -y -i '" + source +
                           "' -c copy -metadata:s:v:0 rotate=" + job.turn + " '" + source +
                           ".turned" + job.extension + "' && mv '" + source + ".turned" +
                           job.extension + "' '" + source + "'";
            if (std::system(command.c_str()))
            {
                std::printf("%-13s could not make the source\n", job.name.c_str());
                continue;
            }
        }
        else
        {
            const std::string probe =
                "ffprobe -v error -show_entries format=duration -of csv=p=0 '" + source + "'";
            if (FILE* pPipe = popen(probe.c_str(), "r"))
            {
                double dLength = 0.0;
                if (std::fscanf(pPipe, "%lf", &dLength) == 1 && dLength > 0.5)
                    dSeconds = std::min(seconds, dLength - 0.2);
                pclose(pPipe);
            }
        }
        tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[2];
        settings.nWidth = CutToMultipleOfFour(job.w);
        settings.nHeight = CutToMultipleOfFour(job.h);
        settings.nQuality = 23;
        settings.nAudioChannels = 1;
        settings.nAudioBitrate = 128;
        settings.nAudioSampleRate = 44100;
        tagQVOutputSettings derived = settings;
        tagQVEncodeSettings encode;
        DeriveEncodeSettings(&derived, tagQVH264Settings(), dSeconds, 30.0, &encode);

        double bestEngine = 1e9, bestFFmpeg = 1e9, bestStart = 1e9, bestFirst = 1e9,
               bestFFmpegFirst = 1e9;
        long peak = 0;
        tagQVOutputFigures engineFigures, ffmpegFigures;
        for (int round = 0; round < rounds; ++round)
        {
            double wall = 0.0, startMs = 0.0, firstMs = 0.0;
            long kb = 0;
            if (RunEngine(job, source, dSeconds, settings, &wall, &kb, &startMs, &firstMs,
                          &engineFigures))
            {
                bestEngine = std::min(bestEngine, wall), peak = std::max(peak, kb);
                if (startMs >= 0.0)
                    bestStart = std::min(bestStart, startMs);
                if (firstMs >= 0.0)
                    bestFirst = std::min(bestFirst, firstMs);
            }
            const std::string output = folder / "ffmpeg.mp4";
            if (RunFFmpeg(job, source, output, encode, dSeconds, &wall, &firstMs))
            {
                bestFFmpeg = std::min(bestFFmpeg, wall);
                if (firstMs >= 0.0)
                    bestFFmpegFirst = std::min(bestFFmpegFirst, firstMs);
                ffmpegFigures = Measure(job, source, output, 0);
            }
        }
        // At 25 fps the two sides pick the 30 fps pictures by different roundings, so the
        // PSNR would compare different pictures: only 30 fps sources print it.
        if (!job.make.empty() && job.make.find("rate=30") == std::string::npos)
            engineFigures.dPsnr = ffmpegFigures.dPsnr = 0.0;
        std::printf("%-13s %8.2f %8.2f %6.2f %8.1f %8.0f %8.0f %8.0f %6.2f %7.2f %7.2f\n",
                    job.name.c_str(), bestEngine, bestFFmpeg, bestEngine / bestFFmpeg,
                    peak / 1024.0, bestStart, bestFirst, bestFFmpegFirst,
                    ffmpegFigures.nBytes > 0 ? double(engineFigures.nBytes) / ffmpegFigures.nBytes
                                             : 0.0,
                    engineFigures.dPsnr, ffmpegFigures.dPsnr);
    }
    return 0;
}
