// The engine's answer to the video mixer: one composed picture of the project for every
// sample, at the time the sample stands for (SampleTime of the sample's number and start,
// by the timing its owner had when it primed the callback).
#pragma once

#include "compose/tagQVCompositionContext.h"
#include "encode/IQVVideoMixerUserCallback.h"
#include "project/OutputFrameRate.h"
#include "project/ProjectTimeline.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qv
{

class CQVVideoConverter;
class IQVItemEffects;
class CQVLevelMapping;
class CAudioMixerUserCallback;

class CVideoMixerUserCallback : public IQVVideoMixerUserCallback
{
public:
    static constexpr int kHistorySize = 16;

    // W × H is the output size. Empties and recreates "rwv/" and "frameimage/" under
    // tmpFolder (with a trailing "/"); an empty tmpFolder writes nothing anywhere.
    CVideoMixerUserCallback(ProjectTimeline& timeline, int nWidth, int nHeight,
                            const std::string& tmpFolder);
    // Removes "rwv/" with its contents.
    ~CVideoMixerUserCallback();
    CVideoMixerUserCallback(const CVideoMixerUserCallback&) = delete;
    CVideoMixerUserCallback& operator=(const CVideoMixerUserCallback&) = delete;

    // Set by each graph build, before the graph runs. The samples' times follow the owner's
    // SampleTiming (a conversion at 30 fps without an owner). bConverting 1: every sample
    // is recorded as delivered with the owner, and a frame may go in the source's own
    // pixels; 0 (preview): every frame is composed.
    void Prime(CQVVideoConverter* pOwner, int32_t bConverting);
    void SetEffects(IQVItemEffects* pEffects) { m_context.pEffects = pEffects; }
    // The level queue shared with the audio callback; only read when the project has a
    // level meter. Not owned.
    void SetLevelSource(CQVLevelMapping* pLevels) { m_pLevels = pLevels; }
    // The preview's level source: the audio callback's own arrays, copied under its lock.
    // Not owned.
    void SetPreviewLevelSource(CAudioMixerUserCallback* pAudio) { m_pPreviewLevels = pAudio; }

    int32_t FillFrame(QPainter* pGraphics, int64_t nIndex, int64_t nStartTime,
                      const tagQVBitmapInfoHeader* pHeader, uint8_t* pBuffer,
                      int32_t nBufferSize) override;
    // Conversions only: a frame whose path (ChooseFramePath) is direct is handed out in
    // *pDirect; the preview's frames are always composed.
    int32_t FillFrameOrDirect(QPainter* pGraphics, int64_t nIndex, int64_t nStartTime,
                              const tagQVBitmapInfoHeader* pHeader, uint8_t* pBuffer,
                              int32_t nBufferSize, tagQVDirectPicture* pDirect) override;
    int32_t DrawOverlays(QPainter* pGraphics, int32_t nUnused1, int32_t nUnused2, int32_t nUnused3,
                         uint8_t* pBuffer, int32_t nBufferSize, int32_t bDraw) override;
    void ResetFrameState() override;
    // Composes into the sample's pixels itself: no graphics object.
    bool UsesGraphics() const override { return false; }
    // ProjectPicturesGoDirect of its timeline.
    bool PicturesGoDirect() const override;

    // --- state a frame leaves behind (streaming thread; read by tests after the run)
    double CurrentTime() const { return m_context.dCurrentTime; }
    // The last times, oldest first (at most 16).
    std::vector<double> RecentTimes() const;
    const tagQVCompositionContext& Context() const { return m_context; }
    // Frames handed out in the source's own pixels since construction.
    int64_t DirectFrames() const { return m_nDirectFrames; }
    // The levels fetched by the last DrawOverlays (64 left, 64 right).
    const std::array<int16_t, 128>& Levels() const { return m_levels; }

private:
    int32_t Fill(int64_t nIndex, int64_t nStartTime, const tagQVBitmapInfoHeader* pHeader,
                 uint8_t* pBuffer, int32_t nBufferSize, tagQVDirectPicture* pDirect);
    void RenderLine(tagQVMediaData* pItem, int nSlot, double dTime, tagQVMediaData** ppItem);

    ProjectTimeline& m_timeline;
    TimelineLine* m_pMainLine = nullptr;
    tagQVCompositionContext m_context;
    CQVVideoConverter* m_pOwner = nullptr;
    int32_t m_bConverting = 0;
    tagQVSampleTiming m_timing;
    CQVLevelMapping* m_pLevels = nullptr;
    CAudioMixerUserCallback* m_pPreviewLevels = nullptr;
    std::string m_tmpFolder;

    // --- made once; the streaming thread reuses them for every frame
    size_t m_nLayerBytes = 0;
    std::vector<uint8_t> m_layers[2];
    std::array<double, kHistorySize> m_history{};
    int m_nHistoryCount = 0;
    int m_nHistoryStart = 0;
    int64_t m_nDirectFrames = 0;
    std::array<int16_t, 128> m_levels{};
};

} // namespace qv
