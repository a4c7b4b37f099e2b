// The preview player: the converter's front half played instead of encoded. It builds the
// preview graph (pictures into a child window of the owner window, sound to the sound
// device), runs it, and reports the current play time. The video callback composes each
// picture for its sample's own start time from the start position (SampleTiming), which
// the graph shows when the play clock reaches it.
//
// Calling order of the preview window: construct -> SetNotifyTarget(window, 0x7E8) ->
// SetOwnerWindow(host) -> Run (builds on first use) -> GetDeliveredSeconds every 100 ms ->
// on the notify message, take the events (1 complete, 2 user abort, 3 error abort) ->
// Pause -> destroy. Every operation runs on the preview window's thread.
#pragma once

#include "encode/CQVVideoConverter.h"
#include "preview/CQVPreviewGraph.h"

#include <memory>

namespace qv
{

class CVideoMixerUserCallback;
class CAudioMixerUserCallback;

// What the preview takes from the engine besides the converter's setup. Read at every build.
struct tagQVPreviewSetup
{
    int nWidth = 0; // the output frame size: the pictures' size
    int nHeight = 0;
    int32_t bShowPreview = 1; // the control block's flag: the window sits in the picture band
    int32_t b3D = 0;          // the project's 3D switch: the player shows no window then
    double dZoom = 1.0;       // the preview zoom factor
    int32_t* pPreviewFailed = nullptr; // bPreviewFailed of the control block, or null
};

// The video window's rectangle inside an owner window of W x H for pictures of the given
// size, and where the picture's top-left corner sits inside that window (*pPictureX,
// *pPictureY; may be null). With the preview shown and zoom 1 it is the owner's picture
// band, (1, 31) and (W - 2) x (H - 71), where the picture is drawn 1:1 and clipped; a band
// wider or taller than the picture (an owner kept usable for a small output) gets the
// window only where the picture is, centred in the band. An empty rectangle for a 3D project.
tagQVWindowRect PreviewWindowRect(int nOwnerWidth, int nOwnerHeight, int nPictureWidth,
                                  int nPictureHeight, int32_t b3D, int32_t bShowPreview,
                                  double dZoom, int* pPictureX = nullptr, int* pPictureY = nullptr);

class CQVTimeLinePlayer : public CQVVideoConverter
{
public:
    // The callbacks are not owned and must outlive the player; either may be null.
    CQVTimeLinePlayer(const tagQVConverterSetup& setup, const tagQVPreviewSetup& preview,
                      CVideoMixerUserCallback* pVideoCallback,
                      CAudioMixerUserCallback* pAudioCallback);
    ~CQVTimeLinePlayer() override; // Close()

    // The X11 window the pictures are shown in (0: none; the preview then plays unseen).
    void SetOwnerWindow(uint32_t hWindow) { m_hOwnerWindow = hWindow; }
    uint32_t OwnerWindow() const { return m_hOwnerWindow; }
    void SetPreviewSetup(const tagQVPreviewSetup& preview) { m_preview = preview; }

    // Seconds on the timeline where playing starts (0 at construction); a build moves it
    // back to 0 when it lies within 0.05 s of the end.
    void SetStartPosition(double dSeconds) { m_dStartPosition = dSeconds; }
    double StartPosition() const { return m_dStartPosition; }

    // Stopped or no graph: 0; otherwise ends the streaming and returns 0.
    int32_t Stop() override;
    // Running: 0. Paused: resumes. Stopped after an earlier run: builds again and runs.
    // No graph: BuildPreviewGraph, then runs it. When the build has not marked the graph
    // ready (bGraphRunning still 0), *pPreviewFailed becomes 1. Returns 0, the negative
    // build result, or -1.
    int32_t Run() override;
    // Paused or no graph: 0. Running: holds the clock, the sound and the pictures.
    int32_t Pause() override;
    // Tears the preview graph down: streaming ended, child window and sound device closed.
    int32_t Close() override;
    // The current play time in seconds: the clock plus the start position; 0.0 without a
    // graph.
    double GetDeliveredSeconds() override;
    // The samples' times: their start times after the start position.
    tagQVSampleTiming SampleTiming() const override;
    // The duration of the last build (D), 0.0 before it.
    double GetDuration() override { return m_dPreviewDuration; }

    // Builds the graph for the loaded project at 15 frames per second from the start
    // position to D, without running it, and sets *pGraphRunning to 1. Returns 0, -1 for a
    // duration that is not a number or above kMaxDuration, a kQVVideo... code of
    // CQVVideoRenderer.h when the owner window cannot take the pictures, or a negative
    // AVERROR.
    virtual int32_t BuildPreviewGraph();

    // What the running or last preview has shown.
    tagQVPreviewStats Stats();
    bool HasAudioDevice() const { return m_pPreview && m_pPreview->HasAudioDevice(); }
    // The child window that shows the pictures; 0 without one.
    uint32_t VideoWindow() const;

private:
    int32_t PreviewState() const;

    tagQVPreviewSetup m_preview;
    CVideoMixerUserCallback* m_pVideoMixer;
    CAudioMixerUserCallback* m_pAudioMixer;
    uint32_t m_hOwnerWindow = 0;
    double m_dStartPosition = 0.0;
    double m_dPreviewDuration = 0.0;
    std::unique_ptr<CQVPreviewGraph> m_pPreview;
};

} // namespace qv
