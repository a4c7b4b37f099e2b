// The toolkit's popup menu: a QMenu drawn in the theme's colours whose items carry command
// ids. Tracking it shows it at a screen point, waits for the user and answers the chosen
// command id, or 0 when the menu was dismissed. GUI thread only.
#pragma once

#include <QMenu>

namespace qv
{

class CQVMenuEx : public QMenu
{
public:
    explicit CQVMenuEx(QWidget* pParent = nullptr);

    // Appends an item; a tab in the text separates the shortcut shown at the right.
    QAction* AppendCommand(int nCommand, const QString& strText, bool bCheckable = false,
                           bool bChecked = false);
    void AppendSeparator();
    // Runs the menu at the screen point (a nested event loop) and returns the chosen
    // command id, 0 when dismissed.
    int TrackPopup(QPoint ptScreen);

    // The command id an item carries (0 for none).
    static int CommandOf(const QAction* pAction);
    // Gives any menu the toolkit's look, from the current theme colours.
    static void ApplySkin(QMenu& menu);
};

} // namespace qv
