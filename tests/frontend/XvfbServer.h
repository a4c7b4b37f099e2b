// An X server of the test's own with one screen of a chosen size (a laptop's, say), for
// tests that must see how windows fit a given screen. It has no window manager and no
// panels, so its work area is the whole screen. Ended when the object goes.
#pragma once

#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>

namespace qv::test
{

class CQVXvfbServer
{
public:
    // Starts Xvfb on a free display number; Display() is empty when it could not start.
    explicit CQVXvfbServer(QSize screen)
    {
        m_server.setProgram(QStringLiteral("Xvfb"));
        // The server writes the display number it took to the given descriptor.
        m_server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"),
                               QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                               QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        m_server.setProcessChannelMode(QProcess::SeparateChannels);
        m_server.start();
        if (!m_server.waitForStarted(5000))
            return;
        QByteArray number;
        while (!number.contains('\n') && m_server.waitForReadyRead(10000))
            number += m_server.readAllStandardOutput();
        bool bNumber = false;
        const int n = number.trimmed().toInt(&bNumber);
        if (bNumber)
            m_display = QStringLiteral(":%1").arg(n);
    }
    ~CQVXvfbServer()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
        {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }
    CQVXvfbServer(const CQVXvfbServer&) = delete;
    CQVXvfbServer& operator=(const CQVXvfbServer&) = delete;

    const QString& Display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

} // namespace qv::test
