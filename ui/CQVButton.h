// The root of every toolkit control, and itself the image button: a windowless rectangle in
// its window's client coordinates that shows one frame of a state image strip, an optional
// text and tooltip, and answers the mouse with the states normal, hover and pressed. The
// window's UI manager owns it, composites it and feeds it input. GUI thread only.
#pragma once

#include "platform/CQVPlatformWindow.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <memory>
#include <string>

class QPainter;

namespace qv
{

class CQVUIManager;
class CQVToolTipWnd;

class CQVButton
{
public:
    enum EState
    {
        kStateNormal = 0,
        kStateHover = 1,
        kStatePressed = 2
    };
    enum ETextAlign
    {
        kAlignLeft = 0,
        kAlignRight = 1,
        kAlignCenter = 2,
        kAlignBottom = 3 // centred horizontally, at the bottom
    };

    CQVButton();
    virtual ~CQVButton();
    CQVButton(const CQVButton&) = delete;
    CQVButton& operator=(const CQVButton&) = delete;

    // --- virtual operations, in slot order
    // 1. Frees the image, saved background, text and tooltip window.
    virtual void Destroy();
    // 2. With a painter: the composite pass (pComposite is the image being painted; the
    //    saved background is taken from it). Without: redraws the control alone on its
    //    window from the saved background.
    virtual void Draw(QPainter* pGraphics = nullptr, const QImage* pComposite = nullptr);
    // 3. Returns whether the control changed and must be redrawn.
    virtual bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt);
    // 4. Returns whether the key was taken.
    virtual bool Key(const tagQVInputMessage& msg);
    // 5, 6. A null text is no text.
    virtual void SetText(const QString& strText, bool bRedraw);
    virtual void GetText(QString& strText) const;
    // 7, 8. Switching off hides the tooltip and returns the state to normal.
    virtual void Enable(bool bEnable, bool bRedraw);
    virtual void Show(bool bShow, bool bRedraw);
    // 9, 10.
    virtual void MoveToRect(int nLeft, int nTop, int nRight, int nBottom, bool bRedraw);
    virtual void Move(int x, int y, int nWidth, int nHeight, bool bRedraw);
    // 11. Marks itself focused and asks the manager to move the toolkit focus here.
    virtual bool TakeFocus();
    // 12. Hides the tooltip and posts kMsgCommand (the id in the low 16 bits) to the owner.
    virtual void Clicked(QPoint pt);
    // 13. Nothing in the base.
    virtual void RecalcLayout();
    // 14. Size of the text in the control's font within a 100 x 50 box; 0 x 0 for an empty
    //     text or a font id without a record.
    virtual QSizeF MeasureText(const QString& strText) const;
    // 15, 16.
    virtual bool OnFocusGained();
    virtual void OnFocusLost();
    // 17. Nothing in the base.
    virtual void OnActivate(bool bActive);
    // 18. Not taken in the base.
    virtual bool Wheel(const tagQVInputMessage& msg);
    // 19.
    virtual void SetToolTipText(const QString& strText);
    // 20. The frame (when framed) and the text, in the rectangle.
    virtual void DrawText(QPainter* pGraphics, const QRect& rc);
    // 21.
    virtual void ShowToolTip(bool bShow);
    // The rectangle, in the owner's client coordinates, that the tooltip is placed under:
    // the control's own.
    virtual QRect ToolTipAnchor() const { return GetRect(); }

    // Called by the manager when the control is registered as an edit box (kind 3) or a
    // combo box (kind 7), and for every control read from a skin: edit boxes (and editable
    // combo boxes) create their hosted edit window here; other controls do nothing.
    virtual void CreateHostedWindow() {}

    // --- setters used by dialogs and the skin loader
    void SetStripLayout(int nLayout) { m_nStripLayout = nLayout; }
    void SetFontId(int nFontId) { m_nFontId = nFontId; }
    void SetTextAlign(int nAlign) { m_nTextAlign = nAlign; }
    void SetFramed(bool bFramed) { m_bFramed = bFramed; }
    void SetKeepBackground(bool bKeep) { m_bKeepBackground = bKeep; }
    // A Qt::CursorShape value, or -1 for none.
    void SetHoverCursor(int nShape) { m_nHoverCursor = nShape; }
    // Replaces the strip with the file's image; a missing or unreadable file leaves the
    // control without image (false).
    bool SetImageFromFile(const std::string& path);
    void SetImage(const QImage& image);

    // --- registration, by the UI manager and the skin loader
    void Attach(CQVUIManager* pManager, CQVPlatformWindow* pOwner, int nId, int nKind);
    void SetRegisteredKind(int nKind) { m_nKind = nKind; }

    // --- state
    int GetState() const { return m_nState; }
    bool IsVisible() const { return m_bVisible; }
    bool IsEnabled() const { return m_bEnabled; }
    bool IsFocused() const { return m_bFocused; }
    int GetId() const { return m_nId; }
    int GetFontId() const { return m_nFontId; }
    int GetKind() const { return m_nKind; }
    int GetStripLayout() const { return m_nStripLayout; }
    int GetTextAlign() const { return m_nTextAlign; }
    QRect GetRect() const { return QRect(m_nX, m_nY, m_nWidth, m_nHeight); }
    const QImage* GetImage() const { return m_pImage.get(); }
    const QImage* GetSavedBackground() const { return m_pSavedBackground.get(); }
    void DiscardSavedBackground() { m_pSavedBackground.reset(); }
    CQVPlatformWindow* GetOwner() const { return m_pOwner; }
    CQVUIManager* GetManager() const { return m_pManager; }
    const QString& GetToolTipText() const { return m_strToolTip; }
    bool IsToolTipVisible() const;
    CQVToolTipWnd* GetToolTipWindow() const { return m_pToolTip.get(); }

    // Where a frame of a four-frame strip goes for this rectangle: the frame's source
    // rectangle in the strip and the target rectangle. False when there is nothing to draw.
    static bool FrameGeometry4(const QSize& strip, int nFrame, const QRect& rc, QRect* pSource,
                               QRect* pTarget);

protected:
    // The strip frame for the current state, at the control's position.
    void DrawImageFrame(QPainter* pGraphics);
    bool HitTest(QPoint pt) const;
    // The owner holds the capture.
    bool IsCaptured() const;
    void ApplyHoverCursor();

    // --- fields (the owner, manager and kind are set on registration)
    int m_nState = kStateNormal;
    bool m_bVisible = true;
    bool m_bEnabled = true;
    int m_nTextAlign = kAlignCenter;
    std::unique_ptr<QImage> m_pImage;           // the state strip
    std::unique_ptr<QImage> m_pSavedBackground; // the composite under the control
    int m_nX = 0;
    int m_nY = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nStripLayout = 4; // frames in the strip: 4, 2 or 1
    int m_nId = 0;
    int m_nFontId = 0;
    QString m_strText; // null: no text
    CQVPlatformWindow* m_pOwner = nullptr;
    int m_nHoverCursor = -1;
    std::unique_ptr<CQVToolTipWnd> m_pToolTip; // made on first use
    QString m_strToolTip;
    CQVUIManager* m_pManager = nullptr;
    int m_nKind = 0;
    bool m_bFramed = false;
    // Kept for callers that set it; every control refreshes its saved background at each
    // composite, so that single redraws over any background show what lies beneath.
    bool m_bKeepBackground = false;
    bool m_bFocused = false;
};

} // namespace qv
