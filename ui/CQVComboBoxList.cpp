#include "ui/CQVComboBoxList.h"

#include "ui/CQVControlPainter.h"
#include "ui/CQVTheme.h"

#include <QPainter>
#include <algorithm>

namespace qv
{

CQVComboBoxList::CQVComboBoxList()
{
    m_font = QFont(QStringLiteral("Arial"));
    m_font.setPixelSize(13);
    m_nWheelStep = 3 * kRowHeight;
}

void CQVComboBoxList::SetItems(const QStringList& items, int nCurrent)
{
    m_items = items;
    m_nHover = -1;
    m_nCurrent = (nCurrent >= 0 && nCurrent < m_items.size()) ? nCurrent : -1;
    RecalcLayout();
    SetCurrent(m_nCurrent, false);
}

void CQVComboBoxList::RecalcLayout()
{
    const QRect frame = ScrollFrame();
    const int nContent = ContentHeight(static_cast<int>(m_items.size()));
    SetVScrollRange(std::max(nContent - frame.height(), 0), frame.height());
    SetHScrollRange(0, 0);
}

QRect CQVComboBoxList::RowRect(int nRow) const
{
    const QRect view = GetViewRect();
    return QRect(view.left(), view.top() + nRow * kRowHeight - m_nVPos, view.width(), kRowHeight);
}

int CQVComboBoxList::RowAt(QPoint pt) const
{
    const QRect view = GetViewRect();
    if (!view.contains(pt))
        return -1;
    const int nRow = (pt.y() - view.top() + m_nVPos) / kRowHeight;
    return nRow < m_items.size() ? nRow : -1;
}

void CQVComboBoxList::SetCurrent(int nRow, bool bRedraw)
{
    if (nRow < -1 || nRow >= m_items.size())
        return;
    m_nCurrent = nRow;
    if (nRow >= 0)
    {
        const QRect view = GetViewRect();
        const int nTop = nRow * kRowHeight;
        if (nTop < m_nVPos)
            SetVScrollPos(nTop, false);
        else if (nTop + kRowHeight > m_nVPos + view.height())
            SetVScrollPos(nTop + kRowHeight - view.height(), false);
    }
    if (bRedraw && m_bVisible)
        Draw();
}

bool CQVComboBoxList::Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt)
{
    (void)pOwner;
    if (!m_bEnabled || !m_bVisible)
        return false;
    bool bChanged = false;
    if (HandleScrollMouse(nCode, pt, &bChanged))
    {
        if (m_nHover != -1)
        {
            m_nHover = -1;
            bChanged = true;
        }
        return bChanged;
    }
    const int nRow = RowAt(pt);
    switch (nCode)
    {
    case kMsgMouseMove:
        if (nRow != m_nHover)
        {
            m_nHover = nRow;
            bChanged = true;
        }
        break;
    case kMsgLButtonDown:
    case kMsgLButtonDblClk:
        m_bPressed = nRow >= 0;
        break;
    case kMsgLButtonUp:
        if (nRow >= 0 && m_bPressed)
        {
            m_bPressed = false;
            m_nCurrent = nRow;
            if (onChoose)
                onChoose(nRow);
            return false;
        }
        m_bPressed = false;
        break;
    case kMsgMouseLeave:
        if (m_nHover != -1)
        {
            m_nHover = -1;
            bChanged = true;
        }
        break;
    default:
        break;
    }
    return bChanged;
}

bool CQVComboBoxList::Key(const tagQVInputMessage& msg)
{
    if (msg.nMessage != kMsgKeyDown || m_items.isEmpty())
        return false;
    const int nLast = static_cast<int>(m_items.size()) - 1;
    const int nPage = std::max(GetViewRect().height() / kRowHeight - 1, 1);
    int nRow = m_nCurrent;
    switch (msg.nVirtualKey)
    {
    case kVkUp:
        nRow = nRow < 0 ? 0 : std::max(nRow - 1, 0);
        break;
    case kVkDown:
        nRow = std::min(nRow + 1, nLast);
        break;
    case kVkPrior:
        nRow = std::max(nRow - nPage, 0);
        break;
    case kVkNext:
        nRow = std::min(std::max(nRow, 0) + nPage, nLast);
        break;
    case kVkHome:
        nRow = 0;
        break;
    case kVkEnd:
        nRow = nLast;
        break;
    case kVkReturn:
        if (m_nCurrent >= 0 && onChoose)
            onChoose(m_nCurrent);
        return true;
    default:
        return false;
    }
    m_nHover = -1;
    SetCurrent(nRow, true);
    return true;
}

void CQVComboBoxList::DrawFrame(QPainter* pGraphics, const QRect& rc)
{
    const tagQVThemeColors& colors = CQVTheme::Colors();
    pGraphics->fillRect(rc, CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, 6)));
    pGraphics->setPen(CQVTheme::ToQColor(colors.clrDlgEdge, 170));
    pGraphics->setBrush(Qt::NoBrush);
    pGraphics->drawRect(QRectF(rc).adjusted(0.5, 0.5, -0.5, -0.5));
}

void CQVComboBoxList::DrawContent(QPainter* pGraphics, const QRect& rcView)
{
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::TextAntialiasing);
    pGraphics->setFont(m_font);
    const int nFirst = std::max(m_nVPos / kRowHeight, 0);
    for (int nRow = nFirst; nRow < m_items.size(); ++nRow)
    {
        const QRect row = RowRect(nRow);
        if (row.top() > rcView.bottom())
            break;
        const bool bCurrent = nRow == m_nCurrent;
        const bool bHover = nRow == m_nHover;
        if (bCurrent || bHover)
            pGraphics->fillRect(row.adjusted(2, 1, -2, -1),
                                CQVControlPainter::Accent(bCurrent ? (bHover ? 150 : 120) : 55));
        pGraphics->setPen(CQVControlPainter::TextColour(true, bHover));
        pGraphics->drawText(row.adjusted(8, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter,
                            m_items[nRow]);
    }
    pGraphics->restore();
}

} // namespace qv
