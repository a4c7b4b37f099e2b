#include "ui/CQVWindow.h"

#include "platform/CQVMessageWindow.h"
#include "ui/CQVControlPainter.h"
#include "ui/CQVTheme.h"

#include <QPainter>
#include <algorithm>
#include <memory>

namespace qv
{

// The one window that runs the repeat timers of every scrolling control of the process.
class CQVScrollTimerHost : public CQVMessageWindow
{
public:
    static CQVWindow* s_pScrolling; // the control whose action the timers serve

protected:
    void OnTimer(unsigned nId) override
    {
        if (s_pScrolling)
            s_pScrolling->OnScrollTimer(nId);
        else
            KillTimer(nId);
    }
};

CQVWindow* CQVScrollTimerHost::s_pScrolling = nullptr;

namespace
{

// Made on the first scroll action, freed with the last scrolling control.
std::unique_ptr<CQVScrollTimerHost> g_pTimerHost;
int g_nLiveWindows = 0;

CQVScrollTimerHost& TimerHost()
{
    if (!g_pTimerHost)
        g_pTimerHost = std::make_unique<CQVScrollTimerHost>();
    return *g_pTimerHost;
}

unsigned TimerOfAction(int nAction)
{
    switch (nAction)
    {
    case CQVWindow::kScrollUp:
        return CQVWindow::kTimerUpArrow;
    case CQVWindow::kScrollDown:
        return CQVWindow::kTimerDownArrow;
    case CQVWindow::kScrollVTrack:
        return CQVWindow::kTimerVTrack;
    case CQVWindow::kScrollLeft:
        return CQVWindow::kTimerLeftArrow;
    case CQVWindow::kScrollRight:
        return CQVWindow::kTimerRightArrow;
    case CQVWindow::kScrollHTrack:
        return CQVWindow::kTimerHTrack;
    default:
        return 0;
    }
}

// Thumb length and travel along a track of nTrack pixels.
void ThumbMetrics(int nTrack, int nMax, int nPage, int* pLength, int* pTravel)
{
    int nLength = nTrack;
    if (nMax > 0 && nTrack > 0)
    {
        const long long nTotal = static_cast<long long>(nMax) + std::max(nPage, 0);
        nLength = static_cast<int>(static_cast<long long>(nTrack) * std::max(nPage, 0) /
                                   std::max<long long>(nTotal, 1));
        nLength = std::max(std::min(CQVWindow::kMinThumb, nTrack), std::min(nLength, nTrack));
    }
    *pLength = std::max(nLength, 0);
    *pTravel = std::max(nTrack - *pLength, 0);
}

} // namespace

CQVWindow::CQVWindow()
{
    ++g_nLiveWindows;
}

CQVWindow::~CQVWindow()
{
    EndScrollAction();
    if (--g_nLiveWindows == 0)
        g_pTimerHost.reset();
}

void CQVWindow::Destroy()
{
    EndScrollAction();
    CQVButton::Destroy();
}

CQVWindow* CQVWindow::GetScrollingWindow()
{
    return CQVScrollTimerHost::s_pScrolling;
}

bool CQVWindow::IsScrollTimerRunning(unsigned nId)
{
    return g_pTimerHost && g_pTimerHost->HasTimer(nId);
}

// --- scroll state

void CQVWindow::SetVScrollRange(int nMax, int nPage)
{
    m_nVMax = std::max(nMax, 0);
    m_nVPage = std::max(nPage, 0);
    if (m_nVPos > m_nVMax)
    {
        m_nVPos = m_nVMax;
        OnScrolled();
    }
}

void CQVWindow::SetHScrollRange(int nMax, int nPage)
{
    m_nHMax = std::max(nMax, 0);
    m_nHPage = std::max(nPage, 0);
    if (m_nHPos > m_nHMax)
    {
        m_nHPos = m_nHMax;
        OnScrolled();
    }
}

bool CQVWindow::SetVScrollPos(int nPos, bool bRedraw)
{
    nPos = std::max(0, std::min(nPos, m_nVMax));
    if (nPos == m_nVPos)
        return false;
    m_nVPos = nPos;
    OnScrolled();
    if (bRedraw && m_bVisible)
        Draw();
    return true;
}

bool CQVWindow::SetHScrollPos(int nPos, bool bRedraw)
{
    nPos = std::max(0, std::min(nPos, m_nHMax));
    if (nPos == m_nHPos)
        return false;
    m_nHPos = nPos;
    OnScrolled();
    if (bRedraw && m_bVisible)
        Draw();
    return true;
}

// --- geometry

QRect CQVWindow::ScrollFrame() const
{
    return QRect(m_nX + 1, m_nY + 1, std::max(m_nWidth - 2, 0), std::max(m_nHeight - 2, 0));
}

QRect CQVWindow::GetViewRect() const
{
    QRect rc = ScrollFrame();
    if (HasVScrollBar())
        rc.setWidth(std::max(rc.width() - kBarSize, 0));
    if (HasHScrollBar())
        rc.setHeight(std::max(rc.height() - kBarSize, 0));
    return rc;
}

QRect CQVWindow::GetPartRect(EPart ePart) const
{
    const QRect frame = ScrollFrame();
    const bool bV = HasVScrollBar(), bH = HasHScrollBar();
    if (ePart >= kPartUpArrow && ePart <= kPartVThumb)
    {
        if (!bV)
            return QRect();
        const QRect bar(frame.right() - kBarSize + 1, frame.top(), kBarSize,
                        frame.height() - (bH ? kBarSize : 0));
        const int nArrow = std::min(kBarSize, bar.height() / 2);
        const QRect track(bar.left(), bar.top() + nArrow, kBarSize, bar.height() - 2 * nArrow);
        int nLength = 0, nTravel = 0;
        ThumbMetrics(track.height(), m_nVMax, m_nVPage, &nLength, &nTravel);
        const int nThumbTop = track.top() + static_cast<int>(static_cast<long long>(nTravel) *
                                                             m_nVPos / std::max(m_nVMax, 1));
        switch (ePart)
        {
        case kPartUpArrow:
            return QRect(bar.left(), bar.top(), kBarSize, nArrow);
        case kPartDownArrow:
            return QRect(bar.left(), bar.bottom() - nArrow + 1, kBarSize, nArrow);
        case kPartTrackAbove:
            return QRect(track.left(), track.top(), kBarSize, nThumbTop - track.top());
        case kPartTrackBelow:
            return QRect(track.left(), nThumbTop + nLength, kBarSize,
                         track.bottom() + 1 - (nThumbTop + nLength));
        default:
            return nLength > 0 ? QRect(track.left(), nThumbTop, kBarSize, nLength) : QRect();
        }
    }
    if (ePart >= kPartLeftArrow && ePart <= kPartHThumb)
    {
        if (!bH)
            return QRect();
        const QRect bar(frame.left(), frame.bottom() - kBarSize + 1,
                        frame.width() - (bV ? kBarSize : 0), kBarSize);
        const int nArrow = std::min(kBarSize, bar.width() / 2);
        const QRect track(bar.left() + nArrow, bar.top(), bar.width() - 2 * nArrow, kBarSize);
        int nLength = 0, nTravel = 0;
        ThumbMetrics(track.width(), m_nHMax, m_nHPage, &nLength, &nTravel);
        const int nThumbLeft = track.left() + static_cast<int>(static_cast<long long>(nTravel) *
                                                               m_nHPos / std::max(m_nHMax, 1));
        switch (ePart)
        {
        case kPartLeftArrow:
            return QRect(bar.left(), bar.top(), nArrow, kBarSize);
        case kPartRightArrow:
            return QRect(bar.right() - nArrow + 1, bar.top(), nArrow, kBarSize);
        case kPartTrackLeft:
            return QRect(track.left(), track.top(), nThumbLeft - track.left(), kBarSize);
        case kPartTrackRight:
            return QRect(nThumbLeft + nLength, track.top(),
                         track.right() + 1 - (nThumbLeft + nLength), kBarSize);
        default:
            return nLength > 0 ? QRect(nThumbLeft, track.top(), nLength, kBarSize) : QRect();
        }
    }
    return QRect();
}

CQVWindow::EPart CQVWindow::PartAt(QPoint pt) const
{
    static const EPart parts[] = {kPartUpArrow,    kPartDownArrow, kPartVThumb,     kPartTrackAbove,
                                  kPartTrackBelow, kPartLeftArrow, kPartRightArrow, kPartHThumb,
                                  kPartTrackLeft,  kPartTrackRight};
    for (EPart ePart : parts)
        if (GetPartRect(ePart).contains(pt))
            return ePart;
    return kPartNone;
}

// --- actions

void CQVWindow::BeginAction(int nAction)
{
    CQVWindow* pOther = CQVScrollTimerHost::s_pScrolling;
    if (pOther && pOther != this)
        pOther->EndScrollAction();
    EndScrollAction();
    CQVScrollTimerHost::s_pScrolling = this;
    m_nScrollAction = nAction;
    if (nAction == kScrollVThumb || nAction == kScrollHThumb)
    {
        if (m_pOwner)
            m_pOwner->SetCapture();
        return;
    }
    StepAction();
    TimerHost().SetTimer(TimerOfAction(nAction),
                         (nAction == kScrollVTrack || nAction == kScrollHTrack) ? kTrackRepeatMs
                                                                                : kArrowRepeatMs);
}

void CQVWindow::EndScrollAction()
{
    const int nAction = m_nScrollAction;
    m_nScrollAction = kScrollNone;
    if (const unsigned nTimer = TimerOfAction(nAction); nTimer && g_pTimerHost)
        g_pTimerHost->KillTimer(nTimer);
    if ((nAction == kScrollVThumb || nAction == kScrollHThumb) && IsCaptured())
        CQVPlatformWindow::ReleaseCapture();
    if (CQVScrollTimerHost::s_pScrolling == this)
        CQVScrollTimerHost::s_pScrolling = nullptr;
}

bool CQVWindow::StepAction()
{
    switch (m_nScrollAction)
    {
    case kScrollUp:
        return SetVScrollPos(m_nVPos - 1, false);
    case kScrollDown:
        return SetVScrollPos(m_nVPos + 1, false);
    case kScrollLeft:
        return SetHScrollPos(m_nHPos - 1, false);
    case kScrollRight:
        return SetHScrollPos(m_nHPos + 1, false);
    case kScrollVTrack:
    {
        // Page steps stop once the thumb has reached the pointer.
        const EPart ePart = PartAt(m_ptLastMouse);
        if (ePart == kPartTrackAbove)
            return SetVScrollPos(m_nVPos - std::max(m_nVPage, 1), false);
        if (ePart == kPartTrackBelow)
            return SetVScrollPos(m_nVPos + std::max(m_nVPage, 1), false);
        return false;
    }
    case kScrollHTrack:
    {
        const EPart ePart = PartAt(m_ptLastMouse);
        if (ePart == kPartTrackLeft)
            return SetHScrollPos(m_nHPos - std::max(m_nHPage, 1), false);
        if (ePart == kPartTrackRight)
            return SetHScrollPos(m_nHPos + std::max(m_nHPage, 1), false);
        return false;
    }
    default:
        return false;
    }
}

void CQVWindow::OnScrollTimer(unsigned nId)
{
    if (TimerOfAction(m_nScrollAction) != nId)
    {
        if (g_pTimerHost)
            g_pTimerHost->KillTimer(nId);
        return;
    }
    if (StepAction() && m_bVisible)
        Draw();
}

void CQVWindow::DragThumb(QPoint pt)
{
    if (m_nScrollAction == kScrollVThumb)
    {
        const QRect up = GetPartRect(kPartUpArrow), down = GetPartRect(kPartDownArrow);
        int nLength = 0, nTravel = 0;
        ThumbMetrics(down.top() - up.bottom() - 1, m_nVMax, m_nVPage, &nLength, &nTravel);
        if (nTravel <= 0)
            return;
        const long long nDelta = static_cast<long long>(pt.y() - m_ptDragStart.y()) * m_nVMax;
        SetVScrollPos(m_nDragStartPos + static_cast<int>(nDelta / nTravel), false);
    }
    else if (m_nScrollAction == kScrollHThumb)
    {
        const QRect left = GetPartRect(kPartLeftArrow), right = GetPartRect(kPartRightArrow);
        int nLength = 0, nTravel = 0;
        ThumbMetrics(right.left() - left.right() - 1, m_nHMax, m_nHPage, &nLength, &nTravel);
        if (nTravel <= 0)
            return;
        const long long nDelta = static_cast<long long>(pt.x() - m_ptDragStart.x()) * m_nHMax;
        SetHScrollPos(m_nDragStartPos + static_cast<int>(nDelta / nTravel), false);
    }
}

bool CQVWindow::HandleScrollMouse(unsigned nCode, QPoint pt, bool* pChanged)
{
    m_ptLastMouse = pt;
    const bool bDragging = m_nScrollAction == kScrollVThumb || m_nScrollAction == kScrollHThumb;
    switch (nCode)
    {
    case kMsgMouseMove:
    {
        if (bDragging)
        {
            const int nV = m_nVPos, nH = m_nHPos;
            DragThumb(pt);
            *pChanged = nV != m_nVPos || nH != m_nHPos;
            return true;
        }
        const EPart eHover = HitTest(pt) ? PartAt(pt) : kPartNone;
        if (eHover != m_eHoverPart)
        {
            m_eHoverPart = eHover;
            *pChanged = true;
        }
        return eHover != kPartNone;
    }
    case kMsgLButtonDown:
    case kMsgLButtonDblClk:
    {
        if (!HitTest(pt))
            return false;
        const EPart ePart = PartAt(pt);
        if (ePart == kPartNone)
            return false;
        TakeFocus();
        switch (ePart)
        {
        case kPartUpArrow:
            BeginAction(kScrollUp);
            break;
        case kPartDownArrow:
            BeginAction(kScrollDown);
            break;
        case kPartTrackAbove:
        case kPartTrackBelow:
            BeginAction(kScrollVTrack);
            break;
        case kPartLeftArrow:
            BeginAction(kScrollLeft);
            break;
        case kPartRightArrow:
            BeginAction(kScrollRight);
            break;
        case kPartTrackLeft:
        case kPartTrackRight:
            BeginAction(kScrollHTrack);
            break;
        case kPartVThumb:
            m_ptDragStart = pt;
            m_nDragStartPos = m_nVPos;
            BeginAction(kScrollVThumb);
            break;
        case kPartHThumb:
            m_ptDragStart = pt;
            m_nDragStartPos = m_nHPos;
            BeginAction(kScrollHThumb);
            break;
        default:
            break;
        }
        *pChanged = true;
        return true;
    }
    case kMsgLButtonUp:
        if (m_nScrollAction == kScrollNone)
            return false;
        EndScrollAction();
        *pChanged = true;
        return true;
    case kMsgRButtonDown:
    case kMsgRButtonUp:
        return HitTest(pt) && PartAt(pt) != kPartNone;
    case kMsgMouseLeave:
        if (m_nScrollAction != kScrollNone && !bDragging)
        {
            EndScrollAction();
            *pChanged = true;
        }
        if (m_eHoverPart != kPartNone)
        {
            m_eHoverPart = kPartNone;
            *pChanged = true;
        }
        return false;
    default:
        return false;
    }
}

bool CQVWindow::Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt)
{
    (void)pOwner;
    if (!m_bEnabled || !m_bVisible)
        return false;
    bool bChanged = false;
    HandleScrollMouse(nCode, pt, &bChanged);
    return bChanged;
}

bool CQVWindow::Wheel(const tagQVInputMessage& msg)
{
    if (msg.nMessage != kMsgMouseWheel || !m_bEnabled || !m_bVisible || !HasVScrollBar())
        return false;
    const long long nPixels = static_cast<long long>(msg.nWheelDelta) * m_nWheelStep / kWheelNotch;
    SetVScrollPos(m_nVPos - static_cast<int>(nPixels), true);
    return true;
}

void CQVWindow::Move(int x, int y, int nWidth, int nHeight, bool bRedraw)
{
    const bool bSame = x == m_nX && y == m_nY && nWidth == m_nWidth && nHeight == m_nHeight;
    CQVButton::Move(x, y, nWidth, nHeight, bRedraw);
    if (!bSame)
        RecalcLayout();
}

void CQVWindow::Show(bool bShow, bool bRedraw)
{
    if (!bShow)
        EndScrollAction();
    CQVButton::Show(bShow, bRedraw);
}

// --- drawing

void CQVWindow::DrawFrame(QPainter* pGraphics, const QRect& rc)
{
    const tagQVThemeColors& colors = CQVTheme::Colors();
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing);
    pGraphics->setPen(QPen(CQVTheme::ToQColor(colors.clrDlgEdge, m_bFocused ? 170 : 110), 1.0));
    pGraphics->setBrush(CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, -10)));
    pGraphics->drawRoundedRect(QRectF(rc).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    pGraphics->restore();
}

void CQVWindow::DrawContent(QPainter* pGraphics, const QRect& rcView)
{
    (void)pGraphics, (void)rcView;
}

void CQVWindow::DrawBar(QPainter* pGraphics, bool bVertical)
{
    const tagQVThemeColors& colors = CQVTheme::Colors();
    const EPart eFirst = bVertical ? kPartUpArrow : kPartLeftArrow;
    const EPart eSecond = bVertical ? kPartDownArrow : kPartRightArrow;
    const EPart eThumb = bVertical ? kPartVThumb : kPartHThumb;
    const QRect rcFirst = GetPartRect(eFirst), rcSecond = GetPartRect(eSecond);
    const QRect bar = rcFirst.united(rcSecond);
    pGraphics->fillRect(bar, CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, -4)));

    const int nAction = m_nScrollAction;
    auto arrowColour = [&](EPart ePart, int nPressedAction)
    {
        if (nAction == nPressedAction)
            return CQVControlPainter::Accent();
        if (m_eHoverPart == ePart)
            return CQVTheme::ToQColor(colors.clrText);
        return CQVTheme::ToQColor(colors.clrDlgEdge);
    };
    CQVControlPainter::DrawArrow(pGraphics, rcFirst,
                                 bVertical ? CQVControlPainter::kUp : CQVControlPainter::kLeft,
                                 arrowColour(eFirst, bVertical ? kScrollUp : kScrollLeft));
    CQVControlPainter::DrawArrow(pGraphics, rcSecond,
                                 bVertical ? CQVControlPainter::kDown : CQVControlPainter::kRight,
                                 arrowColour(eSecond, bVertical ? kScrollDown : kScrollRight));

    const QRect rcThumb = GetPartRect(eThumb);
    if (rcThumb.isEmpty())
        return;
    double t = 0.45;
    if (nAction == (bVertical ? kScrollVThumb : kScrollHThumb))
        t = 0.85;
    else if (m_eHoverPart == eThumb)
        t = 0.7;
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing);
    pGraphics->setPen(Qt::NoPen);
    pGraphics->setBrush(CQVControlPainter::Mix(colors.clrDlgBK, colors.clrDlgEdge, t));
    const QRectF thumb = bVertical ? QRectF(rcThumb).adjusted(2.5, 0.5, -2.5, -0.5)
                                   : QRectF(rcThumb).adjusted(0.5, 2.5, -0.5, -2.5);
    pGraphics->drawRoundedRect(thumb, 3, 3);
    pGraphics->restore();
}

void CQVWindow::DrawText(QPainter* pGraphics, const QRect& rc)
{
    if (rc.width() <= 0 || rc.height() <= 0)
        return;
    DrawFrame(pGraphics, rc);
    const QRect view = GetViewRect();
    if (!view.isEmpty())
    {
        pGraphics->save();
        pGraphics->setClipRect(view, Qt::IntersectClip);
        DrawContent(pGraphics, view);
        pGraphics->restore();
    }
    if (HasVScrollBar())
        DrawBar(pGraphics, true);
    if (HasHScrollBar())
        DrawBar(pGraphics, false);
    if (HasVScrollBar() && HasHScrollBar())
    {
        const QRect frame = ScrollFrame();
        pGraphics->fillRect(
            QRect(frame.right() - kBarSize + 1, frame.bottom() - kBarSize + 1, kBarSize, kBarSize),
            CQVTheme::ToQColor(CQVTheme::Shift(CQVTheme::Colors().clrDlgBK, -4)));
    }
}

} // namespace qv
