// The converter's operations, states and events, with the test callbacks attached.
#include "ConversionHelpers.h"
#include "tests/support/MediaProbe.h"

#include "encode/CQVVideoConverter.h"
#include "platform/CQVMessageWindow.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TestFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

namespace qv::test
{
namespace
{

constexpr unsigned kNotifyMessage = 0x802;

class CNotifyWindow : public CQVMessageWindow
{
public:
    int m_nMessages = 0;

protected:
    intptr_t OnMessage(unsigned nMsg, uintptr_t, intptr_t) override
    {
        if (nMsg == kNotifyMessage)
            ++m_nMessages;
        return 0;
    }
};

// Runs the event loop until the window has seen nCount messages or the time is up.
bool WaitForMessages(const CNotifyWindow& window, int nCount, int nTimeoutMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (window.m_nMessages < nCount && timer.elapsed() < nTimeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return window.m_nMessages >= nCount;
}

template <typename Condition> bool WaitUntil(Condition condition, int nTimeoutMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < nTimeoutMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return condition();
}

class ConverterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_record = TestRecord(0);
        m_setup.pSettings = &m_record;
        m_setup.dDuration = 1.0;
        m_setup.pGraphRunning = &m_nGraphRunning;
    }

    int32_t State(CQVVideoConverter& converter)
    {
        int32_t nState = -1;
        EXPECT_EQ(converter.GetGraphState(&nState), 0);
        return nState;
    }

    // Waits for the next event; 0 when none came.
    int32_t NextEvent(CQVVideoConverter& converter, intptr_t* pParam = nullptr,
                      int nTimeoutMs = 60000)
    {
        CQVMediaEventQueue* pEvents = converter.GetMediaEvent();
        if (pEvents == nullptr)
            return 0;
        int32_t nCode = 0;
        intptr_t nParam1 = 0, nParam2 = 0;
        if (pEvents->GetEvent(&nCode, &nParam1, &nParam2, nTimeoutMs) != 0)
            return 0;
        EXPECT_EQ(pEvents->FreeEventParams(nCode, nParam1, nParam2), 0);
        if (pParam != nullptr)
            *pParam = nParam1;
        return nCode;
    }

    CQVTestFolder m_folder;
    tagQVOutputSettings m_record{};
    int32_t m_nGraphRunning = 0;
    tagQVConverterSetup m_setup;
};

TEST_F(ConverterTest, FreshConverterHasNoGraph)
{
    CQVVideoConverter converter(m_setup);
    EXPECT_EQ(State(converter), kQVGraphNone);
    EXPECT_EQ(converter.GetDuration(), 0.0);
    EXPECT_EQ(converter.GetMediaEvent(), nullptr);
    EXPECT_EQ(converter.Stop(), 0);
    EXPECT_EQ(converter.Pause(), 0);
    EXPECT_EQ(converter.SetNotifyTarget(0x1234, kNotifyMessage), 0);
    // Nothing to build without an output path.
    EXPECT_EQ(converter.Run(), -1);
    EXPECT_EQ(State(converter), kQVGraphNone);
    EXPECT_EQ(converter.GetGraphState(nullptr), kQVResultBadPointer);
}

TEST_F(ConverterTest, BuildRunsToCompletionAndNotifies)
{
    CNotifyWindow window;
    CQVVideoConverter converter(m_setup);
    CQVPatternCallback video(&converter);
    CQVToneCallback audio;
    converter.SetVideoMixerCallback(&video);
    converter.SetAudioMixerCallback(&audio);
    const std::string path = m_folder / "done.mp4";
    EXPECT_EQ(converter.SetOutputPath(path), 0);
    EXPECT_EQ(converter.SetNotifyTarget(window.GetHandle(), kNotifyMessage), 0);

    ASSERT_EQ(converter.BuildConversionGraph(path), 0);
    EXPECT_EQ(m_nGraphRunning, 1);
    EXPECT_EQ(converter.GetDuration(), 1.0);
    EXPECT_NE(State(converter), kQVGraphNone);
    EXPECT_TRUE(WaitForMessages(window, 1));
    intptr_t nParam = -1;
    EXPECT_EQ(NextEvent(converter, &nParam), kQVEventComplete);
    EXPECT_EQ(nParam, 0);
    // The graph stays "running" after its end until it is stopped.
    EXPECT_EQ(State(converter), kQVGraphRunning);
    EXPECT_TRUE(PathExists(path));
    EXPECT_EQ(CountTemporaryFiles(m_folder.Path()), 0);
    EXPECT_EQ(converter.Run(), 0);

    // 1 s at 30 frames per second; one FillFrame per sample, and audio for the whole second.
    EXPECT_EQ(video.Calls(), 30);
    EXPECT_EQ(audio.Frames(), 44100);
    EXPECT_DOUBLE_EQ(converter.GetDeliveredSeconds(), 1.0);

    EXPECT_EQ(converter.Stop(), 0);
    EXPECT_EQ(State(converter), kQVGraphStopped);
    EXPECT_TRUE(PathExists(path)); // a completed file stays
    EXPECT_EQ(converter.Close(), 0);
    EXPECT_EQ(State(converter), kQVGraphNone);
    EXPECT_EQ(converter.GetDuration(), 0.0);
    EXPECT_EQ(converter.GetMediaEvent(), nullptr);
}

TEST_F(ConverterTest, DeliveredSecondsCountsTheCallbackFrames)
{
    m_setup.dDuration = 1.5;
    CQVVideoConverter converter(m_setup);
    CQVPatternCallback video(&converter);
    converter.SetVideoMixerCallback(&video);
    ASSERT_EQ(converter.BuildConversionGraph(m_folder / "count.mp4"), 0);
    ASSERT_EQ(NextEvent(converter), kQVEventComplete);
    EXPECT_EQ(converter.DeliveredFrames(), 45);
    EXPECT_DOUBLE_EQ(converter.GetDeliveredSeconds(), 1.5);
    converter.Close();
    EXPECT_DOUBLE_EQ(converter.GetDeliveredSeconds(), 0.0);

    converter.RecordDelivered(0);
    converter.SetFrameRate(0.0);
    EXPECT_EQ(converter.GetDeliveredSeconds(), 0.0);
    converter.SetFrameRate(std::nan(""));
    EXPECT_EQ(converter.GetDeliveredSeconds(), 0.0);
}

TEST_F(ConverterTest, RunOnAPausedConverterResumesWithoutBuilding)
{
    m_setup.dDuration = 2.0;
    CQVVideoConverter converter(m_setup);
    CQVPatternCallback video(&converter);
    video.SetDelayMs(10);
    converter.SetVideoMixerCallback(&video);
    const std::string path = m_folder / "paused.mp4";
    converter.SetOutputPath(path);
    ASSERT_EQ(converter.Run(), 0);
    ASSERT_TRUE(WaitUntil([&] { return video.Calls() >= 10; }));
    CQVMediaEventQueue* pEvents = converter.GetMediaEvent();

    EXPECT_EQ(converter.Pause(), 0);
    EXPECT_EQ(State(converter), kQVGraphPaused);
    EXPECT_EQ(converter.Pause(), 0);
    // At most the sample in hand finishes.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int64_t nHeld = video.Calls();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(video.Calls(), nHeld);
    EXPECT_LT(nHeld, 60);
    EXPECT_EQ(pEvents->PendingCount(), 0u);

    EXPECT_EQ(converter.Run(), 0);
    EXPECT_EQ(State(converter), kQVGraphRunning);
    EXPECT_EQ(converter.GetMediaEvent(), pEvents); // the same graph goes on
    EXPECT_EQ(NextEvent(converter), kQVEventComplete);
    EXPECT_EQ(video.Calls(), 60);
    const tagQVProbe probe = ProbeFile(path);
    ASSERT_NE(probe.Find("video"), nullptr);
    EXPECT_EQ(probe.Find("video")->readFrames, 60);
}

TEST_F(ConverterTest, StopEndsTheCallbacksAndLeavesNoFile)
{
    m_setup.dDuration = 2.0;
    CQVVideoConverter converter(m_setup);
    CQVPatternCallback video(&converter);
    CQVToneCallback audio;
    video.SetDelayMs(10);
    converter.SetVideoMixerCallback(&video);
    converter.SetAudioMixerCallback(&audio);
    const std::string path = m_folder / "stopped.mp4";
    converter.SetOutputPath(path);
    ASSERT_EQ(converter.BuildConversionGraph(path), 0);
    ASSERT_TRUE(WaitUntil([&] { return video.Calls() >= 5; }));

    EXPECT_EQ(converter.Stop(), 0);
    const int64_t nVideoCalls = video.Calls();
    const int64_t nAudioCalls = audio.Calls();
    EXPECT_EQ(State(converter), kQVGraphStopped);
    EXPECT_FALSE(PathExists(path));
    EXPECT_EQ(CountTemporaryFiles(m_folder.Path()), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(video.Calls(), nVideoCalls);
    EXPECT_EQ(audio.Calls(), nAudioCalls);
    EXPECT_EQ(converter.GetMediaEvent()->PendingCount(), 0u);
    // A stopped conversion cannot go on, but Run starts it afresh.
    EXPECT_EQ(converter.Pause(), -1);
    video.SetDelayMs(0);
    EXPECT_EQ(converter.Run(), 0);
    EXPECT_EQ(NextEvent(converter), kQVEventComplete);
    EXPECT_TRUE(PathExists(path));
}

TEST_F(ConverterTest, CallbackResultsEndTheStream)
{
    struct
    {
        bool bVideo;
        int32_t nResult;
        int32_t nEvent;
    } const cases[] = {
        {true, 1, kQVEventUserAbort},
        {true, -42, kQVEventErrorAbort},
        {false, 1, kQVEventUserAbort},
        {false, -7, kQVEventErrorAbort},
    };
    for (const auto& c : cases)
    {
        CQVVideoConverter converter(m_setup);
        CQVPatternCallback video(&converter);
        CQVToneCallback audio;
        if (c.bVideo)
            video.FailAt(5, c.nResult);
        else
            audio.FailAt(5, c.nResult);
        converter.SetVideoMixerCallback(&video);
        converter.SetAudioMixerCallback(&audio);
        const std::string path = m_folder / "aborted.mp4";
        ASSERT_EQ(converter.BuildConversionGraph(path), 0);
        intptr_t nParam = 0;
        EXPECT_EQ(NextEvent(converter, &nParam), c.nEvent);
        EXPECT_EQ(nParam, c.nResult);
        EXPECT_EQ(converter.Stop(), 0);
        EXPECT_EQ(converter.Close(), 0);
        EXPECT_FALSE(PathExists(path));
        EXPECT_EQ(CountTemporaryFiles(m_folder.Path()), 0);
    }
}

TEST_F(ConverterTest, FailedBuildReportsAnErrorEventAndWritesNothing)
{
    CNotifyWindow window;
    struct
    {
        const char* pszWhat;
        std::function<void(tagQVConverterSetup&, tagQVOutputSettings&)> change;
        std::string path;
        int32_t nExpected; // 0: any negative value
    } const cases[] = {
        {"missing folder", [](auto&, auto&) {}, m_folder / "no/such/folder/out.mp4", -ENOENT},
        {"path is a folder", [](auto&, auto&) {}, m_folder.Path(), -EISDIR},
        {"empty path", [](auto&, auto&) {}, "", -EINVAL},
        {"type 18", [](auto&, auto& r) { r.nOutputFormat = kOutputTypeCount; }, m_folder / "a.mp4",
         -1},
        {"type -1", [](auto&, auto& r) { r.nOutputFormat = -1; }, m_folder / "a.mp4", -1},
        {"no record", [](auto& s, auto&) { s.pSettings = nullptr; }, m_folder / "a.mp4", -1},
        {"duration NaN", [](auto& s, auto&) { s.dDuration = std::nan(""); }, m_folder / "a.mp4",
         -1},
        {"duration huge", [](auto& s, auto&) { s.dDuration = 1e300; }, m_folder / "a.mp4", -1},
        {"odd width", [](auto&, auto& r) { r.nWidth = 161; }, m_folder / "a.mp4", 0},
        {"zero height", [](auto&, auto& r) { r.nHeight = 0; }, m_folder / "a.mp4", 0},
        {"huge size", [](auto&, auto& r) { r.nWidth = r.nHeight = 100000; }, m_folder / "a.mp4", 0},
    };
    int nMessages = 0;
    for (const auto& c : cases)
    {
        tagQVOutputSettings record = TestRecord(0);
        tagQVConverterSetup setup = m_setup;
        setup.pSettings = &record;
        c.change(setup, record);
        m_nGraphRunning = 0;
        CQVVideoConverter converter(setup);
        converter.SetNotifyTarget(window.GetHandle(), kNotifyMessage);
        const int32_t nResult = converter.BuildConversionGraph(c.path);
        if (c.nExpected != 0)
        {
            EXPECT_EQ(nResult, c.nExpected) << c.pszWhat;
        }
        EXPECT_LT(nResult, 0) << c.pszWhat;
        EXPECT_EQ(m_nGraphRunning, 0) << c.pszWhat;
        EXPECT_EQ(State(converter), kQVGraphNone) << c.pszWhat;
        intptr_t nParam = 0;
        EXPECT_EQ(NextEvent(converter, &nParam, 0), kQVEventErrorAbort) << c.pszWhat;
        EXPECT_EQ(nParam, nResult) << c.pszWhat;
        EXPECT_TRUE(WaitForMessages(window, ++nMessages)) << c.pszWhat;
        EXPECT_EQ(CountTemporaryFiles(m_folder.Path()), 0) << c.pszWhat;
        EXPECT_FALSE(PathExists(m_folder / "a.mp4")) << c.pszWhat;
    }
}

TEST_F(ConverterTest, AnExistingOutputIsReplaced)
{
    const std::string path = m_folder / "again.avi";
    ASSERT_TRUE(WriteFileBytes(path, "old content"));
    tagQVOutputSettings record = TestRecord(3);
    ASSERT_EQ(Convert(path, &record, 0.5).nEventCode, kQVEventComplete);
    const tagQVProbe probe = ProbeFile(path);
    EXPECT_EQ(probe.formatName, "avi");
    EXPECT_GT(probe.nSize, 1000);
}

TEST_F(ConverterTest, TheBuildWritesTheClampedQualityBack)
{
    tagQVOutputSettings record = TestRecord(3);
    record.nQuality = 40;
    ASSERT_EQ(Convert(m_folder / "q.avi", &record, 0.5).nEventCode, kQVEventComplete);
    EXPECT_EQ(record.nQuality, 31);
}

} // namespace
} // namespace qv::test
