#include "encode/CQVVideoEncoder.h"

#include "encode/CQVMultiplexer.h"
#include "encode/EncoderMapping.h"

namespace qv
{

int32_t CQVVideoEncoder::Open(const tagQVEncodeSettings& settings, bool bGlobalHeader)
{
    Close();
    const AVCodec* pCodec = nullptr;
    int nAllocated = Allocate(VideoEncoderName(settings.eVideoCodec), &pCodec);
    if (nAllocated < 0)
        return nAllocated;
    int nResult = ApplyVideoSettings(settings, m_pContext.get(), bGlobalHeader);
    if (nResult >= 0)
        nResult = avcodec_open2(m_pContext.get(), pCodec, nullptr);
    if (nResult >= 0)
    {
        m_pFrame->format = m_pContext->pix_fmt;
        m_pFrame->width = m_pContext->width;
        m_pFrame->height = m_pContext->height;
        nResult = av_frame_get_buffer(m_pFrame.get(), 0);
    }
    if (nResult >= 0)
    {
        // The alpha byte of the samples carries nothing for the encoder.
        m_pScaler.reset(sws_getContext(settings.nWidth, settings.nHeight, AV_PIX_FMT_BGR0,
                                       settings.nWidth, settings.nHeight, m_pContext->pix_fmt,
                                       SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!m_pScaler)
            nResult = AVERROR(ENOMEM);
        else
            QVSetScalerColors(m_pScaler.get(), settings.color, false);
        m_direct.SetOutputColor(settings.color);
        m_outputColor = settings.color;
    }
    if (nResult < 0)
        Close();
    return nResult < 0 ? nResult : 0;
}

int32_t CQVVideoEncoder::Process(const uint8_t* pSample, tagQVDirectPicture* pDirect,
                                 int64_t nIndex)
{
    if (!m_pContext || m_pMultiplexer == nullptr)
        return AVERROR(EINVAL);
    // The encoder may still hold the previous picture; then a fresh buffer is taken.
    int nResult = av_frame_make_writable(m_pFrame.get());
    if (nResult < 0)
        return nResult;
    AVFrame* pInput = m_pFrame.get();
    if (pDirect != nullptr && pDirect->Holds())
    {
        nResult = m_direct.Convert(*pDirect, m_pFrame.get(), &pInput);
        if (nResult < 0)
            return nResult;
    }
    else if (m_outputColor.IsHdr())
    {
        nResult = LiftComposed(pSample, &pInput);
        if (nResult < 0)
            return nResult;
    }
    else
    {
        const int nHeight = m_pContext->height;
        const int nStride = m_pContext->width * 4;
        // Bottom-up rows: start at the last row and walk upwards.
        const uint8_t* pSource[4] = {pSample + static_cast<ptrdiff_t>(nHeight - 1) * nStride,
                                     nullptr, nullptr, nullptr};
        const int nSourceStride[4] = {-nStride, 0, 0, 0};
        sws_scale(m_pScaler.get(), pSource, nSourceStride, 0, nHeight, m_pFrame->data,
                  m_pFrame->linesize);
    }
    pInput->pts = nIndex;
    // The quantiser encoders take a fixed quantiser from each picture, not from the context.
    pInput->quality = m_pContext->global_quality;
    nResult = avcodec_send_frame(m_pContext.get(), pInput);
    if (pInput != m_pFrame.get())
        av_frame_unref(pInput);
    if (nResult < 0)
        return nResult;
    return Drain();
}

int32_t CQVVideoEncoder::LiftComposed(const uint8_t* pSample, AVFrame** ppInput)
{
    // Composed pictures are SDR BT.709: HDR pictures are tone-mapped before they are composed.
    tagQVColorDescription composed;
    composed.ePrimaries = AVCOL_PRI_BT709;
    composed.eTransfer = AVCOL_TRC_BT709;
    composed.eMatrix = AVCOL_SPC_RGB;
    composed.eRange = AVCOL_RANGE_JPEG;
    const int nWidth = m_pContext->width;
    const int nHeight = m_pContext->height;
    // The sample as a picture of its own, bottom-up rows read from the last one upwards; the
    // graph copies it.
    QVFramePtr pComposed(av_frame_alloc());
    if (!m_pLifted)
        m_pLifted.reset(av_frame_alloc());
    if (!pComposed || !m_pLifted)
        return AVERROR(ENOMEM);
    pComposed->format = AV_PIX_FMT_BGR0;
    pComposed->width = nWidth;
    pComposed->height = nHeight;
    pComposed->linesize[0] = -nWidth * 4;
    pComposed->data[0] =
        const_cast<uint8_t*>(pSample) + static_cast<ptrdiff_t>(nHeight - 1) * nWidth * 4;
    const int nResult = m_lift.Convert(*pComposed, composed, m_outputColor, nWidth, nHeight,
                                       m_pContext->pix_fmt, m_pLifted.get());
    if (nResult < 0)
        return nResult;
    *ppInput = m_pLifted.get();
    return 0;
}

int32_t CQVVideoEncoder::Finish()
{
    if (!m_pContext || m_pMultiplexer == nullptr)
        return AVERROR(EINVAL);
    const int nResult = avcodec_send_frame(m_pContext.get(), nullptr);
    if (nResult < 0 && nResult != AVERROR_EOF)
        return nResult;
    return Drain();
}

void CQVVideoEncoder::Close()
{
    m_pScaler.reset();
    m_pLifted.reset();
    Release();
}

} // namespace qv
