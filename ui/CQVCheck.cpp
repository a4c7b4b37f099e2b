#include "ui/CQVCheck.h"

#include "ui/CQVControlPainter.h"
#include "ui/CQVSkinFonts.h"
#include "ui/CQVTheme.h"

#include <QPainter>

namespace qv
{

CQVButton* CQVCheck::CreateFromSkin(const QVSkinAttributes& attributes)
{
    (void)attributes;
    return new CQVCheck();
}

void CQVCheck::SetCheck(bool bChecked, bool bRedraw)
{
    m_bChecked = bChecked;
    if (bRedraw && m_bVisible)
        Draw();
}

bool CQVCheck::Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt)
{
    return CQVButton::Mouse(pOwner, nCode == kMsgLButtonDblClk ? kMsgLButtonDown : nCode, pt);
}

bool CQVCheck::Key(const tagQVInputMessage& msg)
{
    if (!CQVButton::Key(msg))
        return false;
    if (m_bVisible)
        Draw();
    return true;
}

void CQVCheck::PostNotification()
{
    ShowToolTip(false);
    if (m_pOwner)
        m_pOwner->PostMessage(kMsgCommand, static_cast<uintptr_t>(m_nId & 0xFFFF), 0);
}

void CQVCheck::Clicked(QPoint pt)
{
    (void)pt;
    m_bChecked = !m_bChecked;
    PostNotification();
}

QRectF CQVCheck::BoxRect(const QRect& rc) const
{
    const int nBox = std::min(kBoxSize, std::min(rc.width(), rc.height()));
    return QRectF(rc.x() + 1, rc.y() + (rc.height() - nBox) / 2, nBox, nBox);
}

void CQVCheck::DrawLabel(QPainter* pGraphics, const QRect& rc)
{
    if (m_strText.isEmpty())
        return;
    const tagQVFontRecord* pRecord = CQVSkinFonts::Find(m_nFontId);
    if (!pRecord)
        return;
    const bool bHover = m_bEnabled && m_nState != kStateNormal;
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::TextAntialiasing);
    pGraphics->setFont(CQVSkinFonts::MakeFont(*pRecord));
    pGraphics->setPen(CQVControlPainter::TextColour(m_bEnabled, bHover));
    const QRect text(rc.x() + kBoxSize + 8, rc.y(), rc.width() - kBoxSize - 8, rc.height());
    pGraphics->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, m_strText);
    if (m_bFocused && m_bEnabled)
    {
        // The focus shows as a thin line under the text, so that Tab can be followed.
        const int nWidth =
            std::min(QFontMetrics(pGraphics->font()).horizontalAdvance(m_strText), text.width());
        pGraphics->fillRect(
            QRect(text.x(), rc.y() + rc.height() / 2 + pRecord->nSize / 2 + 2, nWidth, 1),
            CQVControlPainter::Accent(160));
    }
    pGraphics->restore();
}

void CQVCheck::DrawText(QPainter* pGraphics, const QRect& rc)
{
    if (rc.width() <= 0 || rc.height() <= 0)
        return;
    // A skin strip, when there is one, is the face; otherwise the box is drawn.
    if (!m_pImage)
        CQVControlPainter::DrawCheckBox(pGraphics, BoxRect(rc), m_bChecked,
                                        m_bEnabled && m_nState != kStateNormal, m_bEnabled);
    DrawLabel(pGraphics, rc);
}

} // namespace qv
