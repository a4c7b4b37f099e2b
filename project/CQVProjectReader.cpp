#include "project/CQVProjectReader.h"

#include "platform/ProgramFolder.h"
#include "project/CQVTinyXmlDocument.h"
#include "project/CQVXmlDocument.h"
#include "project/FileBytes.h"
#include "project/LineTypes.h"

#include <algorithm>
#include <cmath>

namespace qv
{

namespace
{

constexpr size_t kMaxProjectBytes = 64u << 20;
constexpr double kMinimumRate = 0.01;
// A preview scale factor outside this range is ignored (the current one is kept).
constexpr double kMinimumFactor = 0.01;
constexpr double kMaximumFactor = 16.0;
constexpr int32_t kPreviewOverlayCap = 256;

// Largest overlay picture by overlay quality 0..4.
constexpr int32_t kOverlayLimits[5][2] = {
    {320, 240}, {480, 360}, {720, 480}, {1280, 720}, {1440, 1080}};

// A number of seconds (or other double) from the file; nonsense keeps the default and
// very large values are held to a range later integer conversions can take.
double ReadDouble(CQVXmlElementRef element, const char* name, double dDefault)
{
    double value = element.GetDouble(name, dDefault);
    if (!std::isfinite(value))
        return dDefault;
    return std::clamp(value, -CQVProjectReader::kMaxMagnitude, CQVProjectReader::kMaxMagnitude);
}

int32_t ToInt32(double value)
{
    if (!(value > 0.0))
        return 0;
    return value >= 2147483647.0 ? INT32_MAX : static_cast<int32_t>(value);
}

void ReadColorAdjustment(CQVXmlElementRef e, tagQVColorAdjustment* pRecord)
{
    tagQVColorAdjustment& c = *pRecord;
    c.bEnableBrightnessAndContrast = e.GetInt("bEnableBrightnessAndContrast", 0);
    c.nBrightness = e.GetInt("nBrightness", 0);
    c.nContrast = e.GetInt("nContrast", 0);
    c.bEnableLevels = e.GetInt("bEnableLevels", 0);
    c.nRedLevels = e.GetInt("nRedLevels", 255);
    c.nGreenLevels = e.GetInt("nGreenLevels", 255);
    c.nBlueLevels = e.GetInt("nBlueLevels", 255);
    c.bEnableColorize = e.GetInt("bEnableColorize", 0);
    c.nColorizeHue = e.GetInt("nColorizeHue", 0);
    c.nColorizeSaturation = e.GetInt("nColorizeSaturation", 0);
    c.dColorizeBlend = ReadDouble(e, "dColorizeBlend", 1.0);
    c.bEnableSaturate = e.GetInt("bEnableSaturate", 0);
    c.nSaturate = e.GetInt("nSaturate", 0);
    c.bEnableJitter = e.GetInt("bEnableJitter", 0);
    c.nJitter = e.GetInt("nJitter", 2);
    c.bEnableGrayScale = e.GetInt("bEnableGrayScale", 0);
    c.bEnableSoften = e.GetInt("bEnableSoften", 0);
    c.bEnableSharpen = e.GetInt("bEnableSharpen", 0);
    c.bEnableBlur = e.GetInt("bEnableBlur", 0);
    c.bEnableEdgeDetection = e.GetInt("bEnableEdgeDetection", 0);
    if (e.HasAttribute("bEnableMasaic"))
    {
        c.bEnableMasaic = e.GetInt("bEnableMasaic", 0);
        c.nMasaicTileSize = e.GetInt("nMasaicTileSize", 10);
        c.nMasaicX = e.GetInt("nMasaicX", 0);
        c.nMasaicY = e.GetInt("nMasaicY", 0);
        c.nMasaicW = e.GetInt("nMasaicW", 100);
        c.nMasaicH = e.GetInt("nMasaicH", 100);
    }
}

void ReadGroupSettings(CQVXmlElementRef e, tagQV3DGroupSettings* pRecord)
{
    tagQV3DGroupSettings& g = *pRecord;
    g.dDepth = ReadDouble(e, "dDepth", g.dDepth);
    g.ax = ReadDouble(e, "ax", g.ax);
    g.ay = ReadDouble(e, "ay", g.ay);
    g.az = ReadDouble(e, "az", g.az);
    g.x = ReadDouble(e, "x", g.x);
    g.y = ReadDouble(e, "y", g.y);
    g.z = ReadDouble(e, "z", g.z);
    g.nDelHY = e.GetInt("nDelHY", g.nDelHY);
    g.nDelWX = e.GetInt("nDelWX", g.nDelWX);
    g.nHeight = e.GetInt("nHeight", g.nHeight);
    g.nMotionReferencePos = e.GetInt("nMotionReferencePos", g.nMotionReferencePos);
    g.nVisible = e.GetInt("nVisible", g.nVisible);
    g.nWidth = e.GetInt("nWidth", g.nWidth);
    g.bBottom = e.GetInt("bBottom", g.bBottom);
    g.bEnable = e.GetInt("bEnable", g.bEnable);
    g.bLeft = e.GetInt("bLeft", g.bLeft);
    g.bRight = e.GetInt("bRight", g.bRight);
    g.bTop = e.GetInt("bTop", g.bTop);
    g.nMaxTransparency = e.GetInt("nMaxTransparency", g.nMaxTransparency);
    g.nVisiblePart = e.GetInt("nVisiblePart", g.nVisiblePart);
}

void ReadSnapshots(CQVXmlElementRef list, std::vector<tagQVVideoSnapshotData>* pPoints)
{
    for (CQVXmlElementRef e = list.FirstChildElement("item"); e; e = e.NextSiblingElement())
    {
        tagQVVideoSnapshotData point;
        point.bRewind = e.GetInt("bRewind", 0);
        point.nRewindLoop = e.GetInt("nRewindLoop", 0);
        point.dRewindMediaDuration = ReadDouble(e, "dRewindMediaDuration", 1.0);
        point.dBackDurationPercent = ReadDouble(e, "dBackDurationPercent", 0.5);
        point.dCaptureTime = ReadDouble(e, "dCaptureTime", 0.0);
        point.dDuration = ReadDouble(e, "dDuration", 0.0);
        pPoints->push_back(point);
    }
}

} // namespace

CQVProjectReader::CQVProjectReader(tagQVProjectReadContext* pContext) : m_pContext(pContext) {}

ProjectReadResult CQVProjectReader::ReadFile(const std::string& path, ProjectTimeline* pTimeline)
{
    std::string bytes;
    if (!ReadFileBytes(path, kMaxProjectBytes, &bytes))
        return ProjectReadResult::Unreadable;
    return ReadBytes(bytes, pTimeline);
}

ProjectReadResult CQVProjectReader::ReadBytes(std::string_view bytes, ProjectTimeline* pTimeline)
{
    if (!m_pContext || !m_pContext->pOutputSettings || !pTimeline)
        return ProjectReadResult::Unreadable;

    ProjectTimeline timeline;
    Outcome own = Outcome::NoProject;
    {
        CQVXmlDocument document;
        if (document.LoadBytes(bytes))
        {
            timeline = ProjectTimeline::CreateEngineLines();
            own = ReadProjectElement(CQVXmlElementRef(document.FirstChildElement(u"project")),
                                     &timeline);
        }
    }
    Outcome fallback = Outcome::NoProject;
    if (own != Outcome::Read)
    {
        CQVTinyXmlDocument document;
        if (document.LoadBytes(bytes))
        {
            timeline = ProjectTimeline::CreateEngineLines();
            fallback = ReadProjectElement(document.FirstChildElement("project"), &timeline);
        }
    }
    if (own != Outcome::Read && fallback != Outcome::Read)
        return own == Outcome::Rejected || fallback == Outcome::Rejected
                   ? ProjectReadResult::Rejected
                   : ProjectReadResult::Unreadable;

    // Only a project that was read whole changes the engine's state.
    CQVOutputSettingsTable& table = *m_pContext->pOutputSettings;
    table.MakeCurrent(m_nSlot);
    // The decoder settings are advisory; a store that cannot be written does not stop a job.
    WriteDecoderSettings(table.Current());
    int32_t width = ToInt32(table.Current().nWidth * m_dFactor);
    int32_t height = ToInt32(table.Current().nHeight * m_dFactor);
    if (m_pContext->bPreviewRun)
    {
        width -= width % 4;
        height -= height % 4;
    }
    m_pContext->nOutputWidth = width;
    m_pContext->nOutputHeight = height;
    m_pContext->dScaleFactorForPlay = m_dFactor;
    *pTimeline = std::move(timeline);
    return own == Outcome::Read ? ProjectReadResult::Loaded : ProjectReadResult::LoadedByFallback;
}

CQVProjectReader::Outcome CQVProjectReader::ReadProjectElement(CQVXmlElementRef project,
                                                               ProjectTimeline* pTimeline)
{
    if (!project)
        return Outcome::NoProject;
    ProjectTimeline& timeline = *pTimeline;
    m_relativeDir = project.GetPath("RelativeDir", std::string());
    timeline.b3D = project.GetInt("b3D", timeline.b3D);
    timeline.bEnableFog = project.GetInt("bEnableFog", timeline.bEnableFog);
    timeline.bEnableLighting = project.GetInt("bEnableLighting", timeline.bEnableLighting);
    timeline.clrFog = project.GetInt("clrFog", timeline.clrFog);
    timeline.clrLightAmbient = project.GetInt("clrLightAmbient", timeline.clrLightAmbient);
    timeline.clrLightDiffuse = project.GetInt("clrLightDiffuse", timeline.clrLightDiffuse);

    const int32_t slot =
        project.GetInt("vensettingIndex", m_pContext->pOutputSettings->CurrentSlot());
    if (slot < 0 || slot >= kPresetCount)
        return Outcome::Rejected;
    m_nSlot = slot;

    m_dFactor = m_pContext->dScaleFactorForPlay;
    double factor = project.GetDouble("dScaleFactorForPlay", m_dFactor);
    if (std::isfinite(factor) && factor >= kMinimumFactor && factor <= kMaximumFactor)
        m_dFactor = factor;
    if (!m_pContext->bPreviewRun)
        m_dFactor = 1.0;

    for (CQVXmlElementRef line = project.FirstChildElement("line"); line;
         line = line.NextSiblingElement())
        ReadLine(line, &timeline);

    MoveItemsAfterEffects(&timeline);
    for (TimelineLine& line : timeline.lines)
        line.LinkItems();
    timeline.secondLine.LinkItems();
    SetOverlaySizes(&timeline, m_pContext->pOutputSettings->Slot(m_nSlot));
    return Outcome::Read;
}

void CQVProjectReader::ReadLine(CQVXmlElementRef line, ProjectTimeline* pTimeline)
{
    if (line.GetInt("bDisable", 0) != 0)
        return;
    bool anyItem = false;
    int32_t lineType = 0;
    for (CQVXmlElementRef element = line.FirstChildElement("item"); element;
         element = element.NextSiblingElement())
    {
        if (!anyItem)
        {
            lineType = element.GetInt("eMediaTypeLine", 0);
            anyItem = true;
        }
        std::unique_ptr<tagQVMediaData> item = ReadItem(element, pTimeline);
        if (!item)
            continue;
        // An item of a type the engine has no line for has nowhere to play.
        if (TimelineLine* target = pTimeline->FindLine(item->eMediaTypeLine))
            target->items.push_back(std::move(item));
    }
    if (!anyItem)
        return;
    if (TimelineLine* typed = pTimeline->FindLine(lineType))
        ReadLineSettings(line, typed);
}

void CQVProjectReader::ReadLineSettings(CQVXmlElementRef line, TimelineLine* pLine) const
{
    TimelineLine& l = *pLine;
    if (line.HasAttribute("b3DGroup"))
    {
        l.b3DGroup = line.GetInt("b3DGroup", 0);
        l.ax3DGroup = ReadDouble(line, "ax3DGroup", l.ax3DGroup);
        l.ay3DGroup = ReadDouble(line, "ay3DGroup", l.ay3DGroup);
        l.az3DGroup = ReadDouble(line, "az3DGroup", l.az3DGroup);
        l.x3DGroup = ReadDouble(line, "x3DGroup", l.x3DGroup);
        l.y3DGroup = ReadDouble(line, "y3DGroup", l.y3DGroup);
        l.z3DGroup = ReadDouble(line, "z3DGroup", l.z3DGroup);
        if (line.HasAttribute("enableLighting3DGroup"))
        {
            l.enableLighting3DGroup = line.GetInt("enableLighting3DGroup", 0);
            l.clrLightAmbient3DGroup =
                line.GetInt("clrLightAmbient3DGroup", l.clrLightAmbient3DGroup);
            l.clrLightDiffuse3DGroup =
                line.GetInt("clrLightDiffuse3DGroup", l.clrLightDiffuse3DGroup);
        }
        l.bAlwaysInFrontOfPrevLines = line.GetInt("bAlwaysInFrontOfPrevLines", 0);
    }
    l.bUse3DGroupTemplate = line.GetInt("bUse3DGroupTemplate", 0);
    const double margin = line.GetInt("subtitlebottommargin", 10) * m_dFactor;
    l.subtitlebottommargin =
        margin < 0.0 ? -ToInt32(-margin) : ToInt32(margin); // truncated toward zero
}

std::unique_ptr<tagQVMediaData> CQVProjectReader::ReadItem(CQVXmlElementRef e,
                                                           ProjectTimeline* pTimeline)
{
    const int32_t eMediaType = e.GetInt("eMediaType", 0);
    // Kind 6 belongs to the larger family's own reader, which this product does not have.
    if (eMediaType == 6)
        return nullptr;
    auto item = std::make_unique<tagQVMediaData>();
    tagQVMediaData& m = *item;
    m.eMediaType = eMediaType;
    m.eMediaTypeLine = e.GetInt("eMediaTypeLine", 0);

    m.dEditorStartTime = ReadDouble(e, "dEditorStartTime", 0.0);
    m.dEditorEndTime = ReadDouble(e, "dEditorEndTime", 0.0);
    m.dPlaybackRate = std::max(ReadDouble(e, "dPlaybackRate", 0.0), kMinimumRate);
    m.dEffectDuration = ReadDouble(e, "dEffectDuration", 0.0);
    m.eImageFillMode = e.GetInt("eImageFillMode", 0);
    m.dwselptrinmainapp = e.GetInt("dwselptrinmainapp", 0);
    m.nIndex = e.GetInt("nIndex", 0);
    m.nFileNameWidth = e.GetInt("nFileNameWidth", 0);
    m.nIndexVEffect = e.GetInt("nIndexVEffect", 0);
    m.nIndexVTranEffect = e.GetInt("nIndexVTranEffect", 0);
    m.nIndexVTranEffect3D = e.GetInt("nIndexVTranEffect3D", 0);
    m.nCountCaptureImageForEffect_End = e.GetInt("nCountCaptureImageForEffect_End", 0);
    m.bUseStartKeyFrameFor3DGroup = e.GetInt("bUseStartKeyFrameFor3DGroup", 0);
    m.dStartTimeOfKeyFrameFor3DGroup = ReadDouble(e, "dStartTimeOfKeyFrameFor3DGroup", 0.0);
    m.bEnableCamera = e.GetInt("bEnableCamera", 0);
    m.dxAngle = ReadDouble(e, "dxAngle", m.dxAngle);
    m.dxScale = ReadDouble(e, "dxScale", m.dxScale);
    m.dyAngle = ReadDouble(e, "dyAngle", m.dyAngle);
    m.dyScale = ReadDouble(e, "dyScale", m.dyScale);
    m.dzAngle = ReadDouble(e, "dzAngle", m.dzAngle);
    m.dzScale = ReadDouble(e, "dzScale", m.dzScale);
    m.n3Depth = e.GetInt("n3Depth", 0);
    m.dzDelPos = ReadDouble(e, "dzDelPos", 0.0);
    m.bSubtitleFile = e.GetInt("bSubtitleFile", 0);
    m.nSubtitleChapterIndex = e.GetInt("nSubtitleChapterIndex", 0);

    if (eMediaType == 0 || eMediaType == 1)
    {
        m.dVSelfStartTime = ReadDouble(e, "dVSelfStartTime", 0.0);
        m.dVSelfEndTime = ReadDouble(e, "dVSelfEndTime", 0.0);
        m.dVSelfDuration = ReadDouble(e, "dVSelfDuration", 0.0);
        m.dASelfStartTime = ReadDouble(e, "dASelfStartTime", 0.0);
        m.dASelfEndTime = ReadDouble(e, "dASelfEndTime", 0.0);
        m.dASelfDuration = ReadDouble(e, "dASelfDuration", 0.0);
        m.bHadAudio = e.GetInt("bHadAudio", 0);
        m.bDisableAudio = e.GetInt("bDisableAudio", 0);
        m.dVoiceScale = ReadDouble(e, "dVoiceScale", 0.0);
        m.dAudioDelay = ReadDouble(e, "dAudioDelay", 0.0);
        m.bVocalCut = e.GetInt("bVocalCut", 0);
    }
    if (eMediaType == 0)
    {
        m.nVideoWidth = e.GetInt("nVideoWidth", 0);
        m.nVideoHeight = e.GetInt("nVideoHeight", 0);
    }

    if (e.HasAttribute("MaskbFillMovementTimeDur"))
    {
        m.pMask = std::make_unique<tagQVMaskData>();
        tagQVMaskData& mask = *m.pMask;
        mask.MaskdSizeScale = ReadDouble(e, "MaskdSizeScale", mask.MaskdSizeScale);
        mask.MaskbStretchToFill = e.GetInt("MaskbStretchToFill", 0);
        mask.MaskbFillWithColor = e.GetInt("MaskbFillWithColor", 0);
        mask.MaskclrFill = e.GetInt("MaskclrFill", 0);
        mask.MasknType = e.GetInt("MasknType", 0);
        mask.MaskdMovementTimeDur = ReadDouble(e, "MaskdMovementTimeDur", 0.0);
        mask.MaskbFillMovementTimeDur = e.GetInt("MaskbFillMovementTimeDur", 0);
        mask.MasknMovementLoop = e.GetInt("MasknMovementLoop", 0);
        mask.MasknImageMaskIndex = e.GetInt("MasknImageMaskIndex", 0);
        mask.MaskszImageFill = e.GetPath("MaskszImageFill", std::string());
    }
    if (e.HasAttribute("enablerotation"))
    {
        m.pRotation = std::make_unique<tagQVRotationData>();
        m.pRotation->enablerotation = e.GetInt("enablerotation", 0);
        m.pRotation->rotationreverse = e.GetInt("rotationreverse", 0);
        m.pRotation->rotationflip = e.GetInt("rotationflip", 0);
        m.pRotation->rotationangle = e.GetInt("rotationangle", 0);
    }
    if (e.HasAttribute("bEnableAudioEffect"))
    {
        m.bEnableAudioEffect = e.GetInt("bEnableAudioEffect", 0);
        m.dAudioFadeInDuration = ReadDouble(e, "dAudioFadeInDuration", 0.0);
        m.dAudioFadeOutDuration = ReadDouble(e, "dAudioFadeOutDuration", 0.0);
    }
    if (e.HasAttribute("VideoKeyEnable"))
    {
        m.pVideoKey = std::make_unique<tagQVVideoKeyData>();
        m.pVideoKey->VideoKeyEnable = e.GetInt("VideoKeyEnable", 0);
        m.pVideoKey->VideoKeyErrorDel = e.GetInt("VideoKeyErrorDel", 0);
        m.pVideoKey->VideoKeyColor = e.GetInt("VideoKeyColor", 0);
        ComputeKeyBounds(m.pVideoKey.get());
    }
    if (e.HasAttribute("BorderEnable"))
    {
        m.pBorder = std::make_unique<tagQVBorderData>();
        m.pBorder->BorderEnable = e.GetInt("BorderEnable", 0);
        m.pBorder->BorderType = e.GetInt("BorderType", 0);
        m.pBorder->BorderSize = e.GetInt("BorderSize", 0);
        m.pBorder->BorderColor = e.GetInt("BorderColor", 0);
    }
    if (e.GetInt("enablecrop", 0) != 0)
    {
        m.pCrop = std::make_unique<tagQVCropData>();
        m.pCrop->enablecrop = e.GetInt("enablecrop", 0);
        m.pCrop->xcrop = e.GetInt("xcrop", 0);
        m.pCrop->ycrop = e.GetInt("ycrop", 0);
        m.pCrop->wcrop = e.GetInt("wcrop", 0);
        m.pCrop->hcrop = e.GetInt("hcrop", 0);
    }

    if (CQVXmlElementRef block = e.FirstChildElement("colorblk"))
    {
        m.pColorBlock = std::make_unique<tagQVColorBlock>();
        m.pColorBlock->clr = block.GetInt("clr", 0);
    }
    if (CQVXmlElementRef snapshots = e.FirstChildElement("VideoSnapshots"))
        ReadSnapshots(snapshots, &m.snapshots);
    if (CQVXmlElementRef adjustment = e.FirstChildElement("ColorAdjustment"))
    {
        m.pColorAdjustment = std::make_unique<tagQVColorAdjustment>();
        ReadColorAdjustment(adjustment, m.pColorAdjustment.get());
    }
    if (CQVXmlElementRef group = e.FirstChildElement("_3DGroupSettings"))
        ReadGroupSettings(group, &m.groupSettings);
    if (e.FirstChildElement("vumeter"))
        pTimeline->bHasLevelMeter = 1;
    if (CQVXmlElementRef source = e.FirstChildElement("source"))
        m.source = ResolveSource(source.TextUtf8());
    return item;
}

std::string CQVProjectReader::ResolveSource(const std::string& path) const
{
    if (path.empty() || PathExists(path) || m_relativeDir.empty())
        return path;
    // The folder is joined to the bare file name as it is: it carries its own separator.
    std::string moved = m_relativeDir + FileNamePart(path);
    return PathExists(moved) ? moved : path;
}

void CQVProjectReader::MoveItemsAfterEffects(ProjectTimeline* pTimeline) const
{
    TimelineLine* main = pTimeline->FindLine(kLineMainVideo);
    if (!main)
        return;
    std::vector<std::unique_ptr<tagQVMediaData>> kept;
    double previousEffect = 0.0;
    for (std::unique_ptr<tagQVMediaData>& item : main->items)
    {
        const double effect = item->dEffectDuration;
        if (previousEffect != 0.0)
        {
            item->dEditorStartTime -= previousEffect;
            if (item->eMediaType == 0)
                item->dVSelfStartTime =
                    std::max(0.0, item->dVSelfStartTime - previousEffect * item->dPlaybackRate);
            pTimeline->secondLine.items.push_back(std::move(item));
        }
        else
            kept.push_back(std::move(item));
        previousEffect = effect;
    }
    main->items = std::move(kept);
}

void CQVProjectReader::SetOverlaySizes(ProjectTimeline* pTimeline,
                                       const tagQVOutputSettings& slot) const
{
    const int quality = std::clamp(slot.nOverlayQuality, 0, 4);
    for (TimelineLine& line : pTimeline->lines)
    {
        if (!IsOverlayLine(line.eMediaTypeLine) || line.items.empty())
            continue;
        int32_t width = 0;
        int32_t height = 0;
        for (const std::unique_ptr<tagQVMediaData>& item : line.items)
        {
            width = std::max(width, item->nVideoWidth);
            height = std::max(height, item->nVideoHeight);
        }
        if (m_pContext->bPreviewRun)
        {
            width = std::min(width, kPreviewOverlayCap);
            height = std::min(height, kPreviewOverlayCap);
        }
        width = std::min(width, kOverlayLimits[quality][0]);
        height = std::min(height, kOverlayLimits[quality][1]);
        line.nMaxItemWidth = std::max(4, width - width % 4);
        line.nMaxItemHeight = std::max(4, height - height % 4);
    }
}

} // namespace qv
