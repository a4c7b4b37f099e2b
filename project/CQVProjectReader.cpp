#include "project/CQVProjectReader.h"

#include "platform/ProgramFolder.h"
#include "project/CQVTinyXmlDocument.h"
#include "project/CQVXmlDocument.h"
#include "project/FileBytes.h"
#include "project/LineTypes.h"
#include "project/MediaTypes.h"
#include "project/ProjectFileKeys.h"

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

int32_t ToInt32(double value)
{
    if (!(value > 0.0))
        return 0;
    return value >= 2147483647.0 ? INT32_MAX : static_cast<int32_t>(value);
}

void ReadSnapshots(CQVXmlElementRef list, std::vector<tagQVVideoSnapshotData>* pPoints)
{
    for (CQVXmlElementRef e = list.FirstChildElement(kElementItem); e; e = e.NextSiblingElement())
    {
        tagQVVideoSnapshotData point;
        ReadKeys(kSnapshotKeys, e, &point);
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
            own = ReadProjectElement(
                CQVXmlElementRef(document.FirstChildElement(KeyName(kElementProject))), &timeline);
        }
    }
    Outcome fallback = Outcome::NoProject;
    if (own != Outcome::Read)
    {
        CQVTinyXmlDocument document;
        if (document.LoadBytes(bytes))
        {
            timeline = ProjectTimeline::CreateEngineLines();
            fallback = ReadProjectElement(document.FirstChildElement(kElementProject), &timeline);
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
    m_relativeDir = project.GetPath(kKeyRelativeDir, std::string());
    ReadKeys(kTimelineKeys, project, &timeline);

    const int32_t slot =
        project.GetInt(kKeyPresetIndex, m_pContext->pOutputSettings->CurrentSlot());
    if (slot < 0 || slot >= kPresetCount)
        return Outcome::Rejected;
    m_nSlot = slot;

    m_dFactor = m_pContext->dScaleFactorForPlay;
    double factor = project.GetDouble(kKeyScaleFactorForPlay, m_dFactor);
    if (std::isfinite(factor) && factor >= kMinimumFactor && factor <= kMaximumFactor)
        m_dFactor = factor;
    if (!m_pContext->bPreviewRun)
        m_dFactor = 1.0;

    for (CQVXmlElementRef line = project.FirstChildElement(kElementLine); line;
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
    if (line.GetInt(kKeyLineDisable, 0) != 0)
        return;
    bool anyItem = false;
    int32_t lineType = 0;
    for (CQVXmlElementRef element = line.FirstChildElement(kElementItem); element;
         element = element.NextSiblingElement())
    {
        if (!anyItem)
        {
            lineType = element.GetInt(kKeyMediaTypeLine, 0);
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
    if (IsTablePresent(kLine3DGroupKeys, line))
    {
        ReadKeys(kLine3DGroupKeys, line, &l);
        if (IsTablePresent(kLineLightingKeys, line))
            ReadKeys(kLineLightingKeys, line, &l);
        ReadKeys(kLineFrontKeys, line, &l);
    }
    ReadKeys(kLineHeadKeys, line, &l);
    ReadKeys(kLineMarginKeys, line, &l);
    const double margin = l.subtitlebottommargin * m_dFactor;
    l.subtitlebottommargin =
        margin < 0.0 ? -ToInt32(-margin) : ToInt32(margin); // truncated toward zero
}

std::unique_ptr<tagQVMediaData> CQVProjectReader::ReadItem(CQVXmlElementRef e,
                                                           ProjectTimeline* pTimeline)
{
    const int32_t eMediaType = e.GetInt(kKeyMediaType, 0);
    // Such items are left out whole: their keys mean something only to their own reader.
    if (eMediaType == kMediaOwnReader)
        return nullptr;
    auto item = std::make_unique<tagQVMediaData>();
    tagQVMediaData& m = *item;
    const uint32_t classes = ItemReadClasses(eMediaType);
    ReadKeys(kItemHeadKeys, e, &m, classes);
    ReadKeys(kItem3DPlacementKeys, e, &m, classes);
    ReadKeys(kItemSubtitleKeys, e, &m, classes);
    ReadKeys(kItemKeys, e, &m, classes);
    m.dPlaybackRate = std::max(m.dPlaybackRate, kMinimumRate);
    if (IsTablePresent(kAudioFadeKeys, e))
    {
        tagQVAudioFade fade;
        ReadKeys(kAudioFadeKeys, e, &fade);
        m.bEnableAudioEffect = fade.bEnableAudioEffect;
        m.dAudioFadeInDuration = fade.dAudioFadeInDuration;
        m.dAudioFadeOutDuration = fade.dAudioFadeOutDuration;
    }

    ReadOptionalRecord(kMaskKeys, e, &m.pMask);
    if (m.pMask)
        ReadKeys(kMaskFillKeys, e, m.pMask.get());
    ReadOptionalRecord(kRotationKeys, e, &m.pRotation);
    ReadOptionalRecord(kVideoKeyKeys, e, &m.pVideoKey);
    if (m.pVideoKey)
        ComputeKeyBounds(m.pVideoKey.get());
    ReadOptionalRecord(kBorderKeys, e, &m.pBorder);
    ReadOptionalRecord(kCropKeys, e, &m.pCrop);

    if (CQVXmlElementRef block = e.FirstChildElement(kElementColorBlock))
    {
        m.pColorBlock = std::make_unique<tagQVColorBlock>();
        ReadKeys(kColorBlockKeys, block, m.pColorBlock.get());
    }
    if (CQVXmlElementRef snapshots = e.FirstChildElement(kElementSnapshots))
        ReadSnapshots(snapshots, &m.snapshots);
    if (CQVXmlElementRef adjustment = e.FirstChildElement(kElementColorAdjustment))
    {
        m.pColorAdjustment = std::make_unique<tagQVColorAdjustment>();
        ReadKeys(kColorAdjustmentKeys, adjustment, m.pColorAdjustment.get());
        if (IsTablePresent(kMosaicKeys, adjustment))
            ReadKeys(kMosaicKeys, adjustment, m.pColorAdjustment.get());
    }
    if (CQVXmlElementRef group = e.FirstChildElement(kElementGroupSettings))
        ReadKeys(kGroupSettingsKeys, group, &m.groupSettings);
    if (e.FirstChildElement(kElementLevelMeter))
        pTimeline->bHasLevelMeter = 1;
    if (CQVXmlElementRef source = e.FirstChildElement(kElementSource))
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
            if (item->eMediaType == kMediaVideo)
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
