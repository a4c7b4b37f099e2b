// The composition driven the way the video mixer drives it, over a line of several items.
#include "compose/AnimationFrames.h"
#include "compose/FrameComposition.h"
#include "compose/FrameFinishing.h"
#include "compose/ItemTiming.h"
#include "media/CQVItemRuntime.h"
#include "tests/support/ComposeMedia.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <vector>

namespace qv
{
namespace
{

int OpenDecoders(const TimelineLine& line)
{
    int nOpen = 0;
    for (const auto& item : line.items)
    {
        const CQVItemRuntime* pRuntime = FindItemRuntime(*item);
        nOpen += pRuntime != nullptr && pRuntime->pDecoder ? 1 : 0;
    }
    return nOpen;
}

TEST(TimelineCompositionTest, ItemsGapsAndPicturesFollowEachOtherOnTheMainLine)
{
    const std::string video = test::MediaPath(test::EMedia::H264); // numbered frames
    ASSERT_FALSE(video.empty());
    test::CQVScratchFolder folder;
    QImage still(160, 120, QImage::Format_RGB32);
    still.fill(qRgb(0, 200, 0));
    const std::string picture = folder / "still.png";
    ASSERT_TRUE(still.save(QString::fromStdString(picture)));

    // A: source 0..1 s at 0..1; a gap; P: a picture at 1.5..2; B: source 1..2 s at 2..3.
    TimelineLine line;
    line.items.push_back(test::MakeVideoItem(video, 160, 120, 1.0));
    line.items.push_back(test::MakePictureItem(picture, 1.5, 2.0));
    line.items.push_back(test::MakeVideoItem(video, 160, 120, 1.0));
    tagQVMediaData& a = *line.items[0];
    tagQVMediaData& p = *line.items[1];
    tagQVMediaData& b = *line.items[2];
    b.dEditorStartTime = 2.0;
    b.dEditorEndTime = 3.0;
    b.dVSelfStartTime = 1.0;
    b.dVSelfEndTime = 2.0;

    const int W = 160, H = 120;
    tagQVCompositionContext context;
    context.nOutputWidth = W;
    context.nOutputHeight = H;
    context.tmpFolder = folder / "tmp/";
    std::vector<uint8_t> layer(size_t(W) * H * 4, 0);
    std::vector<uint8_t> sample(layer.size(), 0);
    for (int k = 1; k <= 90; ++k)
    {
        const double t = k / 30.0;
        context.dCurrentTime = t;
        std::fill(sample.begin(), sample.end(), 0);
        tagQVMediaData* pItem = FindItemAt(line, t);
        if (pItem != nullptr)
        {
            SelectAnimationFrame(context, t, *pItem);
            RenderItemFrame(context, t, *pItem, layer.data(), W, H);
        }
        ReleaseLineItem(context, pItem, 0);
        if (pItem != nullptr)
            FinishItemFrame(context, *pItem, layer.data(), sample.data(), int64_t(sample.size()));

        ASSERT_LE(OpenDecoders(line), 1) << t;
        const int nShown = test::ReadFrameNumber(sample.data(), W * 4, W, H, true);
        if (k >= 1 && k <= 30)
        {
            EXPECT_EQ(pItem, &a);
            EXPECT_EQ(nShown, k) << t;
        }
        else if (k > 30 && k < 45)
        {
            EXPECT_EQ(pItem, nullptr) << t;
            EXPECT_EQ(std::count(sample.begin(), sample.end(), 0), int64_t(sample.size())) << t;
            EXPECT_EQ(OpenDecoders(line), 0) << t; // A's decoder went with its slot
        }
        else if (k >= 45 && k < 60)
        {
            EXPECT_EQ(pItem, &p) << t;
            EXPECT_EQ(test::UprightPixel(sample, W, H, 80, 60)[1], 200) << t;
        }
        else if (k == 60)
        {
            EXPECT_EQ(pItem, &b); // both cover 2.0 s: the search looks at the last item first
        }
        else if (k >= 63)
        {
            EXPECT_EQ(pItem, &b) << t;
            EXPECT_EQ(nShown, k - 30) << t; // source second 1 at output second 2
        }
    }
    EXPECT_TRUE(FindItemRuntime(p)->imageCache.isNull()); // freed when B took the slot
    ReleaseLineItem(context, nullptr, 0);
    EXPECT_EQ(OpenDecoders(line), 0);
}

} // namespace
} // namespace qv
