// The list's row menu, a combo box's drop-down window and an edit box on a real X server,
// driven by xdotool: popups grab the pointer there, which the offscreen platform does not
// show. Skipped without a display or without xdotool. With VANTREL_SCREENSHOT_DIR set the
// open drop-down is saved there.
#include "ControlsTestSupport.h"

#include "platform/ProgramFolder.h"
#include "ui/CQVComboBox.h"
#include "ui/CQVComboBoxWnd.h"
#include "ui/CQVEdit.h"
#include "ui/CQVEditCtrl.h"
#include "ui/CQVListCtrl.h"

#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

using namespace qv;
using namespace qv::test;

namespace
{

bool Xdotool(const QStringList& arguments)
{
    return QProcess::startDetached(QStringLiteral("xdotool"), arguments);
}

// The pointer must move: "--sync" waits for the move to happen.
bool ClickAt(QPoint ptScreen, int nButton = 1)
{
    return Xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"),
                    QString::number(ptScreen.x()), QString::number(ptScreen.y()),
                    QStringLiteral("click"), QString::number(nButton)});
}

class XServer : public CToolkitTest
{
protected:
    void SetUp() override
    {
        CToolkitTest::SetUp();
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server: run under xvfb-run";
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "xdotool is not installed";
        ASSERT_TRUE(CQVTheme::LoadFile(ProgramPath("skin/uicolors/UIColors.uic")));
    }
};

} // namespace

TEST_F(XServer, ListRowMenuComboDropDownAndEditAnswerXdotool)
{
    CMessageDialog dialog(QSize(520, 360));
    CQVListCtrl* pList = nullptr;
    CQVComboBox* pCombo = nullptr;
    CQVEdit* pEdit = nullptr;
    dialog.addControls = [&](CQVUIManager& manager)
    {
        pList = new CQVListCtrl();
        pList->Move(10, 40, 300, 200, false);
        manager.Add(26, pList, kKindListCtrl);
        pList->AddColumn(CQVListCtrl::kTypeText, 200, QStringLiteral("File"));
        for (int i = 0; i < 4; ++i)
            pList->InsertRow(QStringLiteral("file%1.mp4").arg(i), i);
        pCombo = new CQVComboBox();
        pCombo->Move(330, 40, 150, 22, false);
        manager.Add(38, pCombo, kKindComboBox);
        for (const char* szItem : {"MP4", "WMV", "AVI"})
            pCombo->AddItem(QString::fromLatin1(szItem));
        pEdit = new CQVEdit();
        pEdit->Move(330, 80, 150, 24, false);
        manager.Add(28, pEdit, kKindEdit);
    };
    ASSERT_TRUE(OpenShown(dialog));
    dialog.MoveWindow(200, 150, 520, 360);
    Pump(200);

    // The drop-down opens under the combo box and takes a click on its third row.
    ASSERT_TRUE(ClickAt(dialog.ClientToScreen(pCombo->GetRect().center())));
    ASSERT_TRUE(WaitFor([&] { return pCombo->IsDropDownOpen(); }, 5000));
    CQVComboBoxWnd* pDrop = pCombo->GetDropDown();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pDrop->GetWidget()));
    Pump(150);
    auto screenshot = [&](const char* szName)
    {
        const QString folder = qEnvironmentVariable("VANTREL_SCREENSHOT_DIR");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        const QRect area = dialog.GetWindowRect().united(pDrop->GetWindowRect());
        QGuiApplication::primaryScreen()
            ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .save(QDir(folder).filePath(QString::fromLatin1(szName)));
    };
    screenshot("xserver-dropdown.png");
    const QRect row = pDrop->GetList().RowRect(2);
    ASSERT_TRUE(ClickAt(pDrop->ClientToScreen(row.center())));
    ASSERT_TRUE(WaitFor([&] { return pCombo->GetText() == QLatin1String("AVI"); }, 5000));
    EXPECT_FALSE(pCombo->IsDropDownOpen());
    ASSERT_TRUE(WaitFor([&] { return !dialog.Only(kMsgComboChoice).empty(); }));
    EXPECT_EQ(dialog.Only(kMsgComboChoice)[0].lParam, 2);

    // A click in the edit box and typed keys reach the hosted line edit.
    ASSERT_TRUE(ClickAt(dialog.ClientToScreen(pEdit->GetRect().center())));
    auto* pLine = qobject_cast<QLineEdit*>(pEdit->GetEditCtrl()->GetWidget());
    ASSERT_TRUE(WaitFor([&] { return pLine->hasFocus(); }, 5000));
    ASSERT_TRUE(Xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
                         QStringLiteral("2500")}));
    ASSERT_TRUE(WaitFor([&] { return pEdit->GetText() == QLatin1String("2500"); }, 5000));

    // The row menu under a right click, answered with a click on "Move Down".
    ASSERT_TRUE(ClickAt(dialog.ClientToScreen(pList->GetCellRect(0, 1).center())));
    ASSERT_TRUE(WaitFor([&] { return pList->GetSelectedRow() == 1; }, 5000));
    QTimer poll;
    poll.setInterval(30);
    bool bClicked = false;
    QObject::connect(&poll, &QTimer::timeout,
                     [&]
                     {
                         auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                         if (bClicked || !pMenu || !pMenu->isVisible())
                             return;
                         for (QAction* pAction : pMenu->actions())
                             if (pAction->text() == QLatin1String("Move &Down"))
                             {
                                 bClicked = true;
                                 QTest::qWait(100);
                                 ClickAt(
                                     pMenu->mapToGlobal(pMenu->actionGeometry(pAction).center()));
                             }
                     });
    poll.start();
    // Elsewhere in the row: "mousemove --sync" waits for the pointer to move.
    ASSERT_TRUE(
        ClickAt(dialog.ClientToScreen(pList->GetCellRect(0, 1).center() + QPoint(20, 2)), 3));
    const bool bMoved =
        WaitFor([&] { return pList->GetCellText(0, 2) == QLatin1String("file1.mp4"); }, 8000);
    ASSERT_TRUE(bMoved);
    EXPECT_TRUE(bClicked);
    EXPECT_EQ(pList->GetSelectedRow(), 2);
    Pump(100);
    screenshot("xserver-after.png");
    EXPECT_EQ(pList->GetCellText(0, 1), QStringLiteral("file2.mp4"));
}
