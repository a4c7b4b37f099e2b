#include "frontend/CQVInstanceChannel.h"

#include "frontend/CQVVelomakeApp.h"
#include "platform/InstanceLock.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <utility>

namespace qv
{

namespace
{

// One file path per line, UTF-8, and an empty line after the last; the running copy answers
// "ok" once it has the list, so a copy that is just ending is never taken for one that listens.
constexpr int kMaxBytes = 4 * 1024 * 1024;
const QByteArray kAnswer = QByteArrayLiteral("ok\n");

bool IsComplete(const QByteArray& bytes)
{
    return bytes == "\n" || bytes.endsWith("\n\n");
}

} // namespace

CQVInstanceChannel::CQVInstanceChannel() = default;
CQVInstanceChannel::~CQVInstanceChannel() = default;

std::string CQVInstanceChannel::SocketPath()
{
    std::string path = CQVInstanceLock::LockPath(CQVVelomakeApp::kInstanceLockName);
    const size_t dot = path.rfind(".lock");
    if (dot != std::string::npos)
        path.erase(dot);
    return path + ".sock";
}

CQVInstanceChannel::ESendResult CQVInstanceChannel::SendFiles(const QStringList& files,
                                                              int nTimeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(SocketPath()));
    if (!socket.waitForConnected(nTimeoutMs))
        return kNoListener;
    QByteArray bytes;
    for (const QString& file : files)
        bytes += file.toUtf8() + '\n';
    socket.write(bytes + '\n');
    if (!socket.waitForBytesWritten(nTimeoutMs) && socket.bytesToWrite() > 0)
        return kNoListener;
    QByteArray answer;
    while (answer.size() < kAnswer.size() && socket.waitForReadyRead(nTimeoutMs))
        answer += socket.readAll();
    if (answer.startsWith(kAnswer))
        return kTaken;
    // Closed without an answer: a copy that was ending took the connection with it.
    return socket.state() == QLocalSocket::UnconnectedState ? kNoListener : kNoAnswer;
}

bool CQVInstanceChannel::Listen(std::function<void(const QStringList&)> onFiles)
{
    m_onFiles = std::move(onFiles);
    m_pServer = std::make_unique<QLocalServer>();
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    // This process holds the instance lock: a socket file left there is from a copy that died.
    const QString path = QString::fromStdString(SocketPath());
    QLocalServer::removeServer(path);
    if (!m_pServer->listen(path))
        return false;
    QObject::connect(m_pServer.get(), &QLocalServer::newConnection, m_pServer.get(),
                     [this]
                     {
                         while (QLocalSocket* pSocket = m_pServer->nextPendingConnection())
                         {
                             auto pBuffer = std::make_shared<QByteArray>();
                             QObject::connect(pSocket, &QLocalSocket::disconnected, pSocket,
                                              &QObject::deleteLater);
                             QObject::connect(pSocket, &QLocalSocket::readyRead, pSocket,
                                              [this, pSocket, pBuffer]
                                              { Receive(pSocket, pBuffer.get()); });
                         }
                     });
    return true;
}

void CQVInstanceChannel::Receive(QLocalSocket* pSocket, QByteArray* pBuffer)
{
    *pBuffer += pSocket->readAll();
    if (pBuffer->size() > kMaxBytes)
    {
        pSocket->abort();
        return;
    }
    if (!IsComplete(*pBuffer))
        return;
    QStringList files;
    for (const QByteArray& line : pBuffer->split('\n'))
        if (!line.isEmpty())
            files << QString::fromUtf8(line);
    pBuffer->clear();
    pSocket->write(kAnswer);
    pSocket->flush();
    pSocket->disconnectFromServer();
    if (files.isEmpty())
        return;
    if (m_onFiles)
        m_onFiles(files);
    else
        m_pending << files;
}

void CQVInstanceChannel::Close()
{
    m_pServer.reset();
    m_onFiles = nullptr;
    m_pending.clear();
}

void CQVInstanceChannel::SetReceiver(std::function<void(const QStringList&)> onFiles)
{
    m_onFiles = std::move(onFiles);
    if (m_onFiles && !m_pending.isEmpty())
        m_onFiles(std::exchange(m_pending, QStringList()));
}

} // namespace qv
