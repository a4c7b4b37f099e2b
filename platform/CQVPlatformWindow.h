// The visible-window layer of the skinned toolkit: a frameless top-level window whose whole
// content is one image that its owner composites, with the toolkit's numbered mouse, key and
// wheel messages, mouse capture, activation, caption dragging, window opacity and
// single-rectangle updates. Built on the message-window base, so timers by id, numbered
// messages from any thread and the modal run come with it. Needs a QApplication.
#pragma once

#include "platform/CQVMessageWindow.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace qv
{

// Message numbers as the toolkit and its dialogs name them.
enum : unsigned
{
    kMsgKeyDown = 256,
    kMsgKeyUp = 257,
    kMsgCommand = 273,
    kMsgMouseMove = 512,
    kMsgLButtonDown = 513,
    kMsgLButtonUp = 514,
    kMsgLButtonDblClk = 515,
    kMsgRButtonDown = 516,
    kMsgRButtonUp = 517,
    kMsgMouseWheel = 522,
    kMsgMouseLeave = 675,
};

// Virtual key codes carried by key messages (the toolkit's numbering; letters and digits
// are their upper-case ASCII codes).
enum : unsigned
{
    kVkBack = 8,
    kVkTab = 9,
    kVkReturn = 13,
    kVkShift = 16,
    kVkControl = 17,
    kVkMenu = 18,
    kVkEscape = 27,
    kVkSpace = 32,
    kVkPrior = 33,
    kVkNext = 34,
    kVkEnd = 35,
    kVkHome = 36,
    kVkLeft = 37,
    kVkUp = 38,
    kVkRight = 39,
    kVkDown = 40,
    kVkInsert = 45,
    kVkDelete = 46,
    kVkF1 = 112,
};

// Modifier bits of an input message.
enum : unsigned
{
    kModShift = 1,
    kModControl = 2,
    kModAlt = 4,
};

// One key or wheel message as the window received it.
struct tagQVInputMessage
{
    unsigned nMessage = 0;    // kMsgKeyDown, kMsgKeyUp or kMsgMouseWheel
    unsigned nVirtualKey = 0; // key messages: kVk... code, 0 for keys without one
    int nWheelDelta = 0;      // wheel: 120 per notch, positive when turned away from the user
    int x = 0;                // pointer position in client coordinates (wheel)
    int y = 0;
    unsigned nModifiers = 0; // kMod... bits
    bool bAutoRepeat = false;
    QString strText; // key-down: the text the key produces, if any
};

class CQVPlatformWidget;

class CQVPlatformWindow : public CQVMessageWindow
{
public:
    enum class EStyle
    {
        Dialog,   // frameless top-level; owned by its parent when it has one
        ToolPopup // frameless tool window: never activated, transparent for input
    };

    CQVPlatformWindow();
    ~CQVPlatformWindow() override;

    // Creates the window, hidden, with a client area of nWidth x nHeight at (0, 0).
    // pParent (may be null) owns it: the window stays above it and is destroyed with it.
    // False when this object already has a window or the size is not positive.
    bool CreateWindowEx(CQVPlatformWindow* pParent, int nWidth, int nHeight,
                        EStyle eStyle = EStyle::Dialog);
    // Destroys the window (the object lives on; IsWindow() turns false). Releases the mouse
    // capture and ends a caption drag that this window holds.
    void DestroyWindow();
    bool IsWindow() const;
    CQVPlatformWindow* GetParentWindow() const { return m_pParent; }

    void ShowWindow(bool bShow);
    bool IsWindowVisible() const;
    // Application-modal while shown (set before showing).
    void SetModalWindow(bool bModal);
    void SetTopMost(bool bTopMost);

    void SetWindowText(const QString& strText);
    QString GetWindowText() const;

    // (0, 0, width, height) of the client area; empty without a window.
    QRect GetClientRect() const;
    // The window in screen coordinates (the window has no frame: same size as the client).
    QRect GetWindowRect() const;
    // Screen rectangle (x, y, width, height). OnSize runs at once when the size changes.
    void MoveWindow(int x, int y, int nWidth, int nHeight);
    // Centres the window on pOn's window, or on the work area when pOn is null or has no
    // window, keeping it inside the work area.
    void CenterWindow(CQVPlatformWindow* pOn);
    // The screen area that windows may use (the screen less panels) of the window's screen.
    QRect GetWorkArea() const;
    // The whole screen the window is on.
    QRect GetScreenRect() const;
    QPoint ClientToScreen(QPoint ptClient) const;
    // The X11 window id (forces a native window); 0 without a window.
    uint32_t GetNativeId() const;
    // The widget that shows the content; child widgets (edit boxes) are made inside it.
    QWidget* GetWidget() const;

    // --- content
    // Marks the content stale: OnPaint runs before the window is next shown on screen.
    void Invalidate();
    // Runs a pending OnPaint now and puts the content on screen.
    void UpdateWindow();
    // The whole content: an image of the client size (other sizes are ignored).
    void PresentImage(const QImage& image);
    // Copies an image onto the content at (x, y) and shows that rectangle, without OnPaint.
    void BlitImage(const QImage& image, int x, int y);
    // The content as last presented and blitted; null before the first OnPaint.
    const QImage& GetContentImage() const { return m_content; }
    // How many times OnPaint ran; a blit does not count.
    int GetPaintCount() const { return m_nPaintCount; }

    // --- input
    // The capture belongs to one window of the process at a time.
    void SetCapture();
    static void ReleaseCapture();
    static CQVPlatformWindow* GetCapture();
    bool IsActiveWindow() const;
    // Activates the window (and raises it).
    void SetActiveWindow();
    static CQVPlatformWindow* GetActiveWindow();
    // Starts moving the window with the mouse while the left button that was just pressed
    // is held (the caption drag). The window manager moves it when it can; otherwise the
    // window follows the pointer itself and no mouse messages arrive until the release.
    void BeginCaptionDrag();
    bool IsCaptionDragging() const { return m_bDragging; }
    // The cursor shape (a Qt::CursorShape value) for the mouse message being handled; every
    // mouse message starts from the arrow.
    void SetCursorShape(int nShape);
    int GetCursorShape() const { return m_nCursorShape; }
    // The wait cursor over every window of the process, nested.
    static void BeginWaitCursor();
    static void EndWaitCursor();

    // --- opacity, 0 transparent .. 255 opaque. Applied where the window system supports it;
    // the value is kept in every case.
    void SetWindowAlpha(int nAlpha);
    int GetWindowAlpha() const { return m_nAlpha; }

protected:
    // The content is stale: composite it and call PresentImage. Runs on the window's thread.
    virtual void OnPaint() {}
    // Mouse codes kMsgMouseMove .. kMsgRButtonUp with a client point, and kMsgMouseLeave
    // with (-99, -99) when the pointer leaves the window.
    virtual void OnMouseMessage(unsigned nCode, QPoint pt) { (void)nCode, (void)pt; }
    // Key and wheel messages; return true when taken (a wheel not taken goes to the parent).
    virtual bool OnInputMessage(const tagQVInputMessage& msg)
    {
        (void)msg;
        return false;
    }
    virtual void OnActivate(bool bActive) { (void)bActive; }
    // The client size changed.
    virtual void OnSize(int nWidth, int nHeight) { (void)nWidth, (void)nHeight; }
    // The window system asked to close the window; the default hides it.
    virtual void OnClose();

private:
    friend class CQVPlatformWidget;
    void DispatchMouse(unsigned nCode, QPoint pt);
    void HandleResize(QSize size);
    void PaintNow();
    void WidgetGone();

    CQVPlatformWidget* m_pWidget = nullptr; // owned; cleared if Qt destroys it with a parent
    CQVPlatformWindow* m_pParent = nullptr;
    QImage m_content;
    QSize m_reportedSize;
    bool m_bNeedsPaint = true;
    bool m_bInPaint = false;
    int m_nPaintCount = 0;
    int m_nAlpha = 255;
    int m_nCursorShape = 0;
    bool m_bModal = false;
    // Caption drag that this window performs itself.
    bool m_bDragging = false;
    QPoint m_ptDragStartGlobal;
    QPoint m_ptDragStartWindow;
};

} // namespace qv
