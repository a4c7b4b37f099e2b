// The front-end's application object: the process-wide state every dialog relies on, the
// single-instance lock, the main window run modally, and the clean-up when it closes.
#pragma once

#include "frontend/CQVInstanceChannel.h"
#include "platform/InstanceLock.h"

#include <QStringList>

namespace qv
{

class CQVVelomakeApp
{
public:
    // Why a run ended.
    enum EResult : int
    {
        kRanWindow = 0,      // the main window ran and closed
        kSecondInstance = 1, // another copy holds the lock: nothing shown
        kNoControlBlock = 2, // the control block could not be made: nothing shown
        kNoJobFolder = 3,    // the job folder is missing and cannot be made, or not ours
    };

    static constexpr const char* kInstanceLockName = "{813DD306-A138-4797-AFCD-946180F23014}";

    CQVVelomakeApp() = default;
    ~CQVVelomakeApp();

    // Start-up in its order: the folders, the lock, the theme, the H.264 settings, the
    // settings table with preset 4 and the decoder values, the control block, the skin
    // classes. False, with the result set, when the program must end without a window.
    bool InitInstance();
    // The main window, modally, with the files added once it shows; files that later copies
    // hand over are added too. Needs a successful InitInstance.
    void Run(const QStringList& files = QStringList());
    // Clean-up (skipped for a second instance): tmp/ emptied, the block removed, unlocked.
    // Safe to call twice.
    void ExitInstance();

    EResult Result() const { return m_eResult; }

private:
    CQVInstanceLock m_lock;
    // Listens from the moment the lock is taken, so that a copy started while this one sets
    // up finds it; files that arrive before the window are added when it opens.
    CQVInstanceChannel m_channel;
    EResult m_eResult = kRanWindow;
    bool m_bStarted = false;
};

} // namespace qv
