#include "ui/CQVRadio.h"

#include "ui/CQVControlPainter.h"

#include <QPainter>

namespace qv
{

CQVButton* CQVRadio::CreateFromSkin(const QVSkinAttributes& attributes)
{
    (void)attributes;
    return new CQVRadio();
}

void CQVRadio::Clicked(QPoint pt)
{
    (void)pt;
    if (m_bChecked)
    {
        ShowToolTip(false);
        return;
    }
    m_bChecked = true;
    PostNotification();
}

void CQVRadio::DrawText(QPainter* pGraphics, const QRect& rc)
{
    if (rc.width() <= 0 || rc.height() <= 0)
        return;
    if (!m_pImage)
        CQVControlPainter::DrawRadioBox(pGraphics, BoxRect(rc), m_bChecked,
                                        m_bEnabled && m_nState != kStateNormal, m_bEnabled);
    DrawLabel(pGraphics, rc);
}

} // namespace qv
