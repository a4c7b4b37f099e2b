#include "UiTestSupport.h"

#include "ui/CQVButton.h"
#include "ui/CQVMessageDlg.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace
{

using DialogTest = CToolkitTest;

// Exactly nLength characters of words and spaces.
QString Words(int nLength)
{
    QString text;
    while (text.size() < nLength)
        text += QStringLiteral("message ");
    text.truncate(nLength);
    return text;
}

struct tagVisible
{
    bool bOk, bCancel, bYes, bNo;
};

tagVisible VisibleButtons(CQVDialogBase& dialog)
{
    CQVUIManager& manager = *dialog.GetUIManager();
    return {manager.Find(kIdOk, kKindTextButton)->IsVisible(),
            manager.Find(kIdCancel, kKindTextButton)->IsVisible(),
            manager.Find(kIdYes, kKindTextButton)->IsVisible(),
            manager.Find(kIdNo, kKindTextButton)->IsVisible()};
}

void ClickAt(CQVDialogBase& dialog, QPoint pt)
{
    QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {}, pt);
    DeliverPosted();
}

// Records the alpha after every fade tick.
class CFadeDialog : public CRecordingDialog
{
public:
    std::vector<int> alphas;

protected:
    void OnTimer(unsigned nId) override
    {
        CRecordingDialog::OnTimer(nId);
        if (nId == kTimerFadeIn)
            alphas.push_back(GetAlpha());
    }
};

} // namespace

TEST_F(DialogTest, MessageOf256CharactersKeepsTheTemplateWidthAnd257WidensBy120)
{
    const int nTemplateWidth = CQVDialogBase::TemplateSize(CQVDialogBase::kEmptyTemplateId).width();
    CQVMessageDlg narrow(Words(256), 0);
    ASSERT_TRUE(OpenShown(narrow));
    CQVMessageDlg wide(Words(257), 0);
    ASSERT_TRUE(OpenShown(wide));
    EXPECT_EQ(narrow.GetClientRect().width(), nTemplateWidth);
    EXPECT_EQ(wide.GetClientRect().width(), nTemplateWidth + 120);

    for (CQVMessageDlg* pBox : {&narrow, &wide})
    {
        const QRect client = pBox->GetClientRect();
        const int nText = pBox->GetTextHeight();
        EXPECT_GT(nText, 40) << "several lines";
        EXPECT_EQ(client.height(), nText + 100);
        CQVUIManager& manager = *pBox->GetUIManager();
        EXPECT_EQ(manager.Find(CQVMessageDlg::kTextControlId, kKindStatic)->GetRect(),
                  QRect(10, 40, client.width() - 20, nText));
        EXPECT_EQ(manager.Find(kIdOk, kKindTextButton)->GetRect(),
                  QRect(client.width() - 75, client.height() - 30, 65, 20));
        EXPECT_EQ(manager.Find(kIdNo, kKindTextButton)->GetRect(),
                  QRect(client.width() - 150, client.height() - 30, 65, 20));
    }
    EXPECT_LT(wide.GetTextHeight(), narrow.GetTextHeight());

    // A message too long for the measuring box is cut to it.
    CQVMessageDlg huge(Words(20000), 0);
    ASSERT_TRUE(OpenShown(huge));
    EXPECT_EQ(huge.GetClientRect().height(), 600);
}

TEST_F(DialogTest, StylesShowOkCancelOrYesNoOrOkAlone)
{
    const struct
    {
        int nStyle;
        tagVisible visible;
    } rows[] = {{0, {true, false, false, false}},
                {1, {true, true, false, false}},
                {4, {false, false, true, true}},
                {3, {true, false, false, false}}};
    for (const auto& row : rows)
    {
        CQVMessageDlg box(QStringLiteral("Question"), QStringLiteral("Go on?"), row.nStyle);
        ASSERT_TRUE(OpenShown(box));
        const tagVisible visible = VisibleButtons(box);
        EXPECT_EQ(visible.bOk, row.visible.bOk) << "style " << row.nStyle;
        EXPECT_EQ(visible.bCancel, row.visible.bCancel) << "style " << row.nStyle;
        EXPECT_EQ(visible.bYes, row.visible.bYes) << "style " << row.nStyle;
        EXPECT_EQ(visible.bNo, row.visible.bNo) << "style " << row.nStyle;
        EXPECT_TRUE(box.GetUIManager()->Find(kIdCancel, kKindButton)->IsVisible());
        EXPECT_EQ(box.GetWindowText(), QStringLiteral("Question"));
    }
    CQVMessageDlg tips(QStringLiteral("Hello"), 0);
    EXPECT_EQ(tips.GetCaption(), QStringLiteral("Tips"));
}

TEST_F(DialogTest, YesAndNoEndTheBoxWith6And7)
{
    for (int nButton : {kIdYes, kIdNo})
    {
        CQVMessageDlg box(QStringLiteral("Exit?"), QStringLiteral("Sure?"), 4);
        ASSERT_TRUE(OpenShown(box));
        const QRect rect = box.GetUIManager()->Find(nButton, kKindTextButton)->GetRect();
        ClickAt(box, rect.center());
        EXPECT_TRUE(box.IsEnded());
        EXPECT_EQ(box.GetResultCode(), nButton);
        EXPECT_EQ(box.GetEndCode(), nButton == kIdYes ? kIdOk : kIdCancel);
        EXPECT_FALSE(box.IsWindowVisible());
    }
}

TEST_F(DialogTest, ClosingTheModalBoxByItsCloseButtonYields2)
{
    bool bClicked = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(
        &poll, &QTimer::timeout,
        [&]
        {
            auto* pBox = dynamic_cast<CQVMessageDlg*>(CQVPlatformWindow::GetActiveWindow());
            if (bClicked || !pBox || !pBox->IsWindowVisible())
                return;
            bClicked = true;
            const int w = pBox->GetClientRect().width();
            QTest::mouseClick(pBox->GetWidget(), Qt::LeftButton, {}, QPoint(w - 12, 10));
        });
    poll.start();
    // Ends a box that a broken test leaves open.
    QTimer::singleShot(
        8000,
        []
        {
            if (auto* pBox = dynamic_cast<CQVMessageDlg*>(CQVPlatformWindow::GetActiveWindow()))
                pBox->EndModal(-5);
        });
    const int nResult = ShowMessageBox(QStringLiteral("Exit?"), QStringLiteral("Sure?"), 4);
    EXPECT_TRUE(bClicked);
    EXPECT_EQ(nResult, kIdCancel);
}

TEST_F(DialogTest, CaptionStripDragsAtY29AndTheCloseCornerReachesTheCloseButton)
{
    CRecordingDialog dialog;
    ASSERT_TRUE(OpenShown(dialog));
    QWidget* pWidget = dialog.GetWidget();
    const int w = dialog.GetClientRect().width();
    EXPECT_TRUE(dialog.IsCaptionPoint(QPoint(w - 26, 29)));
    EXPECT_FALSE(dialog.IsCaptionPoint(QPoint(w - 25, 10)));
    EXPECT_FALSE(dialog.IsCaptionPoint(QPoint(100, 30)));

    const QPoint before = dialog.GetWindowRect().topLeft();
    QTest::mousePress(pWidget, Qt::LeftButton, {}, QPoint(100, 29));
    EXPECT_TRUE(dialog.IsCaptionDragging());
    QTest::mouseMove(pWidget, QPoint(150, 60));
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, QPoint(100, 29));
    EXPECT_FALSE(dialog.IsCaptionDragging());
    EXPECT_EQ(dialog.GetWindowRect().topLeft(), before + QPoint(50, 31));
    DeliverPosted();
    EXPECT_TRUE(dialog.commands.empty());

    QTest::mousePress(pWidget, Qt::LeftButton, {}, QPoint(w - 25, 10));
    EXPECT_FALSE(dialog.IsCaptionDragging());
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, QPoint(w - 25, 10));
    DeliverPosted();
    EXPECT_TRUE(dialog.commands.empty()) << "beside the close button";

    ClickAt(dialog, QPoint(w - 12, 10));
    EXPECT_EQ(dialog.commands, std::vector<unsigned>{2});
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResultCode(), kIdCancel);
}

TEST_F(DialogTest, FadeInGrowsBy50EveryTickAndEndsAt255)
{
    CQVTheme::SetFadeDialogs(true);
    CFadeDialog dialog;
    EXPECT_TRUE(dialog.IsFadeEnabled());
    ASSERT_TRUE(dialog.Open());
    EXPECT_EQ(dialog.GetWindowAlpha(), 0);
    EXPECT_TRUE(dialog.HasTimer(kTimerFadeIn));
    ASSERT_TRUE(WaitFor([&] { return !dialog.HasTimer(kTimerFadeIn); }));
    EXPECT_EQ(dialog.alphas, (std::vector<int>{50, 100, 150, 200, 250, 255}));
    EXPECT_EQ(dialog.GetWindowAlpha(), 255);

    // Fading out sets the result first and ends transparent.
    const QRect ok = dialog.GetUIManager()->Find(kIdOk, kKindTextButton)->GetRect();
    ClickAt(dialog, ok.center());
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResultCode(), kIdOk);
    EXPECT_EQ(dialog.GetAlpha(), 0);
    EXPECT_EQ(dialog.GetWindowAlpha(), 0);
}

TEST_F(DialogTest, ADialogThatDoesNotFadeOpensOpaque)
{
    CRecordingDialog dialog;
    EXPECT_FALSE(dialog.IsFadeEnabled());
    ASSERT_TRUE(OpenShown(dialog));
    EXPECT_EQ(dialog.GetWindowAlpha(), 255);
    EXPECT_FALSE(dialog.HasTimer(kTimerFadeIn));
}

TEST_F(DialogTest, EscapeAndTheWindowSystemsCloseCancel)
{
    CRecordingDialog first;
    ASSERT_TRUE(OpenShown(first));
    QTest::keyClick(first.GetWidget(), Qt::Key_Escape);
    EXPECT_TRUE(first.IsEnded());
    EXPECT_EQ(first.GetResultCode(), kIdCancel);

    CRecordingDialog second;
    ASSERT_TRUE(OpenShown(second));
    second.GetWidget()->close();
    EXPECT_TRUE(second.IsEnded());
    EXPECT_EQ(second.GetEndCode(), kIdCancel);
}

TEST_F(DialogTest, MenuCommandsArriveAsCommandsAndAComboChoiceIsIgnored)
{
    CRecordingDialog dialog;
    ASSERT_TRUE(OpenShown(dialog));
    dialog.PostMessage(kMsgMenuCommand, 0, 0x10021);
    dialog.PostMessage(kMsgComboChoice, 0, 3);
    DeliverPosted();
    EXPECT_EQ(dialog.commands, std::vector<unsigned>{0x21});
    EXPECT_FALSE(dialog.IsEnded());
}

TEST_F(DialogTest, OpeningAgainStartsFromAFreshRegistry)
{
    CRecordingDialog dialog;
    ASSERT_TRUE(OpenShown(dialog));
    const int nCount = dialog.GetUIManager()->GetCount();
    dialog.EndDialog(kIdOk);
    dialog.DestroyWindow();
    ASSERT_TRUE(OpenShown(dialog));
    EXPECT_EQ(dialog.GetUIManager()->GetCount(), nCount);
    EXPECT_FALSE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResultCode(), kIdCancel);
    EXPECT_EQ(dialog.DoModal(), -1) << "already open";
}
