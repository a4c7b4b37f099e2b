#include "UiTestSupport.h"

#include "ui/CQVButton.h"
#include "ui/CQVSkinFonts.h"
#include "ui/CQVStatic.h"
#include "ui/CQVTextButton.h"

#include <QApplication>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace
{

// Counts what the manager hands it.
class CCountingControl : public CQVButton
{
public:
    explicit CCountingControl(bool* pDestroyed = nullptr) : m_pDestroyed(pDestroyed) {}
    ~CCountingControl() override
    {
        if (m_pDestroyed)
            *m_pDestroyed = true;
    }
    int nWheels = 0;
    int nActivations = 0;
    int nLayouts = 0;
    std::vector<QPoint> points;

    bool Wheel(const tagQVInputMessage& msg) override
    {
        (void)msg;
        ++nWheels;
        return true;
    }
    void OnActivate(bool bActive) override
    {
        (void)bActive;
        ++nActivations;
    }
    void RecalcLayout() override { ++nLayouts; }
    bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt) override
    {
        if (nCode == kMsgMouseLeave)
            points.push_back(pt);
        return CQVButton::Mouse(pOwner, nCode, pt);
    }

private:
    bool* m_pDestroyed;
};

QImage Solid(QColor colour)
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

using UIManagerTest = CToolkitTest;

} // namespace

TEST_F(UIManagerTest, CloseButtonAndCancelShareId2AndDifferByKind)
{
    CRecordingDialog dialog;
    ASSERT_TRUE(OpenShown(dialog));
    CQVUIManager& manager = *dialog.GetUIManager();
    CQVButton* pClose = manager.Find(2, kKindButton);
    CQVButton* pCancel = manager.Find(2, kKindTextButton);
    ASSERT_NE(pClose, nullptr);
    ASSERT_NE(pCancel, nullptr);
    EXPECT_NE(pClose, pCancel);
    EXPECT_NE(dynamic_cast<CQVTextButton*>(pCancel), nullptr);
    EXPECT_EQ(dynamic_cast<CQVTextButton*>(pClose), nullptr);
    EXPECT_EQ(manager.Find(2, 5), nullptr);
    QString text;
    manager.Find(1, kKindTextButton)->GetText(text);
    EXPECT_EQ(text, QStringLiteral("OK"));
    const QRect client = dialog.GetClientRect();
    EXPECT_EQ(pClose->GetRect(), QRect(client.width() - 20, 3, 16, 16));
    EXPECT_EQ(pCancel->GetRect(), QRect(client.width() - 150, client.height() - 30, 65, 20));
}

TEST_F(UIManagerTest, TabMovesTheFocusAndWrapsToTheFirstControl)
{
    CRecordingDialog dialog;
    ASSERT_TRUE(OpenShown(dialog));
    CQVUIManager& manager = *dialog.GetUIManager();
    QWidget* pWidget = dialog.GetWidget();
    CQVButton* pClose = manager.Find(2, kKindButton);
    CQVButton* pOk = manager.Find(1, kKindTextButton);
    CQVButton* pCancel = manager.Find(2, kKindTextButton);

    EXPECT_EQ(manager.GetFocused(), nullptr);
    QTest::keyClick(pWidget, Qt::Key_Tab);
    EXPECT_EQ(manager.GetFocused(), pClose);
    QTest::keyClick(pWidget, Qt::Key_Tab);
    EXPECT_EQ(manager.GetFocused(), pOk);
    EXPECT_FALSE(pClose->IsFocused());
    QTest::keyClick(pWidget, Qt::Key_Tab);
    EXPECT_EQ(manager.GetFocused(), pCancel);
    EXPECT_EQ(manager.GetFocusedKind(), kKindTextButton);
    QTest::keyClick(pWidget, Qt::Key_Tab);
    EXPECT_EQ(manager.GetFocused(), pClose) << "wraps";

    // A hidden control is passed over.
    pOk->Show(false, true);
    QTest::keyClick(pWidget, Qt::Key_Tab);
    EXPECT_EQ(manager.GetFocused(), pCancel);

    // Enter then clicks the focused Cancel button.
    QTest::keyClick(pWidget, Qt::Key_Return);
    DeliverPosted();
    EXPECT_EQ(dialog.commands, std::vector<unsigned>{2});
    EXPECT_EQ(dialog.GetResultCode(), kIdCancel);
}

TEST_F(UIManagerTest, FocusNextWithOneControlKeepsIt)
{
    CRecordingDialog dialog;
    ASSERT_TRUE(OpenShown(dialog));
    CQVUIManager& manager = *dialog.GetUIManager();
    manager.Destroy();
    auto* pOnly = new CQVTextButton(QStringLiteral("Only"));
    manager.Add(9, pOnly, kKindTextButton);
    manager.FocusNext();
    EXPECT_EQ(manager.GetFocused(), pOnly);
    manager.FocusNext();
    EXPECT_EQ(manager.GetFocused(), pOnly);
    EXPECT_TRUE(pOnly->IsFocused());
}

TEST_F(UIManagerTest, LeavingTheWindowReturnsHoveredControlsToNormal)
{
    CRecordingDialog dialog;
    CCountingControl* pCounter = nullptr;
    dialog.addControls = [&](CQVUIManager& manager)
    {
        pCounter = new CCountingControl();
        pCounter->Move(100, 60, 40, 40, false);
        manager.Add(70, pCounter, kKindButton);
    };
    ASSERT_TRUE(OpenShown(dialog));
    CQVButton* pOk = dialog.GetUIManager()->Find(1, kKindTextButton);
    const QRect ok = pOk->GetRect();
    QTest::mouseMove(dialog.GetWidget(), ok.center());
    ASSERT_TRUE(WaitFor([&] { return pOk->GetState() == CQVButton::kStateHover; }));

    QTest::mouseMove(dialog.GetWidget(), QPoint(-200, -200));
    ASSERT_TRUE(WaitFor([&] { return pOk->GetState() == CQVButton::kStateNormal; }));
    ASSERT_FALSE(pCounter->points.empty());
    EXPECT_EQ(pCounter->points.back(), QPoint(-99, -99));
}

TEST_F(UIManagerTest, KindsSetFontsAndKind8KeepsOwnerIdAndFont)
{
    CRecordingDialog dialog;
    ASSERT_TRUE(OpenShown(dialog));
    CQVUIManager& manager = *dialog.GetUIManager();

    auto* pKept = new CQVButton();
    pKept->SetFontId(9);
    manager.Add(77, pKept, kKindUnmanaged);
    EXPECT_EQ(pKept->GetId(), 0);
    EXPECT_EQ(pKept->GetFontId(), 9);
    EXPECT_EQ(pKept->GetOwner(), nullptr);
    EXPECT_EQ(pKept->GetManager(), nullptr);
    EXPECT_EQ(manager.Find(77, kKindUnmanaged), pKept);

    const struct
    {
        int nKind;
        int nFont;
    } expected[] = {{0, 9},  {1, 6},  {2, 6},  {4, 1},  {9, 9},  {12, 3}, {13, 6},
                    {14, 3}, {15, 9}, {16, 1}, {17, 1}, {19, 1}, {23, 6}, {30, 1}};
    for (const auto& row : expected)
    {
        auto* pControl = new CQVButton();
        pControl->SetFontId(9);
        manager.Add(100 + row.nKind, pControl, row.nKind);
        EXPECT_EQ(pControl->GetFontId(), row.nFont) << "kind " << row.nKind;
        EXPECT_EQ(pControl->GetId(), 100 + row.nKind);
        EXPECT_EQ(pControl->GetOwner(), &dialog);
        EXPECT_EQ(pControl->GetManager(), &manager);
    }
    EXPECT_EQ(manager.GetDefaultControl(), manager.Find(116, kKindDefault));

    // A control registered twice is kept once (it would otherwise be freed twice).
    const int nCount = manager.GetCount();
    manager.Add(5, pKept, kKindButton);
    EXPECT_EQ(manager.GetCount(), nCount);
}

TEST_F(UIManagerTest, WheelGoesOnlyToAFocusedControlOfAWheelKind)
{
    CRecordingDialog dialog;
    CCountingControl* pSlider = nullptr;
    CCountingControl* pPlain = nullptr;
    dialog.addControls = [&](CQVUIManager& manager)
    {
        pSlider = new CCountingControl();
        manager.Add(80, pSlider, kKindSlider);
        pPlain = new CCountingControl();
        manager.Add(81, pPlain, kKindButton);
    };
    ASSERT_TRUE(OpenShown(dialog));
    CQVUIManager& manager = *dialog.GetUIManager();
    auto turn = [&]
    {
        QWheelEvent event(QPointF(50, 50), dialog.ClientToScreen(QPoint(50, 50)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(dialog.GetWidget(), &event);
    };
    turn();
    EXPECT_EQ(pSlider->nWheels + pPlain->nWheels, 0) << "nothing focused";
    manager.SetFocus(pSlider, kKindSlider);
    turn();
    EXPECT_EQ(pSlider->nWheels, 1);
    manager.SetFocus(pPlain, kKindButton);
    turn();
    EXPECT_EQ(pPlain->nWheels, 0);
}

TEST_F(UIManagerTest, ActivationAndResizeReachTheKindsTheyAreFor)
{
    CRecordingDialog dialog;
    std::vector<CCountingControl*> controls;
    const int kinds[] = {kKindButton, kKindHListBox, kKindWindow, kKindVListBox, 24};
    dialog.addControls = [&](CQVUIManager& manager)
    {
        for (int nKind : kinds)
        {
            controls.push_back(new CCountingControl());
            manager.Add(90, controls.back(), nKind);
        }
    };
    ASSERT_TRUE(OpenShown(dialog));
    for (CCountingControl* pControl : controls)
        pControl->nActivations = pControl->nLayouts = 0;
    dialog.GetUIManager()->Activate(true);
    dialog.GetUIManager()->Resized();
    const int activations[] = {1, 0, 0, 1, 0};
    const int layouts[] = {0, 1, 0, 1, 0};
    for (size_t i = 0; i < controls.size(); ++i)
    {
        EXPECT_EQ(controls[i]->nActivations, activations[i]) << "kind " << kinds[i];
        EXPECT_EQ(controls[i]->nLayouts, layouts[i]) << "kind " << kinds[i];
        EXPECT_EQ(controls[i]->GetSavedBackground(), nullptr);
    }
}

TEST_F(UIManagerTest, CompositeDrawsBackgroundThenCaptionThenControlsInOrder)
{
    CRecordingDialog dialog;
    dialog.addControls = [&](CQVUIManager& manager)
    {
        auto* pFirst = new CQVButton();
        pFirst->SetImage(Solid(Qt::red));
        pFirst->SetStripLayout(1);
        pFirst->Move(50, 50, 40, 40, false);
        manager.Add(91, pFirst, kKindButton);
        auto* pSecond = new CQVButton();
        pSecond->SetImage(Solid(Qt::blue));
        pSecond->SetStripLayout(1);
        pSecond->Move(70, 70, 40, 40, false);
        manager.Add(92, pSecond, kKindButton);
        auto* pIgnored = new CQVButton();
        pIgnored->SetImage(Solid(Qt::green));
        pIgnored->SetStripLayout(1);
        pIgnored->Move(50, 50, 10, 10, false);
        manager.Add(93, pIgnored, 24);
    };
    ASSERT_TRUE(OpenShown(dialog));
    const QImage image = dialog.GetUIManager()->Composite();
    const tagQVThemeColors& colors = CQVTheme::Colors();
    const QRect client = dialog.GetClientRect();
    EXPECT_EQ(image.size(), client.size());
    EXPECT_EQ(image.pixelColor(60, 60), QColor(Qt::red)) << "kinds above 23 are not drawn";
    EXPECT_EQ(image.pixelColor(80, 80), QColor(Qt::blue)) << "later registrations on top";
    EXPECT_EQ(image.pixelColor(client.width() / 2, client.height() / 2),
              CQVTheme::ToQColor(colors.clrDlgBK));
    EXPECT_EQ(image.pixelColor(0, client.height() / 2), CQVTheme::ToQColor(colors.clrDlgEdge));
    // The caption band starts 30 below the background and ends near 5 above it.
    const QColor top = image.pixelColor(client.width() / 2, 1);
    const QColor bottom = image.pixelColor(client.width() / 2, 28);
    EXPECT_NEAR(top.red(), 31, 2);
    EXPECT_NEAR(bottom.red(), 61, 2);
    EXPECT_EQ(image.pixelColor(client.width() / 2, 31), CQVTheme::ToQColor(colors.clrDlgBK));
}

TEST_F(UIManagerTest, DestroyFreesEveryControlAndTheLastManagerEmptiesTheFontTable)
{
    bool bDestroyed = false;
    {
        CRecordingDialog first;
        first.addControls = [&](CQVUIManager& manager)
        { manager.Add(95, new CCountingControl(&bDestroyed), kKindButton); };
        ASSERT_TRUE(OpenShown(first));
        const int nFonts = CQVSkinFonts::Count();
        ASSERT_GT(nFonts, 0) << "the shipped skin names fonts";
        const tagQVFontRecord* pFirstRecord = CQVSkinFonts::Find(6);
        {
            CRecordingDialog second;
            ASSERT_TRUE(OpenShown(second));
            EXPECT_EQ(CQVSkinFonts::Count(), 2 * nFonts);
            EXPECT_EQ(CQVSkinFonts::Find(6), pFirstRecord) << "the first record of an id wins";
        }
        EXPECT_EQ(CQVSkinFonts::Count(), 2 * nFonts) << "a manager still lives";
        first.GetUIManager()->Destroy();
        EXPECT_TRUE(bDestroyed);
        EXPECT_EQ(first.GetUIManager()->GetCount(), 0);
        EXPECT_EQ(first.GetUIManager()->GetFocused(), nullptr);
    }
    EXPECT_EQ(CQVUIManager::LiveCount(), 0);
    EXPECT_EQ(CQVSkinFonts::Count(), 0);
}

TEST_F(UIManagerTest, PaintingWithoutALiveWindowDoesNothing)
{
    CQVUIManager manager;
    manager.Add(1, new CQVTextButton(QStringLiteral("x")), kKindTextButton);
    EXPECT_TRUE(manager.Composite().isNull());
    manager.Paint();
    manager.Mouse(kMsgMouseMove, QPoint(1, 1));
    tagQVInputMessage key;
    key.nMessage = kMsgKeyDown;
    key.nVirtualKey = kVkTab;
    EXPECT_FALSE(manager.Key(key)) << "no owner window, so not the active window";
    EXPECT_EQ(manager.GetControlAt(5), nullptr);
    EXPECT_EQ(manager.GetKindAt(-1), -1);
}
