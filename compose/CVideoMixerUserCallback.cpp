#include "compose/CVideoMixerUserCallback.h"

#include "compose/AnimationFrames.h"
#include "compose/CAudioMixerUserCallback.h"
#include "compose/CQVLevelMapping.h"
#include "compose/FrameComposition.h"
#include "compose/FrameFinishing.h"
#include "compose/FramePath.h"
#include "compose/IQVItemEffects.h"
#include "compose/ItemTiming.h"
#include "encode/CQVVideoConverter.h"
#include "project/LineTypes.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace qv
{

namespace
{

void RecreateFolder(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
    std::filesystem::create_directories(path, ignored);
}

} // namespace

CVideoMixerUserCallback::CVideoMixerUserCallback(ProjectTimeline& timeline, int nWidth, int nHeight,
                                                 const std::string& tmpFolder)
    : m_timeline(timeline), m_pMainLine(timeline.FindLine(kLineMainVideo)), m_tmpFolder(tmpFolder)
{
    m_context.nOutputWidth = nWidth > 0 ? nWidth : 0;
    m_context.nOutputHeight = nHeight > 0 ? nHeight : 0;
    m_context.tmpFolder = tmpFolder;
    m_context.b3D = timeline.b3D;
    // The layers are made by the first composed frame: a job whose frames all go in the
    // source's own pixels never needs them.
    m_nLayerBytes = static_cast<size_t>(m_context.nOutputWidth) * m_context.nOutputHeight * 4;
    if (!m_tmpFolder.empty())
    {
        RecreateFolder(m_tmpFolder + "rwv/");
        RecreateFolder(m_tmpFolder + "frameimage/");
    }
}

CVideoMixerUserCallback::~CVideoMixerUserCallback()
{
    // The items outlive this callback only as far as their runtime state goes: free the
    // decoders of the slots now, while the composition still knows them.
    ReleaseLineItem(m_context, nullptr, 0);
    ReleaseLineItem(m_context, nullptr, 1);
    if (!m_tmpFolder.empty())
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_tmpFolder + "rwv/", ignored);
    }
}

void CVideoMixerUserCallback::Prime(CQVVideoConverter* pOwner, int32_t bConverting)
{
    m_pOwner = pOwner;
    m_bConverting = bConverting ? 1 : 0;
    m_timing = pOwner ? pOwner->SampleTiming() : tagQVSampleTiming{};
    // The rewind replay and the animated pictures count in output frames.
    m_context.dOutputFrameRate = m_timing.dFrameRate;
}

bool CVideoMixerUserCallback::PicturesGoDirect() const
{
    return ProjectPicturesGoDirect(m_timeline);
}

void CVideoMixerUserCallback::ResetFrameState()
{
    m_context.dCurrentTime = 0.0;
    m_context.pSlotItems[0] = m_context.pSlotItems[1] = nullptr;
    m_nHistoryCount = 0;
    m_nHistoryStart = 0;
}

std::vector<double> CVideoMixerUserCallback::RecentTimes() const
{
    std::vector<double> times;
    for (int i = 0; i < m_nHistoryCount; ++i)
        times.push_back(m_history[(m_nHistoryStart + i) % kHistorySize]);
    return times;
}

void CVideoMixerUserCallback::RenderLine(tagQVMediaData* item, int nSlot, double dTime,
                                         tagQVMediaData** ppItem)
{
    uint8_t* layer = m_layers[nSlot].data();
    int width = m_context.nOutputWidth, height = m_context.nOutputHeight;
    if (item)
    {
        SelectAnimationFrame(m_context, dTime, *item);
        RenderItemFrame(m_context, dTime, *item, layer, width, height);
    }
    ReleaseLineItem(m_context, item, nSlot);
    if (item && item->eMediaType == 0 && m_context.pEffects)
    {
        if (item->pColorAdjustment)
            m_context.pEffects->ApplyColorEffects(*item, layer, width, height);
        m_context.pEffects->DrawMaskOnFrame(*item, layer, width, height, dTime);
    }
    *ppItem = item;
}

int32_t CVideoMixerUserCallback::FillFrame(QPainter*, int64_t nIndex, int64_t nStartTime,
                                           const tagQVBitmapInfoHeader* pHeader, uint8_t* pBuffer,
                                           int32_t nBufferSize)
{
    return Fill(nIndex, nStartTime, pHeader, pBuffer, nBufferSize, nullptr);
}

int32_t CVideoMixerUserCallback::FillFrameOrDirect(QPainter*, int64_t nIndex, int64_t nStartTime,
                                                   const tagQVBitmapInfoHeader* pHeader,
                                                   uint8_t* pBuffer, int32_t nBufferSize,
                                                   tagQVDirectPicture* pDirect)
{
    return Fill(nIndex, nStartTime, pHeader, pBuffer, nBufferSize,
                m_bConverting ? pDirect : nullptr);
}

int32_t CVideoMixerUserCallback::Fill(int64_t nIndex, int64_t nStartTime,
                                      const tagQVBitmapInfoHeader* pHeader, uint8_t* pBuffer,
                                      int32_t nBufferSize, tagQVDirectPicture* pDirect)
{
    if (!pBuffer || nBufferSize <= 0)
        return 0;
    if (m_bConverting && m_pOwner)
        m_pOwner->RecordDelivered(nIndex);
    const double time = SampleTime(m_timing, nIndex, nStartTime);
    m_context.dCurrentTime = time;

    if (m_nHistoryCount == kHistorySize)
    {
        m_history[m_nHistoryStart] = time;
        m_nHistoryStart = (m_nHistoryStart + 1) % kHistorySize;
    }
    else
        m_history[(m_nHistoryStart + m_nHistoryCount++) % kHistorySize] = time;

    // A sample of another size than the composition's cannot take its layers.
    const int64_t layerBytes = static_cast<int64_t>(m_nLayerBytes);
    if (!pHeader || pHeader->biWidth != m_context.nOutputWidth ||
        std::abs(pHeader->biHeight) != m_context.nOutputHeight || layerBytes == 0 ||
        nBufferSize < layerBytes)
    {
        std::memset(pBuffer, 0, static_cast<size_t>(nBufferSize));
        return 0;
    }

    tagQVMediaData* pMain = m_pMainLine ? FindItemAt(*m_pMainLine, time) : nullptr;
    tagQVMediaData* pSecond = FindItemAt(m_timeline.secondLine, time);
    if (ChooseFramePath(m_context, pMain, pSecond, pDirect != nullptr) == EQVFramePath::kDirect &&
        RenderItemDirect(m_context, time, *pMain, pDirect))
    {
        ReleaseLineItem(m_context, pMain, 0);
        ReleaseLineItem(m_context, nullptr, 1);
        ++m_nDirectFrames;
        return 0;
    }

    std::memset(pBuffer, 0, static_cast<size_t>(nBufferSize));
    if (m_layers[0].empty())
    {
        m_layers[0].assign(m_nLayerBytes, 0);
        m_layers[1].assign(m_nLayerBytes, 0);
    }
    tagQVMediaData* itemA = nullptr;
    tagQVMediaData* itemB = nullptr;
    if (m_pMainLine)
        RenderLine(pMain, 0, time, &itemA);
    RenderLine(pSecond, 1, time, &itemB);

    if (itemA && itemB)
        FinishTwoItems(m_context, *itemA, *itemB, m_layers[0].data(), m_layers[1].data(), pBuffer,
                       nBufferSize);
    else if (itemA)
        FinishItemFrame(m_context, *itemA, m_layers[0].data(), pBuffer, nBufferSize);
    else if (itemB)
        FinishItemFrame(m_context, *itemB, m_layers[1].data(), pBuffer, nBufferSize);
    // With neither, the sample stays black: the title line's drawing is not part of this
    // product.
    return 0;
}

int32_t CVideoMixerUserCallback::DrawOverlays(QPainter*, int32_t, int32_t, int32_t, uint8_t*,
                                              int32_t, int32_t bDraw)
{
    if (!bDraw)
        return 0;
    if (m_timeline.bHasLevelMeter && m_pLevels)
        m_pLevels->ReadRecord(m_levels.data(), m_levels.data() + 64);
    else if (m_timeline.bHasLevelMeter && m_pPreviewLevels)
        m_pPreviewLevels->GetLevels(m_levels.data(), m_levels.data() + 64);
    // Text, titles and drawings of the larger family have no lines in this product.
    return 0;
}

} // namespace qv
