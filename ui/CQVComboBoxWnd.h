// The drop-down window of a combo box or of a list's drop-down cell: a popup below its
// anchor that shows the choices in a CQVComboBoxList. A click outside closes it; Escape
// closes it; a click on a row or Enter chooses. Closing only hides it: the object stays
// with its control and is opened again next time. GUI thread only.
#pragma once

#include "platform/CQVPlatformWindow.h"
#include "ui/CQVComboBoxList.h"

#include <QFont>
#include <QStringList>
#include <functional>

namespace qv
{

class CQVComboBoxWnd : public CQVPlatformWindow
{
public:
    CQVComboBoxWnd();
    ~CQVComboBoxWnd() override;

    // Opens below rcAnchor (screen coordinates; above it when the screen has no room
    // below), as wide as the anchor and as high as the rows need, at most nMaxHeight.
    // nCurrent is highlighted. False without a live owner.
    bool Open(CQVPlatformWindow* pOwner, const QRect& rcAnchor, const QStringList& items,
              int nCurrent, const QFont& font, int nMaxHeight);
    // Hides the window (the choice handler is not called).
    void Close();
    bool IsOpen() const { return IsWindowVisible(); }
    CQVComboBoxList& GetList() { return m_list; }

    // Called with the chosen row, after the window has closed.
    std::function<void(int)> onChoose;
    // Called whenever the window closes, chosen or not.
    std::function<void()> onClosed;

protected:
    void OnPaint() override;
    void OnMouseMessage(unsigned nCode, QPoint pt) override;
    bool OnInputMessage(const tagQVInputMessage& msg) override;
    void OnClose() override;

private:
    void Choose(int nRow);

    CQVComboBoxList m_list;
};

} // namespace qv
