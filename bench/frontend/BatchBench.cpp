// A batch of ten short clips (4 s, 1280 x 720, stereo) rendered to MP4 by the front-end's
// main window and render flow with the real engine processes, against the ffmpeg command
// line converting the same clips one after the other in a shell loop. The ffmpeg side takes
// its x264 options and its sound settings from what the engine wrote (the options string
// x264 leaves in the stream, and ffprobe's sample rate, channels and bitrate), so both do
// equal work. Best of N rounds each; prints both times and the ratio (aim: 1.05 or less).
//   batch_bench [rounds]                      (3 by default; offscreen)
#include "formats/OutputTypes.h"
#include "frontend/BatchModel.h"
#include "frontend/CQVMainDlg.h"
#include "frontend/CQVRenderFlow.h"
#include "frontend/FrontEndGlobals.h"
#include "platform/ProgramFolder.h"
#include "ui/CQVTheme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <string>
#include <vector>

using namespace qv;

namespace
{

constexpr int kClips = 10;

std::string Capture(const std::string& command)
{
    std::string out;
    if (FILE* pPipe = popen(command.c_str(), "r"))
    {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pPipe)) > 0)
            out.append(buffer, n);
        pclose(pPipe);
    }
    return out;
}

// The options x264 wrote into its first SEI: "cabac=1 ref=3 deblock=1:0:0 ...".
std::string X264Options(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t nAt = bytes.find("options: ");
    if (nAt == std::string::npos)
        return std::string();
    const size_t nEnd = bytes.find('\0', nAt);
    return bytes.substr(nAt + 9, nEnd == std::string::npos ? std::string::npos : nEnd - nAt - 9);
}

// The options as ffmpeg's -x264-params takes them: "key=value" joined by ":", with the
// values that hold ":" themselves ("deblock=1:0:0") written as x264's parser reads them
// ("deblock=0,0" after "deblock=1"), and keys the parser has no setter for left out.
std::string X264Params(const std::string& options)
{
    std::string params;
    size_t nAt = 0;
    while (nAt < options.size())
    {
        size_t nEnd = options.find(' ', nAt);
        if (nEnd == std::string::npos)
            nEnd = options.size();
        const std::string item = options.substr(nAt, nEnd - nAt);
        nAt = nEnd + 1;
        const size_t nEq = item.find('=');
        if (nEq == std::string::npos)
            continue;
        std::string key = item.substr(0, nEq), value = item.substr(nEq + 1);
        if (key == "analyse" || key == "sliced_threads" || key == "decimate" ||
            key == "interlaced" || key == "bluray_compat" || key == "constrained_intra" ||
            key == "stitchable" || key == "rc" || key == "mbtree" || key == "ip_ratio" ||
            key == "pb_ratio" || key == "aq" || key == "mixed_ref" || key == "me_range" ||
            key == "chroma_me" || key == "fast_pskip" || key == "chroma_qp_offset" || key == "nr" ||
            key == "b_bias" || key == "cqm")
            continue;
        if (key == "deblock")
        {
            const size_t nColon = value.find(':');
            if (value.compare(0, 1, "0") == 0)
                value = "0";
            else if (nColon != std::string::npos)
            {
                std::string rest = value.substr(nColon + 1);
                std::replace(rest.begin(), rest.end(), ':', ',');
                value = rest;
            }
        }
        if (value.find(':') != std::string::npos)
            continue;
        params += (params.empty() ? "" : ":") + key + "=" + value;
    }
    return params;
}

struct tagSound
{
    int nRate = 44100, nChannels = 2, nKbps = 128;
};

tagSound SoundOf(const std::string& path)
{
    tagSound sound;
    const std::string out =
        Capture("ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate,channels,"
                "bit_rate -of default=nw=1 '" +
                path + "'");
    std::sscanf(out.c_str() + std::min(out.find("sample_rate="), out.size()), "sample_rate=%d",
                &sound.nRate);
    std::sscanf(out.c_str() + std::min(out.find("channels="), out.size()), "channels=%d",
                &sound.nChannels);
    long nBits = 0;
    if (std::sscanf(out.c_str() + std::min(out.find("bit_rate="), out.size()), "bit_rate=%ld",
                    &nBits) == 1 &&
        nBits > 0)
        sound.nKbps = static_cast<int>((nBits + 500) / 1000);
    return sound;
}

// When each row started rendering and when it ended, from the model's changes.
struct tagRowTimes
{
    std::vector<double> starts, ends;
    const QElapsedTimer* pClock = nullptr; // while a batch runs
};

double RenderThroughFrontEnd(CQVMainDlg& dialog, const QStringList& clips, const std::string& out,
                             tagRowTimes* pTimes)
{
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    dialog.AddFiles(clips);
    QElapsedTimer clock;
    clock.start();
    *pTimes = tagRowTimes();
    pTimes->pClock = &clock;
    if (!dialog.RenderFlow()->StartInFolder(out))
        return -1.0;
    while (dialog.RenderFlow()->IsRendering())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double dSeconds = clock.nsecsElapsed() / 1e9;
    pTimes->pClock = nullptr;
    // Every file must be there, or the time means nothing.
    int nFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out))
        nFiles += entry.path().extension() == ".mp4";
    dialog.Batch().Clear();
    return nFiles == clips.size() ? dSeconds : -1.0;
}

} // namespace

int main(int argc, char** argv)
{
    const int nRounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    const std::string work = (std::filesystem::temp_directory_path() /
                              ("vantrel-batch-bench-" + std::to_string(getpid())))
                                 .string() +
                             "/";
    std::filesystem::create_directories(work + "clips");
    QStringList clips;
    for (int i = 0; i < kClips; ++i)
    {
        const std::string clip = work + "clips/clip" + std::to_string(i) + ".mp4";
        const std::string make =
            "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1280x720:rate=30 -f lavfi -i "
            "sine=frequency=" +
            std::to_string(300 + 40 * i) +
            ":sample_rate=48000 -t 4 -ac 2 -c:v libx264 -preset veryfast -pix_fmt yuv420p "
            "-c:a aac '" +
            clip + "'";
        if (std::system(make.c_str()) != 0)
        {
            std::fprintf(stderr, "ffmpeg could not make the clips\n");
            return 1;
        }
        clips << QString::fromStdString(clip);
    }

    // The front-end as the program sets it up, beside the built engine.
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    globals.programFolder = ProgramFolder();
    // The engine reads its job from tmp/ beside it, as the program run from build/bin does.
    globals.tempFolder = globals.programFolder + "tmp/";
    std::filesystem::create_directories(globals.tempFolder);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(work + "config"));
    globals.outputSettings.SelectPreset(kFallbackPreset);
    CQVTheme::LoadFile(globals.SkinPath("uicolors/UIColors.uic"));
    if (!globals.controlBlock.Create())
    {
        std::fprintf(stderr, "no control block (is Vantrel running?)\n");
        return 1;
    }
    CQVMainDlg dialog;
    if (!dialog.Open())
        return 1;
    globals.outputSettings.Current().nOutputFormat = kOutputMp4;

    tagRowTimes times;
    dialog.Batch().AddListener(
        [&times, &dialog](CQVBatchModel::EChange eChange, int nRow)
        {
            const tagQVBatchRow* pRow = dialog.Batch().Row(nRow);
            if (eChange != CQVBatchModel::kRowChanged || !pRow || !times.pClock)
                return;
            const double dMs = times.pClock->nsecsElapsed() / 1e6;
            if (pRow->eState == ERowState::Rendering && pRow->dPercent == 0.0)
                times.starts.push_back(dMs);
            else if (pRow->eState == ERowState::Finished)
                times.ends.push_back(dMs);
        });
    double dBestFrontEnd = 1e9, dBestFFmpeg = 1e9;
    std::string engineOptions, params;
    tagSound sound;
    for (int nRound = 0; nRound < nRounds; ++nRound)
    {
        const double dFrontEnd = RenderThroughFrontEnd(dialog, clips, work + "out/", &times);
        // From a row's end to the next row's start: what the batch adds to the conversions.
        double dGapSum = 0.0, dGapMax = 0.0;
        int nGaps = 0;
        for (size_t i = 0; i + 1 < times.starts.size() && i < times.ends.size(); ++i)
        {
            const double dGap = times.starts[i + 1] - times.ends[i];
            dGapSum += dGap;
            dGapMax = std::max(dGapMax, dGap);
            ++nGaps;
        }
        double dRowSum = 0.0;
        for (size_t i = 0; i < times.starts.size() && i < times.ends.size(); ++i)
            dRowSum += times.ends[i] - times.starts[i];
        if (nGaps > 0)
            std::printf("round %d: front-end %.2f s, a row %.0f ms on average, between rows "
                        "%.1f ms on average, %.1f ms at most\n",
                        nRound + 1, dFrontEnd, dRowSum / static_cast<double>(times.ends.size()),
                        dGapSum / nGaps, dGapMax);
        if (dFrontEnd < 0)
        {
            std::fprintf(stderr, "the front-end's batch did not write every file\n");
            return 1;
        }
        dBestFrontEnd = std::min(dBestFrontEnd, dFrontEnd);
        if (nRound == 0)
        {
            // The counter never restarts while the window lives: round one wrote 001 to 010.
            engineOptions = X264Options(work + "out/(output001)clip0.mp4");
            params = X264Params(engineOptions);
            sound = SoundOf(work + "out/(output001)clip0.mp4");
        }
        std::filesystem::remove_all(work + "ffmpeg");
        std::filesystem::create_directories(work + "ffmpeg");
        const std::string loop =
            "for f in '" + work + "clips/'*.mp4; do ffmpeg -nostdin -v error -y -i \"$f\" " +
            "-vf fps=30,format=yuv420p -c:v libx264 -x264-params '" + params + "' -c:a aac " +
            "-b:a " + std::to_string(sound.nKbps) + "k -ar " + std::to_string(sound.nRate) +
            " -ac " + std::to_string(sound.nChannels) + " \"" + work +
            "ffmpeg/$(basename \"$f\")\" || exit 1; done";
        QElapsedTimer clock;
        clock.start();
        if (std::system(loop.c_str()) != 0)
        {
            std::fprintf(stderr, "the ffmpeg loop failed: %s\n", loop.c_str());
            return 1;
        }
        const double dFFmpeg = clock.nsecsElapsed() / 1e9;
        std::printf("round %d: ffmpeg loop %.2f s, a file %.0f ms on average\n", nRound + 1,
                    dFFmpeg, dFFmpeg * 1000.0 / kClips);
        dBestFFmpeg = std::min(dBestFFmpeg, dFFmpeg);
    }
    // Equal work: the two encoders were given the same options, thread counts included.
    const bool bSame = X264Options(work + "ffmpeg/clip0.mp4") == engineOptions;
    std::printf("ten clips of 4 s, 1280 x 720, stereo, to MP4; best of %d\n", nRounds);
    std::printf("x264 options of the engine's output: %s\n", params.c_str());
    std::printf("ffmpeg's x264 options %s\n", bSame ? "are the same" : "DIFFER");
    std::printf("sound: %d Hz, %d channels, %d kbit/s\n", sound.nRate, sound.nChannels,
                sound.nKbps);
    std::printf("front-end %.2f s, ffmpeg loop %.2f s, ratio %.3f\n", dBestFrontEnd, dBestFFmpeg,
                dBestFrontEnd / dBestFFmpeg);
    dialog.DestroyWindow();
    globals.controlBlock.Destroy();
    std::filesystem::remove_all(work);
    return 0;
}
