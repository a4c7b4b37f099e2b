#include "ControlsTestSupport.h"

#include "ui/CQVCheck.h"
#include "ui/CQVProgress.h"
#include "ui/CQVRadio.h"
#include "ui/CQVSlider.h"

#include <QMouseEvent>
#include <QWheelEvent>

using namespace qv;
using namespace qv::test;

namespace
{

class ValueControlTest : public CToolkitTest
{
protected:
    // A check box (60), two radio buttons (61, 62), a slider of 0 to 10 seconds on 200 x 20
    // pixels with the default 10-pixel thumb (63) and a progress bar (64).
    void Open()
    {
        dialog.addControls = [this](CQVUIManager& manager)
        {
            pCheck = new CQVCheck(QStringLiteral("Deinterlacing"));
            pCheck->Move(20, 50, 160, 22, false);
            manager.Add(60, pCheck, kKindCheck);
            pRadioA = new CQVRadio(QStringLiteral("MP4"));
            pRadioA->Move(20, 80, 100, 22, false);
            manager.Add(61, pRadioA, kKindRadio);
            pRadioB = new CQVRadio(QStringLiteral("WMV"));
            pRadioB->Move(130, 80, 100, 22, false);
            manager.Add(62, pRadioB, kKindRadio);
            pSlider = new CQVSlider();
            pSlider->Move(20, 120, 200, 20, false);
            pSlider->SetRange(0, 10);
            manager.Add(63, pSlider, kKindSlider);
            pProgress = new CQVProgress();
            pProgress->Move(20, 160, 200, 16, false);
            manager.Add(64, pProgress, kKindProgress);
        };
        ASSERT_TRUE(OpenShown(dialog));
        pWidget = dialog.GetWidget();
    }
    void Click(QPoint pt)
    {
        QTest::mouseClick(pWidget, Qt::LeftButton, {}, pt);
        DeliverPosted();
    }
    std::vector<intptr_t> SliderReports()
    {
        DeliverPosted();
        std::vector<intptr_t> reports;
        for (const tagMessage& message : dialog.Only(kMsgSliderPos))
        {
            EXPECT_EQ(message.wParam, reinterpret_cast<uintptr_t>(pSlider));
            reports.push_back(message.lParam);
        }
        return reports;
    }
    // Real press and release events 20 ms apart, within the double-click time.
    void DoubleClick(QPoint pt)
    {
        ulong nTime = static_cast<ulong>(QTest::lastMouseTimestamp) + 100000;
        for (int i = 0; i < 4; ++i)
        {
            const bool bPress = i % 2 == 0;
            QMouseEvent event(bPress ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                              QPointF(pt), QPointF(pWidget->mapToGlobal(pt)), Qt::LeftButton,
                              bPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            event.setTimestamp(nTime += 20);
            QCoreApplication::sendEvent(pWidget, &event);
        }
        QTest::lastMouseTimestamp = static_cast<int>(nTime) + 1000;
    }
    void Wheel(int nDelta)
    {
        const QPoint pt(120, 130);
        QWheelEvent event(QPointF(pt), QPointF(pWidget->mapToGlobal(pt)), QPoint(),
                          QPoint(0, nDelta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(pWidget, &event);
        DeliverPosted();
    }

    CMessageDialog dialog;
    CQVCheck* pCheck = nullptr;
    CQVRadio* pRadioA = nullptr;
    CQVRadio* pRadioB = nullptr;
    CQVSlider* pSlider = nullptr;
    CQVProgress* pProgress = nullptr;
    QWidget* pWidget = nullptr;
};

} // namespace

TEST_F(ValueControlTest, CheckBoxFlipsOnClicksDoubleClicksAndEnter)
{
    Open();
    Click(QPoint(30, 60));
    EXPECT_TRUE(pCheck->GetCheck());
    EXPECT_EQ(dialog.commands, std::vector<unsigned>{60});
    EXPECT_EQ(dialog.Only(kMsgCommand).back().lParam, 0);
    // A double click (down, up, double, up as the window system sends it) is two clicks.
    DoubleClick(QPoint(100, 60));
    DeliverPosted();
    EXPECT_TRUE(pCheck->GetCheck());
    EXPECT_EQ(dialog.commands.size(), 3u);
    QTest::keyClick(pWidget, Qt::Key_Return);
    DeliverPosted();
    EXPECT_FALSE(pCheck->GetCheck());
    EXPECT_EQ(dialog.commands.size(), 4u);
    EXPECT_FALSE(dialog.IsEnded()) << "the focused check box took Enter";
    // Setting the value tells nobody.
    pCheck->SetCheck(true, true);
    DeliverPosted();
    EXPECT_EQ(dialog.commands.size(), 4u);
}

TEST_F(ValueControlTest, AlreadyCheckedRadioSendsNothing)
{
    Open();
    Click(QPoint(30, 90));
    EXPECT_TRUE(pRadioA->GetCheck());
    EXPECT_EQ(dialog.commands, std::vector<unsigned>{61});
    Click(QPoint(30, 90));
    Click(QPoint(60, 91));
    EXPECT_TRUE(pRadioA->GetCheck());
    EXPECT_EQ(dialog.commands, std::vector<unsigned>{61});
    // The other radio of the group turns on; turning the first off is the dialog's work.
    Click(QPoint(140, 90));
    EXPECT_TRUE(pRadioB->GetCheck());
    EXPECT_TRUE(pRadioA->GetCheck());
    EXPECT_EQ(dialog.commands, (std::vector<unsigned>{61, 62}));
}

TEST_F(ValueControlTest, SliderThumbSitsWhereTheGeometrySays)
{
    Open();
    EXPECT_EQ(pSlider->ThumbLeft(), 22);
    pSlider->SetPos(5);
    EXPECT_EQ(pSlider->ThumbLeft(), 20 + 2 + 93);
    pSlider->SetPos(10);
    EXPECT_EQ(pSlider->ThumbRect(), QRect(20 + 2 + 186, 120, 10, 20));
    pSlider->SetPos(12);
    EXPECT_EQ(pSlider->GetPos(), 10.0);
    pSlider->SetRange(2, 4);
    EXPECT_EQ(pSlider->GetPos(), 4.0) << "a new range clamps the position";
    pSlider->SetRange(3, 3);
    EXPECT_EQ(pSlider->ThumbLeft(), 22) << "an empty range divides by nothing";
}

TEST_F(ValueControlTest, SliderTrackClicksJumpToTheEndsExactly)
{
    Open();
    pSlider->SetPos(5);
    Click(QPoint(20 + 199, 130));
    EXPECT_EQ(pSlider->GetPos(), 10.0);
    EXPECT_EQ(SliderReports(), std::vector<intptr_t>{0});
    EXPECT_TRUE(pSlider->IsFocused());
    Click(QPoint(20, 130));
    EXPECT_EQ(pSlider->GetPos(), 0.0);
    Click(QPoint(20 + 1 + 92 + 5, 130)); // right of the thumb at 0
    EXPECT_DOUBLE_EQ(pSlider->GetPos(), 10.0 * 97 / 185);
    EXPECT_EQ(SliderReports(), (std::vector<intptr_t>{0, 0, 0}));
}

TEST_F(ValueControlTest, DragWithReportingOffPostsOneFinalReportAtTheRelease)
{
    Open();
    const QPoint thumb = pSlider->ThumbRect().center();
    QTest::mousePress(pWidget, Qt::LeftButton, {}, thumb);
    EXPECT_TRUE(pSlider->IsDragging());
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), &dialog);
    for (int dx = 10; dx <= 120; dx += 10)
        QTest::mouseMove(pWidget, thumb + QPoint(dx, 0));
    EXPECT_TRUE(SliderReports().empty());
    // The grip point stays under the pointer: (px - offset - x - 1) / (w - 1 - 4 - t).
    EXPECT_DOUBLE_EQ(pSlider->GetPos(), 10.0 * (26 + 120 - 4 - 20 - 1) / 185);
    QTest::mouseMove(pWidget, thumb + QPoint(500, 40));
    EXPECT_EQ(pSlider->GetPos(), 10.0);
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, thumb + QPoint(500, 40));
    EXPECT_EQ(SliderReports(), std::vector<intptr_t>{0});
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), nullptr);
    EXPECT_FALSE(pSlider->IsDragging());
}

TEST_F(ValueControlTest, DragWithReportingOnPostsEachMoveThenTheFinalOne)
{
    Open();
    pSlider->SetReportWhileDragging(true);
    const QPoint thumb = pSlider->ThumbRect().center();
    QTest::mousePress(pWidget, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(pWidget, thumb + QPoint(10, 0));
    QTest::mouseMove(pWidget, thumb + QPoint(10, 5)); // no horizontal move: no report
    QTest::mouseMove(pWidget, thumb + QPoint(30, 0));
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, thumb + QPoint(30, 0));
    EXPECT_EQ(SliderReports(), (std::vector<intptr_t>{1, 1, 0}));
}

TEST_F(ValueControlTest, WheelAndArrowKeysStepTheFocusedSlider)
{
    Open();
    pSlider->SetPos(5);
    Wheel(-120);
    EXPECT_EQ(pSlider->GetPos(), 5.0) << "not focused: the wheel goes nowhere";
    pSlider->TakeFocus();
    Wheel(-120); // towards the user
    EXPECT_DOUBLE_EQ(pSlider->GetPos(), 5.1);
    Wheel(120);
    Wheel(120);
    EXPECT_DOUBLE_EQ(pSlider->GetPos(), 4.9);
    EXPECT_EQ(SliderReports(), (std::vector<intptr_t>{0, 0, 0}));

    dialog.messages.clear();
    QTest::keyClick(pWidget, Qt::Key_Right);
    DeliverPosted();
    EXPECT_DOUBLE_EQ(pSlider->GetPos(), 4.95);
    QTest::keyClick(pWidget, Qt::Key_Left);
    QTest::keyClick(pWidget, Qt::Key_Left);
    EXPECT_DOUBLE_EQ(pSlider->GetPos(), 4.85);
    EXPECT_EQ(SliderReports(), (std::vector<intptr_t>{0, 0, 0}));

    // At the end a step moves nothing and reports nothing, yet the key is taken.
    dialog.messages.clear();
    pSlider->SetPos(10);
    tagQVInputMessage right;
    right.nMessage = kMsgKeyDown;
    right.nVirtualKey = kVkRight;
    EXPECT_TRUE(pSlider->Key(right));
    tagQVInputMessage home = right;
    home.nVirtualKey = kVkHome;
    EXPECT_FALSE(pSlider->Key(home));
    tagQVInputMessage wheel;
    wheel.nMessage = kMsgMouseWheel;
    wheel.nWheelDelta = -120;
    EXPECT_TRUE(pSlider->Wheel(wheel));
    EXPECT_TRUE(SliderReports().empty());
    EXPECT_EQ(pSlider->GetPos(), 10.0);
}

TEST_F(ValueControlTest, ProgressClampsIntoItsRange)
{
    Open();
    pProgress->SetRange(0, 200);
    pProgress->SetPos(50, true);
    EXPECT_EQ(pProgress->GetPercent(), 25.0);
    pProgress->SetPos(900);
    EXPECT_EQ(pProgress->GetPos(), 200.0);
    pProgress->SetPos(-1);
    EXPECT_EQ(pProgress->GetPercent(), 0.0);
    pProgress->SetRange(5, 5);
    EXPECT_EQ(pProgress->GetPercent(), 0.0);
}
