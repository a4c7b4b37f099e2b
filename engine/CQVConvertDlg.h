// The conversion run's only window: a hidden message window that owns the job from the
// project load until the process ends. It waits for the front-end's go signal, has the
// converter build and run the graph, reports the position into the control block every
// 500 ms, and ends on the graph's completion or abort.
#pragma once

#include "engine/CQVJobWindow.h"

#include <memory>

namespace qv
{

class CQVVideoConverter;
class CQVLevelMapping;

class CQVConvertDlg : public CQVJobWindow
{
public:
    static constexpr unsigned kTimerPosition = 1; // 500 ms, while converting
    static constexpr unsigned kTimerGoSignal = 3; // 100 ms, until the start flag is seen
    static constexpr unsigned kMessageGraphEvent = 0x802;
    // The copy-data message quits an idle conversion window whatever it carries. The engine
    // keeps it because it is part of the window's message protocol, although nothing
    // reaches it here: message windows are per process, and the front-end ends an idle
    // engine through the control block instead.
    static constexpr unsigned kMessageCopyData = 0x004A;

    // Loads the project ("tmp/listctrl.qvprj" in single-file mode, else
    // "tmp/qvengine.qvprj") into the globals' timeline and creates the converter.
    explicit CQVConvertDlg(CQVEngineGlobals& globals);
    ~CQVConvertDlg() override;

protected:
    // Only a completed output file counts: the graph may still hold its output under a
    // temporary name.
    bool Succeeded() const override { return m_bCompleted; }
    // Also raises the engine-closed flag.
    void Destroy() override;
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

    bool m_bSingleFile = false;
    bool m_bCompleted = false;
    // The destroy handler stops the converter's threads before the callbacks and the
    // level queue they use go.
    std::unique_ptr<CQVLevelMapping> m_pLevels;
    std::unique_ptr<CQVVideoConverter> m_pConverter;
};

} // namespace qv
