#include "encode/CQVVideoMixerStage.h"

#include <cstring>

#include <QImage>
#include <QPainter>

namespace qv
{

void CQVVideoMixerStage::Open(IQVVideoMixerUserCallback* pCallback,
                              const tagQVBitmapInfoHeader& header)
{
    m_pCallback = pCallback;
    m_header = header;
}

int32_t CQVVideoMixerStage::Process(const tagQVVideoSample& sample)
{
    if (m_pCallback == nullptr)
    {
        std::memset(sample.pBuffer, 0, static_cast<size_t>(sample.nSize));
        return 0;
    }
    // The callback blanks the sample when it composes it (the default FillFrameOrDirect does
    // for callbacks that only fill), so a direct frame never touches it.
    if (!m_pCallback->UsesGraphics())
    {
        int32_t nResult =
            m_pCallback->FillFrameOrDirect(nullptr, sample.nIndex, sample.nStartTime, &m_header,
                                           sample.pBuffer, sample.nSize, sample.pDirect);
        if (nResult == 0)
            nResult = m_pCallback->DrawOverlays(nullptr, 0, 0, 0, sample.pBuffer, sample.nSize, 1);
        return nResult;
    }
    const int nWidth = m_header.biWidth;
    const int nHeight = m_header.biHeight < 0 ? -m_header.biHeight : m_header.biHeight;
    // The graphics object paints straight into the sample; the sample's rows run bottom
    // to top, so it draws through a vertical flip and callers draw right side up.
    QImage picture(sample.pBuffer, nWidth, nHeight, nWidth * 4,
                   QImage::Format_ARGB32_Premultiplied);
    QPainter graphics(&picture);
    if (m_header.biHeight > 0)
    {
        graphics.translate(0, nHeight);
        graphics.scale(1, -1);
    }
    int32_t nResult =
        m_pCallback->FillFrameOrDirect(&graphics, sample.nIndex, sample.nStartTime, &m_header,
                                       sample.pBuffer, sample.nSize, sample.pDirect);
    if (nResult == 0)
        nResult = m_pCallback->DrawOverlays(&graphics, 0, 0, 0, sample.pBuffer, sample.nSize, 1);
    graphics.end();
    return nResult;
}

} // namespace qv
