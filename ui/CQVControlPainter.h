// Drawing shared by the toolkit's value controls and lists: check marks, radio dots, progress
// bars, arrows and the colour mixes they use, all taken from the theme colours.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <cstdint>

class QPainter;

namespace qv
{

class CQVControlPainter
{
public:
    enum EDirection
    {
        kUp,
        kDown,
        kLeft,
        kRight
    };

    // a blended towards b by t (0 .. 1).
    static QColor Mix(uint32_t clrA, uint32_t clrB, double t, int nAlpha = 255);
    // The accent of selections, checks and bars: the theme's second text colour.
    static QColor Accent(int nAlpha = 255);

    // A rounded square box; checked boxes are filled with the accent and carry a tick.
    static void DrawCheckBox(QPainter* pGraphics, const QRectF& rcBox, bool bChecked, bool bHover,
                             bool bEnabled);
    // A round box with a dot when checked.
    static void DrawRadioBox(QPainter* pGraphics, const QRectF& rcBox, bool bChecked, bool bHover,
                             bool bEnabled);
    // A rounded bar filled to dPercent (0 .. 100, clamped) with the text centred over it.
    // The text beyond the fill is in clrText when that is valid, else in the theme's text
    // colour.
    static void DrawProgressBar(QPainter* pGraphics, const QRect& rc, double dPercent,
                                const QString& strText, const QFont& font, bool bEnabled,
                                const QColor& clrText = QColor());
    // A small filled triangle pointing in the direction, centred in the rectangle.
    static void DrawArrow(QPainter* pGraphics, const QRectF& rc, EDirection eDirection,
                          const QColor& colour);
    // The text colour of a control in a state.
    static QColor TextColour(bool bEnabled, bool bHover = false);
};

} // namespace qv
