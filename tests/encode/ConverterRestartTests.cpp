// A converter built again shows its project from the start again: Close frees the item
// decoders, which only move forward and stand at the end of the first build.
#include "ConversionHelpers.h"
#include "MediaProbe.h"

#include "encode/CQVVideoConverter.h"
#include "encode/CVideoMixerUserCallback.h"
#include "project/FrontEndProject.h"
#include "tests/media/TestMedia.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

namespace qv::test
{

TEST(ConverterRestart, ASecondBuildShowsTheItemFromItsStartAgain)
{
    tagQVJobRow row;
    row.source = NumberedClipPath(ENumberedContainer::Mp4BFrames, 30);
    ASSERT_FALSE(row.source.empty());
    row.dDuration = 4.0;
    row.dEndTime = 1.0;
    row.nVideoWidth = 160;
    row.nVideoHeight = 120;
    ProjectTimeline project = BuildJobProject(row, 1);

    CQVTestFolder folder;
    tagQVOutputSettings record = TestRecord(0);
    tagQVConverterSetup setup;
    setup.pSettings = &record;
    setup.dDuration = project.Length();
    setup.pTimeline = &project;
    CVideoMixerUserCallback video(project, 160, 120, "");
    CQVVideoConverter converter(setup);
    video.Prime(&converter, 1);
    converter.SetVideoMixerCallback(&video);

    for (const char* szName : {"first.mp4", "second.mp4"})
    {
        const std::string path = folder / szName;
        ASSERT_EQ(converter.BuildConversionGraph(path), 0) << szName;
        int32_t nCode = 0;
        intptr_t nParam1 = 0, nParam2 = 0;
        ASSERT_EQ(converter.GetMediaEvent()->GetEvent(&nCode, &nParam1, &nParam2, 60000), 0);
        EXPECT_EQ(nCode, kQVEventComplete) << szName;
        converter.Close();
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

} // namespace qv::test
