// The edit window that an edit box or a list's in-place editor hosts: a real single-line
// (QLineEdit) or multi-line (QPlainTextEdit) child of the owner window, with the control's
// id and font, an optional digits-only rule and the three-item Cut / Copy / Paste menu.
// Typing goes to it directly; its owner decides through the key hook which keys go on to
// the toolkit's routing. The child widget belongs to the owner window's widget: if that goes
// first, this object simply finds no window any more. GUI thread only.
#pragma once

#include <QFont>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

class QKeyEvent;
class QWidget;

namespace qv
{

class CQVPlatformWindow;
class CQVMenuEx;

class CQVEditCtrl
{
public:
    // The change code carried in the high word of the change notification.
    static constexpr unsigned kEnChange = 0x0300;
    // The context menu's items.
    enum : int
    {
        kCommandCut = 1,
        kCommandCopy = 2,
        kCommandPaste = 3
    };

    CQVEditCtrl();
    ~CQVEditCtrl();
    CQVEditCtrl(const CQVEditCtrl&) = delete;
    CQVEditCtrl& operator=(const CQVEditCtrl&) = delete;

    // Makes the child window inside pOwner's window, shown, with the id carried in change
    // notifications. False without a live owner or when the window already exists.
    bool Create(CQVPlatformWindow* pOwner, int nId, bool bMultiLine, bool bDigitsOnly,
                const QFont& font);
    // Hides the window and frees it once Qt is done with its current event.
    void Destroy();
    bool IsWindow() const;
    QWidget* GetWidget() const;
    bool IsMultiLine() const { return m_bMultiLine; }

    // With notifications on (the default), every change of the text is sent to the owner
    // as kMsgCommand with wParam = id | (kEnChange << 16) and lParam = this object.
    void SetNotify(bool bNotify) { m_bNotify = bNotify; }
    void SetText(const QString& strText);
    QString GetText() const;
    void SetDigitsOnly(bool bDigitsOnly);
    void SetFont(const QFont& font);
    // Rectangle in the owner's client coordinates.
    void MoveWindow(const QRect& rc);
    QRect GetWindowRect() const;
    void ShowWindow(bool bShow);
    void EnableWindow(bool bEnable);
    void SetFocus();
    bool HasFocus() const;
    void SelectAll();

    // Passes a click at a point of the owner's client area, clamped into the window, as a
    // press, release, press and release, so that the caret lands where the user clicked.
    void ForwardClick(QPoint ptOwner);
    // The same press and release, then the window's own context menu at that point.
    void ForwardRightClick(QPoint ptOwner);
    // Builds the Cut / Copy / Paste menu with its items enabled for the current state
    // (the caller runs it); tests look at it without running it.
    std::unique_ptr<CQVMenuEx> BuildContextMenu() const;
    // Shows the context menu at a point of the window and performs the chosen item.
    void RunContextMenu(QPoint ptLocal);

    // Called for every key press in the window before the window sees it; returning true
    // takes the key away from the window.
    std::function<bool(QKeyEvent*)> onKey;
    std::function<void()> onFocusIn;
    // With the reason (a Qt::FocusReason value) the window lost the focus for.
    std::function<void(int)> onFocusOut;

private:
    class CFilter;
    QWidget* MouseTarget() const;
    // The owner's point moved onto the hosted widget's rectangle (owner coordinates).
    QPoint ClampToWidget(QPoint ptOwner) const;
    void Notify();

    QPointer<QWidget> m_pWidget;
    std::unique_ptr<CFilter> m_pFilter;
    CQVPlatformWindow* m_pOwner = nullptr;
    int m_nId = 0;
    bool m_bMultiLine = false;
    bool m_bDigitsOnly = false;
    bool m_bNotify = true;
};

} // namespace qv
