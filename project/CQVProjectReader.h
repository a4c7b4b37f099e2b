// The engine's reader of a project file: fills the engine's 47 lines, selects the preset
// slot the project names, and works out the output frame size of the job.
#pragma once

#include "project/CQVXmlElementRef.h"
#include "project/FileKeyTable.h"
#include "project/OutputSettings.h"
#include "project/ProjectTimeline.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qv
{

// What the reader needs from the engine and what it hands back.
struct tagQVProjectReadContext
{
    // in: 1 in a preview run (the play scale factor and the preview caps apply).
    int32_t bPreviewRun = 0;
    // in/out: the working preset table; on success the slot named by the project's
    // vensettingIndex becomes current and the decoder settings are written from it.
    CQVOutputSettingsTable* pOutputSettings = nullptr;
    // in: the factor to keep when the file names none (1.0 at start-up);
    // out: the factor in use, always 1.0 in a conversion.
    double dScaleFactorForPlay = 1.0;
    // out: the output frame size: the slot's size times the factor, in a preview cut down to
    // multiples of 4.
    int32_t nOutputWidth = 0;
    int32_t nOutputHeight = 0;
};

enum class ProjectReadResult
{
    Loaded,           // read by the own XML component
    LoadedByFallback, // the own component could not load or rejected it; TinyXML read it
    Rejected,         // vensettingIndex outside 0..9 (for both parsers)
    Unreadable        // missing, unreadable or malformed for both parsers, or no "project"
};

inline bool IsLoaded(ProjectReadResult result)
{
    return result == ProjectReadResult::Loaded || result == ProjectReadResult::LoadedByFallback;
}

class CQVProjectReader
{
public:
    // Values read from the file are clamped to this many seconds (and pixels stay int32):
    // later stages turn times into whole milliseconds and frame counts.
    static constexpr double kMaxMagnitude = kQVMaxFileMagnitude;

    explicit CQVProjectReader(tagQVProjectReadContext* pContext);

    // Reads the file into *pTimeline. On success *pTimeline is replaced by the engine's 47
    // lines (ProjectTimeline::CreateEngineLines) holding the project, its second line and
    // level-meter flag set, and the context's outputs are filled. On failure nothing
    // changes: not the timeline, not the preset table, not the context.
    ProjectReadResult ReadFile(const std::string& path, ProjectTimeline* pTimeline);
    // The same for the file's bytes.
    ProjectReadResult ReadBytes(std::string_view bytes, ProjectTimeline* pTimeline);

private:
    enum class Outcome
    {
        Read,
        Rejected,
        NoProject
    };
    Outcome ReadProjectElement(CQVXmlElementRef project, ProjectTimeline* pTimeline);
    void ReadLine(CQVXmlElementRef line, ProjectTimeline* pTimeline);
    std::unique_ptr<tagQVMediaData> ReadItem(CQVXmlElementRef item, ProjectTimeline* pTimeline);
    void ReadLineSettings(CQVXmlElementRef line, TimelineLine* pLine) const;
    void MoveItemsAfterEffects(ProjectTimeline* pTimeline) const;
    void SetOverlaySizes(ProjectTimeline* pTimeline, const tagQVOutputSettings& slot) const;
    std::string ResolveSource(const std::string& path) const;

    tagQVProjectReadContext* m_pContext;
    // --- per read
    std::string m_relativeDir;
    double m_dFactor = 1.0;
    int32_t m_nSlot = 0;
};

} // namespace qv
