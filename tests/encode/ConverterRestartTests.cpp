// Conversions through the converter and the engine's own video callback: a converter built
// again shows its project from the start again (Close frees the item decoders, which only
// move forward), and each frame takes the path of its item.
#include "ConversionHelpers.h"
#include "tests/support/MediaProbe.h"

#include "compose/CQVItemEffects.h"
#include "compose/CVideoMixerUserCallback.h"
#include "encode/CQVVideoConverter.h"
#include "project/FrontEndProject.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace qv::test
{

namespace
{

// A row over the first second of the 30 fps numbered clip (160 x 120).
tagQVJobRow NumberedRow()
{
    tagQVJobRow row;
    row.source = NumberedClipPath(ENumberedContainer::Mp4BFrames, 30);
    row.dDuration = 4.0;
    row.dEndTime = 1.0;
    row.nVideoWidth = 160;
    row.nVideoHeight = 120;
    return row;
}

// The engine's converter over the project, with the video callback as its mixer callback.
class CQVConverterRun
{
public:
    explicit CQVConverterRun(ProjectTimeline& project) : m_video(project, 160, 120, "")
    {
        m_record = TestRecord(0);
        m_setup.pSettings = &m_record;
        m_setup.dDuration = project.Length();
        m_setup.pTimeline = &project;
        m_pConverter = std::make_unique<CQVVideoConverter>(m_setup);
        m_video.Prime(m_pConverter.get(), 1);
        m_pConverter->SetVideoMixerCallback(&m_video);
    }
    // Builds, runs to the end and closes. The end event's code, or -1 without one.
    int32_t Convert(const std::string& path)
    {
        if (m_pConverter->BuildConversionGraph(path) != 0)
            return -1;
        int32_t nCode = -1;
        intptr_t nParam1 = 0, nParam2 = 0;
        if (m_pConverter->GetMediaEvent()->GetEvent(&nCode, &nParam1, &nParam2, 60000) != 0)
            nCode = -1;
        m_pConverter->Close();
        return nCode;
    }
    CVideoMixerUserCallback& Video() { return m_video; }

private:
    tagQVOutputSettings m_record;
    tagQVConverterSetup m_setup;
    CVideoMixerUserCallback m_video;
    std::unique_ptr<CQVVideoConverter> m_pConverter;
};

} // namespace

TEST(ConverterRestart, ASecondBuildShowsTheItemFromItsStartAgain)
{
    const tagQVJobRow row = NumberedRow();
    ASSERT_FALSE(row.source.empty());
    ProjectTimeline project = BuildJobProject(row, 1);
    CQVTestFolder folder;
    CQVConverterRun run(project);
    CVideoMixerUserCallback& video = run.Video();
    for (const char* szName : {"first.mp4", "second.mp4"})
    {
        const std::string path = folder / szName;
        ASSERT_EQ(run.Convert(path), kQVEventComplete) << szName;
        EXPECT_TRUE(video.RecentTimes().empty()) << "Close forgets the frames composed";
        EXPECT_EQ(video.Context().pSlotItems[0], nullptr);
        // Nothing but the picture: every frame goes in the source's own pixels.
        EXPECT_EQ(video.DirectFrames(), szName == std::string("first.mp4") ? 30 : 60);

        std::string pictures;
        ASSERT_EQ(RunProgram("ffmpeg",
                             {"-nostdin", "-v", "error", "-i", path, "-frames:v", "30", "-f",
                              "rawvideo", "-pix_fmt", "bgra", "-"},
                             &pictures, nullptr),
                  0);
        ASSERT_EQ(pictures.size(), size_t(30 * 160 * 120 * 4)) << szName;
        // Output picture n shows time (n + 1) / 30: source picture n + 1.
        for (int n = 0; n < 30; ++n)
            EXPECT_EQ(ReadFrameNumber(reinterpret_cast<const uint8_t*>(pictures.data()) +
                                          size_t(n) * 160 * 120 * 4,
                                      160 * 4, 160, 120, false),
                      n + 1)
                << szName << " picture " << n;
    }
}

// Three items of a third of a second; the middle one turns grey, which only composition
// does. Output picture n shows time (n + 1) / 30, and at a time two items share the search
// finds the outer one first (the first item at 1/3 s, the last at 2/3 s), so pictures 10 to
// 18 are the middle item's: exactly those are grey, and every picture still shows the
// source picture its time names.
TEST(ConverterPaths, EachPictureTakesThePathOfItsItem)
{
    tagQVJobRow row = NumberedRow();
    ASSERT_FALSE(row.source.empty());
    ProjectTimeline project = BuildJobProject(row, 1);
    TimelineLine& main = project.lines[0];
    main.items.clear();
    for (int i = 0; i < 3; ++i)
    {
        row.dStartTime = i / 3.0;
        row.dEndTime = (i + 1) / 3.0;
        auto item = std::make_unique<tagQVMediaData>();
        FillItemFromRow(row, i + 1, nullptr, item.get());
        item->dEditorStartTime = i / 3.0;
        item->dEditorEndTime = (i + 1) / 3.0;
        main.items.push_back(std::move(item));
    }
    main.LinkItems();
    main.items[1]->pColorAdjustment = std::make_unique<tagQVColorAdjustment>();
    main.items[1]->pColorAdjustment->bEnableGrayScale = 1;

    CQVTestFolder folder;
    CQVConverterRun run(project);
    CQVItemEffects effects;
    run.Video().SetEffects(&effects);
    const std::string path = folder / "paths.mp4";
    ASSERT_EQ(run.Convert(path), kQVEventComplete);
    EXPECT_EQ(run.Video().DirectFrames(), 21);

    std::string pictures;
    ASSERT_EQ(RunProgram("ffmpeg",
                         {"-nostdin", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt",
                          "bgra", "-"},
                         &pictures, nullptr),
              0);
    constexpr size_t kBytes = 160 * 120 * 4;
    ASSERT_EQ(pictures.size(), 30 * kBytes);
    for (int n = 0; n < 30; ++n)
    {
        const uint8_t* pPicture = reinterpret_cast<const uint8_t*>(pictures.data()) + n * kBytes;
        EXPECT_EQ(ReadFrameNumber(pPicture, 160 * 4, 160, 120, false), n + 1) << n;
        // The colour bars' widest channel spread tells colour from grey.
        int nSpread = 0;
        for (size_t i = 0; i < kBytes; i += 4)
            nSpread = std::max({nSpread, std::abs(pPicture[i] - pPicture[i + 1]),
                                std::abs(pPicture[i + 1] - pPicture[i + 2])});
        EXPECT_EQ(nSpread < 24, n >= 10 && n <= 18) << "picture " << n << " spread " << nSpread;
    }
}

} // namespace qv::test
