#include "frontend/CQVRenderFlow.h"

#include "encode/OutputTypes.h"
#include "encode/WindowsMediaProfile.h"
#include "frontend/BatchLogic.h"
#include "frontend/CQVMainDlg.h"
#include "frontend/CQVMessageStrip.h"
#include "frontend/FrontEndGlobals.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "ui/CQVListCtrl.h"
#include "ui/CQVMessageDlg.h"

#include <QDesktopServices>
#include <algorithm>
#include <QFileDialog>
#include <QUrl>

namespace qv
{

CQVRenderFlow::CQVRenderFlow(CQVMainDlg* pDialog) : m_pDialog(pDialog)
{
    // The next row starts as soon as the engine has ended; the tick is for the percentage.
    m_engine.SetEndedHandler([this] { Tick(); });
}

CQVRenderFlow::~CQVRenderFlow()
{
    m_engine.Stop();
}

void CQVRenderFlow::Start()
{
    CQVListCtrl* pList = m_pDialog->FileList();
    if (m_bRendering || !pList || pList->GetRowCount() == 0)
        return;
    std::string lastFolder;
    CQVSettingsStore::GetString(kSettingsKey, kTargetFolderValue, &lastFolder);
    const QString strFolder = QFileDialog::getExistingDirectory(
        m_pDialog->GetWidget(), QStringLiteral("Please choose the target folder:"),
        QString::fromStdString(lastFolder), QFileDialog::ShowDirsOnly);
    if (strFolder.isEmpty())
        return;
    StartInFolder(strFolder.toStdString());
}

bool CQVRenderFlow::StartInFolder(const std::string& folder)
{
    CQVListCtrl* pList = m_pDialog->FileList();
    if (m_bRendering || !pList || pList->GetRowCount() == 0 || folder.empty())
        return false;
    m_targetFolder = WithTrailingSeparator(folder);
    CQVSettingsStore::SetString(kSettingsKey, kTargetFolderValue, m_targetFolder);

    m_bRendering = true;
    m_bHasStatus = true;
    m_bStopped = false;
    m_pDialog->SetRenderingState(true);
    m_extension = OutputExtension(FrontEndGlobals().outputSettings.Current().nOutputFormat);

    m_nBatchCount = m_nBatchIndex = m_nFinished = m_nFailed = 0;
    m_dBatchSeconds = m_dDoneSeconds = 0.0;
    m_failures.clear();
    for (int nRow = 0; nRow < pList->GetRowCount(); ++nRow)
    {
        const QStringList cells = m_pDialog->RowCells(nRow);
        if (IsFinishedState(cells[kColumnState]))
            continue;
        ++m_nBatchCount;
        m_dBatchSeconds += JobDuration(JobRowFromCells(cells));
        // Rows that wait for their turn read "Ready", failed ones included.
        m_pDialog->SetRowState(nRow, QString::fromLatin1(kStateReady), 0);
    }
    m_batchClock.start();
    m_pDialog->SetTimer(kTimerTick, kTickPeriodMs);
    RenderRow(0);
    return true;
}

void CQVRenderFlow::RenderRow(int nRow)
{
    CQVListCtrl* pList = m_pDialog->FileList();
    for (; m_bRendering && nRow < pList->GetRowCount(); ++nRow)
    {
        const QStringList cells = m_pDialog->RowCells(nRow);
        if (IsFinishedState(cells[kColumnState]))
            continue;
        ++m_nBatchIndex;
        m_nCurrentRow = nRow;
        m_bEngineSent = false;
        QString strReason, strMessage;
        if (SendRow(nRow, &strReason, &strMessage))
        {
            m_bEngineSent = true;
            m_pDialog->SetRowState(nRow, QString::asprintf("%3.3lf%%", 0.0), 0);
            ShowProgress(0.0);
            return;
        }
        RowFailed(nRow, strReason);
        // The tick goes on inside the box's loop; with no engine sent it leaves the row be.
        if (!strMessage.isEmpty())
            ShowMessageBox(strMessage, 0, m_pDialog);
    }
    if (m_bRendering)
        ToIdle();
}

bool CQVRenderFlow::SendRow(int nRow, QString* pReason, QString* pMessage)
{
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    const QStringList cells = m_pDialog->RowCells(nRow);
    const tagQVJobRow row = JobRowFromCells(cells);
    ApplyOutputSize(RowCropFromCells(cells));

    tagQVOutputSettings& record = globals.outputSettings.Current();
    // Both Windows Media types take their size and codecs from the profile: a row of either
    // writes its own, or the engine would use whatever an earlier row left.
    if (record.nOutputFormat == kOutputWmv || record.nOutputFormat == kOutputAsf)
    {
        std::string message;
        if (!BuildWmvProfile(record, globals.TempPath("wmv.prx"), &message))
        {
            *pMessage = QStringLiteral("Save Wmv Profile Failed!");
            *pReason = QStringLiteral("the Windows Media profile could not be saved");
            return false;
        }
    }

    // The counter moves only for a file the engine gets: a refused row uses no number.
    int nCounter = m_nOutputCounter;
    const std::string outputPath =
        NextFreeOutputPath(m_targetFolder, &nCounter, row.source, m_extension);
    if (!FitsBlockPath(outputPath))
    {
        *pMessage = QStringLiteral("The output path is too long (at most 259 characters):\n%1")
                        .arg(QString::fromStdString(outputPath));
        *pReason = QStringLiteral("the output path is too long");
        return false;
    }
    if (!globals.controlBlock.StartConversion(outputPath, record.nPresetIndex))
    {
        *pReason = QStringLiteral("the control block could not be written");
        return false;
    }
    std::string failedFile;
    if (!WriteJobFiles(row, &m_dRowDuration, &failedFile))
    {
        *pReason =
            QStringLiteral("%1 could not be written").arg(QString::fromStdString(failedFile));
        return false;
    }
    if (!m_engine.Start())
    {
        *pReason = QStringLiteral("the engine could not be started");
        return false;
    }
    m_nOutputCounter = nCounter;
    m_lastOutputPath = outputPath;
    return true;
}

void CQVRenderFlow::RowFailed(int nRow, const QString& strReason)
{
    m_pDialog->SetRowState(nRow, QString::fromLatin1(kStateFailed), 0);
    m_pDialog->FileList()->SetCellToolTip(kColumnState, nRow,
                                          QStringLiteral("Failed: %1").arg(strReason));
    const QStringList cells = m_pDialog->RowCells(nRow);
    m_failures.emplace_back(cells.value(kColumnFile).toStdString(), strReason);
    ++m_nFailed;
    // A failed row's length is work the batch no longer has: counting it as done would make
    // the rows left look faster than they are.
    m_dBatchSeconds = std::max(0.0, m_dBatchSeconds - JobDuration(JobRowFromCells(cells)));
}

bool CQVRenderFlow::OnTimer(unsigned nId)
{
    if (nId != kTimerTick)
        return false;
    Tick();
    return true;
}

void CQVRenderFlow::Tick()
{
    if (!m_bRendering || !m_bEngineSent)
        return;
    const SharedControlBlock* pBlock = FrontEndGlobals().controlBlock.Block();
    const int32_t nState = pBlock ? pBlock->nState : kStateIdle;
    if (m_engine.IsRunning())
    {
        // The engine writes nState 0 just before it ends; its exit status decides the row.
        if (nState != kStateIdle && pBlock)
        {
            const double dPercent =
                m_dRowDuration > 0 ? pBlock->dPosition * 100.0 / m_dRowDuration : 0.0;
            m_pDialog->SetRowState(m_nCurrentRow, QString::asprintf("%3.3lf%%", dPercent),
                                   dPercent);
            ShowProgress(pBlock->dPosition);
        }
        return;
    }
    const int nStatus = m_engine.LastExitStatus();
    if (nStatus == kEngineCompleted && nState == kStateIdle)
    {
        m_pDialog->SetRowState(m_nCurrentRow, QString::fromLatin1(kStateFinish), 100);
        ++m_nFinished;
        m_dDoneSeconds += m_dRowDuration;
    }
    else
    {
        const QString strReason =
            nStatus == kEngineCompleted
                ? QStringLiteral("the engine ended without finishing the file")
                : QString::fromStdString(CQVEngineProcess::DescribeExit(nStatus));
        RowFailed(m_nCurrentRow, strReason);
    }
    m_bEngineSent = false;
    Advance();
}

void CQVRenderFlow::Advance()
{
    RenderRow(m_nCurrentRow + 1);
}

void CQVRenderFlow::Stop()
{
    if (!m_bRendering)
        return;
    m_engine.Stop();
    m_bStopped = true;
    ToIdle();
}

void CQVRenderFlow::ToIdle()
{
    m_pDialog->KillTimer(kTimerTick);
    m_bRendering = false;
    m_dElapsedAtEnd = m_batchClock.isValid() ? m_batchClock.elapsed() / 1000.0 : 0.0;
    CQVListCtrl* pList = m_pDialog->FileList();
    for (int nRow = 0; pList && nRow < pList->GetRowCount(); ++nRow)
    {
        const QString strState = pList->GetCellText(kColumnState, nRow);
        if (!IsFinishedState(strState) && !IsFailedState(strState))
            m_pDialog->SetRowState(nRow, QString::fromLatin1(kStateReady), 0);
    }
    m_nCurrentRow = -1;
    m_pDialog->SetRenderingState(false);
    ShowSummary();
}

QStringList CQVRenderFlow::FailureLines(int nMax) const
{
    QStringList lines;
    const int nFirst = std::max(0, static_cast<int>(m_failures.size()) - nMax);
    for (size_t i = static_cast<size_t>(nFirst); i < m_failures.size(); ++i)
        lines << QStringLiteral("Failed: %1 \u2014 %2")
                     .arg(QString::fromStdString(FileNamePart(m_failures[i].first)),
                          m_failures[i].second);
    return lines;
}

void CQVRenderFlow::ShowProgress(double dPosition)
{
    CQVMessageStrip* pStrip = m_pDialog->MessageStrip();
    if (!pStrip)
        return;
    const QStringList cells = m_pDialog->RowCells(m_nCurrentRow);
    const double dElapsed = m_batchClock.elapsed() / 1000.0;
    const double dLeft = EstimateSecondsLeft(m_dDoneSeconds + dPosition, m_dBatchSeconds, dElapsed);
    QStringList lines;
    lines << RenderingLine(
                 m_nBatchIndex, m_nBatchCount,
                 QString::fromStdString(FileNamePart(cells.value(kColumnFile).toStdString())))
          << ProgressLine(dElapsed, dLeft) << FailureLines(2);
    pStrip->SetLines(lines);
}

void CQVRenderFlow::ShowSummary()
{
    CQVMessageStrip* pStrip = m_pDialog->MessageStrip();
    if (!pStrip)
        return;
    QStringList lines = FailureLines(3);
    QString strSummary = SummaryLine(m_nFinished, m_nFailed, m_dElapsedAtEnd);
    if (m_bStopped)
        strSummary = QStringLiteral("Stopped: ") + strSummary;
    lines << strSummary;
    const std::string folder = m_targetFolder;
    CQVMainDlg* pDialog = m_pDialog;
    pStrip->SetLinesWithLink(
        lines, QStringLiteral("Open the target folder"),
        [folder, pDialog]()
        {
            if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder))))
                ShowMessageBox(QStringLiteral("No file manager could open the folder:\n%1")
                                   .arg(QString::fromStdString(folder)),
                               0, pDialog);
        });
}

} // namespace qv
