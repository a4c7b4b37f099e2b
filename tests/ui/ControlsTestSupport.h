// Helpers for the tests of the list and the value controls: a dialog that records every
// numbered message it receives, and a driver that answers the next popup menu with a real
// click on one of its items.
#pragma once

#include "UiTestSupport.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <memory>

namespace qv::test
{

struct tagMessage
{
    unsigned nMsg;
    uintptr_t wParam;
    intptr_t lParam;
};

// A dialog of a chosen client size that records the messages it gets (except the
// background drawing that every composite sends).
class CMessageDialog : public CRecordingDialog
{
public:
    explicit CMessageDialog(QSize size = QSize(640, 480)) : m_size(size) {}

    std::vector<tagMessage> messages;

    std::vector<tagMessage> Only(unsigned nMsg) const
    {
        std::vector<tagMessage> found;
        for (const tagMessage& message : messages)
            if (message.nMsg == nMsg)
                found.push_back(message);
        return found;
    }
    // Called with each message before the dialog handles it.
    std::function<void(const tagMessage&)> onMessage;

protected:
    void OnInitDialog() override
    {
        CRecordingDialog::OnInitDialog();
        MoveWindow(0, 0, m_size.width(), m_size.height());
    }
    intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam) override
    {
        if (nMsg != kMsgDrawBackground)
        {
            messages.push_back(tagMessage{nMsg, wParam, lParam});
            if (onMessage)
                onMessage(messages.back());
        }
        return CRecordingDialog::OnMessage(nMsg, wParam, lParam);
    }

private:
    QSize m_size;
};

// Watches for the next popup menu; when it opens, remembers its items and clicks the one
// whose text (without the shortcut part) is strItem, or presses Escape for an empty strItem.
class CMenuDriver
{
public:
    explicit CMenuDriver(const QString& strItem) : m_strItem(strItem)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start();
    }

    // Called with the menu when it shows, before the item is picked.
    std::function<void(QMenu*)> onShown;

    bool Shown() const { return m_bShown; }
    const QStringList& Items() const { return m_items; }
    const std::vector<bool>& Checks() const { return m_checks; }

private:
    void Poll()
    {
        auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!pMenu || !pMenu->isVisible())
            return;
        m_timer.stop();
        m_bShown = true;
        if (onShown)
            onShown(pMenu);
        QAction* pPick = nullptr;
        for (QAction* pAction : pMenu->actions())
        {
            if (pAction->isSeparator() || !pAction->isVisible())
                continue;
            m_items << pAction->text();
            m_checks.push_back(pAction->isChecked());
            if (!m_strItem.isEmpty() &&
                pAction->text().section(QLatin1Char('\t'), 0, 0) == m_strItem)
                pPick = pAction;
        }
        if (!pPick)
        {
            QTest::keyClick(pMenu, Qt::Key_Escape);
            return;
        }
        const QPoint pt = pMenu->actionGeometry(pPick).center();
        QTest::mouseMove(pMenu, pt);
        QTest::mouseClick(pMenu, Qt::LeftButton, {}, pt);
    }

    QString m_strItem;
    QTimer m_timer;
    bool m_bShown = false;
    QStringList m_items;
    std::vector<bool> m_checks;
};

} // namespace qv::test
