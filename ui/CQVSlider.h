// The slider: a real-valued position in [minimum, maximum] with a thumb that spans the
// control's height. Final positions post kMsgSliderPos (2027) with the slider in wParam and
// lParam 0: after a click on the track, at the release of a thumb drag, after a wheel or
// arrow-key step. While dragging, intermediate positions post lParam 1 only when reporting
// while dragging is on. Registered under kind 11. GUI thread only.
#pragma once

#include "ui/CQVButton.h"
#include "ui/CQVRangeValue.h"
#include "ui/CQVSkinLoader.h"

#include <algorithm>

namespace qv
{

const unsigned kMsgSliderPos = 2027;

class CQVSlider : public CQVButton, public CQVRangeValue
{
public:
    // Smaller moves are not a change.
    static constexpr double kEpsilon = 0.00001;

    CQVSlider() = default;

    static CQVButton* CreateFromSkin(const QVSkinAttributes& attributes);

    // The position is clamped into the new range.
    void SetRange(double dMin, double dMax, bool bRedraw = false);
    // Clamped to the range.
    void SetPos(double dPos, bool bRedraw = false);
    void SetReportWhileDragging(bool bReport) { m_bReportDragging = bReport; }
    bool IsReportingWhileDragging() const { return m_bReportDragging; }
    void SetThumbWidth(int nWidth) { m_nThumbWidth = std::max(nWidth, 1); }
    int GetThumbWidth() const { return m_nThumbWidth; }
    bool IsDragging() const { return m_bDragging; }

    // The thumb's left edge: x + 2 + (pos - min) / (max - min) * (w - 4 - t).
    int ThumbLeft() const;
    QRect ThumbRect() const;
    // The position a press at px gives, with the pointer nOffset pixels right of the
    // thumb's left edge (0 for a click on the track): min + (max - min) *
    // max(0, px - offset - x - 1) / (w - 1 - 4 - t), clamped.
    double PositionAt(int px, int nOffset) const;

    bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt) override;
    // Right and left arrows step by (max - min) / w when focused, enabled and visible.
    bool Key(const tagQVInputMessage& msg) override;
    // A notch towards the user adds (max - min) / 100, away subtracts; always taken.
    bool Wheel(const tagQVInputMessage& msg) override;
    void DrawText(QPainter* pGraphics, const QRect& rc) override;

private:
    // Moves to the clamped position; redraws and posts when it moved by kEpsilon or more.
    bool StepTo(double dPos, int nReport);
    void Post(int nFinal);

    int m_nThumbWidth = 10;
    int m_nDragOffset = 0;
    bool m_bFinalPending = false;
    bool m_bReportDragging = false;
    bool m_bDragging = false;
    bool m_bThumbHover = false;
};

} // namespace qv
