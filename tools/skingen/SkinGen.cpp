// Draws the skin's button strips and flag images into a skin folder at build time:
//   vantrel_skingen <skin folder>
// Four-frame strips hold, left to right: normal, hover, pressed, disabled. Everything is
// drawn on whole or half pixels so that edges stay sharp at 1:1.
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <functional>

namespace
{

// The palette of the shipped graphite theme (skin/uicolors/UIColors.uic).
const QColor kGlyph(204, 209, 218);
const QColor kGlyphHover(255, 255, 255);
const QColor kAccent(255, 170, 70);
const QColor kAccentDark(224, 128, 30);
const QColor kDanger(226, 72, 72);
const QColor kDangerDark(180, 48, 48);
const QColor kFace(62, 67, 78);

enum EFrame
{
    kNormal,
    kHover,
    kPressed,
    kDisabled
};

using GlyphFn = std::function<void(QPainter&, const QRectF&, const QColor&)>;

QPen GlyphPen(const QColor& colour, double dWidth)
{
    QPen pen(colour, dWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QImage NewStrip(int nFrameWidth, int nHeight, int nFrames = 4)
{
    QImage image(nFrameWidth * nFrames, nHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Prepare(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

using FrameFn = std::function<void(QPainter&, int nFrame, const QRectF& cell)>;

// A strip of the four frames (normal, hover, pressed, disabled), each drawn into its cell.
QImage DrawStrip(int nFrameWidth, int nHeight, const FrameFn& draw)
{
    QImage image = NewStrip(nFrameWidth, nHeight);
    QPainter p(&image);
    Prepare(p);
    for (int f = 0; f < 4; ++f)
        draw(p, f, QRectF(f * nFrameWidth, 0, nFrameWidth, nHeight));
    return image;
}

bool Save(const QImage& image, const QString& folder, const QString& name)
{
    const QString path = folder + "/" + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG"))
    {
        std::fprintf(stderr, "vantrel_skingen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// --- glyphs, drawn into a square cell

void GlyphCross(QPainter& p, const QRectF& r, const QColor& c)
{
    const double m = r.width() * 0.30;
    p.setPen(GlyphPen(c, r.width() / 10.0 + 0.2));
    p.drawLine(QPointF(r.left() + m, r.top() + m), QPointF(r.right() - m, r.bottom() - m));
    p.drawLine(QPointF(r.right() - m, r.top() + m), QPointF(r.left() + m, r.bottom() - m));
}

void GlyphMinimise(QPainter& p, const QRectF& r, const QColor& c)
{
    const double y = std::floor(r.center().y() + r.height() * 0.18) + 0.5;
    p.setPen(GlyphPen(c, 1.6));
    p.drawLine(QPointF(r.left() + r.width() * 0.28, y), QPointF(r.right() - r.width() * 0.28, y));
}

void GlyphMaximise(QPainter& p, const QRectF& r, const QColor& c)
{
    const double m = std::floor(r.width() * 0.28);
    p.setPen(GlyphPen(c, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(r.left() + m + 0.5, r.top() + m + 0.5, r.width() - 2 * m - 1,
                      r.height() - 2 * m - 1));
}

void GlyphRestore(QPainter& p, const QRectF& r, const QColor& c)
{
    const double s = std::floor(r.width() * 0.38);
    const double x = r.left() + std::floor(r.width() * 0.25) + 0.5;
    const double y = r.top() + std::floor(r.height() * 0.33) + 0.5;
    p.setPen(GlyphPen(c, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(x, y, s, s));
    QPainterPath back;
    back.moveTo(x + 2, y - 2);
    back.lineTo(x + s + 2, y - 2);
    back.lineTo(x + s + 2, y + s - 2);
    p.drawPath(back);
}

void GlyphText(QPainter& p, const QRectF& r, const QColor& c, const QString& text, double dScale)
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(static_cast<int>(std::round(r.height() * dScale)));
    p.setFont(font);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

void GlyphHelp(QPainter& p, const QRectF& r, const QColor& c)
{
    p.setPen(GlyphPen(c, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(r.adjusted(2.6, 2.6, -2.6, -2.6));
    GlyphText(p, r.adjusted(0, 0.5, 0, 0.5), c, QStringLiteral("?"), 0.58);
}

void GlyphMenu(QPainter& p, const QRectF& r, const QColor& c)
{
    p.setPen(GlyphPen(c, 2.0));
    const double x0 = r.left() + std::round(r.width() * 0.26);
    const double x1 = r.right() - std::round(r.width() * 0.26);
    const double cy = std::floor(r.center().y());
    for (int i = -1; i <= 1; ++i)
        p.drawLine(QPointF(x0, cy + i * 5), QPointF(x1, cy + i * 5));
}

void GlyphPlus(QPainter& p, const QRectF& r, const QColor& c, double dWidth)
{
    const double m = r.width() * 0.3;
    const QPointF centre = r.center();
    p.setPen(GlyphPen(c, dWidth));
    p.drawLine(QPointF(r.left() + m, centre.y()), QPointF(r.right() - m, centre.y()));
    p.drawLine(QPointF(centre.x(), r.top() + m), QPointF(centre.x(), r.bottom() - m));
}

void GlyphRemove(QPainter& p, const QRectF& r, const QColor& c)
{
    // A sheet with a minus.
    const QRectF sheet(r.left() + 8.5, r.top() + 6.5, r.width() - 17, r.height() - 13);
    p.setPen(GlyphPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(sheet, 2, 2);
    p.drawLine(QPointF(sheet.left() + 3.5, sheet.center().y()),
               QPointF(sheet.right() - 3.5, sheet.center().y()));
}

void GlyphTrash(QPainter& p, const QRectF& r, const QColor& c)
{
    p.setPen(GlyphPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    const double l = r.left(), t = r.top();
    p.drawLine(QPointF(l + 8, t + 9.5), QPointF(l + 22, t + 9.5));
    p.drawLine(QPointF(l + 12.5, t + 9.5), QPointF(l + 13.5, t + 7));
    p.drawLine(QPointF(l + 13.5, t + 7), QPointF(l + 16.5, t + 7));
    p.drawLine(QPointF(l + 16.5, t + 7), QPointF(l + 17.5, t + 9.5));
    QPainterPath can;
    can.moveTo(l + 10, t + 12);
    can.lineTo(l + 11, t + 23);
    can.lineTo(l + 19, t + 23);
    can.lineTo(l + 20, t + 12);
    p.drawPath(can);
    p.drawLine(QPointF(l + 13.5, t + 14), QPointF(l + 13.5, t + 20.5));
    p.drawLine(QPointF(l + 16.5, t + 14), QPointF(l + 16.5, t + 20.5));
}

void GlyphArrow(QPainter& p, const QRectF& r, const QColor& c, bool bUp)
{
    p.setPen(GlyphPen(c, 2.0));
    const double cx = r.left() + std::floor(r.width() / 2);
    const double top = r.top() + 8, bottom = r.bottom() - 8;
    const double tip = bUp ? top : bottom;
    const double dir = bUp ? 1 : -1;
    p.drawLine(QPointF(cx, top), QPointF(cx, bottom));
    p.drawLine(QPointF(cx, tip), QPointF(cx - 5.5, tip + dir * 5.5));
    p.drawLine(QPointF(cx, tip), QPointF(cx + 5.5, tip + dir * 5.5));
}

void GlyphCrop(QPainter& p, const QRectF& r, const QColor& c)
{
    p.setPen(GlyphPen(c, 1.8));
    const double l = r.left(), t = r.top();
    QPainterPath a;
    a.moveTo(l + 10, t + 6);
    a.lineTo(l + 10, t + 20);
    a.lineTo(l + 24, t + 20);
    QPainterPath b;
    b.moveTo(l + 6, t + 10);
    b.lineTo(l + 20, t + 10);
    b.lineTo(l + 20, t + 24);
    p.setBrush(Qt::NoBrush);
    p.drawPath(a);
    p.drawPath(b);
}

void GlyphPreview(QPainter& p, const QRectF& r, const QColor& c)
{
    // A screen with a play mark.
    const QRectF screen(r.left() + 6.5, r.top() + 8.5, r.width() - 13, r.height() - 17);
    p.setPen(GlyphPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(screen, 2, 2);
    QPainterPath play;
    const QPointF m = screen.center();
    play.moveTo(m.x() - 2.5, m.y() - 4);
    play.lineTo(m.x() + 4, m.y());
    play.lineTo(m.x() - 2.5, m.y() + 4);
    play.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(play);
}

void GlyphPlay(QPainter& p, const QRectF& r, const QColor& c)
{
    QPainterPath play;
    const QPointF m = r.center();
    const double s = r.width() * 0.2;
    play.moveTo(m.x() - s * 0.7, m.y() - s);
    play.lineTo(m.x() + s, m.y());
    play.lineTo(m.x() - s * 0.7, m.y() + s);
    play.closeSubpath();
    p.setPen(GlyphPen(c, 1.0));
    p.setBrush(c);
    p.drawPath(play);
}

void GlyphStop(QPainter& p, const QRectF& r, const QColor& c)
{
    const double s = std::round(r.width() * 0.3);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(r.center().x() - s / 2, r.center().y() - s / 2, s, s), 1.5, 1.5);
}

void GlyphGear(QPainter& p, const QRectF& r, const QColor& c)
{
    const QPointF m = r.center();
    const double outer = r.width() * 0.42, inner = r.width() * 0.30;
    QPainterPath gear;
    const int nTeeth = 8;
    for (int i = 0; i < nTeeth * 2; ++i)
    {
        const double a0 = (i - 0.5) * M_PI / nTeeth, a1 = (i + 0.5) * M_PI / nTeeth;
        const double rad = (i % 2 == 0) ? outer : inner;
        const QPointF p0(m.x() + rad * std::cos(a0), m.y() + rad * std::sin(a0));
        const QPointF p1(m.x() + rad * std::cos(a1), m.y() + rad * std::sin(a1));
        if (i == 0)
            gear.moveTo(p0);
        else
            gear.lineTo(p0);
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    gear.addEllipse(m, r.width() * 0.13, r.width() * 0.13);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(gear);
}

void GlyphRender(QPainter& p, const QRectF& r, const QColor& c)
{
    // A film frame with an arrow out of it.
    p.setPen(GlyphPen(c, 1.7));
    p.setBrush(Qt::NoBrush);
    const QRectF film(r.left() + 2.5, r.top() + 4.5, r.width() * 0.62, r.height() - 9);
    p.drawRoundedRect(film, 2, 2);
    for (int i = 0; i < 3; ++i)
    {
        const double y = film.top() + 3 + i * (film.height() - 6) / 2;
        p.drawPoint(QPointF(film.left() + 3, y));
        p.drawPoint(QPointF(film.right() - 3, y));
    }
    const double y = std::floor(r.center().y()) + 0.5;
    p.drawLine(QPointF(film.center().x(), y), QPointF(r.right() - 2, y));
    p.drawLine(QPointF(r.right() - 2, y), QPointF(r.right() - 6, y - 4));
    p.drawLine(QPointF(r.right() - 2, y), QPointF(r.right() - 6, y + 4));
}

// --- strips

// Small caption buttons: a glyph with a round plate behind it on hover and press.
QImage CaptionStrip(int nSize, const GlyphFn& glyph, bool bDanger)
{
    auto draw = [&](QPainter& p, int f, const QRectF& cell)
    {
        QColor colour = kGlyph;
        if (f == kHover || f == kPressed)
        {
            QColor plate = bDanger ? (f == kHover ? kDanger : kDangerDark)
                                   : QColor(255, 255, 255, f == kHover ? 40 : 24);
            p.setPen(Qt::NoPen);
            p.setBrush(plate);
            p.drawEllipse(cell.adjusted(0.5, 0.5, -0.5, -0.5));
            colour = (bDanger || f == kHover) ? kGlyphHover : kAccent;
        }
        else if (f == kDisabled)
        {
            colour.setAlpha(90);
        }
        glyph(p, cell, colour);
    };
    return DrawStrip(nSize, nSize, draw);
}

// Tool buttons: a rounded plate on hover and press, the glyph lit or in the accent colour.
QImage ToolStrip(int nSize, const GlyphFn& glyph)
{
    auto draw = [&](QPainter& p, int f, const QRectF& cell)
    {
        QColor colour = kGlyph;
        if (f == kHover || f == kPressed)
        {
            p.setPen(QPen(QColor(255, 255, 255, f == kHover ? 60 : 30), 1.0));
            p.setBrush(QColor(255, 255, 255, f == kHover ? 26 : 14));
            p.drawRoundedRect(cell.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
            colour = f == kHover ? kGlyphHover : kAccent;
        }
        else if (f == kDisabled)
        {
            colour.setAlpha(80);
        }
        glyph(p, f == kPressed ? cell.translated(0, 1) : cell, colour);
    };
    return DrawStrip(nSize, nSize, draw);
}

// The add button: an accent disc with a plus.
QImage AddStrip(int nSize)
{
    auto draw = [&](QPainter& p, int f, const QRectF& cell)
    {
        QColor top = kAccent.lighter(f == kHover ? 112 : 100);
        QColor bottom = kAccentDark.lighter(f == kHover ? 112 : 100);
        if (f == kPressed)
            std::swap(top, bottom);
        if (f == kDisabled)
            top = bottom = QColor(90, 96, 108);
        QLinearGradient fill(cell.topLeft(), cell.bottomLeft());
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        p.setPen(QPen(QColor(0, 0, 0, 60), 1.0));
        p.setBrush(fill);
        p.drawEllipse(cell.adjusted(2.5, 2.5, -2.5, -2.5));
        GlyphPlus(p, cell.adjusted(2, 2, -2, -2),
                  f == kDisabled ? QColor(170, 175, 185) : QColor(40, 28, 16), 3.2);
    };
    return DrawStrip(nSize, nSize, draw);
}

// Wide labelled buttons: a face with an icon and a caption.
QImage LabelStrip(int nWidth, int nHeight, const QString& label, const GlyphFn& glyph, QColor face,
                  QColor faceDark, QColor text)
{
    auto draw = [&](QPainter& p, int f, const QRectF& cell)
    {
        QColor top = face.lighter(f == kHover ? 115 : 100);
        QColor bottom = faceDark.lighter(f == kHover ? 115 : 100);
        QColor ink = text;
        QColor edge = QColor(255, 255, 255, f == kHover ? 70 : 36);
        if (f == kPressed)
            std::swap(top, bottom);
        if (f == kDisabled)
        {
            top = bottom = QColor(58, 62, 72);
            ink = QColor(120, 126, 138);
            edge = QColor(255, 255, 255, 20);
        }
        QLinearGradient fill(cell.topLeft(), cell.bottomLeft());
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        p.setPen(QPen(edge, 1.0));
        p.setBrush(fill);
        const QRectF body = cell.adjusted(0.5, 0.5, -0.5, -0.5);
        p.drawRoundedRect(body, 6, 6);
        const double shift = f == kPressed ? 1 : 0;
        const double iconSize = nHeight - 16;
        QFont font(QStringLiteral("Arial"));
        font.setBold(true);
        font.setPixelSize(14);
        const double textWidth = QFontMetricsF(font).horizontalAdvance(label);
        const double total = iconSize + 8 + textWidth;
        const double x0 = std::round(cell.left() + (nWidth - total) / 2);
        glyph(p, QRectF(x0, 8 + shift, iconSize, iconSize), ink);
        p.setFont(font);
        p.setPen(ink);
        p.drawText(QRectF(x0 + iconSize + 8, shift, textWidth + 2, nHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, label);
    };
    return DrawStrip(nWidth, nHeight, draw);
}

QImage WaitingImage(int nSize)
{
    QImage image = NewStrip(nSize, nSize, 1);
    QPainter p(&image);
    Prepare(p);
    const QPointF m(nSize / 2.0, nSize / 2.0);
    const int nDots = 12;
    for (int i = 0; i < nDots; ++i)
    {
        const double a = i * 2 * M_PI / nDots;
        const double radius = nSize * 0.36;
        QColor colour(255, 255, 255, 40 + 215 * i / (nDots - 1));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QPointF(m.x() + radius * std::cos(a), m.y() + radius * std::sin(a)),
                      nSize * 0.06, nSize * 0.06);
    }
    return image;
}

QImage ToolTipBackground()
{
    QImage image = NewStrip(16, 16, 1);
    QPainter p(&image);
    Prepare(p);
    p.setPen(QPen(QColor(104, 112, 128), 1.0));
    p.setBrush(QColor(30, 33, 40, 245));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 4, 4);
    return image;
}

// The program's icon, designed on a 26-pixel grid and scaled for the desktop's sizes.
QImage CaptionIcon(int nSize)
{
    QImage image = NewStrip(nSize, nSize, 1);
    QPainter p(&image);
    Prepare(p);
    p.scale(nSize / 26.0, nSize / 26.0);
    nSize = 26;
    QLinearGradient fill(0, 0, 0, nSize);
    fill.setColorAt(0, kAccent);
    fill.setColorAt(1, kAccentDark);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1, 1, nSize - 2, nSize - 2), 5, 5);
    GlyphCrop(p, QRectF(-2, -2, nSize + 2, nSize + 2), QColor(40, 28, 16));
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: vantrel_skingen <skin folder>\n");
        return 2;
    }
    // Fonts need a GUI application; no display is needed or wanted at build time.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);

    using namespace std::placeholders;
    struct
    {
        const char* szName;
        QImage image;
    } images[] = {
        {"btn/dia-close.png", CaptionStrip(16, GlyphCross, true)},
        {"btn/dia-min.png", CaptionStrip(16, GlyphMinimise, false)},
        {"btn/dia-max1.png", CaptionStrip(16, GlyphMaximise, false)},
        {"btn/dia-max.png", CaptionStrip(16, GlyphRestore, false)},
        {"btn/dia-help.png", CaptionStrip(16, GlyphHelp, false)},
        {"btn/menu.png", ToolStrip(25, GlyphMenu)},
        {"btn/add.png", AddStrip(40)},
        {"btn/op-remove.png", ToolStrip(30, GlyphRemove)},
        {"btn/op-removeall.png", ToolStrip(30, GlyphTrash)},
        {"btn/op-up.png", ToolStrip(30, std::bind(GlyphArrow, _1, _2, _3, true))},
        {"btn/op-down.png", ToolStrip(30, std::bind(GlyphArrow, _1, _2, _3, false))},
        {"btn/op-uploadcrop.png", ToolStrip(30, GlyphCrop)},
        {"btn/op-previewproject.png", ToolStrip(30, GlyphPreview)},
        {"btn/btnlyricplay.png", ToolStrip(30, GlyphPlay)},
        {"btn/btnstop.png", ToolStrip(30, GlyphStop)},
        {"btn/vsetting.png", LabelStrip(92, 40, QStringLiteral("Settings"), GlyphGear, kFace,
                                        QColor(48, 52, 61), kGlyph)},
        {"btn/main-convert.png", LabelStrip(126, 40, QStringLiteral("Render"), GlyphRender, kAccent,
                                            kAccentDark, QColor(40, 28, 16))},
        {"btn/main-convertstop.png", LabelStrip(126, 40, QStringLiteral("Stop"), GlyphStop, kDanger,
                                                kDangerDark, QColor(255, 255, 255))},
        {"btn/tooltip.png", ToolTipBackground()},
        {"flag/waiting.png", WaitingImage(64)},
        {"flag/icon.png", CaptionIcon(26)},
        {"icons/48.png", CaptionIcon(48)},
        {"icons/128.png", CaptionIcon(128)},
        {"icons/256.png", CaptionIcon(256)},
    };
    bool bOk = true;
    for (const auto& entry : images)
        bOk = Save(entry.image, folder, QString::fromLatin1(entry.szName)) && bOk;
    return bOk ? 0 : 1;
}
