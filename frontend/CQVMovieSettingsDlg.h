// The movie settings: output format, size mode and its values, quality, overlay quality,
// the output frame rate, the Windows Media codecs and the audio format of the whole batch,
// edited in the current record of the process-wide output settings table
// (FrontEndGlobals). OK stores the controls into that record and writes "isDeinterlace"
// into the settings store and "skin/3dsmoothing.xml"; Cancel makes the preset current
// again that was current at opening. The preset list, the force-resize, flip,
// deinterlacing and 3D smoothing boxes and the width and height edits exist but are never
// shown. "Advanced" opens the H.264 settings. GUI thread only.
#pragma once

#include "ui/CQVDialogBase.h"

#include <memory>

namespace qv
{

class CQVCheck;
class CQVComboBox;
class CQVEdit;
class CQVWmProfileManager;

class CQVMovieSettingsDlg : public CQVDialogBase
{
public:
    // Control ids. Labels are statics (kind 13), lists combo boxes (7), edits kind 3, check
    // boxes kind 1, "Advanced" a text button (17).
    enum : int
    {
        kIdProfileLabel = 16,
        kIdSizeModeLabel = 17,
        kIdFileSizeLabel = 18,
        kIdBitrateLabel = 19,
        kIdQualityLabel = 20,
        kIdForceResizeLabel = 21,
        kIdFlipLabel = 22,
        kIdOverlayLabel = 23,
        kIdHelp = 24,
        kIdPreset = 25,
        kIdSizeMode = 26,
        kIdFileSize = 27,
        kIdBitrate = 28,
        kIdQuality = 29,
        kIdForceResize = 30,
        kIdFlip = 31,
        kIdOverlay = 32,
        kIdMb = 33,
        kIdKbps = 34,
        kIdDeinterlace = 35,
        kIdDeinterlaceLabel = 36,
        kIdFormatLabel = 37,
        kIdFormat = 38,
        kIdWmvLabel = 39,
        kIdWmaLabel = 40,
        kIdWmaFormatLabel = 41,
        kIdWmvCodec = 42,
        kIdWmaCodec = 43,
        kIdWmaFormat = 44,
        kIdSizeX = 45,
        kIdWidth = 46,
        kIdHeight = 47,
        kIdSmoothingLabel = 48,
        kIdSmoothing = 49,
        kIdAudioBitrateLabel = 50,
        kIdAudioBitrate = 51,
        kIdSampleRateLabel = 52,
        kIdSampleRate = 53,
        kIdChannelsLabel = 54,
        kIdChannels = 55,
        kIdAdvanced = 56,
        kIdFrameRateLabel = 57,
        kIdFrameRate = 58,
    };

    explicit CQVMovieSettingsDlg(CQVPlatformWindow* pParent = nullptr);
    ~CQVMovieSettingsDlg() override;

    // The dialog's controls by id; null for an id of another kind or before opening.
    CQVComboBox* Combo(int nId) const;
    CQVEdit* Edit(int nId) const;
    CQVCheck* Check(int nId) const;
    CQVButton* Label(int nId) const;
    CQVButton* AdvancedButton() const;

protected:
    void OnInitDialog() override;
    void CreateControls() override;
    void LayoutControls() override;
    void DrawBackground(QPainter* pGraphics) override;
    bool OnCommand(unsigned nId, intptr_t lParam) override;
    intptr_t OnComboChoice(CQVButton* pComboBox, int nIndex) override;
    void OnMouseMessage(unsigned nCode, QPoint pt) override;
    void OnOK() override;
    void OnCancel() override;

private:
    int SelectedType() const;
    void EnablePair(int nLabelId, int nControlId, int nControlKind, bool bEnable);
    void ChangePreset(int nIndex, bool bForced);
    void RefillQuality();
    void RefillOverlay(int nPreset, int nSelected);
    void ApplyFormatDefaults();
    void ApplyWindowsMediaState();
    void ApplySizeModeState();
    void ChangeFormat();
    void FillWmaFormats(int nSelectedCode);
    void ChooseDefaultWindowsMediaEntries();
    void SetCheckText(int nId);
    void UpdateHelp(QPoint pt);

    int m_nRememberedPreset = 0;
    std::unique_ptr<CQVWmProfileManager> m_pWmManager; // null without Windows Media encoders
};

} // namespace qv
