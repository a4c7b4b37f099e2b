#include "frontend/CropGeometry.h"

#include <Qt>
#include <algorithm>
#include <climits>
#include <cmath>

namespace qv
{

namespace
{

const double kZooms[CQVCropGeometry::kFitIndex] = {1.0, 0.8, 0.5};
const double kSmallestFit = 0.01;

int TruncToInt(double dValue)
{
    if (std::isnan(dValue))
        return 0;
    return static_cast<int>(std::trunc(std::clamp(dValue, double(INT_MIN), double(INT_MAX))));
}

// The point lies in (x, y, w, h) with the right and bottom edges outside, and a rectangle
// without width or height holds no point.
bool InRect(QPoint pt, int x, int y, int w, int h)
{
    return w > 0 && h > 0 && pt.x() >= x && pt.x() < x + w && pt.y() >= y && pt.y() < y + h;
}

bool MovesLeft(int nHit)
{
    return nHit == kCropHitLeft || nHit == kCropHitTopLeft || nHit == kCropHitBottomLeft;
}
bool MovesRight(int nHit)
{
    return nHit == kCropHitRight || nHit == kCropHitTopRight || nHit == kCropHitBottomRight;
}
bool MovesTop(int nHit)
{
    return nHit == kCropHitTop || nHit == kCropHitTopLeft || nHit == kCropHitTopRight;
}
bool MovesBottom(int nHit)
{
    return nHit == kCropHitBottom || nHit == kCropHitBottomLeft || nHit == kCropHitBottomRight;
}

} // namespace

double CQVCropGeometry::ZoomForIndex(int nIndex)
{
    return nIndex >= 0 && nIndex < kFitIndex ? kZooms[nIndex] : 1.0;
}

int CQVCropGeometry::ToDisplay(int nSource, double dZoom)
{
    return TruncToInt(nSource * dZoom);
}

int CQVCropGeometry::ToSource(int nDisplay, double dZoom)
{
    return dZoom > 0 ? TruncToInt(nDisplay / dZoom) : 0;
}

CQVCropGeometry::CQVCropGeometry(int nSourceWidth, int nSourceHeight)
    : m_nSourceWidth(std::max(nSourceWidth, 1)), m_nSourceHeight(std::max(nSourceHeight, 1))
{
}

QSize CQVCropGeometry::WindowSizeFor(double dZoom, int nInitialClientWidth) const
{
    const int nWidth = std::max(TruncToInt(m_nSourceWidth * dZoom + 40), nInitialClientWidth + 10);
    return QSize(nWidth, TruncToInt(dZoom * m_nSourceHeight + 200));
}

double CQVCropGeometry::FitZoom(QSize workArea, int nInitialClientWidth) const
{
    // The window is the frame plus 40 across and 200 down; the width floor of the row of
    // edits does not depend on the zoom.
    double dZoom = std::min((workArea.width() - 40.0) / m_nSourceWidth,
                            (workArea.height() - 200.0) / m_nSourceHeight);
    if (!(dZoom >= kSmallestFit))
        return kSmallestFit;
    // Truncations may round a side up past the area by a hair; step down until it fits.
    for (int i = 0; i < 8; ++i)
    {
        const QSize size = WindowSizeFor(dZoom, nInitialClientWidth);
        if (TruncToInt(m_nSourceWidth * dZoom + 40) <= workArea.width() &&
            size.height() <= workArea.height())
            break;
        dZoom = std::nextafter(dZoom, 0.0);
    }
    return dZoom;
}

double CQVCropGeometry::ZoomForChoice(int nIndex, QSize workArea, int nInitialClientWidth) const
{
    return nIndex == kFitIndex ? FitZoom(workArea, nInitialClientWidth) : ZoomForIndex(nIndex);
}

int CQVCropGeometry::OpeningChoice(QSize workArea, int nInitialClientWidth) const
{
    for (int i = 0; i < kFitIndex; ++i)
    {
        const QSize size = WindowSizeFor(kZooms[i], nInitialClientWidth);
        if (size.width() <= workArea.width() && size.height() <= workArea.height())
            return i;
    }
    return kFitIndex;
}

void CQVCropGeometry::SetLayout(double dZoom, QSize clientSize)
{
    m_dZoom = dZoom > 0 ? dZoom : 1.0;
    m_imageArea = QRect(kAreaLeft, kAreaTop, clientSize.width() - 20, clientSize.height() - 145);
    const double dWidth = m_nSourceWidth * m_dZoom;
    const double dHeight = m_dZoom * m_nSourceHeight;
    m_imageRect = QRect(TruncToInt((m_imageArea.width() - dWidth) * 0.5 + kAreaLeft),
                        TruncToInt((m_imageArea.height() - dHeight) * 0.5 + kAreaTop),
                        TruncToInt(dWidth), TruncToInt(dHeight));
}

void CQVCropGeometry::SetDisplayFromSource(const tagQVCropValues& source)
{
    const auto Display = [this](int nValue)
    { return ToDisplay(std::clamp(nValue, -kLargestValue, kLargestValue), m_dZoom); };
    m_crop = QRect(Display(source.x), Display(source.y), Display(source.w), Display(source.h));
}

tagQVCropValues CQVCropGeometry::SourceFromDisplay() const
{
    tagQVCropValues values{ToSource(m_crop.x(), m_dZoom), ToSource(m_crop.y(), m_dZoom),
                           ToSource(m_crop.width(), m_dZoom), ToSource(m_crop.height(), m_dZoom)};
    if (m_crop.width() > 0 && m_crop.x() + m_crop.width() == m_imageRect.width())
        values.w = m_nSourceWidth - values.x;
    if (m_crop.height() > 0 && m_crop.y() + m_crop.height() == m_imageRect.height())
        values.h = m_nSourceHeight - values.y;
    return values;
}

QRect CQVCropGeometry::VisibleRect() const
{
    if (m_crop.width() <= 0 || m_crop.height() <= 0)
        return QRect();
    return ClientCrop().intersected(m_imageRect).intersected(m_imageArea);
}

int CQVCropGeometry::HitTest(QPoint pt) const
{
    const QRect r = VisibleRect();
    if (r.isEmpty())
        return kCropHitNone;
    const int x = r.x(), y = r.y(), w = r.width(), h = r.height();
    const int z = kZoneSize;
    if (InRect(pt, x + z, y + z, w - 2 * z, h - 2 * z))
        return kCropHitMove;
    const struct
    {
        int x, y, w, h, nHit;
    } zones[] = {
        {x, y, z, z, kCropHitTopLeft},
        {x + w - 3, y, z, z, kCropHitTopRight},
        {x + w - 3, y + h - 3, z, z, kCropHitBottomRight},
        {x, y + h - 3, z, z, kCropHitBottomLeft},
        {x, y, w + 1, z, kCropHitTop},
        {x, y + h - 3, w + 1, z, kCropHitBottom},
        {x, y, z, h + 1, kCropHitLeft},
        {x + w - 3, y, z, h + 1, kCropHitRight},
    };
    for (const auto& zone : zones)
        if (InRect(pt, zone.x, zone.y, zone.w, zone.h))
            return zone.nHit;
    return kCropHitNone;
}

int CQVCropGeometry::CursorForHit(int nHit)
{
    switch (nHit)
    {
    case kCropHitMove:
        return Qt::SizeAllCursor;
    case kCropHitLeft:
    case kCropHitRight:
        return Qt::SizeHorCursor;
    case kCropHitTop:
    case kCropHitBottom:
        return Qt::SizeVerCursor;
    case kCropHitTopLeft:
    case kCropHitBottomRight:
        return Qt::SizeFDiagCursor;
    case kCropHitTopRight:
    case kCropHitBottomLeft:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

std::array<QRect, 8> CQVCropGeometry::HandleRects(const QRect& r)
{
    const int x = r.x(), y = r.y(), w = r.width(), h = r.height();
    const int z = kZoneSize;
    return {QRect(x, y, z, z),
            QRect(x + w / 2 - 2, y, z, z),
            QRect(x + w - 4, y, z, z),
            QRect(x, y + h / 2 - 2, z, z),
            QRect(x + w - 4, y + h / 2 - 2, z, z),
            QRect(x, y + h - 4, z, z),
            QRect(x + w / 2 - 2, y + h - 4, z, z),
            QRect(x + w - 4, y + h - 4, z, z)};
}

bool CQVCropGeometry::BeginDrag(QPoint pt)
{
    const int nHit = HitTest(pt);
    if (nHit == kCropHitNone)
        return false;
    const QRect crop = ClientCrop();
    const int nLeft = crop.x(), nTop = crop.y();
    const int nRight = nLeft + crop.width(), nBottom = nTop + crop.height();
    m_nDragHit = nHit;
    m_nOffsetX = pt.x() - (nHit == kCropHitMove || MovesLeft(nHit) ? nLeft : nRight);
    m_nOffsetY = pt.y() - (nHit == kCropHitMove || MovesTop(nHit) ? nTop : nBottom);
    return true;
}

bool CQVCropGeometry::DragTo(QPoint pt)
{
    if (!IsDragging())
        return false;
    // Relative to the image rectangle, whose edges are 0 and its width and height.
    const int px = pt.x() - m_imageRect.x() - m_nOffsetX;
    const int py = pt.y() - m_imageRect.y() - m_nOffsetY;
    const int nImageW = m_imageRect.width(), nImageH = m_imageRect.height();
    int nLeft = m_crop.x(), nTop = m_crop.y();
    int nRight = nLeft + m_crop.width(), nBottom = nTop + m_crop.height();
    if (m_nDragHit == kCropHitMove)
    {
        const int w = m_crop.width(), h = m_crop.height();
        nLeft = std::max(px, 0);
        nTop = std::max(py, 0);
        if (nLeft + w > nImageW)
            nLeft = nImageW - w;
        if (nTop + h > nImageH)
            nTop = nImageH - h;
        nRight = nLeft + w;
        nBottom = nTop + h;
    }
    else
    {
        if (MovesLeft(m_nDragHit))
        {
            nLeft = std::max(px, 0);
            if (nRight - nLeft < kMinDisplaySize)
                nLeft = nRight - kMinDisplaySize;
        }
        if (MovesRight(m_nDragHit))
        {
            nRight = std::min(px, nImageW);
            if (nRight - nLeft < kMinDisplaySize)
                nRight = nLeft + kMinDisplaySize;
        }
        if (MovesTop(m_nDragHit))
        {
            nTop = std::max(py, 0);
            if (nBottom - nTop < kMinDisplaySize)
                nTop = nBottom - kMinDisplaySize;
        }
        if (MovesBottom(m_nDragHit))
        {
            nBottom = std::min(py, nImageH);
            if (nBottom - nTop < kMinDisplaySize)
                nBottom = nTop + kMinDisplaySize;
        }
    }
    const QRect crop(nLeft, nTop, nRight - nLeft, nBottom - nTop);
    if (crop == m_crop)
        return false;
    m_crop = crop;
    return true;
}

QPoint CQVCropGeometry::ClampPointerAbovePanel(QPoint ptScreen, const QRect& workArea)
{
    const int nLowest = workArea.y() + workArea.height() - 5;
    return QPoint(ptScreen.x(), std::min(ptScreen.y(), nLowest));
}

} // namespace qv
