// Picture items and animated pictures.
#include "compose/AnimationFrames.h"
#include "compose/FrameComposition.h"
#include "compose/IQVItemEffects.h"
#include "media/CQVItemRuntime.h"
#include "tests/support/ComposeMedia.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <vector>

namespace qv
{
namespace
{

using test::UprightPixel;

// Every pixel different: red from x, green from y, blue fixed.
QImage Gradient(int nWidth, int nHeight, QImage::Format eFormat)
{
    QImage image(nWidth, nHeight, eFormat);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            image.setPixel(x, y, qRgba(x * 255 / nWidth, y * 255 / nHeight, 77, 255));
    return image;
}

class RecordingEffects : public IQVItemEffects
{
public:
    void ApplyColorEffects(tagQVMediaData&, uint8_t* pFrame, int nWidth, int nHeight) override
    {
        ++nColorCalls;
        pFrame[(size_t(nWidth) * nHeight - 1) * 4] = 0x42; // upright top-right blue byte
    }
    void DrawMaskOnImage(tagQVMediaData&, QImage* pImage, double dTime) override
    {
        ++nMaskCalls;
        dLastTime = dTime;
        pImage->setPixel(0, 0, qRgba(1, 2, 3, 255));
    }
    int nColorCalls = 0;
    int nMaskCalls = 0;
    double dLastTime = -1.0;
};

class PictureItemTest : public ::testing::Test
{
protected:
    std::string Save(const QImage& image, const char* szName)
    {
        const std::string path = m_folder / szName;
        EXPECT_TRUE(image.save(QString::fromStdString(path)));
        return path;
    }
    test::CQVScratchFolder m_folder;
};

TEST_F(PictureItemTest, FittedPictureIsCentredBetweenBlackBarsAndCached)
{
    const QImage picture = Gradient(160, 96, QImage::Format_RGB32);
    auto item = test::MakePictureItem(Save(picture, "wide.png"), 0.0, 5.0);
    item->eImageFillMode = 0;
    tagQVCompositionContext context;
    context.nOutputWidth = 160;
    context.nOutputHeight = 120;
    std::vector<uint8_t> frame(160 * 120 * 4, 0x77); // what the layer held before
    ASSERT_EQ(RenderItemFrame(context, 0.0, *item, frame.data(), 160, 120), 1);
    // FitRect: 160 × 96 at top 12, counted in memory rows: upright rows 12..107.
    for (int y = 0; y < 120; ++y)
    {
        const uint8_t* p = UprightPixel(frame, 160, 120, 80, y);
        if (y < 12 || y >= 108)
            ASSERT_EQ(p[0] | p[1] | p[2] | p[3], 0) << y;
        else
            ASSERT_EQ(QColor(p[2], p[1], p[0]).rgb(), QColor(picture.pixel(80, y - 12)).rgb()) << y;
    }
    EXPECT_EQ(test::HashBytes(frame.data(), frame.size()), 0xAFB007F86F624257ull);

    // Cached: the next frame draws nothing and keeps what the layer holds.
    std::vector<uint8_t> other(frame.size(), 0x33);
    EXPECT_EQ(RenderItemFrame(context, 1.0, *item, other.data(), 160, 120), 1);
    EXPECT_EQ(other, std::vector<uint8_t>(frame.size(), 0x33));
    EXPECT_FALSE(ItemRuntime(*item).bTransparent);
    ReleaseLineItem(context, item.get(), 0);
    ReleaseLineItem(context, nullptr, 0);
    EXPECT_TRUE(ItemRuntime(*item).imageCache.isNull()); // dropped with the slot
}

TEST_F(PictureItemTest, StretchedAndTurnedPictureFillsTheFrame)
{
    // 40 × 80 turned a quarter clockwise is 80 × 40; stretched to 80 × 40 it is copied.
    const QImage picture = Gradient(40, 80, QImage::Format_RGB32);
    auto item = test::MakePictureItem(Save(picture, "tall.png"), 0.0, 5.0);
    item->pRotation = std::make_unique<tagQVRotationData>();
    item->pRotation->rotationangle = 90;
    tagQVCompositionContext context;
    std::vector<uint8_t> frame(80 * 40 * 4, 0);
    ASSERT_EQ(RenderItemFrame(context, 0.0, *item, frame.data(), 80, 40), 1);
    // Upright (x, y) of the turned picture is (y, 79 − x) of the original.
    for (int x : {0, 13, 79})
        for (int y : {0, 21, 39})
        {
            const uint8_t* p = UprightPixel(frame, 80, 40, x, y);
            EXPECT_EQ(QColor(p[2], p[1], p[0]).rgb(), QColor(picture.pixel(y, 79 - x)).rgb())
                << x << "," << y;
        }
}

TEST_F(PictureItemTest, MaskRedrawsEveryFrameAndColourEffectsRunOnTheFrame)
{
    auto item =
        test::MakePictureItem(Save(Gradient(32, 16, QImage::Format_RGB32), "p.png"), 2.0, 5.0);
    item->pMask = std::make_unique<tagQVMaskData>();
    item->pColorAdjustment = std::make_unique<tagQVColorAdjustment>();
    RecordingEffects effects;
    tagQVCompositionContext context;
    context.pEffects = &effects;
    std::vector<uint8_t> frame(32 * 16 * 4, 0);
    ASSERT_EQ(RenderItemFrame(context, 2.5, *item, frame.data(), 32, 16), 1);
    ASSERT_EQ(RenderItemFrame(context, 2.6, *item, frame.data(), 32, 16), 1);
    EXPECT_EQ(effects.nMaskCalls, 2);
    EXPECT_EQ(effects.nColorCalls, 2);
    EXPECT_DOUBLE_EQ(effects.dLastTime, 2.6);
    // The mask was drawn on the upright picture (its top-left pixel), before the copy.
    const uint8_t* p = UprightPixel(frame, 32, 16, 0, 0);
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(p[2], 1);
    EXPECT_EQ(UprightPixel(frame, 32, 16, 31, 0)[0], 0x42);
    // Without effects the item still draws.
    context.pEffects = nullptr;
    EXPECT_EQ(RenderItemFrame(context, 2.7, *item, frame.data(), 32, 16), 1);
}

TEST_F(PictureItemTest, PictureWithAlphaIsMarkedAndWrittenUpright)
{
    QImage picture(16, 8, QImage::Format_ARGB32);
    picture.fill(qRgba(0, 0, 255, 128));
    for (int x = 0; x < 16; ++x)
        picture.setPixel(x, 0, qRgba(255, 0, 0, 255)); // top row opaque red
    auto item = test::MakePictureItem(Save(picture, "alpha.png"), 0.0, 1.0);
    tagQVCompositionContext context;
    context.tmpFolder = m_folder / "tmp/";
    std::vector<uint8_t> frame(16 * 8 * 4, 0);
    ASSERT_EQ(RenderItemFrame(context, 0.0, *item, frame.data(), 16, 8), 1);
    EXPECT_TRUE(ItemRuntime(*item).bTransparent);
    const QImage written(QString::fromStdString(context.tmpFolder + "frameimage/" +
                                                std::to_string(ItemRuntime(*item).Identity()) +
                                                "_tmp.png"));
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written.pixel(3, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(written.pixel(3, 5)), 128);
}

TEST_F(PictureItemTest, UnreadablePictureDrawsNothing)
{
    tagQVCompositionContext context;
    std::vector<uint8_t> frame(16 * 8 * 4, 9);
    auto missing = test::MakePictureItem(m_folder / "none.png", 0.0, 1.0);
    EXPECT_EQ(RenderItemFrame(context, 0.0, *missing, frame.data(), 16, 8), 0);
    ASSERT_TRUE(test::WriteWholeFile(m_folder / "bad.png", "\x89PNG broken"));
    auto broken = test::MakePictureItem(m_folder / "bad.png", 0.0, 1.0);
    EXPECT_EQ(RenderItemFrame(context, 0.0, *broken, frame.data(), 16, 8), 0);
    EXPECT_EQ(frame, std::vector<uint8_t>(16 * 8 * 4, 9));
}

class AnimationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_context.nOutputWidth = 64;
        m_context.nOutputHeight = 48;
        m_context.tmpFolder = m_folder / "";
    }
    test::CQVScratchFolder m_folder;
    tagQVCompositionContext m_context;
};

TEST_F(AnimationTest, FramesAreWrittenWithTheirDelaysAndChosenByTime)
{
    const std::string path = test::ComposeMediaPath(test::EComposeMedia::Gif4);
    ASSERT_FALSE(path.empty());
    auto item = test::MakePictureItem(path, 10.0, 12.0);
    ASSERT_TRUE(PrepareAnimationFrames(m_context, *item));
    const CQVItemRuntime& runtime = ItemRuntime(*item);
    ASSERT_EQ(runtime.frames.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_DOUBLE_EQ(runtime.frames[i].dDuration, 0.1);
        EXPECT_EQ(runtime.frames[i].path, m_context.tmpFolder + "gif" +
                                              std::to_string(runtime.Identity()) + "/" +
                                              std::to_string(i) + ".png");
        EXPECT_TRUE(std::filesystem::exists(runtime.frames[i].path));
    }
    // Intervals include both ends; the first that holds the time wins; frames repeat.
    const struct
    {
        double e;
        int nFrame;
    } kCases[] = {{0.0, 0},  {0.05, 0}, {0.15, 1}, {0.35, 3},
                  {0.45, 0}, {0.55, 1}, {1.25, 0}, {-3.0, 0}};
    for (const auto& c : kCases)
        EXPECT_EQ(AnimationFrameAt(*item, c.e), c.nFrame) << c.e;

    std::vector<uint8_t> frame(64 * 48 * 4, 0);
    SelectAnimationFrame(m_context, 10.15, *item);
    EXPECT_EQ(item->source, runtime.frames[1].path);
    EXPECT_EQ(runtime.secondImageCache.size(), QSize(64, 48));
    ASSERT_EQ(RenderItemFrame(m_context, 10.15, *item, frame.data(), 64, 48), 1);
    const std::vector<uint8_t> second = frame;
    SelectAnimationFrame(m_context, 10.18, *item); // the same frame: the cache stays
    EXPECT_FALSE(runtime.imageCache.isNull());
    SelectAnimationFrame(m_context, 10.25, *item); // the next frame: drawn again
    EXPECT_TRUE(runtime.imageCache.isNull());
    ASSERT_EQ(RenderItemFrame(m_context, 10.25, *item, frame.data(), 64, 48), 1);
    EXPECT_NE(frame, second);
    // Past the item's end the last moment of the item is shown: 2 s = 20 frames → frame 3.
    SelectAnimationFrame(m_context, 50.0, *item);
    EXPECT_EQ(runtime.nCurrentFrame, AnimationFrameAt(*item, 2.0));
}

TEST_F(AnimationTest, DelaysOfZeroGetAMinimumDuration)
{
    const std::string path = test::ComposeMediaPath(test::EComposeMedia::GifZero);
    ASSERT_FALSE(path.empty());
    auto item = test::MakePictureItem(path, 0.0, 100.0);
    ASSERT_TRUE(PrepareAnimationFrames(m_context, *item));
    for (const tagQVAnimationFrame& frame : ItemRuntime(*item).frames)
        EXPECT_DOUBLE_EQ(frame.dDuration, kQVMinimumAnimationFrameSeconds);
    SelectAnimationFrame(m_context, 0.25, *item);
    EXPECT_EQ(ItemRuntime(*item).nCurrentFrame, 2);
    SelectAnimationFrame(m_context, 99.95, *item); // far in: ends all the same
    EXPECT_EQ(ItemRuntime(*item).nCurrentFrame, 3);
}

TEST_F(AnimationTest, StillPicturesAndVideoItemsHaveNoFrames)
{
    const QImage still = QImage(8, 8, QImage::Format_RGB32);
    const std::string path = m_folder / "still.png";
    ASSERT_TRUE(still.save(QString::fromStdString(path)));
    auto item = test::MakePictureItem(path, 0.0, 1.0);
    EXPECT_FALSE(PrepareAnimationFrames(m_context, *item));
    SelectAnimationFrame(m_context, 0.5, *item);
    EXPECT_EQ(item->source, path);
    auto video = test::MakeVideoItem(test::ComposeMediaPath(test::EComposeMedia::Gif4), 64, 48, 1);
    SelectAnimationFrame(m_context, 0.5, *video);
    EXPECT_EQ(FindItemRuntime(*video), nullptr);
}

} // namespace
} // namespace qv
