#include "ui/CQVTextButton.h"

#include "ui/CQVSkinFonts.h"
#include "ui/CQVTheme.h"

#include <QLinearGradient>
#include <QPainter>

namespace qv
{

void CQVTextButton::Destroy()
{
    m_pIcon.reset();
    CQVButton::Destroy();
}

void CQVTextButton::SetIcon(const QImage& icon)
{
    if (icon.isNull())
        m_pIcon.reset();
    else
        m_pIcon =
            std::make_unique<QImage>(icon.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

void CQVTextButton::DrawText(QPainter* pGraphics, const QRect& rc)
{
    if (rc.width() <= 0 || rc.height() <= 0)
        return;
    const tagQVThemeColors& colors = CQVTheme::Colors();
    const uint32_t clrLow = colors.clrDlgBK;
    const uint32_t clrHigh = CQVTheme::Shift(colors.clrDlgBK, 30);
    const bool bHover = m_bEnabled && m_nState == kStateHover;
    const bool bPressed = m_bEnabled && m_nState == kStatePressed;
    const int nAlpha = m_bEnabled ? 255 : 100;

    uint32_t clrTop = clrHigh, clrBottom = clrLow;
    if (!m_bEnabled)
        clrTop = clrBottom = clrLow;
    else if (bPressed)
        std::swap(clrTop, clrBottom);

    // The focused button shows the same border as a hovered one, so that Tab can be followed.
    const uint32_t clrBorder =
        (bHover || (m_bFocused && m_bEnabled && !bPressed)) ? colors.clrText : colors.clrDlgEdge;

    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing);
    pGraphics->setRenderHint(QPainter::TextAntialiasing);
    pGraphics->setRenderHint(QPainter::SmoothPixmapTransform);

    QLinearGradient face(rc.x(), rc.y(), rc.x(), rc.y() + rc.height());
    face.setColorAt(0, CQVTheme::ToQColor(clrTop));
    face.setColorAt(1, CQVTheme::ToQColor(clrBottom));
    pGraphics->fillRect(rc, face);
    pGraphics->setPen(QPen(CQVTheme::ToQColor(clrBorder, nAlpha), 1.0));
    pGraphics->setBrush(Qt::NoBrush);
    pGraphics->drawRect(QRectF(rc.x() + 0.5, rc.y() + 0.5, rc.width() - 1, rc.height() - 1));

    if (m_pIcon)
    {
        pGraphics->setOpacity(m_bEnabled ? 1.0 : 0.5);
        if (m_pIcon->width() > rc.width() || m_pIcon->height() > rc.height())
            pGraphics->drawImage(rc.adjusted(1, 1, -1, -1), *m_pIcon);
        else
            pGraphics->drawImage(rc.x() + (rc.width() - m_pIcon->width()) / 2,
                                 rc.y() + (rc.height() - m_pIcon->height()) / 2, *m_pIcon);
        pGraphics->setOpacity(1.0);
    }

    const tagQVFontRecord* pRecord = CQVSkinFonts::Find(m_nFontId);
    if (!m_strText.isEmpty() && pRecord)
    {
        uint32_t clrText = m_bHighlighted ? colors.clrText2 : colors.clrText;
        if (!m_bEnabled)
            clrText = colors.clrDlgEdge;
        else if (bHover)
            clrText = CQVTheme::Shift(clrText, 40);
        pGraphics->setFont(CQVSkinFonts::MakeFont(*pRecord));
        pGraphics->setPen(CQVTheme::ToQColor(clrText, nAlpha));
        pGraphics->drawText(rc, Qt::AlignCenter, m_strText);
    }
    pGraphics->restore();
}

} // namespace qv
