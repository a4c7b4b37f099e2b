// The media item of a project line and the optional records it owns. Field names are the
// attribute names of the project file. An optional record exists only when its feature
// is on; the item owns it and frees it with itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv
{

struct tagQVCropData
{
    int32_t enablecrop = 1;
    int32_t xcrop = 0; // source-frame pixels: left, top, width, height
    int32_t ycrop = 0;
    int32_t wcrop = 0;
    int32_t hcrop = 0;
};

struct tagQVRotationData
{
    int32_t enablerotation = 1;
    int32_t rotationreverse = 0;
    int32_t rotationflip = 0;
    int32_t rotationangle = 0;
};

struct tagQVBorderData
{
    int32_t BorderEnable = 1;
    int32_t BorderType = 0;
    int32_t BorderSize = 0;
    int32_t BorderColor = 0; // 0x00BBGGRR
};

struct tagQVVideoKeyData
{
    int32_t VideoKeyEnable = 1;
    int32_t VideoKeyErrorDel = 0; // tolerance per colour component
    int32_t VideoKeyColor = 0;    // 0x00BBGGRR
    // Derived by ComputeKeyBounds: each component minus and plus the tolerance, kept
    // within 0..255.
    int32_t nRedLow = 0, nRedHigh = 0;
    int32_t nGreenLow = 0, nGreenHigh = 0;
    int32_t nBlueLow = 0, nBlueHigh = 0;
};

// Fills the six bounds from the colour and the tolerance.
void ComputeKeyBounds(tagQVVideoKeyData* pKey);

struct tagQVMaskData
{
    double MaskdSizeScale = 1.0;
    int32_t MaskbStretchToFill = 0;
    int32_t MaskbFillWithColor = 0;
    int32_t MaskclrFill = 0;
    int32_t MasknType = 0; // movement type 0..6
    double MaskdMovementTimeDur = 0.0;
    int32_t MaskbFillMovementTimeDur = 0;
    int32_t MasknMovementLoop = 0;
    int32_t MasknImageMaskIndex = 0;
    std::string MaskszImageFill; // fill picture, UTF-8 path; empty for none
};

struct tagQVColorAdjustment
{
    int32_t bEnableBrightnessAndContrast = 0;
    int32_t nBrightness = 0;
    int32_t nContrast = 0;
    int32_t bEnableLevels = 0;
    int32_t nRedLevels = 255;
    int32_t nGreenLevels = 255;
    int32_t nBlueLevels = 255;
    int32_t bEnableColorize = 0;
    int32_t nColorizeHue = 0;
    int32_t nColorizeSaturation = 0;
    double dColorizeBlend = 1.0;
    int32_t bEnableSaturate = 0;
    int32_t nSaturate = 0;
    int32_t bEnableJitter = 0;
    int32_t nJitter = 2;
    int32_t bEnableGrayScale = 0;
    int32_t bEnableSoften = 0;
    int32_t bEnableSharpen = 0;
    int32_t bEnableBlur = 0;
    int32_t bEnableEdgeDetection = 0;
    int32_t bEnableMasaic = 0;
    int32_t nMasaicTileSize = 10;
    int32_t nMasaicX = 0;
    int32_t nMasaicY = 0;
    int32_t nMasaicW = 100;
    int32_t nMasaicH = 100;
    // Not in the file: the frame size the mosaic rectangle was set on.
    int32_t nReferenceWidth = 0;
    int32_t nReferenceHeight = 0;
};

struct tagQVColorBlock
{
    int32_t clr = 0;
};

// One point of VideoSnapshots: the picture at dCaptureTime holds for dDuration.
struct tagQVVideoSnapshotData
{
    int64_t nReplayedFrames = 0; // run-time counters, not in the file
    int64_t nSavedFrames = 0;
    int32_t bRewind = 0;
    int32_t nRewindLoop = 0;
    double dRewindMediaDuration = 1.0;
    double dBackDurationPercent = 0.5;
    double dCaptureTime = 0.0; // source seconds
    double dDuration = 0.0;    // output seconds
};

// Placement of the item inside a 3D group: carried through the file, never drawn; the
// front-end's jobs write the defaults.
struct tagQV3DGroupSettings
{
    double dDepth = 0.0;
    double ax = 0.0, ay = 0.0, az = 0.0;
    double x = 0.0, y = 0.0, z = 0.0;
    int32_t nDelHY = 0;
    int32_t nDelWX = 0;
    int32_t nHeight = 0;
    int32_t nMotionReferencePos = 0;
    int32_t nVisible = 1;
    int32_t nWidth = 0;
    int32_t bBottom = 0;
    int32_t bEnable = 0;
    int32_t bLeft = 0;
    int32_t bRight = 0;
    int32_t bTop = 0;
    int32_t nMaxTransparency = 0;
    int32_t nVisiblePart = 0;
};

// What the composition keeps per item while it plays (decoder, picture caches); owned by
// the item and freed with it. Defined by the layer that needs it.
class IQVMediaItemState
{
public:
    virtual ~IQVMediaItemState() = default;
};

struct tagQVMediaData
{
    // --- kind and place
    int32_t eMediaType = 0;        // kMedia... of project/MediaTypes.h
    int32_t eMediaTypeLine = 0;    // type of the line holding the item
    std::string source;            // media file, UTF-8
    int32_t dwselptrinmainapp = 0; // item identifier, unique within one front-end process
    int32_t nIndex = 0;

    // --- used parts of the source (source seconds) and the place on the timeline
    double dVSelfStartTime = 0.0;
    double dVSelfEndTime = 0.0;
    double dVSelfDuration = 0.0;
    double dASelfStartTime = 0.0;
    double dASelfEndTime = 0.0;
    double dASelfDuration = 0.0;
    double dEditorStartTime = 0.0;
    double dEditorEndTime = 0.0;
    double dPlaybackRate = 1.0; // at least 0.01
    double dEffectDuration = 0.0;

    // --- sound
    int32_t bHadAudio = 0;
    int32_t bDisableAudio = 0;
    double dVoiceScale = 1.0;
    double dAudioDelay = 0.0; // seconds the audio is shifted against the video
    int32_t bVocalCut = 0;
    int32_t bEnableAudioEffect = 0;
    double dAudioFadeInDuration = 0.0;
    double dAudioFadeOutDuration = 0.0;

    // --- picture
    int32_t nVideoWidth = 0;
    int32_t nVideoHeight = 0;
    int32_t eImageFillMode = 0; // 0 fit keeping the aspect, otherwise stretch
    int32_t nFileNameWidth = 0;

    // --- effect indices
    int32_t nIndexVEffect = 0;
    int32_t nIndexVTranEffect = 0;
    int32_t nIndexVTranEffect3D = 0;
    int32_t nCountCaptureImageForEffect_End = 0;

    // --- camera, 3D placement and subtitle data: carried through the file with default
    //     values, never drawn
    int32_t bUseStartKeyFrameFor3DGroup = 0;
    double dStartTimeOfKeyFrameFor3DGroup = 0.0;
    int32_t bEnableCamera = 0;
    double dxAngle = 0.0, dxScale = 1.0;
    double dyAngle = 0.0, dyScale = 1.0;
    double dzAngle = 0.0, dzScale = 1.0;
    int32_t n3Depth = 0;
    double dzDelPos = 0.0;
    int32_t bSubtitleFile = 0;
    int32_t nSubtitleChapterIndex = 0;
    tagQV3DGroupSettings groupSettings;

    // --- optional records, present only when their feature is on
    std::unique_ptr<tagQVCropData> pCrop;
    std::unique_ptr<tagQVRotationData> pRotation;
    std::unique_ptr<tagQVBorderData> pBorder;
    std::unique_ptr<tagQVVideoKeyData> pVideoKey;
    std::unique_ptr<tagQVMaskData> pMask;
    std::unique_ptr<tagQVColorAdjustment> pColorAdjustment;
    std::unique_ptr<tagQVColorBlock> pColorBlock;
    std::vector<tagQVVideoSnapshotData> snapshots;

    // --- engine run time
    tagQVMediaData* pNextItem = nullptr; // next item of the same line, not owned
    std::unique_ptr<IQVMediaItemState> pState;
};

} // namespace qv
