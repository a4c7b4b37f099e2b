// The list's mouse handling, menus and in-place editors.
#include "ui/CQVComboBoxWnd.h"
#include "ui/CQVEditCtrl.h"
#include "ui/CQVListCtrl.h"
#include "ui/CQVMenuEx.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>

namespace qv
{

namespace
{

intptr_t CellParam(int nColumn, int nRow)
{
    return static_cast<intptr_t>((static_cast<uint32_t>(nColumn & 0xFFFF) << 16) |
                                 static_cast<uint32_t>(nRow & 0xFFFF));
}

} // namespace

// --- mouse

bool CQVListCtrl::Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt)
{
    (void)pOwner;
    if (!m_bEnabled || !m_bVisible)
        return false;

    // A header border being dragged owns the mouse until the release.
    if (m_nResizeColumn >= 0)
    {
        if (m_pOwner)
            m_pOwner->SetCursorShape(Qt::SplitHCursor);
        if (nCode == kMsgMouseMove)
        {
            const int nWidth =
                std::max(kMinColumnWidth, m_nResizeStartWidth + pt.x() - m_nResizeStartX);
            if (nWidth == m_columns[m_nResizeColumn]->nWidth)
                return false;
            m_columns[m_nResizeColumn]->nWidth = nWidth;
            RecalcLayout();
            return true;
        }
        if (nCode == kMsgLButtonUp || nCode == kMsgRButtonUp)
        {
            m_nResizeColumn = -1;
            if (IsCaptured())
                CQVPlatformWindow::ReleaseCapture();
            return true;
        }
        return false;
    }

    bool bChanged = false;
    if (HandleScrollMouse(nCode, pt, &bChanged))
    {
        if (m_nHoverRow != -1 || m_nHoverHeader != -1)
        {
            m_nHoverRow = m_nHoverHeader = m_nHoverColumn = -1;
            ShowCellToolTip();
            bChanged = true;
        }
        return bChanged;
    }

    const bool bInside = HitTest(pt);
    switch (nCode)
    {
    case kMsgMouseMove:
    case kMsgMouseLeave:
    {
        const bool bHeader = bInside && GetHeaderRect().contains(pt);
        const int nHoverRow = bInside && !bHeader ? RowAt(pt.y()) : -1;
        const int nHoverHeader = bHeader ? ColumnAt(pt.x()) : -1;
        const int nHoverColumn = nHoverRow >= 0 ? ColumnAt(pt.x()) : -1;
        if (bHeader && HeaderBorderAt(pt.x()) >= 0 && m_pOwner)
            m_pOwner->SetCursorShape(Qt::SplitHCursor);
        if (nHoverRow != m_nHoverRow || nHoverHeader != m_nHoverHeader)
        {
            m_nHoverRow = nHoverRow;
            m_nHoverHeader = nHoverHeader;
            bChanged = true;
        }
        if (nHoverColumn != m_nHoverColumn || bChanged)
        {
            m_nHoverColumn = nHoverColumn;
            ShowCellToolTip();
        }
        return bChanged;
    }
    case kMsgLButtonDown:
    case kMsgLButtonDblClk:
        return bInside && LeftClick(pt);
    case kMsgRButtonDown:
        return bInside && RightDown(pt);
    case kMsgRButtonUp:
        return bInside && RightUp(pt);
    default:
        return bChanged;
    }
}

bool CQVListCtrl::LeftClick(QPoint pt)
{
    TakeFocus();
    if (GetHeaderRect().contains(pt))
    {
        const int nBorder = HeaderBorderAt(pt.x());
        if (nBorder >= 0)
        {
            CloseEditor(true);
            CloseDropDown();
            m_nResizeColumn = nBorder;
            m_nResizeStartX = pt.x();
            m_nResizeStartWidth = m_columns[nBorder]->nWidth;
            if (m_pOwner)
            {
                m_pOwner->SetCapture();
                m_pOwner->SetCursorShape(Qt::SplitHCursor);
            }
            return true;
        }
        const int nColumn = ColumnAt(pt.x());
        if (nColumn >= 0 && m_columns[nColumn]->bHasHeaderCheck)
        {
            tagQVListColumn& column = *m_columns[nColumn];
            column.bHeaderCheck = !column.bHeaderCheck;
            for (const auto& pCell : column.cells)
                pCell->bChecked = column.bHeaderCheck;
            Redraw();
            Send(kMsgListCheckToggled, nColumn);
            return true;
        }
        return false;
    }

    const int nRow = RowAt(pt.y());
    const int nColumn = ColumnAt(pt.x());
    tagQVListCell* pCell = (nRow >= 0 && nColumn >= 0) ? CellAt(nColumn, nRow) : nullptr;
    bool bAction = false;
    if (pCell)
    {
        const bool bCheckPart = GetCheckPartRect(nColumn, nRow).contains(pt);
        const int nType = pCell->pColumn->nType;
        if (pCell != m_pCurrent)
        {
            SetCurrent(pCell);
            if (bCheckPart)
            {
                pCell->bChecked = !pCell->bChecked;
                Send(kMsgListCheckToggled, nColumn);
            }
            // The owner may have changed the rows while it was told; go on only with the
            // cell still there and current.
            if (nType == kTypeEdit && !bCheckPart && CellAt(nColumn, nRow) == pCell &&
                m_pCurrent == pCell && CanEdit(pCell))
                OpenEditor(nColumn, nRow);
            else
                CloseEditor(true);
        }
        else if (bCheckPart)
        {
            CloseEditor(true);
            pCell->bChecked = !pCell->bChecked;
            Send(kMsgListCheckToggled, nColumn);
        }
        else if (nType == kTypeChoice && CanEdit(pCell))
        {
            CloseEditor(true);
            OpenDropDown(nColumn, nRow);
        }
        else if (nType == kTypeEdit && CanEdit(pCell))
        {
            if (!m_pEditor || m_nEditorColumn != nColumn || m_nEditorRow != nRow)
                OpenEditor(nColumn, nRow);
        }
        else
        {
            CloseEditor(true);
        }
        bAction = !bCheckPart && (nType == kTypeEdit || nType == kTypeChoice);
    }
    else
    {
        CloseEditor(true);
    }

    const int nSelected = m_pCurrent ? m_pCurrent->nRow : -1;
    if (nSelected != m_nSelectedRow)
        SetSelection(nSelected, true);
    if (bAction && m_pCurrent && CanEdit(m_pCurrent))
        Send(kMsgListCellClicked, CellParam(m_pCurrent->pColumn->nIndex, m_pCurrent->nRow));
    return true;
}

bool CQVListCtrl::RightDown(QPoint pt)
{
    const int nRow = RowAt(pt.y());
    const int nColumn = ColumnAt(pt.x());
    tagQVListCell* pCell = (nRow >= 0 && nColumn >= 0) ? CellAt(nColumn, nRow) : nullptr;
    if (!pCell)
        return false;
    TakeFocus();
    CloseEditor(true);
    CloseDropDown();
    if (CellAt(nColumn, nRow) != pCell)
        return true;
    SetCurrent(pCell);
    if (pCell->nRow != m_nSelectedRow)
        SetSelection(pCell->nRow, true);
    return true;
}

bool CQVListCtrl::RightUp(QPoint pt)
{
    if (GetHeaderRect().contains(pt))
    {
        if (!m_bHeaderMenuEnabled || m_columns.empty())
            return false;
        RunHeaderMenu(pt);
        return true;
    }
    if (!GetViewRect().contains(pt))
        return false;
    const int nRow = RowAt(pt.y());
    const int nColumn = ColumnAt(pt.x());
    const tagQVListCell* pCell = (nRow >= 0 && nColumn >= 0) ? CellAt(nColumn, nRow) : nullptr;
    if (pCell)
    {
        if (pCell == m_pCurrent && m_bRowMenuEnabled)
            RunRowMenu(pt);
        return true;
    }
    // The empty-area menu removes rows: it is off whenever the row menu is.
    if (m_bRemovalAllowed && m_bRowMenuEnabled)
        RunEmptyAreaMenu(pt);
    return true;
}

// --- menus

void CQVListCtrl::RunHeaderMenu(QPoint pt)
{
    if (!m_pHeaderMenu)
        RebuildHeaderMenu();
    for (QAction* pAction : m_pHeaderMenu->actions())
    {
        const int nColumn = CQVMenuEx::CommandOf(pAction) - 1;
        if (nColumn >= 0 && nColumn < GetColumnCount())
            pAction->setChecked(!m_columns[nColumn]->bHidden);
    }
    const int nCommand = m_pHeaderMenu->TrackPopup(m_pOwner ? m_pOwner->ClientToScreen(pt) : pt);
    const int nColumn = nCommand - 1;
    if (nColumn < 0 || nColumn >= GetColumnCount())
        return;
    ShowColumn(nColumn, m_columns[nColumn]->bHidden != 0, true);
}

void CQVListCtrl::RunRowMenu(QPoint pt)
{
    if (!m_pRowMenu)
    {
        m_pRowMenu = std::make_unique<CQVMenuEx>();
        // The owner may put its own items first.
        Send(kMsgListRowMenuFill, reinterpret_cast<intptr_t>(m_pRowMenu.get()));
        m_pRowMenu->AppendCommand(kCommandMoveUp, QStringLiteral("Move &Up"));
        m_pRowMenu->AppendCommand(kCommandMoveDown, QStringLiteral("Move &Down"));
        m_pRowMenu->AppendSeparator();
        m_pRowMenu->AppendCommand(kCommandRemoveLine, QStringLiteral("&Remove Line"));
        m_pRowMenu->AppendCommand(kCommandRemoveAll, QStringLiteral("Remove &All Lines"));
    }
    // The removal items (and their separator) follow the switch as it is now.
    const QList<QAction*> actions = m_pRowMenu->actions();
    for (int i = 0; i < actions.size(); ++i)
    {
        const int nCommand = CQVMenuEx::CommandOf(actions[i]);
        if (nCommand == kCommandRemoveLine || nCommand == kCommandRemoveAll)
            actions[i]->setVisible(m_bRemovalAllowed);
        if (nCommand == kCommandRemoveLine && i > 0 && actions[i - 1]->isSeparator())
            actions[i - 1]->setVisible(m_bRemovalAllowed);
    }
    Send(kMsgListRowMenuShow, reinterpret_cast<intptr_t>(m_pRowMenu.get()));
    const int nRow = m_pCurrent ? m_pCurrent->nRow : -1;
    const int nCommand = m_pRowMenu->TrackPopup(m_pOwner ? m_pOwner->ClientToScreen(pt) : pt);
    if (nCommand == 0)
        return;
    Send(kMsgListMenuCommand, nCommand);
    switch (nCommand)
    {
    case kCommandMoveUp:
        MoveRowUp(nRow);
        break;
    case kCommandMoveDown:
        MoveRowDown(nRow);
        break;
    case kCommandRemoveLine:
        RemoveRow(nRow, true);
        break;
    case kCommandRemoveAll:
        RemoveAllRows(true);
        break;
    default:
        break;
    }
    Send(kMsgListMenuDone, nCommand);
}

void CQVListCtrl::RunEmptyAreaMenu(QPoint pt)
{
    if (!m_pEmptyMenu)
    {
        m_pEmptyMenu = std::make_unique<CQVMenuEx>();
        m_pEmptyMenu->AppendCommand(kCommandRemoveAll, QStringLiteral("Remove &All Lines"));
    }
    const int nCommand = m_pEmptyMenu->TrackPopup(m_pOwner ? m_pOwner->ClientToScreen(pt) : pt);
    if (nCommand == 0)
        return;
    Send(kMsgListMenuCommand, nCommand);
    if (nCommand == kCommandRemoveAll)
        RemoveAllRows(true);
    Send(kMsgListMenuDone, nCommand);
}

// --- in-place editors

bool CQVListCtrl::IsEditorOpen() const
{
    return m_pEditor && m_pEditor->IsWindow();
}

void CQVListCtrl::OpenEditor(int nColumn, int nRow)
{
    CloseDropDown();
    if (m_pEditor && m_nEditorColumn == nColumn && m_nEditorRow == nRow)
    {
        m_pEditor->SetFocus();
        return;
    }
    CloseEditor(true);
    // Storing the old editor's text told the owner, which may have changed the rows.
    tagQVListCell* pCell = CellAt(nColumn, nRow);
    if (!pCell || !CanEdit(pCell) || !m_pOwner || !m_pOwner->GetWidget())
        return;
    auto pEditor = std::make_unique<CQVEditCtrl>();
    if (!pEditor->Create(m_pOwner, m_nId, m_columns[nColumn]->bMultiLine, false, m_fontCell))
        return;
    // The list tells its owner of the edit when the editor closes, not on every key.
    pEditor->SetNotify(false);
    pEditor->SetText(GetCellText(nColumn, nRow));
    pEditor->SelectAll();
    const bool bMultiLine = pEditor->IsMultiLine();
    pEditor->onKey = [this, bMultiLine](QKeyEvent* pEvent)
    {
        const int nKey = pEvent->key();
        if (nKey == Qt::Key_Escape)
        {
            CloseEditor(false);
            return true;
        }
        const bool bEnter = nKey == Qt::Key_Return || nKey == Qt::Key_Enter;
        // A multi-line editor takes Enter as a line break; Ctrl+Enter stores.
        if (nKey == Qt::Key_Tab || nKey == Qt::Key_Backtab ||
            (bEnter && (!bMultiLine || (pEvent->modifiers() & Qt::ControlModifier))))
        {
            CloseEditor(true);
            return true;
        }
        return false;
    };
    pEditor->onFocusOut = [this](int nReason)
    {
        // Its own context menu, or another application, takes the focus only for a while.
        if (nReason == Qt::PopupFocusReason || nReason == Qt::ActiveWindowFocusReason)
            return;
        CloseEditor(true);
    };
    m_pEditor = std::move(pEditor);
    m_nEditorColumn = nColumn;
    m_nEditorRow = nRow;
    PlaceEditor();
    m_pEditor->SetFocus();
    Redraw();
}

void CQVListCtrl::PlaceEditor()
{
    if (!m_pEditor)
        return;
    const QRect cell = GetCellRect(m_nEditorColumn, m_nEditorRow);
    const QRect view = GetViewRect();
    // A cell scrolled partly out of view hides its editor until it comes back.
    if (cell.isEmpty() || cell.top() < view.top() || cell.bottom() > view.bottom() ||
        cell.right() < view.left() || cell.left() > view.right())
    {
        m_pEditor->ShowWindow(false);
        return;
    }
    QRect rc = cell.adjusted(4, 4, -4, -4);
    if (m_pEditor->IsMultiLine())
        rc.setBottom(std::min(cell.top() + 3 * kRowHeight - 4, view.bottom() - 2));
    rc.setLeft(std::max(rc.left(), view.left() + 1));
    rc.setRight(std::min(rc.right(), view.right() - 1));
    m_pEditor->MoveWindow(rc);
    m_pEditor->ShowWindow(true);
}

void CQVListCtrl::CloseEditor(bool bStore)
{
    if (!m_pEditor)
        return;
    std::unique_ptr<CQVEditCtrl> pEditor = std::move(m_pEditor);
    const QString strNew = pEditor->GetText();
    const int nColumn = m_nEditorColumn, nRow = m_nEditorRow;
    m_nEditorColumn = m_nEditorRow = -1;
    pEditor->Destroy();
    // This may run inside the editor's own key or focus handler: the object (and the
    // handler being run) is freed once control is back in the event loop.
    if (QCoreApplication::instance())
    {
        CQVEditCtrl* pRetired = pEditor.release();
        QTimer::singleShot(0, QCoreApplication::instance(), [pRetired] { delete pRetired; });
    }
    tagQVListCell* pCell = bStore ? CellAt(nColumn, nRow) : nullptr;
    if (!pCell)
    {
        Redraw();
        return;
    }
    const bool bChanged = pCell->strText.isNull() ? !strNew.isEmpty() : strNew != pCell->strText;
    if (!bChanged)
    {
        Redraw();
        return;
    }
    pCell->strText = strNew;
    Redraw();
    Send(kMsgListCellEdited, CellParam(nColumn, nRow));
}

bool CQVListCtrl::IsDropDownOpen() const
{
    return m_pDropDown && m_pDropDown->IsOpen();
}

void CQVListCtrl::OpenDropDown(int nColumn, int nRow)
{
    tagQVListCell* pCell = CellAt(nColumn, nRow);
    if (!pCell || pCell->choices.isEmpty() || !m_pOwner || !m_pOwner->IsWindow())
        return;
    if (!m_pDropDown)
    {
        m_pDropDown = std::make_unique<CQVComboBoxWnd>();
        m_pDropDown->onChoose = [this](int nIndex)
        {
            tagQVListCell* pChosen = CellAt(m_nDropDownColumn, m_nDropDownRow);
            const int nChosenColumn = m_nDropDownColumn, nChosenRow = m_nDropDownRow;
            m_nDropDownColumn = m_nDropDownRow = -1;
            if (!pChosen || nIndex < 0 || nIndex >= pChosen->choices.size() ||
                nIndex == pChosen->nChosen)
                return;
            pChosen->nChosen = nIndex;
            // The choice is shown from now on.
            pChosen->strText = QString();
            Redraw();
            Send(kMsgListCellEdited, CellParam(nChosenColumn, nChosenRow));
        };
        m_pDropDown->onClosed = [this] { Redraw(); };
    }
    m_nDropDownColumn = nColumn;
    m_nDropDownRow = nRow;
    const QRect cell = GetCellRect(nColumn, nRow);
    const QRect anchor(m_pOwner->ClientToScreen(cell.topLeft()), cell.size());
    m_pDropDown->Open(m_pOwner, anchor, pCell->choices, pCell->nChosen, m_fontCell, 300);
}

void CQVListCtrl::CloseDropDown()
{
    if (m_pDropDown && m_pDropDown->IsOpen())
        m_pDropDown->Close();
    m_nDropDownColumn = m_nDropDownRow = -1;
}

} // namespace qv
