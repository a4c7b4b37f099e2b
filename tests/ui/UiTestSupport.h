// Helpers for the toolkit's tests: a dialog that records its commands, real input through
// QTest, and waiting for the event loop.
#pragma once

#include "ui/CQVDialogBase.h"
#include "ui/CQVTheme.h"
#include "ui/CQVUIManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace qv::test
{

// Runs the event loop until the condition holds or the time is up; returns the condition.
inline bool WaitFor(const std::function<bool()>& condition, int nTimeoutMs = 3000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition())
    {
        if (timer.elapsed() > nTimeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

inline void Pump(int nMs = 30)
{
    QTest::qWait(nMs);
}

// A dialog with the base controls that remembers every command that reached it.
class CRecordingDialog : public CQVDialogBase
{
public:
    using CQVDialogBase::CQVDialogBase;
    std::vector<unsigned> commands;
    std::function<void(CQVUIManager&)> addControls;

    using CQVDialogBase::EndDialog;
    using CQVDialogBase::IsCaptionPoint;

protected:
    void CreateControls() override
    {
        CQVDialogBase::CreateControls();
        if (addControls && GetUIManager())
            addControls(*GetUIManager());
    }
    bool OnCommand(unsigned nId, intptr_t lParam) override
    {
        commands.push_back(nId);
        return CQVDialogBase::OnCommand(nId, lParam);
    }
};

// Opens the dialog without a modal run, shown, exposed, active and painted once.
inline bool OpenShown(CQVDialogBase& dialog)
{
    if (!dialog.Open())
        return false;
    QWidget* pWidget = dialog.GetWidget();
    if (!pWidget || !QTest::qWaitForWindowExposed(pWidget))
        return false;
    dialog.SetActiveWindow();
    if (!QTest::qWaitForWindowActive(pWidget))
        return false;
    dialog.UpdateWindow();
    return !dialog.GetContentImage().isNull();
}

// Posted commands arrive through the event loop.
inline void DeliverPosted()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Built-in colours and no fading, so that tests do not wait on fades; restored afterwards.
class CToolkitTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CQVTheme::ResetToBuiltIn();
        CQVTheme::SetFadeDialogs(false);
    }
    void TearDown() override
    {
        CQVTheme::SetFadeDialogs(true);
        CQVTheme::ResetToBuiltIn();
        CQVPlatformWindow::ReleaseCapture();
    }
};

} // namespace qv::test
