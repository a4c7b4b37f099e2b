// The toolkit's message box: a caption, a message sized to fit, and OK, OK and Cancel, or
// Yes and No, on the dialog base.
#pragma once

#include "ui/CQVDialogBase.h"

#include <QString>

namespace qv
{

class CQVMessageDlg : public CQVDialogBase
{
public:
    // Styles: 1 OK and Cancel, 4 Yes and No, anything else OK alone.
    enum : int
    {
        kStyleOkCancel = 1,
        kStyleYesNo = 4,
    };
    static constexpr int kTextControlId = 48;
    // Messages longer than this many characters get a window 120 pixels wider.
    static constexpr int kWideTextLength = 256;

    CQVMessageDlg(const QString& strText, int nStyle, CQVPlatformWindow* pParent = nullptr);
    CQVMessageDlg(const QString& strCaption, const QString& strText, int nStyle,
                  CQVPlatformWindow* pParent = nullptr);

    const QString& GetCaption() const { return m_strCaption; }
    const QString& GetText() const { return m_strText; }
    int GetStyle() const { return m_nStyle; }
    // Height of the message as measured when the box opened.
    int GetTextHeight() const { return m_nTextHeight; }

protected:
    void OnInitDialog() override;
    void CreateControls() override;
    void LayoutControls() override;
    bool OnCommand(unsigned nId, intptr_t lParam) override;

private:
    QString m_strCaption = QStringLiteral("Tips");
    QString m_strText;
    int m_nStyle = 0;
    CQVButton* m_pExtraButton = nullptr; // never set; no box shows a third button
    int m_nTextHeight = 0;
};

// Runs a message box modally and returns its result code: 1 OK, 2 Cancel or closed,
// 6 Yes, 7 No. pParent (default: the active window) is the window it centres on.
int ShowMessageBox(const QString& strText, int nStyle, CQVPlatformWindow* pParent = nullptr);
int ShowMessageBox(const QString& strCaption, const QString& strText, int nStyle,
                   CQVPlatformWindow* pParent = nullptr);

} // namespace qv
