// The preview of a 1080p H.264 source cropped to 1280 x 720, as the user sees it: pictures
// delivered per second, late (dropped) pictures, how far the shown picture trails the
// sound clock, and the time from Play to the first picture, both inside the player and
// through the engine process as the front-end starts it. Needs an X server (Xvfb will do);
// the sound goes to SDL's dummy driver unless SDL_AUDIODRIVER says otherwise.
#include "compose/CAudioMixerUserCallback.h"
#include "compose/CVideoMixerUserCallback.h"
#include "preview/CQVTimeLinePlayer.h"
#include "project/FrontEndProject.h"
#include "project/ProjectWriter.h"
#include "tests/support/CQVEngineDriver.h"

#include <QGuiApplication>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

using namespace qv;

namespace
{

constexpr int kWidth = 1280, kHeight = 720;

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

tagQVJobRow SourceRow(const std::string& source, double dSeconds)
{
    tagQVJobRow row;
    row.source = source;
    row.dDuration = row.dEndTime = dSeconds;
    row.bHadAudio = 1;
    row.nVideoWidth = 1920;
    row.nVideoHeight = 1080;
    row.bCropped = true;
    row.crop.enablecrop = 1;
    row.crop.xcrop = 320;
    row.crop.ycrop = 180;
    row.crop.wcrop = kWidth;
    row.crop.hcrop = kHeight;
    return row;
}

// The preview dialog's stand-in: a window of the dialog's size for the output.
Window MakeHost(Display* pDisplay)
{
    Window host = XCreateSimpleWindow(pDisplay, DefaultRootWindow(pDisplay), 0, 0, kWidth + 2,
                                      kHeight + 70, 0, 0, 0x808080);
    XMapWindow(pDisplay, host);
    XSync(pDisplay, False);
    return host;
}

// The player in this process, over dSeconds of playing.
void MeasurePlayer(Display* pDisplay, const tagQVJobRow& row, double dSeconds)
{
    Window host = MakeHost(pDisplay);
    ProjectTimeline timeline = BuildJobProject(row, 1);
    CVideoMixerUserCallback video(timeline, kWidth, kHeight, "");
    CAudioMixerUserCallback audio(timeline, "", 0);
    tagQVConverterSetup setup;
    setup.dDuration = timeline.Length();
    tagQVPreviewSetup preview;
    preview.nWidth = kWidth;
    preview.nHeight = kHeight;
    CQVTimeLinePlayer player(setup, preview, &video, &audio);
    player.SetOwnerWindow(static_cast<uint32_t>(host));
    auto start = std::chrono::steady_clock::now();
    if (player.Run() < 0)
    {
        std::printf("the player did not start\n");
        return;
    }
    while (Seconds(start) < dSeconds + 0.5 && player.GetDeliveredSeconds() < dSeconds)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const double dPlayed = player.GetDeliveredSeconds();
    const tagQVPreviewStats stats = player.Stats();
    const bool bDevice = player.HasAudioDevice();
    player.Close();
    XDestroyWindow(pDisplay, host);
    XSync(pDisplay, False);

    std::printf("sound clock            %s\n", bDevice ? "SDL device" : "monotonic (no device)");
    std::printf("played                 %.2f s of %.2f s wall\n", dPlayed, Seconds(start));
    std::printf("delivered              %.2f fps (%lld pictures)\n", stats.nShown / dPlayed,
                static_cast<long long>(stats.nShown));
    std::printf("late (dropped)         %lld\n", static_cast<long long>(stats.nDropped));
    std::printf("picture behind clock   mean %.1f ms, max %.1f ms\n",
                stats.dMeanLateSeconds * 1000.0, stats.dMaxLateSeconds * 1000.0);
    std::printf("Run to first picture   %.0f ms (player)\n", stats.dFirstPictureSeconds * 1000.0);
}

// True when the middle of the picture band shows something other than the host's grey
// or the empty child window's black: the first picture is on screen.
bool PictureShown(Display* pDisplay, Window host)
{
    XImage* pImage =
        XGetImage(pDisplay, host, kWidth / 2 - 8, 31 + kHeight / 2 - 8, 16, 16, AllPlanes, ZPixmap);
    if (pImage == nullptr)
        return false;
    bool bShown = false;
    for (int y = 0; y < 16 && !bShown; ++y)
        for (int x = 0; x < 16 && !bShown; ++x)
        {
            const unsigned long nPixel = XGetPixel(pImage, x, y) & 0xFFFFFF;
            bShown = nPixel != 0x808080 && nPixel != 0;
        }
    XDestroyImage(pImage);
    return bShown;
}

// The engine process as the front-end starts it: from the start until the first picture
// is on screen, and until the block's position moves (which the front-end waits for).
void MeasureEngineStart(Display* pDisplay, const tagQVJobRow& row)
{
    Window host = MakeHost(pDisplay);
    test::CQVEngineDriver driver;
    tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[5];
    settings.nWidth = kWidth;
    settings.nHeight = kHeight;
    ProjectTimeline project = BuildJobProject(row, 1);
    if (!driver.Ready() || !driver.CreateBlock() ||
        !WriteProjectFile(project, settings.nPresetIndex,
                          driver.ProgramPath("tmp/qvengine.qvprj")) ||
        !driver.WriteOptionFile(settings) ||
        !driver.Owner().StartPreview(settings.nPresetIndex, project.Length()) ||
        !driver.Owner().PreparePreviewHost(static_cast<uint32_t>(host)))
        return;
    auto start = std::chrono::steady_clock::now();
    if (!driver.Launch())
        return;
    double dFirstPicture = -1.0, dFirstPosition = -1.0;
    while (Seconds(start) < 10.0 && (dFirstPicture < 0.0 || dFirstPosition < 0.0))
    {
        SharedControlBlock* pBlock = driver.Block();
        if (pBlock->bPreviewFailed)
            break;
        if (dFirstPicture < 0.0 && PictureShown(pDisplay, host))
            dFirstPicture = Seconds(start);
        if (dFirstPosition < 0.0 && pBlock->dPosition > 0.001)
            dFirstPosition = Seconds(start);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::printf("Play to first picture  %.0f ms (engine started to picture on screen)\n",
                dFirstPicture * 1000.0);
    std::printf("Play to first position %.0f ms (engine started to the block's position moving)\n",
                dFirstPosition * 1000.0);
    XDestroyWindow(pDisplay, host);
    XSync(pDisplay, False);
    tagQVProcessExit exit;
    driver.WaitForExit(5000, &exit);
}

} // namespace

int main(int argc, char** argv)
{
    const double dSeconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    Display* pDisplay = XOpenDisplay(nullptr);
    if (pDisplay == nullptr)
    {
        std::printf("no X server: run under xvfb-run\n");
        return 1;
    }
    test::CQVTestFolder folder("vantrel-preview-bench");
    const std::string source = folder / "source-1080p.mp4";
    const std::string make =
        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=30 "
        "-f lavfi -i sine=frequency=440 -t " +
        std::to_string(dSeconds + 2.0) +
        " -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac '" + source + "'";
    if (std::system(make.c_str()) != 0)
    {
        std::printf("could not make the source\n");
        return 1;
    }
    const tagQVJobRow row = SourceRow(source, dSeconds + 2.0);
    std::printf("1080p H.264 cropped to %dx%d, %.0f s, SDL_AUDIODRIVER=%s\n", kWidth, kHeight,
                dSeconds, std::getenv("SDL_AUDIODRIVER"));
    MeasurePlayer(pDisplay, row, dSeconds);
    MeasureEngineStart(pDisplay, row);
    XCloseDisplay(pDisplay);
    return 0;
}
