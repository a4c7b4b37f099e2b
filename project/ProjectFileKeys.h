// The project file ("tmp/qvengine.qvprj") described once: its element names, the keys
// that belong to no record, and one key table per record in the order the front-end's
// writer puts them. ProjectWriter writes these tables, CQVProjectReader reads them.
//
//   project    [kEditorViewKeys] dScaleFactorForPlay kTimelineKeys vensettingIndex
//              nmaxduration ... count (after the lines); RelativeDir is only read
//     line     kLineHeadKeys kLine3DGroupKeys kLineLightingKeys kLineFrontKeys
//              [kLineMarginKeys on title lines]
//       item   kItemHeadKeys [kItem3DPlacementKeys] kItemSubtitleKeys [kAudioFadeKeys]
//              kItemKeys [kMaskKeys [kMaskFillKeys]] [kRotationKeys] [kVideoKeyKeys]
//              [kBorderKeys] [kCropKeys]
//         colorblk kColorBlockKeys; VideoSnapshots with item kSnapshotKeys;
//         ColorAdjustment kColorAdjustmentKeys kMosaicKeys; _3DGroupSettings
//         kGroupSettingsKeys; source (text: the media path); vumeter (only read)
#pragma once

#include "project/FileKeyTable.h"
#include "project/ProjectTimeline.h"

namespace qv
{

struct tagQVEditorViewState;

// --- element names
constexpr const char* kElementProject = "project";
constexpr const char* kElementLine = "line";
constexpr const char* kElementItem = "item"; // a media item, and a point of VideoSnapshots
constexpr const char* kElementSource = "source";
constexpr const char* kElementColorBlock = "colorblk";
constexpr const char* kElementSnapshots = "VideoSnapshots";
constexpr const char* kElementColorAdjustment = "ColorAdjustment";
constexpr const char* kElementGroupSettings = "_3DGroupSettings";
constexpr const char* kElementLevelMeter = "vumeter";

// --- keys of the project element that belong to no record
constexpr const char* kKeyScaleFactorForPlay = "dScaleFactorForPlay";
constexpr const char* kKeyPresetIndex = "vensettingIndex";
constexpr const char* kKeyMaxDuration = "nmaxduration";
constexpr const char* kKeyItemCount = "count";
constexpr const char* kKeyRelativeDir = "RelativeDir";

// --- keys the reader looks at before it reads a whole table
constexpr const char* kKeyLineDisable = "bDisable";         // kLineHeadKeys
constexpr const char* kKeyMediaType = "eMediaType";         // kItemKeys
constexpr const char* kKeyMediaTypeLine = "eMediaTypeLine"; // kItemKeys

// Reading classes of item keys: the sound and trim keys are read only for video and
// audio files (eMediaType 0 or 1), the picture size only for video files (0).
constexpr uint32_t kReadForSoundItems = 1u;
constexpr uint32_t kReadForVideoItems = 2u;
// The classes an item of that kind reads.
uint32_t ItemReadClasses(int32_t eMediaType);

// The audio fade of an item as the file holds it: present only for items with sound, and
// written fitted into the item's length (the model keeps its own values).
struct tagQVAudioFade
{
    int32_t bEnableAudioEffect = 0;
    double dAudioFadeInDuration = 0.0;
    double dAudioFadeOutDuration = 0.0;
};

extern const tagQVKeyTable<tagQVEditorViewState> kEditorViewKeys;
extern const tagQVKeyTable<ProjectTimeline> kTimelineKeys;

extern const tagQVKeyTable<TimelineLine> kLineHeadKeys;
extern const tagQVKeyTable<TimelineLine> kLine3DGroupKeys;  // gate b3DGroup
extern const tagQVKeyTable<TimelineLine> kLineLightingKeys; // gate enableLighting3DGroup
extern const tagQVKeyTable<TimelineLine> kLineFrontKeys;    // read only with the 3D group
extern const tagQVKeyTable<TimelineLine> kLineMarginKeys;

extern const tagQVKeyTable<tagQVMediaData> kItemHeadKeys;
extern const tagQVKeyTable<tagQVMediaData> kItem3DPlacementKeys;
extern const tagQVKeyTable<tagQVMediaData> kItemSubtitleKeys;
extern const tagQVKeyTable<tagQVAudioFade> kAudioFadeKeys; // gate bEnableAudioEffect
extern const tagQVKeyTable<tagQVMediaData> kItemKeys;

extern const tagQVKeyTable<tagQVMaskData> kMaskKeys;         // gate MaskbFillMovementTimeDur
extern const tagQVKeyTable<tagQVMaskData> kMaskFillKeys;     // written only when the file exists
extern const tagQVKeyTable<tagQVRotationData> kRotationKeys; // gate enablerotation
extern const tagQVKeyTable<tagQVVideoKeyData> kVideoKeyKeys; // gate VideoKeyEnable
extern const tagQVKeyTable<tagQVBorderData> kBorderKeys;     // gate BorderEnable
extern const tagQVKeyTable<tagQVCropData> kCropKeys;         // gate enablecrop, not 0

extern const tagQVKeyTable<tagQVColorBlock> kColorBlockKeys;
extern const tagQVKeyTable<tagQVVideoSnapshotData> kSnapshotKeys;
extern const tagQVKeyTable<tagQVColorAdjustment> kColorAdjustmentKeys;
extern const tagQVKeyTable<tagQVColorAdjustment> kMosaicKeys; // gate bEnableMasaic
extern const tagQVKeyTable<tagQV3DGroupSettings> kGroupSettingsKeys;

} // namespace qv
