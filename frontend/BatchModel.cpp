#include "frontend/BatchModel.h"

#include "frontend/FileListColumns.h"
#include "probe/MediaInfoProbe.h"

#include <algorithm>

namespace qv
{

namespace
{

QString Fixed2(double d)
{
    return QString::asprintf("%3.2lf", d);
}

} // namespace

tagQVBatchRow NewBatchRow(const std::string& path, const tagQVMediaInfo& info)
{
    tagQVBatchRow row;
    row.source = path;
    row.dDuration = info.dDuration;
    row.nSourceWidth = info.nWidth;
    row.nSourceHeight = info.nHeight;
    row.bHasVideo = info.bHasVideo;
    row.bHasAudio = info.bHasAudio;
    row.turn = info.turn;
    row.dFrameRate = info.dFrameRate;
    row.dAverageFrameRate = info.dAverageFrameRate;
    row.nCropWidth = row.nNewWidth = info.nWidth;
    row.nCropHeight = row.nNewHeight = info.nHeight;
    // The list shows the duration with two decimals, and the end is that text's value.
    row.dEndTime = CellDouble(Fixed2(info.dDuration));
    return row;
}

tagQVRowCrop CropOfBatchRow(const tagQVBatchRow& row)
{
    tagQVRowCrop crop;
    crop.nSourceWidth = row.nSourceWidth;
    crop.nSourceHeight = row.nSourceHeight;
    if (row.bCropEnabled)
    {
        crop.nCropX = row.nCropX;
        crop.nCropY = row.nCropY;
        crop.nCropWidth = row.nCropWidth;
        crop.nCropHeight = row.nCropHeight;
    }
    else
    {
        crop.nCropWidth = row.nSourceWidth;
        crop.nCropHeight = row.nSourceHeight;
    }
    return crop;
}

tagQVRowJob JobOfRow(const tagQVBatchRow& row)
{
    tagQVRowJob job;
    tagQVJobRow& item = job.item;
    item.source = row.source;
    item.dDuration = row.dDuration;
    item.dStartTime = row.dStartTime;
    item.dEndTime = row.dEndTime;
    item.dAudioDelay = row.dAudioDelay;
    item.dVoiceScale = row.dVoiceScale;
    item.dPlaybackRate = row.dPlaybackRate;
    item.bHadAudio = row.bHasAudio;
    item.nVideoWidth = row.nSourceWidth;
    item.nVideoHeight = row.nSourceHeight;
    const tagQVRowCrop crop = CropOfBatchRow(row);
    item.bCropped = CropOfRow(crop, &item.crop);
    job.size = OutputSizeOfRow(crop);
    return job;
}

QString RowStateText(const tagQVBatchRow& row)
{
    switch (row.eState)
    {
    case ERowState::Rendering:
        return QString::asprintf("%3.3lf%%", row.dPercent);
    case ERowState::Finished:
        return QString::fromLatin1(kStateFinish);
    case ERowState::Failed:
        return QString::fromLatin1(kStateFailed);
    case ERowState::Missing:
        return QString::fromLatin1(kStateMissing);
    case ERowState::Ready:
        break;
    }
    return QString::fromLatin1(kStateReady);
}

QString RowCellText(const tagQVBatchRow& row, int nColumn)
{
    const tagQVRowCrop crop = CropOfBatchRow(row);
    switch (nColumn)
    {
    case kColumnFile:
        return QString::fromStdString(row.source);
    case kColumnState:
        return RowStateText(row);
    case kColumnDuration:
        return Fixed2(row.dDuration);
    case kColumnStart:
        return Fixed2(row.dStartTime);
    case kColumnEnd:
        return Fixed2(row.dEndTime);
    case kColumnSyncAudio:
        return Fixed2(row.dAudioDelay);
    case kColumnVolume:
        return Fixed2(row.dVoiceScale);
    case kColumnSpeed:
        return Fixed2(row.dPlaybackRate);
    case kColumnNewWidth:
        return QString::number(row.nNewWidth);
    case kColumnNewHeight:
        return QString::number(row.nNewHeight);
    case kColumnCropX:
        return QString::number(crop.nCropX);
    case kColumnCropY:
        return QString::number(crop.nCropY);
    case kColumnCropWidth:
        return QString::number(crop.nCropWidth);
    case kColumnCropHeight:
        return QString::number(crop.nCropHeight);
    case kColumnHasVideo:
        return QString::number(row.bHasVideo);
    case kColumnHasAudio:
        return QString::number(row.bHasAudio);
    case kColumnSourceWidth:
        return QString::number(row.nSourceWidth);
    case kColumnSourceHeight:
        return QString::number(row.nSourceHeight);
    default:
        return QString();
    }
}

bool EditRowCell(tagQVBatchRow* pRow, int nColumn, const QString& strText)
{
    const double d = CellDouble(strText);
    const int32_t n = CellInt(strText);
    auto setCrop = [pRow](int nIndex, int32_t nValue)
    {
        // An edit of one side starts from the crop as shown.
        const tagQVRowCrop crop = CropOfBatchRow(*pRow);
        int32_t values[4] = {crop.nCropX, crop.nCropY, crop.nCropWidth, crop.nCropHeight};
        values[nIndex] = nValue;
        pRow->bCropEnabled = 1;
        pRow->nCropX = values[0];
        pRow->nCropY = values[1];
        pRow->nCropWidth = values[2];
        pRow->nCropHeight = values[3];
    };
    switch (nColumn)
    {
    case kColumnStart:
        pRow->dStartTime = d;
        return true;
    case kColumnEnd:
        pRow->dEndTime = d;
        return true;
    case kColumnSyncAudio:
        pRow->dAudioDelay = d;
        return true;
    case kColumnVolume:
        pRow->dVoiceScale = d;
        return true;
    case kColumnSpeed:
        pRow->dPlaybackRate = d;
        return true;
    case kColumnNewWidth:
        pRow->nNewWidth = n;
        return true;
    case kColumnNewHeight:
        pRow->nNewHeight = n;
        return true;
    case kColumnCropX:
    case kColumnCropY:
    case kColumnCropWidth:
    case kColumnCropHeight:
        setCrop(nColumn - kColumnCropX, n);
        return true;
    default:
        return false;
    }
}

const tagQVBatchRow* CQVBatchModel::Row(int nRow) const
{
    return nRow >= 0 && nRow < Count() ? &m_rows[static_cast<size_t>(nRow)] : nullptr;
}

int CQVBatchModel::IndexOf(int nId) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_rows[static_cast<size_t>(i)].nId == nId)
            return i;
    return -1;
}

void CQVBatchModel::Changed(EChange eChange, int nRow)
{
    for (const Listener& listener : m_listeners)
        listener(eChange, nRow);
}

void CQVBatchModel::BackToReady(tagQVBatchRow* pRow)
{
    if (pRow->eState == ERowState::Missing)
        return;
    pRow->eState = ERowState::Ready;
    pRow->dPercent = 0.0;
    pRow->reason.clear();
}

int CQVBatchModel::Append(tagQVBatchRow row)
{
    row.nId = m_nNextId++;
    m_rows.push_back(std::move(row));
    Changed(kRowsChanged, Count() - 1);
    return Count() - 1;
}

void CQVBatchModel::AppendRows(std::vector<tagQVBatchRow> rows)
{
    if (rows.empty())
        return;
    for (tagQVBatchRow& row : rows)
    {
        row.nId = m_nNextId++;
        m_rows.push_back(std::move(row));
    }
    Changed(kRowsChanged, -1);
}

void CQVBatchModel::Replace(std::vector<tagQVBatchRow> rows)
{
    m_rows = std::move(rows);
    for (tagQVBatchRow& row : m_rows)
        row.nId = m_nNextId++;
    Changed(kRowsChanged, -1);
}

bool CQVBatchModel::Remove(int nRow)
{
    if (!Row(nRow))
        return false;
    m_rows.erase(m_rows.begin() + nRow);
    Changed(kRowsChanged, nRow);
    return true;
}

void CQVBatchModel::Clear()
{
    m_rows.clear();
    Changed(kRowsChanged, -1);
}

bool CQVBatchModel::MoveUp(int nRow)
{
    if (!Row(nRow) || nRow == 0)
        return false;
    std::swap(m_rows[static_cast<size_t>(nRow)], m_rows[static_cast<size_t>(nRow - 1)]);
    Changed(kRowsChanged, nRow - 1);
    return true;
}

bool CQVBatchModel::MoveDown(int nRow)
{
    if (!Row(nRow) || nRow + 1 >= Count())
        return false;
    return MoveUp(nRow + 1);
}

void CQVBatchModel::KeepOrder(const std::vector<int>& ids)
{
    std::vector<tagQVBatchRow> kept;
    for (int nId : ids)
        if (const tagQVBatchRow* pRow = Row(IndexOf(nId)))
            kept.push_back(*pRow);
    if (kept.size() == m_rows.size() &&
        std::equal(kept.begin(), kept.end(), m_rows.begin(),
                   [](const tagQVBatchRow& a, const tagQVBatchRow& b) { return a.nId == b.nId; }))
        return;
    m_rows = std::move(kept);
    Changed(kRowsChanged, -1);
}

bool CQVBatchModel::SetCrop(int nRow, int32_t x, int32_t y, int32_t w, int32_t h)
{
    if (!Row(nRow))
        return false;
    tagQVBatchRow& row = m_rows[static_cast<size_t>(nRow)];
    row.bCropEnabled = !(x == 0 && y == 0 && w == row.nSourceWidth && h == row.nSourceHeight);
    row.nCropX = x;
    row.nCropY = y;
    row.nCropWidth = w;
    row.nCropHeight = h;
    BackToReady(&row);
    Changed(kRowChanged, nRow);
    return true;
}

bool CQVBatchModel::EditCell(int nRow, int nColumn, const QString& strText)
{
    if (!Row(nRow))
        return false;
    tagQVBatchRow& row = m_rows[static_cast<size_t>(nRow)];
    const bool bEdited = EditRowCell(&row, nColumn, strText);
    // Even an edit that changes no value returns the row to "Ready", as any edit does.
    BackToReady(&row);
    Changed(kRowChanged, nRow);
    return bEdited;
}

int CQVBatchModel::CopyCropToAll(int nFrom)
{
    const tagQVBatchRow* pFrom = Row(nFrom);
    if (!pFrom)
        return 0;
    const tagQVRowCrop crop = CropOfBatchRow(*pFrom);
    int nCopied = 0;
    for (tagQVBatchRow& row : m_rows)
    {
        if (!CropFitsSource(crop, row.nSourceWidth, row.nSourceHeight))
            continue;
        row.bCropEnabled =
            !(crop.nCropX == 0 && crop.nCropY == 0 && crop.nCropWidth == row.nSourceWidth &&
              crop.nCropHeight == row.nSourceHeight);
        row.nCropX = crop.nCropX;
        row.nCropY = crop.nCropY;
        row.nCropWidth = crop.nCropWidth;
        row.nCropHeight = crop.nCropHeight;
        BackToReady(&row);
        ++nCopied;
    }
    if (nCopied > 0)
        Changed(kRowsChanged, -1);
    return nCopied;
}

void CQVBatchModel::ResetStates()
{
    for (tagQVBatchRow& row : m_rows)
        BackToReady(&row);
    Changed(kRowsChanged, -1);
}

void CQVBatchModel::SetState(int nRow, ERowState eState, const std::string& reason)
{
    if (!Row(nRow))
        return;
    tagQVBatchRow& row = m_rows[static_cast<size_t>(nRow)];
    row.eState = eState;
    row.dPercent = eState == ERowState::Finished ? 100.0 : 0.0;
    row.reason = eState == ERowState::Failed || eState == ERowState::Missing ? reason : "";
    Changed(kRowChanged, nRow);
}

void CQVBatchModel::SetProgress(int nRow, double dPercent)
{
    if (!Row(nRow))
        return;
    tagQVBatchRow& row = m_rows[static_cast<size_t>(nRow)];
    const bool bStarted = row.eState != ERowState::Rendering;
    row.eState = ERowState::Rendering;
    row.dPercent = std::clamp(dPercent, 0.0, 100.0);
    // The first percentage is a change of state; later ones are only shown.
    Changed(bStarted ? kRowChanged : kProgress, nRow);
}

void CQVBatchModel::SetEngine(int nRow, pid_t nPid, const std::string& outputPath)
{
    if (!Row(nRow))
        return;
    tagQVBatchRow& row = m_rows[static_cast<size_t>(nRow)];
    row.nEnginePid = nPid;
    row.outputPath = outputPath;
    Changed(kRowChanged, nRow);
}

} // namespace qv
