// A push button that draws a gradient face with a centred text (and an optional icon)
// instead of an image strip. Dialogs register it under kind 17.
#pragma once

#include "ui/CQVButton.h"

namespace qv
{

class CQVTextButton : public CQVButton
{
public:
    CQVTextButton() = default;
    explicit CQVTextButton(const QString& strText) { m_strText = strText; }

    void Destroy() override;
    // The face, icon and text over the rectangle.
    void DrawText(QPainter* pGraphics, const QRect& rc) override;

    // A highlighted button writes its text in the theme's second text colour.
    void SetHighlighted(bool bHighlighted) { m_bHighlighted = bHighlighted; }
    bool IsHighlighted() const { return m_bHighlighted; }
    void SetIcon(const QImage& icon);
    const QImage* GetIcon() const { return m_pIcon.get(); }

private:
    bool m_bHighlighted = false;
    std::unique_ptr<QImage> m_pIcon;
};

} // namespace qv
