// The preview run's window: loads the project, has the preview player show it inside the
// front-end's preview dialog (the host window named in the control block), writes the play
// position into the block every 100 ms, and ends when playback completes, aborts or fails.
// The front-end stops a preview by writing state 0 and ending this process.
#pragma once

#include "engine/CQVJobWindow.h"

#include <memory>

namespace qv
{

class CQVTimeLinePlayer;

class CQVFullPlayDlg : public CQVJobWindow
{
public:
    static constexpr unsigned kTimerStart = 1;    // 10 ms, once: start playing
    static constexpr unsigned kTimerPosition = 2; // 100 ms, while playing
    static constexpr unsigned kMessageGraphEvent = 0x7E8;
    static constexpr unsigned kMessageIgnored = 0x7E9;

    // Loads "tmp/qvengine.qvprj" into the globals' timeline and creates the player.
    explicit CQVFullPlayDlg(CQVEngineGlobals& globals);
    ~CQVFullPlayDlg() override;

protected:
    // A preview fails only when it could not start (bPreviewFailed was set); every other
    // end completes it.
    bool Succeeded() const override { return !m_bFailed; }
    // Also pauses the player first.
    void Destroy() override;
    void OnInitModal() override;
    void OnTimer(unsigned nId) override;
    intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam) override;

private:
    void StartPlaying();
    void TakeGraphEvents();

    bool m_bFailed = false;
    // The destroy handler stops the player's threads before the callbacks go.
    std::unique_ptr<CQVTimeLinePlayer> m_pPlayer;
};

} // namespace qv
