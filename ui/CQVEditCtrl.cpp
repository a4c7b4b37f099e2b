#include "ui/CQVEditCtrl.h"

#include "platform/CQVPlatformWindow.h"
#include "ui/CQVMenuEx.h"
#include "ui/CQVTheme.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QTextCursor>
#include <algorithm>

namespace qv
{

namespace
{

// The edit's face matches the box that its control draws beneath it.
QString EditStyle(const char* szClass)
{
    const tagQVThemeColors& colors = CQVTheme::Colors();
    return QStringLiteral("%1 { background: %2; color: %3; border: none; padding: 0px;"
                          " margin: 0px; selection-background-color: %4; selection-color: %5; }"
                          "%1:disabled { color: %6; }")
        .arg(QString::fromLatin1(szClass), CQVTheme::ToCss(CQVTheme::Shift(colors.clrDlgBK, -14)),
             CQVTheme::ToCss(colors.clrText), CQVTheme::ToCss(colors.clrText2, 150),
             CQVTheme::ToCss(CQVTheme::Shift(colors.clrText, 40)),
             CQVTheme::ToCss(CQVTheme::Shift(colors.clrDlgBK, 30)));
}

void SendMouse(QWidget* pTarget, QEvent::Type type, QPoint ptLocal, Qt::MouseButton button)
{
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
    QMouseEvent event(type, QPointF(ptLocal), QPointF(pTarget->mapToGlobal(ptLocal)), button,
                      buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(pTarget, &event);
}

} // namespace

// Sees the window's keys and focus changes before the window does, and turns its text
// changes and context-menu requests into the control's behaviour.
class CQVEditCtrl::CFilter : public QObject
{
public:
    explicit CFilter(CQVEditCtrl* pOwner) : m_pOwner(pOwner) {}

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        (void)pWatched;
        switch (pEvent->type())
        {
        case QEvent::KeyPress:
            if (m_pOwner->onKey)
                return m_pOwner->onKey(static_cast<QKeyEvent*>(pEvent));
            return false;
        case QEvent::FocusIn:
            if (m_pOwner->onFocusIn)
                m_pOwner->onFocusIn();
            return false;
        case QEvent::FocusOut:
            if (m_pOwner->onFocusOut)
                m_pOwner->onFocusOut(static_cast<QFocusEvent*>(pEvent)->reason());
            return false;
        default:
            return false;
        }
    }

private:
    CQVEditCtrl* m_pOwner;
};

CQVEditCtrl::CQVEditCtrl() = default;

CQVEditCtrl::~CQVEditCtrl()
{
    Destroy();
}

bool CQVEditCtrl::Create(CQVPlatformWindow* pOwner, int nId, bool bMultiLine, bool bDigitsOnly,
                         const QFont& font)
{
    if (m_pWidget || !pOwner || !pOwner->GetWidget())
        return false;
    m_pOwner = pOwner;
    m_nId = nId;
    m_bMultiLine = bMultiLine;
    m_bDigitsOnly = bDigitsOnly;
    m_pFilter = std::make_unique<CFilter>(this);
    QWidget* pParent = pOwner->GetWidget();
    if (bMultiLine)
    {
        auto* pEdit = new QPlainTextEdit(pParent);
        pEdit->setFrameShape(QFrame::NoFrame);
        pEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        pEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        pEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        pEdit->document()->setDocumentMargin(1);
        pEdit->setStyleSheet(EditStyle("QPlainTextEdit"));
        QObject::connect(pEdit, &QPlainTextEdit::textChanged, m_pFilter.get(),
                         [this] { Notify(); });
        m_pWidget = pEdit;
    }
    else
    {
        auto* pEdit = new QLineEdit(pParent);
        pEdit->setFrame(false);
        pEdit->setTextMargins(3, 0, 2, 0);
        pEdit->setStyleSheet(EditStyle("QLineEdit"));
        QObject::connect(pEdit, &QLineEdit::textChanged, m_pFilter.get(), [this] { Notify(); });
        m_pWidget = pEdit;
    }
    m_pWidget->setFont(font);
    m_pWidget->setFocusPolicy(Qt::StrongFocus);
    m_pWidget->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(m_pWidget.data(), &QWidget::customContextMenuRequested, m_pFilter.get(),
                     [this](const QPoint& pt) { RunContextMenu(pt); });
    m_pWidget->installEventFilter(m_pFilter.get());
    SetDigitsOnly(bDigitsOnly);
    m_pWidget->show();
    return true;
}

void CQVEditCtrl::Destroy()
{
    if (m_pWidget)
    {
        QWidget* pWidget = m_pWidget;
        m_pWidget = nullptr;
        pWidget->removeEventFilter(m_pFilter.get());
        QObject::disconnect(pWidget, nullptr, m_pFilter.get(), nullptr);
        // Keyboard focus goes back to the owner window rather than to a sibling.
        if (pWidget->hasFocus() && pWidget->parentWidget())
            pWidget->parentWidget()->setFocus(Qt::OtherFocusReason);
        pWidget->hide();
        // The window may be inside one of its own event handlers (a key that closes it),
        // and the filter inside its call for that event.
        pWidget->deleteLater();
    }
    if (m_pFilter)
        m_pFilter.release()->deleteLater();
}

bool CQVEditCtrl::IsWindow() const
{
    return m_pWidget != nullptr;
}

QWidget* CQVEditCtrl::GetWidget() const
{
    return m_pWidget;
}

QWidget* CQVEditCtrl::MouseTarget() const
{
    if (auto* pText = qobject_cast<QPlainTextEdit*>(m_pWidget.data()))
        return pText->viewport();
    return m_pWidget;
}

void CQVEditCtrl::Notify()
{
    if (!m_bNotify || !m_pOwner)
        return;
    const uintptr_t wParam = static_cast<uintptr_t>(m_nId & 0xFFFF) | (kEnChange << 16);
    CQVMessageWindow::SendMessageTo(m_pOwner->GetHandle(), kMsgCommand, wParam,
                                    reinterpret_cast<intptr_t>(this));
}

void CQVEditCtrl::SetText(const QString& strText)
{
    if (auto* pLine = qobject_cast<QLineEdit*>(m_pWidget.data()))
        pLine->setText(strText);
    else if (auto* pText = qobject_cast<QPlainTextEdit*>(m_pWidget.data()))
        pText->setPlainText(strText);
}

QString CQVEditCtrl::GetText() const
{
    if (auto* pLine = qobject_cast<QLineEdit*>(m_pWidget.data()))
        return pLine->text();
    if (auto* pText = qobject_cast<QPlainTextEdit*>(m_pWidget.data()))
        return pText->toPlainText();
    return QString();
}

void CQVEditCtrl::SetDigitsOnly(bool bDigitsOnly)
{
    m_bDigitsOnly = bDigitsOnly;
    auto* pLine = qobject_cast<QLineEdit*>(m_pWidget.data());
    if (!pLine)
        return;
    // The validator also refuses pasted text that is not all digits.
    pLine->setValidator(bDigitsOnly ? new QRegularExpressionValidator(
                                          QRegularExpression(QStringLiteral("[0-9]*")), pLine)
                                    : nullptr);
}

void CQVEditCtrl::SetFont(const QFont& font)
{
    if (m_pWidget)
        m_pWidget->setFont(font);
}

void CQVEditCtrl::MoveWindow(const QRect& rc)
{
    if (m_pWidget)
        m_pWidget->setGeometry(rc);
}

QRect CQVEditCtrl::GetWindowRect() const
{
    return m_pWidget ? m_pWidget->geometry() : QRect();
}

void CQVEditCtrl::ShowWindow(bool bShow)
{
    if (!m_pWidget)
        return;
    if (!bShow && m_pWidget->hasFocus() && m_pWidget->parentWidget())
        m_pWidget->parentWidget()->setFocus(Qt::OtherFocusReason);
    m_pWidget->setVisible(bShow);
}

void CQVEditCtrl::EnableWindow(bool bEnable)
{
    if (m_pWidget)
        m_pWidget->setEnabled(bEnable);
}

void CQVEditCtrl::SetFocus()
{
    if (m_pWidget && m_pWidget->isVisible() && m_pWidget->isEnabled())
        m_pWidget->setFocus(Qt::MouseFocusReason);
}

bool CQVEditCtrl::HasFocus() const
{
    return m_pWidget && m_pWidget->hasFocus();
}

void CQVEditCtrl::SelectAll()
{
    if (auto* pLine = qobject_cast<QLineEdit*>(m_pWidget.data()))
        pLine->selectAll();
    else if (auto* pText = qobject_cast<QPlainTextEdit*>(m_pWidget.data()))
        pText->selectAll();
}

void CQVEditCtrl::ForwardClick(QPoint ptOwner)
{
    QWidget* pTarget = MouseTarget();
    if (!pTarget || !m_pWidget->isVisible() || !m_pWidget->isEnabled())
        return;
    const QPoint ptClamped = ClampToWidget(ptOwner);
    const QPoint ptLocal = pTarget->mapFrom(m_pWidget->parentWidget(), ptClamped);
    SetFocus();
    // The first press focuses and may select; the second places the caret. The last
    // release leaves the window without a button held.
    SendMouse(pTarget, QEvent::MouseButtonPress, ptLocal, Qt::LeftButton);
    SendMouse(pTarget, QEvent::MouseButtonRelease, ptLocal, Qt::LeftButton);
    SendMouse(pTarget, QEvent::MouseButtonPress, ptLocal, Qt::LeftButton);
    SendMouse(pTarget, QEvent::MouseButtonRelease, ptLocal, Qt::LeftButton);
}

QPoint CQVEditCtrl::ClampToWidget(QPoint ptOwner) const
{
    const QRect rc = m_pWidget->geometry();
    return QPoint(std::clamp(ptOwner.x(), rc.left(), rc.right()),
                  std::clamp(ptOwner.y(), rc.top(), rc.bottom()));
}

void CQVEditCtrl::ForwardRightClick(QPoint ptOwner)
{
    if (!m_pWidget || !m_pWidget->isVisible() || !m_pWidget->isEnabled())
        return;
    QWidget* pTarget = MouseTarget();
    const QPoint ptClamped = ClampToWidget(ptOwner);
    const QPoint ptLocal = pTarget->mapFrom(m_pWidget->parentWidget(), ptClamped);
    SetFocus();
    SendMouse(pTarget, QEvent::MouseButtonPress, ptLocal, Qt::LeftButton);
    SendMouse(pTarget, QEvent::MouseButtonRelease, ptLocal, Qt::LeftButton);
    RunContextMenu(m_pWidget->mapFrom(m_pWidget->parentWidget(), ptClamped));
}

std::unique_ptr<CQVMenuEx> CQVEditCtrl::BuildContextMenu() const
{
    auto pMenu = std::make_unique<CQVMenuEx>();
    bool bSelection = false, bReadOnly = false;
    if (auto* pLine = qobject_cast<QLineEdit*>(m_pWidget.data()))
    {
        bSelection = pLine->hasSelectedText();
        bReadOnly = pLine->isReadOnly();
    }
    else if (auto* pText = qobject_cast<QPlainTextEdit*>(m_pWidget.data()))
    {
        bSelection = pText->textCursor().hasSelection();
        bReadOnly = pText->isReadOnly();
    }
    const QClipboard* pClipboard = QGuiApplication::clipboard();
    const bool bClipboardText = pClipboard && !pClipboard->text().isEmpty();
    pMenu->AppendCommand(kCommandCut, QStringLiteral("Cu&t\tCtrl+X"))
        ->setEnabled(bSelection && !bReadOnly);
    pMenu->AppendCommand(kCommandCopy, QStringLiteral("&Copy\tCtrl+C"))->setEnabled(bSelection);
    pMenu->AppendCommand(kCommandPaste, QStringLiteral("&Paste\tCtrl+V"))
        ->setEnabled(bClipboardText && !bReadOnly);
    return pMenu;
}

void CQVEditCtrl::RunContextMenu(QPoint ptLocal)
{
    if (!m_pWidget)
        return;
    std::unique_ptr<CQVMenuEx> pMenu = BuildContextMenu();
    const QPointer<QWidget> pWidget = m_pWidget;
    const int nCommand = pMenu->TrackPopup(m_pWidget->mapToGlobal(ptLocal));
    // The menu ran an event loop: the window may have gone meanwhile.
    if (!pWidget)
        return;
    auto* pLine = qobject_cast<QLineEdit*>(pWidget.data());
    auto* pText = qobject_cast<QPlainTextEdit*>(pWidget.data());
    switch (nCommand)
    {
    case kCommandCut:
        pLine ? pLine->cut() : pText->cut();
        break;
    case kCommandCopy:
        pLine ? pLine->copy() : pText->copy();
        break;
    case kCommandPaste:
        pLine ? pLine->paste() : pText->paste();
        break;
    default:
        break;
    }
}

} // namespace qv
