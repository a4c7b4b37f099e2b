#include "frontend/CQVMovieSettingsDlg.h"

#include "formats/CQVWmProfileManager.h"
#include "formats/OutputTypes.h"
#include "formats/WindowsMediaProfile.h"
#include "formats/WindowsMediaResults.h"
#include "frontend/CQVComboChoiceList.h"
#include "frontend/CQVH264SettingsDlg.h"
#include "frontend/FrontEndGlobals.h"
#include "frontend/HelpBoxSize.h"
#include "frontend/MovieSettingsLogic.h"
#include "platform/SettingsStore.h"
#include "project/SettingsFiles.h"
#include "ui/CQVCheck.h"
#include "ui/CQVComboBox.h"
#include "ui/CQVComboBoxList.h"
#include "ui/CQVEdit.h"
#include "ui/CQVStatic.h"
#include "ui/CQVTextButton.h"
#include "ui/CQVTheme.h"
#include "ui/CQVUIManager.h"

#include <QPainter>

namespace qv
{

namespace
{

const int kDialogWidth = 500;
const int kDialogHeight = 630;
const int kRowHeight = 22;
const int kHelpTop = 510;
const int kFormatWidth = 230;
const int kAdvancedWidth = 70;
const int kAudioWidth = 110;
// The labels' text keeps clear of the frame drawn at x 10.
const int kLabelLeft = 17;
const int kHelpBottomMargin = 40;
const char* const kDeinterlaceValue = "isDeinterlace";

struct tagQVLabel
{
    int nId;
    const char* pszText;
};

const tagQVLabel kLabels[] = {
    {CQVMovieSettingsDlg::kIdProfileLabel, "Profile"},
    {CQVMovieSettingsDlg::kIdFormatLabel, "Format"},
    {CQVMovieSettingsDlg::kIdSizeModeLabel, "Size Mode"},
    {CQVMovieSettingsDlg::kIdFileSizeLabel, "File Size"},
    {CQVMovieSettingsDlg::kIdMb, "mb"},
    {CQVMovieSettingsDlg::kIdBitrateLabel, "Bitrate"},
    {CQVMovieSettingsDlg::kIdKbps, "kbps"},
    {CQVMovieSettingsDlg::kIdQualityLabel, "Quality"},
    {CQVMovieSettingsDlg::kIdOverlayLabel, "Overlay Quality"},
    {CQVMovieSettingsDlg::kIdFrameRateLabel, "Frame Rate"},
    {CQVMovieSettingsDlg::kIdForceResizeLabel, "Force Source Resize"},
    {CQVMovieSettingsDlg::kIdFlipLabel, "Flip Source Video"},
    {CQVMovieSettingsDlg::kIdDeinterlaceLabel, "Deinterlacing"},
    {CQVMovieSettingsDlg::kIdSizeX, "x"},
    {CQVMovieSettingsDlg::kIdWmvLabel, "WMV Code"},
    {CQVMovieSettingsDlg::kIdWmaLabel, "WMA Code"},
    {CQVMovieSettingsDlg::kIdWmaFormatLabel, "WMA Format"},
    {CQVMovieSettingsDlg::kIdSmoothingLabel, "3D Smoothing"},
    {CQVMovieSettingsDlg::kIdAudioBitrateLabel, "Audio Bitrate"},
    {CQVMovieSettingsDlg::kIdSampleRateLabel, "Audio Sample Rate"},
    {CQVMovieSettingsDlg::kIdChannelsLabel, "Audio Channels"},
};

// Created for their values, never placed on the dialog.
const int kHiddenIds[] = {
    CQVMovieSettingsDlg::kIdProfileLabel, CQVMovieSettingsDlg::kIdForceResizeLabel,
    CQVMovieSettingsDlg::kIdFlipLabel,    CQVMovieSettingsDlg::kIdDeinterlaceLabel,
    CQVMovieSettingsDlg::kIdSizeX,        CQVMovieSettingsDlg::kIdSmoothingLabel,
    CQVMovieSettingsDlg::kIdPreset,       CQVMovieSettingsDlg::kIdForceResize,
    CQVMovieSettingsDlg::kIdFlip,         CQVMovieSettingsDlg::kIdDeinterlace,
    CQVMovieSettingsDlg::kIdSmoothing,    CQVMovieSettingsDlg::kIdWidth,
    CQVMovieSettingsDlg::kIdHeight,
};

std::vector<std::string> ItemTexts(const CQVComboBox* pCombo)
{
    std::vector<std::string> texts;
    for (int i = 0; pCombo && i < pCombo->GetCount(); ++i)
        texts.push_back(pCombo->GetItemText(i).toStdString());
    return texts;
}

void Fill(CQVComboBox* pCombo, const std::vector<std::string>& texts)
{
    pCombo->Clear();
    for (const std::string& text : texts)
        pCombo->AddItem(QString::fromStdString(text));
}

void FillNumbers(CQVComboBox* pCombo, int nCount)
{
    pCombo->Clear();
    for (int i = 1; i <= nCount; ++i)
        pCombo->AddItem(QString::number(i));
}

} // namespace

CQVMovieSettingsDlg::CQVMovieSettingsDlg(CQVPlatformWindow* pParent) : CQVDialogBase(pParent) {}

CQVMovieSettingsDlg::~CQVMovieSettingsDlg() = default;

CQVComboBox* CQVMovieSettingsDlg::Combo(int nId) const
{
    return GetUIManager() ? dynamic_cast<CQVComboBox*>(GetUIManager()->Find(nId, kKindComboBox))
                          : nullptr;
}

CQVEdit* CQVMovieSettingsDlg::Edit(int nId) const
{
    return GetUIManager() ? dynamic_cast<CQVEdit*>(GetUIManager()->Find(nId, kKindEdit)) : nullptr;
}

CQVCheck* CQVMovieSettingsDlg::Check(int nId) const
{
    return GetUIManager() ? dynamic_cast<CQVCheck*>(GetUIManager()->Find(nId, kKindCheck))
                          : nullptr;
}

CQVButton* CQVMovieSettingsDlg::Label(int nId) const
{
    return GetUIManager() ? GetUIManager()->Find(nId, kKindStatic) : nullptr;
}

CQVButton* CQVMovieSettingsDlg::AdvancedButton() const
{
    return GetUIManager() ? GetUIManager()->Find(kIdAdvanced, kKindTextButton) : nullptr;
}

void CQVMovieSettingsDlg::CreateControls()
{
    CQVDialogBase::CreateControls();
    CQVUIManager* pManager = GetUIManager();
    if (!pManager)
        return;
    for (const tagQVLabel& label : kLabels)
    {
        auto* pLabel = new CQVStatic(QString::fromUtf8(label.pszText));
        pLabel->SetTextAlign(CQVButton::kAlignLeft);
        pManager->Add(label.nId, pLabel, kKindStatic);
    }
    auto* pHelp = new CQVStatic();
    pHelp->SetTextAlign(CQVButton::kAlignLeft);
    pManager->Add(kIdHelp, pHelp, kKindStatic);

    for (int nId :
         {kIdPreset, kIdFormat, kIdSizeMode, kIdQuality, kIdOverlay, kIdFrameRate, kIdWmvCodec,
          kIdWmaCodec, kIdWmaFormat, kIdAudioBitrate, kIdSampleRate, kIdChannels})
        pManager->Add(nId, new CQVComboBox(), kKindComboBox);
    for (int nId : {kIdFileSize, kIdBitrate, kIdWidth, kIdHeight})
    {
        auto* pEdit = new CQVEdit();
        pEdit->SetDigitsOnly(true);
        pManager->Add(nId, pEdit, kKindEdit);
    }
    for (int nId : {kIdForceResize, kIdFlip, kIdDeinterlace, kIdSmoothing})
        pManager->Add(nId, new CQVCheck(), kKindCheck);
    pManager->Add(kIdAdvanced, new CQVTextButton(QStringLiteral("Advanced")), kKindTextButton);

    Fill(Combo(kIdPreset), PresetLabels());
    CQVComboBox* pFormat = Combo(kIdFormat);
    for (int32_t nType : FormatListOrder())
        pFormat->SetItemValue(pFormat->AddItem(QString::fromStdString(FormatLabel(nType))), nType);
    // All of them at once, without a scroll bar.
    pFormat->SetDropHeight(CQVComboBoxList::ContentHeight(pFormat->GetCount()) + 2);
    Fill(Combo(kIdAudioBitrate), AudioBitrateTexts());
    Fill(Combo(kIdSampleRate), AudioSampleRateTexts());
    Fill(Combo(kIdChannels), AudioChannelTexts());
    CQVComboBox* pFrameRate = Combo(kIdFrameRate);
    for (const tagQVFrameRateEntry& entry : FrameRateEntries())
        pFrameRate->AddItem(QString::fromUtf8(entry.pszText));
    pFrameRate->SetDropHeight(CQVComboBoxList::ContentHeight(pFrameRate->GetCount()) + 2);

    for (int nId : kHiddenIds)
    {
        if (CQVButton* pControl = Label(nId))
            pControl->Show(false, false);
        else if (CQVButton* pCombo = Combo(nId))
            pCombo->Show(false, false);
        else if (CQVButton* pEdit = Edit(nId))
            pEdit->Show(false, false);
        else if (CQVButton* pCheck = Check(nId))
            pCheck->Show(false, false);
    }
}

void CQVMovieSettingsDlg::LayoutControls()
{
    int w = 0, h = 0;
    if (!LayoutBaseControls(&w, &h))
        return;
    const int a = w / 3;
    const int x = a + 5;
    const int nWideWidth = 2 * w / 3 - 53;
    auto row = [&](int nLabelId, int y, CQVButton* pControl, int nWidth)
    {
        if (CQVButton* pLabel = Label(nLabelId))
            pLabel->Move(kLabelLeft, y, a - kLabelLeft, kRowHeight, false);
        if (pControl)
            pControl->Move(x, y, nWidth, kRowHeight, false);
    };
    // The format list names container and codecs: wide enough for its longest label, with
    // "Advanced" beside it.
    row(kIdFormatLabel, 85, Combo(kIdFormat), kFormatWidth);
    if (CQVButton* pAdvanced = AdvancedButton())
        pAdvanced->Move(x + kFormatWidth + 10, 83, kAdvancedWidth, kRowHeight, false);
    row(kIdSizeModeLabel, 115, Combo(kIdSizeMode), 150);
    row(kIdFileSizeLabel, 145, Edit(kIdFileSize), 75);
    row(kIdBitrateLabel, 175, Edit(kIdBitrate), 75);
    if (CQVButton* pMb = Label(kIdMb))
        pMb->Move(a + 82, 145, 40, kRowHeight, false);
    if (CQVButton* pKbps = Label(kIdKbps))
        pKbps->Move(a + 82, 175, 40, kRowHeight, false);
    row(kIdQualityLabel, 205, Combo(kIdQuality), 75);
    row(kIdOverlayLabel, 235, Combo(kIdOverlay), 75);
    row(kIdFrameRateLabel, 265, Combo(kIdFrameRate), 150);
    row(kIdWmvLabel, 295, Combo(kIdWmvCodec), nWideWidth);
    row(kIdWmaLabel, 325, Combo(kIdWmaCodec), nWideWidth);
    row(kIdWmaFormatLabel, 355, Combo(kIdWmaFormat), nWideWidth);
    // Wide enough for "2 (Stereo)", the entry that shows from the start.
    row(kIdAudioBitrateLabel, 385, Combo(kIdAudioBitrate), kAudioWidth);
    row(kIdSampleRateLabel, 415, Combo(kIdSampleRate), kAudioWidth);
    row(kIdChannelsLabel, 445, Combo(kIdChannels), kAudioWidth);
    if (CQVButton* pHelp = Label(kIdHelp))
        pHelp->Move(11, kHelpTop, w - 22, h - kHelpBottomMargin - kHelpTop, false);
}

void CQVMovieSettingsDlg::DrawBackground(QPainter* pGraphics)
{
    CQVDialogBase::DrawBackground(pGraphics);
    if (!pGraphics)
        return;
    const int w = GetClientRect().width();
    const uint32_t clrEdge = CQVTheme::Colors().clrDlgEdge;
    const QRect frame(10, 40, w - 22, kHelpTop - 46);
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing, false);
    pGraphics->setBrush(Qt::NoBrush);
    pGraphics->setPen(QPen(CQVTheme::ToQColor(clrEdge), 1));
    pGraphics->drawRect(frame);
    // The second line shows only along the inside of the first: a soft inner edge.
    pGraphics->setClipRect(frame.adjusted(1, 1, 0, 0));
    pGraphics->setPen(QPen(CQVTheme::ToQColor(clrEdge, 100), 1));
    pGraphics->drawRect(frame.translated(1, 1));
    pGraphics->restore();
}

void CQVMovieSettingsDlg::OnInitDialog()
{
    CQVDialogBase::OnInitDialog();
    const QRect window = GetWindowRect();
    int nHeight = kDialogHeight;
    if (CQVButton* pHelp = Label(kIdHelp))
    {
        // The help box, between the frame and the buttons, must hold the longest text:
        // the dialog grows for a skin font that needs more lines.
        QStringList texts;
        for (const tagQVHelpEntry& entry : MovieSettingsHelp())
            texts << QString::fromUtf8(entry.pszText);
        const int nNeeded = HelpTextHeight(pHelp->GetFontId(), kDialogWidth - 22, texts);
        nHeight = std::max(nHeight, kHelpTop + nNeeded + kHelpBottomMargin);
    }
    MoveWindow(window.x(), window.y(), kDialogWidth, nHeight);
    CenterWindow(GetParentWindow());
    SetWindowText(QStringLiteral("Movie Settings"));
    if (!GetUIManager())
        return;

    CQVFrontEndGlobals& globals = FrontEndGlobals();
    CQVOutputSettingsTable& table = globals.outputSettings;
    m_nRememberedPreset = table.CurrentSlot();
    const tagQVOutputSettings& record = table.Current();

    CQVComboBox* pFormat = Combo(kIdFormat);
    int nFormatEntry = -1;
    for (int i = 0; i < pFormat->GetCount(); ++i)
        if (pFormat->GetItemValue(i) == record.nOutputFormat)
            nFormatEntry = i;
    pFormat->Select(nFormatEntry, false);

    uint32_t nDeinterlace = 0;
    CQVSettingsStore::GetDword(kDecoderSettingsKey, kDeinterlaceValue, &nDeinterlace);
    Check(kIdDeinterlace)->SetCheck(nDeinterlace != 0, false);
    Check(kIdSmoothing)->SetCheck(globals.n3DSmoothing != 0, false);
    SetCheckText(kIdDeinterlace);
    SetCheckText(kIdSmoothing);

    ChangePreset(m_nRememberedPreset, true);

    if (CQVWmProfileManager::Create(&m_pWmManager) == kQVWmOk && m_pWmManager)
    {
        CQVComboChoiceList wmv(Combo(kIdWmvCodec));
        CQVComboChoiceList wma(Combo(kIdWmaCodec));
        FillWmvCodecList(*m_pWmManager, &wmv, record.nWmvCodec);
        FillWmaCodecList(*m_pWmManager, &wma, record.nWmaCodec);
        FillWmaFormats(record.nWmaFormat);
    }
    else
        m_pWmManager.reset();

    ApplyWindowsMediaState();
    ApplySizeModeState();
    AdvancedButton()->Enable(IsH264Type(SelectedType()), false);
    Invalidate();
}

int CQVMovieSettingsDlg::SelectedType() const
{
    const CQVComboBox* pFormat = Combo(kIdFormat);
    return pFormat ? pFormat->GetItemValue(pFormat->GetSelection()) : 0;
}

void CQVMovieSettingsDlg::EnablePair(int nLabelId, int nControlId, int nControlKind, bool bEnable)
{
    if (CQVButton* pLabel = Label(nLabelId))
        pLabel->Enable(bEnable, false);
    if (CQVButton* pControl = GetUIManager()->Find(nControlId, nControlKind))
        pControl->Enable(bEnable, false);
}

void CQVMovieSettingsDlg::ChangePreset(int nIndex, bool bForced)
{
    CQVOutputSettingsTable& table = FrontEndGlobals().outputSettings;
    if (!bForced && (nIndex == table.CurrentSlot() || nIndex < 0 || nIndex >= kPresetCount))
        return;
    table.MakeCurrent(nIndex);
    const tagQVOutputSettings& record = table.Current();
    Combo(kIdPreset)->Select(table.CurrentSlot(), false);

    CQVComboBox* pSizeMode = Combo(kIdSizeMode);
    if (pSizeMode->GetCount() == 0)
        Fill(pSizeMode, SizeModeTexts());
    pSizeMode->Select(record.nSizeMode, false);
    Edit(kIdFileSize)->SetText(QString::number(record.nFileSizeMB), false);
    Edit(kIdBitrate)->SetText(QString::number(record.nVideoBitrate), false);
    Edit(kIdWidth)->SetText(QString::number(record.nWidth), false);
    Edit(kIdHeight)->SetText(QString::number(record.nHeight), false);
    RefillQuality();
    Check(kIdForceResize)->SetCheck(record.bForceResize != 0, false);
    Check(kIdFlip)->SetCheck(record.bFlip != 0, false);
    SetCheckText(kIdForceResize);
    SetCheckText(kIdFlip);
    RefillOverlay(table.CurrentSlot(), record.nOverlayQuality);
    Combo(kIdAudioBitrate)
        ->Select(EntryWithLeadingNumber(AudioBitrateTexts(), record.nAudioBitrate), false);
    Combo(kIdSampleRate)
        ->Select(EntryWithLeadingNumber(AudioSampleRateTexts(), record.nAudioSampleRate), false);
    Combo(kIdChannels)->Select(record.nAudioChannels, false);
    Combo(kIdFrameRate)->Select(FrameRateEntryOf(record.nOutputFrameRate), false);
    ApplySizeModeState();
    if (bForced)
        return;

    const bool bWindowsMedia = IsWindowsMediaType(SelectedType());
    EnablePair(kIdSizeModeLabel, kIdSizeMode, kKindComboBox, !bWindowsMedia);
    if (bWindowsMedia)
        pSizeMode->Select(kBitratePriority, false);
    ApplyFormatDefaults();
    ApplySizeModeState();
}

void CQVMovieSettingsDlg::RefillQuality()
{
    CQVComboBox* pQuality = Combo(kIdQuality);
    const bool bWasEmpty = pQuality->GetCount() == 0;
    const int nPrevious = pQuality->GetSelection();
    const int nCount = QualityEntryCount(SelectedType());
    FillNumbers(pQuality, nCount);
    const int nSelection =
        bWasEmpty ? FrontEndGlobals().outputSettings.Current().nQuality - 1 : nPrevious;
    pQuality->Select(std::min(nSelection, nCount - 1), false);
}

void CQVMovieSettingsDlg::RefillOverlay(int nPreset, int nSelected)
{
    CQVComboBox* pOverlay = Combo(kIdOverlay);
    FillNumbers(pOverlay, OverlayQualityEntryCount(nPreset));
    pOverlay->Select(nSelected, false);
}

void CQVMovieSettingsDlg::ApplyFormatDefaults()
{
    const tagQVFormatDefaults defaults =
        FormatDefaults(SelectedType(), Combo(kIdPreset)->GetSelection());
    if (defaults.nSizeMode >= 0)
        Combo(kIdSizeMode)->Select(defaults.nSizeMode, false);
    if (defaults.nQualityIndex >= 0)
        Combo(kIdQuality)->Select(defaults.nQualityIndex, false);
    if (!defaults.bitrateText.empty())
        Edit(kIdBitrate)->SetText(QString::fromStdString(defaults.bitrateText), false);
    if (defaults.bWindowsMediaCodecs)
        ChooseDefaultWindowsMediaEntries();
}

void CQVMovieSettingsDlg::ChooseDefaultWindowsMediaEntries()
{
    const int nVideo = DefaultWmvCodecEntry(ItemTexts(Combo(kIdWmvCodec)));
    if (nVideo >= 0)
        Combo(kIdWmvCodec)->Select(nVideo, false);
    CQVComboBox* pAudio = Combo(kIdWmaCodec);
    const int nAudio = DefaultWmaCodecEntry(ItemTexts(pAudio));
    if (nAudio >= 0 && nAudio != pAudio->GetSelection())
    {
        pAudio->Select(nAudio, false);
        FillWmaFormats(FrontEndGlobals().outputSettings.Current().nWmaFormat);
    }
    const int nFormat = DefaultWmaFormatEntry(ItemTexts(Combo(kIdWmaFormat)));
    if (nFormat >= 0)
        Combo(kIdWmaFormat)->Select(nFormat, false);
}

void CQVMovieSettingsDlg::FillWmaFormats(int nSelectedCode)
{
    if (!m_pWmManager)
        return;
    CQVComboChoiceList formats(Combo(kIdWmaFormat));
    FillWmaFormatList(*m_pWmManager, &formats, Combo(kIdWmaCodec)->GetSelection(), nSelectedCode);
}

void CQVMovieSettingsDlg::ApplyWindowsMediaState()
{
    const bool bWindowsMedia = IsWindowsMediaType(SelectedType());
    EnablePair(kIdWmvLabel, kIdWmvCodec, kKindComboBox, bWindowsMedia);
    EnablePair(kIdWmaLabel, kIdWmaCodec, kKindComboBox, bWindowsMedia);
    EnablePair(kIdWmaFormatLabel, kIdWmaFormat, kKindComboBox, bWindowsMedia);
    EnablePair(kIdSizeModeLabel, kIdSizeMode, kKindComboBox, !bWindowsMedia);
    if (bWindowsMedia)
        Combo(kIdSizeMode)->Select(kBitratePriority, false);
    EnablePair(kIdAudioBitrateLabel, kIdAudioBitrate, kKindComboBox, !bWindowsMedia);
    EnablePair(kIdSampleRateLabel, kIdSampleRate, kKindComboBox, !bWindowsMedia);
    EnablePair(kIdChannelsLabel, kIdChannels, kKindComboBox, !bWindowsMedia);
}

void CQVMovieSettingsDlg::ApplySizeModeState()
{
    const int nMode = Combo(kIdSizeMode)->GetSelection();
    EnablePair(kIdFileSizeLabel, kIdFileSize, kKindEdit, nMode == kSizePriority);
    Label(kIdMb)->Enable(nMode == kSizePriority, false);
    EnablePair(kIdBitrateLabel, kIdBitrate, kKindEdit, nMode == kBitratePriority);
    Label(kIdKbps)->Enable(nMode == kBitratePriority, false);
    EnablePair(kIdQualityLabel, kIdQuality, kKindComboBox, nMode == kQualityPriority);
}

void CQVMovieSettingsDlg::ChangeFormat()
{
    RefillQuality();
    ApplyFormatDefaults();
    ApplyWindowsMediaState();
    AdvancedButton()->Enable(IsH264Type(SelectedType()), false);
    ApplySizeModeState();
}

void CQVMovieSettingsDlg::SetCheckText(int nId)
{
    if (CQVCheck* pCheck = Check(nId))
        pCheck->SetText(pCheck->GetCheck() ? QStringLiteral("Yes") : QStringLiteral("No"),
                        pCheck->IsVisible());
}

intptr_t CQVMovieSettingsDlg::OnComboChoice(CQVButton* pComboBox, int nIndex)
{
    if (!GetUIManager() || IsEnded())
        return 0;
    if (pComboBox == Combo(kIdPreset))
        ChangePreset(nIndex, false);
    else if (pComboBox == Combo(kIdFormat))
        ChangeFormat();
    else if (pComboBox == Combo(kIdSizeMode))
        ApplySizeModeState();
    else if (pComboBox == Combo(kIdWmaCodec))
        FillWmaFormats(FrontEndGlobals().outputSettings.Current().nWmaFormat);
    else
        return 0;
    Invalidate();
    return 0;
}

bool CQVMovieSettingsDlg::OnCommand(unsigned nId, intptr_t lParam)
{
    if (IsEnded() || !GetUIManager())
        return CQVDialogBase::OnCommand(nId, lParam);
    switch (nId)
    {
    case kIdAdvanced:
    {
        CQVH264SettingsDlg dialog(this);
        dialog.DoModal();
        return true;
    }
    case kIdForceResize:
    case kIdFlip:
    case kIdDeinterlace:
    case kIdSmoothing:
        SetCheckText(static_cast<int>(nId));
        return true;
    default:
        return CQVDialogBase::OnCommand(nId, lParam);
    }
}

void CQVMovieSettingsDlg::OnMouseMessage(unsigned nCode, QPoint pt)
{
    CQVDialogBase::OnMouseMessage(nCode, pt);
    if (nCode == kMsgMouseMove && GetUIManager())
        UpdateHelp(pt);
}

void CQVMovieSettingsDlg::UpdateHelp(QPoint pt)
{
    const int w = GetClientRect().width();
    QString text;
    for (const tagQVHelpEntry& entry : MovieSettingsHelp())
    {
        const CQVButton* pLabel = Label(entry.nLabelId);
        if (!pLabel || !pLabel->IsVisible() || pLabel->GetRect().isEmpty())
            continue;
        const QRect label = pLabel->GetRect();
        if (QRect(10, label.top() - 3, w - 20, label.height() + 3).contains(pt))
        {
            text = QString::fromUtf8(entry.pszText);
            break;
        }
    }
    CQVButton* pHelp = Label(kIdHelp);
    QString current;
    pHelp->GetText(current);
    if (current != text)
        pHelp->SetText(text, true);
}

void CQVMovieSettingsDlg::OnOK()
{
    if (!GetUIManager())
    {
        CQVDialogBase::OnOK();
        return;
    }
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    CQVSettingsStore::SetDword(kDecoderSettingsKey, kDeinterlaceValue,
                               Check(kIdDeinterlace)->GetCheck() ? 1 : 0);

    tagQVMovieSettingsChoice choice;
    choice.nSizeMode = Combo(kIdSizeMode)->GetSelection();
    choice.fileSizeText = Edit(kIdFileSize)->GetText().toStdString();
    choice.bitrateText = Edit(kIdBitrate)->GetText().toStdString();
    choice.widthText = Edit(kIdWidth)->GetText().toStdString();
    choice.heightText = Edit(kIdHeight)->GetText().toStdString();
    choice.nQualityIndex = Combo(kIdQuality)->GetSelection();
    choice.bForceResize = Check(kIdForceResize)->GetCheck();
    choice.bFlip = Check(kIdFlip)->GetCheck();
    choice.nOverlayQualityIndex = Combo(kIdOverlay)->GetSelection();
    choice.nOutputType = SelectedType();
    choice.nWmvCodecIndex = Combo(kIdWmvCodec)->GetSelection();
    choice.nWmaCodecIndex = Combo(kIdWmaCodec)->GetSelection();
    CQVComboBox* pWmaFormat = Combo(kIdWmaFormat);
    choice.nWmaFormatCode = pWmaFormat->GetItemValue(pWmaFormat->GetSelection());
    CQVComboBox* pAudioBitrate = Combo(kIdAudioBitrate);
    choice.audioBitrateText =
        pAudioBitrate->GetItemText(pAudioBitrate->GetSelection()).toStdString();
    CQVComboBox* pSampleRate = Combo(kIdSampleRate);
    choice.audioSampleRateText =
        pSampleRate->GetItemText(pSampleRate->GetSelection()).toStdString();
    choice.nAudioChannelsIndex = Combo(kIdChannels)->GetSelection();
    choice.nFrameRateIndex = Combo(kIdFrameRate)->GetSelection();

    tagQVOutputSettings& record = globals.outputSettings.Current();
    StoreMovieSettings(choice, &record);
    globals.nOutputWidth = record.nWidth;
    globals.nOutputHeight = record.nHeight;

    globals.n3DSmoothing = Check(kIdSmoothing)->GetCheck() ? 1 : 0;
    WriteSmoothingSetting(globals.SettingsWritePath("3dsmoothing.xml"), globals.n3DSmoothing);
    CQVDialogBase::OnOK();
}

void CQVMovieSettingsDlg::OnCancel()
{
    if (!IsEnded())
        FrontEndGlobals().outputSettings.MakeCurrent(m_nRememberedPreset);
    CQVDialogBase::OnCancel();
}

} // namespace qv
