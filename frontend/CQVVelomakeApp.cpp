#include "frontend/CQVVelomakeApp.h"

#include "frontend/BatchStore.h"
#include "frontend/CQVInstanceChannel.h"
#include "frontend/CQVMainDlg.h"
#include "frontend/FrontEndCommands.h"
#include "frontend/FrontEndGlobals.h"
#include "frontend/TempFolder.h"
#include "platform/ProgramFolder.h"
#include "probe/FFmpegCommon.h"
#include "protocol/JobFolder.h"
#include "ui/CQVControlClasses.h"
#include "ui/CQVTheme.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace qv
{

CQVVelomakeApp::~CQVVelomakeApp()
{
    ExitInstance();
}

bool CQVVelomakeApp::InitInstance()
{
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    globals.programFolder = ProgramFolder();
    globals.dataFolder = DataFolder();

    if (!m_lock.Acquire(kInstanceLockName))
    {
        m_eResult = kSecondInstance;
        return false;
    }
    m_bStarted = true;
    m_channel.Listen(nullptr);
    // Installed, the job folder is the user's own; beside the programs it is their tmp/.
    globals.tempFolder = JobFolder();
    if (globals.tempFolder.empty())
    {
        m_eResult = kNoJobFolder;
        return false;
    }

    CQVTheme::LoadFile(globals.SkinPath("uicolors/UIColors.uic"));
    ReadH264Settings(globals.SettingsReadPath("h264.dat"), &globals.h264);

    globals.outputSettings.SelectPreset(kFallbackPreset);
    globals.nOutputWidth = globals.outputSettings.Current().nWidth;
    globals.nOutputHeight = globals.outputSettings.Current().nHeight;
    WriteDecoderSettings(globals.outputSettings.Current());

    if (!globals.controlBlock.Create())
    {
        m_eResult = kNoControlBlock;
        return false;
    }
    QVSilenceFFmpegLog();
    CQVControlClasses::RegisterWithSkinLoader();
    return true;
}

namespace
{

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char c = 1;
    // Only async-signal-safe work here: the GUI thread does the rest.
    [[maybe_unused]] const ssize_t n = write(g_signalPipe[1], &c, 1);
}

} // namespace

void CQVVelomakeApp::Run(const QStringList& files)
{
    CQVMainDlg dialog;
    // A logout or kill asks the program to end: close the window as the user would, so
    // that the render stops and tmp/, the block and the lock are cleaned up.
    std::unique_ptr<QSocketNotifier> pNotifier;
    if (g_signalPipe[0] < 0 && pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0)
    {
        struct sigaction action = {};
        action.sa_handler = OnTerminationSignal;
        sigemptyset(&action.sa_mask);
        for (int nSignal : {SIGTERM, SIGINT, SIGHUP})
            sigaction(nSignal, &action, nullptr);
    }
    if (g_signalPipe[0] >= 0)
    {
        pNotifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(pNotifier.get(), &QSocketNotifier::activated,
                         [&dialog]
                         {
                             char buffer[16];
                             while (read(g_signalPipe[0], buffer, sizeof buffer) > 0)
                             {
                             }
                             dialog.CloseNow();
                         });
    }
    InstallFrontEndCommands(&dialog);
    // The list of the last run comes back; files named or handed over follow it.
    dialog.KeepBatchIn(BatchFilePath());
    dialog.SetStartupFiles(files);
    m_channel.SetReceiver([&dialog](const QStringList& handed) { dialog.AddHandedFiles(handed); });
    dialog.DoModal();
    // From here a later copy gets no answer, waits for the lock and starts on its own.
    m_channel.Close();
}

void CQVVelomakeApp::ExitInstance()
{
    if (!m_bStarted)
        return;
    m_bStarted = false;
    m_channel.Close();
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    EmptyFolder(globals.tempFolder);
    globals.controlBlock.Destroy();
    m_lock.Release();
}

} // namespace qv
