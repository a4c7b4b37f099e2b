#include "project/ProjectFileKeys.h"

#include "project/MediaTypes.h"
#include "project/ProjectWriter.h"

namespace qv
{

namespace
{

using M = tagQVMediaData;
using L = TimelineLine;
constexpr EQVKeyRole kGate = EQVKeyRole::Gate;
constexpr uint32_t kSound = kReadForSoundItems;
constexpr uint32_t kVideo = kReadForVideoItems;

constexpr tagQVFileKey<tagQVEditorViewState> kEditorView[] = {
    Key<&tagQVEditorViewState::dCurFrameTime>("dCurFrameTime"),
    Key<&tagQVEditorViewState::nCurTimeScaleZoomIndex>("nCurTimeScaleZoomIndex"),
    Key<&tagQVEditorViewState::nEditMode>("nEditMode"),
    Key<&tagQVEditorViewState::nHorizonalPos>("nHorizonalPos"),
    Key<&tagQVEditorViewState::nVerticalPos>("nVerticalPos"),
};

constexpr tagQVFileKey<ProjectTimeline> kTimeline[] = {
    Key<&ProjectTimeline::b3D>("b3D"),
    Key<&ProjectTimeline::bEnableFog>("bEnableFog"),
    Key<&ProjectTimeline::bEnableLighting>("bEnableLighting"),
    Key<&ProjectTimeline::clrFog>("clrFog"),
    Key<&ProjectTimeline::clrLightAmbient>("clrLightAmbient"),
    Key<&ProjectTimeline::clrLightDiffuse>("clrLightDiffuse"),
};

// An engine line may take the settings of several line elements (of the same type); the
// keys with a default of 0 do not carry an earlier element's value over.
constexpr tagQVFileKey<L> kLineHead[] = {
    Key<&L::bUse3DGroupTemplate>("bUse3DGroupTemplate").Default(0),
    // Only enabled lines are read, so this is always 0 where it is read.
    Key<&L::bDisable>(kKeyLineDisable).Default(0),
};
constexpr tagQVFileKey<L> kLine3DGroup[] = {
    Key<&L::b3DGroup>("b3DGroup").Role(kGate),
    Key<&L::ax3DGroup>("ax3DGroup"),
    Key<&L::ay3DGroup>("ay3DGroup"),
    Key<&L::az3DGroup>("az3DGroup"),
    Key<&L::x3DGroup>("x3DGroup"),
    Key<&L::y3DGroup>("y3DGroup"),
    Key<&L::z3DGroup>("z3DGroup"),
};
constexpr tagQVFileKey<L> kLineLighting[] = {
    Key<&L::enableLighting3DGroup>("enableLighting3DGroup").Role(kGate),
    Key<&L::clrLightAmbient3DGroup>("clrLightAmbient3DGroup"),
    Key<&L::clrLightDiffuse3DGroup>("clrLightDiffuse3DGroup"),
};
constexpr tagQVFileKey<L> kLineFront[] = {
    Key<&L::bAlwaysInFrontOfPrevLines>("bAlwaysInFrontOfPrevLines").Default(0),
};
constexpr tagQVFileKey<L> kLineMargin[] = {
    Key<&L::subtitlebottommargin>("subtitlebottommargin").Default(10),
};

constexpr tagQVFileKey<M> kItemHead[] = {
    Key<&M::bUseStartKeyFrameFor3DGroup>("bUseStartKeyFrameFor3DGroup"),
    Key<&M::dStartTimeOfKeyFrameFor3DGroup>("dStartTimeOfKeyFrameFor3DGroup"),
    Key<&M::bVocalCut>("bVocalCut").ReadFor(kSound),
    Key<&M::dAudioDelay>("dAudioDelay").ReadFor(kSound),
    Key<&M::bEnableCamera>("bEnableCamera"),
};
constexpr tagQVFileKey<M> kItem3DPlacement[] = {
    Key<&M::dxAngle>("dxAngle"), Key<&M::dxScale>("dxScale"),   Key<&M::dyAngle>("dyAngle"),
    Key<&M::dyScale>("dyScale"), Key<&M::dzAngle>("dzAngle"),   Key<&M::dzScale>("dzScale"),
    Key<&M::n3Depth>("n3Depth"), Key<&M::dzDelPos>("dzDelPos"),
};
constexpr tagQVFileKey<M> kItemSubtitle[] = {
    Key<&M::bSubtitleFile>("bSubtitleFile"),
    Key<&M::nSubtitleChapterIndex>("nSubtitleChapterIndex"),
};
constexpr tagQVFileKey<tagQVAudioFade> kAudioFade[] = {
    Key<&tagQVAudioFade::bEnableAudioEffect>("bEnableAudioEffect").Role(kGate),
    Key<&tagQVAudioFade::dAudioFadeInDuration>("dAudioFadeInDuration"),
    Key<&tagQVAudioFade::dAudioFadeOutDuration>("dAudioFadeOutDuration"),
};
// A file without a rate or a volume means 0 (the rate then becomes the reader's minimum),
// not the model's 1.
constexpr tagQVFileKey<M> kItem[] = {
    Key<&M::bDisableAudio>("bDisableAudio").ReadFor(kSound),
    Key<&M::bHadAudio>("bHadAudio").ReadFor(kSound),
    Key<&M::dASelfDuration>("dASelfDuration").ReadFor(kSound),
    Key<&M::dASelfEndTime>("dASelfEndTime").ReadFor(kSound),
    Key<&M::dASelfStartTime>("dASelfStartTime").ReadFor(kSound),
    Key<&M::dEditorEndTime>("dEditorEndTime"),
    Key<&M::dEditorStartTime>("dEditorStartTime"),
    Key<&M::dVSelfDuration>("dVSelfDuration").ReadFor(kSound),
    Key<&M::dVSelfEndTime>("dVSelfEndTime").ReadFor(kSound),
    Key<&M::dVSelfStartTime>("dVSelfStartTime").ReadFor(kSound),
    Key<&M::dEffectDuration>("dEffectDuration"),
    Key<&M::dPlaybackRate>("dPlaybackRate").Default(0.0),
    Key<&M::dVoiceScale>("dVoiceScale").Default(0.0).ReadFor(kSound),
    Key<&M::eImageFillMode>("eImageFillMode"),
    Key<&M::eMediaType>(kKeyMediaType),
    Key<&M::eMediaTypeLine>(kKeyMediaTypeLine),
    Key<&M::nFileNameWidth>("nFileNameWidth"),
    Key<&M::nIndex>("nIndex"),
    Key<&M::nIndexVEffect>("nIndexVEffect"),
    Key<&M::nIndexVTranEffect>("nIndexVTranEffect"),
    Key<&M::nVideoWidth>("nVideoWidth").ReadFor(kVideo),
    Key<&M::nVideoHeight>("nVideoHeight").ReadFor(kVideo),
    Key<&M::dwselptrinmainapp>("dwselptrinmainapp"),
    Key<&M::nCountCaptureImageForEffect_End>("nCountCaptureImageForEffect_End"),
    Key<&M::nIndexVTranEffect3D>("nIndexVTranEffect3D"),
};

constexpr tagQVFileKey<tagQVMaskData> kMask[] = {
    Key<&tagQVMaskData::MaskdSizeScale>("MaskdSizeScale"),
    Key<&tagQVMaskData::MaskbFillMovementTimeDur>("MaskbFillMovementTimeDur").Role(kGate),
    Key<&tagQVMaskData::MaskbFillWithColor>("MaskbFillWithColor"),
    Key<&tagQVMaskData::MaskbStretchToFill>("MaskbStretchToFill"),
    Key<&tagQVMaskData::MaskclrFill>("MaskclrFill"),
    Key<&tagQVMaskData::MaskdMovementTimeDur>("MaskdMovementTimeDur"),
    Key<&tagQVMaskData::MasknImageMaskIndex>("MasknImageMaskIndex"),
    Key<&tagQVMaskData::MasknMovementLoop>("MasknMovementLoop"),
    Key<&tagQVMaskData::MasknType>("MasknType"),
};
constexpr tagQVFileKey<tagQVMaskData> kMaskFill[] = {
    Key<&tagQVMaskData::MaskszImageFill>("MaskszImageFill"),
};
constexpr tagQVFileKey<tagQVRotationData> kRotation[] = {
    Key<&tagQVRotationData::enablerotation>("enablerotation").Role(kGate),
    Key<&tagQVRotationData::rotationflip>("rotationflip"),
    Key<&tagQVRotationData::rotationreverse>("rotationreverse"),
    Key<&tagQVRotationData::rotationangle>("rotationangle"),
};
constexpr tagQVFileKey<tagQVVideoKeyData> kVideoKey[] = {
    Key<&tagQVVideoKeyData::VideoKeyEnable>("VideoKeyEnable").Role(kGate),
    Key<&tagQVVideoKeyData::VideoKeyErrorDel>("VideoKeyErrorDel"),
    Key<&tagQVVideoKeyData::VideoKeyColor>("VideoKeyColor"),
};
constexpr tagQVFileKey<tagQVBorderData> kBorder[] = {
    Key<&tagQVBorderData::BorderEnable>("BorderEnable").Role(kGate),
    Key<&tagQVBorderData::BorderColor>("BorderColor"),
    Key<&tagQVBorderData::BorderType>("BorderType"),
    Key<&tagQVBorderData::BorderSize>("BorderSize"),
};
constexpr tagQVFileKey<tagQVCropData> kCrop[] = {
    Key<&tagQVCropData::enablecrop>("enablecrop").Role(EQVKeyRole::GateNonZero),
    Key<&tagQVCropData::xcrop>("xcrop"),
    Key<&tagQVCropData::ycrop>("ycrop"),
    Key<&tagQVCropData::wcrop>("wcrop"),
    Key<&tagQVCropData::hcrop>("hcrop"),
};

constexpr tagQVFileKey<tagQVColorBlock> kColorBlock[] = {
    Key<&tagQVColorBlock::clr>("clr"),
};
constexpr tagQVFileKey<tagQVVideoSnapshotData> kSnapshot[] = {
    Key<&tagQVVideoSnapshotData::bRewind>("bRewind"),
    Key<&tagQVVideoSnapshotData::nRewindLoop>("nRewindLoop"),
    Key<&tagQVVideoSnapshotData::dRewindMediaDuration>("dRewindMediaDuration"),
    Key<&tagQVVideoSnapshotData::dBackDurationPercent>("dBackDurationPercent"),
    Key<&tagQVVideoSnapshotData::dCaptureTime>("dCaptureTime"),
    Key<&tagQVVideoSnapshotData::dDuration>("dDuration"),
};

using C = tagQVColorAdjustment;
constexpr tagQVFileKey<C> kColorAdjustment[] = {
    Key<&C::bEnableBrightnessAndContrast>("bEnableBrightnessAndContrast"),
    Key<&C::nBrightness>("nBrightness"),
    Key<&C::nContrast>("nContrast"),
    Key<&C::bEnableLevels>("bEnableLevels"),
    Key<&C::nRedLevels>("nRedLevels"),
    Key<&C::nGreenLevels>("nGreenLevels"),
    Key<&C::nBlueLevels>("nBlueLevels"),
    Key<&C::bEnableColorize>("bEnableColorize"),
    Key<&C::nColorizeHue>("nColorizeHue"),
    Key<&C::nColorizeSaturation>("nColorizeSaturation"),
    Key<&C::dColorizeBlend>("dColorizeBlend"),
    Key<&C::bEnableSaturate>("bEnableSaturate"),
    Key<&C::nSaturate>("nSaturate"),
    Key<&C::bEnableJitter>("bEnableJitter"),
    Key<&C::nJitter>("nJitter"),
    Key<&C::bEnableGrayScale>("bEnableGrayScale"),
    Key<&C::bEnableSoften>("bEnableSoften"),
    Key<&C::bEnableSharpen>("bEnableSharpen"),
    Key<&C::bEnableBlur>("bEnableBlur"),
    Key<&C::bEnableEdgeDetection>("bEnableEdgeDetection"),
};
constexpr tagQVFileKey<C> kMosaic[] = {
    Key<&C::bEnableMasaic>("bEnableMasaic").Role(kGate),
    Key<&C::nMasaicTileSize>("nMasaicTileSize"),
    Key<&C::nMasaicX>("nMasaicX"),
    Key<&C::nMasaicY>("nMasaicY"),
    Key<&C::nMasaicW>("nMasaicW"),
    Key<&C::nMasaicH>("nMasaicH"),
};

using G = tagQV3DGroupSettings;
constexpr tagQVFileKey<G> kGroupSettings[] = {
    Key<&G::dDepth>("dDepth"),
    Key<&G::ax>("ax"),
    Key<&G::ay>("ay"),
    Key<&G::az>("az"),
    Key<&G::x>("x"),
    Key<&G::y>("y"),
    Key<&G::z>("z"),
    Key<&G::nDelHY>("nDelHY"),
    Key<&G::nDelWX>("nDelWX"),
    Key<&G::nHeight>("nHeight"),
    Key<&G::nMotionReferencePos>("nMotionReferencePos"),
    Key<&G::nVisible>("nVisible"),
    Key<&G::nWidth>("nWidth"),
    Key<&G::bBottom>("bBottom"),
    Key<&G::bEnable>("bEnable"),
    Key<&G::bLeft>("bLeft"),
    Key<&G::bRight>("bRight"),
    Key<&G::bTop>("bTop"),
    Key<&G::nMaxTransparency>("nMaxTransparency"),
    Key<&G::nVisiblePart>("nVisiblePart"),
};

} // namespace

uint32_t ItemReadClasses(int32_t eMediaType)
{
    if (eMediaType == kMediaVideo)
        return kReadForSoundItems | kReadForVideoItems;
    return eMediaType == kMediaAudio ? kReadForSoundItems : 0u;
}

const tagQVKeyTable<tagQVEditorViewState> kEditorViewKeys = KeyTable(kEditorView);
const tagQVKeyTable<ProjectTimeline> kTimelineKeys = KeyTable(kTimeline);

const tagQVKeyTable<TimelineLine> kLineHeadKeys = KeyTable(kLineHead);
const tagQVKeyTable<TimelineLine> kLine3DGroupKeys = KeyTable(kLine3DGroup);
const tagQVKeyTable<TimelineLine> kLineLightingKeys = KeyTable(kLineLighting);
const tagQVKeyTable<TimelineLine> kLineFrontKeys = KeyTable(kLineFront);
const tagQVKeyTable<TimelineLine> kLineMarginKeys = KeyTable(kLineMargin);

const tagQVKeyTable<tagQVMediaData> kItemHeadKeys = KeyTable(kItemHead);
const tagQVKeyTable<tagQVMediaData> kItem3DPlacementKeys = KeyTable(kItem3DPlacement);
const tagQVKeyTable<tagQVMediaData> kItemSubtitleKeys = KeyTable(kItemSubtitle);
const tagQVKeyTable<tagQVAudioFade> kAudioFadeKeys = KeyTable(kAudioFade);
const tagQVKeyTable<tagQVMediaData> kItemKeys = KeyTable(kItem);

const tagQVKeyTable<tagQVMaskData> kMaskKeys = KeyTable(kMask);
const tagQVKeyTable<tagQVMaskData> kMaskFillKeys = KeyTable(kMaskFill);
const tagQVKeyTable<tagQVRotationData> kRotationKeys = KeyTable(kRotation);
const tagQVKeyTable<tagQVVideoKeyData> kVideoKeyKeys = KeyTable(kVideoKey);
const tagQVKeyTable<tagQVBorderData> kBorderKeys = KeyTable(kBorder);
const tagQVKeyTable<tagQVCropData> kCropKeys = KeyTable(kCrop);

const tagQVKeyTable<tagQVColorBlock> kColorBlockKeys = KeyTable(kColorBlock);
const tagQVKeyTable<tagQVVideoSnapshotData> kSnapshotKeys = KeyTable(kSnapshot);
const tagQVKeyTable<tagQVColorAdjustment> kColorAdjustmentKeys = KeyTable(kColorAdjustment);
const tagQVKeyTable<tagQVColorAdjustment> kMosaicKeys = KeyTable(kMosaic);
const tagQVKeyTable<tagQV3DGroupSettings> kGroupSettingsKeys = KeyTable(kGroupSettings);

} // namespace qv
