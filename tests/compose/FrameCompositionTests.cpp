// The composition of video items on generated media: the crop arithmetic, which picture a
// time shows, and whole composed frames against golden hashes.
#include "compose/FrameComposition.h"
#include "compose/FrameFinishing.h"
#include "media/CQVItemRuntime.h"
#include "tests/support/ComposeMedia.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace qv
{
namespace
{

using test::EComposeMedia;
using test::EMedia;

void SetCrop(tagQVMediaData* pItem, int x, int y, int w, int h)
{
    pItem->pCrop = std::make_unique<tagQVCropData>();
    pItem->pCrop->xcrop = x;
    pItem->pCrop->ycrop = y;
    pItem->pCrop->wcrop = w;
    pItem->pCrop->hcrop = h;
}

tagQVCompositionContext Context(int W, int H)
{
    tagQVCompositionContext context;
    context.nOutputWidth = W;
    context.nOutputHeight = H;
    return context;
}

// Renders the item at output time t as the mixer would: the current time first.
int Render(tagQVCompositionContext& context, tagQVMediaData& item, double t,
           std::vector<uint8_t>* pFrame)
{
    context.dCurrentTime = t;
    return RenderItemFrame(context, t, item, pFrame->data(), context.nOutputWidth,
                           context.nOutputHeight);
}

// The frame number of the picture the item's decoder holds (30 frames per second).
int DecodedFrameIndex(const tagQVMediaData& item)
{
    const CQVFFMpegCapture& decoder = *FindItemRuntime(item)->pDecoder;
    return static_cast<int>(std::lround(decoder.PtsToSeconds(decoder.PicturePts()) * 30.0));
}

// --- crop arithmetic

TEST(FrameCompositionTest, AnOutputOfTheRectanglesSizeCutToFoursKeepsItsPixels)
{
    const struct
    {
        int nSourceW, nSourceH;
        int crop[4]; // x, y, w, h; w 0 for none
        int W, H;
        int rect[4]; // the source rectangle, top row first
        bool bScaled;
    } cases[] = {
        // The last 1-3 columns and rows are dropped; x and y stay.
        {642, 480, {0, 0, 0, 0}, 640, 480, {0, 0, 640, 480}, false},
        {854, 480, {0, 0, 0, 0}, 852, 480, {0, 0, 852, 480}, false},
        {721, 405, {33, 17, 401, 301}, 400, 300, {33, 17, 400, 300}, false},
        {720, 405, {101, 51, 400, 300}, 400, 300, {101, 51, 400, 300}, false},
        // Reaching the right and bottom edges of an odd source.
        {721, 405, {320, 104, 401, 301}, 400, 300, {320, 104, 400, 300}, false},
        // Any other size is the rectangle scaled.
        {642, 480, {0, 0, 0, 0}, 320, 240, {0, 0, 642, 480}, true},
        {721, 405, {33, 17, 401, 301}, 404, 300, {33, 17, 401, 301}, true},
        {720, 405, {0, 0, 2, 2}, 4, 4, {0, 0, 2, 2}, true}, // below 4: never read past it
    };
    for (const auto& c : cases)
    {
        tagQVMediaData item;
        item.nVideoWidth = c.nSourceW;
        item.nVideoHeight = c.nSourceH;
        item.eMediaTypeLine = 3; // top-down memory rows
        if (c.crop[2] != 0)
        {
            SetCrop(&item, c.crop[0], c.crop[1], c.crop[2], c.crop[3]);
            item.pCrop->enablecrop = 1;
        }
        const tagQVSourceRect rect = ComputeSourceRect(item, c.W, c.H);
        const int got[4] = {rect.x, rect.y, rect.nWidth, rect.nHeight};
        EXPECT_TRUE(std::equal(got, got + 4, c.rect))
            << c.nSourceW << "x" << c.nSourceH << " -> " << c.W << "x" << c.H << ": " << got[0]
            << "," << got[1] << " " << got[2] << "x" << got[3];
        EXPECT_EQ(rect.bScaled, c.bScaled) << c.W << "x" << c.H;
    }
}

TEST(FrameCompositionTest, MainLineCropCountsRowsFromTheBottomOfMemory)
{
    tagQVMediaData item;
    item.nVideoWidth = 640;
    item.nVideoHeight = 480;
    SetCrop(&item, 10, 20, 320, 240);
    tagQVSourceRect rect = ComputeSourceRect(item, 320, 240);
    EXPECT_EQ(rect.x, 10);
    EXPECT_EQ(rect.x + rect.nWidth - 1, 329);
    EXPECT_EQ(rect.y, 220); // 480 − (20 + 240)
    EXPECT_EQ(rect.y + rect.nHeight - 1, 459);
    item.eMediaTypeLine = 3; // top-down pictures off the main line
    rect = ComputeSourceRect(item, 320, 240);
    EXPECT_EQ(rect.y, 20);
}

TEST(FrameCompositionTest, WholeFrameDisabledAndEmptyCropsUseTheWholePicture)
{
    tagQVMediaData item;
    item.nVideoWidth = 640;
    item.nVideoHeight = 480;
    EXPECT_TRUE(ComputeSourceRect(item, 640, 480).bWholePicture); // no record
    SetCrop(&item, 0, 0, 640, 480);
    EXPECT_TRUE(ComputeSourceRect(item, 640, 480).bWholePicture);
    SetCrop(&item, 10, 10, 100, 100);
    item.pCrop->enablecrop = 0;
    EXPECT_TRUE(ComputeSourceRect(item, 640, 480).bWholePicture);
    SetCrop(&item, 700, 10, 100, 100); // entirely outside
    EXPECT_TRUE(ComputeSourceRect(item, 640, 480).bWholePicture);
    SetCrop(&item, 10, 10, -5, 100);
    EXPECT_TRUE(ComputeSourceRect(item, 640, 480).bWholePicture);
    item.nVideoWidth = 0; // nothing to scale from
    SetCrop(&item, 10, 10, 100, 100);
    EXPECT_TRUE(ComputeSourceRect(item, 640, 480).bWholePicture);
}

TEST(FrameCompositionTest, CropLeavingThePictureIsClippedToIt)
{
    tagQVMediaData item;
    item.nVideoWidth = 640;
    item.nVideoHeight = 480;
    SetCrop(&item, 600, 400, 100, 100); // past the right and bottom edges
    tagQVSourceRect rect = ComputeSourceRect(item, 40, 80);
    EXPECT_EQ(rect.x, 600);
    EXPECT_EQ(rect.nWidth, 40);
    EXPECT_EQ(rect.y, 0); // memory rows from 480 − 480 = 0
    EXPECT_EQ(rect.nHeight, 80);
    SetCrop(&item, -30, -10, 100, 50); // before the left and top edges
    rect = ComputeSourceRect(item, 68, 40);
    EXPECT_EQ(rect.x, 0);
    EXPECT_EQ(rect.nWidth, 68); // 70 cut to 68
    EXPECT_EQ(rect.y, 440);
    EXPECT_EQ(rect.nHeight, 40);
}

// --- rendering generated media

class VideoCompositionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = test::ComposeMediaPath(EComposeMedia::Bgra640);
        ASSERT_FALSE(m_path.empty());
    }
    std::string m_path;
};

TEST_F(VideoCompositionTest, MainLineCropCopiesTheCropRowsOfTheUprightPicture)
{
    auto item = test::MakeVideoItem(m_path, 640, 480, 0.5);
    SetCrop(item.get(), 10, 20, 320, 240);
    tagQVCompositionContext context = Context(320, 240);
    std::vector<uint8_t> frame(320 * 240 * 4, 0xAB);
    for (int k = 1; k <= 6; ++k)
        ASSERT_EQ(Render(context, *item, k / 30.0, &frame), 1);

    // Memory rows 220..459 and columns 10..329 of the bottom-up picture, copied.
    const CQVFFMpegCapture& decoder = *FindItemRuntime(*item)->pDecoder;
    ASSERT_TRUE(decoder.Flips());
    for (int r = 0; r < 240; ++r)
        ASSERT_EQ(std::memcmp(frame.data() + r * 320 * 4,
                              decoder.ImageData() + (220 + r) * decoder.ImageStride() + 10 * 4,
                              320 * 4),
                  0)
            << r;

    // And that is the crop of the upright picture, as the ffmpeg command line decodes it.
    std::vector<uint8_t> raw;
    ASSERT_TRUE(test::ExtractRawFrame(m_path, DecodedFrameIndex(*item), 640, 480, &raw));
    for (int y = 0; y < 240; ++y)
        ASSERT_EQ(std::memcmp(test::UprightPixel(frame, 320, 240, 0, y),
                              raw.data() + ((20 + y) * 640 + 10) * 4, 320 * 4),
                  0)
            << y;
}

TEST_F(VideoCompositionTest, OffTheMainLinePicturesStayTopDown)
{
    auto item = test::MakeVideoItem(m_path, 640, 480, 0.5);
    item->eMediaTypeLine = 3;
    SetCrop(item.get(), 10, 20, 320, 240);
    tagQVCompositionContext context = Context(320, 240);
    std::vector<uint8_t> frame(320 * 240 * 4, 0);
    ASSERT_EQ(Render(context, *item, 0.2, &frame), 1);
    std::vector<uint8_t> raw;
    ASSERT_TRUE(test::ExtractRawFrame(m_path, DecodedFrameIndex(*item), 640, 480, &raw));
    for (int r = 0; r < 240; ++r)
        ASSERT_EQ(std::memcmp(frame.data() + r * 320 * 4, raw.data() + ((20 + r) * 640 + 10) * 4,
                              320 * 4),
                  0)
            << r;
}

TEST_F(VideoCompositionTest, FullFrameCropBehavesExactlyLikeNoCrop)
{
    auto cropped = test::MakeVideoItem(m_path, 640, 480, 0.5);
    SetCrop(cropped.get(), 0, 0, 640, 480);
    auto plain = test::MakeVideoItem(m_path, 640, 480, 0.5);
    tagQVCompositionContext context = Context(200, 152);
    std::vector<uint8_t> a(200 * 152 * 4, 0x11);
    std::vector<uint8_t> b(200 * 152 * 4, 0xEE);
    for (double t : {0.1, 0.2, 0.3})
    {
        ASSERT_EQ(Render(context, *cropped, t, &a), 1);
        ASSERT_EQ(Render(context, *plain, t, &b), 1);
        ASSERT_EQ(a, b) << t;
    }
}

TEST_F(VideoCompositionTest, A642PixelSourceIsDecodedWholeAndItsLastColumnsDropped)
{
    const std::string path = test::ComposeMediaPath(EComposeMedia::Bgra642);
    ASSERT_FALSE(path.empty());
    auto item = test::MakeVideoItem(path, 642, 480, 0.5);
    tagQVCompositionContext context = Context(640, 480);
    std::vector<uint8_t> frame(640 * 480 * 4, 0);
    ASSERT_EQ(Render(context, *item, 0.1, &frame), 1);
    const CQVFFMpegCapture& decoder = *FindItemRuntime(*item)->pDecoder;
    EXPECT_EQ(decoder.ImageWidth(), 642);
    EXPECT_EQ(decoder.ImageHeight(), 480);
    for (int r = 0; r < 480; ++r)
        ASSERT_EQ(std::memcmp(frame.data() + r * 640 * 4,
                              decoder.ImageData() + r * decoder.ImageStride(), 640 * 4),
                  0)
            << r;
}

// Golden hashes of whole composed frames: render, then finish (rotation, border) into a
// sample buffer, walking the decoder forward from the first output frame.
struct tagGoldenCase
{
    const char* szName;
    int W, H;
    int nLine;
    int crop[4];     // x, y, w, h; w 0 for none
    int rotation[3]; // flip, reverse, angle; angle -1 for none
    int border[3];   // type, size, colour; size 0 for none
    double dTime;
    uint64_t nHash;
};

uint64_t ComposeGolden(const std::string& path, const tagGoldenCase& c)
{
    auto item = test::MakeVideoItem(path, 640, 480, 0.5);
    item->eMediaTypeLine = c.nLine;
    if (c.crop[2] != 0)
        SetCrop(item.get(), c.crop[0], c.crop[1], c.crop[2], c.crop[3]);
    if (c.rotation[2] >= 0)
    {
        item->pRotation = std::make_unique<tagQVRotationData>();
        item->pRotation->rotationflip = c.rotation[0];
        item->pRotation->rotationreverse = c.rotation[1];
        item->pRotation->rotationangle = c.rotation[2];
    }
    if (c.border[1] != 0)
    {
        item->pBorder = std::make_unique<tagQVBorderData>();
        item->pBorder->BorderType = c.border[0];
        item->pBorder->BorderSize = c.border[1];
        item->pBorder->BorderColor = c.border[2];
    }
    tagQVCompositionContext context = Context(c.W, c.H);
    std::vector<uint8_t> layer(size_t(c.W) * c.H * 4, 0);
    std::vector<uint8_t> sample(layer.size(), 0);
    for (int k = 1; k / 30.0 <= c.dTime + 1e-9; ++k)
    {
        if (Render(context, *item, k / 30.0, &layer) != 1)
            return 0;
    }
    if (FinishItemFrame(context, *item, layer.data(), sample.data(), int64_t(sample.size())) != 1)
        return 0;
    return test::HashBytes(sample.data(), sample.size());
}

TEST_F(VideoCompositionTest, ComposedFramesMatchTheirGoldenHashes)
{
    const tagGoldenCase kCases[] = {
        // crop enlarged 1.6 times (bicubic) with a red frame all round
        {"crop-enlarged-bordered",
         320,
         240,
         0,
         {100, 50, 200, 150},
         {0, 0, -1},
         {0, 4, 0x0000FF},
         0.3,
         0x40F41228691E20AEull},
        // whole picture reduced to a quarter, mirrored top-bottom and turned half round
        {"reduced-flipped",
         160,
         120,
         0,
         {0, 0, 0, 0},
         {1, 0, 180},
         {0, 0, 0},
         0.2,
         0x7EBE0539247FDFAAull},
        // off the main line, reduced unevenly, border left, top and bottom
        {"overlay-reduced",
         200,
         100,
         3,
         {33, 17, 300, 200},
         {0, 0, -1},
         {13, 3, 0x00FF8040},
         0.4,
         0x78439768DE075A48ull},
        // a square crop turned a quarter and mirrored
        {"square-quarter-turn",
         240,
         240,
         0,
         {100, 0, 480, 480},
         {0, 1, 90},
         {0, 0, 0},
         0.1,
         0xECA386E108777066ull},
    };
    for (const tagGoldenCase& c : kCases)
        EXPECT_EQ(ComposeGolden(m_path, c), c.nHash) << c.szName;
}

// --- which picture a time shows

TEST(VideoWalkTest, DecoderWalksForwardFrameByFrame)
{
    const std::string path = test::MediaPath(EMedia::H264); // 90 numbered frames, 30 fps
    ASSERT_FALSE(path.empty());
    auto item = test::MakeVideoItem(path, 160, 120, 3.0);
    tagQVCompositionContext context = Context(160, 120);
    std::vector<uint8_t> frame(160 * 120 * 4, 0);
    std::vector<int> shown;
    for (int k = 1; k <= 89; ++k)
    {
        ASSERT_EQ(Render(context, *item, k / 30.0, &frame), 1) << k;
        shown.push_back(test::ReadFrameNumber(frame.data(), 160 * 4, 160, 120, true));
    }
    // Each output time shows its own picture, every picture once, from the first (the
    // decoder opens on frame 0, stamped 0).
    for (int k = 1; k <= 89; ++k)
        EXPECT_EQ(shown[size_t(k - 1)], k) << k;
    // A time behind the current picture keeps it: the decoder never goes back.
    ASSERT_EQ(Render(context, *item, 1.0, &frame), 1);
    EXPECT_EQ(test::ReadFrameNumber(frame.data(), 160 * 4, 160, 120, true), shown.back());
}

// An MPEG program stream starts its clock at about half a second: source times count from
// the stream's start, as the sound's do, so picture and sound stay together.
TEST(VideoWalkTest, SourceTimesCountFromTheStreamsStart)
{
    const std::string path = test::MediaPath(EMedia::Mpeg2Ps); // 75 numbered frames, 25 fps
    ASSERT_FALSE(path.empty());
    auto item = test::MakeVideoItem(path, 160, 120, 3.0);
    tagQVCompositionContext context = Context(160, 120);
    std::vector<uint8_t> frame(160 * 120 * 4, 0);
    for (int k = 1; k <= 30; ++k)
        ASSERT_EQ(Render(context, *item, k / 30.0, &frame), 1) << k;
    EXPECT_EQ(test::ReadFrameNumber(frame.data(), 160 * 4, 160, 120, true), 25)
        << "output second 1 shows source second 1";
    for (int k = 31; k <= 60; ++k)
        ASSERT_EQ(Render(context, *item, k / 30.0, &frame), 1) << k;
    EXPECT_EQ(test::ReadFrameNumber(frame.data(), 160 * 4, 160, 120, true), 50);
}

TEST(VideoWalkTest, TrimAndSpeedChooseTheSourcePicture)
{
    const std::string path = test::MediaPath(EMedia::H264);
    ASSERT_FALSE(path.empty());
    auto item = test::MakeVideoItem(path, 160, 120, 3.0);
    item->dVSelfStartTime = 1.0;
    item->dPlaybackRate = 2.0;
    item->dEditorEndTime = 0.9;
    tagQVCompositionContext context = Context(160, 120);
    std::vector<uint8_t> frame(160 * 120 * 4, 0);
    ASSERT_EQ(Render(context, *item, 0.5, &frame), 1); // source 2.0 s: frame 60
    EXPECT_EQ(test::ReadFrameNumber(frame.data(), 160 * 4, 160, 120, true), 60);
    ASSERT_EQ(Render(context, *item, 0.6, &frame), 1); // source 2.2 s: frame 66
    EXPECT_EQ(test::ReadFrameNumber(frame.data(), 160 * 4, 160, 120, true), 66);
}

TEST(VideoWalkTest, SnapshotHoldKeepsThePictureThenPlayOnDelayed)
{
    const std::string path = test::MediaPath(EMedia::H264);
    ASSERT_FALSE(path.empty());
    auto item = test::MakeVideoItem(path, 160, 120, 2.5);
    tagQVVideoSnapshotData point;
    point.dCaptureTime = 1.0;
    point.dDuration = 0.5;
    item->snapshots.push_back(point);
    tagQVCompositionContext context = Context(160, 120);
    std::vector<uint8_t> frame(160 * 120 * 4, 0);
    for (int k = 1; k <= 60; ++k)
    {
        const double t = k / 30.0;
        ASSERT_EQ(Render(context, *item, t, &frame), 1) << k;
        const int nShown = test::ReadFrameNumber(frame.data(), 160 * 4, 160, 120, true);
        if (t >= 1.0 && t <= 1.5)
        {
            EXPECT_NEAR(nShown, 30, 1) << t;
        }
        else if (t > 1.55)
        {
            EXPECT_NEAR(nShown, k - 15, 1) << t; // half a second behind
        }
    }
}

TEST(VideoWalkTest, RewindingHoldReplaysTheFramesBeforeIt)
{
    const std::string path = test::MediaPath(EMedia::H264);
    ASSERT_FALSE(path.empty());
    test::CQVScratchFolder folder;
    auto item = test::MakeVideoItem(path, 160, 120, 2.0);
    tagQVVideoSnapshotData point;
    point.dCaptureTime = 1.0;
    point.dDuration = 0.4;
    point.bRewind = 1;
    point.dRewindMediaDuration = 0.3;
    point.dBackDurationPercent = 0.5;
    item->snapshots.push_back(point);
    tagQVCompositionContext context = Context(160, 120);
    context.tmpFolder = folder / "";
    std::vector<uint8_t> frame(160 * 120 * 4, 0);
    std::vector<int> held;
    for (int k = 1; k <= 40; ++k)
    {
        const double t = k / 30.0;
        ASSERT_EQ(Render(context, *item, t, &frame), 1) << k;
        if (t >= 1.0 && t <= 1.4)
            held.push_back(test::ReadFrameNumber(frame.data(), 160 * 4, 160, 120, true));
    }
    // Frames of source 0.7..1.0 s were saved (about nine) and play back, then forward.
    const int64_t nSaved = item->snapshots[0].nSavedFrames;
    EXPECT_GE(nSaved, 8);
    EXPECT_LE(nSaved, 10);
    ASSERT_GE(held.size(), 10u);
    EXPECT_NEAR(held.front(), 29, 1);
    const int nLowest = *std::min_element(held.begin(), held.end());
    EXPECT_NEAR(nLowest, 21, 1);
    EXPECT_GT(held.back(), nLowest);
}

TEST(VideoWalkTest, SourcesThatCannotBeDecodedDrawNothingAndAreRetried)
{
    test::CQVScratchFolder folder;
    tagQVCompositionContext context = Context(160, 120);
    std::vector<uint8_t> frame(160 * 120 * 4, 0x5A);
    const std::vector<uint8_t> before = frame;

    auto missing = test::MakeVideoItem(folder / "missing.mp4", 160, 120, 1.0);
    EXPECT_EQ(Render(context, *missing, 0.1, &frame), 0);
    EXPECT_EQ(FindItemRuntime(*missing)->pDecoder, nullptr);
    ASSERT_TRUE(test::WriteWholeFile(folder / "missing.mp4", "not a video"));
    EXPECT_EQ(Render(context, *missing, 0.2, &frame), 0);

    auto audio = test::MakeVideoItem(test::MediaPath(EMedia::AudioOnly), 160, 120, 1.0);
    EXPECT_EQ(Render(context, *audio, 0.1, &frame), 0);

    // Now the file becomes readable: the next frame opens it.
    std::string bytes;
    ASSERT_TRUE(test::ReadWholeFile(test::MediaPath(EMedia::H264), &bytes));
    ASSERT_TRUE(test::WriteWholeFile(folder / "missing.mp4", bytes));
    EXPECT_EQ(frame, before);
    EXPECT_EQ(Render(context, *missing, 0.3, &frame), 1);

    auto unsized = test::MakeVideoItem(test::MediaPath(EMedia::H264), 0, 120, 1.0); // no size
    EXPECT_EQ(Render(context, *unsized, 0.1, &frame), 0);
    auto other = test::MakeVideoItem(test::MediaPath(EMedia::H264), 160, 120, 1.0);
    other->eMediaType = 1; // audio items have no picture
    EXPECT_EQ(Render(context, *other, 0.1, &frame), 0);
    EXPECT_EQ(RenderItemFrame(context, 0.1, *other, nullptr, 160, 120), 0);
}

TEST(VideoWalkTest, ReleasingASlotFreesTheDecoderOfTheItemItReplaces)
{
    const std::string path = test::MediaPath(EMedia::H264);
    ASSERT_FALSE(path.empty());
    auto a = test::MakeVideoItem(path, 160, 120, 1.0);
    auto b = test::MakeVideoItem(path, 160, 120, 1.0);
    tagQVCompositionContext context = Context(160, 120);
    std::vector<uint8_t> frame(160 * 120 * 4, 0);
    ASSERT_EQ(Render(context, *a, 0.1, &frame), 1);
    ReleaseLineItem(context, a.get(), 0);
    ASSERT_EQ(Render(context, *a, 0.2, &frame), 1);
    ReleaseLineItem(context, a.get(), 0); // the same item: kept open
    EXPECT_NE(FindItemRuntime(*a)->pDecoder, nullptr);
    ASSERT_EQ(Render(context, *b, 0.3, &frame), 1);
    ReleaseLineItem(context, b.get(), 0);
    EXPECT_EQ(FindItemRuntime(*a)->pDecoder, nullptr);
    EXPECT_NE(FindItemRuntime(*b)->pDecoder, nullptr);
    ReleaseLineItem(context, nullptr, 0); // no item at this time
    EXPECT_EQ(FindItemRuntime(*b)->pDecoder, nullptr);
    EXPECT_EQ(context.pSlotItems[0], nullptr);
    ReleaseLineItem(context, a.get(), 2); // no such slot
    EXPECT_EQ(context.pSlotItems[1], nullptr);
}

} // namespace
} // namespace qv
