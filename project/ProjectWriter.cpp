#include "project/ProjectWriter.h"

#include "platform/ProgramFolder.h"
#include "project/LineTypes.h"

namespace qv
{

namespace
{

void WriteLineAttributes(const TimelineLine& line, CQVXmlNode* pElement)
{
    CQVXmlNode& e = *pElement;
    e.SetInt(u"bUse3DGroupTemplate", line.bUse3DGroupTemplate);
    e.SetInt(u"bDisable", line.bDisable);
    e.SetInt(u"b3DGroup", line.b3DGroup);
    e.SetDouble(u"ax3DGroup", line.ax3DGroup);
    e.SetDouble(u"ay3DGroup", line.ay3DGroup);
    e.SetDouble(u"az3DGroup", line.az3DGroup);
    e.SetDouble(u"x3DGroup", line.x3DGroup);
    e.SetDouble(u"y3DGroup", line.y3DGroup);
    e.SetDouble(u"z3DGroup", line.z3DGroup);
    e.SetInt(u"enableLighting3DGroup", line.enableLighting3DGroup);
    e.SetInt(u"clrLightAmbient3DGroup", line.clrLightAmbient3DGroup);
    e.SetInt(u"clrLightDiffuse3DGroup", line.clrLightDiffuse3DGroup);
    e.SetInt(u"bAlwaysInFrontOfPrevLines", line.bAlwaysInFrontOfPrevLines);
    if (IsTitleLine(line.eMediaTypeLine))
        e.SetInt(u"subtitlebottommargin", line.subtitlebottommargin);
}

void WriteColorAdjustment(const tagQVColorAdjustment& c, CQVXmlNode* pElement)
{
    CQVXmlNode& e = *pElement;
    e.SetInt(u"bEnableBrightnessAndContrast", c.bEnableBrightnessAndContrast);
    e.SetInt(u"nBrightness", c.nBrightness);
    e.SetInt(u"nContrast", c.nContrast);
    e.SetInt(u"bEnableLevels", c.bEnableLevels);
    e.SetInt(u"nRedLevels", c.nRedLevels);
    e.SetInt(u"nGreenLevels", c.nGreenLevels);
    e.SetInt(u"nBlueLevels", c.nBlueLevels);
    e.SetInt(u"bEnableColorize", c.bEnableColorize);
    e.SetInt(u"nColorizeHue", c.nColorizeHue);
    e.SetInt(u"nColorizeSaturation", c.nColorizeSaturation);
    e.SetDouble(u"dColorizeBlend", c.dColorizeBlend);
    e.SetInt(u"bEnableSaturate", c.bEnableSaturate);
    e.SetInt(u"nSaturate", c.nSaturate);
    e.SetInt(u"bEnableJitter", c.bEnableJitter);
    e.SetInt(u"nJitter", c.nJitter);
    e.SetInt(u"bEnableGrayScale", c.bEnableGrayScale);
    e.SetInt(u"bEnableSoften", c.bEnableSoften);
    e.SetInt(u"bEnableSharpen", c.bEnableSharpen);
    e.SetInt(u"bEnableBlur", c.bEnableBlur);
    e.SetInt(u"bEnableEdgeDetection", c.bEnableEdgeDetection);
    e.SetInt(u"bEnableMasaic", c.bEnableMasaic);
    e.SetInt(u"nMasaicTileSize", c.nMasaicTileSize);
    e.SetInt(u"nMasaicX", c.nMasaicX);
    e.SetInt(u"nMasaicY", c.nMasaicY);
    e.SetInt(u"nMasaicW", c.nMasaicW);
    e.SetInt(u"nMasaicH", c.nMasaicH);
}

void WriteGroupSettings(const tagQV3DGroupSettings& g, CQVXmlNode* pElement)
{
    CQVXmlNode& e = *pElement;
    e.SetDouble(u"dDepth", g.dDepth);
    e.SetDouble(u"ax", g.ax);
    e.SetDouble(u"ay", g.ay);
    e.SetDouble(u"az", g.az);
    e.SetDouble(u"x", g.x);
    e.SetDouble(u"y", g.y);
    e.SetDouble(u"z", g.z);
    e.SetInt(u"nDelHY", g.nDelHY);
    e.SetInt(u"nDelWX", g.nDelWX);
    e.SetInt(u"nHeight", g.nHeight);
    e.SetInt(u"nMotionReferencePos", g.nMotionReferencePos);
    e.SetInt(u"nVisible", g.nVisible);
    e.SetInt(u"nWidth", g.nWidth);
    e.SetInt(u"bBottom", g.bBottom);
    e.SetInt(u"bEnable", g.bEnable);
    e.SetInt(u"bLeft", g.bLeft);
    e.SetInt(u"bRight", g.bRight);
    e.SetInt(u"bTop", g.bTop);
    e.SetInt(u"nMaxTransparency", g.nMaxTransparency);
    e.SetInt(u"nVisiblePart", g.nVisiblePart);
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

void WriteItem(const tagQVMediaData& item, CQVXmlNode* pElement)
{
    CQVXmlNode& e = *pElement;
    const int32_t type = item.eMediaTypeLine;
    e.SetInt(u"bUseStartKeyFrameFor3DGroup", item.bUseStartKeyFrameFor3DGroup);
    e.SetDouble(u"dStartTimeOfKeyFrameFor3DGroup", item.dStartTimeOfKeyFrameFor3DGroup);
    e.SetInt(u"bVocalCut", item.bVocalCut);
    e.SetDouble(u"dAudioDelay", item.dAudioDelay);
    e.SetInt(u"bEnableCamera", item.bEnableCamera);

    if (item.pColorBlock)
        e.AppendElement(u"colorblk")->SetInt(u"clr", item.pColorBlock->clr);
    if (!item.snapshots.empty())
    {
        CQVXmlNode* list = e.AppendElement(u"VideoSnapshots");
        for (const tagQVVideoSnapshotData& point : item.snapshots)
        {
            CQVXmlNode* p = list->AppendElement(u"item");
            p->SetInt(u"bRewind", point.bRewind);
            p->SetInt(u"nRewindLoop", point.nRewindLoop);
            p->SetDouble(u"dRewindMediaDuration", point.dRewindMediaDuration);
            p->SetDouble(u"dBackDurationPercent", point.dBackDurationPercent);
            p->SetDouble(u"dCaptureTime", point.dCaptureTime);
            p->SetDouble(u"dDuration", point.dDuration);
        }
    }
    if (item.pColorAdjustment)
        WriteColorAdjustment(*item.pColorAdjustment, e.AppendElement(u"ColorAdjustment"));
    if (Is3DGroupSettingsLine(type) && !item.bSubtitleFile)
        WriteGroupSettings(item.groupSettings, e.AppendElement(u"_3DGroupSettings"));

    if (Is3DPlacementLine(type))
    {
        e.SetDouble(u"dxAngle", item.dxAngle);
        e.SetDouble(u"dxScale", item.dxScale);
        e.SetDouble(u"dyAngle", item.dyAngle);
        e.SetDouble(u"dyScale", item.dyScale);
        e.SetDouble(u"dzAngle", item.dzAngle);
        e.SetDouble(u"dzScale", item.dzScale);
        e.SetInt(u"n3Depth", item.n3Depth);
        e.SetDouble(u"dzDelPos", item.dzDelPos);
    }
    e.SetInt(u"bSubtitleFile", item.bSubtitleFile);
    e.SetInt(u"nSubtitleChapterIndex", item.nSubtitleChapterIndex);

    if (item.bHadAudio)
    {
        double fadeIn = item.dAudioFadeInDuration;
        double fadeOut = item.dAudioFadeOutDuration;
        FitFades(item.dEditorEndTime - item.dEditorStartTime, &fadeIn, &fadeOut);
        e.SetInt(u"bEnableAudioEffect", item.bEnableAudioEffect);
        e.SetDouble(u"dAudioFadeInDuration", fadeIn);
        e.SetDouble(u"dAudioFadeOutDuration", fadeOut);
    }

    e.SetInt(u"bDisableAudio", item.bDisableAudio);
    e.SetInt(u"bHadAudio", item.bHadAudio);
    e.SetDouble(u"dASelfDuration", item.dASelfDuration);
    e.SetDouble(u"dASelfEndTime", item.dASelfEndTime);
    e.SetDouble(u"dASelfStartTime", item.dASelfStartTime);
    e.SetDouble(u"dEditorEndTime", item.dEditorEndTime);
    e.SetDouble(u"dEditorStartTime", item.dEditorStartTime);
    e.SetDouble(u"dVSelfDuration", item.dVSelfDuration);
    e.SetDouble(u"dVSelfEndTime", item.dVSelfEndTime);
    e.SetDouble(u"dVSelfStartTime", item.dVSelfStartTime);
    e.SetDouble(u"dEffectDuration", item.dEffectDuration);
    e.SetDouble(u"dPlaybackRate", item.dPlaybackRate);
    e.SetDouble(u"dVoiceScale", item.dVoiceScale);
    e.SetInt(u"eImageFillMode", item.eImageFillMode);
    e.SetInt(u"eMediaType", item.eMediaType);
    e.SetInt(u"eMediaTypeLine", item.eMediaTypeLine);
    e.SetInt(u"nFileNameWidth", item.nFileNameWidth);
    e.SetInt(u"nIndex", item.nIndex);
    e.SetInt(u"nIndexVEffect", item.nIndexVEffect);
    e.SetInt(u"nIndexVTranEffect", item.nIndexVTranEffect);
    e.SetInt(u"nVideoWidth", item.nVideoWidth);
    e.SetInt(u"nVideoHeight", item.nVideoHeight);
    e.SetInt(u"dwselptrinmainapp", item.dwselptrinmainapp);
    e.SetInt(u"nCountCaptureImageForEffect_End", item.nCountCaptureImageForEffect_End);
    e.SetInt(u"nIndexVTranEffect3D", item.nIndexVTranEffect3D);

    if (const tagQVMaskData* mask = item.pMask.get())
    {
        e.SetDouble(u"MaskdSizeScale", mask->MaskdSizeScale);
        e.SetInt(u"MaskbFillMovementTimeDur", mask->MaskbFillMovementTimeDur);
        e.SetInt(u"MaskbFillWithColor", mask->MaskbFillWithColor);
        e.SetInt(u"MaskbStretchToFill", mask->MaskbStretchToFill);
        e.SetInt(u"MaskclrFill", mask->MaskclrFill);
        e.SetDouble(u"MaskdMovementTimeDur", mask->MaskdMovementTimeDur);
        e.SetInt(u"MasknImageMaskIndex", mask->MasknImageMaskIndex);
        e.SetInt(u"MasknMovementLoop", mask->MasknMovementLoop);
        e.SetInt(u"MasknType", mask->MasknType);
        if (PathExists(mask->MaskszImageFill))
            e.SetStringUtf8(u"MaskszImageFill", mask->MaskszImageFill);
    }
    if (const tagQVRotationData* rotation = item.pRotation.get())
    {
        e.SetInt(u"enablerotation", rotation->enablerotation);
        e.SetInt(u"rotationflip", rotation->rotationflip);
        e.SetInt(u"rotationreverse", rotation->rotationreverse);
        e.SetInt(u"rotationangle", rotation->rotationangle);
    }
    if (const tagQVVideoKeyData* key = item.pVideoKey.get())
    {
        e.SetInt(u"VideoKeyEnable", key->VideoKeyEnable);
        e.SetInt(u"VideoKeyErrorDel", key->VideoKeyErrorDel);
        e.SetInt(u"VideoKeyColor", key->VideoKeyColor);
    }
    if (const tagQVBorderData* border = item.pBorder.get())
    {
        e.SetInt(u"BorderEnable", border->BorderEnable);
        e.SetInt(u"BorderColor", border->BorderColor);
        e.SetInt(u"BorderType", border->BorderType);
        e.SetInt(u"BorderSize", border->BorderSize);
    }
    if (const tagQVCropData* crop = item.pCrop.get())
    {
        e.SetInt(u"enablecrop", crop->enablecrop);
        e.SetInt(u"xcrop", crop->xcrop);
        e.SetInt(u"ycrop", crop->ycrop);
        e.SetInt(u"wcrop", crop->wcrop);
        e.SetInt(u"hcrop", crop->hcrop);
    }

    if (IsSourceFileLine(type) || item.bSubtitleFile)
        e.AppendElement(u"source")->SetTextUtf8(item.source);
}

} // namespace

void BuildProjectDocument(const ProjectTimeline& timeline, int32_t nPresetIndex,
                          const tagQVEditorViewState* pView, CQVXmlDocument* pDocument)
{
    pDocument->Clear();
    CQVXmlNode& project = *pDocument->AppendElement(u"project");
    if (pView)
    {
        project.SetDouble(u"dCurFrameTime", pView->dCurFrameTime);
        project.SetInt(u"nCurTimeScaleZoomIndex", pView->nCurTimeScaleZoomIndex);
        project.SetInt(u"nEditMode", pView->nEditMode);
        project.SetInt(u"nHorizonalPos", pView->nHorizonalPos);
        project.SetInt(u"nVerticalPos", pView->nVerticalPos);
    }
    project.SetDouble(u"dScaleFactorForPlay", 1.0);
    project.SetInt(u"b3D", timeline.b3D);
    project.SetInt(u"bEnableFog", timeline.bEnableFog);
    project.SetInt(u"bEnableLighting", timeline.bEnableLighting);
    project.SetInt(u"clrFog", timeline.clrFog);
    project.SetInt(u"clrLightAmbient", timeline.clrLightAmbient);
    project.SetInt(u"clrLightDiffuse", timeline.clrLightDiffuse);
    project.SetInt(u"vensettingIndex", nPresetIndex);
    project.SetInt(u"nmaxduration", kProjectMaxDuration);

    for (const TimelineLine& line : timeline.lines)
    {
        CQVXmlNode* element = project.AppendElement(u"line");
        WriteLineAttributes(line, element);
        for (const std::unique_ptr<tagQVMediaData>& item : line.items)
            WriteItem(*item, element->AppendElement(u"item"));
    }
    project.SetInt(u"count", timeline.ItemCount());
}

bool WriteProjectFile(const ProjectTimeline& timeline, int32_t nPresetIndex,
                      const std::string& path, const tagQVEditorViewState* pView)
{
    CQVXmlDocument document;
    BuildProjectDocument(timeline, nPresetIndex, pView, &document);
    return document.Save(path, XmlSaveMode::Utf16Le);
}

} // namespace qv
