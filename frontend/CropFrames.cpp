#include "frontend/CropFrames.h"

#include "platform/ProgramFolder.h"

#include <QPainter>
#include <QString>
#include <cmath>

namespace qv
{

namespace
{

const double kLongestFirstTime = 5.0;

} // namespace

double FirstFrameTime(double dDuration)
{
    if (!(dDuration > 0) || std::isinf(dDuration))
        return 0;
    return std::min(dDuration / 2, kLongestFirstTime);
}

std::string FrameFolder(const std::string& tempFolder)
{
    return (tempFolder.empty() ? ProgramPath("tmp/") : tempFolder) + "tlframe/";
}

std::string FrameImagePath(const std::string& tempFolder, double dSeconds)
{
    // Qt's formatting ignores the user's locale: the name always has a decimal point.
    return FrameFolder(tempFolder) + QString::asprintf("%3.1lf.jpg", dSeconds).toStdString();
}

QImage LoadFrameImage(const std::string& path, int nSourceWidth, int nSourceHeight)
{
    if (nSourceWidth <= 0 || nSourceHeight <= 0)
        return QImage();
    const QString file = QString::fromStdString(path);
    QImage loaded;
    if (!path.empty())
        loaded.load(file);
    if (!loaded.isNull() && loaded.width() == nSourceWidth && loaded.height() == nSourceHeight)
        return loaded.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    QImage image(nSourceWidth, nSourceHeight, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::black);
    if (!loaded.isNull())
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(image.rect(), loaded);
    }
    // Saved over the file, so that a slider that comes back to this time finds it ready.
    if (!path.empty())
        image.save(file, "JPEG");
    return image;
}

} // namespace qv
