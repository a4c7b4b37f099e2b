// The conversion run's only window: a hidden message window that owns the job from the
// project load until the process ends. It waits for the front-end's go signal, has the
// converter build and run the graph, reports the position into the control block every
// 500 ms, and ends on the graph's completion or abort.
#pragma once

#include "engine/EngineGlobals.h"
#include "platform/CQVMessageWindow.h"

#include <memory>

namespace qv
{

class CQVVideoConverter;
class CQVLevelMapping;
class CVideoMixerUserCallback;
class CAudioMixerUserCallback;
class IQVItemEffects;

class CQVConvertDlg : public CQVMessageWindow
{
public:
    static constexpr unsigned kTimerPosition = 1; // 500 ms, while converting
    static constexpr unsigned kTimerGoSignal = 3; // 100 ms, until the start flag is seen
    static constexpr unsigned kMessageGraphEvent = 0x802;
    static constexpr unsigned kMessageCopyData = 0x004A;
    static constexpr int kQuitCode = 18;

    // Loads the project ("tmp/listctrl.qvprj" in single-file mode, else
    // "tmp/qvengine.qvprj") into the globals' timeline and creates the converter.
    explicit CQVConvertDlg(CQVEngineGlobals& globals);
    ~CQVConvertDlg() override;

    // The effects drawn into composed pictures (colour adjustment, moving mask); not
    // owned, must outlive Run. Null draws pictures unchanged.
    void SetEffects(IQVItemEffects* pEffects);

    // Runs the job to its end, then tears everything down as the destroy handler does
    // (state 0, engine-closed flag, block unmapped). Returns the engine's exit status:
    // kEngineCompleted only when the output file was completed.
    int Run();

protected:
    void OnInitModal() override;
    void OnTimer(unsigned nId) override;
    intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam) override;

private:
    void StartConversion();
    bool SourcesCanBeOpened() const;
    // The output frame rate the record asks for: for the source's own rate, that of the
    // main line's first video item; MPEG-1/2 the nearest rate they allow.
    double ConversionFrameRate(const tagQVOutputSettings& record) const;
    // The item whose source names the output's rate, dates and place; null for none.
    const tagQVMediaData* FirstMainVideoItem() const;
    void TakeGraphEvents();
    void EndJob(bool bCompleted);
    void Destroy();

    CQVEngineGlobals& m_globals;
    bool m_bSingleFile = false;
    bool m_bProjectLoaded = false;
    bool m_bCompleted = false;
    bool m_bDestroyed = false;
    // Destroyed in reverse order: the converter stops its threads before the callbacks
    // and the level queue they use go.
    std::unique_ptr<CQVLevelMapping> m_pLevels;
    std::unique_ptr<CVideoMixerUserCallback> m_pVideoCallback;
    std::unique_ptr<CAudioMixerUserCallback> m_pAudioCallback;
    std::unique_ptr<CQVVideoConverter> m_pConverter;
};

} // namespace qv
