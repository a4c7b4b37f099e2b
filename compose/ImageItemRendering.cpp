#include "compose/ImageItemRendering.h"

#include "compose/FrameImage.h"
#include "compose/IQVItemEffects.h"
#include "compose/ImageTransforms.h"
#include "compose/StretchDib.h"
#include "media/CQVItemRuntime.h"
#include "platform/ProgramFolder.h"

#include <QImageReader>
#include <QPainter>

namespace qv
{

namespace
{

bool IsArgb32(const QImage& image)
{
    return image.format() == QImage::Format_ARGB32 ||
           image.format() == QImage::Format_ARGB32_Premultiplied;
}

void WriteTransparentImage(const tagQVCompositionContext& context, const CQVItemRuntime& runtime,
                           const QImage& upright)
{
    if (context.tmpFolder.empty())
        return;
    const std::string folder = context.tmpFolder + "frameimage/";
    if (!MakeFolders(folder))
        return;
    upright.save(QString::fromStdString(folder + std::to_string(runtime.Identity()) + "_tmp.png"),
                 "PNG");
}

} // namespace

int RenderImageItemFrame(tagQVCompositionContext& context, double dTime, tagQVMediaData& item,
                         uint8_t* pFrame, int nWidth, int nHeight)
{
    if (pFrame == nullptr || FrameBytes(nWidth, nHeight) == 0)
        return 0;
    CQVItemRuntime& runtime = ItemRuntime(item);
    if (!runtime.imageCache.isNull())
    {
        // A moving mask changes the picture every frame.
        if (!item.pMask)
            return 1;
        runtime.imageCache = QImage();
    }

    QImageReader reader(QString::fromStdString(item.source));
    // The picture is shown as stored; orientation tags are not applied.
    reader.setAutoTransform(false);
    QImage image = reader.read();
    if (image.isNull())
        return 0;
    const bool bTransparent = IsArgb32(image);
    if (item.pRotation && item.pRotation->enablerotation != 0)
        RotateFlipImage(&image, item.pRotation->rotationflip, item.pRotation->rotationreverse,
                        item.pRotation->rotationangle);

    tagQVRect rect{0, 0, nWidth, nHeight};
    if (item.eImageFillMode == 0)
        FitRect(&rect, image.width(), image.height(), nWidth, nHeight);
    const int nTargetWidth = rect.right - rect.left;
    const int nTargetHeight = rect.bottom - rect.top;
    if (nTargetWidth <= 0 || nTargetHeight <= 0)
        return 0;

    QImage drawn(nTargetWidth, nTargetHeight, QImage::Format_ARGB32);
    if (drawn.isNull())
        return 0;
    drawn.fill(Qt::transparent);
    {
        QPainter painter(&drawn);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(0, 0, nTargetWidth, nTargetHeight), image);
    }
    if (item.pMask && context.pEffects != nullptr)
        context.pEffects->DrawMaskOnImage(item, &drawn, dTime);
    if (bTransparent)
        WriteTransparentImage(context, runtime, drawn);

    // The frame stores the bottom row first.
    const QImage flipped = drawn.mirrored(false, true);
    const tagQVDibHeader frame{nWidth, nHeight, 32};
    const tagQVDibHeader picture{nTargetWidth, nTargetHeight, 32};
    ClearFrame(pFrame, nWidth, nHeight);
    StretchDib(frame, pFrame, rect.left, rect.top, nTargetWidth, nTargetHeight, picture,
               flipped.constBits(), 0, 0, nTargetWidth, nTargetHeight);
    if (item.pColorAdjustment && context.pEffects != nullptr)
        context.pEffects->ApplyColorEffects(item, pFrame, nWidth, nHeight);

    runtime.imageCache = flipped;
    runtime.bTransparent = bTransparent;
    return 1;
}

} // namespace qv
