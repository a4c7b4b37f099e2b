#include "frontend/BatchStore.h"

#include "formats/OutputTypes.h"
#include "platform/Process.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "project/CQVXmlDocument.h"
#include "project/FileKeyTable.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

namespace qv
{

namespace
{

constexpr const char* kRootElement = "VantrelBatch";
constexpr const char* kSettingsElement = "settings";
constexpr const char* kRowElement = "row";
constexpr const char* kVersionKey = "nVersion";

using RowKey = tagQVFileKey<tagQVBatchRow>;

// The display turn as bits: 1 transpose, 2 mirror in x, 4 in y, 8 not followed.
int32_t TurnBits(const tagQVDisplayTurn& turn)
{
    return (turn.bTranspose ? 1 : 0) | (turn.bFlipX ? 2 : 0) | (turn.bFlipY ? 4 : 0) |
           (turn.bUnsupported ? 8 : 0);
}

// The keys of a row, in the order they are written.
constexpr RowKey kRowKeys[] = {
    Key<&tagQVBatchRow::source>("szSource"),
    Key<&tagQVBatchRow::dDuration>("dDuration"),
    Key<&tagQVBatchRow::nSourceWidth>("nSourceWidth"),
    Key<&tagQVBatchRow::nSourceHeight>("nSourceHeight"),
    Key<&tagQVBatchRow::bHasVideo>("bHasVideo"),
    Key<&tagQVBatchRow::bHasAudio>("bHasAudio"),
    {"nTurn",
     [](const RowKey& key, const tagQVBatchRow& row, CQVXmlNode* pNode)
     { WriteKeyValue(pNode, key.pszName, TurnBits(row.turn)); },
     [](const RowKey& key, CQVXmlElementRef element, tagQVBatchRow* pRow)
     {
         const int32_t n = ReadKeyValue(element, key.pszName, TurnBits(pRow->turn));
         pRow->turn.bTranspose = n & 1;
         pRow->turn.bFlipX = n & 2;
         pRow->turn.bFlipY = n & 4;
         pRow->turn.bUnsupported = n & 8;
     }},
    {"dTurnDegrees",
     [](const RowKey& key, const tagQVBatchRow& row, CQVXmlNode* pNode)
     { WriteKeyValue(pNode, key.pszName, row.turn.dRequestedDegrees); },
     [](const RowKey& key, CQVXmlElementRef element, tagQVBatchRow* pRow)
     {
         pRow->turn.dRequestedDegrees =
             ReadKeyValue(element, key.pszName, pRow->turn.dRequestedDegrees);
     }},
    Key<&tagQVBatchRow::dFrameRate>("dFrameRate"),
    Key<&tagQVBatchRow::dAverageFrameRate>("dAverageFrameRate"),
    Key<&tagQVBatchRow::bCropEnabled>("bCropEnabled"),
    Key<&tagQVBatchRow::nCropX>("nCropX"),
    Key<&tagQVBatchRow::nCropY>("nCropY"),
    Key<&tagQVBatchRow::nCropWidth>("nCropWidth"),
    Key<&tagQVBatchRow::nCropHeight>("nCropHeight"),
    Key<&tagQVBatchRow::dStartTime>("dStartTime"),
    Key<&tagQVBatchRow::dEndTime>("dEndTime"),
    Key<&tagQVBatchRow::dAudioDelay>("dAudioDelay"),
    Key<&tagQVBatchRow::dVoiceScale>("dVoiceScale"),
    Key<&tagQVBatchRow::dPlaybackRate>("dPlaybackRate"),
    Key<&tagQVBatchRow::nNewWidth>("nNewWidth"),
    Key<&tagQVBatchRow::nNewHeight>("nNewHeight"),
    {"nState",
     [](const RowKey& key, const tagQVBatchRow& row, CQVXmlNode* pNode)
     { WriteKeyValue(pNode, key.pszName, static_cast<int32_t>(row.eState)); },
     [](const RowKey& key, CQVXmlElementRef element, tagQVBatchRow* pRow)
     {
         const int32_t n = ReadKeyValue(element, key.pszName, int32_t(0));
         pRow->eState = n >= 0 && n <= static_cast<int32_t>(ERowState::Missing)
                            ? static_cast<ERowState>(n)
                            : ERowState::Ready;
         // Percentages are not kept: a finished row's bar is full.
         pRow->dPercent = pRow->eState == ERowState::Finished ? 100.0 : 0.0;
     }},
    Key<&tagQVBatchRow::reason>("szReason"),
    Key<&tagQVBatchRow::outputPath>("szOutputPath"),
    Key<&tagQVBatchRow::nEnginePid>("nEnginePid"),
};
constexpr tagQVKeyTable<tagQVBatchRow> kRowTable = KeyTable(kRowKeys);

// The settings record is kept as its bytes (its on-disk form, "tmp/option.dat"): the size
// tells a record of another layout, which is then not used.
std::string ToHex(const void* pData, size_t nBytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    const auto* p = static_cast<const uint8_t*>(pData);
    for (size_t i = 0; i < nBytes; ++i)
        hex += {kDigits[p[i] >> 4], kDigits[p[i] & 15]};
    return hex;
}

bool FromHex(const std::string& hex, void* pData, size_t nBytes)
{
    if (hex.size() != nBytes * 2)
        return false;
    auto* p = static_cast<uint8_t*>(pData);
    for (size_t i = 0; i < nBytes; ++i)
    {
        unsigned n = 0;
        if (std::sscanf(hex.c_str() + 2 * i, "%2x", &n) != 1)
            return false;
        p[i] = static_cast<uint8_t>(n);
    }
    return true;
}

// Removes the partial output files an ended engine left in the folder of its output:
// ".vantrel-PID-*.part" (the engine's file sink writes them).
void RemovePartialOutputs(const std::string& outputPath, pid_t pid)
{
    const size_t nSlash = outputPath.rfind('/');
    if (nSlash == std::string::npos || pid <= 0)
        return;
    const std::string folder = outputPath.substr(0, nSlash + 1);
    const std::string prefix = ".vantrel-" + std::to_string(pid) + "-";
    DIR* pDir = opendir(folder.c_str());
    if (!pDir)
        return;
    while (dirent* pEntry = readdir(pDir))
    {
        const std::string name = pEntry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0 && name.size() > 5 &&
            name.compare(name.size() - 5, 5, ".part") == 0)
            unlink((folder + name).c_str());
    }
    closedir(pDir);
}

} // namespace

std::string BatchFilePath()
{
    const std::string store = CQVSettingsStore::FilePath();
    return store.substr(0, store.rfind('/') + 1) + "batch.xml";
}

bool WriteBatchFile(const std::string& path, const tagQVStoredBatch& batch)
{
    CQVXmlDocument document;
    CQVXmlNode* pRoot = document.AppendElement(KeyName(kRootElement));
    WriteKeyValue(pRoot, kVersionKey, kBatchFileVersion);
    if (batch.settings)
    {
        CQVXmlNode* pSettings = AppendKeyElement(pRoot, kSettingsElement);
        WriteKeyValue(pSettings, "nSize", static_cast<int32_t>(sizeof(tagQVOutputSettings)));
        WriteKeyValue(pSettings, "szRecord", ToHex(&*batch.settings, sizeof(tagQVOutputSettings)));
    }
    for (const tagQVBatchRow& row : batch.rows)
        WriteKeys(kRowTable, row, AppendKeyElement(pRoot, kRowElement));
    const std::string fresh = path + ".new";
    if (!MakeFolders(path.substr(0, path.rfind('/') + 1)) ||
        !document.Save(fresh, XmlSaveMode::Utf16Le))
        return false;
    if (std::rename(fresh.c_str(), path.c_str()) != 0)
    {
        unlink(fresh.c_str());
        return false;
    }
    return true;
}

EBatchRead ReadBatchFile(const std::string& path, tagQVStoredBatch* pBatch)
{
    if (!PathExists(path))
        return EBatchRead::None;
    CQVXmlDocument document;
    if (!document.Load(path))
        return EBatchRead::Damaged;
    CQVXmlElementRef root(document.FirstChildElement(KeyName(kRootElement)));
    if (!root)
        return EBatchRead::Damaged;
    const int32_t nVersion = ReadKeyValue(root, kVersionKey, int32_t(0));
    if (nVersion < 1 || nVersion > kBatchFileVersion)
        return EBatchRead::Damaged;
    tagQVStoredBatch batch;
    if (CQVXmlElementRef settings = root.FirstChildElement(kSettingsElement))
    {
        tagQVOutputSettings record{};
        if (ReadKeyValue(settings, "nSize", int32_t(0)) == int32_t(sizeof record) &&
            FromHex(ReadKeyValue(settings, "szRecord", std::string()), &record, sizeof record))
            batch.settings = record;
    }
    for (CQVXmlElementRef item = root.FirstChildElement(kRowElement); item;
         item = item.NextSiblingElement())
    {
        tagQVBatchRow row;
        ReadKeys(kRowTable, item, &row);
        if (!row.source.empty())
            batch.rows.push_back(std::move(row));
    }
    *pBatch = std::move(batch);
    return EBatchRead::Read;
}

tagQVRestoreNotes RestoreBatch(const std::string& path, const std::string& enginePath,
                               tagQVStoredBatch* pBatch)
{
    tagQVRestoreNotes notes;
    const EBatchRead eRead = ReadBatchFile(path, pBatch);
    if (eRead == EBatchRead::Damaged)
    {
        const std::string aside = path + ".damaged";
        std::rename(path.c_str(), aside.c_str());
        *pBatch = tagQVStoredBatch();
        notes.lines << QStringLiteral("The saved list could not be read; it was kept as %1 and "
                                      "the list starts empty.")
                           .arg(QString::fromStdString(aside));
        return notes;
    }
    if (eRead == EBatchRead::None)
        return notes;

    const std::vector<pid_t> engines = FindOwnProcesses(enginePath);
    int nMissing = 0;
    for (tagQVBatchRow& row : pBatch->rows)
    {
        if (row.eState == ERowState::Rendering)
        {
            // The front-end ended during this row's render: its engine is ended only when it
            // is one of ours, and what it half wrote goes.
            const pid_t pid = row.nEnginePid;
            if (pid > 0 && std::find(engines.begin(), engines.end(), pid) != engines.end())
            {
                TerminateProcess(pid);
                for (int i = 0; i < 100 && kill(pid, 0) == 0; ++i)
                    usleep(10000);
                ++notes.nEnginesEnded;
            }
            RemovePartialOutputs(row.outputPath, pid);
            row.eState = ERowState::Ready;
            row.dPercent = 0.0;
        }
        row.nEnginePid = 0;
        if (row.eState != ERowState::Finished && row.eState != ERowState::Failed &&
            !PathExists(row.source))
        {
            row.eState = ERowState::Missing;
            row.reason = "the source file is missing";
            ++nMissing;
        }
        else if (row.eState == ERowState::Missing && PathExists(row.source))
        {
            row.eState = ERowState::Ready;
            row.reason.clear();
        }
    }
    if (nMissing > 0)
        notes.lines << QStringLiteral("%1 saved %2 missing: not rendered")
                           .arg(nMissing)
                           .arg(nMissing == 1 ? "file is" : "files are");
    if (pBatch->settings && !IsOutputTypeAvailable(pBatch->settings->nOutputFormat))
    {
        pBatch->settings->nOutputFormat = kOutputMp4;
        notes.lines << QStringLiteral("The saved output format is not offered by this version; "
                                      "MP4 is used.");
    }
    return notes;
}

CQVBatchKeeper::CQVBatchKeeper(CQVBatchModel* pModel, const CQVOutputSettingsTable* pSettings,
                               std::string path)
    : m_pModel(pModel), m_pSettings(pSettings), m_path(std::move(path))
{
    m_pModel->AddListener(
        [this](CQVBatchModel::EChange eChange, int)
        {
            if (eChange != CQVBatchModel::kProgress)
                Write();
        });
}

bool CQVBatchKeeper::Write() const
{
    tagQVStoredBatch batch;
    batch.rows = m_pModel->Rows();
    if (m_pSettings)
        batch.settings = m_pSettings->Current();
    return WriteBatchFile(m_path, batch);
}

} // namespace qv
