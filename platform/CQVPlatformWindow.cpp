#include "platform/CQVPlatformWindow.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleHints>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace qv
{

namespace
{

CQVPlatformWindow* g_pCapture = nullptr;

// Platforms without a window system behind them: opacity and raising are no-ops there
// (with a warning on every call).
bool IsHeadlessPlatform()
{
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("offscreen") || name == QLatin1String("minimal");
}

unsigned ModifierBits(Qt::KeyboardModifiers modifiers)
{
    unsigned bits = 0;
    if (modifiers & Qt::ShiftModifier)
        bits |= kModShift;
    if (modifiers & Qt::ControlModifier)
        bits |= kModControl;
    if (modifiers & Qt::AltModifier)
        bits |= kModAlt;
    return bits;
}

unsigned VirtualKey(int nQtKey)
{
    if (nQtKey >= Qt::Key_0 && nQtKey <= Qt::Key_9)
        return static_cast<unsigned>('0' + (nQtKey - Qt::Key_0));
    if (nQtKey >= Qt::Key_A && nQtKey <= Qt::Key_Z)
        return static_cast<unsigned>('A' + (nQtKey - Qt::Key_A));
    if (nQtKey >= Qt::Key_F1 && nQtKey <= Qt::Key_F24)
        return kVkF1 + static_cast<unsigned>(nQtKey - Qt::Key_F1);
    switch (nQtKey)
    {
    case Qt::Key_Backspace:
        return kVkBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return kVkTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kVkReturn;
    case Qt::Key_Shift:
        return kVkShift;
    case Qt::Key_Control:
        return kVkControl;
    case Qt::Key_Alt:
        return kVkMenu;
    case Qt::Key_Escape:
        return kVkEscape;
    case Qt::Key_Space:
        return kVkSpace;
    case Qt::Key_PageUp:
        return kVkPrior;
    case Qt::Key_PageDown:
        return kVkNext;
    case Qt::Key_End:
        return kVkEnd;
    case Qt::Key_Home:
        return kVkHome;
    case Qt::Key_Left:
        return kVkLeft;
    case Qt::Key_Up:
        return kVkUp;
    case Qt::Key_Right:
        return kVkRight;
    case Qt::Key_Down:
        return kVkDown;
    case Qt::Key_Insert:
        return kVkInsert;
    case Qt::Key_Delete:
        return kVkDelete;
    default:
        return 0;
    }
}

} // namespace

// The Qt side of a platform window. It turns Qt's events into the toolkit's messages and
// shows the owner's content image. Deleting it tells the owner (Qt deletes it with a parent).
class CQVPlatformWidget : public QWidget
{
public:
    CQVPlatformWidget(CQVPlatformWindow* pOwner, QWidget* pParent, Qt::WindowFlags flags)
        : QWidget(pParent, flags), m_pOwner(pOwner)
    {
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
    }

    ~CQVPlatformWidget() override
    {
        if (m_pOwner)
            m_pOwner->WidgetGone();
    }

    void Detach() { m_pOwner = nullptr; }
    CQVPlatformWindow* Owner() const { return m_pOwner; }
    bool InDispatch() const { return m_nDispatchDepth > 0; }
    QPoint LastPressGlobal() const { return m_ptLastPressGlobal; }

protected:
    // Tab and Backtab reach keyPressEvent instead of moving Qt's focus.
    bool focusNextPrevChild(bool) override { return false; }

    void paintEvent(QPaintEvent* event) override
    {
        if (!m_pOwner)
            return;
        Guard guard(this);
        m_pOwner->PaintNow();
        QPainter painter(this);
        const QImage& content = m_pOwner->m_content;
        if (content.isNull())
            painter.fillRect(event->rect(), Qt::black);
        else
            painter.drawImage(event->rect().topLeft(), content, event->rect());
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (!m_pOwner)
            return;
        Guard guard(this);
        const QPoint pt = event->position().toPoint();
        m_ptLastPressGlobal = event->globalPosition().toPoint();
        if (event->button() == Qt::LeftButton)
        {
            // Double clicks are recognised here, so that the second press arrives as the
            // double-click code alone (down, up, double, up), whatever Qt sends after it.
            const QStyleHints* hints = QGuiApplication::styleHints();
            const ulong nTime = event->timestamp();
            const QPoint delta = m_ptLastPressGlobal - m_ptLastLeftPress;
            const bool bDouble = m_bHaveLeftPress && !m_bLastWasDouble &&
                                 nTime - m_nLastLeftPressTime <=
                                     static_cast<ulong>(hints->mouseDoubleClickInterval()) &&
                                 delta.manhattanLength() <= hints->mouseDoubleClickDistance();
            m_bHaveLeftPress = true;
            m_nLastLeftPressTime = nTime;
            m_ptLastLeftPress = m_ptLastPressGlobal;
            m_bLastWasDouble = bDouble;
            m_bSwallowDoubleClick = bDouble;
            m_pOwner->DispatchMouse(bDouble ? kMsgLButtonDblClk : kMsgLButtonDown, pt);
        }
        else if (event->button() == Qt::RightButton)
        {
            m_pOwner->DispatchMouse(kMsgRButtonDown, pt);
        }
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (!m_pOwner || event->button() != Qt::LeftButton)
            return;
        if (m_bSwallowDoubleClick)
        {
            m_bSwallowDoubleClick = false;
            return;
        }
        // A double click that came without its own press.
        Guard guard(this);
        m_bHaveLeftPress = false;
        m_pOwner->DispatchMouse(kMsgLButtonDblClk, event->position().toPoint());
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (!m_pOwner)
            return;
        Guard guard(this);
        if (event->button() == Qt::LeftButton)
        {
            if (m_pOwner->m_bDragging)
            {
                m_pOwner->m_bDragging = false;
                return;
            }
            m_pOwner->DispatchMouse(kMsgLButtonUp, event->position().toPoint());
        }
        else if (event->button() == Qt::RightButton)
        {
            m_pOwner->DispatchMouse(kMsgRButtonUp, event->position().toPoint());
        }
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!m_pOwner)
            return;
        Guard guard(this);
        if (m_pOwner->m_bDragging)
        {
            if (!(event->buttons() & Qt::LeftButton))
            {
                m_pOwner->m_bDragging = false;
                return;
            }
            const QPoint delta = event->globalPosition().toPoint() - m_pOwner->m_ptDragStartGlobal;
            move(m_pOwner->m_ptDragStartWindow + delta);
            return;
        }
        m_pOwner->DispatchMouse(kMsgMouseMove, event->position().toPoint());
    }

    void leaveEvent(QEvent*) override
    {
        if (!m_pOwner || m_pOwner->m_bDragging)
            return;
        Guard guard(this);
        m_pOwner->DispatchMouse(kMsgMouseLeave, QPoint(-99, -99));
    }

    void wheelEvent(QWheelEvent* event) override
    {
        if (!m_pOwner)
            return;
        Guard guard(this);
        tagQVInputMessage msg;
        msg.nMessage = kMsgMouseWheel;
        msg.nWheelDelta =
            event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
        msg.x = event->position().toPoint().x();
        msg.y = event->position().toPoint().y();
        msg.nModifiers = ModifierBits(event->modifiers());
        if (!m_pOwner->OnInputMessage(msg))
            event->ignore();
    }

    void keyPressEvent(QKeyEvent* event) override { Key(event, kMsgKeyDown); }

    void keyReleaseEvent(QKeyEvent* event) override
    {
        // A held key repeats as key-downs only.
        if (event->isAutoRepeat())
            return;
        Key(event, kMsgKeyUp);
    }

    void changeEvent(QEvent* event) override
    {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::ActivationChange && m_pOwner)
        {
            Guard guard(this);
            m_pOwner->OnActivate(isActiveWindow());
        }
    }

    void resizeEvent(QResizeEvent* event) override
    {
        if (!m_pOwner)
            return;
        Guard guard(this);
        m_pOwner->HandleResize(event->size());
    }

    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        if (!m_pOwner)
            return;
        Guard guard(this);
        m_pOwner->OnClose();
    }

private:
    // Counts handlers on the stack, so that the owner never deletes this widget under them.
    struct Guard
    {
        explicit Guard(CQVPlatformWidget* p) : pWidget(p) { ++pWidget->m_nDispatchDepth; }
        ~Guard() { --pWidget->m_nDispatchDepth; }
        CQVPlatformWidget* pWidget;
    };

    void Key(QKeyEvent* event, unsigned nMessage)
    {
        if (!m_pOwner)
            return;
        Guard guard(this);
        tagQVInputMessage msg;
        msg.nMessage = nMessage;
        msg.nVirtualKey = VirtualKey(event->key());
        msg.nModifiers = ModifierBits(event->modifiers());
        msg.bAutoRepeat = event->isAutoRepeat();
        if (nMessage == kMsgKeyDown)
            msg.strText = event->text();
        const QPoint pt = mapFromGlobal(QCursor::pos());
        msg.x = pt.x();
        msg.y = pt.y();
        if (!m_pOwner->OnInputMessage(msg))
            event->ignore();
    }

    CQVPlatformWindow* m_pOwner;
    int m_nDispatchDepth = 0;
    QPoint m_ptLastPressGlobal;
    bool m_bHaveLeftPress = false;
    bool m_bLastWasDouble = false;
    bool m_bSwallowDoubleClick = false;
    ulong m_nLastLeftPressTime = 0;
    QPoint m_ptLastLeftPress;
};

CQVPlatformWindow::CQVPlatformWindow() : m_nCursorShape(Qt::ArrowCursor) {}

CQVPlatformWindow::~CQVPlatformWindow()
{
    DestroyWindow();
}

bool CQVPlatformWindow::CreateWindowEx(CQVPlatformWindow* pParent, int nWidth, int nHeight,
                                       EStyle eStyle)
{
    if (m_pWidget || nWidth <= 0 || nHeight <= 0)
        return false;
    QWidget* pParentWidget = pParent ? pParent->GetWidget() : nullptr;
    Qt::WindowFlags flags = Qt::FramelessWindowHint;
    if (eStyle == EStyle::ToolPopup)
        flags |= Qt::ToolTip | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus;
    else
        flags |= pParentWidget ? Qt::Dialog : Qt::Window;
    m_pWidget = new CQVPlatformWidget(this, pParentWidget, flags);
    if (eStyle == EStyle::ToolPopup)
    {
        m_pWidget->setAttribute(Qt::WA_ShowWithoutActivating);
        m_pWidget->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_pWidget->setFocusPolicy(Qt::NoFocus);
    }
    m_pParent = pParent;
    m_pWidget->resize(nWidth, nHeight);
    m_reportedSize = QSize(nWidth, nHeight);
    m_content = QImage();
    m_bNeedsPaint = true;
    if (m_nAlpha != 255)
        SetWindowAlpha(m_nAlpha);
    return true;
}

void CQVPlatformWindow::DestroyWindow()
{
    if (!m_pWidget)
        return;
    CQVPlatformWidget* pWidget = m_pWidget;
    pWidget->Detach();
    WidgetGone();
    pWidget->hide();
    if (pWidget->InDispatch())
        pWidget->deleteLater();
    else
        delete pWidget;
}

void CQVPlatformWindow::WidgetGone()
{
    m_pWidget = nullptr;
    m_pParent = nullptr;
    if (g_pCapture == this)
        g_pCapture = nullptr;
    m_bDragging = false;
    m_content = QImage();
    m_reportedSize = QSize();
    m_bNeedsPaint = true;
}

bool CQVPlatformWindow::IsWindow() const
{
    return m_pWidget != nullptr;
}

QWidget* CQVPlatformWindow::GetWidget() const
{
    return m_pWidget;
}

void CQVPlatformWindow::ShowWindow(bool bShow)
{
    if (!m_pWidget)
        return;
    if (bShow)
    {
        m_pWidget->setWindowModality(m_bModal ? Qt::ApplicationModal : Qt::NonModal);
        m_pWidget->show();
    }
    else
    {
        m_pWidget->hide();
    }
}

bool CQVPlatformWindow::IsWindowVisible() const
{
    return m_pWidget && m_pWidget->isVisible();
}

void CQVPlatformWindow::SetModalWindow(bool bModal)
{
    m_bModal = bModal;
}

void CQVPlatformWindow::SetTopMost(bool bTopMost)
{
    if (!m_pWidget)
        return;
    const bool bWasVisible = m_pWidget->isVisible();
    m_pWidget->setWindowFlag(Qt::WindowStaysOnTopHint, bTopMost);
    // Changing window flags hides a window.
    if (bWasVisible)
        m_pWidget->show();
}

void CQVPlatformWindow::SetWindowText(const QString& strText)
{
    if (m_pWidget)
        m_pWidget->setWindowTitle(strText);
}

QString CQVPlatformWindow::GetWindowText() const
{
    return m_pWidget ? m_pWidget->windowTitle() : QString();
}

QRect CQVPlatformWindow::GetClientRect() const
{
    return m_pWidget ? QRect(QPoint(0, 0), m_pWidget->size()) : QRect();
}

QRect CQVPlatformWindow::GetWindowRect() const
{
    return m_pWidget ? QRect(m_pWidget->pos(), m_pWidget->size()) : QRect();
}

void CQVPlatformWindow::MoveWindow(int x, int y, int nWidth, int nHeight)
{
    if (!m_pWidget || nWidth <= 0 || nHeight <= 0)
        return;
    m_pWidget->setGeometry(x, y, nWidth, nHeight);
    HandleResize(QSize(nWidth, nHeight));
}

void CQVPlatformWindow::HandleResize(QSize size)
{
    if (size == m_reportedSize)
        return;
    m_reportedSize = size;
    OnSize(size.width(), size.height());
    Invalidate();
}

QRect CQVPlatformWindow::GetWorkArea() const
{
    QScreen* pScreen = m_pWidget ? m_pWidget->screen() : nullptr;
    if (!pScreen)
        pScreen = QGuiApplication::primaryScreen();
    return pScreen ? pScreen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QRect CQVPlatformWindow::GetScreenRect() const
{
    QScreen* pScreen = m_pWidget ? m_pWidget->screen() : nullptr;
    if (!pScreen)
        pScreen = QGuiApplication::primaryScreen();
    return pScreen ? pScreen->geometry() : QRect(0, 0, 1024, 768);
}

void CQVPlatformWindow::CenterWindow(CQVPlatformWindow* pOn)
{
    if (!m_pWidget)
        return;
    const QRect work = GetWorkArea();
    const QRect area = (pOn && pOn->IsWindow()) ? pOn->GetWindowRect() : work;
    const QSize size = m_pWidget->size();
    int x = area.x() + (area.width() - size.width()) / 2;
    int y = area.y() + (area.height() - size.height()) / 2;
    x = std::max(work.left(), std::min(x, work.left() + work.width() - size.width()));
    y = std::max(work.top(), std::min(y, work.top() + work.height() - size.height()));
    m_pWidget->move(x, y);
}

QPoint CQVPlatformWindow::ClientToScreen(QPoint ptClient) const
{
    return m_pWidget ? m_pWidget->mapToGlobal(ptClient) : ptClient;
}

uint32_t CQVPlatformWindow::GetNativeId() const
{
    return m_pWidget ? static_cast<uint32_t>(m_pWidget->winId()) : 0;
}

void CQVPlatformWindow::Invalidate()
{
    m_bNeedsPaint = true;
    if (m_pWidget)
        m_pWidget->update();
}

void CQVPlatformWindow::PaintNow()
{
    if (!m_bNeedsPaint || !m_pWidget)
        return;
    m_bNeedsPaint = false;
    m_bInPaint = true;
    ++m_nPaintCount;
    OnPaint();
    m_bInPaint = false;
}

void CQVPlatformWindow::UpdateWindow()
{
    PaintNow();
    if (m_pWidget && m_pWidget->isVisible())
        m_pWidget->repaint();
}

void CQVPlatformWindow::PresentImage(const QImage& image)
{
    if (!m_pWidget || image.size() != m_pWidget->size())
        return;
    m_content = image.format() == QImage::Format_ARGB32_Premultiplied
                    ? image
                    : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    m_bNeedsPaint = false;
    if (!m_bInPaint)
        m_pWidget->update();
}

void CQVPlatformWindow::BlitImage(const QImage& image, int x, int y)
{
    if (!m_pWidget || m_content.isNull() || image.isNull())
        return;
    {
        QPainter painter(&m_content);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(x, y, image);
    }
    if (!m_bInPaint)
        m_pWidget->update(QRect(QPoint(x, y), image.size()));
}

void CQVPlatformWindow::SetCapture()
{
    if (m_pWidget)
        g_pCapture = this;
}

void CQVPlatformWindow::ReleaseCapture()
{
    g_pCapture = nullptr;
}

CQVPlatformWindow* CQVPlatformWindow::GetCapture()
{
    return g_pCapture;
}

bool CQVPlatformWindow::IsActiveWindow() const
{
    return m_pWidget && m_pWidget->isActiveWindow();
}

void CQVPlatformWindow::SetActiveWindow()
{
    if (!m_pWidget)
        return;
    if (!IsHeadlessPlatform())
        m_pWidget->raise();
    m_pWidget->activateWindow();
}

CQVPlatformWindow* CQVPlatformWindow::GetActiveWindow()
{
    auto* pWidget = dynamic_cast<CQVPlatformWidget*>(QApplication::activeWindow());
    if (!pWidget)
        return nullptr;
    return pWidget->Owner();
}

void CQVPlatformWindow::BeginCaptionDrag()
{
    if (!m_pWidget || m_bDragging)
        return;
    QWindow* pHandle = m_pWidget->windowHandle();
    if (pHandle && pHandle->startSystemMove())
        return;
    m_bDragging = true;
    m_ptDragStartGlobal = m_pWidget->LastPressGlobal();
    m_ptDragStartWindow = m_pWidget->pos();
}

void CQVPlatformWindow::SetCursorShape(int nShape)
{
    m_nCursorShape = nShape;
}

void CQVPlatformWindow::BeginWaitCursor()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void CQVPlatformWindow::EndWaitCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

void CQVPlatformWindow::SetWindowAlpha(int nAlpha)
{
    m_nAlpha = std::max(0, std::min(255, nAlpha));
    if (!m_pWidget || IsHeadlessPlatform())
        return;
    m_pWidget->setWindowOpacity(m_nAlpha / 255.0);
    // On xcb a second and later opacity change stays in the connection's buffer until the
    // next event-loop pass; fades that block the thread would never show. Flush it now.
    m_pWidget->update();
    QGuiApplication::sync();
}

void CQVPlatformWindow::OnClose()
{
    ShowWindow(false);
}

void CQVPlatformWindow::DispatchMouse(unsigned nCode, QPoint pt)
{
    m_nCursorShape = Qt::ArrowCursor;
    OnMouseMessage(nCode, pt);
    if (m_pWidget && m_pWidget->cursor().shape() != m_nCursorShape)
        m_pWidget->setCursor(QCursor(static_cast<Qt::CursorShape>(m_nCursorShape)));
}

} // namespace qv
