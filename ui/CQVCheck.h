// The check box: a box with a tick and the control's text beside it. A click (or Enter on
// the focused box) flips it, redraws it and posts kMsgCommand with the control id and
// lParam 0 to the owner. Registered under kind 1.
#pragma once

#include "ui/CQVButton.h"
#include "ui/CQVSkinLoader.h"

namespace qv
{

class CQVCheck : public CQVButton
{
public:
    static constexpr int kBoxSize = 14;

    CQVCheck() = default;
    explicit CQVCheck(const QString& strText) { m_strText = strText; }

    static CQVButton* CreateFromSkin(const QVSkinAttributes& attributes);

    bool GetCheck() const { return m_bChecked; }
    void SetCheck(bool bChecked, bool bRedraw);

    // A double click counts as a second click.
    bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt) override;
    bool Key(const tagQVInputMessage& msg) override;
    // Flips the value and posts the notification.
    void Clicked(QPoint pt) override;
    void DrawText(QPainter* pGraphics, const QRect& rc) override;

protected:
    // The box's rectangle for the control's rectangle.
    QRectF BoxRect(const QRect& rc) const;
    void DrawLabel(QPainter* pGraphics, const QRect& rc);
    void PostNotification();

    bool m_bChecked = false;
};

} // namespace qv
