// The base of every skinned dialog: a frameless window whose UI manager holds, paints and
// feeds all controls. It draws the caption band, caption text and border, creates the close
// button and the OK and Cancel buttons, fades in when it opens and out when it closes, and
// routes mouse, wheel, key, activation, size and timer messages. Subclasses add controls
// and layout by overriding CreateControls and LayoutControls (calling the base first).
#pragma once

#include "platform/CQVPlatformWindow.h"

#include <QFont>
#include <QLinearGradient>
#include <QSize>
#include <memory>

class QPainter;

namespace qv
{

class CQVButton;
class CQVUIManager;

// Result codes of a dialog.
enum : int
{
    kIdOk = 1,
    kIdCancel = 2,
    kIdYes = 6,
    kIdNo = 7,
};

// Messages of the dialog's message map besides kMsgCommand and kMsgDrawBackground (1924).
const unsigned kMsgComboChoice = 2024; // wParam the combo box, lParam the chosen index
const unsigned kMsgMenuCommand = 2026; // lParam the chosen menu command id
const unsigned kTimerFadeIn = 256;

class CQVDialogBase : public CQVPlatformWindow
{
public:
    // The empty template: the client size dialogs start with before they size themselves.
    static constexpr unsigned kEmptyTemplateId = 129;
    // The caption strip's height: its band, its text and the part of it that drags.
    static constexpr int kCaptionHeight = 30;
    static QSize TemplateSize(unsigned nTemplateId);

    explicit CQVDialogBase(CQVPlatformWindow* pParent = nullptr);
    CQVDialogBase(unsigned nTemplateId, CQVPlatformWindow* pParent);
    ~CQVDialogBase() override;

    // Opens the dialog, runs it modally and destroys its window. Returns the end code
    // (1 for OK, 2 for Cancel, -1 when the window could not be made or is already open);
    // GetResultCode() then tells 1, 2, 6 or 7.
    int DoModal();
    // Opens the dialog without a modal run (the window stays until DestroyWindow).
    bool Open();

    int GetResultCode() const { return m_nResultCode; }
    CQVUIManager* GetUIManager() const { return m_pUIManager.get(); }
    int GetAlpha() const { return m_nAlpha; }
    bool IsFadeEnabled() const { return m_bFadeEnabled; }
    // Whether the dialog has been ended (by OK, Cancel, Yes, No or EndDialog), and how.
    bool IsEnded() const { return m_bEnded; }
    int GetEndCode() const { return m_nEndCode; }

    // --- virtual operations, in slot order
    // 1, 2. Set the result code (1 or 2), fade out, end the dialog.
    virtual void OnOK();
    virtual void OnCancel();
    // 3. The close button (id 2, kind 0) and the text buttons OK (1) and Cancel (2), kind 17.
    virtual void CreateControls();
    // 4. Close button, OK and Cancel by the client size.
    virtual void LayoutControls();
    // 5. Caption band, caption text and border onto the composite (message 1924).
    virtual void DrawBackground(QPainter* pGraphics);
    // 6. A menu command from a menu or colour button (message 2026): sent on as kMsgCommand.
    virtual void OnMenuCommand(int nCommandId);
    // 7. A combo box's drop-down choice (message 2024); nothing in the base.
    virtual intptr_t OnComboChoice(CQVButton* pComboBox, int nIndex);

protected:
    // The opening sequence, run with the window made and still hidden: fading set up, skin
    // loaded, controls created and laid out, fade timer started. Subclasses call it first.
    virtual void OnInitDialog();
    // kMsgCommand with the control id; the base ends the dialog for 1 (OK) and 2 (Cancel).
    // Returns whether the command was handled.
    virtual bool OnCommand(unsigned nId, intptr_t lParam);
    // A left press here drags the window: the caption strip, y below 30 and x below W - 25
    // (the close button's corner stays clickable).
    virtual bool IsCaptionPoint(QPoint pt) const;
    // A key that no control took: Escape closes with Cancel, Enter with OK when the OK
    // button is shown and enabled. Returns whether it was handled.
    virtual bool OnDialogKey(const tagQVInputMessage& msg);
    // The base's layout, then what a subclass's layout works with: the UI manager (null:
    // nothing to lay out) and the client size.
    CQVUIManager* LayoutBaseControls(int* pWidth, int* pHeight);
    // The caption painting every dialog shares: the band's gradient across the caption strip
    // (switching antialiasing on), and the caption text's font and glyph fill.
    void DrawCaptionBand(QPainter* pGraphics, int nWidth) const;
    static QFont CaptionFont();
    static QLinearGradient CaptionTextFill();
    // Close like OK / Cancel, then the result becomes 6 / 7.
    void OnYes();
    void OnNo();
    // Ends the dialog with the code (the modal run returns it) and hides the window.
    void EndDialog(int nCode);

    // --- the message map
    intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam) override;
    void OnTimer(unsigned nId) override;
    void OnInitModal() override;
    void OnPaint() override;
    void OnMouseMessage(unsigned nCode, QPoint pt) override;
    bool OnInputMessage(const tagQVInputMessage& msg) override;
    void OnActivate(bool bActive) override;
    void OnSize(int nWidth, int nHeight) override;
    void OnClose() override;

    int m_nResultCode = kIdCancel;

private:
    void FadeOut();

    std::unique_ptr<CQVUIManager> m_pUIManager;
    unsigned m_nTemplateId;
    CQVPlatformWindow* m_pParentWindow;
    bool m_bTrackingLeave = false; // leave tracking armed since the last leave
    int m_nAlpha = 0;
    bool m_bFadeEnabled;
    bool m_bEnded = false;
    int m_nEndCode = 0;
};

} // namespace qv
