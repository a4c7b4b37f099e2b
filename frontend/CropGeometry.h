// The crop dialog's geometry without a window: the zoom, where the frame is drawn, the
// crop rectangle in display pixels, hit testing of the rectangle and its handles, and the
// clamps of moving and resizing it with the mouse. Source values are pixels of the video;
// display values are source values times the zoom, truncated; both ways truncate.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>

namespace qv
{

// A crop in source pixels.
struct tagQVCropValues
{
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const tagQVCropValues& other) const
    {
        return x == other.x && y == other.y && w == other.w && h == other.h;
    }
};

// Hit-test results: the handle codes 0..7, the moving area, or nothing.
enum : int
{
    kCropHitNone = -1,
    kCropHitLeft = 0,
    kCropHitTop = 1,
    kCropHitRight = 2,
    kCropHitBottom = 3,
    kCropHitTopLeft = 4,
    kCropHitTopRight = 5,
    kCropHitBottomRight = 6,
    kCropHitBottomLeft = 7,
    kCropHitMove = 8,
};

class CQVCropGeometry
{
public:
    // The zoom box's entries: 100 %, 80 %, 50 % and "Fit", the largest zoom at which the
    // whole window fits the work area.
    static constexpr int kZoomCount = 4;
    static constexpr int kFitIndex = 3;
    // Width and height never fall below this many display pixels under the mouse.
    static constexpr int kMinDisplaySize = 2;
    // Hit zones and handles are this many pixels across.
    static constexpr int kZoneSize = 5;
    // The image area is (10, 105, client width - 20, client height - 145).
    static constexpr int kAreaLeft = 10;
    static constexpr int kAreaTop = 105;
    // Source values are held within +-this many pixels, so that no sum of them overflows.
    static constexpr int kLargestValue = 10000000;

    // 1.0, 0.8 and 0.5 for the zoom box's entries 0, 1 and 2; 1.0 for any other index
    // (ZoomForChoice knows "Fit").
    static double ZoomForIndex(int nIndex);
    // trunc(value x zoom) and trunc(value / zoom), clamped to the int range.
    static int ToDisplay(int nSource, double dZoom);
    static int ToSource(int nDisplay, double dZoom);

    // A source of at least 1 x 1 pixel (smaller sizes count as 1).
    CQVCropGeometry(int nSourceWidth, int nSourceHeight);

    int SourceWidth() const { return m_nSourceWidth; }
    int SourceHeight() const { return m_nSourceHeight; }
    double Zoom() const { return m_dZoom; }

    // The window size for a zoom: trunc(source width x zoom + 40) wide, but at least the
    // initial client width + 10 so that the row of edits always fits, and
    // trunc(zoom x source height + 200) high.
    QSize WindowSizeFor(double dZoom, int nInitialClientWidth) const;
    // The largest zoom whose window fits a work area of this size (never below 0.01).
    double FitZoom(QSize workArea, int nInitialClientWidth) const;
    // The zoom of an entry of the zoom box, "Fit" computed for the work area.
    double ZoomForChoice(int nIndex, QSize workArea, int nInitialClientWidth) const;
    // The entry the dialog opens with: the largest listed zoom whose window fits the work
    // area, else "Fit".
    int OpeningChoice(QSize workArea, int nInitialClientWidth) const;

    // Sets the zoom and the client size the window has for it, and recomputes the image area
    // and the image rectangle. The display crop is not touched (SetDisplayFromSource does it).
    void SetLayout(double dZoom, QSize clientSize);
    QRect ImageArea() const { return m_imageArea; }
    // Centred in the image area: x = trunc((area width - source width x zoom) x 0.5 + 10),
    // y likewise from 105, size trunc(zoom x source size).
    QRect ImageRect() const { return m_imageRect; }

    // --- the crop in display pixels, relative to the image rectangle
    // trunc(value x zoom) of each source value held within +-kLargestValue.
    void SetDisplayFromSource(const tagQVCropValues& source);
    void SetDisplayCrop(const QRect& crop) { m_crop = crop; }
    QRect DisplayCrop() const { return m_crop; }
    // The display crop in client coordinates.
    QRect ClientCrop() const { return m_crop.translated(m_imageRect.topLeft()); }
    // trunc(display value / zoom) of the four values: what the edits show after a drag. A
    // right or bottom edge on the image's edge is the source's edge, so that the last
    // column and row can be reached at any zoom.
    tagQVCropValues SourceFromDisplay() const;
    // R: the client crop intersected with the image rectangle and the image area (a window
    // held inside a small work area shows the middle of a frame larger than its area);
    // empty when they do not meet.
    QRect VisibleRect() const;

    // The hit-test result for a client point on R (kCropHitNone when R is empty): inside R
    // shrunk by 5 on every side moves; otherwise the first 5-pixel zone that holds the point
    // in the order top-left, top-right, bottom-right, bottom-left, top, bottom, left, right.
    int HitTest(QPoint pt) const;
    // The cursor shape (a Qt::CursorShape value) for a hit-test result.
    static int CursorForHit(int nHit);
    // The eight 5 x 5 handles of a rectangle R = (x, y, w, h): the corners, the middles of
    // the edges, at x, x + w/2 - 2, x + w - 4 and y, y + h/2 - 2, y + h - 4.
    static std::array<QRect, 8> HandleRects(const QRect& r);

    // --- dragging the rectangle with the mouse
    // Starts moving or resizing when the point hits R; false (and nothing starts) otherwise.
    bool BeginDrag(QPoint pt);
    // Follows the pointer; true when the display crop changed. Moving keeps the size and
    // pushes the rectangle back inside the image rectangle (left and top first, then right
    // and bottom). Resizing moves the dragged edges, never past the image's edges, and
    // keeps width and height at 2 display pixels or more: the dragged edge then stops
    // 2 pixels from the fixed one.
    bool DragTo(QPoint pt);
    void EndDrag() { m_nDragHit = kCropHitNone; }
    bool IsDragging() const { return m_nDragHit != kCropHitNone; }
    int DragHit() const { return m_nDragHit; }

    // --- moving the window: the pointer (screen coordinates) is held at most 5 pixels above
    // the bottom of the work area (the screen less the panels).
    static QPoint ClampPointerAbovePanel(QPoint ptScreen, const QRect& workArea);

private:
    int m_nSourceWidth;
    int m_nSourceHeight;
    double m_dZoom = 1.0;
    QRect m_imageArea;
    QRect m_imageRect;
    QRect m_crop; // display pixels, relative to the image rectangle

    // --- the drag under way
    int m_nDragHit = kCropHitNone;
    int m_nOffsetX = 0; // the pointer minus the dragged edge (or the origin when moving)
    int m_nOffsetY = 0;
};

} // namespace qv
