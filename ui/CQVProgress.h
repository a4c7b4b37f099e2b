// The progress bar: a real-valued position in [minimum, maximum] drawn as a filled bar with
// the control's text (if any) over it. It does not react to the mouse. Registered under
// kind 4; the skin's "progress" element sets "minpos", "maxpos" and "curpos".
#pragma once

#include "ui/CQVButton.h"
#include "ui/CQVRangeValue.h"
#include "ui/CQVSkinLoader.h"

namespace qv
{

class CQVProgress : public CQVButton, public CQVRangeValue
{
public:
    CQVProgress() = default;

    static CQVButton* CreateFromSkin(const QVSkinAttributes& attributes);

    // The position is clamped into the new range.
    void SetRange(double dMin, double dMax, bool bRedraw = false);
    // Clamped to the range.
    void SetPos(double dPos, bool bRedraw = false);
    // Where the position lies in the range, 0 .. 100 (0 for an empty range).
    double GetPercent() const;

    bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt) override;
    void DrawText(QPainter* pGraphics, const QRect& rc) override;

private:
};

} // namespace qv
