#include "compose/CVideoMixerUserCallbackEx.h"

#include "compose/ItemTiming.h"
#include "encode/CQVVideoConverter.h"
#include "media/CQVItemRuntime.h"
#include "project/LineTypes.h"
#include "project/MediaTypes.h"
#include "project/OutputFrameRate.h"

#include <QImage>
#include <QPainter>

namespace qv
{

CVideoMixerUserCallbackEx::CVideoMixerUserCallbackEx(ProjectTimeline& timeline, int nWidth,
                                                     int nHeight, const std::string& tmpFolder)
    : m_timeline(timeline), m_nWidth(nWidth), m_nHeight(nHeight), m_tmpFolder(tmpFolder)
{
}

void CVideoMixerUserCallbackEx::SetClock(CQVVideoConverter* pOwner, int32_t bOwnClock,
                                         double dFrameRate)
{
    m_pOwner = pOwner;
    m_bOwnClock = bOwnClock;
    m_dFrameRate = dFrameRate > 0.0 ? dFrameRate : 30.0;
}

int32_t CVideoMixerUserCallbackEx::FillFrame(QPainter* pGraphics, int64_t nIndex,
                                             int64_t nStartTime, const tagQVBitmapInfoHeader*,
                                             uint8_t*, int32_t)
{
    m_lastDrawn.clear();
    if (m_bOwnClock || !m_pOwner)
        m_dLastTime = static_cast<double>(++m_nFrames) / m_dFrameRate;
    else
        m_dLastTime = SampleTime(m_pOwner->SampleTiming(), nIndex, nStartTime);

    TimelineLine* main = m_timeline.FindLine(kLineMainVideo);
    tagQVMediaData* item = main ? FindItemAt(*main, m_dLastTime) : nullptr;
    const CQVItemRuntime* runtime = item ? FindItemRuntime(*item) : nullptr;
    if (!pGraphics || !item || item->eMediaType != kMediaPicture || !runtime || m_tmpFolder.empty())
        return 0;
    std::string base = m_tmpFolder + "frameimage/" + std::to_string(runtime->Identity()) + "_tmp";
    for (const char* extension : {".png", ".jpg"})
    {
        QImage picture(QString::fromStdString(base + extension));
        if (picture.isNull())
            continue;
        pGraphics->drawImage(QRect(0, 0, m_nWidth, m_nHeight), picture);
        m_lastDrawn = base + extension;
        break;
    }
    return 0;
}

} // namespace qv
