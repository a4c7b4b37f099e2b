// The preview run's window: loads the project, has the preview player show it inside the
// front-end's preview dialog (the host window named in the control block), writes the play
// position into the block every 100 ms, and ends when playback completes, aborts or fails.
// The front-end stops a preview by writing state 0 and ending this process.
#pragma once

#include "engine/EngineGlobals.h"
#include "platform/CQVMessageWindow.h"

#include <memory>

namespace qv
{

class CQVTimeLinePlayer;
class CVideoMixerUserCallback;
class CAudioMixerUserCallback;
class IQVItemEffects;

class CQVFullPlayDlg : public CQVMessageWindow
{
public:
    static constexpr unsigned kTimerStart = 1;    // 10 ms, once: start playing
    static constexpr unsigned kTimerPosition = 2; // 100 ms, while playing
    static constexpr unsigned kMessageGraphEvent = 0x7E8;
    static constexpr unsigned kMessageIgnored = 0x7E9;
    static constexpr int kQuitCode = 18;

    // Loads "tmp/qvengine.qvprj" into the globals' timeline and creates the player.
    explicit CQVFullPlayDlg(CQVEngineGlobals& globals);
    ~CQVFullPlayDlg() override;

    // The effects drawn into composed pictures; not owned, must outlive Run.
    void SetEffects(IQVItemEffects* pEffects);

    // Plays to the end, then tears everything down as the destroy handler does (player
    // paused and freed, state 0, project freed, block unmapped). Returns the engine's exit
    // status: kEngineFailed when the preview could not start (bPreviewFailed was set),
    // kEngineCompleted for every other end.
    int Run();

protected:
    void OnInitModal() override;
    void OnTimer(unsigned nId) override;
    intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam) override;

private:
    void StartPlaying();
    void TakeGraphEvents();
    void Destroy();

    CQVEngineGlobals& m_globals;
    bool m_bProjectLoaded = false;
    bool m_bFailed = false;
    bool m_bDestroyed = false;
    // Destroyed in reverse order: the player stops its threads before the callbacks go.
    std::unique_ptr<CVideoMixerUserCallback> m_pVideoCallback;
    std::unique_ptr<CAudioMixerUserCallback> m_pAudioCallback;
    std::unique_ptr<CQVTimeLinePlayer> m_pPlayer;
};

} // namespace qv
