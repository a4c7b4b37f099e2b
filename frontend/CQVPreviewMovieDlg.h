// The preview dialog: the engine shows the row's pictures in a window of its own inside
// this dialog's picture band, at (1, 31) and (W - 2) x (H - 71); the dialog shows the play
// position against the length and lets the user stop and play again. Each play starts a
// new engine process, which this dialog alone ends (by the id it started). The block's
// preview order (PreviewRow) comes before the dialog opens. GUI thread only.
#pragma once

#include "frontend/JobFiles.h"
#include "ui/CQVDialogBase.h"

#include <memory>

namespace qv
{

class CQVProgress;
class CQVWaitingThread;

class CQVPreviewMovieDlg : public CQVDialogBase
{
public:
    enum : int
    {
        kIdPlayStop = 16, // image button (kind 0)
        kIdTime = 17,     // static (kind 13)
        kIdProgress = 18, // progress bar (kind 4)
    };
    static constexpr unsigned kTimerPosition = 1; // 100 ms, while playing
    static constexpr unsigned kTimerWaiting = 2;  // 500 ms, until the first picture

    // dPlayScale: the scale the project tells the engine to draw at (PreviewPlayScale); the
    // dialog is sized for the picture at that scale, the title keeps the output size.
    explicit CQVPreviewMovieDlg(CQVPlatformWindow* pParent = nullptr, double dPlayScale = 1.0);
    ~CQVPreviewMovieDlg() override; // no engine process of this dialog outlives it

    // The button shows "Stop" (an engine was started and has not been seen to end).
    bool IsPlaying() const { return m_bPlaying; }
    CQVButton* PlayButton() const;
    CQVButton* TimeText() const;
    CQVProgress* ProgressBar() const;
    // The waiting indicator of the current start; null once it was told to quit.
    CQVWaitingThread* WaitingThread() const { return m_pWaiting.get(); }
    // The engine process this dialog runs; -1 for none.
    pid_t EnginePid() const { return m_engine.Pid(); }

protected:
    void OnInitDialog() override;
    void CreateControls() override;
    void LayoutControls() override;
    void DrawBackground(QPainter* pGraphics) override;
    bool OnCommand(unsigned nId, intptr_t lParam) override;
    void OnTimer(unsigned nId) override;
    // Everything but the close, "Exit" and play/stop buttons drags the window, the picture
    // band too: presses on the engine's window reach this one.
    bool IsCaptionPoint(QPoint pt) const override;
    void OnOK() override;
    void OnCancel() override;

private:
    bool StartEngine();
    void StartWaiting();
    void QuitWaiting();
    void EndPreview();
    void ShowPosition(double dSeconds);
    void ShowButton(bool bPlaying);
    void TogglePlay();
    // The engine process has ended, or the block says the preview has.
    bool PreviewEnded();

    CQVEngineProcess m_engine;
    std::unique_ptr<CQVWaitingThread> m_pWaiting;  // none once told to quit
    std::unique_ptr<CQVWaitingThread> m_pQuitting; // told to quit, kept until its window goes
    bool m_bPlaying = false;
    double m_dPlayScale = 1.0;
};

} // namespace qv
