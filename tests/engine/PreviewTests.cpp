// The preview run through the real engine process on the X server: a plain X window plays
// the front-end's preview dialog, SDL's dummy driver plays the sound at real speed.
#include "media/CQVFFMpegCapture.h"
#include "project/FrontEndProject.h"
#include "project/ProjectWriter.h"
#include "tests/support/CQVEngineDriver.h"
#include "tests/support/TestMedia.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace qv;
using qv::test::CQVEngineDriver;

namespace
{

constexpr int kTimeoutMs = 30000;

// A top-level window standing in for the preview dialog.
class CXHostWindow
{
public:
    CXHostWindow(int nWidth, int nHeight) : m_nWidth(nWidth), m_nHeight(nHeight)
    {
        m_pDisplay = XOpenDisplay(nullptr);
        if (!m_pDisplay)
            return;
        m_window = XCreateSimpleWindow(m_pDisplay, DefaultRootWindow(m_pDisplay), 0, 0, nWidth,
                                       nHeight, 0, 0, 0x808080);
        XMapWindow(m_pDisplay, m_window);
        XSync(m_pDisplay, False);
    }
    ~CXHostWindow()
    {
        if (!m_pDisplay)
            return;
        Destroy();
        XCloseDisplay(m_pDisplay);
    }
    uint32_t Id() const { return static_cast<uint32_t>(m_window); }
    void Destroy()
    {
        if (m_window)
            XDestroyWindow(m_pDisplay, m_window);
        m_window = 0;
        XSync(m_pDisplay, False);
    }
    // The window's pixels with those of its children, top row first, 4 bytes per pixel
    // (blue, green, red, unused).
    std::vector<uint8_t> Grab()
    {
        std::vector<uint8_t> pixels;
        XImage* image =
            XGetImage(m_pDisplay, m_window, 0, 0, m_nWidth, m_nHeight, AllPlanes, ZPixmap);
        if (!image)
            return pixels;
        pixels.resize(static_cast<size_t>(m_nWidth) * m_nHeight * 4);
        for (int y = 0; y < m_nHeight; ++y)
            for (int x = 0; x < m_nWidth; ++x)
            {
                unsigned long pixel = XGetPixel(image, x, y);
                uint8_t* p = &pixels[(static_cast<size_t>(y) * m_nWidth + x) * 4];
                p[0] = pixel & 0xFF;
                p[1] = (pixel >> 8) & 0xFF;
                p[2] = (pixel >> 16) & 0xFF;
                p[3] = 0;
            }
        XDestroyImage(image);
        return pixels;
    }

private:
    Display* m_pDisplay = nullptr;
    Window m_window = 0;
    int m_nWidth, m_nHeight;
};

class XServerPreview : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X server";
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(m_driver.Ready());
        ASSERT_TRUE(m_driver.CreateBlock());
    }

    // The front-end's preview start: the files, the block's order, the host, the engine.
    bool Start(const ProjectTimeline& project, int nWidth, int nHeight, uint32_t hHost)
    {
        tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[5];
        settings.nWidth = nWidth;
        settings.nHeight = nHeight;
        return WriteProjectFile(project, settings.nPresetIndex,
                                m_driver.ProgramPath("tmp/qvengine.qvprj")) &&
               m_driver.WriteOptionFile(settings) &&
               m_driver.Owner().StartPreview(settings.nPresetIndex, project.Length()) &&
               m_driver.Owner().PreparePreviewHost(hHost) && m_driver.Launch();
    }

    // Polls until pDone says so or the engine ends; false on time-out.
    bool WaitUntil(const std::function<bool(const SharedControlBlock&)>& done, int nTimeoutMs)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
        while (std::chrono::steady_clock::now() < deadline)
        {
            if (done(*m_driver.Block()))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    int WaitForExitStatus()
    {
        tagQVProcessExit exit;
        if (!m_driver.WaitForExit(kTimeoutMs, &exit, 5) || !exit.bExited)
            return -1;
        return exit.nExitCode;
    }

    CQVEngineDriver m_driver;
};

tagQVJobRow NumberedRow()
{
    tagQVJobRow row;
    row.source = test::MediaPath(test::EMedia::H264);
    row.dDuration = 3.0;
    row.dEndTime = 3.0;
    row.bHadAudio = 1;
    row.nVideoWidth = 160;
    row.nVideoHeight = 120;
    return row;
}

} // namespace

TEST_F(XServerPreview, AnEmptyTimelinePlaysToAnImmediateEnd)
{
    CXHostWindow host(322, 310);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Start(ProjectTimeline::CreateEngineLines(), 320, 240, host.Id()));
    EXPECT_EQ(WaitForExitStatus(), kEngineCompleted);
    double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // The states the front-end's timers see, with repeats removed: 3, 2, 0.
    std::vector<int32_t> states;
    for (const test::tagQVBlockSample& sample : m_driver.Samples())
        if (states.empty() || states.back() != sample.nState)
            states.push_back(sample.nState);
    EXPECT_EQ(states, (std::vector<int32_t>{kStatePreviewRequested, kStateRunning, kStateIdle}));
    EXPECT_EQ(m_driver.Block()->bGraphRunning, 1);
    EXPECT_EQ(m_driver.Block()->bPreviewFailed, 0);
    // Half a second of black picture and silence, the shortest a timeline plays.
    EXPECT_GT(dSeconds, 0.45);
    EXPECT_LT(dSeconds, 5.0);
}

TEST_F(XServerPreview, AHostThatCannotTakeThePictureFailsThePreview)
{
    // An id that names no window, and a real window on a display the engine cannot reach.
    CXHostWindow host(162, 150);
    struct Case
    {
        const char* szName;
        uint32_t hHost;
        bool bWithoutDisplay;
    };
    for (Case c : {Case{"bad id", 0x7FFFFFF0u, false}, Case{"no display", host.Id(), true}})
    {
        std::string display = std::getenv("DISPLAY");
        if (c.bWithoutDisplay)
            unsetenv("DISPLAY");
        bool bStarted = Start(BuildJobProject(NumberedRow(), 1), 160, 120, c.hHost);
        setenv("DISPLAY", display.c_str(), 1);
        ASSERT_TRUE(bStarted) << c.szName;
        EXPECT_EQ(WaitForExitStatus(), kEngineFailed) << c.szName;
        EXPECT_EQ(m_driver.Block()->bPreviewFailed, 1) << c.szName;
        EXPECT_EQ(m_driver.Block()->bGraphRunning, 0) << c.szName;
        EXPECT_EQ(m_driver.Block()->nState, kStateIdle) << c.szName;
    }
}

TEST_F(XServerPreview, TheEngineEndsWhenTheHostWindowGoes)
{
    CXHostWindow host(162, 150);
    ASSERT_TRUE(Start(BuildJobProject(NumberedRow(), 1), 160, 120, host.Id()));
    ASSERT_TRUE(
        WaitUntil([](const SharedControlBlock& b) { return b.dPosition > 0.3; }, kTimeoutMs));
    host.Destroy();
    auto gone = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForExitStatus(), kEngineCompleted);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - gone).count(), 1.5);
    EXPECT_EQ(m_driver.Block()->nState, kStateIdle);
    EXPECT_EQ(m_driver.Block()->bPreviewFailed, 0);
}

TEST_F(XServerPreview, ThePictureIsTheCropOfTheSourceFrameInThePictureBand)
{
    // Rows 20..99 of the numbered pattern: blocks in the top half, blue below. The host is
    // the preview dialog's size for a 160 x 80 output; its picture band is 160 x 79.
    constexpr int kWidth = 160, kHeight = 80, kCropY = 20;
    tagQVJobRow row = NumberedRow();
    row.bCropped = true;
    row.crop.enablecrop = 1;
    row.crop.xcrop = 0;
    row.crop.ycrop = kCropY;
    row.crop.wcrop = kWidth;
    row.crop.hcrop = kHeight;
    const int nHostWidth = kWidth + 2, nHostHeight = kHeight + 70;
    CXHostWindow host(nHostWidth, nHostHeight);
    ASSERT_TRUE(Start(BuildJobProject(row, 1), kWidth, kHeight, host.Id()));
    ASSERT_TRUE(
        WaitUntil([](const SharedControlBlock& b) { return b.dPosition > 1.0; }, kTimeoutMs));
    double dPosition = m_driver.Block()->dPosition;
    std::vector<uint8_t> screen = host.Grab();
    ASSERT_FALSE(screen.empty());

    // The band as a picture of its own: 160 x 79 at (1, 31).
    const int nBandHeight = nHostHeight - 71;
    std::vector<uint8_t> band(static_cast<size_t>(kWidth) * nBandHeight * 4);
    for (int y = 0; y < nBandHeight; ++y)
        std::memcpy(&band[static_cast<size_t>(y) * kWidth * 4],
                    &screen[((static_cast<size_t>(y) + 31) * nHostWidth + 1) * 4], kWidth * 4);
    int nFrame = test::ReadFrameNumber(band.data(), kWidth * 4, kWidth, nBandHeight, false);
    ASSERT_GE(nFrame, 0);
    EXPECT_NEAR(nFrame / 30.0, dPosition, 0.3) << "the picture follows the clock";
    // Outside the band the host's own grey is untouched.
    EXPECT_EQ(screen[(30 * nHostWidth + 5) * 4], 0x80);
    EXPECT_EQ(screen[((31 + nBandHeight) * static_cast<size_t>(nHostWidth) + 5) * 4], 0x80);

    // The source frame, decoded as the composition decodes it, cut to the crop.
    CQVFFMpegCapture capture(row.source, 160, 120, false);
    ASSERT_FALSE(capture.Failed());
    for (int i = 0; i <= nFrame; ++i)
        ASSERT_TRUE(capture.DecodeNextFrame());
    uint8_t* pImage = nullptr;
    int nStride = 0;
    ASSERT_TRUE(capture.ConvertFrame(&pImage, &nStride, nullptr, nullptr, nullptr));
    int nDifferent = 0;
    for (int y = 0; y < nBandHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c)
                nDifferent += band[(static_cast<size_t>(y) * kWidth + x) * 4 + c] !=
                              pImage[(y + kCropY) * nStride + x * 4 + c];
    EXPECT_EQ(nDifferent, 0) << "frame " << nFrame;
}
