#include "project/ProjectWriter.h"

#include "platform/ProgramFolder.h"
#include "project/LineTypes.h"
#include "project/ProjectFileKeys.h"

namespace qv
{

namespace
{

void WriteLine(const TimelineLine& line, CQVXmlNode* pElement)
{
    WriteKeys(kLineHeadKeys, line, pElement);
    WriteKeys(kLine3DGroupKeys, line, pElement);
    WriteKeys(kLineLightingKeys, line, pElement);
    WriteKeys(kLineFrontKeys, line, pElement);
    if (IsTitleLine(line.eMediaTypeLine))
        WriteKeys(kLineMarginKeys, line, pElement);
}

// Fades longer together than the item would overlap; they are shared out over its length.
void FitFades(double dLength, double* pFadeIn, double* pFadeOut)
{
    double& in = *pFadeIn;
    double& out = *pFadeOut;
    if (dLength < 0.0)
        dLength = 0.0;
    if (!(in + out > dLength))
        return;
    if (in > 0.0 && out > 0.0)
    {
        const double scale = dLength / (in + out);
        in *= scale;
        out *= scale;
    }
    else if (in > 0.0)
    {
        in = dLength;
        out = 0.0;
    }
    else if (out > 0.0)
    {
        in = 0.0;
        out = dLength;
    }
}

template <class R>
void WriteOptional(const tagQVKeyTable<R>& table, const std::unique_ptr<R>& pRecord,
                   CQVXmlNode* pElement)
{
    if (pRecord)
        WriteKeys(table, *pRecord, pElement);
}

void WriteItemChildren(const tagQVMediaData& item, CQVXmlNode* pElement)
{
    if (item.pColorBlock)
        WriteKeys(kColorBlockKeys, *item.pColorBlock,
                  AppendKeyElement(pElement, kElementColorBlock));
    if (!item.snapshots.empty())
    {
        CQVXmlNode* list = AppendKeyElement(pElement, kElementSnapshots);
        for (const tagQVVideoSnapshotData& point : item.snapshots)
            WriteKeys(kSnapshotKeys, point, AppendKeyElement(list, kElementItem));
    }
    if (item.pColorAdjustment)
    {
        CQVXmlNode* adjustment = AppendKeyElement(pElement, kElementColorAdjustment);
        WriteKeys(kColorAdjustmentKeys, *item.pColorAdjustment, adjustment);
        WriteKeys(kMosaicKeys, *item.pColorAdjustment, adjustment);
    }
    if (Is3DGroupSettingsLine(item.eMediaTypeLine) && !item.bSubtitleFile)
        WriteKeys(kGroupSettingsKeys, item.groupSettings,
                  AppendKeyElement(pElement, kElementGroupSettings));
}

void WriteItem(const tagQVMediaData& item, CQVXmlNode* pElement)
{
    const int32_t type = item.eMediaTypeLine;
    WriteKeys(kItemHeadKeys, item, pElement);
    WriteItemChildren(item, pElement);
    if (Is3DPlacementLine(type))
        WriteKeys(kItem3DPlacementKeys, item, pElement);
    WriteKeys(kItemSubtitleKeys, item, pElement);
    if (item.bHadAudio)
    {
        tagQVAudioFade fade{item.bEnableAudioEffect, item.dAudioFadeInDuration,
                            item.dAudioFadeOutDuration};
        FitFades(item.dEditorEndTime - item.dEditorStartTime, &fade.dAudioFadeInDuration,
                 &fade.dAudioFadeOutDuration);
        WriteKeys(kAudioFadeKeys, fade, pElement);
    }
    WriteKeys(kItemKeys, item, pElement);

    if (item.pMask)
    {
        WriteKeys(kMaskKeys, *item.pMask, pElement);
        // Only a fill picture that exists is named.
        if (PathExists(item.pMask->MaskszImageFill))
            WriteKeys(kMaskFillKeys, *item.pMask, pElement);
    }
    WriteOptional(kRotationKeys, item.pRotation, pElement);
    WriteOptional(kVideoKeyKeys, item.pVideoKey, pElement);
    WriteOptional(kBorderKeys, item.pBorder, pElement);
    WriteOptional(kCropKeys, item.pCrop, pElement);

    if (IsSourceFileLine(type) || item.bSubtitleFile)
        AppendKeyElement(pElement, kElementSource)->SetTextUtf8(item.source);
}

} // namespace

void BuildProjectDocument(const ProjectTimeline& timeline, int32_t nPresetIndex,
                          const tagQVEditorViewState* pView, CQVXmlDocument* pDocument,
                          double dPlayScale)
{
    pDocument->Clear();
    CQVXmlNode& project = *pDocument->AppendElement(KeyName(kElementProject));
    if (pView)
        WriteKeys(kEditorViewKeys, *pView, &project);
    WriteKeyValue(&project, kKeyScaleFactorForPlay, dPlayScale);
    WriteKeys(kTimelineKeys, timeline, &project);
    WriteKeyValue(&project, kKeyPresetIndex, nPresetIndex);
    WriteKeyValue(&project, kKeyMaxDuration, kProjectMaxDuration);

    for (const TimelineLine& line : timeline.lines)
    {
        CQVXmlNode* element = AppendKeyElement(&project, kElementLine);
        WriteLine(line, element);
        for (const std::unique_ptr<tagQVMediaData>& item : line.items)
            WriteItem(*item, AppendKeyElement(element, kElementItem));
    }
    WriteKeyValue(&project, kKeyItemCount, timeline.ItemCount());
}

bool WriteProjectFile(const ProjectTimeline& timeline, int32_t nPresetIndex,
                      const std::string& path, const tagQVEditorViewState* pView, double dPlayScale)
{
    CQVXmlDocument document;
    BuildProjectDocument(timeline, nPresetIndex, pView, &document, dPlayScale);
    return document.Save(path, XmlSaveMode::Utf16Le);
}

} // namespace qv
