#include "UiTestSupport.h"

#include "ui/CQVButton.h"
#include "ui/CQVSkinFonts.h"
#include "ui/CQVSkinLoader.h"
#include "ui/CQVTextButton.h"
#include "ui/CQVToolTipWnd.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace
{

class ButtonTest : public CToolkitTest
{
protected:
    // A dialog with one text button "Go" (id 50) at (40, 60), 80 x 24.
    void OpenWithButton()
    {
        dialog.addControls = [this](CQVUIManager& manager)
        {
            pButton = new CQVTextButton(QStringLiteral("Go"));
            pButton->Move(40, 60, 80, 24, false);
            pButton->SetToolTipText(QStringLiteral("Go there"));
            manager.Add(50, pButton, kKindTextButton);
        };
        ASSERT_TRUE(OpenShown(dialog));
        pWidget = dialog.GetWidget();
    }

    CRecordingDialog dialog;
    CQVTextButton* pButton = nullptr;
    QWidget* pWidget = nullptr;
};

// Four frames of 60 x 30: columns 0..49 of frame k in kFrameColours[k], the last ten in
// magenta, so that a frame cut to 50 pixels shows no magenta.
const QColor kFrameColours[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};

QImage MakeStrip240()
{
    QImage strip(240, 30, QImage::Format_ARGB32);
    for (int f = 0; f < 4; ++f)
        for (int x = 0; x < 60; ++x)
            for (int y = 0; y < 30; ++y)
                strip.setPixelColor(f * 60 + x, y, x < 50 ? kFrameColours[f] : Qt::magenta);
    return strip;
}

} // namespace

TEST_F(ButtonTest, PressDraggedOutAndReleasedGivesNoCommandButAClickInsideDoes)
{
    OpenWithButton();
    QTest::mousePress(pWidget, Qt::LeftButton, {}, QPoint(60, 70));
    EXPECT_EQ(pButton->GetState(), CQVButton::kStatePressed);
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), &dialog);
    QTest::mouseMove(pWidget, QPoint(250, 130));
    EXPECT_EQ(pButton->GetState(), CQVButton::kStatePressed) << "a captured press stays pressed";
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, QPoint(250, 130));
    DeliverPosted();
    EXPECT_TRUE(dialog.commands.empty());
    EXPECT_EQ(pButton->GetState(), CQVButton::kStateNormal);
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), nullptr);

    // Dragged out and back in before the release still clicks.
    QTest::mousePress(pWidget, Qt::LeftButton, {}, QPoint(60, 70));
    QTest::mouseMove(pWidget, QPoint(250, 130));
    QTest::mouseMove(pWidget, QPoint(70, 72));
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, QPoint(70, 72));
    DeliverPosted();
    EXPECT_EQ(dialog.commands, std::vector<unsigned>{50});
    EXPECT_EQ(pButton->GetState(), CQVButton::kStateHover);
    EXPECT_TRUE(pButton->IsFocused());
}

TEST_F(ButtonTest, EnterOnTheFocusedButtonPostsItsCommand)
{
    OpenWithButton();
    pButton->TakeFocus();
    QTest::keyClick(pWidget, Qt::Key_Return);
    DeliverPosted();
    EXPECT_EQ(dialog.commands, std::vector<unsigned>{50});
    EXPECT_FALSE(dialog.IsEnded());

    // A disabled button does not take Enter; the dialog's default key then ends it with OK.
    pButton->Enable(false, true);
    QTest::keyClick(pWidget, Qt::Key_Return);
    DeliverPosted();
    EXPECT_EQ(dialog.commands, std::vector<unsigned>{50});
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResultCode(), kIdOk);
}

TEST_F(ButtonTest, DisablingAHoveredButtonResetsItAndHidesItsTooltip)
{
    OpenWithButton();
    QTest::mouseMove(pWidget, QPoint(60, 70));
    ASSERT_TRUE(WaitFor([&] { return pButton->GetState() == CQVButton::kStateHover; }));
    EXPECT_TRUE(pButton->IsToolTipVisible());
    const QRect tip = pButton->GetToolTipWindow()->GetWindowRect();
    const QPoint buttonOnScreen = dialog.ClientToScreen(QPoint(40, 60 + 24));
    EXPECT_EQ(tip.topLeft(), buttonOnScreen + QPoint(0, 10));

    pButton->Enable(false, true);
    EXPECT_EQ(pButton->GetState(), CQVButton::kStateNormal);
    EXPECT_FALSE(pButton->IsToolTipVisible());
    // A disabled button ignores the mouse altogether.
    QTest::mouseMove(pWidget, QPoint(62, 71));
    Pump();
    EXPECT_EQ(pButton->GetState(), CQVButton::kStateNormal);
}

TEST_F(ButtonTest, HoverRedrawsOnlyTheButtonFromTheSavedBackground)
{
    OpenWithButton();
    const int nPaints = dialog.GetPaintCount();
    const QColor edge = CQVTheme::ToQColor(CQVTheme::Colors().clrDlgEdge);
    const QColor text = CQVTheme::ToQColor(CQVTheme::Colors().clrText);
    EXPECT_EQ(dialog.GetContentImage().pixelColor(40, 70), edge);
    ASSERT_NE(pButton->GetSavedBackground(), nullptr);

    QTest::mouseMove(pWidget, QPoint(60, 70));
    ASSERT_TRUE(WaitFor([&] { return pButton->GetState() == CQVButton::kStateHover; }));
    EXPECT_EQ(dialog.GetContentImage().pixelColor(40, 70), text) << "hover border";
    EXPECT_EQ(dialog.GetPaintCount(), nPaints) << "no full composite for hover feedback";
}

TEST_F(ButtonTest, MovingRestoresTheOldPlaceAndRepaintsTheWindow)
{
    OpenWithButton();
    const QColor background = CQVTheme::ToQColor(CQVTheme::Colors().clrDlgBK);
    pButton->Move(200, 100, 80, 24, true);
    EXPECT_EQ(dialog.GetContentImage().pixelColor(40, 70), background);
    const int nPaints = dialog.GetPaintCount();
    dialog.UpdateWindow();
    EXPECT_EQ(dialog.GetPaintCount(), nPaints + 1);
    EXPECT_EQ(dialog.GetContentImage().pixelColor(40, 70), background);
    EXPECT_EQ(dialog.GetContentImage().pixelColor(200, 110),
              CQVTheme::ToQColor(CQVTheme::Colors().clrDlgEdge));
}

TEST_F(ButtonTest, FourFrameStripWiderThanFourTimesTheControlIsCutAtTheLeftEdge)
{
    QRect source, target;
    ASSERT_TRUE(
        CQVButton::FrameGeometry4(QSize(240, 30), 2, QRect(20, 40, 50, 30), &source, &target));
    EXPECT_EQ(source, QRect(120, 0, 50, 30));
    EXPECT_EQ(target, QRect(20, 40, 50, 30));
    // A strip that fits keeps its frame size and is centred.
    ASSERT_TRUE(
        CQVButton::FrameGeometry4(QSize(64, 16), 1, QRect(10, 10, 30, 30), &source, &target));
    EXPECT_EQ(source, QRect(16, 0, 16, 16));
    EXPECT_EQ(target, QRect(17, 17, 16, 16));
    EXPECT_FALSE(CQVButton::FrameGeometry4(QSize(3, 16), 0, QRect(0, 0, 9, 9), &source, &target));

    CQVButton* pStrip = nullptr;
    dialog.addControls = [&](CQVUIManager& manager)
    {
        pStrip = new CQVButton();
        pStrip->SetImage(MakeStrip240());
        pStrip->Move(20, 40, 50, 30, false);
        manager.Add(60, pStrip, kKindButton);
    };
    ASSERT_TRUE(OpenShown(dialog));
    const QColor background = CQVTheme::ToQColor(CQVTheme::Colors().clrDlgBK);
    QImage image = dialog.GetUIManager()->Composite();
    EXPECT_EQ(image.pixelColor(20, 55), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(69, 55), QColor(Qt::red)) << "frame cut to 50, no magenta";
    EXPECT_EQ(image.pixelColor(70, 55), background);

    QTest::mouseMove(dialog.GetWidget(), QPoint(30, 50));
    ASSERT_TRUE(WaitFor([&] { return pStrip->GetState() == CQVButton::kStateHover; }));
    EXPECT_EQ(dialog.GetContentImage().pixelColor(45, 55), QColor(Qt::green));
    QTest::mousePress(dialog.GetWidget(), Qt::LeftButton, {}, QPoint(30, 50));
    EXPECT_EQ(dialog.GetContentImage().pixelColor(45, 55), QColor(Qt::blue));
    QTest::mouseRelease(dialog.GetWidget(), Qt::LeftButton, {}, QPoint(30, 50));
    pStrip->Enable(false, true);
    EXPECT_EQ(dialog.GetContentImage().pixelColor(45, 55), QColor(Qt::yellow));
}

TEST_F(ButtonTest, TwoAndOneFrameStripsStretchAndDimWhenDisabled)
{
    CQVButton* pTwo = nullptr;
    CQVButton* pOne = nullptr;
    dialog.addControls = [&](CQVUIManager& manager)
    {
        QImage two(20, 10, QImage::Format_ARGB32);
        for (int x = 0; x < 20; ++x)
            for (int y = 0; y < 10; ++y)
                two.setPixelColor(x, y, x < 10 ? QColor(Qt::red) : QColor(Qt::blue));
        pTwo = new CQVButton();
        pTwo->SetImage(two);
        pTwo->SetStripLayout(2);
        pTwo->Move(10, 40, 100, 40, false);
        manager.Add(61, pTwo, kKindButton);
        QImage one(8, 8, QImage::Format_ARGB32);
        one.fill(QColor(255, 255, 255));
        pOne = new CQVButton();
        pOne->SetImage(one);
        pOne->SetStripLayout(1);
        pOne->Move(150, 40, 50, 50, false);
        manager.Add(62, pOne, kKindButton);
    };
    ASSERT_TRUE(OpenShown(dialog));
    QImage image = dialog.GetUIManager()->Composite();
    EXPECT_EQ(image.pixelColor(12, 42), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(107, 77), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(175, 65), QColor(255, 255, 255));

    pTwo->Enable(false, false);
    pOne->Enable(false, false);
    image = dialog.GetUIManager()->Composite();
    EXPECT_EQ(image.pixelColor(60, 60), QColor(Qt::blue));
    // Half of white over the built-in background (60, 60, 60).
    const QColor dimmed = image.pixelColor(175, 65);
    EXPECT_NEAR(dimmed.red(), (255 + 60) / 2, 2);
    EXPECT_NEAR(dimmed.blue(), (255 + 60) / 2, 2);
}

TEST_F(ButtonTest, TextNeedsAFontRecordAndMeasuresInItsFont)
{
    OpenWithButton();
    EXPECT_EQ(pButton->GetFontId(), 1);
    const QSizeF size = pButton->MeasureText(QStringLiteral("Cancel"));
    EXPECT_GT(size.width(), 20);
    EXPECT_GT(size.height(), 8);
    EXPECT_EQ(pButton->MeasureText(QString()), QSizeF(0, 0));

    // The same button with and without text: with no record for its font, they look alike.
    pButton->SetFontId(999);
    EXPECT_EQ(pButton->MeasureText(QStringLiteral("Cancel")), QSizeF(0, 0));
    const QImage withText = dialog.GetUIManager()->Composite();
    pButton->SetText(QString(), false);
    const QImage withoutText = dialog.GetUIManager()->Composite();
    EXPECT_EQ(withText, withoutText);
}

TEST(ToolTipPlacement, BelowTheControlKeptOnScreenAndAboveNearThePanel)
{
    const QRect screen(0, 0, 800, 600);
    const QRect work(0, 0, 800, 560); // a 40-pixel panel at the bottom
    const QSize tip(80, 20);
    EXPECT_EQ(CQVToolTipWnd::Place(QRect(100, 100, 30, 30), tip, screen, work), QPoint(100, 140));
    EXPECT_EQ(CQVToolTipWnd::Place(QRect(-10, 100, 30, 30), tip, screen, work), QPoint(0, 140));
    EXPECT_EQ(CQVToolTipWnd::Place(QRect(780, 100, 30, 30), tip, screen, work), QPoint(718, 140));
    EXPECT_EQ(CQVToolTipWnd::Place(QRect(100, 520, 30, 30), tip, screen, work), QPoint(100, 490));
    // Just fitting above the panel stays below.
    EXPECT_EQ(CQVToolTipWnd::Place(QRect(100, 500, 30, 30), tip, screen, work), QPoint(100, 540));
}

namespace
{

// A bare window that records the commands its controls post.
class CCommandWindow : public CQVPlatformWindow
{
public:
    std::vector<uintptr_t> commands;

protected:
    intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam) override
    {
        (void)lParam;
        if (nMsg == kMsgCommand)
            commands.push_back(wParam);
        return 0;
    }
};

} // namespace

TEST_F(ButtonTest, StateMachineOfALoneButton)
{
    CCommandWindow window;
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 200, 100));
    CQVButton button;
    button.Attach(nullptr, &window, 0x12345, kKindButton);
    button.Move(10, 10, 30, 30, false);
    const QPoint in(20, 20), out(100, 80);

    EXPECT_TRUE(button.Mouse(&window, kMsgMouseMove, in));
    EXPECT_EQ(button.GetState(), CQVButton::kStateHover);
    EXPECT_FALSE(button.Mouse(&window, kMsgMouseMove, in)) << "already hovered";
    EXPECT_TRUE(button.Mouse(&window, kMsgLButtonDown, in));
    EXPECT_EQ(button.GetState(), CQVButton::kStatePressed);
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), &window);
    EXPECT_FALSE(button.Mouse(&window, kMsgMouseMove, out)) << "captured: moves change nothing";
    EXPECT_TRUE(button.Mouse(&window, kMsgLButtonUp, out));
    EXPECT_EQ(button.GetState(), CQVButton::kStateNormal);
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), nullptr);
    DeliverPosted();
    EXPECT_TRUE(window.commands.empty());

    button.Mouse(&window, kMsgLButtonDown, in);
    EXPECT_TRUE(button.Mouse(&window, kMsgLButtonUp, in));
    DeliverPosted();
    EXPECT_EQ(window.commands, std::vector<uintptr_t>{0x2345}) << "the id's low 16 bits";

    // A right release outside also ends a captured press, without a click.
    button.Mouse(&window, kMsgLButtonDown, in);
    EXPECT_TRUE(button.Mouse(&window, kMsgRButtonUp, out));
    EXPECT_EQ(button.GetState(), CQVButton::kStateNormal);
    // Leaving returns a hovered button to normal; hidden buttons ignore everything.
    button.Mouse(&window, kMsgMouseMove, in);
    EXPECT_TRUE(button.Mouse(&window, kMsgMouseLeave, QPoint(-99, -99)));
    button.Show(false, false);
    EXPECT_FALSE(button.Mouse(&window, kMsgLButtonDown, in));
    DeliverPosted();
    EXPECT_EQ(window.commands.size(), 1u);
}

TEST_F(ButtonTest, ATooltipWithALineBreakShowsTwoLines)
{
    OpenWithButton();
    CQVToolTipWnd tip;
    ASSERT_TRUE(tip.Create(&dialog));
    tip.SetText(QStringLiteral("Remove"));
    const QSize one = tip.MeasureText();
    tip.SetText(QString::fromStdString(CQVSkinLoader::ExpandLineBreaks("Remove\\r\\nthe row")));
    const QSize two = tip.MeasureText();
    EXPECT_GT(two.height(), one.height() + 8);
    tip.ShowAt(QPoint(30, 40));
    EXPECT_TRUE(tip.IsWindowVisible());
    EXPECT_EQ(tip.GetWindowRect(), QRect(QPoint(30, 40), two));
    EXPECT_FALSE(tip.IsActiveWindow());
    tip.Hide();
    EXPECT_FALSE(tip.IsWindowVisible());
}
