// The H.264 settings ("Advanced"): profile, P frames between I frames and B frames between
// P frames, kept as the three process-wide indexes of FrontEndGlobals().h264. OK stores the
// three selections (-1 for none) and saves "skin/h264.dat"; Cancel stores nothing. The B
// frame list is enabled only for the Main profile, but its index is kept for Baseline too.
// GUI thread only.
#pragma once

#include "ui/CQVDialogBase.h"

namespace qv
{

class CQVComboBox;

class CQVH264SettingsDlg : public CQVDialogBase
{
public:
    enum : int
    {
        kIdProfile = 16, // combo boxes (kind 7)
        kIdPFrames = 17,
        kIdBFrames = 18,
        kIdHelp = 19, // static (kind 13)
    };

    explicit CQVH264SettingsDlg(CQVPlatformWindow* pParent = nullptr);

    CQVComboBox* Combo(int nId) const;
    CQVButton* HelpBox() const;
    // What the help box shows with the pointer at pt.
    QString HelpTextAt(QPoint pt) const;

protected:
    void OnInitDialog() override;
    void CreateControls() override;
    void LayoutControls() override;
    intptr_t OnComboChoice(CQVButton* pComboBox, int nIndex) override;
    void OnMouseMessage(unsigned nCode, QPoint pt) override;
    void OnOK() override;
};

} // namespace qv
