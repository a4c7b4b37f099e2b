#include "ControlsTestSupport.h"

#include "platform/ProgramFolder.h"
#include "ui/CQVCheck.h"
#include "ui/CQVComboBox.h"
#include "ui/CQVComboBoxWnd.h"
#include "ui/CQVControlClasses.h"
#include "ui/CQVEdit.h"
#include "ui/CQVEditCtrl.h"
#include "ui/CQVListCtrl.h"
#include "ui/CQVMenuEx.h"
#include "ui/CQVProgress.h"
#include "ui/CQVRadio.h"
#include "ui/CQVSkinFonts.h"
#include "ui/CQVSlider.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace qv;
using namespace qv::test;

namespace
{

// The dialog's combo-box handler, to see the choice arrive where dialogs override it.
class CComboDialog : public CMessageDialog
{
public:
    std::vector<std::pair<CQVButton*, int>> choices;

protected:
    intptr_t OnComboChoice(CQVButton* pComboBox, int nIndex) override
    {
        choices.emplace_back(pComboBox, nIndex);
        return 0;
    }
};

class EditComboTest : public CToolkitTest
{
protected:
    // Two edit boxes (27 digits only, 28), an editable combo box (29) and a fixed one (30).
    void Open()
    {
        dialog.addControls = [this](CQVUIManager& manager)
        {
            pDigits = new CQVEdit();
            pDigits->SetDigitsOnly(true);
            pDigits->Move(20, 50, 120, 24, false);
            manager.Add(27, pDigits, kKindEdit);
            pText = new CQVEdit();
            pText->SetText(QStringLiteral("abcdefgh"), false);
            pText->Move(20, 90, 200, 24, false);
            manager.Add(28, pText, kKindEdit);
            pEditable = new CQVComboBox();
            pEditable->SetEditable(true);
            pEditable->Move(20, 130, 150, 22, false);
            manager.Add(29, pEditable, kKindComboBox);
            pFixed = new CQVComboBox();
            pFixed->Move(20, 170, 150, 22, false);
            manager.Add(30, pFixed, kKindComboBox);
            for (CQVComboBox* pCombo : {pEditable, pFixed})
            {
                pCombo->AddItem(QStringLiteral("One"));
                pCombo->AddItem(QStringLiteral("Two"));
                pCombo->AddItem(QStringLiteral("Three"));
            }
        };
        ASSERT_TRUE(OpenShown(dialog));
        pWidget = dialog.GetWidget();
    }
    static QLineEdit* LineEdit(CQVEdit* pEdit)
    {
        return pEdit->GetEditCtrl() ? qobject_cast<QLineEdit*>(pEdit->GetEditCtrl()->GetWidget())
                                    : nullptr;
    }
    std::vector<tagMessage> ChangesOf(int nId) const
    {
        std::vector<tagMessage> found;
        for (const tagMessage& message : dialog.Only(kMsgCommand))
            if ((message.wParam & 0xFFFF) == static_cast<uintptr_t>(nId) &&
                (message.wParam >> 16) == CQVEditCtrl::kEnChange)
                found.push_back(message);
        return found;
    }

    CComboDialog dialog;
    CQVEdit* pDigits = nullptr;
    CQVEdit* pText = nullptr;
    CQVComboBox* pEditable = nullptr;
    CQVComboBox* pFixed = nullptr;
    QWidget* pWidget = nullptr;
};

} // namespace

TEST_F(EditComboTest, EditBoxHostsARealLineEditWithTheFontInsideTheControl)
{
    Open();
    QLineEdit* pEdit = LineEdit(pText);
    ASSERT_NE(pEdit, nullptr);
    EXPECT_EQ(pEdit->parentWidget(), pWidget);
    EXPECT_TRUE(pEdit->isVisible());
    const tagQVFontRecord* pFont = CQVSkinFonts::Find(3);
    ASSERT_NE(pFont, nullptr) << "the shipped skin names font 3";
    const int nLine = pFont->nSize + 1;
    EXPECT_EQ(pEdit->geometry(), QRect(21, 90 + (24 - nLine) / 2, 198, nLine));
    EXPECT_EQ(pEdit->font().pixelSize(), pFont->nSize);
    EXPECT_EQ(pEdit->text(), QStringLiteral("abcdefgh")) << "the stored text moves in";
    EXPECT_EQ(LineEdit(pEditable)->geometry().width(), 150 - 20 - 2);
    EXPECT_EQ(pFixed->GetEditCtrl(), nullptr) << "a fixed combo box draws its own text";

    // Moving, hiding and disabling the control pass to the edit window.
    pText->Move(30, 100, 180, 30, true);
    EXPECT_EQ(pEdit->geometry(), QRect(31, 100 + (30 - nLine) / 2, 178, nLine));
    pText->Show(false, true);
    EXPECT_FALSE(pEdit->isVisible());
    pText->Show(true, true);
    pText->Enable(false, true);
    EXPECT_FALSE(pEdit->isEnabled());
}

TEST_F(EditComboTest, TypingReachesTheOwnerAsTheEditChangeNotification)
{
    Open();
    QLineEdit* pEdit = LineEdit(pDigits);
    ASSERT_NE(pEdit, nullptr);
    EXPECT_TRUE(ChangesOf(27).empty()) << "making the window is no change";
    QTest::keyClicks(pEdit, QStringLiteral("12ab3"));
    EXPECT_EQ(pDigits->GetText(), QStringLiteral("123")) << "digits only";
    const std::vector<tagMessage> changes = ChangesOf(27);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].lParam, reinterpret_cast<intptr_t>(pDigits->GetEditCtrl()));
    pDigits->SetText(QStringLiteral("77"), true);
    EXPECT_EQ(pEdit->text(), QStringLiteral("77"));
    // Pasted text that is not all digits is refused too.
    QGuiApplication::clipboard()->setText(QStringLiteral("4x"));
    pEdit->selectAll();
    pEdit->paste();
    EXPECT_EQ(pDigits->GetText(), QStringLiteral("77"));
}

TEST_F(EditComboTest, AClickBesideTheEditWindowPutsTheCaretWhereTheUserClicked)
{
    Open();
    QLineEdit* pEdit = LineEdit(pText);
    ASSERT_NE(pEdit, nullptr);
    const QRect rcEdit = pEdit->geometry();
    ASSERT_GT(rcEdit.top(), 91) << "there is a margin above the edit window";
    // The pointer over the gap between "c" and "d", in the control's top margin.
    const QFontMetrics metrics(pEdit->font());
    const int x = rcEdit.left() + pEdit->textMargins().left() + 2 +
                  metrics.horizontalAdvance(QStringLiteral("abc"));
    QTest::mouseClick(pWidget, Qt::LeftButton, {}, QPoint(x, 91));
    EXPECT_TRUE(pEdit->hasFocus());
    EXPECT_EQ(pEdit->cursorPosition(), 3);
    EXPECT_FALSE(pEdit->hasSelectedText());
    EXPECT_EQ(dialog.GetUIManager()->GetFocused(), pText);
}

TEST_F(EditComboTest, TabInTheEditWindowMovesTheToolkitFocus)
{
    Open();
    pDigits->TakeFocus();
    QLineEdit* pFirst = LineEdit(pDigits);
    ASSERT_TRUE(WaitFor([&] { return pFirst->hasFocus(); }));
    QTest::keyClick(pFirst, Qt::Key_Tab);
    EXPECT_EQ(dialog.GetUIManager()->GetFocused(), pText);
    EXPECT_TRUE(LineEdit(pText)->hasFocus());
    // Escape in an edit window reaches the dialog.
    QTest::keyClick(LineEdit(pText), Qt::Key_Escape);
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResultCode(), kIdCancel);
}

TEST_F(EditComboTest, ContextMenuOffersCutCopyAndPaste)
{
    Open();
    QLineEdit* pEdit = LineEdit(pText);
    pEdit->setFocus();
    pEdit->setSelection(2, 3);
    std::unique_ptr<CQVMenuEx> pMenu = pText->GetEditCtrl()->BuildContextMenu();
    QStringList texts;
    for (QAction* pAction : pMenu->actions())
        texts << pAction->text();
    EXPECT_EQ(texts, QStringList({"Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V"}));

    // A right click in the control's margin places the caret there and opens the menu.
    {
        CMenuDriver menu{QString()};
        QTest::mouseClick(pWidget, Qt::RightButton, {}, QPoint(25, 92));
        ASSERT_TRUE(menu.Shown());
        EXPECT_EQ(menu.Items().size(), 3);
    }
    EXPECT_TRUE(pEdit->hasFocus());
    EXPECT_EQ(pEdit->cursorPosition(), 0);
    QGuiApplication::clipboard()->clear();
    pEdit->setSelection(0, 2);
    {
        CMenuDriver menu(QStringLiteral("Cu&t"));
        pText->GetEditCtrl()->RunContextMenu(QPoint(5, 5));
        ASSERT_TRUE(menu.Shown());
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("ab"));
    EXPECT_EQ(pText->GetText(), QStringLiteral("cdefgh"));
}

TEST_F(EditComboTest, TypingTheSecondItemIntoAnEditableComboSelectsIt)
{
    Open();
    EXPECT_EQ(pEditable->GetSelection(), -1);
    QLineEdit* pEdit = LineEdit(pEditable);
    ASSERT_NE(pEdit, nullptr);
    QTest::keyClicks(pEdit, QStringLiteral("Two"));
    EXPECT_EQ(pEditable->GetSelection(), 1);
    QTest::keyClicks(pEdit, QStringLiteral(" "));
    EXPECT_EQ(pEditable->GetSelection(), -1) << "the text must match exactly";
    // With two items of that text the last one counts.
    pEditable->AddItem(QStringLiteral("Two"));
    pEditable->Select(1, true);
    EXPECT_EQ(pEdit->text(), QStringLiteral("Two"));
    EXPECT_EQ(pEditable->GetSelection(), 3);
    EXPECT_FALSE(ChangesOf(29).empty()) << "the combo box's text changes are edit changes";

    pEditable->SetItemValue(2, 7);
    pEditable->SetItemValue(9, 1);
    EXPECT_EQ(pEditable->GetItemValue(2), 7);
    EXPECT_EQ(pEditable->GetItemValue(9), 0);
    EXPECT_TRUE(pEditable->GetItemText(-1).isEmpty());
    pEditable->Select(8, true);
    EXPECT_TRUE(pEditable->GetText().isEmpty());
    pEditable->Clear();
    EXPECT_EQ(pEditable->GetCount(), 0);
    EXPECT_EQ(pEditable->GetSelection(), -1);
}

TEST_F(EditComboTest, FixedComboOpensItsListAnywhereAndAChoicePosts2024)
{
    Open();
    QTest::mouseClick(pWidget, Qt::LeftButton, {}, QPoint(40, 181));
    ASSERT_TRUE(pFixed->IsDropDownOpen());
    CQVComboBoxWnd* pDrop = pFixed->GetDropDown();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pDrop->GetWidget()));
    EXPECT_EQ(pDrop->GetWindowRect().topLeft(),
              pFixed->GetOwner()->ClientToScreen(QPoint(20, 192)));
    EXPECT_EQ(pDrop->GetWindowRect().width(), 150);
    const QPoint three = pDrop->GetList().RowRect(2).center();
    QTest::mouseMove(pDrop->GetWidget(), three);
    QTest::mouseClick(pDrop->GetWidget(), Qt::LeftButton, {}, three);
    DeliverPosted();
    EXPECT_FALSE(pFixed->IsDropDownOpen());
    EXPECT_EQ(pFixed->GetText(), QStringLiteral("Three"));
    EXPECT_EQ(pFixed->GetSelection(), 2);
    ASSERT_EQ(dialog.choices.size(), 1u);
    EXPECT_EQ(dialog.choices[0].first, pFixed);
    EXPECT_EQ(dialog.choices[0].second, 2);

    // Keys in the open list: Up, Enter.
    QTest::mouseClick(pWidget, Qt::LeftButton, {}, QPoint(40, 181));
    ASSERT_TRUE(pFixed->IsDropDownOpen());
    EXPECT_EQ(pDrop->GetList().GetCurrent(), 2);
    QTest::keyClick(pDrop->GetWidget(), Qt::Key_Up);
    QTest::keyClick(pDrop->GetWidget(), Qt::Key_Return);
    DeliverPosted();
    EXPECT_EQ(pFixed->GetText(), QStringLiteral("Two"));
    ASSERT_EQ(dialog.choices.size(), 2u);
    EXPECT_EQ(dialog.choices[1].second, 1);

    // Escape closes without a choice; so does the focus moving to another control.
    QTest::mouseClick(pWidget, Qt::LeftButton, {}, QPoint(40, 181));
    ASSERT_TRUE(pFixed->IsDropDownOpen());
    QTest::keyClick(pDrop->GetWidget(), Qt::Key_Escape);
    EXPECT_FALSE(pFixed->IsDropDownOpen());
    pFixed->OpenDropDown();
    ASSERT_TRUE(pFixed->IsDropDownOpen());
    pText->TakeFocus();
    EXPECT_FALSE(pFixed->IsDropDownOpen());
    DeliverPosted();
    EXPECT_EQ(dialog.choices.size(), 2u);
}

TEST_F(EditComboTest, EditableComboOpensOnlyFromItsButton)
{
    Open();
    QTest::mouseClick(pWidget, Qt::LeftButton, {}, QPoint(25, 131));
    EXPECT_FALSE(pEditable->IsDropDownOpen());
    EXPECT_TRUE(LineEdit(pEditable)->hasFocus());
    QTest::mouseClick(pWidget, Qt::LeftButton, {}, pEditable->ButtonRect().center());
    EXPECT_TRUE(pEditable->IsDropDownOpen());
    pEditable->CloseDropDown();
}

TEST(ControlClasses, SkinElementsMakeTheToolkitsControlsWithTheirAttributes)
{
    CQVTheme::ResetToBuiltIn();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile file(QDir(folder.path()).filePath(QStringLiteral("skin.xml")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"(<skin>
  <check id="1" x="5" y="5" width="80" height="20"><text>Yes</text></check>
  <radio id="2" x="5" y="30" width="80" height="20"/>
  <sedit id="3" x="5" y="55" width="80" height="22" number="1"/>
  <progress id="4" x="5" y="80" width="80" height="10" minpos="10" maxpos="30" curpos="25"/>
  <combobox id="5" x="5" y="95" width="80" height="22" edited="1"/>
  <combobox id="6" x="5" y="120" width="80" height="22"/>
  <slider id="7" x="5" y="145" width="80" height="16"/>
  <listctrl id="8" x="100" y="5" width="200" height="150"/>
</skin>)");
    file.close();
    CQVControlClasses::RegisterWithSkinLoader();
    CMessageDialog window;
    ASSERT_TRUE(OpenShown(window));
    CQVUIManager manager;
    const std::string base = QDir(folder.path()).absolutePath().toStdString() + "/";
    ASSERT_TRUE(manager.LoadSkinFrom(&window, base, "skin.xml"));
    for (int nKind : {kKindCheck, kKindRadio, kKindEdit, kKindProgress, kKindComboBox, kKindSlider,
                      kKindListCtrl})
        CQVSkinLoader::RegisterControlClass(nKind, nullptr);

    auto* pCheck = dynamic_cast<CQVCheck*>(manager.Find(1, kKindCheck));
    ASSERT_NE(pCheck, nullptr);
    EXPECT_EQ(dynamic_cast<CQVRadio*>(pCheck), nullptr);
    EXPECT_NE(dynamic_cast<CQVRadio*>(manager.Find(2, kKindRadio)), nullptr);
    auto* pEdit = dynamic_cast<CQVEdit*>(manager.Find(3, kKindEdit));
    ASSERT_NE(pEdit, nullptr);
    EXPECT_TRUE(pEdit->IsDigitsOnly());
    ASSERT_NE(pEdit->GetEditCtrl(), nullptr) << "skin edit boxes get their edit window too";
    EXPECT_TRUE(pEdit->GetEditCtrl()->IsWindow());
    auto* pProgress = dynamic_cast<CQVProgress*>(manager.Find(4, kKindProgress));
    ASSERT_NE(pProgress, nullptr);
    EXPECT_EQ(pProgress->GetMin(), 10.0);
    EXPECT_EQ(pProgress->GetMax(), 30.0);
    EXPECT_EQ(pProgress->GetPos(), 25.0);
    auto* pEditable = dynamic_cast<CQVComboBox*>(manager.Find(5, kKindComboBox));
    ASSERT_NE(pEditable, nullptr);
    EXPECT_TRUE(pEditable->IsEditable());
    EXPECT_NE(pEditable->GetEditCtrl(), nullptr);
    auto* pFixed = dynamic_cast<CQVComboBox*>(manager.Find(6, kKindComboBox));
    ASSERT_NE(pFixed, nullptr);
    EXPECT_FALSE(pFixed->IsEditable());
    EXPECT_EQ(pFixed->GetEditCtrl(), nullptr);
    EXPECT_NE(dynamic_cast<CQVSlider*>(manager.Find(7, kKindSlider)), nullptr);
    auto* pList = dynamic_cast<CQVListCtrl*>(manager.Find(8, kKindListCtrl));
    ASSERT_NE(pList, nullptr);
    EXPECT_EQ(pList->GetRect(), QRect(100, 5, 200, 150));
    manager.Destroy();
}
