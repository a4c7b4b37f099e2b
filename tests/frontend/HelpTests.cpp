// Help opens the shipped user guide through the desktop's URL handling; the menu's "Exit"
// closes the window as the close button does.
#include "frontend/BatchLogic.h"
#include "frontend/CQVMainDlg.h"
#include "tests/frontend/FrontEndTestSupport.h"
#include "tests/frontend/UrlCatcher.h"
#include "ui/CQVButton.h"
#include "ui/CQVMenuEx.h"
#include "ui/CQVMessageDlg.h"

#include <QDesktopServices>
#include <QMenu>
#include <QTimer>
#include <QUrl>

using namespace qv;
using namespace qv::test;

namespace
{

class HelpTest : public CFrontEndTest
{
protected:
    void SetUp() override
    {
        CFrontEndTest::SetUp();
        ASSERT_TRUE(OpenShown(dialog));
    }
    void TearDown() override
    {
        QDesktopServices::unsetUrlHandler("file");
        dialog.DestroyWindow();
        CFrontEndTest::TearDown();
    }
    void Click(unsigned nId)
    {
        CQVButton* pButton = dialog.GetUIManager()->Find(static_cast<int>(nId), kKindButton);
        ASSERT_NE(pButton, nullptr);
        QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {}, pButton->GetRect().center());
        DeliverPosted();
    }
    CQVMainDlg dialog;
};

} // namespace

TEST_F(HelpTest, HelpHandsTheShippedGuideToTheDesktop)
{
    CUrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    ASSERT_TRUE(PathExists(CQVMainDlg::GuidePath()));
    Click(CQVMainDlg::kIdHelp);
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0],
              QUrl::fromLocalFile(QString::fromStdString(CQVMainDlg::GuidePath())));
}

TEST_F(HelpTest, WithoutItsGuideHelpSaysWhereTheGuideBelongs)
{
    // A data folder without the guide (the window is drawn already).
    CQVTestFolder empty;
    const std::string previous = FrontEndGlobals().dataFolder;
    FrontEndGlobals().dataFolder = WithTrailingSeparator(empty.Path());
    QString strText;
    QTimer::singleShot(
        300,
        [&strText]
        {
            auto* pBox = dynamic_cast<CQVMessageDlg*>(CQVPlatformWindow::GetActiveWindow());
            ASSERT_NE(pBox, nullptr);
            strText = pBox->GetText();
            CQVButton* pOk = pBox->GetUIManager()->Find(kIdOk, kKindTextButton);
            ASSERT_NE(pOk, nullptr);
            QTest::mouseClick(pBox->GetWidget(), Qt::LeftButton, {}, pOk->GetRect().center());
        });
    Click(CQVMainDlg::kIdHelp);
    EXPECT_TRUE(strText.endsWith(QString::fromStdString(CQVMainDlg::GuidePath())))
        << strText.toStdString();
    FrontEndGlobals().dataFolder = previous;
    EXPECT_FALSE(dialog.IsEnded());
}

TEST_F(HelpTest, TheMenuButtonsExitClosesTheWindow)
{
    // The popup runs its own loop: choose "&Exit" in it once it shows.
    QTimer::singleShot(300,
                       []
                       {
                           auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                           ASSERT_NE(pMenu, nullptr);
                           ASSERT_EQ(pMenu->actions().size(), 1);
                           EXPECT_EQ(pMenu->actions()[0]->text(), QStringLiteral("&Exit"));
                           QTest::mouseClick(pMenu, Qt::LeftButton, {},
                                             pMenu->actionGeometry(pMenu->actions()[0]).center());
                       });
    Click(CQVMainDlg::kIdMenu);
    EXPECT_TRUE(WaitFor([&] { return dialog.IsEnded(); }));
}
