#include "ProjectTestSupport.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace qv::projecttest
{

namespace
{

std::string Number(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

} // namespace

std::string DataPath(const std::string& name)
{
    return std::string(VANTREL_PROJECT_TEST_DATA) + "/" + name;
}

std::string CorpusFolder()
{
    return VANTREL_PROJECT_CORPUS;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string DumpItem(const tagQVMediaData& m)
{
    std::ostringstream out;
    out << "  item type=" << m.eMediaType << " line=" << m.eMediaTypeLine << " source=" << m.source
        << " id=" << m.dwselptrinmainapp << " index=" << m.nIndex << "\n"
        << "   V " << Number(m.dVSelfStartTime) << " " << Number(m.dVSelfEndTime) << " "
        << Number(m.dVSelfDuration) << " A " << Number(m.dASelfStartTime) << " "
        << Number(m.dASelfEndTime) << " " << Number(m.dASelfDuration) << " E "
        << Number(m.dEditorStartTime) << " " << Number(m.dEditorEndTime) << " rate "
        << Number(m.dPlaybackRate) << " effect " << Number(m.dEffectDuration) << "\n"
        << "   audio " << m.bHadAudio << " " << m.bDisableAudio << " " << Number(m.dVoiceScale)
        << " " << Number(m.dAudioDelay) << " " << m.bVocalCut << " fade " << m.bEnableAudioEffect
        << " " << Number(m.dAudioFadeInDuration) << " " << Number(m.dAudioFadeOutDuration) << "\n"
        << "   picture " << m.nVideoWidth << "x" << m.nVideoHeight << " fill " << m.eImageFillMode
        << " namew " << m.nFileNameWidth << " effects " << m.nIndexVEffect << " "
        << m.nIndexVTranEffect << " " << m.nIndexVTranEffect3D << " "
        << m.nCountCaptureImageForEffect_End << "\n"
        << "   family " << m.bUseStartKeyFrameFor3DGroup << " "
        << Number(m.dStartTimeOfKeyFrameFor3DGroup) << " " << m.bEnableCamera << " "
        << Number(m.dxAngle) << " " << Number(m.dxScale) << " " << Number(m.dyAngle) << " "
        << Number(m.dyScale) << " " << Number(m.dzAngle) << " " << Number(m.dzScale) << " "
        << m.n3Depth << " " << Number(m.dzDelPos) << " " << m.bSubtitleFile << " "
        << m.nSubtitleChapterIndex << "\n";
    const tagQV3DGroupSettings& g = m.groupSettings;
    out << "   group " << Number(g.dDepth) << " " << Number(g.ax) << " " << Number(g.ay) << " "
        << Number(g.az) << " " << Number(g.x) << " " << Number(g.y) << " " << Number(g.z) << " "
        << g.nDelHY << " " << g.nDelWX << " " << g.nHeight << " " << g.nMotionReferencePos << " "
        << g.nVisible << " " << g.nWidth << " " << g.bBottom << " " << g.bEnable << " " << g.bLeft
        << " " << g.bRight << " " << g.bTop << " " << g.nMaxTransparency << " " << g.nVisiblePart
        << "\n";
    if (m.pCrop)
        out << "   crop " << m.pCrop->enablecrop << " " << m.pCrop->xcrop << " " << m.pCrop->ycrop
            << " " << m.pCrop->wcrop << " " << m.pCrop->hcrop << "\n";
    if (m.pRotation)
        out << "   rotation " << m.pRotation->enablerotation << " " << m.pRotation->rotationreverse
            << " " << m.pRotation->rotationflip << " " << m.pRotation->rotationangle << "\n";
    if (m.pBorder)
        out << "   border " << m.pBorder->BorderEnable << " " << m.pBorder->BorderType << " "
            << m.pBorder->BorderSize << " " << m.pBorder->BorderColor << "\n";
    if (const tagQVVideoKeyData* k = m.pVideoKey.get())
        out << "   key " << k->VideoKeyEnable << " " << k->VideoKeyErrorDel << " "
            << k->VideoKeyColor << " bounds " << k->nRedLow << "-" << k->nRedHigh << " "
            << k->nGreenLow << "-" << k->nGreenHigh << " " << k->nBlueLow << "-" << k->nBlueHigh
            << "\n";
    if (const tagQVMaskData* k = m.pMask.get())
        out << "   mask " << Number(k->MaskdSizeScale) << " " << k->MaskbStretchToFill << " "
            << k->MaskbFillWithColor << " " << k->MaskclrFill << " " << k->MasknType << " "
            << Number(k->MaskdMovementTimeDur) << " " << k->MaskbFillMovementTimeDur << " "
            << k->MasknMovementLoop << " " << k->MasknImageMaskIndex << " " << k->MaskszImageFill
            << "\n";
    if (const tagQVColorAdjustment* c = m.pColorAdjustment.get())
        out << "   adjust " << c->bEnableBrightnessAndContrast << " " << c->nBrightness << " "
            << c->nContrast << " " << c->bEnableLevels << " " << c->nRedLevels << " "
            << c->nGreenLevels << " " << c->nBlueLevels << " " << c->bEnableColorize << " "
            << c->nColorizeHue << " " << c->nColorizeSaturation << " " << Number(c->dColorizeBlend)
            << " " << c->bEnableSaturate << " " << c->nSaturate << " " << c->bEnableJitter << " "
            << c->nJitter << " " << c->bEnableGrayScale << " " << c->bEnableSoften << " "
            << c->bEnableSharpen << " " << c->bEnableBlur << " " << c->bEnableEdgeDetection << " "
            << c->bEnableMasaic << " " << c->nMasaicTileSize << " " << c->nMasaicX << " "
            << c->nMasaicY << " " << c->nMasaicW << " " << c->nMasaicH << "\n";
    if (m.pColorBlock)
        out << "   colorblk " << m.pColorBlock->clr << "\n";
    for (const tagQVVideoSnapshotData& s : m.snapshots)
        out << "   snapshot " << s.bRewind << " " << s.nRewindLoop << " "
            << Number(s.dRewindMediaDuration) << " " << Number(s.dBackDurationPercent) << " "
            << Number(s.dCaptureTime) << " " << Number(s.dDuration) << "\n";
    return out.str();
}

std::string DumpTimeline(const ProjectTimeline& t)
{
    std::ostringstream out;
    out << "project " << t.b3D << " " << t.bEnableFog << " " << t.bEnableLighting << " " << t.clrFog
        << " " << t.clrLightAmbient << " " << t.clrLightDiffuse << " meter " << t.bHasLevelMeter
        << "\n";
    auto line = [&](const TimelineLine& l, const char* label)
    {
        out << label << " " << l.nIndex << " type " << l.eMediaTypeLine << " disable " << l.bDisable
            << " group " << l.bUse3DGroupTemplate << " " << l.b3DGroup << " " << Number(l.ax3DGroup)
            << " " << Number(l.ay3DGroup) << " " << Number(l.az3DGroup) << " " << Number(l.x3DGroup)
            << " " << Number(l.y3DGroup) << " " << Number(l.z3DGroup) << " "
            << l.enableLighting3DGroup << " " << l.clrLightAmbient3DGroup << " "
            << l.clrLightDiffuse3DGroup << " " << l.bAlwaysInFrontOfPrevLines << " margin "
            << l.subtitlebottommargin << " max " << l.nMaxItemWidth << "x" << l.nMaxItemHeight
            << "\n";
        for (const auto& item : l.items)
            out << DumpItem(*item);
    };
    for (const TimelineLine& l : t.lines)
        line(l, "line");
    line(t.secondLine, "second");
    return out.str();
}

bool UseCommaDecimalLocale()
{
    // Built once per process; the folder goes with the process (static destruction).
    static const std::unique_ptr<CScratchFolder> folder = []
    {
        auto scratch = std::make_unique<CScratchFolder>();
        std::string command =
            "localedef -i de_DE -f UTF-8 '" + scratch->Path() + "de_DE.UTF-8' >/dev/null 2>&1";
        int status = std::system(command.c_str());
        // Exit status 1 means warnings only; the locale is written all the same.
        if (scratch->Path().empty() || status == -1 || !WIFEXITED(status) ||
            WEXITSTATUS(status) > 1)
            scratch.reset();
        return scratch;
    }();
    if (!folder)
        return false;
    setenv("LOCPATH", folder->Path().c_str(), 1);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        return false;
    return std::localeconv()->decimal_point[0] == ',';
}

void UseClassicLocale()
{
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
}

} // namespace qv::projecttest
