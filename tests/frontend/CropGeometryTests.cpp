// The crop dialog's geometry as values: conversions, window and image rectangles per zoom,
// hit zones in their order, and the clamps of moving and resizing.
#include "frontend/CropFrames.h"
#include "frontend/CropGeometry.h"

#include <Qt>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace qv;

namespace
{

// A 1920 x 1080 source laid out at the zoom in the window made for it (the empty
// template's client is 380 wide), with the display crop set from source values.
CQVCropGeometry LaidOut(double dZoom, const tagQVCropValues& crop, int w = 1920, int h = 1080)
{
    CQVCropGeometry geometry(w, h);
    geometry.SetLayout(dZoom, geometry.WindowSizeFor(dZoom, 380));
    geometry.SetDisplayFromSource(crop);
    return geometry;
}

} // namespace

TEST(CropGeometry, ConversionsTruncateBothWays)
{
    const struct
    {
        int nSource;
        double dZoom;
        int nDisplay, nBack;
    } rows[] = {
        {101, 0.5, 50, 100},    {5, 0.8, 4, 5}, {7, 0.8, 5, 6},    {1920, 0.8, 1536, 1920},
        {1080, 0.8, 864, 1080}, {3, 1.0, 3, 3}, {-3, 0.5, -1, -2}, {1, 0.5, 0, 0},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(CQVCropGeometry::ToDisplay(row.nSource, row.dZoom), row.nDisplay) << row.nSource;
        EXPECT_EQ(CQVCropGeometry::ToSource(row.nDisplay, row.dZoom), row.nBack) << row.nSource;
    }
    EXPECT_EQ(CQVCropGeometry::ToDisplay(std::numeric_limits<int>::max(), 1.0),
              std::numeric_limits<int>::max());
    EXPECT_EQ(CQVCropGeometry::ZoomForIndex(1), 0.8);
    EXPECT_EQ(CQVCropGeometry::ZoomForIndex(7), 1.0);
}

TEST(CropGeometry, WindowAndImageRectanglesForEachZoom)
{
    const struct
    {
        int w, h;
        double dZoom;
        QSize window;
        QRect area, image;
    } rows[] = {
        {1920, 1080, 1.0, {1960, 1280}, {10, 105, 1940, 1135}, {20, 132, 1920, 1080}},
        {1920, 1080, 0.8, {1576, 1064}, {10, 105, 1556, 919}, {20, 132, 1536, 864}},
        {1920, 1080, 0.5, {1000, 740}, {10, 105, 980, 595}, {20, 132, 960, 540}},
        // Narrow sources get the width the row of edits needs, at every zoom; the frame is
        // centred in it.
        {320, 240, 1.0, {390, 440}, {10, 105, 370, 295}, {35, 132, 320, 240}},
        {320, 240, 0.5, {390, 320}, {10, 105, 370, 175}, {115, 132, 160, 120}},
        {642, 361, 0.8, {553, 488}, {10, 105, 533, 343}, {19, 132, 513, 288}},
    };
    for (const auto& row : rows)
    {
        CQVCropGeometry geometry(row.w, row.h);
        const QSize window = geometry.WindowSizeFor(row.dZoom, 380);
        EXPECT_EQ(window, row.window) << row.w << " at " << row.dZoom;
        geometry.SetLayout(row.dZoom, window);
        EXPECT_EQ(geometry.ImageArea(), row.area) << row.w << " at " << row.dZoom;
        EXPECT_EQ(geometry.ImageRect(), row.image) << row.w << " at " << row.dZoom;
    }
}

// The zoom the dialog opens with on work areas of two laptop screens, and "Fit": the
// largest zoom whose whole window lies inside the work area.
TEST(CropGeometry, OpeningZoomIsTheLargestListedThatFitsElseFit)
{
    const struct
    {
        int w, h;
        QSize work;
        int nChoice;
    } rows[] = {
        {3840, 2160, {1366, 768}, CQVCropGeometry::kFitIndex},
        {2160, 3840, {1366, 768}, CQVCropGeometry::kFitIndex},
        {1920, 1080, {1366, 768}, 2},
        {3840, 2160, {1600, 1000}, CQVCropGeometry::kFitIndex},
        {1920, 1080, {1600, 1000}, 2},
        {1920, 1080, {1600, 1100}, 1},
        {640, 360, {1366, 768}, 0},
        {1920, 1080, {1960, 1280}, 0}, // exactly the window's size fits
    };
    for (const auto& row : rows)
    {
        const CQVCropGeometry geometry(row.w, row.h);
        EXPECT_EQ(geometry.OpeningChoice(row.work, 380), row.nChoice) << row.w << "x" << row.h;
        const double dFit = geometry.FitZoom(row.work, 380);
        const QSize fit = geometry.WindowSizeFor(dFit, 380);
        EXPECT_TRUE(fit.width() <= row.work.width() && fit.height() <= row.work.height())
            << row.w << "x" << row.h << ": " << fit.width() << "x" << fit.height();
        const QSize larger = geometry.WindowSizeFor(dFit * 1.002, 380);
        EXPECT_TRUE(larger.width() > row.work.width() || larger.height() > row.work.height())
            << row.w << "x" << row.h << " is the largest";
        EXPECT_EQ(geometry.ZoomForChoice(CQVCropGeometry::kFitIndex, row.work, 380), dFit);
        EXPECT_EQ(geometry.ZoomForChoice(1, row.work, 380), 0.8);
    }
    EXPECT_EQ(CQVCropGeometry(1920, 1080).FitZoom(QSize(100, 100), 380), 0.01);
}

// At a zoom that is no simple fraction, an edge dragged onto the frame's right or bottom
// edge still reaches the source's last column and row.
TEST(CropGeometry, TheFramesEdgeIsTheSourcesEdgeAtAnyZoom)
{
    CQVCropGeometry geometry(3840, 2160);
    const double dZoom = geometry.FitZoom(QSize(1366, 768), 380);
    geometry.SetLayout(dZoom, geometry.WindowSizeFor(dZoom, 380));
    const QRect image = geometry.ImageRect();
    geometry.SetDisplayCrop(QRect(0, 0, image.width(), image.height()));
    EXPECT_EQ(geometry.SourceFromDisplay(), (tagQVCropValues{0, 0, 3840, 2160}));
    geometry.SetDisplayCrop(QRect(100, 50, image.width() - 100, 200));
    const tagQVCropValues values = geometry.SourceFromDisplay();
    EXPECT_EQ(values.x + values.w, 3840);
    EXPECT_EQ(values.h, CQVCropGeometry::ToSource(200, dZoom));
}

TEST(CropGeometry, HitZonesInTheirOrderWithTheirCursors)
{
    // The crop (100, 50, 200, 100) is R = (120, 182, 200, 100) in the window at 100 %.
    const CQVCropGeometry geometry = LaidOut(1.0, {100, 50, 200, 100});
    ASSERT_EQ(geometry.VisibleRect(), QRect(120, 182, 200, 100));
    const struct
    {
        QPoint pt;
        int nHit, nCursor;
    } rows[] = {
        {{125, 187}, kCropHitMove, Qt::SizeAllCursor},
        {{314, 276}, kCropHitMove, Qt::SizeAllCursor},
        {{124, 186}, kCropHitTopLeft, Qt::SizeFDiagCursor}, // also in the top and left zones
        {{317, 182}, kCropHitTopRight, Qt::SizeBDiagCursor},
        {{321, 186}, kCropHitTopRight, Qt::SizeBDiagCursor},
        {{321, 283}, kCropHitBottomRight, Qt::SizeFDiagCursor},
        {{120, 279}, kCropHitBottomLeft, Qt::SizeBDiagCursor},
        {{200, 182}, kCropHitTop, Qt::SizeVerCursor},
        {{320, 186}, kCropHitTopRight, Qt::SizeBDiagCursor},
        {{200, 283}, kCropHitBottom, Qt::SizeVerCursor},
        {{120, 230}, kCropHitLeft, Qt::SizeHorCursor},
        {{321, 230}, kCropHitRight, Qt::SizeHorCursor},
        {{322, 230}, kCropHitNone, Qt::ArrowCursor},
        {{119, 230}, kCropHitNone, Qt::ArrowCursor},
        {{200, 284}, kCropHitNone, Qt::ArrowCursor},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(geometry.HitTest(row.pt), row.nHit) << row.pt.x() << ", " << row.pt.y();
        EXPECT_EQ(CQVCropGeometry::CursorForHit(geometry.HitTest(row.pt)), row.nCursor)
            << row.pt.x() << ", " << row.pt.y();
    }
    // R is clipped by the image; a crop that misses the image, or has no width, has none.
    EXPECT_EQ(LaidOut(1.0, {1800, 1000, 500, 500}).VisibleRect(), QRect(1820, 1132, 120, 80));
    // A row's absurd values are held, with no overflow on the way.
    const int nHuge = std::numeric_limits<int>::max();
    for (const tagQVCropValues& crop :
         {tagQVCropValues{2000, 0, 50, 50}, tagQVCropValues{10, 10, 0, 50},
          tagQVCropValues{nHuge, nHuge, nHuge, nHuge}})
    {
        const CQVCropGeometry outside = LaidOut(1.0, crop);
        EXPECT_TRUE(outside.VisibleRect().isEmpty());
        EXPECT_EQ(outside.HitTest(QPoint(20, 132)), kCropHitNone);
        EXPECT_EQ(outside.HitTest(QPoint(2, 2)), kCropHitNone);
    }
}

TEST(CropGeometry, HandlesSitAtTheCornersAndEdgeMiddles)
{
    const auto handles = CQVCropGeometry::HandleRects(QRect(10, 20, 101, 50));
    const QPoint corners[8] = {{10, 20},  {58, 20}, {107, 20}, {10, 43},
                               {107, 43}, {10, 66}, {58, 66},  {107, 66}};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(handles[static_cast<size_t>(i)], QRect(corners[i], QSize(5, 5))) << i;
}

TEST(CropGeometry, MovingStaysInsideTheImageAndKeepsTheSize)
{
    const struct
    {
        QPoint to;
        QRect expected;
    } rows[] = {
        {{5000, 5000}, {1720, 980, 200, 100}},
        {{-5000, -5000}, {0, 0, 200, 100}},
        {{5000, 200}, {1720, 18, 200, 100}},
        {{227, 189}, {107, 7, 200, 100}},
    };
    for (const auto& row : rows)
    {
        CQVCropGeometry geometry = LaidOut(1.0, {100, 50, 200, 100});
        ASSERT_TRUE(geometry.BeginDrag(QPoint(220, 232))); // 100, 50 inside R
        EXPECT_EQ(geometry.DragHit(), kCropHitMove);
        geometry.DragTo(row.to);
        EXPECT_EQ(geometry.DisplayCrop(), row.expected) << row.to.x() << ", " << row.to.y();
    }
    // At 50 % a move by an odd number of pixels still gives even source values.
    CQVCropGeometry half = LaidOut(0.5, {101, 51, 401, 201});
    const QPoint start = half.ClientCrop().center();
    ASSERT_TRUE(half.BeginDrag(start));
    EXPECT_TRUE(half.DragTo(start + QPoint(7, 3)));
    EXPECT_EQ(half.SourceFromDisplay(), (tagQVCropValues{114, 56, 400, 200}));
}

TEST(CropGeometry, ResizingFollowsTheEdgeAndStopsAtTheImageAndAtTwoPixels)
{
    const struct
    {
        const char* szCase;
        QPoint press, to;
        QRect expected;
    } rows[] = {
        // The pointer pressed 2 pixels inside the right edge keeps that distance.
        {"right edge", {318, 230}, {338, 230}, {100, 50, 220, 100}},
        {"right edge past the image", {318, 230}, {3000, 230}, {100, 50, 1820, 100}},
        {"left edge before the image", {121, 230}, {-50, 230}, {0, 50, 300, 100}},
        {"top edge", {200, 183}, {200, 150}, {100, 17, 200, 133}},
        {"top-left past bottom-right", {121, 183}, {900, 900}, {298, 148, 2, 2}},
        {"bottom-right past top-left", {320, 282}, {0, 0}, {100, 50, 2, 2}},
        {"top-right past bottom-left", {318, 183}, {0, 900}, {100, 148, 2, 2}},
        {"bottom edge past the top", {200, 282}, {200, 10}, {100, 50, 200, 2}},
    };
    for (const auto& row : rows)
    {
        CQVCropGeometry geometry = LaidOut(1.0, {100, 50, 200, 100});
        ASSERT_TRUE(geometry.BeginDrag(row.press)) << row.szCase;
        EXPECT_TRUE(geometry.DragTo(row.to)) << row.szCase;
        EXPECT_EQ(geometry.DisplayCrop(), row.expected) << row.szCase;
        EXPECT_FALSE(geometry.DragTo(row.to)) << row.szCase << ": nothing changed";
    }
    CQVCropGeometry geometry = LaidOut(1.0, {100, 50, 200, 100});
    EXPECT_FALSE(geometry.BeginDrag(QPoint(50, 150)));
    EXPECT_FALSE(geometry.IsDragging());
}

TEST(CropGeometry, ThePointerOfAWindowMoveStaysAboveThePanel)
{
    const QRect work(0, 0, 1600, 1170);
    EXPECT_EQ(CQVCropGeometry::ClampPointerAbovePanel(QPoint(300, 1199), work), QPoint(300, 1165));
    EXPECT_EQ(CQVCropGeometry::ClampPointerAbovePanel(QPoint(300, 1165), work), QPoint(300, 1165));
    EXPECT_EQ(CQVCropGeometry::ClampPointerAbovePanel(QPoint(300, 20), work), QPoint(300, 20));
}

TEST(CropFrames, FirstFrameAtHalfTheDurationAtMostFiveSeconds)
{
    const struct
    {
        double dDuration, dTime;
    } rows[] = {{3.0, 1.5},          {9.98, 4.99},
                {10.0, 5.0},         {42.0, 5.0},
                {0.0, 0.0},          {-1.0, 0.0},
                {std::nan(""), 0.0}, {std::numeric_limits<double>::infinity(), 0.0}};
    for (const auto& row : rows)
        EXPECT_DOUBLE_EQ(FirstFrameTime(row.dDuration), row.dTime) << row.dDuration;
    const auto EndsWith = [](const std::string& text, const std::string& end)
    {
        return text.size() >= end.size() &&
               text.compare(text.size() - end.size(), end.size(), end) == 0;
    };
    EXPECT_EQ(FrameImagePath("/jobs/", 4.99), "/jobs/tlframe/5.0.jpg");
    EXPECT_EQ(FrameImagePath("/jobs/", 12.345), "/jobs/tlframe/12.3.jpg");
    EXPECT_TRUE(EndsWith(FrameImagePath("", 0), "/tmp/tlframe/0.0.jpg")) << "the program's tmp/";
}
