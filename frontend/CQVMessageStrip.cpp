#include "frontend/CQVMessageStrip.h"

#include "platform/CQVPlatformWindow.h"
#include "ui/CQVSkinFonts.h"
#include "ui/CQVTheme.h"

#include <QFontMetrics>
#include <QPainter>

namespace qv
{

namespace
{

constexpr int kMessageFontId = 6;
constexpr int kMargin = 10;

} // namespace

CQVMessageStrip::CQVMessageStrip()
{
    SetFontId(kMessageFontId);
}

void CQVMessageStrip::SetLines(const QStringList& lines, bool bRedraw)
{
    SetLinesWithLink(lines, QString(), nullptr, bRedraw);
}

void CQVMessageStrip::SetLinesWithLink(const QStringList& lines, const QString& strLink,
                                       std::function<void()> onLink, bool bRedraw)
{
    m_lines = lines;
    m_strLink = strLink;
    m_onLink = std::move(onLink);
    m_linkRect = QRect();
    m_bLinkHover = false;
    if (bRedraw)
        Draw();
}

bool CQVMessageStrip::Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt)
{
    const bool bOnLink = !m_strLink.isEmpty() && m_linkRect.contains(pt);
    if (nCode == kMsgMouseMove || nCode == kMsgMouseLeave)
    {
        if (bOnLink && pOwner)
            pOwner->SetCursorShape(Qt::PointingHandCursor);
        if (bOnLink != m_bLinkHover)
        {
            m_bLinkHover = bOnLink;
            Draw();
        }
        return false;
    }
    if (nCode == kMsgLButtonUp && bOnLink && m_onLink)
    {
        // The action may replace the text (and this function object with it).
        std::function<void()> onLink = m_onLink;
        onLink();
        return true;
    }
    return false;
}

void CQVMessageStrip::DrawText(QPainter* pGraphics, const QRect& rc)
{
    const tagQVThemeColors& colors = CQVTheme::Colors();
    pGraphics->save();
    // A slightly raised panel, so that the strip reads as a place where messages appear.
    pGraphics->fillRect(rc, CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, 8)));
    pGraphics->setPen(CQVTheme::ToQColor(colors.clrDlgEdge));
    pGraphics->drawLine(rc.left(), rc.top(), rc.right(), rc.top());

    tagQVFontRecord fallback;
    const tagQVFontRecord* pRecord = CQVSkinFonts::Find(GetFontId());
    const QFont font = CQVSkinFonts::MakeFont(pRecord ? *pRecord : fallback);
    pGraphics->setFont(font);
    pGraphics->setRenderHint(QPainter::TextAntialiasing);
    const QFontMetrics metrics(font);
    const int nLineHeight = metrics.height() + 4;
    const int nTextWidth = rc.width() - 2 * kMargin;
    int y = rc.top() + kMargin;
    m_linkRect = QRect();
    for (int i = 0; i < m_lines.size(); ++i)
    {
        if (y + nLineHeight > rc.bottom())
            break;
        const QString strLine = metrics.elidedText(m_lines[i], Qt::ElideMiddle, nTextWidth);
        pGraphics->setPen(CQVTheme::ToQColor(colors.clrText));
        pGraphics->drawText(QRect(rc.left() + kMargin, y, nTextWidth, nLineHeight),
                            Qt::AlignLeft | Qt::AlignVCenter, strLine);
        if (i == m_lines.size() - 1 && !m_strLink.isEmpty())
        {
            const int x = rc.left() + kMargin + metrics.horizontalAdvance(strLine) + 12;
            const int w = metrics.horizontalAdvance(m_strLink);
            m_linkRect = QRect(x, y, w, nLineHeight);
            QFont linkFont = font;
            linkFont.setUnderline(true);
            pGraphics->setFont(linkFont);
            pGraphics->setPen(m_bLinkHover ? QColor(255, 200, 120) : QColor(255, 170, 70));
            pGraphics->drawText(m_linkRect, Qt::AlignLeft | Qt::AlignVCenter, m_strLink);
            pGraphics->setFont(font);
        }
        y += nLineHeight;
    }
    pGraphics->restore();
}

} // namespace qv
