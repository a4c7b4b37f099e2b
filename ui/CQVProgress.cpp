#include "ui/CQVProgress.h"

#include "ui/CQVControlPainter.h"
#include "ui/CQVSkinFonts.h"

#include <QPainter>
#include <cmath>
#include <cstdlib>

namespace qv
{

CQVButton* CQVProgress::CreateFromSkin(const QVSkinAttributes& attributes)
{
    auto* pProgress = new CQVProgress();
    auto real = [&](const char* szName, double dDefault)
    {
        auto found = attributes.find(szName);
        if (found == attributes.end())
            return dDefault;
        const double dValue = std::atof(found->second.c_str());
        return std::isfinite(dValue) ? dValue : dDefault;
    };
    pProgress->SetRange(real("minpos", 0), real("maxpos", 100));
    pProgress->SetPos(real("curpos", 0));
    return pProgress;
}

void CQVProgress::SetRange(double dMin, double dMax, bool bRedraw)
{
    if (StoreRange(dMin, dMax) && bRedraw && m_bVisible)
        Draw();
}

void CQVProgress::SetPos(double dPos, bool bRedraw)
{
    StorePos(dPos);
    if (bRedraw && m_bVisible)
        Draw();
}

double CQVProgress::GetPercent() const
{
    const double dRange = m_dMax - m_dMin;
    if (dRange == 0)
        return 0;
    return std::max(0.0, std::min(100.0, (m_dPos - m_dMin) * 100.0 / dRange));
}

bool CQVProgress::Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt)
{
    (void)pOwner, (void)nCode, (void)pt;
    return false;
}

void CQVProgress::DrawText(QPainter* pGraphics, const QRect& rc)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    if (const tagQVFontRecord* pRecord = CQVSkinFonts::Find(m_nFontId))
        font = CQVSkinFonts::MakeFont(*pRecord);
    CQVControlPainter::DrawProgressBar(pGraphics, rc, GetPercent(), m_strText, font, m_bEnabled);
}

} // namespace qv
