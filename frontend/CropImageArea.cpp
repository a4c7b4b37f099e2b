#include "frontend/CropImageArea.h"

#include "frontend/CropGeometry.h"

#include <QPainter>

namespace qv
{

const QColor CQVCropImageArea::kAreaGrey(180, 180, 180);
const QColor CQVCropImageArea::kVeil(180, 180, 180, 150);
const QColor CQVCropImageArea::kOutline(0, 126, 200);
const QColor CQVCropImageArea::kOutlineGrey(160, 160, 160);

void CQVCropImageArea::SetFrame(const QImage& frame, const QImage& scaled)
{
    m_frame = frame;
    m_scaled = scaled;
    Rebuild();
}

void CQVCropImageArea::SetLayout(const QRect& imageArea, const QRect& imageRect)
{
    m_area = imageArea;
    m_imageRect = imageRect.translated(-imageArea.topLeft());
    Rebuild();
}

void CQVCropImageArea::Rebuild()
{
    m_bAllStale = true;
    m_lastCrop = QRect();
    if (m_area.width() <= 0 || m_area.height() <= 0)
    {
        m_bitmap = m_still = m_plain = QImage();
        return;
    }
    const QImage::Format eFormat = QImage::Format_ARGB32_Premultiplied;
    m_plain = QImage();
    // The picture sent ahead of the frame stands in until the frame comes.
    const QImage& source = m_frame.isNull() ? m_scaled : m_frame;
    if (!source.isNull() && m_imageRect.width() > 0 && m_imageRect.height() > 0)
    {
        if (m_scaled.size() == m_imageRect.size())
            m_plain = m_scaled.convertToFormat(eFormat);
        else if (source.size() == m_imageRect.size())
            m_plain = source.convertToFormat(eFormat);
        else
            m_plain =
                source.scaled(m_imageRect.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                    .convertToFormat(eFormat);
    }
    m_still = QImage(m_area.size(), eFormat);
    m_still.fill(kAreaGrey);
    if (!m_plain.isNull())
    {
        QPainter painter(&m_still);
        painter.drawImage(m_imageRect.topLeft(), m_plain);
        painter.fillRect(m_imageRect, kVeil);
    }
    m_bitmap = m_still.copy();
}

namespace
{

// The outline (x .. x + w, y .. y + h) and the handles, which lie within 5 pixels of it.
QRegion OutlineRing(const QRect& crop)
{
    if (crop.isEmpty())
        return QRegion();
    const int z = CQVCropGeometry::kZoneSize;
    QRegion ring(crop.x(), crop.y(), crop.width() + 1, crop.height() + 1);
    if (crop.width() > 2 * z && crop.height() > 2 * z)
        ring -= QRegion(crop.x() + z, crop.y() + z, crop.width() - 2 * z + 1,
                        crop.height() - 2 * z + 1);
    return ring;
}

} // namespace

QRegion CQVCropImageArea::Compose(const QRect& visibleCrop, bool bEnabled)
{
    if (m_bitmap.isNull())
        return QRegion();
    const QRect crop = visibleCrop.isEmpty() ? QRect() : visibleCrop.translated(-m_area.topLeft());
    // What differs from the last composition: where the crop's inside came or went, and both
    // outlines (the colour may have changed too).
    const QRegion changed = (m_bAllStale ? QRegion(m_bitmap.rect())
                                         : (QRegion(m_lastCrop) ^ QRegion(crop)) |
                                               OutlineRing(m_lastCrop) | OutlineRing(crop)) &
                            QRegion(m_bitmap.rect());
    if (!changed.isEmpty())
    {
        QPainter painter(&m_bitmap);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setClipRegion(changed);
        const QRect bounds = changed.boundingRect();
        painter.drawImage(bounds.topLeft(), m_still, bounds);
        if (!crop.isEmpty())
        {
            // The frame shows unveiled inside the crop.
            const QRect inside = crop.intersected(m_imageRect).intersected(bounds);
            if (!m_plain.isNull() && !inside.isEmpty())
                painter.drawImage(inside.topLeft(), m_plain,
                                  inside.translated(-m_imageRect.topLeft()));
            const QColor color = bEnabled ? kOutline : kOutlineGrey;
            painter.setPen(QPen(color, 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(crop);
            for (const QRect& handle : CQVCropGeometry::HandleRects(crop))
                painter.fillRect(handle, color);
        }
    }
    m_lastCrop = crop;
    m_bAllStale = false;
    return changed;
}

} // namespace qv
