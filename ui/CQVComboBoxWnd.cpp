#include "ui/CQVComboBoxWnd.h"

#include "ui/CQVTheme.h"
#include "ui/CQVUIManager.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace qv
{

CQVComboBoxWnd::CQVComboBoxWnd()
{
    m_list.onChoose = [this](int nRow) { Choose(nRow); };
}

CQVComboBoxWnd::~CQVComboBoxWnd()
{
    m_list.onChoose = nullptr;
    DestroyWindow();
}

bool CQVComboBoxWnd::Open(CQVPlatformWindow* pOwner, const QRect& rcAnchor,
                          const QStringList& items, int nCurrent, const QFont& font, int nMaxHeight)
{
    if (!pOwner || !pOwner->IsWindow())
        return false;
    // The popup belongs to one owner window; a new owner gets a new window.
    if (IsWindow() && GetParentWindow() != pOwner)
        DestroyWindow();
    if (!IsWindow())
    {
        if (!CreateWindowEx(pOwner, std::max(rcAnchor.width(), 20), 40))
            return false;
        QWidget* pWidget = GetWidget();
        pWidget->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        // A click outside only closes the popup; it does not also press what lies beneath
        // (a click on the combo box's button closes the list instead of reopening it).
        pWidget->setAttribute(Qt::WA_NoMouseReplay);
        m_list.Attach(nullptr, this, 0, kKindWindow);
    }
    m_list.SetFont(font);
    const int nContent = CQVComboBoxList::ContentHeight(static_cast<int>(items.size())) + 2;
    const int nHeight = std::max(std::min(nContent, std::max(nMaxHeight, 24)), 24);
    const int nWidth = std::max(rcAnchor.width(), 20);
    const QRect screen = GetScreenRect();
    int y = rcAnchor.bottom() + 1;
    if (y + nHeight > screen.bottom() + 1 && rcAnchor.top() - nHeight >= screen.top())
        y = rcAnchor.top() - nHeight;
    const int x = std::max(screen.left(), std::min(rcAnchor.left(), screen.right() + 1 - nWidth));
    MoveWindow(x, y, nWidth, nHeight);
    m_list.Move(0, 0, nWidth, nHeight, false);
    m_list.SetItems(items, nCurrent);
    Invalidate();
    ShowWindow(true);
    return true;
}

void CQVComboBoxWnd::Close()
{
    if (!IsWindowVisible())
        return;
    if (GetCapture() == this)
        ReleaseCapture();
    ShowWindow(false);
    if (onClosed)
        onClosed();
}

void CQVComboBoxWnd::Choose(int nRow)
{
    Close();
    if (onChoose)
        onChoose(nRow);
}

void CQVComboBoxWnd::OnPaint()
{
    const QRect client = GetClientRect();
    if (client.isEmpty())
        return;
    QImage image(client.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(CQVTheme::ToQColor(CQVTheme::Colors().clrDlgBK));
    {
        QPainter painter(&image);
        m_list.Draw(&painter, &image);
    }
    PresentImage(image);
}

void CQVComboBoxWnd::OnMouseMessage(unsigned nCode, QPoint pt)
{
    if (m_list.Mouse(this, nCode, pt) && IsWindowVisible())
        m_list.Draw();
}

bool CQVComboBoxWnd::OnInputMessage(const tagQVInputMessage& msg)
{
    if (msg.nMessage == kMsgMouseWheel)
        return m_list.Wheel(msg);
    if (msg.nMessage == kMsgKeyDown && msg.nVirtualKey == kVkEscape)
    {
        Close();
        return true;
    }
    return m_list.Key(msg);
}

void CQVComboBoxWnd::OnClose()
{
    Close();
}

} // namespace qv
