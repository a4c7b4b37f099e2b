// The list's drawing: header, rows, cells, check marks and progress bars, in the theme's
// colours over the scrolling window's frame and bars.
#include "ui/CQVControlPainter.h"
#include "ui/CQVListCtrl.h"
#include "ui/CQVTheme.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

namespace qv
{

void CQVListCtrl::DrawText(QPainter* pGraphics, const QRect& rc)
{
    if (rc.width() <= 0 || rc.height() <= 0)
        return;
    CQVWindow::DrawText(pGraphics, rc);
    DrawHeader(pGraphics);
}

void CQVListCtrl::DrawHeader(QPainter* pGraphics)
{
    const QRect header = GetHeaderRect();
    if (header.isEmpty())
        return;
    const tagQVThemeColors& colors = CQVTheme::Colors();
    pGraphics->save();
    pGraphics->setClipRect(header, Qt::IntersectClip);
    pGraphics->setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient band(header.topLeft(), header.bottomLeft());
    band.setColorAt(0, CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, 18)));
    band.setColorAt(1, CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, 6)));
    pGraphics->fillRect(header, band);
    pGraphics->fillRect(QRect(header.left(), header.bottom(), header.width(), 1),
                        CQVTheme::ToQColor(colors.clrDlgEdge, 120));

    // Titles scroll with the columns but never run under the vertical bar's column.
    const QRect view = GetViewRect();
    pGraphics->setClipRect(QRect(view.left(), header.top(), view.width(), header.height()),
                           Qt::IntersectClip);
    const QFontMetrics metrics(m_fontHeader);
    pGraphics->setFont(m_fontHeader);
    for (const auto& pColumn : m_columns)
    {
        if (pColumn->bHidden || pColumn->nWidth <= 0)
            continue;
        const QRect cell = GetHeaderCellRect(pColumn->nIndex);
        if (cell.right() < view.left() || cell.left() > view.right())
            continue;
        if (pColumn->nIndex == m_nHoverHeader && m_bEnabled)
            pGraphics->fillRect(cell.adjusted(0, 0, 0, -1), QColor(255, 255, 255, 14));
        int nTextLeft = cell.left() + 9;
        if (pColumn->bHasHeaderCheck)
        {
            const QRectF box(cell.left() + 6, cell.top() + (cell.height() - kCheckSize) / 2,
                             kCheckSize, kCheckSize);
            CQVControlPainter::DrawCheckBox(pGraphics, box, pColumn->bHeaderCheck, false,
                                            m_bEnabled);
            nTextLeft = cell.left() + 6 + kCheckSize + 7;
        }
        const QRect text(nTextLeft, cell.top(), cell.right() - 6 - nTextLeft, cell.height());
        if (text.width() > 4)
        {
            QColor title =
                CQVControlPainter::TextColour(m_bEnabled, pColumn->nIndex == m_nHoverHeader);
            pGraphics->setPen(title);
            pGraphics->drawText(
                text, Qt::AlignLeft | Qt::AlignVCenter,
                metrics.elidedText(pColumn->strTitle, Qt::ElideRight, text.width()));
        }
        pGraphics->fillRect(QRect(cell.right(), cell.top() + 7, 1, cell.height() - 14),
                            CQVTheme::ToQColor(colors.clrDlgEdge, 70));
    }
    pGraphics->restore();
}

void CQVListCtrl::DrawContent(QPainter* pGraphics, const QRect& rcView)
{
    const int nRows = GetRowCount();
    if (nRows == 0 && !m_strEmptyText.isEmpty())
    {
        pGraphics->save();
        pGraphics->setRenderHint(QPainter::TextAntialiasing);
        QFont font = m_fontCell;
        font.setPixelSize(18);
        pGraphics->setFont(font);
        QColor text = CQVControlPainter::TextColour(true);
        text.setAlpha(150);
        pGraphics->setPen(text);
        pGraphics->drawText(rcView, Qt::AlignCenter | Qt::TextWordWrap, m_strEmptyText);
        pGraphics->restore();
    }
    if (nRows == 0 || m_columns.empty())
        return;
    const int nFirst = std::max(m_nVPos / kRowHeight, 0);
    const int nLast = std::min(nRows - 1, (m_nVPos + rcView.height()) / kRowHeight);
    const QColor accent = CQVControlPainter::Accent();

    pGraphics->save();
    pGraphics->setRenderHint(QPainter::TextAntialiasing);
    for (int nRow = nFirst; nRow <= nLast; ++nRow)
    {
        const QRect row(rcView.left(), rcView.top() + nRow * kRowHeight - m_nVPos, rcView.width(),
                        kRowHeight);
        const bool bSelected = nRow == m_nSelectedRow;
        if (nRow % 2 == 1)
            pGraphics->fillRect(row, QColor(255, 255, 255, 7));
        if (nRow == m_nHoverRow && m_bEnabled)
            pGraphics->fillRect(row, QColor(255, 255, 255, 13));
        if (bSelected)
        {
            pGraphics->fillRect(row, CQVControlPainter::Accent(m_bFocused ? 58 : 38));
            pGraphics->fillRect(QRect(row.left(), row.top(), 3, row.height()),
                                m_bEnabled ? accent : CQVControlPainter::Accent(110));
        }
        for (const auto& pColumn : m_columns)
        {
            if (pColumn->bHidden || pColumn->nWidth <= 0)
                continue;
            const QRect cell(ColumnLeft(pColumn->nIndex), row.top(), pColumn->nWidth, kRowHeight);
            if (cell.right() < rcView.left() || cell.left() > rcView.right())
                continue;
            DrawCell(pGraphics, *pColumn->cells[nRow], cell, bSelected);
        }
        pGraphics->fillRect(QRect(row.left(), row.bottom(), row.width(), 1), QColor(0, 0, 0, 28));
    }

    // Faint column rules down to the last row.
    const int nBottom = std::min(rcView.bottom(), rcView.top() + nRows * kRowHeight - m_nVPos);
    for (const auto& pColumn : m_columns)
    {
        if (pColumn->bHidden || pColumn->nWidth <= 0)
            continue;
        const int x = ColumnLeft(pColumn->nIndex) + pColumn->nWidth - 1;
        if (x >= rcView.left() && x <= rcView.right())
            pGraphics->fillRect(QRect(x, rcView.top(), 1, nBottom - rcView.top() + 1),
                                QColor(255, 255, 255, 10));
    }
    pGraphics->restore();
}

void CQVListCtrl::DrawCell(QPainter* pGraphics, const tagQVListCell& cell, const QRect& rcCell,
                           bool bRowSelected)
{
    const tagQVListColumn& column = *cell.pColumn;
    const bool bCurrent = &cell == m_pCurrent;
    const bool bEditing = cell.nRow == m_nEditorRow && column.nIndex == m_nEditorColumn;
    int nLeft = rcCell.left() + 9;
    int nRight = rcCell.right() - 6;

    if (column.bCellChecks)
    {
        const QRectF box(rcCell.left() + 6, rcCell.top() + (rcCell.height() - kCheckSize) / 2,
                         kCheckSize, kCheckSize);
        CQVControlPainter::DrawCheckBox(pGraphics, box, cell.bChecked,
                                        cell.nRow == m_nHoverRow && !cell.bReadOnly, m_bEnabled);
        nLeft = rcCell.left() + 6 + kCheckSize + 7;
    }

    const QString strText = GetCellText(column.nIndex, cell.nRow);
    if (column.nType == kTypeProgress)
    {
        const QRect bar(nLeft - 3, rcCell.top() + 5, nRight - nLeft + 4, rcCell.height() - 10);
        CQVControlPainter::DrawProgressBar(pGraphics, bar, cell.dProgress, strText, m_fontCell,
                                           m_bEnabled, CQVTheme::ToQColor(cell.clrText));
        return;
    }

    const bool bEditable =
        (column.nType == kTypeEdit || column.nType == kTypeChoice) && CanEdit(&cell);
    if (bEditing || (bEditable && bRowSelected))
    {
        // Editable cells of the selected row show a field, the one being edited in the accent.
        pGraphics->save();
        pGraphics->setRenderHint(QPainter::Antialiasing);
        const QRectF field = QRectF(rcCell).adjusted(3.5, 3.5, -3.5, -3.5);
        pGraphics->setPen(QPen(bEditing ? CQVControlPainter::Accent(230)
                                        : QColor(255, 255, 255, bCurrent ? 70 : 38),
                               1.0));
        pGraphics->setBrush(
            bEditing ? CQVTheme::ToQColor(CQVTheme::Shift(CQVTheme::Colors().clrDlgBK, -14))
                     : QColor(0, 0, 0, 40));
        pGraphics->drawRoundedRect(field, 2.5, 2.5);
        pGraphics->restore();
    }
    if (bEditing)
        return;

    if (column.nType == kTypeChoice && !cell.choices.isEmpty())
    {
        const QRectF arrow(nRight - 10, rcCell.top(), 12, rcCell.height());
        const QColor colour = bRowSelected ? CQVControlPainter::TextColour(m_bEnabled)
                                           : CQVTheme::ToQColor(CQVTheme::Colors().clrDlgEdge, 150);
        CQVControlPainter::DrawArrow(pGraphics, arrow, CQVControlPainter::kDown, colour);
        nRight -= 14;
    }
    if (strText.isEmpty() || nRight <= nLeft)
        return;
    QColor colour =
        m_bEnabled ? CQVTheme::ToQColor(cell.clrText) : CQVControlPainter::TextColour(false);
    if (cell.bReadOnly && m_bEnabled)
        colour.setAlpha(200);
    pGraphics->setFont(m_fontCell);
    pGraphics->setPen(colour);
    const QRect text(nLeft, rcCell.top(), nRight - nLeft, rcCell.height());
    const QFontMetrics metrics(m_fontCell);
    // Multi-line text shows its first line in the row.
    const QString strLine = strText.section(QLatin1Char('\n'), 0, 0);
    pGraphics->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                        metrics.elidedText(strLine, Qt::ElideMiddle, text.width()));
}

} // namespace qv
