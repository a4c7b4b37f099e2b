// Files handed from a second copy of the front-end to the copy that runs: a per-user local
// socket beside the single-instance lock. The second copy sends its file arguments and ends
// without a window; the running copy adds them as if they were chosen with Add.
#pragma once

#include <QStringList>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;

namespace qv
{

class CQVInstanceChannel
{
public:
    CQVInstanceChannel();
    ~CQVInstanceChannel();

    // "$XDG_RUNTIME_DIR/NAME.sock", or "/tmp/NAME.UID.sock" without a runtime folder.
    static std::string SocketPath();

    // The second copy's side: true when the running copy took the files (an empty list is
    // sent too, and does nothing there).
    static bool SendFiles(const QStringList& files, int nTimeoutMs = 3000);

    // The running copy's side: listens for copies started later; each list of files that
    // arrives goes to onFiles on the GUI thread. False when the socket cannot be made.
    bool Listen(std::function<void(const QStringList&)> onFiles);

private:
    std::unique_ptr<QLocalServer> m_pServer;
    std::function<void(const QStringList&)> m_onFiles;
};

} // namespace qv
