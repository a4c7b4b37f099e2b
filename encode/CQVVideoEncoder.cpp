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
    Release();
}

} // namespace qv
