#include "ui/CQVSlider.h"

#include "ui/CQVControlPainter.h"
#include "ui/CQVTheme.h"

#include <QLinearGradient>
#include <QPainter>
#include <cmath>

namespace qv
{

CQVButton* CQVSlider::CreateFromSkin(const QVSkinAttributes& attributes)
{
    (void)attributes;
    return new CQVSlider();
}

void CQVSlider::SetRange(double dMin, double dMax, bool bRedraw)
{
    if (StoreRange(dMin, dMax) && bRedraw && m_bVisible)
        Draw();
}

void CQVSlider::SetPos(double dPos, bool bRedraw)
{
    StorePos(dPos);
    if (bRedraw && m_bVisible)
        Draw();
}

int CQVSlider::ThumbLeft() const
{
    const double dRange = m_dMax - m_dMin;
    const double dFraction = dRange != 0 ? (m_dPos - m_dMin) / dRange : 0.0;
    return m_nX + 2 + static_cast<int>(dFraction * (m_nWidth - 4 - m_nThumbWidth));
}

QRect CQVSlider::ThumbRect() const
{
    return QRect(ThumbLeft(), m_nY, m_nThumbWidth, m_nHeight);
}

double CQVSlider::PositionAt(int px, int nOffset) const
{
    const int nTravel = m_nWidth - 1 - 4 - m_nThumbWidth;
    if (nTravel <= 0)
        return m_dMin;
    const double dPixels = std::max(0, px - nOffset - m_nX - 1);
    return Clamp(m_dMin + (m_dMax - m_dMin) * dPixels / nTravel);
}

void CQVSlider::Post(int nFinal)
{
    if (m_pOwner)
        m_pOwner->PostMessage(kMsgSliderPos, reinterpret_cast<uintptr_t>(this), nFinal);
}

bool CQVSlider::StepTo(double dPos, int nReport)
{
    dPos = Clamp(dPos);
    if (std::fabs(dPos - m_dPos) < kEpsilon)
        return false;
    m_dPos = dPos;
    if (m_bVisible)
        Draw();
    if (nReport >= 0)
        Post(nReport);
    return true;
}

bool CQVSlider::Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt)
{
    if (!m_bEnabled || !m_bVisible)
        return false;
    const bool bCaptured = pOwner && CQVPlatformWindow::GetCapture() == pOwner;
    switch (nCode)
    {
    case kMsgLButtonDown:
    case kMsgLButtonDblClk:
    {
        if (!HitTest(pt) || (CQVPlatformWindow::GetCapture() && !bCaptured))
            return false;
        const int nThumb = ThumbLeft();
        TakeFocus();
        if (pt.x() >= nThumb && pt.x() < nThumb + m_nThumbWidth)
        {
            m_nDragOffset = pt.x() - nThumb;
            m_bDragging = true;
            m_bFinalPending = true;
            if (pOwner)
                pOwner->SetCapture();
            return true;
        }
        m_dPos = PositionAt(pt.x(), 0);
        if (m_bVisible)
            Draw();
        Post(0);
        return false;
    }
    case kMsgMouseMove:
    {
        if (m_bDragging && bCaptured)
        {
            const double dPos = PositionAt(pt.x(), m_nDragOffset);
            if (std::fabs(dPos - m_dPos) < kEpsilon)
                return false;
            m_dPos = dPos;
            if (m_bReportDragging)
                Post(1);
            return true;
        }
        const bool bHover = HitTest(pt) && ThumbRect().contains(pt);
        if (bHover == m_bThumbHover)
            return false;
        m_bThumbHover = bHover;
        return true;
    }
    case kMsgLButtonUp:
    case kMsgRButtonUp:
    {
        if (!m_bDragging)
            return false;
        m_bDragging = false;
        if (m_bFinalPending)
        {
            m_bFinalPending = false;
            Post(0);
        }
        if (bCaptured)
            CQVPlatformWindow::ReleaseCapture();
        return true;
    }
    case kMsgMouseLeave:
    {
        if (!m_bThumbHover || m_bDragging)
            return false;
        m_bThumbHover = false;
        return true;
    }
    default:
        return false;
    }
}

bool CQVSlider::Key(const tagQVInputMessage& msg)
{
    if (msg.nMessage != kMsgKeyDown || !m_bFocused || !m_bEnabled || !m_bVisible || m_nWidth <= 0)
        return false;
    const double dStep = (m_dMax - m_dMin) / m_nWidth;
    if (msg.nVirtualKey == kVkRight)
        StepTo(m_dPos + dStep, 0);
    else if (msg.nVirtualKey == kVkLeft)
        StepTo(m_dPos - dStep, 0);
    else
        return false;
    return true;
}

bool CQVSlider::Wheel(const tagQVInputMessage& msg)
{
    if (msg.nMessage == kMsgMouseWheel && m_bFocused && m_bEnabled && m_bVisible &&
        msg.nWheelDelta != 0)
    {
        const double dStep = (m_dMax - m_dMin) / 100.0;
        StepTo(msg.nWheelDelta < 0 ? m_dPos + dStep : m_dPos - dStep, 0);
    }
    return true;
}

void CQVSlider::DrawText(QPainter* pGraphics, const QRect& rc)
{
    if (rc.width() <= 0 || rc.height() <= 0)
        return;
    const tagQVThemeColors& colors = CQVTheme::Colors();
    const int nAlpha = m_bEnabled ? 255 : 110;
    const QRect thumb = ThumbRect();
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing);

    // Groove, filled up to the thumb's centre.
    const double dGroove = 4;
    const QRectF groove(rc.x() + 2, rc.y() + (rc.height() - dGroove) / 2, rc.width() - 4, dGroove);
    pGraphics->setPen(Qt::NoPen);
    pGraphics->setBrush(CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, -22), nAlpha));
    pGraphics->drawRoundedRect(groove, 2, 2);
    const QRectF filled(groove.left(), groove.top(),
                        std::max(0.0, thumb.center().x() + 0.5 - groove.left()), dGroove);
    pGraphics->setBrush(m_bEnabled ? CQVControlPainter::Accent(220)
                                   : CQVTheme::ToQColor(colors.clrDlgEdge, 90));
    pGraphics->drawRoundedRect(filled, 2, 2);

    // Thumb.
    const QRectF face = QRectF(thumb).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool bActive = m_bDragging || m_bThumbHover;
    QLinearGradient gradient(face.topLeft(), face.bottomLeft());
    const uint32_t clrTop = CQVTheme::Shift(colors.clrDlgEdge, bActive ? 50 : 25);
    gradient.setColorAt(0, CQVTheme::ToQColor(clrTop, nAlpha));
    gradient.setColorAt(1, CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgEdge, -25), nAlpha));
    pGraphics->setBrush(gradient);
    pGraphics->setPen(QPen((m_bFocused || m_bDragging) && m_bEnabled
                               ? CQVControlPainter::Accent()
                               : CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, -30), nAlpha),
                           1.0));
    pGraphics->drawRoundedRect(face, 3, 3);
    pGraphics->restore();
}

} // namespace qv
