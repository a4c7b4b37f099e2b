// Files handed from a second copy of the front-end to the copy that runs: a per-user local
// socket beside the single-instance lock. The second copy sends its file arguments and ends
// without a window; the running copy adds them as if they were chosen with Add.
#pragma once

#include <QStringList>
#include <functional>
#include <memory>
#include <string>

class QByteArray;
class QLocalServer;
class QLocalSocket;

namespace qv
{

class CQVInstanceChannel
{
public:
    CQVInstanceChannel();
    ~CQVInstanceChannel();

    // "$XDG_RUNTIME_DIR/NAME.sock", or "/tmp/NAME.UID.sock" without a runtime folder.
    static std::string SocketPath();

    enum ESendResult : int
    {
        kTaken = 0,      // the running copy answered that it has the list
        kNoListener = 1, // nobody listens: no copy runs, or it is starting or ending
        kNoAnswer = 2,   // the list went out but no answer came in time: it may still be added
    };
    // The second copy's side. An empty list is sent too, and does nothing there.
    static ESendResult SendFiles(const QStringList& files, int nTimeoutMs = 5000);

    // The running copy's side: listens for copies started later; each list of files that
    // arrives goes to onFiles on the GUI thread (or waits for SetReceiver while onFiles is
    // empty). False when the socket cannot be made.
    bool Listen(std::function<void(const QStringList&)> onFiles);

    // Files that arrive before there is anyone to take them are kept until SetReceiver.
    void SetReceiver(std::function<void(const QStringList&)> onFiles);
    // Stops listening; lists not yet answered are dropped unanswered.
    void Close();

private:
    void Receive(QLocalSocket* pSocket, QByteArray* pBuffer);

    std::unique_ptr<QLocalServer> m_pServer;
    std::function<void(const QStringList&)> m_onFiles;
    QStringList m_pending;
};

} // namespace qv
