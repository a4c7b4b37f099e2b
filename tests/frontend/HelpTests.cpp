// Help opens the shipped user guide through the desktop's URL handling; the menu's "Exit"
// closes the window as the close button does.
#include "frontend/CQVMainDlg.h"
#include "tests/frontend/FrontEndTestSupport.h"
#include "tests/frontend/UrlCatcher.h"
#include "ui/CQVButton.h"
#include "ui/CQVMenuEx.h"

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
