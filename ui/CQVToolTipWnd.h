// The tooltip of a control: a popup tool window owned by the control's window, shown
// without activation below the control, with the skin's tooltip font and background.
#pragma once

#include "platform/CQVPlatformWindow.h"

#include <QFont>
#include <QImage>
#include <QString>

namespace qv
{

class CQVToolTipWnd : public CQVPlatformWindow
{
public:
    // Makes the (hidden) window owned by pOwner. False without a live owner.
    bool Create(CQVPlatformWindow* pOwner);

    // Line breaks in the text show as lines.
    void SetText(const QString& strText);
    const QString& GetText() const { return m_strText; }
    // The window size the text needs.
    QSize MeasureText() const;
    // Resizes to the text, moves to the screen point and shows without activation.
    void ShowAt(QPoint ptScreen);
    void Hide();

    // Top-left corner for a tooltip of the given size under a control whose screen
    // rectangle is rcControl: 10 pixels below its bottom at its left edge, kept on the
    // screen, and above the control when it would reach into the panel area at the bottom.
    static QPoint Place(const QRect& rcControl, const QSize& tip, const QRect& screen,
                        const QRect& workArea);

protected:
    void OnPaint() override;

private:
    QFont Font() const;

    QString m_strText;
    QImage m_background;
    std::string m_backgroundPath;
};

} // namespace qv
