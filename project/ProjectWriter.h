// Writing a project file ("tmp/qvengine.qvprj") from the front-end's model: UTF-16LE with
// a byte-order mark, elements and attributes as the key tables of ProjectFileKeys.h list
// them.
#pragma once

#include "project/CQVXmlDocument.h"
#include "project/ProjectTimeline.h"

#include <cstdint>
#include <string>

namespace qv
{

// An editor's view position (time, zoom, scroll), written into the project root when
// given; the front-end's jobs give none, so their files carry no view keys.
struct tagQVEditorViewState
{
    double dCurFrameTime = 0.0;
    int32_t nCurTimeScaleZoomIndex = 0;
    int32_t nEditMode = 0;
    int32_t nHorizonalPos = 0;
    int32_t nVerticalPos = 0;
};

constexpr int32_t kProjectMaxDuration = 10800; // seconds, written as "nmaxduration"

// Builds the project document: the root "project" with the timeline's switches and
// colours, the preset index (nPresetIndex, 0..9) and the item count, one "line" per line
// and one "item" per media item. Audio fades that do not fit an item's length are
// shortened in the file (the model is not changed). dPlayScale is written as
// "dScaleFactorForPlay": the scale at which a preview draws its pictures.
void BuildProjectDocument(const ProjectTimeline& timeline, int32_t nPresetIndex,
                          const tagQVEditorViewState* pView, CQVXmlDocument* pDocument,
                          double dPlayScale = 1.0);

// Builds the document and saves it in mode 3. False when the file cannot be written.
bool WriteProjectFile(const ProjectTimeline& timeline, int32_t nPresetIndex,
                      const std::string& path, const tagQVEditorViewState* pView = nullptr,
                      double dPlayScale = 1.0);

} // namespace qv
