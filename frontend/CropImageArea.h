// The crop dialog's image area, composed off-screen: the grey area, the frame stretched
// into the image rectangle, the veil outside the crop, and the outline of the visible crop
// with its eight handles. The still parts are prepared once per frame and layout, so that
// a change of the crop only recomposes the pixels it touches. GUI thread only.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QRegion>

namespace qv
{

class CQVCropImageArea
{
public:
    static const QColor kAreaGrey;    // (180, 180, 180), opaque
    static const QColor kVeil;        // (180, 180, 180) at alpha 150
    static const QColor kOutline;     // (0, 126, 200) while "Enable" is ticked
    static const QColor kOutlineGrey; // (160, 160, 160) while it is cleared

    // The frame in source pixels (any size; it is stretched into the image rectangle), and
    // the same already scaled smoothly for the image rectangle when it was made elsewhere.
    // Without a match here it is stretched quickly, not smoothly: the GUI thread must not wait.
    void SetFrame(const QImage& frame, const QImage& scaled = QImage());
    // The image area and the image rectangle, both in client coordinates. Prepares the
    // stretched and the veiled frame; the next Compose draws everything.
    void SetLayout(const QRect& imageArea, const QRect& imageRect);

    // Brings the bitmap up to date for the visible crop R (client coordinates, empty for
    // none) and returns the part of the area that changed since the last Compose, in area
    // coordinates (the whole area after SetFrame or SetLayout). Only that part is drawn:
    // a crop that moves by a few pixels changes thin strips and its outline, not its inside.
    QRegion Compose(const QRect& visibleCrop, bool bEnabled);
    // The composed image area: Format_ARGB32_Premultiplied, the image area's size.
    const QImage& Bitmap() const { return m_bitmap; }
    QRect Area() const { return m_area; }
    // The image rectangle of the layout, in client coordinates.
    QRect ImageRect() const { return m_imageRect.translated(m_area.topLeft()); }

private:
    void Rebuild();

    QImage m_frame;
    QImage m_scaled;
    QRect m_area;
    QRect m_imageRect; // in area coordinates
    QImage m_plain;    // the stretched frame
    QImage m_still;    // the grey area with the veiled frame: the bitmap without a crop
    QImage m_bitmap;
    QRect m_lastCrop; // area coordinates of the last crop drawn; empty for none
    bool m_bAllStale = true;
};

} // namespace qv
