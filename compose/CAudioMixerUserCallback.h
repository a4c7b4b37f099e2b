// The engine's answer to the audio mixer: every buffer cleared and mixed, sample by
// sample, from the sound of every item that covers the buffer's time, at the item's speed,
// with vocal removal, volume and fades; and, when the project has a level meter, 64
// levels per channel measured from the mix.
#pragma once

#include "compose/tagQVCompositionContext.h"
#include "encode/IQVAudioMixerUserCallback.h"
#include "project/AudioSubstitutes.h"
#include "project/ProjectTimeline.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv
{

class CQVFFMpegAudioReader;
class CQVLevelMapping;

// What the mixer keeps per item with sound.
struct tagQVItemAudio
{
    double dWindowStart = 0.0; // output seconds where the item's sound starts
    double dWindowEnd = 0.0;   // output seconds where it ends (holds not counted)
    std::string path;          // the source, or its substitute WAV
    bool bSubstitute = false;
    double dHoldTotal = -1.0; // holds of the points inside the used audio part; < 0 unknown
    std::unique_ptr<CQVFFMpegAudioReader> pReader;
    bool bReaderFailed = false; // not retried while the item stays current
};

class CAudioMixerUserCallback : public IQVAudioMixerUserCallback
{
public:
    static constexpr int kSlotCount = 18;

    // Prepares the audio lists of the project and looks every item's source up in the
    // substitute list (tmpFolder + "wavfiles.dat"; empty tmpFolder: none).
    // bConverting: 1 while converting (levels go to the level queue), 0 while previewing.
    CAudioMixerUserCallback(ProjectTimeline& timeline, const std::string& tmpFolder,
                            int32_t bConverting);
    ~CAudioMixerUserCallback();
    CAudioMixerUserCallback(const CAudioMixerUserCallback&) = delete;
    CAudioMixerUserCallback& operator=(const CAudioMixerUserCallback&) = delete;

    // 0.0 for a conversion; the player's start position for a preview.
    void SetStartOffset(double dSeconds) { m_dStartOffset = dSeconds; }
    // The conversion's output frame rate (30 unless the record asks for another); the
    // readers measure how far ahead their sound may lie in its frames.
    void SetOutputFrameRate(double dFrameRate) { m_dOutputFrameRate = dFrameRate; }
    // The level queue of a conversion; not owned. Only written when the project has a
    // level meter.
    void SetLevelSink(CQVLevelMapping* pLevels) { m_pLevels = pLevels; }

    int32_t FillAudio(int32_t nUnused, int32_t nBytes, int32_t bHold, int16_t* pBuffer,
                      const tagQVWaveFormatEx* pFormat, int32_t nBufferSize) override;

    // The levels of the last measured buffer (preview: under the level lock).
    void GetLevels(int16_t* pLeft, int16_t* pRight);

    // --- state, for the owner and tests
    double CurrentTime() const { return m_dCurrentTime; }
    const std::vector<tagQVMediaData*>& ListA() const { return m_listA; }
    tagQVItemAudio* FindItemAudio(const tagQVMediaData* pItem);

    // The gain of an item at output time t (volume × fade), as the mix applies it.
    double ItemGain(tagQVMediaData& item, double dTime);

    // Measures 64 levels per channel of nFrames stereo frames.
    static void MeasureLevels(const int16_t* pSamples, int nFrames, int16_t* pLeft,
                              int16_t* pRight);
    // Mixes one value into the buffer value: clamp(v + b - ((v × b) >> 16)).
    static int16_t MixSample(int32_t nValue, int16_t nBuffer);

private:
    tagQVItemAudio& PrepareItem(tagQVMediaData& item, bool bLineItem);
    tagQVMediaData* ListItemAt(const std::vector<tagQVMediaData*>& list, double dTime);
    double AudioHoldTotal(tagQVMediaData& item, tagQVItemAudio& audio);
    double AudioSourceTime(tagQVMediaData& item, const tagQVItemAudio& audio, double dTime,
                           bool* pInsideHold);
    bool OpenReader(tagQVMediaData& item, tagQVItemAudio& audio, double dTime);
    const int16_t* GetItemAudio(double dTime, tagQVMediaData& item, int nFrames, int nRate);
    void MixSlot(int nSlot, tagQVMediaData* pItem, double dTime, int16_t* pBuffer, int nValues,
                 int nSampleRate);

    ProjectTimeline& m_timeline;
    int32_t m_bConverting;
    double m_dStartOffset = 0.0;
    double m_dOutputFrameRate = kQVConvertFrameRate;
    CQVLevelMapping* m_pLevels = nullptr;
    std::vector<tagQVAudioSubstitute> m_substitutes;
    std::vector<tagQVMediaData*> m_listA;
    std::vector<tagQVMediaData*> m_listB;
    std::unordered_map<const tagQVMediaData*, tagQVItemAudio> m_items;

    // --- owned by the audio streaming thread
    uint64_t m_nPosition = 0;
    double m_dCurrentTime = 0.0;
    std::array<tagQVMediaData*, kSlotCount> m_slotItems{};

    // --- levels; the lock guards them while previewing
    std::mutex m_levelLock;
    std::array<int16_t, 64> m_left{};
    std::array<int16_t, 64> m_right{};
};

} // namespace qv
