// Feeds arbitrary bytes to the engine's project reader, for a conversion and a preview,
// and checks what a successful read leaves behind.
#include "project/CQVProjectReader.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckLine(const qv::TimelineLine& line, int32_t type)
{
    for (const auto& item : line.items)
    {
        Check(item->eMediaTypeLine == type);
        Check(item->dPlaybackRate >= 0.01);
        for (double value : {item->dEditorStartTime, item->dEditorEndTime, item->dVSelfStartTime,
                             item->dVSelfEndTime, item->dASelfStartTime, item->dAudioDelay,
                             item->dVoiceScale, item->dEffectDuration})
            Check(std::isfinite(value) && std::fabs(value) <= qv::CQVProjectReader::kMaxMagnitude);
        if (item->pVideoKey)
            Check(item->pVideoKey->nRedLow >= 0 && item->pVideoKey->nRedHigh <= 255);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The reader writes the decoder settings; point the store where it cannot be written,
    // so the user's real one stays untouched and each run stays fast.
    setenv("XDG_CONFIG_HOME", "/dev/null/vantrel-fuzz", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (int32_t preview : {0, 1})
    {
        qv::CQVOutputSettingsTable table(qv::PresetTable::Engine);
        qv::tagQVProjectReadContext context;
        context.bPreviewRun = preview;
        context.pOutputSettings = &table;
        qv::ProjectTimeline timeline = qv::ProjectTimeline::CreateEngineLines();
        const qv::ProjectReadResult result =
            qv::CQVProjectReader(&context).ReadBytes(bytes, &timeline);
        Check(timeline.lines.size() == 47);
        for (const qv::TimelineLine& line : timeline.lines)
        {
            CheckLine(line, line.eMediaTypeLine);
            if (!line.items.empty() && line.nMaxItemWidth != 0)
                Check(line.nMaxItemWidth % 4 == 0 && line.nMaxItemWidth >= 4 &&
                      line.nMaxItemHeight % 4 == 0 && line.nMaxItemHeight >= 4);
        }
        CheckLine(timeline.secondLine, 0);
        Check(std::isfinite(timeline.Length()));
        if (qv::IsLoaded(result))
        {
            Check(table.CurrentSlot() >= 0 && table.CurrentSlot() < qv::kPresetCount);
            Check(context.nOutputWidth >= 0 && context.nOutputHeight >= 0);
            Check(!preview || context.nOutputWidth % 4 == 0);
            Check(!preview ? context.dScaleFactorForPlay == 1.0
                           : context.dScaleFactorForPlay >= 0.01);
        }
        else
            Check(timeline.lines[2].items.empty() && table.CurrentSlot() == qv::kFallbackPreset);
    }
    return 0;
}
