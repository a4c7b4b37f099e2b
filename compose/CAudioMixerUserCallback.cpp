#include "compose/CAudioMixerUserCallback.h"

#include "compose/CQVLevelMapping.h"
#include "compose/ItemTiming.h"
#include "compose/tagQVCompositionContext.h"
#include "media/CQVFFMpegAudioReader.h"
#include "project/LineTypes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace qv
{

namespace
{

// The line types whose items sound, in slot order after lists A and B.
constexpr int32_t kSoundLines[CAudioMixerUserCallback::kSlotCount - 2] = {
    3, 16, 17, 18, 19, 20, 34, 35, 36, 37, 38, 39, 1, 2, 46, 47};

bool Sounds(const tagQVMediaData& item)
{
    return item.bHadAudio == 1 && item.bDisableAudio == 0;
}

int16_t Clamp16(int64_t value)
{
    return static_cast<int16_t>(std::clamp<int64_t>(value, -32768, 32767));
}

} // namespace

CAudioMixerUserCallback::CAudioMixerUserCallback(ProjectTimeline& timeline,
                                                 const std::string& tmpFolder, int32_t bConverting)
    : m_timeline(timeline), m_bConverting(bConverting ? 1 : 0)
{
    if (!tmpFolder.empty())
        m_substitutes = ReadAudioSubstitutes(tmpFolder + "wavfiles.dat");

    if (TimelineLine* main = timeline.FindLine(kLineMainVideo))
        for (auto& item : main->items)
            if (Sounds(*item))
            {
                m_listA.push_back(item.get());
                PrepareItem(*item, false);
            }
    for (auto& item : timeline.secondLine.items)
        if (Sounds(*item))
        {
            m_listB.push_back(item.get());
            PrepareItem(*item, false);
        }
    for (int32_t type : kSoundLines)
        if (TimelineLine* line = timeline.FindLine(type))
            for (auto& item : line->items)
                if (Sounds(*item))
                    PrepareItem(*item, true);
}

CAudioMixerUserCallback::~CAudioMixerUserCallback() = default;

tagQVItemAudio& CAudioMixerUserCallback::PrepareItem(tagQVMediaData& item, bool)
{
    tagQVItemAudio& audio = m_items[&item];
    audio.dWindowStart = item.dEditorStartTime;
    audio.dWindowEnd = item.dEditorEndTime;
    audio.path = item.source;
    std::string wav = FindAudioSubstitute(m_substitutes, item.source);
    if (!wav.empty())
    {
        audio.bSubstitute = true;
        audio.path = wav;
        audio.dWindowStart += ReadSubstituteDelay(wav) / ItemPlaybackRate(item);
    }
    return audio;
}

tagQVItemAudio* CAudioMixerUserCallback::FindItemAudio(const tagQVMediaData* pItem)
{
    auto found = m_items.find(pItem);
    return found == m_items.end() ? nullptr : &found->second;
}

double CAudioMixerUserCallback::AudioHoldTotal(tagQVMediaData& item, tagQVItemAudio& audio)
{
    if (audio.dHoldTotal >= 0.0)
        return audio.dHoldTotal;
    double total = 0.0;
    int64_t start = QVMilliseconds(item.dASelfStartTime), end = QVMilliseconds(item.dASelfEndTime);
    for (const tagQVVideoSnapshotData& point : item.snapshots)
    {
        int64_t capture = QVMilliseconds(point.dCaptureTime);
        if (capture >= start && capture <= end)
            total += point.dDuration;
    }
    audio.dHoldTotal = total;
    return total;
}

tagQVMediaData* CAudioMixerUserCallback::ListItemAt(const std::vector<tagQVMediaData*>& list,
                                                    double dTime)
{
    for (tagQVMediaData* item : list)
    {
        tagQVItemAudio& audio = m_items[item];
        if (audio.dWindowStart <= dTime && dTime < audio.dWindowEnd + AudioHoldTotal(*item, audio))
            return item;
    }
    return nullptr;
}

// The source mapping of the picture, applied to the item's sound: the window's start and
// the used audio part's start take the places of the editor start and the video start.
double CAudioMixerUserCallback::AudioSourceTime(tagQVMediaData& item, const tagQVItemAudio& audio,
                                                double dTime, bool* pInsideHold)
{
    double rate = ItemPlaybackRate(item);
    double timeline = audio.dWindowStart, previous = item.dASelfStartTime, held = 0.0;
    *pInsideHold = false;
    for (const tagQVVideoSnapshotData& point : item.snapshots)
    {
        if (QVMilliseconds(point.dCaptureTime) < QVMilliseconds(item.dASelfStartTime))
            continue;
        timeline += (point.dCaptureTime - previous) / rate;
        if (QVMilliseconds(timeline) > QVMilliseconds(dTime))
            break;
        if (QVMilliseconds(point.dDuration + timeline) >= QVMilliseconds(dTime))
        {
            *pInsideHold = true;
            return point.dCaptureTime;
        }
        timeline += point.dDuration;
        held += point.dDuration;
        previous = point.dCaptureTime;
    }
    return ((dTime - audio.dWindowStart) - held) * rate + item.dASelfStartTime;
}

bool CAudioMixerUserCallback::OpenReader(tagQVMediaData& item, tagQVItemAudio& audio, double dTime)
{
    if (audio.pReader)
        return true;
    if (audio.bReaderFailed || !Sounds(item))
        return false;
    if (item.dAudioDelay > 0.001)
    {
        if (item.dASelfStartTime <= item.dAudioDelay)
        {
            item.dAudioDelay -= item.dASelfStartTime;
            item.dASelfStartTime = 0.0;
        }
        else
        {
            item.dASelfStartTime -= item.dAudioDelay;
            item.dAudioDelay = 0.0;
        }
    }
    double firstAudio = 0.0;
    if (!audio.bSubstitute)
    {
        CQVFFMpegAudioReader probe(audio.path);
        if (!probe.Failed())
            firstAudio = probe.FirstAudioTime();
    }
    auto reader = std::make_unique<CQVFFMpegAudioReader>(audio.path);
    if (reader->Failed())
    {
        audio.bReaderFailed = true;
        return false;
    }
    reader->SetOutputFrameRate(m_bConverting ? m_dOutputFrameRate : kQVPreviewFrameRate);
    if (!audio.bSubstitute)
        reader->SetPendingSilence(firstAudio);
    bool insideHold = false;
    double source = AudioSourceTime(item, audio, dTime, &insideHold);
    if (item.dAudioDelay > 0.001)
        source -= item.dAudioDelay;
    // The delay is already kept by giving no sound until the source time passes it; a
    // negative seek would add the same delay again as leading silence.
    reader->Seek(std::max(source, 0.0));
    audio.pReader = std::move(reader);
    return true;
}

const int16_t* CAudioMixerUserCallback::GetItemAudio(double dTime, tagQVMediaData& item,
                                                     int nFrames, int nRate)
{
    tagQVItemAudio* audio = FindItemAudio(&item);
    if (!audio || !OpenReader(item, *audio, dTime))
        return nullptr;
    bool insideHold = false;
    double source = AudioSourceTime(item, *audio, dTime, &insideHold);
    if (insideHold)
        return nullptr;
    if (item.dAudioDelay > 0.001 && source - item.dAudioDelay - item.dASelfStartTime < 0.001)
        return nullptr;
    return audio->pReader->GetSamples(nFrames, nRate);
}

double CAudioMixerUserCallback::ItemGain(tagQVMediaData& item, double dTime)
{
    double fade = 1.0;
    if (item.bEnableAudioEffect == 1)
    {
        double start = item.dEditorStartTime, end = item.dEditorEndTime, hold = 0.0;
        if (tagQVItemAudio* audio = FindItemAudio(&item))
        {
            start = audio->dWindowStart;
            end = audio->dWindowEnd;
            hold = AudioHoldTotal(item, *audio);
        }
        double fadeIn = item.dAudioFadeInDuration, fadeOut = item.dAudioFadeOutDuration;
        if (fadeIn > 0.0 && dTime < start + fadeIn)
            fade = (dTime - start) / fadeIn;
        else if (fadeOut > 0.0 && dTime > end + hold - fadeOut)
            fade = (end + hold - dTime) / fadeOut;
    }
    return item.dVoiceScale * fade;
}

int16_t CAudioMixerUserCallback::MixSample(int32_t nValue, int16_t nBuffer)
{
    // The product is taken wide: a loud item scaled above full scale must clamp, not wrap.
    int64_t value = nValue, buffer = nBuffer;
    return Clamp16(value + buffer - ((value * buffer) >> 16));
}

void CAudioMixerUserCallback::MixSlot(int nSlot, tagQVMediaData* pItem, double dTime,
                                      int16_t* pBuffer, int nValues, int nSampleRate)
{
    if (m_slotItems[nSlot] != pItem)
    {
        if (tagQVItemAudio* previous = FindItemAudio(m_slotItems[nSlot]))
        {
            previous->pReader.reset();
            previous->bReaderFailed = false;
        }
        m_slotItems[nSlot] = pItem;
    }
    if (!pItem || !Sounds(*pItem))
        return;
    double gain = ItemGain(*pItem, dTime);
    int rate = static_cast<int>(nSampleRate / ItemPlaybackRate(*pItem));
    if (rate <= 0)
        return;
    int frames = nValues / 2;
    const int16_t* samples = GetItemAudio(dTime, *pItem, frames, rate);
    if (!samples)
        return;
    int16_t* own = const_cast<int16_t*>(samples); // the reader's buffer, valid until next call
    if (pItem->bVocalCut == 1)
        for (int i = 0; i + 1 < frames * 2; i += 2)
        {
            int16_t difference = Clamp16(static_cast<int32_t>(own[i + 1]) - own[i]);
            own[i] = own[i + 1] = difference;
        }
    for (int i = 0; i < nValues; ++i)
    {
        double scaled = std::clamp(own[i] * gain, -1.0e9, 1.0e9);
        pBuffer[i] = MixSample(static_cast<int32_t>(scaled), pBuffer[i]);
    }
}

int32_t CAudioMixerUserCallback::FillAudio(int32_t, int32_t nBytes, int32_t bHold, int16_t* pBuffer,
                                           const tagQVWaveFormatEx* pFormat, int32_t nBufferSize)
{
    if (!pFormat || pFormat->wBitsPerSample != 16 || !pBuffer || nBufferSize <= 0)
        return 0;
    std::memset(pBuffer, 0, static_cast<size_t>(nBufferSize));
    if (nBytes < 0)
        nBytes = 0;
    if (nBytes > nBufferSize)
        nBytes = nBufferSize;
    if (bHold == 0)
        m_nPosition += static_cast<uint64_t>(nBytes);
    uint32_t bytesPerSecond = pFormat->nAvgBytesPerSec;
    double time =
        (bytesPerSecond ? static_cast<double>(m_nPosition) / bytesPerSecond : 0.0) + m_dStartOffset;
    m_dCurrentTime = time;
    int values = nBytes / 2;
    int frames = values / 2;
    values = frames * 2;

    bool hasMainLine = m_timeline.FindLine(kLineMainVideo) != nullptr;
    for (int slot = 0; slot < kSlotCount; ++slot)
    {
        tagQVMediaData* item = nullptr;
        if (slot < 2)
        {
            if (!hasMainLine)
                continue;
            item = ListItemAt(slot == 0 ? m_listA : m_listB, time);
        }
        else
        {
            TimelineLine* line = m_timeline.FindLine(kSoundLines[slot - 2]);
            if (!line)
                continue;
            item = FindItemAt(*line, time);
            if (item && !FindItemAudio(item))
                PrepareItem(*item, true);
        }
        MixSlot(slot, item, time, pBuffer, values, static_cast<int>(pFormat->nSamplesPerSec));
    }

    if (!m_timeline.bHasLevelMeter || frames == 0)
        return 0;
    int16_t left[64], right[64];
    MeasureLevels(pBuffer, frames, left, right);
    if (m_bConverting)
    {
        std::memcpy(m_left.data(), left, sizeof left);
        std::memcpy(m_right.data(), right, sizeof right);
        if (m_pLevels)
            m_pLevels->WriteRecord(left, right);
    }
    else
    {
        std::lock_guard<std::mutex> lock(m_levelLock);
        std::memcpy(m_left.data(), left, sizeof left);
        std::memcpy(m_right.data(), right, sizeof right);
    }
    return 0;
}

void CAudioMixerUserCallback::MeasureLevels(const int16_t* pSamples, int nFrames, int16_t* pLeft,
                                            int16_t* pRight)
{
    std::memset(pLeft, 0, 64 * sizeof(int16_t));
    std::memset(pRight, 0, 64 * sizeof(int16_t));
    // Buffers of fewer than 64 frames would give 0 frames per level: measure them one
    // frame per level instead.
    int64_t perLevel = std::max(1, nFrames / 64);
    int64_t count = 0, sumLeft = 0, sumRight = 0;
    int stored = 0;
    for (int i = 0; i < nFrames; ++i)
    {
        ++count;
        if (count % perLevel == 0 && stored < 63)
        {
            pLeft[stored] = static_cast<int16_t>(sumLeft / perLevel);
            pRight[stored] = static_cast<int16_t>(sumRight / perLevel);
            ++stored;
            sumLeft = sumRight = count = 0;
        }
        sumLeft += std::abs(static_cast<int32_t>(pSamples[2 * i]));
        sumRight += std::abs(static_cast<int32_t>(pSamples[2 * i + 1]));
    }
    // The last level takes what is left; a count of 0 there means one frame's worth.
    pLeft[63] = static_cast<int16_t>(sumLeft / std::max<int64_t>(count, 1));
    pRight[63] = static_cast<int16_t>(sumRight / std::max<int64_t>(count, 1));
}

void CAudioMixerUserCallback::GetLevels(int16_t* pLeft, int16_t* pRight)
{
    std::lock_guard<std::mutex> lock(m_levelLock);
    std::memcpy(pLeft, m_left.data(), sizeof m_left);
    std::memcpy(pRight, m_right.data(), sizeof m_right);
}

} // namespace qv
