#include "project/OutputSettings.h"

#include "platform/SettingsStore.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qv
{

OutputPresets DefaultPresets(PresetTable table)
{
    struct Row
    {
        int32_t nWidth, nHeight, nSizeClass, nAspect, nBitrate, nQuality, nOverlay;
    };
    static const Row kRows[kPresetCount] = {
        {1920, 1080, 0, 0, 6000, 20, 2}, {1440, 1080, 0, 1, 6000, 20, 2},
        {1280, 720, 1, 0, 2000, 25, 2},  {960, 720, 1, 1, 2000, 25, 2},
        {856, 480, 2, 0, 1500, 25, 2},   {640, 480, 2, 1, 1500, 25, 2},
        {640, 360, 3, 0, 600, 25, 1},    {480, 360, 3, 1, 600, 25, 1},
        {428, 240, 4, 0, 350, 25, 0},    {320, 240, 4, 1, 350, 25, 0},
    };
    OutputPresets presets;
    for (int i = 0; i < kPresetCount; ++i)
    {
        tagQVOutputSettings& record = presets[i];
        std::memset(&record, 0, sizeof record);
        record.nPresetIndex = i;
        record.nSizeClass = kRows[i].nSizeClass;
        record.nAspect = kRows[i].nAspect;
        record.nSizeMode = 2;
        record.nVideoBitrate = kRows[i].nBitrate;
        record.nFileSizeMB = 100;
        record.nQuality = kRows[i].nQuality;
        record.nWidth = kRows[i].nWidth;
        record.nHeight = kRows[i].nHeight;
        record.nOverlayQuality = table == PresetTable::FrontEnd ? kRows[i].nOverlay : 0;
    }
    if (table == PresetTable::Engine)
        presets[4].nWidth = 864;
    return presets;
}

int ClampPresetIndex(int32_t nIndex)
{
    return nIndex >= 0 && nIndex < kPresetCount ? nIndex : kFallbackPreset;
}

CQVOutputSettingsTable::CQVOutputSettingsTable(PresetTable table)
    : m_table(table), m_working(DefaultPresets(table))
{
}

void CQVOutputSettingsTable::SelectPreset(int32_t nIndex)
{
    m_working = DefaultPresets(m_table);
    m_nCurrent = ClampPresetIndex(nIndex);
}

int CQVOutputSettingsTable::ReadOptionFile(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    unsigned char bytes[sizeof(tagQVOutputSettings)];
    size_t total = 0;
    while (total < sizeof bytes)
    {
        ssize_t got = read(fd, bytes + total, sizeof bytes - total);
        if (got < 0)
        {
            close(fd);
            return -1;
        }
        if (got == 0)
            break;
        total += static_cast<size_t>(got);
    }
    close(fd);
    std::memcpy(&Current(), bytes, total);
    return static_cast<int>(total);
}

bool CQVOutputSettingsTable::WriteOptionFile(const std::string& path) const
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool whole = write(fd, &Current(), sizeof(tagQVOutputSettings)) ==
                 static_cast<ssize_t>(sizeof(tagQVOutputSettings));
    return close(fd) == 0 && whole;
}

bool WriteDecoderSettings(const tagQVOutputSettings& settings)
{
    return CQVSettingsStore::SetDwords(kDecoderSettingsKey,
                                       {{"flip", static_cast<uint32_t>(settings.bFlip)},
                                        {"isResize", static_cast<uint32_t>(settings.bForceResize)},
                                        {"resizeAscpect", 0},
                                        {"resizeDx", static_cast<uint32_t>(settings.nWidth)},
                                        {"resizeDy", static_cast<uint32_t>(settings.nHeight)}});
}

} // namespace qv
