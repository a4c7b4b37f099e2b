// Renders the main window's list file by file through the engine: one engine process per
// row, the row's progress from the control block every second, and the batch's status in
// the message strip. Only the engine process this flow started is watched and stopped.
#pragma once

#include "frontend/JobFiles.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <string>

namespace qv
{

class CQVMainDlg;

class CQVRenderFlow
{
public:
    static constexpr unsigned kTimerTick = 1;
    static constexpr unsigned kTickPeriodMs = 1000;
    // The settings-store value that remembers the folder chosen last.
    static constexpr const char* kSettingsKey = "Software\\Vantrel\\Render";
    static constexpr const char* kTargetFolderValue = "szTargetFolder";

    explicit CQVRenderFlow(CQVMainDlg* pDialog);
    ~CQVRenderFlow();

    // Render while idle: the folder chooser, then StartInFolder. Nothing for an empty list.
    void Start();
    // The batch into the folder, as after the chooser. False when nothing started (an empty
    // list or already rendering).
    bool StartInFolder(const std::string& folder);
    // Ends the engine this flow started and returns the window to idle.
    void Stop();
    bool IsRendering() const { return m_bRendering; }

    // The main window's timer; true when it was this flow's.
    bool OnTimer(unsigned nId);
    // One tick now (tests and the timer).
    void Tick();

    // Whether the strip shows this flow's status (a batch ran or runs).
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
    void Advance();
    void ToIdle();
    void ShowProgress(double dPosition);
    void ShowSummary();
    QStringList FailureLines(int nMax) const;

    CQVMainDlg* m_pDialog;
    CQVEngineProcess m_engine;
    bool m_bRendering = false;
    bool m_bHasStatus = false;
    bool m_bStopped = false;
    std::string m_targetFolder;
    std::string m_extension;
    std::string m_lastOutputPath;
    int m_nOutputCounter = 0; // never reset while the window lives
    int m_nCurrentRow = -1;
    bool m_bEngineSent = false; // an engine was started for the current row
    double m_dRowDuration = 0.0;

    // --- the batch's status
    QElapsedTimer m_batchClock;
    int m_nBatchCount = 0; // rows this batch renders (not "Finish" at its start)
    int m_nBatchIndex = 0; // 1-based position of the current row among them
    int m_nFinished = 0;
    int m_nFailed = 0;
    double m_dBatchSeconds = 0.0; // timeline seconds of the counted rows
    double m_dDoneSeconds = 0.0;  // timeline seconds of the rows already ended
    double m_dElapsedAtEnd = 0.0;
    std::vector<std::pair<std::string, QString>> m_failures; // source path, reason
};

} // namespace qv
