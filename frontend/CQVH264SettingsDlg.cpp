#include "frontend/CQVH264SettingsDlg.h"

#include "frontend/FrontEndGlobals.h"
#include "frontend/HelpBoxSize.h"
#include "project/SettingsFiles.h"
#include "ui/CQVComboBox.h"
#include "ui/CQVStatic.h"
#include "ui/CQVUIManager.h"

namespace qv
{

namespace
{

const int kDialogWidth = 380;
const int kDialogHeight = 270;
const int kMainProfile = 0;
const int kHelpTop = 114;
const int kHelpBottomMargin = 40;

const char* const kProfileHelp =
    "We recommend the Main Profile for creating HD video, but if your computer has problem "
    "when using Main Profile HD video, you could simply select Baseline Profile for creating "
    "HD video too.";
const char* const kFrameHelp =
    "An H264 video stream is comprised of I Frames, B Frames and P Frames. To increase the "
    "compression of H264, more B and P frames should be used.\r\n\r\n"
    "No. of P Frames: represents the number of P frames between 2 successive I frames. \r\n"
    "No. of B Frames: represents the number of B frames between 2 successive P frames.";

} // namespace

CQVH264SettingsDlg::CQVH264SettingsDlg(CQVPlatformWindow* pParent) : CQVDialogBase(pParent) {}

CQVComboBox* CQVH264SettingsDlg::Combo(int nId) const
{
    return GetUIManager() ? dynamic_cast<CQVComboBox*>(GetUIManager()->Find(nId, kKindComboBox))
                          : nullptr;
}

CQVButton* CQVH264SettingsDlg::HelpBox() const
{
    return GetUIManager() ? GetUIManager()->Find(kIdHelp, kKindStatic) : nullptr;
}

void CQVH264SettingsDlg::CreateControls()
{
    CQVDialogBase::CreateControls();
    CQVUIManager* pManager = GetUIManager();
    if (!pManager)
        return;
    const std::pair<int, QStringList> lists[] = {
        {kIdProfile,
         {QStringLiteral("Standard H264 Main Profile"),
          QStringLiteral("Standard H264 Baseline Profile")}},
        {kIdPFrames,
         {QStringLiteral("1 P Frame"), QStringLiteral("2 P Frames"), QStringLiteral("3 P Frames"),
          QStringLiteral("4 P Frames"), QStringLiteral("5 P Frames"), QStringLiteral("6 P Frames"),
          QStringLiteral("7 P Frames")}},
        {kIdBFrames,
         {QStringLiteral("0 B Frame"), QStringLiteral("1 B Frames"), QStringLiteral("2 B Frames")}},
    };
    for (const auto& list : lists)
    {
        auto* pCombo = new CQVComboBox();
        for (const QString& text : list.second)
            pCombo->AddItem(text);
        pManager->Add(list.first, pCombo, kKindComboBox);
    }
    auto* pHelp = new CQVStatic();
    pHelp->SetTextAlign(CQVButton::kAlignLeft);
    pManager->Add(kIdHelp, pHelp, kKindStatic);
}

void CQVH264SettingsDlg::LayoutControls()
{
    int w = 0, h = 0;
    if (!LayoutBaseControls(&w, &h))
        return;
    const int nHalf = (w - 30) / 2;
    if (CQVComboBox* pProfile = Combo(kIdProfile))
        pProfile->Move(10, 50, w - 20, 22, false);
    if (CQVComboBox* pP = Combo(kIdPFrames))
        pP->Move(10, 82, nHalf, 22, false);
    if (CQVComboBox* pB = Combo(kIdBFrames))
        pB->Move(nHalf + 20, 82, nHalf, 22, false);
    if (CQVButton* pHelp = HelpBox())
        pHelp->Move(10, kHelpTop, w - 20, h - kHelpTop - kHelpBottomMargin, false);
}

void CQVH264SettingsDlg::OnInitDialog()
{
    CQVDialogBase::OnInitDialog();
    const QRect window = GetWindowRect();
    int nHeight = kDialogHeight;
    if (CQVButton* pHelp = HelpBox())
    {
        // The help box must hold the longer text: the dialog grows for a font that needs it.
        const int nNeeded =
            HelpTextHeight(pHelp->GetFontId(), kDialogWidth - 20,
                           {QString::fromUtf8(kProfileHelp), QString::fromUtf8(kFrameHelp)});
        nHeight = std::max(nHeight, kHelpTop + nNeeded + kHelpBottomMargin);
    }
    MoveWindow(window.x(), window.y(), kDialogWidth, nHeight);
    CenterWindow(GetParentWindow());
    SetWindowText(QStringLiteral("Advanced"));
    if (!GetUIManager())
        return;
    const tagQVH264Settings& h264 = FrontEndGlobals().h264;
    Combo(kIdProfile)->Select(h264.nProfileIndex, false);
    Combo(kIdPFrames)->Select(h264.nPFrameIndex, false);
    Combo(kIdBFrames)->Select(h264.nBFrameIndex, false);
    Combo(kIdBFrames)->Enable(h264.nProfileIndex == kMainProfile, false);
    Invalidate();
}

intptr_t CQVH264SettingsDlg::OnComboChoice(CQVButton* pComboBox, int nIndex)
{
    if (GetUIManager() && pComboBox == Combo(kIdProfile))
        Combo(kIdBFrames)->Enable(nIndex == kMainProfile, true);
    return 0;
}

QString CQVH264SettingsDlg::HelpTextAt(QPoint pt) const
{
    const CQVComboBox* pProfile = Combo(kIdProfile);
    if (pProfile && pProfile->GetRect().contains(pt))
        return QString::fromUtf8(kProfileHelp);
    for (int nId : {kIdPFrames, kIdBFrames})
        if (const CQVComboBox* pCombo = Combo(nId); pCombo && pCombo->GetRect().contains(pt))
            return QString::fromUtf8(kFrameHelp);
    return QString();
}

void CQVH264SettingsDlg::OnMouseMessage(unsigned nCode, QPoint pt)
{
    CQVDialogBase::OnMouseMessage(nCode, pt);
    CQVButton* pHelp = HelpBox();
    if (nCode != kMsgMouseMove || !pHelp)
        return;
    const QString text = HelpTextAt(pt);
    QString current;
    pHelp->GetText(current);
    if (current != text)
        pHelp->SetText(text, true);
}

void CQVH264SettingsDlg::OnOK()
{
    if (GetUIManager())
    {
        CQVFrontEndGlobals& globals = FrontEndGlobals();
        globals.h264.nProfileIndex = Combo(kIdProfile)->GetSelection();
        globals.h264.nPFrameIndex = Combo(kIdPFrames)->GetSelection();
        globals.h264.nBFrameIndex = Combo(kIdBFrames)->GetSelection();
        WriteH264Settings(globals.SettingsWritePath("h264.dat"), globals.h264);
    }
    CQVDialogBase::OnOK();
}

} // namespace qv
