#include "ControlsTestSupport.h"

#include "ui/CQVComboBoxWnd.h"
#include "ui/CQVEditCtrl.h"
#include "ui/CQVListCtrl.h"
#include "ui/CQVMenuEx.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <cmath>

using namespace qv;
using namespace qv::test;

namespace
{

enum : int
{
    kFile = 0,
    kState = 1,
    kStart = 2,
    kMode = 3,
    kWidth = 4
};

class ListCtrlTest : public CToolkitTest
{
protected:
    // A list of five columns (text, progress, editable, drop-down, text) and nRows rows named
    // "file0.mp4" ... with "0.00" in Start.
    void Open(int nRows = 6)
    {
        dialog.addControls = [this, nRows](CQVUIManager& manager)
        {
            pList = new CQVListCtrl();
            pList->Move(10, 40, 600, 380, false);
            manager.Add(26, pList, kKindListCtrl);
            pList->AddColumn(CQVListCtrl::kTypeText, 200, QStringLiteral("File"));
            pList->AddColumn(CQVListCtrl::kTypeProgress, 120, QStringLiteral("State"));
            pList->AddColumn(CQVListCtrl::kTypeEdit, 80, QStringLiteral("Start"));
            pList->AddColumn(CQVListCtrl::kTypeChoice, 90, QStringLiteral("Mode"));
            pList->AddColumn(CQVListCtrl::kTypeText, 60, QStringLiteral("Source W"));
            for (int i = 0; i < nRows; ++i)
            {
                pList->InsertRow(QStringLiteral("file%1.mp4").arg(i), 100 + i);
                pList->SetCellText(kState, i, QStringLiteral("Ready"), false);
                pList->SetCellText(kStart, i, QStringLiteral("0.00"), false);
                pList->SetCellText(kWidth, i, QString::number(640 + i), false);
                pList->SetCellChoices(
                    kMode, i,
                    {QStringLiteral("Fast"), QStringLiteral("Good"), QStringLiteral("Best")}, 0);
            }
        };
        ASSERT_TRUE(OpenShown(dialog));
        pWidget = dialog.GetWidget();
    }

    QPoint Cell(int nColumn, int nRow) const { return pList->GetCellRect(nColumn, nRow).center(); }
    void Click(QPoint pt) { QTest::mouseClick(pWidget, Qt::LeftButton, {}, pt); }
    void RightClick(QPoint pt) { QTest::mouseClick(pWidget, Qt::RightButton, {}, pt); }
    QStringList FileColumn() const
    {
        QStringList files;
        for (int i = 0; i < pList->GetRowCount(); ++i)
            files << pList->GetCellText(kFile, i);
        return files;
    }
    std::vector<unsigned> ListMessages() const
    {
        std::vector<unsigned> found;
        for (const tagMessage& message : dialog.messages)
            if (message.nMsg != kMsgCommand)
                found.push_back(message.nMsg);
        return found;
    }

    CMessageDialog dialog;
    CQVListCtrl* pList = nullptr;
    QWidget* pWidget = nullptr;
};

intptr_t Param(int nColumn, int nRow)
{
    return (nColumn << 16) | nRow;
}

} // namespace

TEST_F(ListCtrlTest, ProgressIsClampedIntoZeroToHundred)
{
    Open(2);
    pList->SetProgress(kState, 0, 150, true);
    EXPECT_EQ(pList->GetProgress(kState, 0), 100.0);
    pList->SetProgress(kState, 0, -5, true);
    EXPECT_EQ(pList->GetProgress(kState, 0), 0.0);
    pList->SetProgress(kState, 1, 42.5, false);
    EXPECT_EQ(pList->GetProgress(kState, 1), 42.5);
    pList->SetProgress(kState, 1, std::nan(""), false);
    EXPECT_EQ(pList->GetProgress(kState, 1), 0.0) << "not a number counts as nothing done";

    // Indexes outside the ranges are ignored and answered with nothing.
    pList->SetProgress(kState, 7, 50, true);
    pList->SetCellText(9, 0, QStringLiteral("x"), true);
    EXPECT_EQ(pList->GetProgress(kState, 7), 0.0);
    EXPECT_TRUE(pList->GetCellText(-1, 0).isEmpty());
    EXPECT_TRUE(pList->GetCellText(kFile, 2).isEmpty());
    EXPECT_EQ(pList->GetCellValue(kWidth, 1), 101) << "every cell keeps the row's value";
    EXPECT_EQ(pList->GetCellText(kMode, 1), QStringLiteral("Fast"))
        << "a cell without text shows its chosen choice";
}

TEST_F(ListCtrlTest, RemovingTheSelectedRowClearsTheSelectionWithoutNotifying)
{
    Open();
    Click(Cell(kFile, 2));
    ASSERT_EQ(pList->GetSelectedRow(), 2);
    ASSERT_EQ(dialog.Only(kMsgListSelChanged).size(), 1u);
    EXPECT_EQ(dialog.Only(kMsgListSelChanged)[0].lParam, 2);
    EXPECT_EQ(dialog.Only(kMsgListSelChanged)[0].wParam, reinterpret_cast<uintptr_t>(pList));
    EXPECT_TRUE(dialog.Only(kMsgListCellClicked).empty()) << "a read-only text cell";

    dialog.messages.clear();
    pList->RemoveRow(2, true);
    EXPECT_EQ(pList->GetSelectedRow(), -1);
    EXPECT_TRUE(dialog.Only(kMsgListSelChanged).empty());
    EXPECT_EQ(FileColumn(),
              QStringList({"file0.mp4", "file1.mp4", "file3.mp4", "file4.mp4", "file5.mp4"}));
    for (int i = 0; i < pList->GetRowCount(); ++i)
        EXPECT_EQ(pList->GetCell(kStart, i)->nRow, i) << "rows are renumbered";
    EXPECT_FALSE(pList->GetCurrentCell(nullptr, nullptr));

    // A selection below the removed row moves up with its row.
    Click(Cell(kFile, 3));
    ASSERT_EQ(pList->GetSelectedRow(), 3);
    pList->RemoveRow(0, true);
    EXPECT_EQ(pList->GetSelectedRow(), 2);
    EXPECT_EQ(pList->GetCellText(kFile, 2), QStringLiteral("file4.mp4"));
    pList->RemoveRow(17, true);
    EXPECT_EQ(pList->GetRowCount(), 4);
}

TEST_F(ListCtrlTest, RowMenuMovesRowThreeUpAndTellsTheOwnerAroundIt)
{
    Open();
    Click(Cell(kFile, 3));
    dialog.messages.clear();
    {
        CMenuDriver menu(QStringLiteral("Move &Up"));
        RightClick(Cell(kFile, 3));
        ASSERT_TRUE(menu.Shown());
        EXPECT_EQ(menu.Items(),
                  QStringList({"Move &Up", "Move &Down", "&Remove Line", "Remove &All Lines"}));
    }
    EXPECT_EQ(FileColumn(), QStringList({"file0.mp4", "file1.mp4", "file3.mp4", "file2.mp4",
                                         "file4.mp4", "file5.mp4"}));
    EXPECT_EQ(pList->GetSelectedRow(), 2);
    EXPECT_EQ(pList->GetCellValue(kWidth, 2), 103) << "every column moves with the row";
    EXPECT_EQ(pList->GetCellText(kWidth, 3), QStringLiteral("642"));
    EXPECT_EQ(pList->GetCell(kMode, 2)->nRow, 2);
    EXPECT_EQ(pList->GetCell(kMode, 3)->nRow, 3);
    EXPECT_EQ(ListMessages(),
              (std::vector<unsigned>{kMsgListRowMenuFill, kMsgListRowMenuShow, kMsgListMenuCommand,
                                     kMsgListSelChanged, kMsgListMenuDone}));
    EXPECT_EQ(dialog.Only(kMsgListMenuCommand)[0].lParam, CQVListCtrl::kCommandMoveUp);
    EXPECT_EQ(dialog.Only(kMsgListSelChanged)[0].lParam, 2);
    EXPECT_EQ(dialog.Only(kMsgListMenuDone)[0].lParam, CQVListCtrl::kCommandMoveUp);

    // The first row cannot move up, nor the last down.
    pList->MoveRowUp(0);
    pList->MoveRowDown(5);
    EXPECT_EQ(FileColumn().first(), QStringLiteral("file0.mp4"));
    EXPECT_EQ(FileColumn().last(), QStringLiteral("file5.mp4"));
    pList->MoveRowDown(0);
    EXPECT_EQ(FileColumn().mid(0, 2), QStringList({"file1.mp4", "file0.mp4"}));
    EXPECT_EQ(pList->GetSelectedRow(), 1);
}

TEST_F(ListCtrlTest, RowMenuIsFilledOnceAfterTheOwnerAndFollowsTheRemovalSwitch)
{
    Open();
    dialog.onMessage = [](const tagMessage& message)
    {
        if (message.nMsg == kMsgListRowMenuFill)
            reinterpret_cast<CQVMenuEx*>(message.lParam)
                ->AppendCommand(50, QStringLiteral("Crop..."));
    };
    Click(Cell(kFile, 1));
    {
        CMenuDriver menu(QStringLiteral("Crop..."));
        RightClick(Cell(kFile, 1));
        ASSERT_TRUE(menu.Shown());
        EXPECT_EQ(menu.Items().first(), QStringLiteral("Crop..."));
    }
    ASSERT_EQ(dialog.Only(kMsgListMenuCommand).size(), 1u);
    EXPECT_EQ(dialog.Only(kMsgListMenuCommand)[0].lParam, 50);
    EXPECT_EQ(dialog.Only(kMsgListMenuDone)[0].lParam, 50);
    EXPECT_EQ(pList->GetRowCount(), 6) << "the owner's own command changes no rows";

    pList->SetRemovalAllowed(false);
    {
        CMenuDriver menu{QString()};
        RightClick(Cell(kFile, 1));
        ASSERT_TRUE(menu.Shown());
        EXPECT_EQ(menu.Items(), QStringList({"Crop...", "Move &Up", "Move &Down"}));
    }
    EXPECT_EQ(dialog.Only(kMsgListRowMenuFill).size(), 1u);
    EXPECT_EQ(dialog.Only(kMsgListRowMenuShow).size(), 2u);
    EXPECT_EQ(dialog.Only(kMsgListMenuCommand).size(), 1u) << "a dismissed menu commands nothing";

    // While the row menu is off (the main window renders) a right click shows nothing.
    pList->SetRowMenuEnabled(false);
    CMenuDriver none{QString()};
    RightClick(Cell(kFile, 1));
    RightClick(pList->GetCellRect(kFile, 5).bottomLeft() + QPoint(5, 40));
    Pump(50);
    EXPECT_FALSE(none.Shown());
}

TEST_F(ListCtrlTest, RemoveLineFromTheRowMenuClearsTheSelectionAndAllLinesEmptiesTheList)
{
    Open();
    Click(Cell(kWidth, 4));
    dialog.messages.clear();
    {
        CMenuDriver menu(QStringLiteral("&Remove Line"));
        RightClick(Cell(kWidth, 4));
        ASSERT_TRUE(menu.Shown());
    }
    EXPECT_EQ(pList->GetRowCount(), 5);
    EXPECT_EQ(pList->GetSelectedRow(), -1);
    EXPECT_EQ(ListMessages(), (std::vector<unsigned>{kMsgListRowMenuFill, kMsgListRowMenuShow,
                                                     kMsgListMenuCommand, kMsgListMenuDone}));

    // The empty area below the rows offers only "Remove All Lines".
    dialog.messages.clear();
    {
        CMenuDriver menu(QStringLiteral("Remove &All Lines"));
        RightClick(pList->GetCellRect(kFile, 4).bottomLeft() + QPoint(5, 60));
        ASSERT_TRUE(menu.Shown());
        EXPECT_EQ(menu.Items(), QStringList({"Remove &All Lines"}));
    }
    EXPECT_EQ(pList->GetRowCount(), 0);
    EXPECT_EQ(ListMessages(), (std::vector<unsigned>{kMsgListMenuCommand, kMsgListMenuDone}));
    EXPECT_EQ(dialog.Only(kMsgListMenuCommand)[0].lParam, CQVListCtrl::kCommandRemoveAll);
}

TEST_F(ListCtrlTest, HeaderMenuHidesAColumnAndShowsItAgain)
{
    Open();
    const QPoint header = pList->GetHeaderCellRect(kFile).center();
    const int nWidthLeft = pList->GetHeaderCellRect(kWidth).left();
    {
        CMenuDriver menu(QStringLiteral("Start"));
        RightClick(header);
        ASSERT_TRUE(menu.Shown());
        EXPECT_EQ(menu.Items(), QStringList({"File", "State", "Start", "Mode", "Source W"}));
        EXPECT_EQ(menu.Checks(), std::vector<bool>(5, true));
    }
    EXPECT_FALSE(pList->IsColumnVisible(kStart));
    EXPECT_TRUE(pList->GetCellRect(kStart, 0).isEmpty());
    EXPECT_EQ(pList->GetHeaderCellRect(kWidth).left(), nWidthLeft - 80);
    EXPECT_EQ(pList->ColumnAt(pList->GetHeaderCellRect(kMode).left() + 2), kMode);
    {
        CMenuDriver menu(QStringLiteral("Start"));
        RightClick(header);
        ASSERT_TRUE(menu.Shown());
        EXPECT_EQ(menu.Checks(), (std::vector<bool>{true, true, false, true, true}));
    }
    EXPECT_TRUE(pList->IsColumnVisible(kStart));
    EXPECT_EQ(pList->GetHeaderCellRect(kWidth).left(), nWidthLeft);

    // The main window switches the header menu off.
    pList->SetHeaderMenuEnabled(false);
    CMenuDriver none{QString()};
    RightClick(header);
    Pump(50);
    EXPECT_FALSE(none.Shown());
    EXPECT_TRUE(pList->IsColumnVisible(kStart));
}

TEST_F(ListCtrlTest, ClickOnAnEditableCellSelectsItsRowOpensTheEditorAndSends2047)
{
    Open();
    Click(Cell(kStart, 1));
    EXPECT_EQ(pList->GetSelectedRow(), 1);
    ASSERT_TRUE(pList->IsEditorOpen());
    EXPECT_EQ(pList->GetEditorRow(), 1);
    EXPECT_EQ(pList->GetEditorColumn(), kStart);
    EXPECT_EQ(ListMessages(), (std::vector<unsigned>{kMsgListSelChanged, kMsgListCellClicked}));
    EXPECT_EQ(dialog.Only(kMsgListCellClicked)[0].lParam, Param(kStart, 1));
    QWidget* pEditor = pList->GetEditor()->GetWidget();
    ASSERT_NE(pEditor, nullptr);
    EXPECT_TRUE(pList->GetCellRect(kStart, 1).contains(pEditor->geometry()));
    EXPECT_TRUE(pEditor->hasFocus());

    // The same cell again keeps its editor and reports the click again.
    dialog.messages.clear();
    Click(Cell(kStart, 1) + QPoint(0, 11));
    EXPECT_EQ(ListMessages(), std::vector<unsigned>{kMsgListCellClicked});

    // A read-only cell opens nothing and reports nothing; a plain text cell closes the editor.
    pList->SetCellReadOnly(kStart, 4, true);
    dialog.messages.clear();
    Click(Cell(kStart, 4));
    EXPECT_FALSE(pList->IsEditorOpen());
    EXPECT_EQ(ListMessages(), std::vector<unsigned>{kMsgListSelChanged});

    // With editing off (a render runs) nothing opens and nothing is reported.
    pList->SetEditingEnabled(false);
    dialog.messages.clear();
    Click(Cell(kStart, 2));
    EXPECT_FALSE(pList->IsEditorOpen());
    EXPECT_EQ(ListMessages(), std::vector<unsigned>{kMsgListSelChanged});
}

TEST_F(ListCtrlTest, AnEditThatChangesTheCellSends2033AndOneThatDoesNotStaysQuiet)
{
    Open();
    Click(Cell(kStart, 1));
    ASSERT_TRUE(pList->IsEditorOpen());
    auto* pEdit = qobject_cast<QLineEdit*>(pList->GetEditor()->GetWidget());
    ASSERT_NE(pEdit, nullptr);
    EXPECT_EQ(pEdit->text(), QStringLiteral("0.00"));
    dialog.messages.clear();
    QTest::keyClicks(pEdit, QStringLiteral("12.5"));
    EXPECT_TRUE(dialog.Only(kMsgCommand).empty()) << "the editor is no edit box of the dialog";
    QTest::keyClick(pEdit, Qt::Key_Return);
    EXPECT_FALSE(pList->IsEditorOpen());
    EXPECT_EQ(pList->GetCellText(kStart, 1), QStringLiteral("12.5"));
    ASSERT_EQ(dialog.Only(kMsgListCellEdited).size(), 1u);
    EXPECT_EQ(dialog.Only(kMsgListCellEdited)[0].lParam, Param(kStart, 1));
    EXPECT_TRUE(pWidget->hasFocus()) << "keys go back to the window";

    // Unchanged text, or Escape, store nothing and say nothing.
    dialog.messages.clear();
    Click(Cell(kStart, 2));
    ASSERT_TRUE(pList->IsEditorOpen());
    pEdit = qobject_cast<QLineEdit*>(pList->GetEditor()->GetWidget());
    QTest::keyClick(pEdit, Qt::Key_Return);
    Click(Cell(kStart, 3));
    pEdit = qobject_cast<QLineEdit*>(pList->GetEditor()->GetWidget());
    QTest::keyClicks(pEdit, QStringLiteral("9"));
    QTest::keyClick(pEdit, Qt::Key_Escape);
    EXPECT_EQ(pList->GetCellText(kStart, 3), QStringLiteral("0.00"));
    EXPECT_TRUE(dialog.Only(kMsgListCellEdited).empty());

    // Clicking elsewhere stores the text as well.
    Click(Cell(kStart, 4));
    pEdit = qobject_cast<QLineEdit*>(pList->GetEditor()->GetWidget());
    QTest::keyClicks(pEdit, QStringLiteral("3"));
    Click(Cell(kFile, 0));
    EXPECT_FALSE(pList->IsEditorOpen());
    EXPECT_EQ(pList->GetCellText(kStart, 4), QStringLiteral("3"));
    ASSERT_EQ(dialog.Only(kMsgListCellEdited).size(), 1u);
    EXPECT_EQ(dialog.Only(kMsgListCellEdited)[0].lParam, Param(kStart, 4));
}

TEST_F(ListCtrlTest, MultiLineEditorTakesEnterAsALineBreakAndCtrlEnterStores)
{
    Open(2);
    pList->SetColumnMultiLine(kStart, true);
    Click(Cell(kStart, 0));
    ASSERT_TRUE(pList->IsEditorOpen());
    auto* pText = qobject_cast<QPlainTextEdit*>(pList->GetEditor()->GetWidget());
    ASSERT_NE(pText, nullptr);
    EXPECT_GT(pText->height(), CQVListCtrl::kRowHeight) << "room for more than one line";
    QTest::keyClicks(pText, QStringLiteral("a"));
    QTest::keyClick(pText, Qt::Key_Return);
    QTest::keyClicks(pText, QStringLiteral("b"));
    EXPECT_TRUE(pList->IsEditorOpen());
    QTest::keyClick(pText, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(pList->IsEditorOpen());
    EXPECT_EQ(pList->GetCellText(kStart, 0), QStringLiteral("a\nb"));
    EXPECT_EQ(dialog.Only(kMsgListCellEdited).size(), 1u);
}

TEST_F(ListCtrlTest, EditorFollowsItsRowAndGoesWithIt)
{
    Open();
    Click(Cell(kStart, 2));
    ASSERT_TRUE(pList->IsEditorOpen());
    pList->MoveRowUp(2);
    EXPECT_EQ(pList->GetEditorRow(), 1);
    EXPECT_TRUE(pList->GetCellRect(kStart, 1).contains(pList->GetEditor()->GetWindowRect()));
    pList->RemoveRow(0, true);
    EXPECT_EQ(pList->GetEditorRow(), 0);
    dialog.messages.clear();
    pList->RemoveRow(0, true);
    EXPECT_FALSE(pList->IsEditorOpen());
    EXPECT_TRUE(dialog.Only(kMsgListCellEdited).empty()) << "a removed row's edit is dropped";
}

TEST_F(ListCtrlTest, CheckPartsAndTheHeaderCheckFlipAndSend2046)
{
    Open(4);
    pList->SetColumnChecks(kFile, true, true);
    Click(pList->GetCheckPartRect(kFile, 2).center());
    EXPECT_TRUE(pList->GetCellChecked(kFile, 2));
    ASSERT_EQ(dialog.Only(kMsgListCheckToggled).size(), 1u);
    EXPECT_EQ(dialog.Only(kMsgListCheckToggled)[0].lParam, kFile);
    // The current cell's check part flips it back.
    Click(pList->GetCheckPartRect(kFile, 2).center());
    EXPECT_FALSE(pList->GetCellChecked(kFile, 2));
    // The text part of the cell is no check part.
    Click(Cell(kFile, 2) + QPoint(40, 0));
    EXPECT_FALSE(pList->GetCellChecked(kFile, 2));
    EXPECT_EQ(dialog.Only(kMsgListCheckToggled).size(), 2u);

    Click(pList->GetHeaderCellRect(kFile).center());
    EXPECT_TRUE(pList->GetHeaderCheck(kFile));
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(pList->GetCellChecked(kFile, i));
    EXPECT_EQ(dialog.Only(kMsgListCheckToggled).size(), 3u);
    // A header without a check does nothing.
    Click(pList->GetHeaderCellRect(kState).center());
    EXPECT_EQ(dialog.Only(kMsgListCheckToggled).size(), 3u);
}

TEST_F(ListCtrlTest, DropDownCellOpensOnTheCurrentCellAndAChoiceSends2033)
{
    Open(3);
    Click(Cell(kMode, 1));
    EXPECT_FALSE(pList->IsDropDownOpen()) << "the first click makes the cell current";
    EXPECT_EQ(dialog.Only(kMsgListCellClicked).size(), 1u);
    Click(Cell(kMode, 1));
    ASSERT_TRUE(pList->IsDropDownOpen());
    CQVComboBoxWnd* pDrop = pList->GetDropDown();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pDrop->GetWidget()));
    EXPECT_EQ(pDrop->GetList().GetItems(), QStringList({"Fast", "Good", "Best"}));
    EXPECT_EQ(pDrop->GetList().GetCurrent(), 0);
    const QPoint best = pDrop->GetList().RowRect(2).center();
    QTest::mouseMove(pDrop->GetWidget(), best);
    QTest::mouseClick(pDrop->GetWidget(), Qt::LeftButton, {}, best);
    EXPECT_FALSE(pList->IsDropDownOpen());
    EXPECT_EQ(pList->GetCellChosen(kMode, 1), 2);
    EXPECT_EQ(pList->GetCellText(kMode, 1), QStringLiteral("Best"));
    ASSERT_EQ(dialog.Only(kMsgListCellEdited).size(), 1u);
    EXPECT_EQ(dialog.Only(kMsgListCellEdited)[0].lParam, Param(kMode, 1));

    // Choosing the same entry again is no change.
    Click(Cell(kMode, 1));
    ASSERT_TRUE(pList->IsDropDownOpen());
    QTest::keyClick(pDrop->GetWidget(), Qt::Key_Return);
    EXPECT_FALSE(pList->IsDropDownOpen());
    EXPECT_EQ(dialog.Only(kMsgListCellEdited).size(), 1u);
}

TEST_F(ListCtrlTest, DraggingAHeaderBorderResizesTheColumn)
{
    Open(3);
    const QRect file = pList->GetHeaderCellRect(kFile);
    const QPoint border(file.right() + 1, file.center().y());
    EXPECT_EQ(pList->HeaderBorderAt(border.x()), kFile);
    QTest::mousePress(pWidget, Qt::LeftButton, {}, border);
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), &dialog);
    QTest::mouseMove(pWidget, border + QPoint(25, 0));
    QTest::mouseMove(pWidget, border + QPoint(40, 30));
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, border + QPoint(40, 30));
    EXPECT_EQ(pList->GetColumnWidth(kFile), 240);
    EXPECT_EQ(pList->GetHeaderCellRect(kState).left(), file.left() + 240);
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), nullptr);
    EXPECT_EQ(pList->GetSelectedRow(), -1) << "resizing selects nothing";

    // A column never shrinks below the smallest width.
    const QPoint newBorder(file.left() + 240, border.y());
    QTest::mousePress(pWidget, Qt::LeftButton, {}, newBorder);
    QTest::mouseMove(pWidget, newBorder - QPoint(400, 0));
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, newBorder - QPoint(400, 0));
    EXPECT_EQ(pList->GetColumnWidth(kFile), CQVListCtrl::kMinColumnWidth);
}

TEST_F(ListCtrlTest, ArrowKeysMoveTheSelection)
{
    Open(3);
    Click(Cell(kFile, 0));
    dialog.messages.clear();
    QTest::keyClick(pWidget, Qt::Key_Down);
    QTest::keyClick(pWidget, Qt::Key_Down);
    QTest::keyClick(pWidget, Qt::Key_Down);
    EXPECT_EQ(pList->GetSelectedRow(), 2);
    EXPECT_EQ(dialog.Only(kMsgListSelChanged).size(), 2u) << "the last row stays selected";
    QTest::keyClick(pWidget, Qt::Key_Up);
    EXPECT_EQ(pList->GetSelectedRow(), 1);
    int nColumn = -1, nRow = -1;
    ASSERT_TRUE(pList->GetCurrentCell(&nColumn, &nRow));
    EXPECT_EQ(nRow, 1);

    pList->SelectRow(-1);
    EXPECT_EQ(dialog.messages.back().nMsg, kMsgListSelChanged);
    EXPECT_EQ(dialog.messages.back().lParam, -1);
    const size_t nCount = dialog.messages.size();
    pList->SelectRow(-1);
    pList->SelectRow(3);
    EXPECT_EQ(dialog.messages.size(), nCount) << "the same row, or none that exists, says nothing";
}
