// The moving mask: preparing the mask picture, its progress and placement, and drawing it
// onto bottom-up frames and upright pictures.
#include "compose/FrameComposition.h"
#include "compose/MovingMask.h"
#include "media/CQVItemRuntime.h"
#include "tests/compose/EffectPixels.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>

namespace qv
{
namespace
{

using test::CQVPixels;
using test::tagQVBgra;

class MovingMaskTest : public ::testing::Test
{
protected:
    // The mask folder of the test, with a trailing "/".
    std::string Folder() const { return m_folder / ""; }

    void SaveMask(int nIndex, const QImage& image)
    {
        ASSERT_TRUE(image.save(QString::fromStdString(Folder() + std::to_string(nIndex) + ".png")));
    }
    void SaveSolidMask(int nIndex, int nWidth, int nHeight, QColor colour = Qt::white)
    {
        QImage image(nWidth, nHeight, QImage::Format_ARGB32);
        image.fill(colour);
        SaveMask(nIndex, image);
    }

    // A video item on the main line from 0 to 5 s with a mask of the given type lasting 2 s.
    static tagQVMediaData MaskedItem(int nType, int nIndex = 0)
    {
        tagQVMediaData item;
        item.dEditorStartTime = 0.0;
        item.dEditorEndTime = 5.0;
        item.pMask = std::make_unique<tagQVMaskData>();
        item.pMask->MasknType = nType;
        item.pMask->MaskdMovementTimeDur = 2.0;
        item.pMask->MasknImageMaskIndex = nIndex;
        return item;
    }

    test::CQVScratchFolder m_folder;
};

TEST_F(MovingMaskTest, PreparedSizeFollowsStretchAndMovementType)
{
    SaveSolidMask(3, 40, 20);
    tagQVMaskData mask;
    mask.MasknImageMaskIndex = 3;
    mask.MaskbStretchToFill = 1;
    EXPECT_EQ(PrepareMask(mask, 100, 80, Folder()).size(), QSize(100, 80));
    mask.MaskbStretchToFill = 0;
    // Vertical crossings take the frame's width, the others its height.
    for (int nType : {1, 3})
    {
        mask.MasknType = nType;
        EXPECT_EQ(PrepareMask(mask, 100, 80, Folder()).size(), QSize(100, 50)) << nType;
    }
    for (int nType : {0, 2, 4, 5, 6})
    {
        mask.MasknType = nType;
        EXPECT_EQ(PrepareMask(mask, 100, 80, Folder()).size(), QSize(160, 80)) << nType;
    }
    // 100 × 20 ÷ 40 = 50 exactly; 33 × 20 ÷ 40 = 16.5 truncated.
    mask.MasknType = 1;
    EXPECT_EQ(PrepareMask(mask, 33, 80, Folder()).size(), QSize(33, 16));
    const QImage prepared = PrepareMask(mask, 100, 80, Folder());
    EXPECT_EQ(prepared.format(), QImage::Format_ARGB32);
    EXPECT_EQ(prepared.pixel(50, 25), qRgba(255, 255, 255, 255));
}

TEST_F(MovingMaskTest, MissingOrUnusableMaskPicturesPrepareNothing)
{
    tagQVMaskData mask;
    mask.MasknImageMaskIndex = 9;
    EXPECT_TRUE(PrepareMask(mask, 100, 80, Folder()).isNull());
    // Not a picture.
    std::FILE* pFile = std::fopen((Folder() + "9.png").c_str(), "wb");
    ASSERT_NE(pFile, nullptr);
    std::fputs("not a png", pFile);
    std::fclose(pFile);
    EXPECT_TRUE(PrepareMask(mask, 100, 80, Folder()).isNull());
    // A mask one pixel high scaled to the full height of a wide frame would be enormous.
    SaveSolidMask(9, 4000, 1);
    EXPECT_TRUE(PrepareMask(mask, 1000, 30000, Folder()).isNull());
    EXPECT_TRUE(PrepareMask(mask, 0, 10, Folder()).isNull());
}

TEST_F(MovingMaskTest, FillColourTakesTheShapeOfTheMask)
{
    // Alpha 255, 128 and 0 in the three columns of the mask.
    QImage shape(3, 1, QImage::Format_ARGB32);
    shape.setPixel(0, 0, qRgba(10, 20, 30, 255));
    shape.setPixel(1, 0, qRgba(10, 20, 30, 128));
    shape.setPixel(2, 0, qRgba(10, 20, 30, 0));
    SaveMask(1, shape);
    tagQVMaskData mask;
    mask.MasknImageMaskIndex = 1;
    mask.MaskbStretchToFill = 1;
    mask.MaskbFillWithColor = 1;
    mask.MaskclrFill = 0x0000FF; // red: the low byte
    mask.MaskszImageFill = Folder() + "no such fill.png";
    const QImage filled = PrepareMask(mask, 3, 1, Folder());
    ASSERT_EQ(filled.size(), QSize(3, 1));
    EXPECT_EQ(filled.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(filled.pixel(1, 0), qRgba(255, 0, 0, 128));
    EXPECT_EQ(qAlpha(filled.pixel(2, 0)), 0);

    // A readable fill picture replaces the colour, scaled to the mask.
    QImage fill(1, 1, QImage::Format_RGB32);
    fill.fill(qRgb(0, 200, 0));
    ASSERT_TRUE(fill.save(QString::fromStdString(Folder() + "fill.png")));
    mask.MaskszImageFill = Folder() + "fill.png";
    const QImage pictured = PrepareMask(mask, 3, 1, Folder());
    EXPECT_EQ(pictured.pixel(0, 0), qRgba(0, 200, 0, 255));
    EXPECT_EQ(pictured.pixel(1, 0), qRgba(0, 200, 0, 128));
}

TEST_F(MovingMaskTest, ProgressOfASingleMovementAndOfRepeatedOnes)
{
    tagQVMaskData mask;
    mask.MaskdMovementTimeDur = 2.0;
    double p = -1.0;
    ASSERT_TRUE(MaskProgress(mask, 10.0, 20.0, 11.0, &p));
    EXPECT_DOUBLE_EQ(p, 0.5);
    ASSERT_TRUE(MaskProgress(mask, 10.0, 20.0, 10.0, &p));
    EXPECT_DOUBLE_EQ(p, 0.0);
    EXPECT_FALSE(MaskProgress(mask, 10.0, 20.0, 12.0, &p)); // the movement is over
    EXPECT_FALSE(MaskProgress(mask, 10.0, 20.0, 9.99, &p));
    EXPECT_FALSE(MaskProgress(mask, 10.0, 20.0, 20.01, &p));
    mask.MaskdMovementTimeDur = 0.0;
    EXPECT_FALSE(MaskProgress(mask, 10.0, 20.0, 10.0, &p));

    // Three movements over the item: periods of 10 ÷ 3 s.
    mask.MaskbFillMovementTimeDur = 1;
    mask.MasknMovementLoop = 2;
    ASSERT_TRUE(MaskProgress(mask, 10.0, 20.0, 15.0, &p));
    EXPECT_NEAR(p, 0.5, 1e-12);
    ASSERT_TRUE(MaskProgress(mask, 10.0, 20.0, 20.0, &p));
    EXPECT_NEAR(p, 0.0, 1e-9);
    // Loop counts below 0 mean one movement over the whole item.
    mask.MasknMovementLoop = -4;
    ASSERT_TRUE(MaskProgress(mask, 10.0, 20.0, 12.5, &p));
    EXPECT_DOUBLE_EQ(p, 0.25);
    // An item without length has progress 0 at its one instant.
    ASSERT_TRUE(MaskProgress(mask, 10.0, 10.0, 10.0, &p));
    EXPECT_DOUBLE_EQ(p, 0.0);
}

TEST_F(MovingMaskTest, PlacementOfTheSevenMovements)
{
    tagQVMaskData mask;
    tagQVMaskPlacement place;
    auto Place = [&](int nType, double p)
    {
        mask.MasknType = nType;
        EXPECT_TRUE(PlaceMask(mask, 100, 60, 20, 10, p, &place)) << nType;
    };
    // Crossings: just outside at the start, just outside on the other side at the end.
    Place(0, 0.0);
    EXPECT_EQ(place.x, -20);
    EXPECT_EQ(place.y, 25);
    Place(0, 0.5); // 0.25 × 120 − 20
    EXPECT_EQ(place.x, 10);
    Place(0, 1.0);
    EXPECT_EQ(place.x, 100);
    Place(1, 0.0);
    EXPECT_EQ(place.x, 40);
    EXPECT_EQ(place.y, -10);
    Place(1, 1.0);
    EXPECT_EQ(place.y, 60);
    Place(2, 0.0);
    EXPECT_EQ(place.x, 100);
    Place(2, 0.5); // 120 × 0.25 − 20
    EXPECT_EQ(place.x, 10);
    Place(2, 1.0);
    EXPECT_EQ(place.x, -20);
    Place(3, 0.0);
    EXPECT_EQ(place.y, 60);
    Place(3, 1.0);
    EXPECT_EQ(place.y, -10);
    EXPECT_DOUBLE_EQ(place.dOpacity, 1.0);

    // Centred with a fade in and out.
    Place(4, 0.0);
    EXPECT_EQ(place.x, 40);
    EXPECT_EQ(place.y, 25);
    EXPECT_DOUBLE_EQ(place.dOpacity, 0.0);
    Place(4, 0.25);
    EXPECT_DOUBLE_EQ(place.dOpacity, 0.5);
    Place(4, 0.5);
    EXPECT_DOUBLE_EQ(place.dOpacity, 1.0);
    Place(4, 1.0);
    EXPECT_DOUBLE_EQ(place.dOpacity, 0.0);

    // Scale: types 0 to 4 once, 5 and 6 once inside their growth.
    mask.MaskdSizeScale = 2.0;
    Place(4, 0.5);
    EXPECT_EQ(place.nWidth, 40);
    EXPECT_EQ(place.nHeight, 20);
    EXPECT_EQ(place.x, 30);
    Place(5, 0.25); // 20 × 2 × 0.5
    EXPECT_EQ(place.nWidth, 20);
    EXPECT_EQ(place.nHeight, 10);
    EXPECT_EQ(place.x, 40);
    EXPECT_DOUBLE_EQ(place.dOpacity, 0.5);
    Place(6, 0.25); // 20 × 2 × 1.5
    EXPECT_EQ(place.nWidth, 60);
    EXPECT_EQ(place.x, 20);
    Place(5, 0.0);
    EXPECT_EQ(place.nWidth, 0);

    // Unknown types and sizes no frame can take place nothing.
    mask.MasknType = 7;
    EXPECT_FALSE(PlaceMask(mask, 100, 60, 20, 10, 0.5, &place));
    mask.MasknType = -1;
    EXPECT_FALSE(PlaceMask(mask, 100, 60, 20, 10, 0.5, &place));
    mask.MasknType = 4;
    mask.MaskdSizeScale = 1e300;
    EXPECT_FALSE(PlaceMask(mask, 100, 60, 20, 10, 0.5, &place));
}

TEST_F(MovingMaskTest, TypeFourIsOpaqueHalfwayAndInvisibleAtBothEnds)
{
    SaveSolidMask(0, 8, 8);
    tagQVMediaData item = MaskedItem(4);
    item.pMask->MaskbStretchToFill = 1;
    const tagQVDibHeader header{16, 8, 32};
    const CQVPixels grey(16, 8, {50, 60, 70, 255});

    CQVPixels at0 = grey;
    EXPECT_EQ(DrawMovingMask(header, item, at0.Data(), 0.0, Folder()), 0);
    EXPECT_EQ(at0.Bytes(), grey.Bytes());

    CQVPixels at1 = grey;
    EXPECT_EQ(DrawMovingMask(header, item, at1.Data(), 1.0, Folder()), 1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
        {
            const tagQVBgra p = at1.At(x, y);
            ASSERT_EQ(p.b, 255);
            ASSERT_EQ(p.g, 255);
            ASSERT_EQ(p.r, 255);
        }

    CQVPixels at2 = grey;
    EXPECT_EQ(DrawMovingMask(header, item, at2.Data(), 2.0, Folder()), 0);
    EXPECT_EQ(at2.Bytes(), grey.Bytes());

    // Halfway into the fade the mask is half opaque.
    CQVPixels at05 = grey;
    EXPECT_EQ(DrawMovingMask(header, item, at05.Data(), 0.5, Folder()), 1);
    EXPECT_NEAR(at05.At(3, 3).r, (70 + 255) / 2, 2);
}

TEST_F(MovingMaskTest, MaskIsUprightOnBottomUpFrames)
{
    // Top half red, bottom half blue.
    QImage shape(4, 4, QImage::Format_ARGB32);
    shape.fill(Qt::blue);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            shape.setPixel(x, y, qRgb(255, 0, 0));
    SaveMask(2, shape);
    tagQVMediaData item = MaskedItem(4, 2);
    item.pMask->MaskbStretchToFill = 1;

    CQVPixels frame(4, 4);
    ASSERT_EQ(DrawMovingMask({4, 4, 32}, item, frame.Data(), 1.0, Folder()), 1);
    EXPECT_EQ(frame.At(1, 3).r, 255); // the last memory row is the top of the picture
    EXPECT_EQ(frame.At(1, 0).b, 255);
    EXPECT_EQ(frame.At(1, 0).r, 0);

    // A negative height describes a top-down frame.
    CQVPixels topDown(4, 4);
    ASSERT_EQ(DrawMovingMask({4, -4, 32}, item, topDown.Data(), 1.0, Folder()), 1);
    EXPECT_EQ(topDown.At(1, 0).r, 255);
    EXPECT_EQ(topDown.At(1, 3).b, 255);
}

TEST_F(MovingMaskTest, CrossingMaskCoversExactlyItsPlace)
{
    // 20 × 10 white mask over a 100 × 10 frame, type 0 at p = 0.5: columns 10..29.
    SaveSolidMask(0, 20, 10);
    tagQVMediaData item = MaskedItem(0);
    CQVPixels frame(100, 10, {1, 2, 3, 0});
    ASSERT_EQ(DrawMovingMask({100, 10, 32}, item, frame.Data(), 1.0, Folder()), 1);
    for (int x = 0; x < 100; ++x)
    {
        const bool bCovered = x >= 10 && x < 30;
        EXPECT_EQ(frame.At(x, 4).b, bCovered ? 255 : 1) << x;
        EXPECT_EQ(frame.At(x, 4).r, bCovered ? 255 : 3) << x;
    }
}

TEST_F(MovingMaskTest, SnapshotHoldsLengthenVideoItemsOnly)
{
    SaveSolidMask(0, 4, 4);
    tagQVMediaData item = MaskedItem(4);
    item.dEditorEndTime = 3.0;
    item.dVSelfEndTime = 3.0;
    item.pMask->MaskbStretchToFill = 1;
    item.pMask->MaskbFillMovementTimeDur = 1; // one movement over the whole item
    tagQVVideoSnapshotData hold;
    hold.dCaptureTime = 1.0;
    hold.dDuration = 2.0;
    item.snapshots.push_back(hold);
    // Item from 0 to 5 with its hold: halfway is 2.5 s, and 4 s still draws.
    CQVPixels frame(4, 4);
    EXPECT_EQ(DrawMovingMask({4, 4, 32}, item, frame.Data(), 4.0, Folder()), 1);
    EXPECT_EQ(DrawMovingMask({4, 4, 32}, item, frame.Data(), 5.5, Folder()), 0);

    // The picture path ends the item at dEditorEndTime.
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::black);
    EXPECT_EQ(DrawMovingMaskOnImage(item, &image, 4.0, Folder()), 0);
    EXPECT_EQ(DrawMovingMaskOnImage(item, &image, 1.5, Folder()), 1);
    EXPECT_EQ(image.pixel(2, 2), qRgb(255, 255, 255));
}

TEST_F(MovingMaskTest, OnlyVideoItemsOnTheMainLine)
{
    SaveSolidMask(0, 4, 4);
    tagQVMediaData item = MaskedItem(4);
    item.pMask->MaskbStretchToFill = 1;
    item.eMediaType = 2;
    CQVPixels frame(4, 4);
    EXPECT_EQ(DrawMovingMask({4, 4, 32}, item, frame.Data(), 1.0, Folder()), 0);
    item.eMediaTypeLine = 3;
    EXPECT_EQ(DrawMovingMask({4, 4, 32}, item, frame.Data(), 1.0, Folder()), 1);

    // No record, no buffer, a header that is not 32 bits: nothing.
    tagQVMediaData plain;
    EXPECT_EQ(DrawMovingMask({4, 4, 32}, plain, frame.Data(), 1.0, Folder()), 0);
    EXPECT_EQ(DrawMovingMask({4, 4, 32}, item, nullptr, 1.0, Folder()), 0);
    EXPECT_EQ(DrawMovingMask({4, 4, 24}, item, frame.Data(), 1.0, Folder()), 0);
    EXPECT_EQ(DrawMovingMask({0, 4, 32}, item, frame.Data(), 1.0, Folder()), 0);
    EXPECT_EQ(DrawMovingMaskOnImage(item, nullptr, 1.0, Folder()), 0);
}

TEST_F(MovingMaskTest, PreparedMaskIsKeptUntilTheLineSlotMovesOn)
{
    SaveSolidMask(0, 4, 4);
    tagQVMediaData item = MaskedItem(4);
    item.pMask->MaskbStretchToFill = 1;
    CQVPixels frame(4, 4);
    ASSERT_EQ(DrawMovingMask({4, 4, 32}, item, frame.Data(), 1.0, Folder()), 1);
    ASSERT_EQ(std::remove((Folder() + "0.png").c_str()), 0);
    EXPECT_EQ(DrawMovingMask({4, 4, 32}, item, frame.Data(), 1.0, Folder()), 1);
    // Another frame size needs another mask, which can no longer be read.
    CQVPixels wide(8, 4);
    EXPECT_EQ(DrawMovingMask({8, 4, 32}, item, wide.Data(), 1.0, Folder()), 0);
    ASSERT_EQ(DrawMovingMask({4, 4, 32}, item, frame.Data(), 1.0, Folder()), 0);

    SaveSolidMask(0, 4, 4);
    ASSERT_EQ(DrawMovingMask({4, 4, 32}, item, frame.Data(), 1.0, Folder()), 1);
    tagQVCompositionContext context;
    ReleaseLineItem(context, &item, 0);
    ReleaseLineItem(context, nullptr, 0);
    EXPECT_TRUE(ItemRuntime(item).maskImage.isNull());
}

} // namespace
} // namespace qv
