#include "ControlsTestSupport.h"

#include "ui/CQVListCtrl.h"

#include <QWheelEvent>

using namespace qv;
using namespace qv::test;

namespace
{

class ScrollWindowTest : public CToolkitTest
{
protected:
    // Two lists of 40 rows side by side; the first one's columns are wider than its view.
    void Open()
    {
        dialog.addControls = [this](CQVUIManager& manager)
        {
            for (int n = 0; n < 2; ++n)
            {
                auto* pList = new CQVListCtrl();
                pList->Move(10 + 310 * n, 40, 300, 300, false);
                manager.Add(26 + n, pList, kKindListCtrl);
                pList->AddColumn(CQVListCtrl::kTypeText, n == 0 ? 250 : 150,
                                 QStringLiteral("File"));
                pList->AddColumn(CQVListCtrl::kTypeText, 120, QStringLiteral("Size"));
                for (int i = 0; i < 40; ++i)
                    pList->InsertRow(QStringLiteral("row %1").arg(i), i);
                pLists[n] = pList;
            }
        };
        ASSERT_TRUE(OpenShown(dialog));
        pWidget = dialog.GetWidget();
    }
    QPoint Part(int n, CQVWindow::EPart ePart) const
    {
        return pLists[n]->GetPartRect(ePart).center();
    }

    CMessageDialog dialog;
    CQVListCtrl* pLists[2] = {nullptr, nullptr};
    QWidget* pWidget = nullptr;
};

} // namespace

TEST_F(ScrollWindowTest, RangesFollowTheRowsAndTheVisibleColumns)
{
    Open();
    CQVListCtrl& list = *pLists[0];
    ASSERT_TRUE(list.HasVScrollBar());
    ASSERT_TRUE(list.HasHScrollBar());
    const QRect view = list.GetViewRect();
    EXPECT_EQ(list.GetVScrollPage(), view.height());
    EXPECT_EQ(list.GetVScrollMax(), 40 * CQVListCtrl::kRowHeight - view.height());
    EXPECT_EQ(list.GetHScrollMax(), 370 - view.width());
    EXPECT_FALSE(pLists[1]->HasHScrollBar()) << "270 pixels of columns fit";

    // Hiding a column takes its width out of the range; the position stays in range.
    list.SetHScrollPos(list.GetHScrollMax(), true);
    list.ShowColumn(1, false, true);
    EXPECT_FALSE(list.HasHScrollBar());
    EXPECT_EQ(list.GetHScrollPos(), 0);
    list.RemoveAllRows(true);
    EXPECT_FALSE(list.HasVScrollBar());
}

TEST_F(ScrollWindowTest, HeldArrowRepeatsOnItsTimerUntilTheRelease)
{
    Open();
    CQVListCtrl& list = *pLists[1];
    QTest::mousePress(pWidget, Qt::LeftButton, {}, Part(1, CQVWindow::kPartDownArrow));
    EXPECT_EQ(list.GetVScrollPos(), 1) << "one step at the press";
    EXPECT_EQ(list.GetScrollAction(), CQVWindow::kScrollDown);
    EXPECT_EQ(CQVWindow::GetScrollingWindow(), &list);
    EXPECT_TRUE(CQVWindow::IsScrollTimerRunning(CQVWindow::kTimerDownArrow));
    ASSERT_TRUE(WaitFor([&] { return list.GetVScrollPos() >= 6; }, 2000));
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, Part(1, CQVWindow::kPartDownArrow));
    const int nPos = list.GetVScrollPos();
    EXPECT_EQ(list.GetScrollAction(), CQVWindow::kScrollNone);
    EXPECT_FALSE(CQVWindow::IsScrollTimerRunning(CQVWindow::kTimerDownArrow));
    EXPECT_EQ(CQVWindow::GetScrollingWindow(), nullptr);
    Pump(60);
    EXPECT_EQ(list.GetVScrollPos(), nPos);

    // Up arrow: back towards 0 and never below.
    QTest::mousePress(pWidget, Qt::LeftButton, {}, Part(1, CQVWindow::kPartUpArrow));
    EXPECT_TRUE(CQVWindow::IsScrollTimerRunning(CQVWindow::kTimerUpArrow));
    ASSERT_TRUE(WaitFor([&] { return list.GetVScrollPos() == 0; }, 3000));
    Pump(40);
    EXPECT_EQ(list.GetVScrollPos(), 0);
    // The pointer leaving the window stops the repeat as a release does.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(pWidget, &leave);
    EXPECT_FALSE(CQVWindow::IsScrollTimerRunning(CQVWindow::kTimerUpArrow));
    EXPECT_EQ(list.GetScrollAction(), CQVWindow::kScrollNone);
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, Part(1, CQVWindow::kPartUpArrow));
}

TEST_F(ScrollWindowTest, TrackPressPagesTowardsThePointerAndStopsUnderIt)
{
    Open();
    CQVListCtrl& list = *pLists[1];
    const int nPage = list.GetVScrollPage();
    const QRect below = list.GetPartRect(CQVWindow::kPartTrackBelow);
    const QPoint target(below.center().x(), below.bottom() - 2);
    QTest::mousePress(pWidget, Qt::LeftButton, {}, target);
    EXPECT_EQ(list.GetVScrollPos(), nPage);
    EXPECT_TRUE(CQVWindow::IsScrollTimerRunning(CQVWindow::kTimerVTrack));
    // Pages follow every 50 ms until the thumb covers the pointer, then nothing moves.
    ASSERT_TRUE(WaitFor([&] { return list.PartAt(target) == CQVWindow::kPartVThumb; }, 3000));
    const int nPos = list.GetVScrollPos();
    Pump(150);
    EXPECT_EQ(list.GetVScrollPos(), nPos);
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, target);
    EXPECT_FALSE(CQVWindow::IsScrollTimerRunning(CQVWindow::kTimerVTrack));
}

TEST_F(ScrollWindowTest, ThumbDragFollowsTheMouseInProportion)
{
    Open();
    CQVListCtrl& list = *pLists[1];
    const QRect thumb = list.GetPartRect(CQVWindow::kPartVThumb);
    const QRect up = list.GetPartRect(CQVWindow::kPartUpArrow);
    const QRect down = list.GetPartRect(CQVWindow::kPartDownArrow);
    const int nTravel = (down.top() - up.bottom() - 1) - thumb.height();
    ASSERT_GT(nTravel, 50);
    QTest::mousePress(pWidget, Qt::LeftButton, {}, thumb.center());
    EXPECT_EQ(list.GetScrollAction(), CQVWindow::kScrollVThumb);
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), &dialog);
    QTest::mouseMove(pWidget, thumb.center() + QPoint(0, 50));
    EXPECT_EQ(list.GetVScrollPos(), 50 * list.GetVScrollMax() / nTravel);
    // Far beyond the track, and even outside the control, it stays at the end.
    QTest::mouseMove(pWidget, thumb.center() + QPoint(200, 900));
    EXPECT_EQ(list.GetVScrollPos(), list.GetVScrollMax());
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, thumb.center() + QPoint(200, 900));
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), nullptr);
    EXPECT_EQ(list.GetScrollAction(), CQVWindow::kScrollNone);
    EXPECT_EQ(list.GetRowCount(), 40);
    EXPECT_EQ(list.RowAt(list.GetViewRect().bottom() - 1), 39) << "the last row is in view";
}

TEST_F(ScrollWindowTest, WheelScrollsTheFocusedList)
{
    Open();
    CQVListCtrl& list = *pLists[1];
    const QPoint inside = list.GetViewRect().center();
    auto wheel = [&](int nDelta)
    {
        QWheelEvent event(QPointF(inside), QPointF(pWidget->mapToGlobal(inside)), QPoint(),
                          QPoint(0, nDelta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(pWidget, &event);
    };
    wheel(-120);
    EXPECT_EQ(list.GetVScrollPos(), 0) << "the wheel goes to the focused control only";
    QTest::mouseClick(pWidget, Qt::LeftButton, {}, list.GetCellRect(0, 0).center());
    wheel(-120);
    EXPECT_EQ(list.GetVScrollPos(), 3 * CQVListCtrl::kRowHeight);
    wheel(-240);
    EXPECT_EQ(list.GetVScrollPos(), 9 * CQVListCtrl::kRowHeight);
    wheel(120);
    EXPECT_EQ(list.GetVScrollPos(), 6 * CQVListCtrl::kRowHeight);
    wheel(12000);
    EXPECT_EQ(list.GetVScrollPos(), 0);
}

TEST_F(ScrollWindowTest, OnlyOneWindowScrollsAtATime)
{
    Open();
    QTest::mousePress(pWidget, Qt::LeftButton, {}, Part(0, CQVWindow::kPartDownArrow));
    EXPECT_EQ(CQVWindow::GetScrollingWindow(), pLists[0]);
    // A press on the other list's arrow (the first is still held) takes the timers over.
    QTest::mousePress(pWidget, Qt::LeftButton, {}, Part(1, CQVWindow::kPartDownArrow));
    EXPECT_EQ(CQVWindow::GetScrollingWindow(), pLists[1]);
    EXPECT_EQ(pLists[0]->GetScrollAction(), CQVWindow::kScrollNone);
    const int nFirst = pLists[0]->GetVScrollPos();
    Pump(80);
    EXPECT_EQ(pLists[0]->GetVScrollPos(), nFirst);
    EXPECT_GT(pLists[1]->GetVScrollPos(), 1);
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, Part(1, CQVWindow::kPartDownArrow));
    EXPECT_EQ(CQVWindow::GetScrollingWindow(), nullptr);
}

TEST_F(ScrollWindowTest, HorizontalBarScrollsTheColumnsAndTheHeader)
{
    Open();
    CQVListCtrl& list = *pLists[0];
    const int nLeft = list.GetHeaderCellRect(1).left();
    QTest::mousePress(pWidget, Qt::LeftButton, {}, Part(0, CQVWindow::kPartRightArrow));
    EXPECT_EQ(list.GetHScrollPos(), 1);
    EXPECT_TRUE(CQVWindow::IsScrollTimerRunning(CQVWindow::kTimerRightArrow));
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, Part(0, CQVWindow::kPartRightArrow));
    const QRect right = list.GetPartRect(CQVWindow::kPartTrackRight);
    QTest::mouseClick(pWidget, Qt::LeftButton, {}, QPoint(right.right() - 1, right.center().y()));
    EXPECT_EQ(list.GetHScrollPos(), list.GetHScrollMax());
    EXPECT_EQ(list.GetHeaderCellRect(1).left(), nLeft - list.GetHScrollMax());
    EXPECT_EQ(list.GetCellRect(1, 0).left(), nLeft - list.GetHScrollMax());
    EXPECT_FALSE(CQVWindow::IsScrollTimerRunning(CQVWindow::kTimerHTrack));
}
