// The visible-window layer on Qt's offscreen platform, driven by real Qt input events.
#include "platform/CQVPlatformWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

using namespace qv;

namespace
{

class CProbeWindow : public CQVPlatformWindow
{
public:
    std::vector<std::pair<unsigned, QPoint>> mouse;
    std::vector<tagQVInputMessage> input;
    std::vector<bool> activations;
    std::vector<QSize> sizes;
    int nPaints = 0;
    std::function<void(unsigned)> onMouse;

    std::vector<unsigned> Codes() const
    {
        std::vector<unsigned> codes;
        for (const auto& entry : mouse)
            codes.push_back(entry.first);
        return codes;
    }

protected:
    void OnPaint() override
    {
        ++nPaints;
        QImage image(GetClientRect().size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::darkGray);
        PresentImage(image);
    }
    void OnMouseMessage(unsigned nCode, QPoint pt) override
    {
        mouse.emplace_back(nCode, pt);
        if (onMouse)
            onMouse(nCode);
    }
    bool OnInputMessage(const tagQVInputMessage& msg) override
    {
        input.push_back(msg);
        return true;
    }
    void OnActivate(bool bActive) override { activations.push_back(bActive); }
    void OnSize(int nWidth, int nHeight) override { sizes.emplace_back(nWidth, nHeight); }
};

bool ShowExposed(CQVPlatformWindow& window)
{
    window.ShowWindow(true);
    return QTest::qWaitForWindowExposed(window.GetWidget());
}

void SendMouse(QWidget* pWidget, QEvent::Type type, Qt::MouseButton button, QPoint pt, ulong nTime,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pt, pWidget->mapToGlobal(pt), button, buttons, Qt::NoModifier);
    event.setTimestamp(nTime);
    QApplication::sendEvent(pWidget, &event);
}

class PlatformWindowTest : public ::testing::Test
{
protected:
    void TearDown() override { CQVPlatformWindow::ReleaseCapture(); }
    CProbeWindow window;
};

} // namespace

TEST_F(PlatformWindowTest, PressesReleasesAndDoubleClicksArriveAsTheToolkitsCodes)
{
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 200, 100));
    ASSERT_TRUE(ShowExposed(window));
    QWidget* pWidget = window.GetWidget();
    const QPoint pt(20, 30);
    SendMouse(pWidget, QEvent::MouseButtonPress, Qt::LeftButton, pt, 1000, Qt::LeftButton);
    SendMouse(pWidget, QEvent::MouseButtonRelease, Qt::LeftButton, pt, 1010, Qt::NoButton);
    // The second press of a double click, then Qt's own double-click event (swallowed).
    SendMouse(pWidget, QEvent::MouseButtonPress, Qt::LeftButton, pt, 1100, Qt::LeftButton);
    SendMouse(pWidget, QEvent::MouseButtonDblClick, Qt::LeftButton, pt, 1100, Qt::LeftButton);
    SendMouse(pWidget, QEvent::MouseButtonRelease, Qt::LeftButton, pt, 1110, Qt::NoButton);
    // A third quick press starts over.
    SendMouse(pWidget, QEvent::MouseButtonPress, Qt::LeftButton, pt, 1200, Qt::LeftButton);
    SendMouse(pWidget, QEvent::MouseButtonRelease, Qt::LeftButton, pt, 1210, Qt::NoButton);
    // Far apart in time: two single clicks.
    SendMouse(pWidget, QEvent::MouseButtonPress, Qt::LeftButton, pt, 5000, Qt::LeftButton);
    SendMouse(pWidget, QEvent::MouseButtonRelease, Qt::LeftButton, pt, 5010, Qt::NoButton);
    SendMouse(pWidget, QEvent::MouseButtonPress, Qt::RightButton, pt, 6000, Qt::RightButton);
    SendMouse(pWidget, QEvent::MouseButtonRelease, Qt::RightButton, pt, 6010, Qt::NoButton);
    SendMouse(pWidget, QEvent::MouseButtonPress, Qt::MiddleButton, pt, 7000, Qt::MiddleButton);
    EXPECT_EQ(window.Codes(),
              (std::vector<unsigned>{513, 514, 515, 514, 513, 514, 513, 514, 516, 517}));
    EXPECT_EQ(window.mouse.front().second, pt);

    // A double click that comes without its press (as QTest sends one).
    window.mouse.clear();
    QTest::mouseDClick(pWidget, Qt::LeftButton, {}, pt);
    EXPECT_EQ(window.Codes(), std::vector<unsigned>{515});
    // QTest keeps the button down after a double click until it is released.
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, pt);
}

TEST_F(PlatformWindowTest, MovesAndLeavingArriveWithTheLeavePointMinus99)
{
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 200, 100));
    window.MoveWindow(100, 100, 200, 100);
    ASSERT_TRUE(ShowExposed(window));
    QTest::mouseMove(window.GetWidget(), QPoint(50, 40));
    ASSERT_FALSE(window.mouse.empty());
    EXPECT_EQ(window.mouse.back(), std::make_pair(unsigned(kMsgMouseMove), QPoint(50, 40)));
    // Off the window, on the screen.
    QTest::mouseMove(window.GetWidget(), QPoint(250, 150));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.mouse.back().first == kMsgMouseLeave; }));
    EXPECT_EQ(window.mouse.back().second, QPoint(-99, -99));
}

TEST_F(PlatformWindowTest, KeysAndTheWheelArriveAsInputMessages)
{
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 200, 100));
    ASSERT_TRUE(ShowExposed(window));
    QWidget* pWidget = window.GetWidget();
    const struct
    {
        Qt::Key key;
        unsigned nVirtualKey;
    } keys[] = {{Qt::Key_Tab, kVkTab},      {Qt::Key_Return, kVkReturn},
                {Qt::Key_Enter, kVkReturn}, {Qt::Key_Escape, kVkEscape},
                {Qt::Key_Left, kVkLeft},    {Qt::Key_Right, kVkRight},
                {Qt::Key_A, 'A'},           {Qt::Key_7, '7'},
                {Qt::Key_F5, kVkF1 + 4},    {Qt::Key_Delete, kVkDelete}};
    for (const auto& row : keys)
    {
        window.input.clear();
        QTest::keyClick(pWidget, row.key);
        ASSERT_EQ(window.input.size(), 2u) << "key " << row.key;
        EXPECT_EQ(window.input[0].nMessage, kMsgKeyDown);
        EXPECT_EQ(window.input[1].nMessage, kMsgKeyUp);
        EXPECT_EQ(window.input[0].nVirtualKey, row.nVirtualKey) << "key " << row.key;
    }
    window.input.clear();
    QTest::keyClick(pWidget, Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(window.input.size(), 4u) << "shift down, tab down, tab up, shift up";
    EXPECT_EQ(window.input[0].nVirtualKey, kVkShift);
    EXPECT_EQ(window.input[1].nVirtualKey, kVkTab);
    EXPECT_EQ(window.input[1].nModifiers, kModShift);

    window.input.clear();
    QWheelEvent wheel(QPointF(30, 40), pWidget->mapToGlobal(QPointF(30, 40)), QPoint(),
                      QPoint(0, -240), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pWidget, &wheel);
    ASSERT_EQ(window.input.size(), 1u);
    EXPECT_EQ(window.input[0].nMessage, kMsgMouseWheel);
    EXPECT_EQ(window.input[0].nWheelDelta, -240);
    EXPECT_EQ(QPoint(window.input[0].x, window.input[0].y), QPoint(30, 40));
    EXPECT_EQ(window.input[0].nModifiers, kModControl);
}

TEST_F(PlatformWindowTest, CaptureBelongsToOneWindowAndGoesWithIt)
{
    CProbeWindow other;
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), nullptr);
    window.SetCapture();
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), nullptr) << "no window yet";
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 100, 100));
    ASSERT_TRUE(other.CreateWindowEx(nullptr, 100, 100));
    window.SetCapture();
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), &window);
    other.SetCapture();
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), &other);
    other.DestroyWindow();
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), nullptr);
    window.SetCapture();
    CQVPlatformWindow::ReleaseCapture();
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), nullptr);
}

TEST_F(PlatformWindowTest, ActivationIsReportedBothWays)
{
    CProbeWindow other;
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 100, 100));
    ASSERT_TRUE(other.CreateWindowEx(nullptr, 100, 100));
    ASSERT_TRUE(ShowExposed(window));
    ASSERT_TRUE(ShowExposed(other));
    window.SetActiveWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.GetWidget()));
    EXPECT_TRUE(window.IsActiveWindow());
    EXPECT_EQ(CQVPlatformWindow::GetActiveWindow(), &window);
    ASSERT_FALSE(window.activations.empty());
    EXPECT_TRUE(window.activations.back());
    other.SetActiveWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other.GetWidget()));
    EXPECT_FALSE(window.activations.back());
    EXPECT_FALSE(window.IsActiveWindow());
}

TEST_F(PlatformWindowTest, BlitsUpdateTheContentWithoutPaintingAndInvalidatePaints)
{
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 120, 80));
    ASSERT_TRUE(ShowExposed(window));
    window.UpdateWindow();
    ASSERT_EQ(window.nPaints, 1);
    ASSERT_EQ(window.GetPaintCount(), 1);
    QImage patch(10, 10, QImage::Format_ARGB32_Premultiplied);
    patch.fill(Qt::red);
    window.BlitImage(patch, 5, 6);
    QTest::qWait(20);
    EXPECT_EQ(window.GetContentImage().pixelColor(5, 6), QColor(Qt::red));
    EXPECT_EQ(window.GetContentImage().pixelColor(15, 6), QColor(Qt::darkGray));
    EXPECT_EQ(window.nPaints, 1);
    EXPECT_EQ(window.GetWidget()->grab().toImage().pixelColor(7, 8), QColor(Qt::red));

    window.PresentImage(QImage(5, 5, QImage::Format_ARGB32_Premultiplied));
    EXPECT_EQ(window.GetContentImage().size(), QSize(120, 80)) << "a wrong size is ignored";
    window.Invalidate();
    window.UpdateWindow();
    EXPECT_EQ(window.nPaints, 2);
    EXPECT_EQ(window.GetContentImage().pixelColor(5, 6), QColor(Qt::darkGray));
}

TEST_F(PlatformWindowTest, MovingReportsANewSizeAtOnceEvenWhileHidden)
{
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 120, 80));
    window.MoveWindow(10, 20, 300, 150);
    EXPECT_EQ(window.sizes, std::vector<QSize>{QSize(300, 150)});
    EXPECT_EQ(window.GetWindowRect(), QRect(10, 20, 300, 150));
    EXPECT_EQ(window.GetClientRect(), QRect(0, 0, 300, 150));
    window.MoveWindow(40, 50, 300, 150);
    EXPECT_EQ(window.sizes.size(), 1u) << "only moved";
    window.MoveWindow(40, 50, 0, 150);
    EXPECT_EQ(window.GetClientRect().width(), 300) << "an empty size is refused";
    ASSERT_TRUE(ShowExposed(window));
    QTest::qWait(20);
    EXPECT_EQ(window.sizes.size(), 1u) << "showing reports nothing new";

    const QRect work = window.GetWorkArea();
    window.CenterWindow(nullptr);
    const QRect rect = window.GetWindowRect();
    EXPECT_LE(std::abs(rect.center().x() - work.center().x()), 1);
    EXPECT_EQ(window.ClientToScreen(QPoint(3, 4)), rect.topLeft() + QPoint(3, 4));
}

TEST_F(PlatformWindowTest, CaptionDragMovesTheWindowAndSwallowsTheMouse)
{
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 200, 100));
    window.MoveWindow(100, 100, 200, 100);
    ASSERT_TRUE(ShowExposed(window));
    window.onMouse = [&](unsigned nCode)
    {
        if (nCode == kMsgLButtonDown)
            window.BeginCaptionDrag();
    };
    QWidget* pWidget = window.GetWidget();
    QTest::mousePress(pWidget, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(window.IsCaptionDragging());
    QTest::mouseMove(pWidget, QPoint(40, 30));
    QTest::mouseMove(pWidget, QPoint(50, 25)); // relative to the window that already moved
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, QPoint(50, 25));
    EXPECT_FALSE(window.IsCaptionDragging());
    EXPECT_EQ(window.GetWindowRect().topLeft(), QPoint(100 + 30 + 40, 100 + 20 + 15));
    EXPECT_EQ(window.Codes(), std::vector<unsigned>{kMsgLButtonDown});
}

TEST_F(PlatformWindowTest, AWindowDestroyedInsideItsOwnHandlerGoesQuietly)
{
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 200, 100));
    ASSERT_TRUE(ShowExposed(window));
    window.onMouse = [&](unsigned) { window.DestroyWindow(); };
    QTest::mouseClick(window.GetWidget(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(window.IsWindow());
    EXPECT_EQ(window.GetWidget(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window.Codes(), std::vector<unsigned>{kMsgLButtonDown});
    // The object can make a new window.
    EXPECT_TRUE(window.CreateWindowEx(nullptr, 50, 50));
    EXPECT_FALSE(window.CreateWindowEx(nullptr, 50, 50));
}

TEST_F(PlatformWindowTest, ChildWindowsDieWithTheirParent)
{
    CProbeWindow child;
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 200, 100));
    ASSERT_TRUE(child.CreateWindowEx(&window, 50, 50, CQVPlatformWindow::EStyle::ToolPopup));
    EXPECT_EQ(child.GetParentWindow(), &window);
    child.SetCapture();
    window.DestroyWindow();
    EXPECT_FALSE(child.IsWindow());
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), nullptr);
}

TEST_F(PlatformWindowTest, CursorShapeHoldsForOneMouseMessageAndOpacityIsClamped)
{
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 200, 100));
    ASSERT_TRUE(ShowExposed(window));
    bool bHand = true;
    window.onMouse = [&](unsigned)
    {
        if (bHand)
            window.SetCursorShape(Qt::PointingHandCursor);
    };
    QTest::mousePress(window.GetWidget(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(window.GetWidget()->cursor().shape(), Qt::PointingHandCursor);
    bHand = false;
    QTest::mouseRelease(window.GetWidget(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(window.GetWidget()->cursor().shape(), Qt::ArrowCursor);

    window.SetWindowAlpha(300);
    EXPECT_EQ(window.GetWindowAlpha(), 255);
    window.SetWindowAlpha(-4);
    EXPECT_EQ(window.GetWindowAlpha(), 0);
}
