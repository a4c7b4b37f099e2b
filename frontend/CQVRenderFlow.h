// Renders the batch row by row through the engine: one engine process per row, the row's
// progress from the control block every second, the next row as soon as an engine has
// ended, and the batch's status for the window that shows it. Needs no window: it drives
// the batch model and asks its host (the main window, or a test) for the rest. Only the
// engine process this flow started is watched and stopped.
#pragma once

#include "frontend/BatchModel.h"
#include "frontend/JobFiles.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <string>
#include <utility>
#include <vector>

namespace qv
{

struct CQVFrontEndGlobals;

// What the render flow needs of the window that shows it.
class IQVRenderHost
{
public:
    virtual ~IQVRenderHost() = default;
    // The window's buttons, editing and drops follow the rendering state.
    virtual void RenderingChanged(bool bRendering) = 0;
    // The status lines; with a folder, a link that opens it follows the last line.
    virtual void ShowStatus(const QStringList& lines, const std::string& linkFolder) = 0;
    // A message box with an OK button; the flow goes on once it is closed.
    virtual void ShowMessage(const QString& strText) = 0;
    // The folder chooser, opened in the folder chosen last; empty when cancelled.
    virtual std::string ChooseTargetFolder(const std::string& lastFolder) = 0;
};

class CQVRenderFlow
{
public:
    static constexpr int kTickPeriodMs = 1000;
    // The settings-store value that remembers the folder chosen last.
    static constexpr const char* kSettingsKey = "Software\\Vantrel\\Render";
    static constexpr const char* kTargetFolderValue = "szTargetFolder";

    CQVRenderFlow(CQVBatchModel* pModel, IQVRenderHost* pHost, CQVFrontEndGlobals* pGlobals);
    ~CQVRenderFlow();

    // Render while idle: the folder chooser, then StartInFolder. Nothing for an empty list.
    void Start();
    // The batch into the folder, as after the chooser. False when nothing started (an empty
    // list or already rendering).
    bool StartInFolder(const std::string& folder);
    // Ends the engine this flow started and returns to idle.
    void Stop();
    bool IsRendering() const { return m_bRendering; }

    // One tick now (the timer, and an engine's end).
    void Tick();

    // Whether a batch ran or runs (its status is shown).
    bool HasStatus() const { return m_bHasStatus; }
    const std::string& TargetFolder() const { return m_targetFolder; }
    int OutputCounter() const { return m_nOutputCounter; }
    pid_t EnginePid() const { return m_engine.Pid(); }
    // The output path of the row sent last.
    const std::string& LastOutputPath() const { return m_lastOutputPath; }

private:
    void RenderRow(int nRow);
    // Sends the row to a started engine. False with the reason in words, and the text of a
    // message box to show once the row is marked, when there is one.
    bool SendRow(int nRow, QString* pReason, QString* pMessage);
    void RowFailed(int nRow, const QString& strReason);
    void ToIdle();
    void ShowProgress(double dPosition);
    void ShowSummary();
    QStringList FailureLines(int nMax) const;

    CQVBatchModel* m_pModel;
    IQVRenderHost* m_pHost;
    CQVFrontEndGlobals* m_pGlobals;
    CQVEngineProcess m_engine;
    QTimer m_tick;
    bool m_bRendering = false;
    bool m_bHasStatus = false;
    bool m_bStopped = false;
    std::string m_targetFolder;
    std::string m_extension;
    std::string m_lastOutputPath;
    int m_nOutputCounter = 0; // never reset while the flow lives
    int m_nCurrentId = 0;     // the row being rendered, by id (rows may not move meanwhile)
    bool m_bEngineSent = false;
    double m_dRowDuration = 0.0;

    // --- the batch's status
    QElapsedTimer m_batchClock;
    int m_nBatchCount = 0; // rows this batch renders (not finished at its start)
    int m_nBatchIndex = 0; // 1-based position of the current row among them
    int m_nFinished = 0;
    int m_nFailed = 0;
    double m_dBatchSeconds = 0.0; // timeline seconds of the counted rows
    double m_dDoneSeconds = 0.0;  // timeline seconds of the rows already ended
    double m_dElapsedAtEnd = 0.0;
    std::vector<std::pair<std::string, QString>> m_failures; // source path, reason
};

} // namespace qv
