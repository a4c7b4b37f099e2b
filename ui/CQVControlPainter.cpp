#include "ui/CQVControlPainter.h"

#include "ui/CQVTheme.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace qv
{

namespace
{

// What a check box and a radio box share: the painter saved and antialiased, and the box
// inset by half a pixel so that its 1-pixel edge is sharp.
QRectF BeginBox(QPainter* pGraphics, const QRectF& rcBox)
{
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing);
    return rcBox.adjusted(0.5, 0.5, -0.5, -0.5);
}

// An unmarked box's face (a soft gradient of the dialog colour) and its edge.
QLinearGradient BoxFace(const QRectF& box, int nAlpha)
{
    const uint32_t clrBack = CQVTheme::Colors().clrDlgBK;
    QLinearGradient face(box.topLeft(), box.bottomLeft());
    face.setColorAt(0, CQVTheme::ToQColor(CQVTheme::Shift(clrBack, -12), nAlpha));
    face.setColorAt(1, CQVTheme::ToQColor(CQVTheme::Shift(clrBack, 4), nAlpha));
    return face;
}

QColor BoxEdge(bool bHover, int nAlpha)
{
    const uint32_t clrEdge = CQVTheme::Colors().clrDlgEdge;
    return CQVTheme::ToQColor(bHover ? CQVTheme::Shift(clrEdge, 40) : clrEdge, nAlpha);
}

} // namespace

QColor CQVControlPainter::Mix(uint32_t clrA, uint32_t clrB, double t, int nAlpha)
{
    t = std::max(0.0, std::min(1.0, t));
    auto channel = [t](int a, int b) { return static_cast<int>(a + (b - a) * t + 0.5); };
    return QColor(channel(QVGetRValue(clrA), QVGetRValue(clrB)),
                  channel(QVGetGValue(clrA), QVGetGValue(clrB)),
                  channel(QVGetBValue(clrA), QVGetBValue(clrB)), nAlpha);
}

QColor CQVControlPainter::Accent(int nAlpha)
{
    return CQVTheme::ToQColor(CQVTheme::Colors().clrText2, nAlpha);
}

QColor CQVControlPainter::TextColour(bool bEnabled, bool bHover)
{
    const tagQVThemeColors& colors = CQVTheme::Colors();
    if (!bEnabled)
        return CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, 30));
    return CQVTheme::ToQColor(bHover ? CQVTheme::Shift(colors.clrText, 40) : colors.clrText);
}

void CQVControlPainter::DrawCheckBox(QPainter* pGraphics, const QRectF& rcBox, bool bChecked,
                                     bool bHover, bool bEnabled)
{
    const QRectF box = BeginBox(pGraphics, rcBox);
    const int nAlpha = bEnabled ? 255 : 110;
    if (bChecked)
    {
        QColor fill = Accent(nAlpha);
        if (bHover)
            fill = fill.lighter(115);
        pGraphics->setPen(QPen(fill.darker(125), 1.0));
        pGraphics->setBrush(fill);
        pGraphics->drawRoundedRect(box, 3, 3);
        // The tick: dark on the accent reads on light and dark themes alike.
        QPainterPath tick;
        tick.moveTo(box.left() + box.width() * 0.24, box.top() + box.height() * 0.52);
        tick.lineTo(box.left() + box.width() * 0.43, box.top() + box.height() * 0.72);
        tick.lineTo(box.left() + box.width() * 0.78, box.top() + box.height() * 0.30);
        pGraphics->setPen(
            QPen(CQVTheme::ToQColor(CQVTheme::Shift(CQVTheme::Colors().clrDlgBK, -20), nAlpha),
                 std::max(1.6, box.width() / 7.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        pGraphics->setBrush(Qt::NoBrush);
        pGraphics->drawPath(tick);
    }
    else
    {
        pGraphics->setPen(QPen(BoxEdge(bHover, nAlpha), 1.0));
        pGraphics->setBrush(BoxFace(box, nAlpha));
        pGraphics->drawRoundedRect(box, 3, 3);
    }
    pGraphics->restore();
}

void CQVControlPainter::DrawRadioBox(QPainter* pGraphics, const QRectF& rcBox, bool bChecked,
                                     bool bHover, bool bEnabled)
{
    const QRectF box = BeginBox(pGraphics, rcBox);
    const int nAlpha = bEnabled ? 255 : 110;
    const QColor border = bChecked ? Accent(nAlpha) : BoxEdge(bHover, nAlpha);
    pGraphics->setPen(QPen(border, bChecked ? 1.5 : 1.0));
    pGraphics->setBrush(BoxFace(box, nAlpha));
    pGraphics->drawEllipse(box);
    if (bChecked)
    {
        const double r = box.width() * 0.26;
        QColor dot = Accent(nAlpha);
        if (bHover)
            dot = dot.lighter(115);
        pGraphics->setPen(Qt::NoPen);
        pGraphics->setBrush(dot);
        pGraphics->drawEllipse(box.center(), r, r);
    }
    pGraphics->restore();
}

void CQVControlPainter::DrawProgressBar(QPainter* pGraphics, const QRect& rc, double dPercent,
                                        const QString& strText, const QFont& font, bool bEnabled,
                                        const QColor& clrText)
{
    if (rc.width() <= 2 || rc.height() <= 2)
        return;
    const tagQVThemeColors& colors = CQVTheme::Colors();
    dPercent = std::max(0.0, std::min(100.0, dPercent));
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing);
    pGraphics->setRenderHint(QPainter::TextAntialiasing);
    const QRectF bar = QRectF(rc).adjusted(0.5, 0.5, -0.5, -0.5);
    const double dRadius = std::min(4.0, bar.height() / 2);
    const int nAlpha = bEnabled ? 255 : 120;

    // Groove.
    pGraphics->setPen(QPen(CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, -25), nAlpha), 1.0));
    pGraphics->setBrush(CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, -12), nAlpha));
    pGraphics->drawRoundedRect(bar, dRadius, dRadius);

    // Fill, clipped to the groove's shape so that a short fill keeps the rounded start.
    if (dPercent > 0)
    {
        QPainterPath groove;
        groove.addRoundedRect(bar, dRadius, dRadius);
        pGraphics->save();
        pGraphics->setClipPath(groove, Qt::IntersectClip);
        const QRectF fill(bar.left(), bar.top(), bar.width() * dPercent / 100.0, bar.height());
        const QColor accent = Accent(nAlpha);
        QLinearGradient gradient(fill.topLeft(), fill.bottomLeft());
        gradient.setColorAt(0, accent.lighter(125));
        gradient.setColorAt(0.5, accent);
        gradient.setColorAt(1, accent.darker(120));
        pGraphics->setPen(Qt::NoPen);
        pGraphics->setBrush(gradient);
        pGraphics->drawRect(fill);
        pGraphics->restore();
    }

    if (!strText.isEmpty())
    {
        // Dark text over the fill and light text over the groove, so that both halves of a
        // text that straddles the fill's end read well.
        pGraphics->setFont(font);
        const double dFillRight = bar.left() + bar.width() * dPercent / 100.0;
        const QRectF over(bar.left(), bar.top() - 1, dFillRight - bar.left(), bar.height() + 2);
        const QRectF beyond(dFillRight, bar.top() - 1, bar.right() - dFillRight + 1,
                            bar.height() + 2);
        pGraphics->save();
        pGraphics->setClipRect(beyond, Qt::IntersectClip);
        pGraphics->setPen(bEnabled && clrText.isValid() ? clrText : TextColour(bEnabled));
        pGraphics->drawText(bar, Qt::AlignCenter, strText);
        pGraphics->restore();
        if (dPercent > 0)
        {
            pGraphics->save();
            pGraphics->setClipRect(over, Qt::IntersectClip);
            pGraphics->setPen(
                CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, -25), bEnabled ? 255 : 140));
            pGraphics->drawText(bar, Qt::AlignCenter, strText);
            pGraphics->restore();
        }
    }
    pGraphics->restore();
}

void CQVControlPainter::DrawArrow(QPainter* pGraphics, const QRectF& rc, EDirection eDirection,
                                  const QColor& colour)
{
    const double s = std::min(rc.width(), rc.height()) * 0.32;
    const QPointF c = rc.center();
    QPolygonF triangle;
    switch (eDirection)
    {
    case kUp:
        triangle << QPointF(c.x() - s, c.y() + s / 2) << QPointF(c.x() + s, c.y() + s / 2)
                 << QPointF(c.x(), c.y() - s / 2);
        break;
    case kDown:
        triangle << QPointF(c.x() - s, c.y() - s / 2) << QPointF(c.x() + s, c.y() - s / 2)
                 << QPointF(c.x(), c.y() + s / 2);
        break;
    case kLeft:
        triangle << QPointF(c.x() + s / 2, c.y() - s) << QPointF(c.x() + s / 2, c.y() + s)
                 << QPointF(c.x() - s / 2, c.y());
        break;
    case kRight:
        triangle << QPointF(c.x() - s / 2, c.y() - s) << QPointF(c.x() - s / 2, c.y() + s)
                 << QPointF(c.x() + s / 2, c.y());
        break;
    }
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing);
    pGraphics->setPen(Qt::NoPen);
    pGraphics->setBrush(colour);
    pGraphics->drawPolygon(triangle);
    pGraphics->restore();
}

} // namespace qv
