// A control with a scrollable content area and its own drawn scroll bars. Positions are in
// pixels of content: 0 .. maximum, where maximum is the content size less the page (the
// visible size). Arrow and track presses repeat on timers 1000 .. 1005 of one process-wide
// timer window, which names the scrolling control through one process-wide pointer: only
// one control scrolls at a time. GUI thread only.
#pragma once

#include "ui/CQVButton.h"

namespace qv
{

class CQVWindow : public CQVButton
{
public:
    // The current scroll action.
    enum EScrollAction
    {
        kScrollNone = 0,
        kScrollUp = 1,
        kScrollDown = 2,
        kScrollVTrack = 3,
        kScrollVThumb = 4,
        kScrollLeft = 5,
        kScrollRight = 6,
        kScrollHTrack = 7,
        kScrollHThumb = 8
    };
    // Repeat timers of the actions.
    enum : unsigned
    {
        kTimerDownArrow = 1000,
        kTimerUpArrow = 1001,
        kTimerVTrack = 1002,
        kTimerLeftArrow = 1003,
        kTimerRightArrow = 1004,
        kTimerHTrack = 1005
    };
    static constexpr unsigned kArrowRepeatMs = 10;
    static constexpr unsigned kTrackRepeatMs = 50;
    // Parts of the two bars.
    enum EPart
    {
        kPartNone,
        kPartUpArrow,
        kPartDownArrow,
        kPartTrackAbove,
        kPartTrackBelow,
        kPartVThumb,
        kPartLeftArrow,
        kPartRightArrow,
        kPartTrackLeft,
        kPartTrackRight,
        kPartHThumb
    };
    static constexpr int kBarSize = 12;     // thickness of a bar and side of its arrow buttons
    static constexpr int kMinThumb = 18;    // shortest thumb, so that it stays easy to grab
    static constexpr int kWheelNotch = 120; // wheel delta of one notch

    CQVWindow();
    ~CQVWindow() override;

    void Destroy() override;
    // The scroll bars' presses, repeats, thumb drags and hover; subclasses handle the rest.
    bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt) override;
    // One notch moves the vertical position by the wheel step (away from the user: up).
    // Taken when the content can scroll vertically.
    bool Wheel(const tagQVInputMessage& msg) override;
    // Frame, content and bars.
    void DrawText(QPainter* pGraphics, const QRect& rc) override;
    // Moving or resizing recomputes the layout.
    void Move(int x, int y, int nWidth, int nHeight, bool bRedraw) override;
    void Show(bool bShow, bool bRedraw) override;

    // --- scroll state. Setters clamp; the range setters clamp the position into the range.
    int GetVScrollPos() const { return m_nVPos; }
    int GetVScrollMax() const { return m_nVMax; }
    int GetVScrollPage() const { return m_nVPage; }
    int GetHScrollPos() const { return m_nHPos; }
    int GetHScrollMax() const { return m_nHMax; }
    int GetHScrollPage() const { return m_nHPage; }
    void SetVScrollRange(int nMax, int nPage);
    void SetHScrollRange(int nMax, int nPage);
    // Whether the position changed; with bRedraw the control redraws when it did.
    bool SetVScrollPos(int nPos, bool bRedraw);
    bool SetHScrollPos(int nPos, bool bRedraw);
    int GetScrollAction() const { return m_nScrollAction; }
    // The control whose action the repeat timers serve, or null.
    static CQVWindow* GetScrollingWindow();
    // Whether the process-wide timer window runs the timer (tests watch the repeats stop).
    static bool IsScrollTimerRunning(unsigned nId);
    // Pixels that one wheel notch scrolls.
    void SetWheelStep(int nPixels) { m_nWheelStep = nPixels; }

    // --- geometry in client coordinates; bars exist only while their maximum is above 0.
    bool HasVScrollBar() const { return m_nVMax > 0; }
    bool HasHScrollBar() const { return m_nHMax > 0; }
    QRect GetPartRect(EPart ePart) const;
    EPart PartAt(QPoint pt) const;
    // The area that shows content: the scroll frame less the bars.
    QRect GetViewRect() const;

protected:
    // The rectangle that the bars border on (the vertical bar at its right edge, the
    // horizontal bar at its bottom): the control inside its 1-pixel frame by default.
    virtual QRect ScrollFrame() const;
    // Draws the content; the painter is clipped to the view rectangle.
    virtual void DrawContent(QPainter* pGraphics, const QRect& rcView);
    // A position changed (child windows over the content follow).
    virtual void OnScrolled() {}
    // Draws the frame around the control.
    virtual void DrawFrame(QPainter* pGraphics, const QRect& rc);

    // Handles a mouse code for the bars: presses on their parts start actions, a release
    // ends the action, moves drag the thumb and track the hovered part, leaving stops the
    // repeats. Returns whether the code was the bars' (the rest of the control ignores it);
    // *pChanged tells whether the control must be redrawn.
    bool HandleScrollMouse(unsigned nCode, QPoint pt, bool* pChanged);
    // Ends the current action: kills its repeat timer and releases a thumb drag's capture.
    void EndScrollAction();

    int m_nVPos = 0;
    int m_nVMax = 0;
    int m_nVPage = 0;
    int m_nHPos = 0;
    int m_nHMax = 0;
    int m_nHPage = 0;
    int m_nScrollAction = kScrollNone;
    QPoint m_ptDragStart;    // where a thumb drag began
    int m_nDragStartPos = 0; // the position when it began
    QPoint m_ptLastMouse;    // the pointer at the last mouse code (track repeats aim at it)
    EPart m_eHoverPart = kPartNone;
    int m_nWheelStep = 60;

private:
    friend class CQVScrollTimerHost;
    void OnScrollTimer(unsigned nId);
    void BeginAction(int nAction);
    // One step of the current arrow or track action; false when the track action reached
    // the pointer (the thumb now lies under it).
    bool StepAction();
    void DragThumb(QPoint pt);
    void DrawBar(QPainter* pGraphics, bool bVertical);
};

} // namespace qv
