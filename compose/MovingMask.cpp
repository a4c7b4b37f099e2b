#include "compose/MovingMask.h"

#include "compose/ItemTiming.h"
#include "media/CQVItemRuntime.h"
#include "platform/ProgramFolder.h"
#include "project/LineTypes.h"
#include "project/MediaTypes.h"

#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qv
{

namespace
{

// A prepared mask larger than this is refused: no frame needs it, and a broken size must
// not take the memory of the process.
constexpr int64_t kMaxMaskPixels = int64_t(1) << 26;
constexpr int kMaxMaskSide = 1 << 16;
// Placements beyond this many pixels from the frame are not drawn; they keep the integer
// geometry of the painter far from its limits.
constexpr double kMaxPlacement = double(1 << 24);

// Names the frame size a prepared mask was made for, so that a picture item drawn at
// another size gets a new one.
const char* const kPreparedSizeKey = "QVMaskFrameSize";

QString SizeKey(int nWidth, int nHeight)
{
    return QString::number(nWidth) + "x" + QString::number(nHeight);
}

QImage ReadImage(const std::string& path)
{
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(false);
    return reader.read();
}

QImage DrawScaled(const QImage& source, int nWidth, int nHeight)
{
    QImage target(nWidth, nHeight, QImage::Format_ARGB32);
    if (target.isNull())
        return target;
    target.fill(Qt::transparent);
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRect(0, 0, nWidth, nHeight), source);
    painter.end();
    return target;
}

// The mask prepared for a W × H frame, kept in the item; null when it cannot be made.
const QImage* PreparedMask(tagQVMediaData& item, int nFrameWidth, int nFrameHeight,
                           const std::string& maskFolder)
{
    CQVItemRuntime& runtime = ItemRuntime(item);
    const QString key = SizeKey(nFrameWidth, nFrameHeight);
    if (runtime.maskImage.isNull() || runtime.maskImage.text(kPreparedSizeKey) != key)
    {
        runtime.maskImage = PrepareMask(*item.pMask, nFrameWidth, nFrameHeight, maskFolder);
        if (runtime.maskImage.isNull())
            return nullptr;
        runtime.maskImage.setText(kPreparedSizeKey, key);
    }
    return &runtime.maskImage;
}

// Draws the mask over the target at the placement, clipped to the target. bBottomUp: the
// target's rows are stored bottom row first while the placement is upright.
bool DrawPlaced(QImage* pTarget, const QImage& mask, const tagQVMaskPlacement& place,
                bool bBottomUp)
{
    if (place.nWidth <= 0 || place.nHeight <= 0 || !(place.dOpacity > 0.0))
        return false;
    const QRectF target(place.x, place.y, place.nWidth, place.nHeight);
    const QRectF visible = target.intersected(QRectF(0, 0, pTarget->width(), pTarget->height()));
    if (visible.isEmpty())
        return false;
    // Only the visible part is handed to the painter, with the matching part of the mask.
    const double sx = mask.width() / target.width();
    const double sy = mask.height() / target.height();
    const QRectF source((visible.left() - target.left()) * sx, (visible.top() - target.top()) * sy,
                        visible.width() * sx, visible.height() * sy);

    QPainter painter(pTarget);
    if (bBottomUp)
    {
        painter.translate(0, pTarget->height());
        painter.scale(1, -1);
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                          place.nWidth != mask.width() || place.nHeight != mask.height());
    painter.setOpacity(std::min(place.dOpacity, 1.0));
    painter.drawImage(visible, mask, source);
    return true;
}

int DrawOnTarget(tagQVMediaData& item, QImage* pTarget, bool bBottomUp, double dEnd, double dTime,
                 const std::string& maskFolder)
{
    double dProgress = 0.0;
    if (!MaskProgress(*item.pMask, item.dEditorStartTime, dEnd, dTime, &dProgress))
        return 0;
    const QImage* pMask = PreparedMask(item, pTarget->width(), pTarget->height(), maskFolder);
    if (pMask == nullptr)
        return 0;
    tagQVMaskPlacement place;
    if (!PlaceMask(*item.pMask, pTarget->width(), pTarget->height(), pMask->width(),
                   pMask->height(), dProgress, &place))
        return 0;
    return DrawPlaced(pTarget, *pMask, place, bBottomUp) ? 1 : 0;
}

} // namespace

std::string DefaultMaskFolder()
{
    return ProgramPath("skin/mask/");
}

QImage PrepareMask(const tagQVMaskData& mask, int nFrameWidth, int nFrameHeight,
                   const std::string& maskFolder)
{
    if (nFrameWidth < 1 || nFrameHeight < 1)
        return QImage();
    const QImage picture =
        ReadImage(maskFolder + std::to_string(mask.MasknImageMaskIndex) + ".png");
    if (picture.isNull() || picture.width() < 1 || picture.height() < 1)
        return QImage();
    const int64_t mw = picture.width();
    const int64_t mh = picture.height();
    int64_t nWidth = nFrameWidth;
    int64_t nHeight = nFrameHeight;
    if (mask.MaskbStretchToFill == 0)
    {
        if (mask.MasknType == 1 || mask.MasknType == 3)
            nHeight = mh * nFrameWidth / mw;
        else
            nWidth = mw * nFrameHeight / mh;
    }
    if (nWidth < 1 || nHeight < 1 || nWidth > kMaxMaskSide || nHeight > kMaxMaskSide ||
        nWidth * nHeight > kMaxMaskPixels)
        return QImage();

    QImage prepared = DrawScaled(picture, int(nWidth), int(nHeight));
    if (prepared.isNull() || mask.MaskbFillWithColor == 0)
        return prepared;

    QImage filled;
    if (!mask.MaskszImageFill.empty() && PathExists(mask.MaskszImageFill))
    {
        const QImage fill = ReadImage(mask.MaskszImageFill);
        if (!fill.isNull())
            filled = DrawScaled(fill, int(nWidth), int(nHeight));
    }
    if (filled.isNull())
    {
        filled = QImage(int(nWidth), int(nHeight), QImage::Format_ARGB32);
        if (filled.isNull())
            return QImage();
        // A Windows colour value: red in the low byte.
        const uint32_t clr = uint32_t(mask.MaskclrFill);
        filled.fill(QColor(int(clr & 0xFF), int(clr >> 8 & 0xFF), int(clr >> 16 & 0xFF), 255));
    }
    for (int y = 0; y < filled.height(); ++y)
    {
        uint8_t* pRow = filled.scanLine(y);
        const uint8_t* pShape = prepared.constScanLine(y);
        for (int x = 0; x < filled.width(); ++x)
            pRow[x * 4 + 3] = std::min(pRow[x * 4 + 3], pShape[x * 4 + 3]);
    }
    return filled;
}

bool MaskProgress(const tagQVMaskData& mask, double dStart, double dEnd, double dTime,
                  double* pProgress)
{
    if (!(dStart <= dTime && dTime <= dEnd))
        return false;
    const double e = dTime - dStart;
    double p;
    if (mask.MaskbFillMovementTimeDur == 0)
    {
        const double dDuration = mask.MaskdMovementTimeDur;
        if (!(dDuration > 0.0) || e >= dDuration)
            return false;
        p = e / dDuration;
    }
    else
    {
        // A loop count below 0 would give no period or a negative one: one movement then.
        const double dMovements = std::max(double(mask.MasknMovementLoop) + 1.0, 1.0);
        const double dPeriod = (dEnd - dStart) / dMovements;
        if (!(dPeriod > 0.0))
            p = 0.0;
        else
        {
            const double q = e / dPeriod;
            p = q - std::floor(q);
        }
    }
    if (!std::isfinite(p))
        return false;
    *pProgress = p;
    return true;
}

bool PlaceMask(const tagQVMaskData& mask, int nFrameWidth, int nFrameHeight, int nMaskWidth,
               int nMaskHeight, double dProgress, tagQVMaskPlacement* pPlacement)
{
    const double W = nFrameWidth;
    const double H = nFrameHeight;
    const double p = dProgress;
    const double scale = mask.MaskdSizeScale;
    double w = nMaskWidth;
    double h = nMaskHeight;
    if (mask.MasknType >= 0 && mask.MasknType <= 4)
    {
        w *= scale;
        h *= scale;
    }
    const double fade = p <= 0.5 ? 1.0 - 2.0 * p : 2.0 * p - 1.0;
    double x, y, f;
    switch (mask.MasknType)
    {
    case 0:
        x = p * (W + w) * p - w;
        y = (H - h) / 2.0;
        f = 0.0;
        break;
    case 1:
        x = (W - w) / 2.0;
        y = p * (H + h) * p - h;
        f = 0.0;
        break;
    case 2:
        x = (W + w) * (1.0 - p) * (1.0 - p) - w;
        y = (H - h) / 2.0;
        f = 0.0;
        break;
    case 3:
        x = (W - w) / 2.0;
        y = (H + h) * (1.0 - p) * (1.0 - p) - h;
        f = 0.0;
        break;
    case 4:
    case 5:
    case 6:
        if (mask.MasknType == 5)
        {
            w = w * scale * 2.0 * p;
            h = h * scale * 2.0 * p;
        }
        else if (mask.MasknType == 6)
        {
            w = w * scale * 2.0 * (1.0 - p);
            h = h * scale * 2.0 * (1.0 - p);
        }
        x = (W - w) / 2.0;
        y = (H - h) / 2.0;
        f = fade;
        break;
    default:
        return false;
    }
    for (double v : {x, y, w, h})
        if (!std::isfinite(v) || std::abs(v) > kMaxPlacement)
            return false;
    pPlacement->x = int32_t(x);
    pPlacement->y = int32_t(y);
    pPlacement->nWidth = int32_t(w);
    pPlacement->nHeight = int32_t(h);
    pPlacement->dOpacity = 1.0 - f;
    return true;
}

int DrawMovingMask(const tagQVDibHeader& header, tagQVMediaData& item, uint8_t* pPixels,
                   double dTime)
{
    return DrawMovingMask(header, item, pPixels, dTime, DefaultMaskFolder());
}

int DrawMovingMask(const tagQVDibHeader& header, tagQVMediaData& item, uint8_t* pPixels,
                   double dTime, const std::string& maskFolder)
{
    if (!item.pMask || pPixels == nullptr || header.biBitCount != 32)
        return 0;
    if (item.eMediaTypeLine == kLineMainVideo && item.eMediaType != kMediaVideo)
        return 0;
    const int64_t nWidth = std::abs(int64_t(header.biWidth));
    const int64_t nHeight = std::abs(int64_t(header.biHeight));
    if (nWidth < 1 || nHeight < 1 || nWidth > INT32_MAX / 4 || nHeight > INT32_MAX)
        return 0;
    // The frame as a picture without alpha: the mask blends over its colours.
    QImage frame(pPixels, int(nWidth), int(nHeight), qsizetype(nWidth) * 4, QImage::Format_RGB32);
    if (frame.isNull())
        return 0;
    const double dEnd = item.dEditorEndTime + SnapshotHoldTotal(item);
    return DrawOnTarget(item, &frame, header.biHeight > 0, dEnd, dTime, maskFolder);
}

int DrawMovingMaskOnImage(tagQVMediaData& item, QImage* pImage, double dTime,
                          const std::string& maskFolder)
{
    if (!item.pMask || pImage == nullptr || pImage->isNull())
        return 0;
    return DrawOnTarget(item, pImage, false, item.dEditorEndTime, dTime, maskFolder);
}

} // namespace qv
