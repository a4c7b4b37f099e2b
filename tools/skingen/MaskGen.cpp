// Draws the moving-mask pictures into a skin folder at build time:
//   vantrel_maskgen <skin folder>
// writes mask/0.png .. mask/4.png. A mask is a shape on a transparent ground: drawn as it
// is over the video, or, when an item fills its mask, only its alpha counts. Edges are
// antialiased so that the shape stays smooth when it is scaled to the frame.
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cstdio>

namespace
{

constexpr int kSide = 256;

QImage NewMask()
{
    QImage image(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Prepare(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
}

// A soft white disc.
QImage Disc()
{
    QImage image = NewMask();
    QPainter painter(&image);
    Prepare(painter);
    QRadialGradient gradient(QPointF(kSide * 0.42, kSide * 0.38), kSide * 0.55);
    gradient.setColorAt(0.0, QColor(255, 255, 255));
    gradient.setColorAt(1.0, QColor(196, 206, 222));
    painter.setBrush(gradient);
    painter.drawEllipse(QRectF(8, 8, kSide - 16, kSide - 16));
    return image;
}

// A heart from two arcs and a point.
QImage Heart()
{
    QImage image = NewMask();
    QPainter painter(&image);
    Prepare(painter);
    QPainterPath path;
    const double s = kSide;
    path.moveTo(s * 0.5, s * 0.92);
    path.cubicTo(s * 0.10, s * 0.62, s * 0.02, s * 0.36, s * 0.14, s * 0.20);
    path.cubicTo(s * 0.26, s * 0.04, s * 0.46, s * 0.08, s * 0.5, s * 0.26);
    path.cubicTo(s * 0.54, s * 0.08, s * 0.74, s * 0.04, s * 0.86, s * 0.20);
    path.cubicTo(s * 0.98, s * 0.36, s * 0.90, s * 0.62, s * 0.5, s * 0.92);
    QLinearGradient gradient(0, 0, 0, s);
    gradient.setColorAt(0.0, QColor(255, 120, 150));
    gradient.setColorAt(1.0, QColor(200, 30, 70));
    painter.setBrush(gradient);
    painter.drawPath(path);
    return image;
}

// A five-pointed star.
QImage Star()
{
    QImage image = NewMask();
    QPainter painter(&image);
    Prepare(painter);
    QPainterPath path;
    const QPointF centre(kSide / 2.0, kSide * 0.53);
    for (int i = 0; i < 10; ++i)
    {
        const double radius = (i % 2 == 0 ? 0.48 : 0.2) * kSide;
        const double angle = qDegreesToRadians(-90.0 + i * 36.0);
        const QPointF point = centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    QLinearGradient gradient(0, 0, kSide, kSide);
    gradient.setColorAt(0.0, QColor(255, 226, 120));
    gradient.setColorAt(1.0, QColor(236, 160, 20));
    painter.setBrush(gradient);
    painter.drawPath(path);
    return image;
}

// A diamond.
QImage Diamond()
{
    QImage image = NewMask();
    QPainter painter(&image);
    Prepare(painter);
    QPainterPath path;
    path.moveTo(kSide * 0.5, 6);
    path.lineTo(kSide - 6, kSide * 0.5);
    path.lineTo(kSide * 0.5, kSide - 6);
    path.lineTo(6, kSide * 0.5);
    path.closeSubpath();
    QLinearGradient gradient(0, 0, kSide, 0);
    gradient.setColorAt(0.0, QColor(120, 200, 255));
    gradient.setColorAt(1.0, QColor(40, 110, 220));
    painter.setBrush(gradient);
    painter.drawPath(path);
    return image;
}

// A ring whose centre shows the video: a spotlight that moves over the picture.
QImage Ring()
{
    QImage image = NewMask();
    QPainter painter(&image);
    Prepare(painter);
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addEllipse(QRectF(6, 6, kSide - 12, kSide - 12));
    path.addEllipse(QRectF(kSide * 0.22, kSide * 0.22, kSide * 0.56, kSide * 0.56));
    painter.setBrush(QColor(24, 24, 28));
    painter.drawPath(path);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: vantrel_maskgen <skin folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]) + "/mask";
    if (!QDir().mkpath(folder))
    {
        std::fprintf(stderr, "vantrel_maskgen: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    const QImage masks[] = {Disc(), Heart(), Star(), Diamond(), Ring()};
    int nIndex = 0;
    for (const QImage& mask : masks)
    {
        const QString path = folder + "/" + QString::number(nIndex++) + ".png";
        // Stored straight (not premultiplied), as the masks are read back.
        if (!mask.convertToFormat(QImage::Format_ARGB32).save(path, "PNG"))
        {
            std::fprintf(stderr, "vantrel_maskgen: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
