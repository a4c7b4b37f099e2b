// The edit box: a framed box that hosts a real edit window (CQVEditCtrl) carrying the
// control's id, so that typing, selection, the clipboard and the change notification are
// the edit window's own. Registered under kind 3, where it makes its edit window at once.
// Keys that the dialog needs (Tab, Enter, Escape) are passed on to the toolkit's routing.
// GUI thread only.
#pragma once

#include "ui/CQVButton.h"
#include "ui/CQVSkinLoader.h"

#include <QFont>
#include <memory>

class QKeyEvent;

namespace qv
{

class CQVEditCtrl;

class CQVEdit : public CQVButton
{
public:
    CQVEdit();
    ~CQVEdit() override;

    // The skin's "sedit" element: "number" makes it digits only.
    static CQVButton* CreateFromSkin(const QVSkinAttributes& attributes);

    void Destroy() override;
    // A left click focuses the control and places the caret where the user clicked; a right
    // click opens the edit window's context menu there.
    bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt) override;
    // Typing belongs to the edit window: no key is taken here.
    bool Key(const tagQVInputMessage& msg) override;
    // Also into the edit window when it exists.
    void SetText(const QString& strText, bool bRedraw) override;
    // From the edit window when it exists, else the stored text.
    void GetText(QString& strText) const override;
    QString GetText() const;
    void Enable(bool bEnable, bool bRedraw) override;
    void Show(bool bShow, bool bRedraw) override;
    void Move(int x, int y, int nWidth, int nHeight, bool bRedraw) override;
    bool OnFocusGained() override;
    void OnFocusLost() override;
    void DrawText(QPainter* pGraphics, const QRect& rc) override;
    // Makes the edit window (once) as a child of the owner window.
    void CreateHostedWindow() override;

    // Set before the edit window is made; the digits-only rule also applies afterwards.
    void SetDigitsOnly(bool bDigitsOnly);
    bool IsDigitsOnly() const { return m_bDigitsOnly; }
    void SetMultiLine(bool bMultiLine) { m_bMultiLine = bMultiLine; }
    bool IsMultiLine() const { return m_bMultiLine; }
    CQVEditCtrl* GetEditCtrl() const { return m_pEdit.get(); }
    // Where the edit window sits for the current rectangle.
    QRect EditWindowRect() const;

protected:
    // Pixels at the right end that the edit window leaves free (a combo box's button).
    virtual int EditRightInset() const { return 0; }
    // Whether this control hosts an edit window at all.
    virtual bool WantsEditWindow() const { return true; }
    // The control's font, made once from the skin's font table.
    const QFont& EditFont();
    // The height of a line of the font: its size plus 1, or 16 without a font record.
    int LineHeight() const;
    // The box behind the edit window (fill and border).
    void DrawBox(QPainter* pGraphics, const QRect& rc, bool bHighlight);
    bool PassKeyToOwner(QKeyEvent* pEvent);

    std::unique_ptr<CQVEditCtrl> m_pEdit;
    bool m_bDigitsOnly = false;
    bool m_bMultiLine = false;

private:
    QFont m_font;
    bool m_bFontMade = false;
};

} // namespace qv
