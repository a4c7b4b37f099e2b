#include "ui/CQVMenuEx.h"

#include "ui/CQVTheme.h"

namespace qv
{

CQVMenuEx::CQVMenuEx(QWidget* pParent) : QMenu(pParent)
{
    ApplySkin(*this);
}

void CQVMenuEx::ApplySkin(QMenu& menu)
{
    const tagQVThemeColors& colors = CQVTheme::Colors();
    const QString css =
        QStringLiteral("QMenu { background: %1; border: 1px solid %2; padding: 4px 0px; color: %3;"
                       " font-family: Arial; font-size: 13px; }"
                       "QMenu::item { padding: 5px 26px 5px 24px; background: transparent; }"
                       "QMenu::item:selected { background: %4; color: %5; }"
                       "QMenu::item:disabled { color: %6; }"
                       "QMenu::separator { height: 1px; background: %7; margin: 4px 8px; }"
                       "QMenu::indicator { width: 12px; height: 12px; left: 6px; }")
            .arg(CQVTheme::ToCss(CQVTheme::Shift(colors.clrDlgBK, 8)),
                 CQVTheme::ToCss(colors.clrDlgEdge, 160), CQVTheme::ToCss(colors.clrText),
                 CQVTheme::ToCss(colors.clrText2, 90),
                 CQVTheme::ToCss(CQVTheme::Shift(colors.clrText, 30)),
                 CQVTheme::ToCss(CQVTheme::Shift(colors.clrDlgBK, 45)),
                 CQVTheme::ToCss(colors.clrDlgEdge, 70));
    menu.setStyleSheet(css);
}

QAction* CQVMenuEx::AppendCommand(int nCommand, const QString& strText, bool bCheckable,
                                  bool bChecked)
{
    QAction* pAction = addAction(strText);
    pAction->setData(nCommand);
    pAction->setCheckable(bCheckable);
    pAction->setChecked(bCheckable && bChecked);
    return pAction;
}

void CQVMenuEx::AppendSeparator()
{
    addSeparator();
}

int CQVMenuEx::CommandOf(const QAction* pAction)
{
    if (!pAction)
        return 0;
    bool bOk = false;
    const int nCommand = pAction->data().toInt(&bOk);
    return bOk ? nCommand : 0;
}

int CQVMenuEx::TrackPopup(QPoint ptScreen)
{
    if (actions().isEmpty())
        return 0;
    return CommandOf(exec(ptScreen));
}

} // namespace qv
