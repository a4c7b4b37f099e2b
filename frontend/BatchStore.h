// The batch kept on disk: the rows with their crops and states, and the movie settings
// record, in one file of the per-user config folder ("batch.xml" beside the settings
// store). Every change of rows, crops or states writes a new file and renames it over the
// old one, so a crash or a power cut leaves the old list or the new one, never half of one.
#pragma once

#include "frontend/BatchModel.h"
#include "project/OutputSettings.h"

#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace qv
{

// The file's version: a reader refuses a file of a later version as it would a damaged one.
constexpr int32_t kBatchFileVersion = 1;

// "batch.xml" in the per-user config folder (the folder of the settings store).
std::string BatchFilePath();

struct tagQVStoredBatch
{
    std::vector<tagQVBatchRow> rows;
    std::optional<tagQVOutputSettings> settings; // none: the start-up defaults stay
};

// Writes "<path>.new" and renames it over the file. False when either step fails (the old
// file is then left as it was).
bool WriteBatchFile(const std::string& path, const tagQVStoredBatch& batch);

enum class EBatchRead
{
    Read,   // *pBatch filled
    None,   // no file: a first start
    Damaged // unreadable, not ours, or of a later version
};
EBatchRead ReadBatchFile(const std::string& path, tagQVStoredBatch* pBatch);

// What a restore did, in lines for the message strip (empty when there is nothing to say).
struct tagQVRestoreNotes
{
    QStringList lines;
    int nEnginesEnded = 0;
};

// The start-up of a stored batch: finished and failed rows stay as they were; a row whose
// source has gone reads "missing"; a row that was rendering when the front-end died gets
// its engine ended (when it still runs and is ours: same user, this executable), that
// engine's partial output removed, and reads "Ready" again. An output type this build does
// not offer becomes MP4. A damaged file is renamed aside ("<path>.damaged") and the list
// starts empty. enginePath is the engine executable whose processes count as ours.
tagQVRestoreNotes RestoreBatch(const std::string& path, const std::string& enginePath,
                               tagQVStoredBatch* pBatch);

// Writes the batch and the current settings record to the file on every change of rows,
// crops or states (not on a percentage). Lives no longer than the model.
class CQVBatchKeeper
{
public:
    CQVBatchKeeper(CQVBatchModel* pModel, const CQVOutputSettingsTable* pSettings,
                   std::string path);
    bool Write() const;
    const std::string& Path() const { return m_path; }

private:
    CQVBatchModel* m_pModel;
    const CQVOutputSettingsTable* m_pSettings;
    std::string m_path;
};

} // namespace qv
