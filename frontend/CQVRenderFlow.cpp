#include "frontend/CQVRenderFlow.h"

#include "formats/OutputTypes.h"
#include "formats/WindowsMediaProfile.h"
#include "frontend/BatchLogic.h"
#include "frontend/FrontEndGlobals.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"

#include <algorithm>

namespace qv
{

CQVRenderFlow::CQVRenderFlow(CQVBatchModel* pModel, IQVRenderHost* pHost,
                             CQVFrontEndGlobals* pGlobals)
    : m_pModel(pModel), m_pHost(pHost), m_pGlobals(pGlobals)
{
    m_tick.setInterval(kTickPeriodMs);
    QObject::connect(&m_tick, &QTimer::timeout, [this] { Tick(); });
    // The next row starts as soon as the engine has ended; the tick is for the percentage.
    m_engine.SetEndedHandler([this] { Tick(); });
}

CQVRenderFlow::~CQVRenderFlow()
{
    m_engine.Stop();
}

void CQVRenderFlow::Start()
{
    if (m_bRendering || m_pModel->Count() == 0)
        return;
    std::string lastFolder;
    CQVSettingsStore::GetString(kSettingsKey, kTargetFolderValue, &lastFolder);
    const std::string folder = m_pHost->ChooseTargetFolder(lastFolder);
    if (!folder.empty())
        StartInFolder(folder);
}

bool CQVRenderFlow::StartInFolder(const std::string& folder)
{
    if (m_bRendering || m_pModel->Count() == 0 || folder.empty())
        return false;
    m_targetFolder = WithTrailingSeparator(folder);
    CQVSettingsStore::SetString(kSettingsKey, kTargetFolderValue, m_targetFolder);

    m_bRendering = true;
    m_bHasStatus = true;
    m_bStopped = false;
    m_pHost->RenderingChanged(true);
    m_extension = OutputExtension(m_pGlobals->outputSettings.Current().nOutputFormat);

    m_nBatchCount = m_nBatchIndex = m_nFinished = m_nFailed = 0;
    m_dBatchSeconds = m_dDoneSeconds = 0.0;
    m_failures.clear();
    for (int nRow = 0; nRow < m_pModel->Count(); ++nRow)
    {
        const tagQVBatchRow& row = *m_pModel->Row(nRow);
        if (row.eState == ERowState::Finished)
            continue;
        ++m_nBatchCount;
        if (row.eState == ERowState::Missing)
            continue;
        m_dBatchSeconds += JobDuration(JobOfRow(row).item);
        // Rows that wait for their turn read "Ready", failed ones included.
        m_pModel->SetState(nRow, ERowState::Ready);
    }
    m_batchClock.start();
    m_tick.start();
    RenderRow(0);
    return true;
}

void CQVRenderFlow::RenderRow(int nRow)
{
    for (; m_bRendering && nRow < m_pModel->Count(); ++nRow)
    {
        const tagQVBatchRow& row = *m_pModel->Row(nRow);
        if (row.eState == ERowState::Finished)
            continue;
        ++m_nBatchIndex;
        m_nCurrentId = row.nId;
        m_bEngineSent = false;
        if (row.eState == ERowState::Missing)
        {
            // A source that has gone is never sent: Render fails it with that reason.
            RowFailed(nRow, QStringLiteral("the source file is missing"));
            continue;
        }
        QString strReason, strMessage;
        if (SendRow(nRow, &strReason, &strMessage))
        {
            m_bEngineSent = true;
            m_pModel->SetEngine(nRow, m_engine.Pid(), m_lastOutputPath);
            m_pModel->SetProgress(nRow, 0.0);
            ShowProgress(0.0);
            return;
        }
        RowFailed(nRow, strReason);
        // The tick goes on inside the box's loop; with no engine sent it leaves the row be.
        if (!strMessage.isEmpty())
            m_pHost->ShowMessage(strMessage);
    }
    if (m_bRendering)
        ToIdle();
}

bool CQVRenderFlow::SendRow(int nRow, QString* pReason, QString* pMessage)
{
    CQVFrontEndGlobals& globals = *m_pGlobals;
    const tagQVRowJob job = JobOfRow(*m_pModel->Row(nRow));
    globals.SetOutputSize(job.size.nWidth, job.size.nHeight);

    tagQVOutputSettings& record = globals.outputSettings.Current();
    // Both Windows Media types take their size and codecs from the profile: a row of either
    // writes its own, or the engine would use whatever an earlier row left.
    if (record.nOutputFormat == kOutputWmv || record.nOutputFormat == kOutputAsf)
    {
        std::string message;
        // The profile carries the rate: "Same as source" needs the source's.
        const tagQVBatchRow& row = *m_pModel->Row(nRow);
        const tagQVSourceFrameRates source = {row.dFrameRate, row.dAverageFrameRate};
        if (!BuildWmvProfile(record, globals.TempPath("wmv.prx"), &message, source))
        {
            *pMessage = QStringLiteral("Save Wmv Profile Failed!");
            *pReason = QStringLiteral("the Windows Media profile could not be saved");
            return false;
        }
    }

    // The engine would fail such a job; the row says why instead of a bare exit status.
    if (const int32_t nMinSide = MinOutputSide(record.nOutputFormat);
        job.size.nWidth < nMinSide || job.size.nHeight < nMinSide)
    {
        *pReason = QStringLiteral("AV1 needs a picture of at least %1 × %1 pixels; this one is "
                                  "%2 × %3")
                       .arg(nMinSide)
                       .arg(job.size.nWidth)
                       .arg(job.size.nHeight);
        return false;
    }

    // The counter moves only for a file the engine gets: a refused row uses no number.
    int nCounter = m_nOutputCounter;
    const std::string outputPath =
        NextFreeOutputPath(m_targetFolder, &nCounter, job.item.source, m_extension);
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
    if (!WriteJobFiles(job.item, globals.JobContext(), &m_dRowDuration, &failedFile))
    {
        *pReason =
            QStringLiteral("%1 could not be written").arg(QString::fromStdString(failedFile));
        return false;
    }
    if (!m_engine.Start(globals.programFolder))
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
    const tagQVBatchRow row = *m_pModel->Row(nRow);
    m_pModel->SetState(nRow, ERowState::Failed, strReason.toStdString());
    m_failures.emplace_back(row.source, strReason);
    ++m_nFailed;
    // A failed row's length is work the batch no longer has: counting it as done would make
    // the rows left look faster than they are.
    if (row.eState != ERowState::Missing)
        m_dBatchSeconds = std::max(0.0, m_dBatchSeconds - JobDuration(JobOfRow(row).item));
}

void CQVRenderFlow::Tick()
{
    if (!m_bRendering || !m_bEngineSent)
        return;
    const int nRow = m_pModel->IndexOf(m_nCurrentId);
    const SharedControlBlock* pBlock = m_pGlobals->controlBlock.Block();
    const int32_t nState = pBlock ? pBlock->nState : kStateIdle;
    if (m_engine.IsRunning())
    {
        // The engine writes nState 0 just before it ends; its exit status decides the row.
        if (nState != kStateIdle && pBlock)
        {
            const double dPercent =
                m_dRowDuration > 0 ? pBlock->dPosition * 100.0 / m_dRowDuration : 0.0;
            m_pModel->SetProgress(nRow, dPercent);
            ShowProgress(pBlock->dPosition);
        }
        return;
    }
    const int nStatus = m_engine.LastExitStatus();
    m_bEngineSent = false;
    m_pModel->SetEngine(nRow, 0, m_lastOutputPath);
    if (nStatus == kEngineCompleted && nState == kStateIdle)
    {
        m_pModel->SetState(nRow, ERowState::Finished);
        ++m_nFinished;
        m_dDoneSeconds += m_dRowDuration;
    }
    else
    {
        const QString strReason =
            nStatus == kEngineCompleted
                ? QStringLiteral("the engine ended without finishing the file")
                : QString::fromStdString(CQVEngineProcess::DescribeExit(nStatus));
        RowFailed(nRow, strReason);
    }
    RenderRow(nRow + 1);
}

void CQVRenderFlow::Stop()
{
    if (!m_bRendering)
        return;
    m_engine.Stop();
    const int nRow = m_pModel->IndexOf(m_nCurrentId);
    if (m_bEngineSent)
        m_pModel->SetEngine(nRow, 0, m_lastOutputPath);
    m_bEngineSent = false;
    m_bStopped = true;
    ToIdle();
}

void CQVRenderFlow::ToIdle()
{
    m_tick.stop();
    m_bRendering = false;
    m_dElapsedAtEnd = m_batchClock.isValid() ? m_batchClock.elapsed() / 1000.0 : 0.0;
    for (int nRow = 0; nRow < m_pModel->Count(); ++nRow)
        if (m_pModel->Row(nRow)->eState == ERowState::Rendering)
            m_pModel->SetState(nRow, ERowState::Ready);
    m_nCurrentId = 0;
    m_pHost->RenderingChanged(false);
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
    const tagQVBatchRow* pRow = m_pModel->Row(m_pModel->IndexOf(m_nCurrentId));
    const double dElapsed = m_batchClock.elapsed() / 1000.0;
    const double dLeft = EstimateSecondsLeft(m_dDoneSeconds + dPosition, m_dBatchSeconds, dElapsed);
    QStringList lines;
    lines << RenderingLine(m_nBatchIndex, m_nBatchCount,
                           QString::fromStdString(FileNamePart(pRow ? pRow->source : "")))
          << ProgressLine(dElapsed, dLeft) << FailureLines(2);
    m_pHost->ShowStatus(lines, std::string());
}

void CQVRenderFlow::ShowSummary()
{
    QStringList lines = FailureLines(3);
    QString strSummary = SummaryLine(m_nFinished, m_nFailed, m_dElapsedAtEnd);
    if (m_bStopped)
        strSummary = QStringLiteral("Stopped: ") + strSummary;
    lines << strSummary;
    m_pHost->ShowStatus(lines, m_targetFolder);
}

} // namespace qv
