#include "frontend/CQVInstanceChannel.h"

#include "frontend/CQVVelomakeApp.h"
#include "platform/InstanceLock.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace qv
{

namespace
{

// One file path per line, UTF-8; the list ends when the sender closes.
constexpr int kMaxBytes = 4 * 1024 * 1024;

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

bool CQVInstanceChannel::SendFiles(const QStringList& files, int nTimeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(SocketPath()));
    if (!socket.waitForConnected(nTimeoutMs))
        return false;
    QByteArray bytes;
    for (const QString& file : files)
        bytes += file.toUtf8() + '\n';
    socket.write(bytes);
    if (!socket.waitForBytesWritten(nTimeoutMs) && socket.bytesToWrite() > 0)
        return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(nTimeoutMs);
    return true;
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
                             QObject::connect(pSocket, &QLocalSocket::readyRead, pSocket,
                                              [pSocket, pBuffer]
                                              {
                                                  *pBuffer += pSocket->readAll();
                                                  if (pBuffer->size() > kMaxBytes)
                                                      pSocket->abort();
                                              });
                             QObject::connect(pSocket, &QLocalSocket::disconnected, pSocket,
                                              [this, pSocket, pBuffer]
                                              {
                                                  *pBuffer += pSocket->readAll();
                                                  QStringList files;
                                                  for (const QByteArray& line :
                                                       pBuffer->split('\n'))
                                                      if (!line.isEmpty())
                                                          files << QString::fromUtf8(line);
                                                  if (!files.isEmpty() &&
                                                      pBuffer->size() <= kMaxBytes && m_onFiles)
                                                      m_onFiles(files);
                                                  pSocket->deleteLater();
                                              });
                         }
                     });
    return true;
}

} // namespace qv
