// What the engine's two job windows (the conversion and the preview) share: the globals,
// the project read into their timeline, and the mixer callbacks that compose the pictures
// and the sound for their graph.
#pragma once

#include "engine/EngineGlobals.h"
#include "platform/CQVMessageWindow.h"

#include <memory>
#include <string>

namespace qv
{

class CVideoMixerUserCallback;
class CAudioMixerUserCallback;
class CQVMediaEventQueue;
class IQVItemEffects;

class CQVJobWindow : public CQVMessageWindow
{
public:
    static constexpr int kQuitCode = 18;

    explicit CQVJobWindow(CQVEngineGlobals& globals);
    ~CQVJobWindow() override;

    // The effects drawn into composed pictures (colour adjustment, moving mask); not
    // owned, must outlive Run. Null draws pictures unchanged.
    void SetEffects(IQVItemEffects* pEffects);

    // Runs the job to its end, then tears everything down as the destroy handler does.
    // Returns the engine's exit status: kEngineCompleted when the job succeeded, else
    // kEngineFailed.
    int Run();

protected:
    // Whether the job that just ended succeeded, asked before the teardown.
    virtual bool Succeeded() const = 0;
    // The destroy handler: stops the graph, releases the callbacks and the project, and
    // unmaps the block. Safe to call twice; the windows' destructors call it.
    virtual void Destroy() = 0;

    // Reads the project at the path into the globals' timeline (the engine's lines; an
    // unreadable project leaves them empty) and, when it was read, takes its output size
    // and play scale. Returns whether it was read.
    bool ReadProject(const std::string& path, int32_t bPreviewRun);
    // Takes the graph's queued events, freeing each one, until one ends the stream
    // (complete, user abort, error abort), which it returns; 0 when none did.
    static int32_t TakeEndEvent(CQVMediaEventQueue* pEvents);

    CQVEngineGlobals& m_globals;
    bool m_bProjectLoaded = false;
    bool m_bDestroyed = false;
    // Released by the windows' destroy handlers after the graph that calls them.
    std::unique_ptr<CVideoMixerUserCallback> m_pVideoCallback;
    std::unique_ptr<CAudioMixerUserCallback> m_pAudioCallback;
};

} // namespace qv
