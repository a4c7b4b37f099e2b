// One composed frame per effect: a generated video item rendered as the video mixer does
// (render into the layer, colour adjustment, moving mask, finishing into the sample), each
// against a golden hash and against the effect applied to the plain frame by hand.
#include "compose/CQVItemEffects.h"
#include "compose/ColorAdjustment.h"
#include "compose/FrameComposition.h"
#include "compose/FrameFinishing.h"
#include "compose/MovingMask.h"
#include "platform/ProgramFolder.h"
#include "tests/support/ComposeMedia.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <functional>
#include <vector>

namespace qv
{
namespace
{

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr double kTime = 0.2; // output seconds of the composed frame

struct tagEffectCase
{
    const char* szName;
    std::function<void(tagQVColorAdjustment&)> setAdjustment; // null: no set
    std::function<void(tagQVMaskData&)> setMask;              // null: no mask
    uint64_t nHash;
};

class EffectFrameTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_source = test::ComposeMediaPath(test::EComposeMedia::Bgra640);
    }

    // Two overlapping half-transparent shapes: a mask whose alpha and colours both show.
    void WriteMask()
    {
        QImage mask(64, 48, QImage::Format_ARGB32);
        mask.fill(Qt::transparent);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
            {
                if ((x - 32) * (x - 32) + (y - 24) * (y - 24) < 400)
                    mask.setPixel(x, y, qRgba(250, 40, 90, 255));
                else if (x < 16)
                    mask.setPixel(x, y, qRgba(20, 200, 240, 128));
            }
        ASSERT_TRUE(mask.save(QString::fromStdString(m_folder / "6.png")));
    }

    // The frame the mixer would pass on for the item at kTime: the decoder walked from the
    // first output frame, then the effects as the mixer callback runs them.
    std::vector<uint8_t> Compose(tagQVMediaData& item, IQVItemEffects* pEffects)
    {
        tagQVCompositionContext context;
        context.nOutputWidth = kWidth;
        context.nOutputHeight = kHeight;
        context.pEffects = pEffects;
        std::vector<uint8_t> layer(size_t(kWidth) * kHeight * 4, 0);
        for (int k = 1; k / 30.0 <= kTime + 1e-9; ++k)
        {
            context.dCurrentTime = k / 30.0;
            if (RenderItemFrame(context, k / 30.0, item, layer.data(), kWidth, kHeight) != 1)
                return {};
        }
        if (pEffects != nullptr)
        {
            if (item.pColorAdjustment)
                pEffects->ApplyColorEffects(item, layer.data(), kWidth, kHeight);
            pEffects->DrawMaskOnFrame(item, layer.data(), kWidth, kHeight, kTime);
        }
        std::vector<uint8_t> sample(layer.size(), 0);
        FinishItemFrame(context, item, layer.data(), sample.data(), int64_t(sample.size()));
        ReleaseLineItem(context, nullptr, 0);
        return sample;
    }

    static std::string s_source;
    test::CQVScratchFolder m_folder;
};

std::string EffectFrameTest::s_source;

TEST_F(EffectFrameTest, EachEffectOnAComposedVideoFrame)
{
    ASSERT_FALSE(s_source.empty());
    WriteMask();
    const tagEffectCase kCases[] = {
        {"brightness-contrast",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableBrightnessAndContrast = 1;
             a.nBrightness = -20;
             a.nContrast = 45;
         },
         nullptr, 0x18D917F142E906E7ull},
        {"levels",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableLevels = 1;
             a.nRedLevels = 90;
             a.nBlueLevels = 256;
         },
         nullptr, 0x2CED2BF0804E8991ull},
        {"colorize-full",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableColorize = 1;
             a.nColorizeHue = 30;
             a.nColorizeSaturation = 160;
         },
         nullptr, 0xA8C17E81BAD353FFull},
        {"colorize-blend",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableColorize = 1;
             a.nColorizeHue = 200;
             a.nColorizeSaturation = 100;
             a.dColorizeBlend = 0.35;
         },
         nullptr, 0xE0FE38348D7F8C6Bull},
        {"saturate",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableSaturate = 1;
             a.nSaturate = -60;
         },
         nullptr, 0xED3D28ED7F5B4EDDull},
        {"jitter",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableJitter = 1;
             a.nJitter = 4;
         },
         nullptr, 0x4ED059556A6B97F0ull},
        {"grayscale", [](tagQVColorAdjustment& a) { a.bEnableGrayScale = 1; }, nullptr,
         0x0C14CFA9810A164Dull},
        {"soften", [](tagQVColorAdjustment& a) { a.bEnableSoften = 1; }, nullptr,
         0xA381141C88F12ED5ull},
        {"sharpen", [](tagQVColorAdjustment& a) { a.bEnableSharpen = 1; }, nullptr,
         0x4C3315DF54BE6DE3ull},
        {"blur", [](tagQVColorAdjustment& a) { a.bEnableBlur = 1; }, nullptr,
         0x6AC4DD97E9BAFBCEull},
        {"edges", [](tagQVColorAdjustment& a) { a.bEnableEdgeDetection = 1; }, nullptr,
         0xC347D91DE0B1BCCDull},
        {"mosaic",
         [](tagQVColorAdjustment& a)
         {
             a.bEnableMasaic = 1;
             a.nMasaicTileSize = 12;
             a.nMasaicX = 40;
             a.nMasaicY = 30;
             a.nMasaicW = 200;
             a.nMasaicH = 100;
         },
         nullptr, 0xD562678780491746ull},
        {"mask-crossing", nullptr,
         [](tagQVMaskData& m)
         {
             m.MasknType = 0;
             m.MaskdMovementTimeDur = 0.4;
         },
         0xBF999B38F0DC61E9ull},
        {"mask-growing-filled", nullptr,
         [](tagQVMaskData& m)
         {
             m.MasknType = 5;
             m.MaskdMovementTimeDur = 0.3;
             m.MaskbFillWithColor = 1;
             m.MaskclrFill = 0x30C0F0;
             m.MaskdSizeScale = 1.5;
         },
         0x26D764AB334175A2ull},
    };

    auto plainItem = test::MakeVideoItem(s_source, 640, 480, 0.5);
    const std::vector<uint8_t> plain = Compose(*plainItem, nullptr);
    ASSERT_EQ(plain.size(), size_t(kWidth) * kHeight * 4);

    CQVItemEffects effects(m_folder / "");
    for (const tagEffectCase& c : kCases)
    {
        SCOPED_TRACE(c.szName);
        auto item = test::MakeVideoItem(s_source, 640, 480, 0.5);
        if (c.setAdjustment)
        {
            item->pColorAdjustment = std::make_unique<tagQVColorAdjustment>();
            c.setAdjustment(*item->pColorAdjustment);
        }
        if (c.setMask)
        {
            item->pMask = std::make_unique<tagQVMaskData>();
            item->pMask->MasknImageMaskIndex = 6;
            c.setMask(*item->pMask);
        }
        std::srand(7);
        const std::vector<uint8_t> frame = Compose(*item, &effects);
        ASSERT_EQ(frame.size(), plain.size());
        EXPECT_NE(frame, plain);
        EXPECT_EQ(test::HashBytes(frame.data(), frame.size()), c.nHash)
            << std::hex << "0x" << test::HashBytes(frame.data(), frame.size());

        // The same effect on the plain frame by hand gives the same picture.
        std::vector<uint8_t> expected = plain;
        std::srand(7);
        if (item->pColorAdjustment)
            ApplyColorAdjustment(*item->pColorAdjustment, expected.data(), kWidth, kHeight);
        if (item->pMask)
        {
            tagQVMediaData fresh;
            fresh.dEditorEndTime = 0.5;
            fresh.pMask = std::make_unique<tagQVMaskData>(*item->pMask);
            ASSERT_EQ(
                DrawMovingMask({kWidth, kHeight, 32}, fresh, expected.data(), kTime, m_folder / ""),
                1);
        }
        EXPECT_EQ(frame, expected);
    }
}

TEST_F(EffectFrameTest, PictureItemGetsItsMaskAndColourEffects)
{
    QImage picture(160, 120, QImage::Format_RGB32);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            picture.setPixel(x, y, qRgb(x * 255 / 160, y * 255 / 120, (x * y) % 256));
    const std::string path = m_folder / "picture.png";
    ASSERT_TRUE(picture.save(QString::fromStdString(path)));
    WriteMask();
    auto item = test::MakePictureItem(path, 0.0, 1.0);
    item->eImageFillMode = 0; // fitted: the mask moves over the picture, not the bars
    item->pColorAdjustment = std::make_unique<tagQVColorAdjustment>();
    item->pColorAdjustment->bEnableGrayScale = 1;
    item->pColorAdjustment->bEnableSharpen = 1;
    item->pMask = std::make_unique<tagQVMaskData>();
    item->pMask->MasknType = 4;
    item->pMask->MaskdMovementTimeDur = 1.0;
    item->pMask->MasknImageMaskIndex = 6;

    CQVItemEffects effects(m_folder / "");
    tagQVCompositionContext context;
    context.pEffects = &effects;
    std::vector<uint8_t> frame(size_t(kWidth) * kHeight * 4, 0x55);
    ASSERT_EQ(RenderItemFrame(context, 0.5, *item, frame.data(), kWidth, kHeight), 1);
    EXPECT_EQ(test::HashBytes(frame.data(), frame.size()), 0x51BDE33C8C8C49EAull)
        << std::hex << "0x" << test::HashBytes(frame.data(), frame.size());
    for (size_t i = 0; i < frame.size(); i += 4)
    {
        ASSERT_EQ(frame[i], frame[i + 1]) << i;
        ASSERT_EQ(frame[i], frame[i + 2]) << i;
    }
    // The mask, drawn centred on the picture at full opacity, is there in grey: the disc's
    // red (250, 40, 90) is grey (90 × 117 + 250 × 306 + 40 × 601) >> 10 = 108 before the
    // sharpening, which leaves a flat area alone.
    EXPECT_EQ(test::UprightPixel(frame, kWidth, kHeight, 160, 120)[0], 108);
    // A moment later the fade has begun, and the frame is drawn again.
    std::vector<uint8_t> later(frame.size(), 0);
    ASSERT_EQ(RenderItemFrame(context, 0.75, *item, later.data(), kWidth, kHeight), 1);
    EXPECT_NE(later, frame);
}

TEST(ShippedMaskTest, EveryMaskPictureIsAShapeOnATransparentGround)
{
    // The build draws them into the program folder's skin/mask/, where the engine looks.
    EXPECT_EQ(DefaultMaskFolder(), ProgramFolder() + "skin/mask/");
    const std::string folder = VANTREL_SHIPPED_MASKS;
    for (int nIndex = 0; nIndex < 5; ++nIndex)
    {
        SCOPED_TRACE(nIndex);
        QImage mask(QString::fromStdString(folder + std::to_string(nIndex) + ".png"));
        ASSERT_FALSE(mask.isNull());
        EXPECT_TRUE(mask.hasAlphaChannel());
        mask = mask.convertToFormat(QImage::Format_ARGB32);
        int nClear = 0, nOpaque = 0;
        for (int y = 0; y < mask.height(); ++y)
            for (int x = 0; x < mask.width(); ++x)
            {
                const int alpha = qAlpha(mask.pixel(x, y));
                nClear += alpha == 0;
                nOpaque += alpha == 255;
            }
        const int nPixels = mask.width() * mask.height();
        EXPECT_GT(nClear, nPixels / 10);
        EXPECT_GT(nOpaque, nPixels / 10);
        // Prepared for a 1280 × 720 frame it takes the frame's height.
        tagQVMaskData record;
        record.MasknImageMaskIndex = nIndex;
        EXPECT_EQ(PrepareMask(record, 1280, 720, folder).height(), 720);
    }
}

} // namespace
} // namespace qv
