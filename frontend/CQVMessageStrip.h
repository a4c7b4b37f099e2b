// The main window's message strip: a few lines of status text in the skin's message font,
// and at most one link at the end of the last line that runs an action when clicked.
// Registered as a static control (kind 13), so it takes no focus.
#pragma once

#include "ui/CQVStatic.h"

#include <QStringList>
#include <functional>

namespace qv
{

class CQVMessageStrip : public CQVStatic
{
public:
    CQVMessageStrip();

    // Replaces the text; no link.
    void SetLines(const QStringList& lines, bool bRedraw = true);
    // Replaces the text, with a link after the last line.
    void SetLinesWithLink(const QStringList& lines, const QString& strLink,
                          std::function<void()> onLink, bool bRedraw = true);
    const QStringList& Lines() const { return m_lines; }
    const QString& LinkText() const { return m_strLink; }
    // The link's rectangle in client coordinates as last drawn; empty without a link.
    QRect LinkRect() const { return m_linkRect; }

    bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt) override;
    void DrawText(QPainter* pGraphics, const QRect& rc) override;

private:
    QStringList m_lines;
    QString m_strLink;
    std::function<void()> m_onLink;
    QRect m_linkRect;
    bool m_bLinkHover = false;
};

} // namespace qv
