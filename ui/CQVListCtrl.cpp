#include "ui/CQVListCtrl.h"

#include "ui/CQVComboBoxWnd.h"
#include "ui/CQVEditCtrl.h"
#include "ui/CQVMenuEx.h"
#include "ui/CQVTheme.h"

#include <algorithm>

namespace qv
{

CQVListCtrl::CQVListCtrl()
{
    m_fontCell = QFont(QStringLiteral("Arial"));
    m_fontCell.setPixelSize(13);
    m_fontCell.setStyleStrategy(QFont::PreferAntialias);
    m_fontHeader = QFont(QStringLiteral("Arial"));
    m_fontHeader.setPixelSize(12);
    m_fontHeader.setBold(true);
    m_fontHeader.setStyleStrategy(QFont::PreferAntialias);
    m_nWheelStep = 3 * kRowHeight;
}

CQVListCtrl::~CQVListCtrl()
{
    m_pEditor.reset();
}

CQVButton* CQVListCtrl::CreateFromSkin(const QVSkinAttributes& attributes)
{
    (void)attributes;
    return new CQVListCtrl();
}

void CQVListCtrl::Destroy()
{
    // Nothing is drawn any more: the window is going.
    m_bVisible = false;
    CloseEditor(false);
    m_pDropDown.reset();
    m_pHeaderMenu.reset();
    m_pRowMenu.reset();
    m_pEmptyMenu.reset();
    m_pCurrent = nullptr;
    m_columns.clear();
    m_nSelectedRow = -1;
    CQVWindow::Destroy();
}

// --- columns

int CQVListCtrl::AddColumn(int nType, int nWidth, const QString& strTitle)
{
    auto pColumn = std::make_unique<tagQVListColumn>();
    pColumn->nType = nType;
    pColumn->nWidth = std::max(nWidth, 0);
    pColumn->strTitle = strTitle;
    pColumn->nIndex = GetColumnCount();
    // A column added to a filled list gets an empty cell in every row.
    const int nRows = GetRowCount();
    for (int nRow = 0; nRow < nRows; ++nRow)
    {
        auto pCell = std::make_unique<tagQVListCell>();
        pCell->nRow = nRow;
        pCell->pColumn = pColumn.get();
        pCell->clrText = CQVTheme::Colors().clrText;
        pCell->bSelected = nRow == m_nSelectedRow;
        pCell->nValue = m_columns.empty() ? 0 : m_columns.front()->cells[nRow]->nValue;
        pColumn->cells.push_back(std::move(pCell));
    }
    m_columns.push_back(std::move(pColumn));
    RebuildHeaderMenu();
    RecalcLayout();
    return GetColumnCount() - 1;
}

void CQVListCtrl::SetEmptyText(const QString& strText)
{
    if (strText == m_strEmptyText)
        return;
    m_strEmptyText = strText;
    Redraw();
}

void CQVListCtrl::SetColumnMultiLine(int nColumn, bool bMultiLine)
{
    if (nColumn >= 0 && nColumn < GetColumnCount())
        m_columns[nColumn]->bMultiLine = bMultiLine;
}

void CQVListCtrl::ShowColumn(int nColumn, bool bShow, bool bRelayout)
{
    if (nColumn < 0 || nColumn >= GetColumnCount())
        return;
    m_columns[nColumn]->bHidden = !bShow;
    if (!bShow && nColumn == m_nEditorColumn)
        CloseEditor(true);
    if (!bShow && nColumn == m_nDropDownColumn)
        CloseDropDown();
    if (bRelayout)
    {
        RecalcLayout();
        Redraw();
    }
}

bool CQVListCtrl::IsColumnVisible(int nColumn) const
{
    return nColumn >= 0 && nColumn < GetColumnCount() && !m_columns[nColumn]->bHidden;
}

int CQVListCtrl::GetColumnWidth(int nColumn) const
{
    return (nColumn >= 0 && nColumn < GetColumnCount()) ? m_columns[nColumn]->nWidth : 0;
}

QString CQVListCtrl::GetColumnTitle(int nColumn) const
{
    return (nColumn >= 0 && nColumn < GetColumnCount()) ? m_columns[nColumn]->strTitle : QString();
}

void CQVListCtrl::SetColumnChecks(int nColumn, bool bCellChecks, bool bHeaderCheck)
{
    if (nColumn < 0 || nColumn >= GetColumnCount())
        return;
    m_columns[nColumn]->bCellChecks = bCellChecks;
    m_columns[nColumn]->bHasHeaderCheck = bHeaderCheck;
}

bool CQVListCtrl::GetHeaderCheck(int nColumn) const
{
    return nColumn >= 0 && nColumn < GetColumnCount() && m_columns[nColumn]->bHeaderCheck;
}

void CQVListCtrl::RebuildHeaderMenu()
{
    if (!m_pHeaderMenu)
        m_pHeaderMenu = std::make_unique<CQVMenuEx>();
    m_pHeaderMenu->clear();
    // Command ids are the column index plus one: 0 stays "dismissed".
    for (const auto& pColumn : m_columns)
        m_pHeaderMenu->AppendCommand(pColumn->nIndex + 1, pColumn->strTitle, true,
                                     !pColumn->bHidden);
}

// --- rows and cells

int CQVListCtrl::GetRowCount() const
{
    return m_columns.empty() ? 0 : static_cast<int>(m_columns.front()->cells.size());
}

bool CQVListCtrl::ValidCell(int nColumn, int nRow) const
{
    return nColumn >= 0 && nColumn < GetColumnCount() && nRow >= 0 && nRow < GetRowCount();
}

tagQVListCell* CQVListCtrl::CellAt(int nColumn, int nRow) const
{
    return ValidCell(nColumn, nRow) ? m_columns[nColumn]->cells[nRow].get() : nullptr;
}

const tagQVListCell* CQVListCtrl::GetCell(int nColumn, int nRow) const
{
    return CellAt(nColumn, nRow);
}

void CQVListCtrl::InsertRow(const QString& strFirst, int nValue)
{
    if (m_columns.empty())
        return;
    const int nRow = GetRowCount();
    for (const auto& pColumn : m_columns)
    {
        auto pCell = std::make_unique<tagQVListCell>();
        if (pColumn->nIndex == 0)
            pCell->strText = strFirst;
        pCell->nRow = nRow;
        pCell->pColumn = pColumn.get();
        pCell->clrText = CQVTheme::Colors().clrText;
        pCell->nValue = nValue;
        pCell->bChecked = pColumn->bHasHeaderCheck && pColumn->bHeaderCheck;
        pColumn->cells.push_back(std::move(pCell));
    }
    RecalcLayout();
}

QString CQVListCtrl::GetCellText(int nColumn, int nRow) const
{
    const tagQVListCell* pCell = CellAt(nColumn, nRow);
    if (!pCell)
        return QString();
    if (!pCell->strText.isNull())
        return pCell->strText;
    if (pCell->nChosen >= 0 && pCell->nChosen < pCell->choices.size())
        return pCell->choices[pCell->nChosen];
    return QString(QLatin1String(""));
}

void CQVListCtrl::SetCellText(int nColumn, int nRow, const QString& strText, bool bRedraw)
{
    tagQVListCell* pCell = CellAt(nColumn, nRow);
    if (!pCell)
        return;
    pCell->strText = strText.isNull() ? QString(QLatin1String("")) : strText;
    // An open editor on the cell shows the new text (and compares against it on closing).
    if (m_pEditor && nColumn == m_nEditorColumn && nRow == m_nEditorRow)
        m_pEditor->SetText(pCell->strText);
    if (bRedraw)
        Redraw();
}

void CQVListCtrl::SetProgress(int nColumn, int nRow, double dPercent, bool bRedraw)
{
    tagQVListCell* pCell = CellAt(nColumn, nRow);
    if (!pCell)
        return;
    // NaN counts as 0.
    pCell->dProgress = dPercent > 100.0 ? 100.0 : (dPercent >= 0.0 ? dPercent : 0.0);
    if (bRedraw)
        Redraw();
}

double CQVListCtrl::GetProgress(int nColumn, int nRow) const
{
    const tagQVListCell* pCell = CellAt(nColumn, nRow);
    return pCell ? pCell->dProgress : 0.0;
}

void CQVListCtrl::SetCellChoices(int nColumn, int nRow, const QStringList& choices, int nChosen)
{
    tagQVListCell* pCell = CellAt(nColumn, nRow);
    if (!pCell)
        return;
    pCell->choices = choices;
    pCell->nChosen = (nChosen >= 0 && nChosen < choices.size()) ? nChosen : -1;
}

int CQVListCtrl::GetCellChosen(int nColumn, int nRow) const
{
    const tagQVListCell* pCell = CellAt(nColumn, nRow);
    return pCell ? pCell->nChosen : -1;
}

void CQVListCtrl::SetCellChecked(int nColumn, int nRow, bool bChecked, bool bRedraw)
{
    if (tagQVListCell* pCell = CellAt(nColumn, nRow))
    {
        pCell->bChecked = bChecked;
        if (bRedraw)
            Redraw();
    }
}

bool CQVListCtrl::GetCellChecked(int nColumn, int nRow) const
{
    const tagQVListCell* pCell = CellAt(nColumn, nRow);
    return pCell && pCell->bChecked;
}

void CQVListCtrl::SetCellReadOnly(int nColumn, int nRow, bool bReadOnly)
{
    if (tagQVListCell* pCell = CellAt(nColumn, nRow))
    {
        pCell->bReadOnly = bReadOnly;
        if (bReadOnly && nColumn == m_nEditorColumn && nRow == m_nEditorRow)
            CloseEditor(false);
    }
}

void CQVListCtrl::SetCellTextColor(int nColumn, int nRow, uint32_t clrText, bool bRedraw)
{
    if (tagQVListCell* pCell = CellAt(nColumn, nRow))
    {
        pCell->clrText = clrText;
        if (bRedraw)
            Redraw();
    }
}

void CQVListCtrl::SetCellToolTip(int nColumn, int nRow, const QString& strText)
{
    tagQVListCell* pCell = CellAt(nColumn, nRow);
    if (!pCell)
        return;
    pCell->strToolTip = strText;
    if (nColumn == m_nHoverColumn && nRow == m_nHoverRow)
        ShowCellToolTip();
}

QString CQVListCtrl::GetCellToolTip(int nColumn, int nRow) const
{
    const tagQVListCell* pCell = CellAt(nColumn, nRow);
    return pCell ? pCell->strToolTip : QString();
}

void CQVListCtrl::ShowCellToolTip()
{
    const QString strTip = GetCellToolTip(m_nHoverColumn, m_nHoverRow);
    if (strTip == GetToolTipText() && IsToolTipVisible() == !strTip.isEmpty())
        return;
    ShowToolTip(false);
    SetToolTipText(strTip);
    if (!strTip.isEmpty())
        ShowToolTip(true);
}

QRect CQVListCtrl::ToolTipAnchor() const
{
    const QRect rcCell = GetCellRect(m_nHoverColumn, m_nHoverRow);
    return rcCell.isValid() ? rcCell : CQVWindow::ToolTipAnchor();
}

int CQVListCtrl::GetCellValue(int nColumn, int nRow) const
{
    const tagQVListCell* pCell = CellAt(nColumn, nRow);
    return pCell ? pCell->nValue : 0;
}

// --- selection and row operations

void CQVListCtrl::Send(unsigned nMsg, intptr_t lParam)
{
    if (m_pOwner)
        m_pOwner->SendMessage(nMsg, reinterpret_cast<uintptr_t>(this), lParam);
}

void CQVListCtrl::Redraw()
{
    if (m_bVisible && m_pOwner)
        Draw();
}

void CQVListCtrl::SetCurrent(tagQVListCell* pCell)
{
    m_pCurrent = pCell;
}

void CQVListCtrl::SetSelection(int nRow, bool bNotify)
{
    if (tagQVListCell* pOld = CellAt(0, m_nSelectedRow); pOld)
        for (const auto& pColumn : m_columns)
            pColumn->cells[m_nSelectedRow]->bSelected = 0;
    m_nSelectedRow = (nRow >= 0 && nRow < GetRowCount()) ? nRow : -1;
    if (m_nSelectedRow >= 0)
        for (const auto& pColumn : m_columns)
            pColumn->cells[m_nSelectedRow]->bSelected = 1;
    // The current cell stays in the selected row.
    if (m_nSelectedRow < 0)
        m_pCurrent = nullptr;
    else if (!m_pCurrent || m_pCurrent->nRow != m_nSelectedRow)
        m_pCurrent = CellAt(0, m_nSelectedRow);
    if (bNotify)
        Send(kMsgListSelChanged, m_nSelectedRow);
}

void CQVListCtrl::SelectRow(int nRow)
{
    if (nRow < -1 || nRow >= GetRowCount() || nRow == m_nSelectedRow)
        return;
    SetSelection(nRow, false);
    Redraw();
    Send(kMsgListSelChanged, m_nSelectedRow);
}

bool CQVListCtrl::GetCurrentCell(int* pColumn, int* pRow) const
{
    if (!m_pCurrent)
        return false;
    if (pColumn)
        *pColumn = m_pCurrent->pColumn->nIndex;
    if (pRow)
        *pRow = m_pCurrent->nRow;
    return true;
}

void CQVListCtrl::Renumber(int nFromRow)
{
    for (const auto& pColumn : m_columns)
        for (int nRow = std::max(nFromRow, 0); nRow < static_cast<int>(pColumn->cells.size());
             ++nRow)
            pColumn->cells[nRow]->nRow = nRow;
}

void CQVListCtrl::SwapRows(int nUpper)
{
    const int nLower = nUpper + 1;
    CloseDropDown();
    for (const auto& pColumn : m_columns)
        std::swap(pColumn->cells[nUpper], pColumn->cells[nLower]);
    Renumber(nUpper);
    // Indexes that named one of the two rows follow its cells.
    auto follow = [&](int& nIndex)
    {
        if (nIndex == nUpper)
            nIndex = nLower;
        else if (nIndex == nLower)
            nIndex = nUpper;
    };
    follow(m_nSelectedRow);
    follow(m_nEditorRow);
    PlaceEditor();
}

void CQVListCtrl::FinishMove(int nMovedTo, int nOldSelected)
{
    if (m_nSelectedRow != nMovedTo)
        SetSelection(nMovedTo, false);
    Redraw();
    if (m_nSelectedRow != nOldSelected)
        Send(kMsgListSelChanged, m_nSelectedRow);
}

void CQVListCtrl::MoveRowUp(int nRow)
{
    if (nRow <= 0 || nRow >= GetRowCount())
        return;
    const int nOldSelected = m_nSelectedRow;
    SwapRows(nRow - 1);
    FinishMove(nRow - 1, nOldSelected);
}

void CQVListCtrl::MoveRowDown(int nRow)
{
    if (nRow < 0 || nRow >= GetRowCount() - 1)
        return;
    const int nOldSelected = m_nSelectedRow;
    SwapRows(nRow);
    FinishMove(nRow + 1, nOldSelected);
}

void CQVListCtrl::RemoveRow(int nRow, bool bNotify)
{
    if (nRow < 0 || nRow >= GetRowCount())
        return;
    // The editor's cell goes away: its text goes with it.
    if (m_nEditorRow == nRow)
        CloseEditor(false);
    if (m_nDropDownRow == nRow)
        CloseDropDown();
    if (m_pCurrent && m_pCurrent->nRow == nRow)
        m_pCurrent = nullptr;
    for (const auto& pColumn : m_columns)
        pColumn->cells.erase(pColumn->cells.begin() + nRow);
    Renumber(nRow);
    if (m_nSelectedRow == nRow)
        m_nSelectedRow = -1;
    else if (m_nSelectedRow > nRow)
        --m_nSelectedRow;
    if (m_nEditorRow > nRow)
        --m_nEditorRow;
    if (m_nDropDownRow > nRow)
        --m_nDropDownRow;
    // The pointer rests on another row now: its tip, if any, shows on the next move.
    m_nHoverRow = m_nHoverColumn = -1;
    ShowCellToolTip();
    if (bNotify)
    {
        RecalcLayout();
        Redraw();
    }
}

void CQVListCtrl::RemoveAllRows(bool bNotify)
{
    CloseEditor(false);
    CloseDropDown();
    m_pCurrent = nullptr;
    for (const auto& pColumn : m_columns)
        pColumn->cells.clear();
    m_nSelectedRow = -1;
    m_nEditorRow = -1;
    m_nEditorColumn = -1;
    m_nHoverRow = m_nHoverColumn = -1;
    ShowCellToolTip();
    if (bNotify)
    {
        RecalcLayout();
        Redraw();
    }
}

void CQVListCtrl::EnsureRowVisible(int nRow, bool bRedraw)
{
    if (nRow < 0 || nRow >= GetRowCount())
        return;
    const QRect view = GetViewRect();
    const int nTop = nRow * kRowHeight;
    bool bMoved = false;
    if (nTop < m_nVPos)
        bMoved = SetVScrollPos(nTop, false);
    else if (nTop + kRowHeight > m_nVPos + view.height())
        bMoved = SetVScrollPos(nTop + kRowHeight - view.height(), false);
    if (bMoved && bRedraw)
        Redraw();
}

// --- switches

void CQVListCtrl::SetEditingEnabled(bool bEnabled)
{
    m_bEditingEnabled = bEnabled;
    if (!bEnabled)
    {
        CloseEditor(true);
        CloseDropDown();
    }
}

bool CQVListCtrl::CanEdit(const tagQVListCell* pCell) const
{
    return pCell && m_bEditingEnabled && m_bEnabled && !pCell->bReadOnly;
}

// --- geometry

QRect CQVListCtrl::ScrollFrame() const
{
    return QRect(m_nX + 1, m_nY + 1 + kHeaderHeight, std::max(m_nWidth - 2, 0),
                 std::max(m_nHeight - 2 - kHeaderHeight, 0));
}

QRect CQVListCtrl::GetHeaderRect() const
{
    return QRect(m_nX + 1, m_nY + 1, std::max(m_nWidth - 2, 0),
                 std::min(kHeaderHeight, std::max(m_nHeight - 2, 0)));
}

int CQVListCtrl::ColumnLeft(int nColumn) const
{
    int x = GetViewRect().left() - m_nHPos;
    for (int i = 0; i < nColumn && i < GetColumnCount(); ++i)
        if (!m_columns[i]->bHidden)
            x += m_columns[i]->nWidth;
    return x;
}

QRect CQVListCtrl::GetHeaderCellRect(int nColumn) const
{
    if (!IsColumnVisible(nColumn))
        return QRect();
    const QRect header = GetHeaderRect();
    return QRect(ColumnLeft(nColumn), header.top(), m_columns[nColumn]->nWidth, header.height());
}

QRect CQVListCtrl::GetCellRect(int nColumn, int nRow) const
{
    if (!IsColumnVisible(nColumn) || nRow < 0 || nRow >= GetRowCount())
        return QRect();
    const QRect view = GetViewRect();
    return QRect(ColumnLeft(nColumn), view.top() + nRow * kRowHeight - m_nVPos,
                 m_columns[nColumn]->nWidth, kRowHeight);
}

QRect CQVListCtrl::GetCheckPartRect(int nColumn, int nRow) const
{
    if (!IsColumnVisible(nColumn) || !m_columns[nColumn]->bCellChecks)
        return QRect();
    const QRect cell = GetCellRect(nColumn, nRow);
    if (cell.isEmpty())
        return QRect();
    // The box and a few pixels around it, so that it is easy to hit.
    return QRect(cell.left(), cell.top(), std::min(kCheckSize + 10, cell.width()), cell.height());
}

int CQVListCtrl::ColumnAt(int x) const
{
    const QRect view = GetViewRect();
    if (x < view.left() || x > view.right())
        return -1;
    int nLeft = view.left() - m_nHPos;
    for (const auto& pColumn : m_columns)
    {
        if (pColumn->bHidden)
            continue;
        if (x >= nLeft && x < nLeft + pColumn->nWidth)
            return pColumn->nIndex;
        nLeft += pColumn->nWidth;
    }
    return -1;
}

int CQVListCtrl::RowAt(int y) const
{
    const QRect view = GetViewRect();
    if (y < view.top() || y > view.bottom())
        return -1;
    const int nRow = (y - view.top() + m_nVPos) / kRowHeight;
    return nRow < GetRowCount() ? nRow : -1;
}

int CQVListCtrl::HeaderBorderAt(int x) const
{
    int nLeft = GetViewRect().left() - m_nHPos;
    int nBest = -1, nBestDistance = kBorderGrip + 1;
    for (const auto& pColumn : m_columns)
    {
        if (pColumn->bHidden)
            continue;
        nLeft += pColumn->nWidth;
        const int nDistance = std::abs(x - nLeft);
        // Ties go to the later column, so that a column shrunk to nothing can be widened.
        if (nDistance <= kBorderGrip && nDistance <= nBestDistance)
        {
            nBest = pColumn->nIndex;
            nBestDistance = nDistance;
        }
    }
    return nBest;
}

void CQVListCtrl::RecalcLayout()
{
    int nContentWidth = 0;
    for (const auto& pColumn : m_columns)
        if (!pColumn->bHidden)
            nContentWidth += pColumn->nWidth;
    const int nContentHeight = GetRowCount() * kRowHeight;
    const QRect frame = ScrollFrame();
    // Each bar takes room from the other direction.
    bool bV = nContentHeight > frame.height();
    const bool bH = nContentWidth > frame.width() - (bV ? kBarSize : 0);
    if (bH && !bV)
        bV = nContentHeight > frame.height() - kBarSize;
    const int nViewWidth = std::max(frame.width() - (bV ? kBarSize : 0), 0);
    const int nViewHeight = std::max(frame.height() - (bH ? kBarSize : 0), 0);
    SetVScrollRange(bV ? nContentHeight - nViewHeight : 0, nViewHeight);
    SetHScrollRange(bH ? nContentWidth - nViewWidth : 0, nViewWidth);
    PlaceEditor();
}

void CQVListCtrl::OnScrolled()
{
    PlaceEditor();
    CloseDropDown();
}

// --- control operations

void CQVListCtrl::Show(bool bShow, bool bRedraw)
{
    if (!bShow)
    {
        CloseEditor(true);
        CloseDropDown();
    }
    CQVWindow::Show(bShow, bRedraw);
}

void CQVListCtrl::Enable(bool bEnable, bool bRedraw)
{
    if (!bEnable)
    {
        CloseEditor(true);
        CloseDropDown();
    }
    CQVWindow::Enable(bEnable, bRedraw);
}

bool CQVListCtrl::Key(const tagQVInputMessage& msg)
{
    if (msg.nMessage != kMsgKeyDown || !m_bFocused || !m_bEnabled || !m_bVisible)
        return false;
    const int nRows = GetRowCount();
    if (msg.nVirtualKey != kVkUp && msg.nVirtualKey != kVkDown)
        return false;
    if (nRows == 0)
        return true;
    int nRow = m_nSelectedRow;
    if (msg.nVirtualKey == kVkUp)
        nRow = nRow < 0 ? 0 : std::max(nRow - 1, 0);
    else
        nRow = nRow < 0 ? 0 : std::min(nRow + 1, nRows - 1);
    CloseEditor(true);
    EnsureRowVisible(nRow, false);
    if (nRow != m_nSelectedRow)
        SelectRow(nRow);
    else
        Redraw();
    return true;
}

} // namespace qv
