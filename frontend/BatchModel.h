// The batch: one typed row per input video with every value the list shows and a render
// needs, the row's job derived from it, and the operations the main window and the render
// flow perform on it. Needs no window: the file list is a view that redraws from it.
#pragma once

#include "frontend/JobFiles.h"
#include "probe/DisplayTurn.h"

#include <QString>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace qv
{

struct tagQVMediaInfo;

enum class ERowState : int32_t
{
    Ready = 0,
    Rendering = 1, // with its percentage
    Finished = 2,
    Failed = 3, // with its reason
    Missing = 4 // the source has gone: never rendered
};

struct tagQVBatchRow
{
    int nId = 0; // unique while the program runs; the list view's row value
    std::string source;
    // --- what the probe found
    double dDuration = 0.0;
    int32_t nSourceWidth = 0; // as shown: a quarter turn swaps the stored sides
    int32_t nSourceHeight = 0;
    int32_t bHasVideo = 1;
    int32_t bHasAudio = 0;
    tagQVDisplayTurn turn;
    double dFrameRate = 0.0;        // the declared rate; 0: the probe did not say
    double dAverageFrameRate = 0.0; // pictures ÷ duration, which tells a variable rate
    // --- the crop in source pixels; without bCropEnabled the row is the whole frame
    int32_t bCropEnabled = 0;
    int32_t nCropX = 0;
    int32_t nCropY = 0;
    int32_t nCropWidth = 0;
    int32_t nCropHeight = 0;
    // --- trim, sound, speed and the new size the list shows
    double dStartTime = 0.0;
    double dEndTime = 0.0;
    double dAudioDelay = 0.0;
    double dVoiceScale = 1.0;
    double dPlaybackRate = 1.0;
    int32_t nNewWidth = 0;
    int32_t nNewHeight = 0;
    // --- the render state
    ERowState eState = ERowState::Ready;
    double dPercent = 0.0;  // while rendering
    std::string reason;     // why it failed
    std::string outputPath; // the file the last render of the row wrote or writes
    pid_t nEnginePid = 0;   // the engine rendering it: a restart ends an orphan
};

// A new row for a probed file: the whole frame, the full length, volume and speed 1.
tagQVBatchRow NewBatchRow(const std::string& path, const tagQVMediaInfo& info);

// The crop as the job files take it.
tagQVRowCrop CropOfBatchRow(const tagQVBatchRow& row);

// What a render or preview of the row hands the engine: the item of the one-item project
// (with its crop) and the output size.
struct tagQVRowJob
{
    tagQVJobRow item;
    tagQVFrameSize size;
};
tagQVRowJob JobOfRow(const tagQVBatchRow& row);

// The texts the file list shows, per column (frontend/FileListColumns.h), and an edit of
// an editable cell: false for a column that is not editable.
QString RowCellText(const tagQVBatchRow& row, int nColumn);
QString RowStateText(const tagQVBatchRow& row);
bool EditRowCell(tagQVBatchRow* pRow, int nColumn, const QString& strText);

class CQVBatchModel
{
public:
    enum EChange
    {
        kRowsChanged, // rows added, removed, moved or restored: every row redraws
        kRowChanged,  // one row's values or state
        kProgress     // one row's percentage only (not kept on disk)
    };
    using Listener = std::function<void(EChange eChange, int nRow)>;

    // Listeners are told after each change, in the order they were added.
    void AddListener(Listener listener) { m_listeners.push_back(std::move(listener)); }

    int Count() const { return static_cast<int>(m_rows.size()); }
    const std::vector<tagQVBatchRow>& Rows() const { return m_rows; }
    // Null for a row that does not exist.
    const tagQVBatchRow* Row(int nRow) const;
    int IndexOf(int nId) const;

    // Appends with a new id; returns the row's index.
    int Append(tagQVBatchRow row);
    // Appends several rows as one change.
    void AppendRows(std::vector<tagQVBatchRow> rows);
    // Replaces every row (a restore); ids are given anew.
    void Replace(std::vector<tagQVBatchRow> rows);
    bool Remove(int nRow);
    void Clear();
    // Swaps with the row above or below; false at the ends or for no row.
    bool MoveUp(int nRow);
    bool MoveDown(int nRow);
    // Keeps the rows whose ids are listed, in that order (after the list's own row menu).
    void KeepOrder(const std::vector<int>& ids);

    // Every change of a row's values returns it to "Ready" (a missing row stays missing).
    bool SetCrop(int nRow, int32_t x, int32_t y, int32_t w, int32_t h);
    bool EditCell(int nRow, int nColumn, const QString& strText);
    // The row's crop to every row it fits (x + w <= source width, y + h <= source height);
    // those rows return to "Ready". Returns how many rows took it.
    int CopyCropToAll(int nFrom);
    // Every row back to "Ready" (after the settings' or the crop dialog's OK).
    void ResetStates();

    void SetState(int nRow, ERowState eState, const std::string& reason = std::string());
    void SetProgress(int nRow, double dPercent);
    // The engine that renders the row and its output file (pid 0: none any more).
    void SetEngine(int nRow, pid_t nPid, const std::string& outputPath);

private:
    void Changed(EChange eChange, int nRow);
    void BackToReady(tagQVBatchRow* pRow);

    std::vector<tagQVBatchRow> m_rows;
    std::vector<Listener> m_listeners;
    int m_nNextId = 1;
};

} // namespace qv
