// The multi-column list: a header of columns, one row per item, cells of plain text,
// editable text (an in-place edit window), drop-down choices, check marks or progress bars,
// one selected row, column resizing by the header borders, a header menu that shows and
// hides columns, and a row menu that moves and removes rows. Every user action is told to
// the owner window through the messages below (sent, so the owner answers before the list
// goes on). Data is kept column by column; cells are renumbered on every move and removal.
// Registered under kind 14. GUI thread only.
#pragma once

#include "ui/CQVSkinLoader.h"
#include "ui/CQVWindow.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace qv
{

class CQVComboBoxWnd;
class CQVEditCtrl;
class CQVMenuEx;

// Messages to the owner window; wParam is always the list.
const unsigned kMsgListRowMenuShow = 1911;  // lParam the row menu (a CQVMenuEx*), before showing
const unsigned kMsgListRowMenuFill = 1912;  // lParam the row menu, before its first filling
const unsigned kMsgListCellEdited = 2033;   // lParam (column << 16) | row
const unsigned kMsgListMenuDone = 2034;     // lParam the command, after it was performed
const unsigned kMsgListSelChanged = 2036;   // lParam the selected row or -1
const unsigned kMsgListMenuCommand = 2045;  // lParam the command, before it is performed
const unsigned kMsgListCheckToggled = 2046; // lParam the column
const unsigned kMsgListCellClicked = 2047;  // lParam (column << 16) | row

struct tagQVListColumn;

struct tagQVListCell
{
    QString strText;     // null: no text (the chosen choice is shown instead)
    QStringList choices; // options of a drop-down cell
    int nChosen = -1;
    double dProgress = 0; // 0 .. 100
    int bChecked = 0;
    int bSelected = 0; // the row is the selected row
    int nRow = 0;
    tagQVListColumn* pColumn = nullptr;
    uint32_t clrText = 0; // the theme's text colour at insertion
    int bReadOnly = 0;    // no editor and no click notification
    int nValue = 0;       // the caller's value given at insertion
    QString strToolTip;   // shown under the cell while the pointer rests on it; empty: none
};

struct tagQVListColumn
{
    int nType = 0; // CQVListCtrl::kType...; other values draw as text
    int nWidth = 0;
    QString strTitle;
    int nIndex = 0;
    int bHidden = 0;
    int bHeaderCheck = 0;    // the header's check state
    int bHasHeaderCheck = 0; // a click on the header flips it
    int bCellChecks = 0;     // cells show a check box at their left
    int bMultiLine = 0;      // the in-place editor is multi-line
    std::vector<std::unique_ptr<tagQVListCell>> cells;
};

class CQVListCtrl : public CQVWindow
{
public:
    enum : int
    {
        kTypeText = 0,
        kTypeEdit = 2,
        kTypeProgress = 4,
        kTypeChoice = 5
    };
    // Row-menu commands.
    enum : int
    {
        kCommandMoveUp = 10,
        kCommandMoveDown = 11,
        kCommandRemoveLine = 12,
        kCommandRemoveAll = 13
    };
    static constexpr int kHeaderHeight = 28;
    static constexpr int kRowHeight = 26;
    static constexpr int kBorderGrip = 4; // pixels either side of a header border that grab it
    static constexpr int kMinColumnWidth = 16;
    static constexpr int kCheckSize = 14;

    CQVListCtrl();
    ~CQVListCtrl() override;

    static CQVButton* CreateFromSkin(const QVSkinAttributes& attributes);

    // --- columns. Indexes outside the range are ignored (getters answer 0, empty, false).
    int AddColumn(int nType, int nWidth, const QString& strTitle);
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    void SetColumnMultiLine(int nColumn, bool bMultiLine);
    void ShowColumn(int nColumn, bool bShow, bool bRelayout);
    bool IsColumnVisible(int nColumn) const;
    int GetColumnWidth(int nColumn) const;
    QString GetColumnTitle(int nColumn) const;
    // Cells with check boxes, and a check box in the header that sets the whole column.
    void SetColumnChecks(int nColumn, bool bCellChecks, bool bHeaderCheck);
    bool GetHeaderCheck(int nColumn) const;

    // --- rows and cells. Indexes outside the ranges are ignored.
    // Appends a row: the first column's cell gets the text, every cell the value.
    void InsertRow(const QString& strFirst, int nValue);
    int GetRowCount() const;
    // The cell's text, else its chosen choice, else empty.
    QString GetCellText(int nColumn, int nRow) const;
    void SetCellText(int nColumn, int nRow, const QString& strText, bool bRedraw);
    // Clamped to 0 .. 100.
    void SetProgress(int nColumn, int nRow, double dPercent, bool bRedraw);
    double GetProgress(int nColumn, int nRow) const;
    void SetCellChoices(int nColumn, int nRow, const QStringList& choices, int nChosen);
    int GetCellChosen(int nColumn, int nRow) const;
    void SetCellChecked(int nColumn, int nRow, bool bChecked, bool bRedraw);
    bool GetCellChecked(int nColumn, int nRow) const;
    void SetCellReadOnly(int nColumn, int nRow, bool bReadOnly);
    void SetCellTextColor(int nColumn, int nRow, uint32_t clrText, bool bRedraw);
    void SetCellToolTip(int nColumn, int nRow, const QString& strText);
    QString GetCellToolTip(int nColumn, int nRow) const;
    int GetCellValue(int nColumn, int nRow) const;
    const tagQVListCell* GetCell(int nColumn, int nRow) const;

    // --- selection and row operations
    // Deselects the old row, selects the new one (or none for -1), redraws and sends
    // kMsgListSelChanged; the already selected row does nothing.
    void SelectRow(int nRow);
    int GetSelectedRow() const { return m_nSelectedRow; }
    // The current cell; false without one.
    bool GetCurrentCell(int* pColumn, int* pRow) const;
    // Swap with the neighbour in every column; the moved row becomes the selected row.
    void MoveRowUp(int nRow);
    void MoveRowDown(int nRow);
    // Frees the row's cells; rows below move up. With bNotify the list relayouts and
    // redraws at once. Never sends kMsgListSelChanged by itself.
    void RemoveRow(int nRow, bool bNotify);
    void RemoveAllRows(bool bNotify);
    void EnsureRowVisible(int nRow, bool bRedraw);

    // --- switches
    void SetRemovalAllowed(bool bAllowed) { m_bRemovalAllowed = bAllowed; }
    bool IsRemovalAllowed() const { return m_bRemovalAllowed; }
    void SetHeaderMenuEnabled(bool bEnabled) { m_bHeaderMenuEnabled = bEnabled; }
    // Drawn in the middle of the rows' area while the list has no rows; empty draws nothing.
    void SetEmptyText(const QString& strText);
    const QString& EmptyText() const { return m_strEmptyText; }
    bool IsHeaderMenuEnabled() const { return m_bHeaderMenuEnabled; }
    // Off: no editor or drop-down opens and no 2047 is sent (an open editor is stored).
    void SetEditingEnabled(bool bEnabled);
    bool IsEditingEnabled() const { return m_bEditingEnabled; }
    void SetRowMenuEnabled(bool bEnabled) { m_bRowMenuEnabled = bEnabled; }
    bool IsRowMenuEnabled() const { return m_bRowMenuEnabled; }

    // --- editors
    bool IsEditorOpen() const;
    int GetEditorRow() const { return m_nEditorRow; }
    int GetEditorColumn() const { return m_nEditorColumn; }
    CQVEditCtrl* GetEditor() const { return m_pEditor.get(); }
    // Closes the in-place text editor; with bStore its text goes into its cell (and may
    // send kMsgListCellEdited).
    void CloseEditor(bool bStore);
    bool IsDropDownOpen() const;
    CQVComboBoxWnd* GetDropDown() const { return m_pDropDown.get(); }
    // The menus, once built (null before).
    CQVMenuEx* GetHeaderMenu() const { return m_pHeaderMenu.get(); }
    CQVMenuEx* GetRowMenu() const { return m_pRowMenu.get(); }

    // --- geometry in client coordinates
    QRect GetHeaderRect() const;
    QRect GetHeaderCellRect(int nColumn) const;
    QRect GetCellRect(int nColumn, int nRow) const;
    // The check box of a cell of a column with cell checks (empty otherwise).
    QRect GetCheckPartRect(int nColumn, int nRow) const;
    // The visible column at x, -1 for none; the row at y inside the rows area, -1 for none.
    int ColumnAt(int x) const;
    int RowAt(int y) const;
    // The column whose right border lies within the grip of x, -1 for none.
    int HeaderBorderAt(int x) const;

    // --- control operations
    void Destroy() override;
    bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt) override;
    // Up and Down move the selection.
    bool Key(const tagQVInputMessage& msg) override;
    void Show(bool bShow, bool bRedraw) override;
    void Enable(bool bEnable, bool bRedraw) override;
    // Scroll ranges from the visible columns and the rows.
    void RecalcLayout() override;
    void DrawText(QPainter* pGraphics, const QRect& rc) override;

protected:
    QRect ScrollFrame() const override;
    void DrawContent(QPainter* pGraphics, const QRect& rcView) override;
    void OnScrolled() override;

private:
    tagQVListCell* CellAt(int nColumn, int nRow) const;
    bool ValidCell(int nColumn, int nRow) const;
    int ColumnLeft(int nColumn) const;
    bool CanEdit(const tagQVListCell* pCell) const;
    void Renumber(int nFromRow);
    // Swaps row nUpper with the row below it in every column.
    void SwapRows(int nUpper);
    // The moved row becomes the selected row; the owner hears of a changed selection.
    void FinishMove(int nMovedTo, int nOldSelected);
    void SetSelection(int nRow, bool bNotify);
    void SetCurrent(tagQVListCell* pCell);
    void Send(unsigned nMsg, intptr_t lParam);
    void Redraw();
    void RebuildHeaderMenu();

    // Mouse handling by purpose.
    bool LeftClick(QPoint pt);
    bool RightDown(QPoint pt);
    bool RightUp(QPoint pt);
    void RunHeaderMenu(QPoint pt);
    void RunRowMenu(QPoint pt);
    void RunEmptyAreaMenu(QPoint pt);

    // In-place editors.
    void OpenEditor(int nColumn, int nRow);
    void PlaceEditor();
    void OpenDropDown(int nColumn, int nRow);
    void CloseDropDown();

    // The hovered cell's tooltip, shown or hidden as it has one.
    void ShowCellToolTip();
    QRect ToolTipAnchor() const override;

    // Drawing.
    void DrawHeader(QPainter* pGraphics);
    void DrawCell(QPainter* pGraphics, const tagQVListCell& cell, const QRect& rcCell,
                  bool bRowSelected);

    std::vector<std::unique_ptr<tagQVListColumn>> m_columns;
    int m_nSelectedRow = -1;
    tagQVListCell* m_pCurrent = nullptr;
    int m_nEditorRow = -1;
    int m_nEditorColumn = -1;
    std::unique_ptr<CQVEditCtrl> m_pEditor;
    // A closed editor is freed at the next opening or with the list, never inside one of
    // its own event handlers.
    std::unique_ptr<CQVEditCtrl> m_pRetiredEditor;
    QString m_strEditorOldText;
    bool m_bEditorHadText = false;
    std::unique_ptr<CQVComboBoxWnd> m_pDropDown;
    int m_nDropDownColumn = -1;
    int m_nDropDownRow = -1;
    std::unique_ptr<CQVMenuEx> m_pHeaderMenu;
    std::unique_ptr<CQVMenuEx> m_pRowMenu;
    std::unique_ptr<CQVMenuEx> m_pEmptyMenu;
    QString m_strEmptyText;
    bool m_bRemovalAllowed = true;
    bool m_bHeaderMenuEnabled = true;
    bool m_bEditingEnabled = true;
    bool m_bRowMenuEnabled = true;
    QFont m_fontCell;   // "Arial", cells and editors
    QFont m_fontHeader; // the program's default face, bold, titles
    int m_nResizeColumn = -1;
    int m_nResizeStartX = 0;
    int m_nResizeStartWidth = 0;
    int m_nHoverRow = -1;
    int m_nHoverColumn = -1; // the column of the hovered row's cell under the pointer
    int m_nHoverHeader = -1;
};

} // namespace qv
