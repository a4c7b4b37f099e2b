#include "probe/CQVFFMpegCaptureBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C"
{
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace qv
{

namespace
{

// A demuxer that keeps answering "try again" is broken; give up after this many.
constexpr int kMaxTryAgain = 100000;

// Frame indexes are kept well inside int64 so that differences of two never overflow,
// whatever timestamps a damaged file carries.
constexpr int64_t kFrameIndexLimit = int64_t(1) << 60;

// Bytes behind the image that the scaler's vector code may touch.
constexpr size_t kImagePadding = 64;

// The scaler's vector conversion of a picture to BGRA at its own size writes 8 pixels at a
// time and, when a row's stride has no room for the last group, leaves the last 1-7 pixels
// of every row unconverted. Rows of whole groups keep every pixel.
int BgraStride(int nWidth)
{
    return FFALIGN(nWidth, 8) * 4;
}

} // namespace

CQVFFMpegCaptureBase::CQVFFMpegCaptureBase(const std::string& path, int nDestWidth, int nDestHeight,
                                           bool bFlip)
    : m_nDestWidth(nDestWidth), m_nDestHeight(nDestHeight), m_bFlip(bFlip), m_sourcePath(path)
{
}

CQVFFMpegCaptureBase::~CQVFFMpegCaptureBase()
{
    Close();
}

void CQVFFMpegCaptureBase::ResetFields()
{
    m_nVideoStreamIndex = -1;
    m_pVideoStream = nullptr;
    m_nAudioStreamIndex = -1;
    m_pAudioStream = nullptr;
    m_nScalerWidth = 0;
    m_nScalerHeight = 0;
    m_nScalerFormat = -1;
    m_scalerColor = tagQVColorDescription();
    m_streamColor = tagQVColorDescription();
    std::fill(std::begin(m_destData), std::end(m_destData), nullptr);
    std::fill(std::begin(m_destLinesize), std::end(m_destLinesize), 0);
    m_bDraining = false;
    m_turn = tagQVDisplayTurn();
    m_nCurrentFrameTimestamp = AV_NOPTS_VALUE;
    m_nFramesDecoded = 0;
    m_nFirstFrameIndex = -1;
    m_nTimelineFrameIndex = 0;
    m_pImageData = nullptr;
    m_nImageStride = 0;
    m_nImageWidth = 0;
    m_nImageHeight = 0;
    m_nBytesPerPixel = 0;
}

void CQVFFMpegCaptureBase::Close()
{
    // The scaler and decoder go before the demuxer that owns the streams they describe.
    m_pScaler.reset();
    m_pToneMapped.reset();
    m_pFrame.reset();
    m_pReceiveFrame.reset();
    m_pPacket.reset();
    m_pCodec.reset();
    m_pImageBuffer.reset();
    m_pTurnBuffer.reset();
    m_pFormat.reset();
    ResetFields();
}

bool CQVFFMpegCaptureBase::OpenInputFile(const std::string& path)
{
    Close();
    m_pFormat = QVOpenInput(path);
    if (!m_pFormat)
        return false;
    m_pPacket.reset(av_packet_alloc());
    if (!m_pPacket)
    {
        Close();
        return false;
    }
    return true;
}

bool CQVFFMpegCaptureBase::OpenVideoStream(int nStreamIndex)
{
    if (!m_pFormat || nStreamIndex < 0 || nStreamIndex >= static_cast<int>(m_pFormat->nb_streams))
        return false;
    AVStream* pStream = m_pFormat->streams[nStreamIndex];
    const AVCodec* pDecoder = avcodec_find_decoder(pStream->codecpar->codec_id);
    if (pDecoder == nullptr)
        return false;
    QVCodecPtr codec(avcodec_alloc_context3(pDecoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), pStream->codecpar) < 0)
        return false;
    codec->pkt_timebase = pStream->time_base;
    codec->thread_count = QVProcessorCount();

    // Some decoders adjust the size while opening (alignment, low resolution); the
    // stream's own size is what callers expect to read back.
    const int nWidth = codec->width;
    const int nHeight = codec->height;
    if (avcodec_open2(codec.get(), pDecoder, nullptr) < 0)
        return false;
    if (nWidth != 0 && codec->width != nWidth)
        codec->width = nWidth;
    if (nHeight != 0 && codec->height != nHeight)
        codec->height = nHeight;

    QVFramePtr frame(av_frame_alloc());
    QVFramePtr receiveFrame(av_frame_alloc());
    if (!frame || !receiveFrame)
        return false;

    // The image is made by the first conversion: frames that reach the encoder in the
    // source's own pixels never need it.
    if (av_image_get_buffer_size(AV_PIX_FMT_BGRA, m_nDestWidth, m_nDestHeight, 1) <= 0)
        return false;

    m_nVideoStreamIndex = nStreamIndex;
    m_pVideoStream = pStream;
    m_turn = QVDisplayTurnOfStream(pStream);
    m_streamColor = QVDescriptionOfStream(pStream);
    m_pCodec = std::move(codec);
    m_pFrame = std::move(frame);
    m_pReceiveFrame = std::move(receiveFrame);
    m_pImageData = nullptr;
    m_nImageStride = BgraStride(m_nDestWidth);
    m_nImageWidth = m_nDestWidth;
    m_nImageHeight = m_nDestHeight;
    m_nBytesPerPixel = 4;
    return true;
}

bool CQVFFMpegCaptureBase::ReadNextFrame()
{
    return NextPicture(false);
}

bool CQVFFMpegCaptureBase::DecodeNextFrame()
{
    return NextPicture(true);
}

int CQVFFMpegCaptureBase::ReceivePicture()
{
    const int nResult = avcodec_receive_frame(m_pCodec.get(), m_pReceiveFrame.get());
    if (nResult == 0)
        return 1;
    if (nResult == AVERROR_EOF)
        return -1;
    // AVERROR(EAGAIN), or a decoding error that the next packet may get past.
    return 0;
}

bool CQVFFMpegCaptureBase::NextPicture(bool bCounted)
{
    if (!m_pCodec)
        return false;
    if (bCounted)
    {
        const int64_t nDeclared = m_pVideoStream->nb_frames;
        if (nDeclared > 0 && m_nFramesDecoded > nDeclared)
            return false;
    }
    av_packet_unref(m_pPacket.get());

    int nMisses = 0;
    int nTryAgain = 0;
    for (;;)
    {
        // A decoder may hold more than one picture per packet: hand those out first.
        const int nReady = ReceivePicture();
        if (nReady > 0)
        {
            TakePicture(bCounted);
            return true;
        }
        if (nReady < 0 || m_bDraining)
            return false;
        if (nMisses > kMaxMisses)
            return false;

        const int nRead = av_read_frame(m_pFormat.get(), m_pPacket.get());
        if (nRead == AVERROR(EAGAIN))
        {
            if (++nTryAgain > kMaxTryAgain)
                return false;
            continue;
        }
        if (nRead < 0)
        {
            const bool bEnd =
                nRead == AVERROR_EOF || (m_pFormat->pb != nullptr && avio_feof(m_pFormat->pb));
            if (bEnd)
            {
                // Delayed pictures (B-frames, frame threads) come out only when the
                // decoder is told that the input has ended.
                avcodec_send_packet(m_pCodec.get(), nullptr);
                m_bDraining = true;
            }
            else
            {
                ++nMisses;
            }
            continue;
        }
        if (m_pPacket->stream_index != m_nVideoStreamIndex)
        {
            av_packet_unref(m_pPacket.get());
            ++nMisses;
            continue;
        }
        // Damaged data makes sending fail while later packets still decode: a miss.
        const int nSent = avcodec_send_packet(m_pCodec.get(), m_pPacket.get());
        av_packet_unref(m_pPacket.get());
        if (nSent < 0)
        {
            ++nMisses;
            continue;
        }
        const int nDecoded = ReceivePicture();
        if (nDecoded > 0)
        {
            TakePicture(bCounted);
            return true;
        }
        if (nDecoded < 0)
            return false;
        ++nMisses;
    }
}

void CQVFFMpegCaptureBase::TakePicture(bool bCounted)
{
    av_frame_unref(m_pFrame.get());
    av_frame_move_ref(m_pFrame.get(), m_pReceiveFrame.get());
    if (bCounted)
    {
        m_nCurrentFrameTimestamp = m_pFrame->best_effort_timestamp;
        ++m_nFramesDecoded;
        if (m_nFirstFrameIndex < 0)
            m_nFirstFrameIndex = PtsToFrameIndex(m_nCurrentFrameTimestamp);
    }
    else
    {
        m_nCurrentFrameTimestamp = PictureTimestamp();
    }
}

void CQVFFMpegCaptureBase::FlipPlanes(const AVFrame* pFrame, uint8_t* data[AV_NUM_DATA_POINTERS],
                                      int linesize[AV_NUM_DATA_POINTERS])
{
    const AVPixFmtDescriptor* pDesc =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(pFrame->format));
    if (pDesc == nullptr || (pDesc->flags & AV_PIX_FMT_FLAG_HWACCEL) || pFrame->height <= 0)
        return;
    const int nPlanes = av_pix_fmt_count_planes(static_cast<AVPixelFormat>(pFrame->format));
    for (int i = 0; i < nPlanes && i < AV_NUM_DATA_POINTERS; ++i)
    {
        // A palette is a table, not rows of the picture.
        if (i == 1 && (pDesc->flags & AV_PIX_FMT_FLAG_PAL))
            break;
        if (data[i] == nullptr)
            continue;
        // Each plane by its own row count: chroma planes of 4:2:2 and 4:4:4 pictures are
        // as tall as the luma plane, and odd heights round the chroma rows up.
        const bool bChroma = (i == 1 || i == 2) && !(pDesc->flags & AV_PIX_FMT_FLAG_RGB);
        const int nRows =
            bChroma ? AV_CEIL_RSHIFT(pFrame->height, pDesc->log2_chroma_h) : pFrame->height;
        data[i] += static_cast<ptrdiff_t>(nRows - 1) * linesize[i];
        linesize[i] = -linesize[i];
    }
}

void CQVFFMpegCaptureBase::TransposeImage(const uint8_t* pScaled, int nScaledStride, bool bFlipX,
                                          bool bFlipY)
{
    // The scaled picture is the stored one: m_nDestHeight wide, m_nDestWidth tall. An image
    // row is a stored column; tiles keep the column reads within a few cache lines.
    constexpr int kTile = 16;
    const int nStoredWidth = m_nDestHeight;
    const int nStoredHeight = m_nDestWidth;
    const ptrdiff_t nStep = bFlipY ? -ptrdiff_t(nScaledStride) : ptrdiff_t(nScaledStride);
    for (int y0 = 0; y0 < m_nDestHeight; y0 += kTile)
    {
        const int y1 = std::min(y0 + kTile, m_nDestHeight);
        for (int x0 = 0; x0 < m_nDestWidth; x0 += kTile)
        {
            const int x1 = std::min(x0 + kTile, m_nDestWidth);
            const int sy0 = bFlipY ? nStoredHeight - 1 - x0 : x0;
            for (int y = y0; y < y1; ++y)
            {
                const int sx = bFlipX ? nStoredWidth - 1 - y : y;
                const uint8_t* pSource = pScaled + static_cast<ptrdiff_t>(sy0) * nScaledStride +
                                         static_cast<ptrdiff_t>(sx) * 4;
                uint8_t* pRow = m_destData[0] + static_cast<ptrdiff_t>(y) * m_destLinesize[0];
                for (int x = x0; x < x1; ++x, pSource += nStep)
                    std::memcpy(pRow + x * 4, pSource, 4);
            }
        }
    }
}

void CQVFFMpegCaptureBase::MirrorImageRows()
{
    for (int y = 0; y < m_nDestHeight; ++y)
    {
        uint32_t* pRow = reinterpret_cast<uint32_t*>(m_destData[0] +
                                                     static_cast<ptrdiff_t>(y) * m_destLinesize[0]);
        std::reverse(pRow, pRow + m_nDestWidth);
    }
}

bool CQVFFMpegCaptureBase::HasPicture() const
{
    return m_pFrame && m_pFrame->data[0] != nullptr;
}

int64_t CQVFFMpegCaptureBase::PicturePts() const
{
    return HasPicture() ? m_pFrame->pts : AV_NOPTS_VALUE;
}

int64_t CQVFFMpegCaptureBase::PictureTimestamp() const
{
    if (!HasPicture())
        return AV_NOPTS_VALUE;
    if (m_pFrame->pts != AV_NOPTS_VALUE)
        return m_pFrame->pts;
    if (m_pFrame->pkt_dts != AV_NOPTS_VALUE)
        return m_pFrame->pkt_dts;
    return m_pFrame->best_effort_timestamp;
}

double CQVFFMpegCaptureBase::TimeBase() const
{
    return m_pVideoStream ? QVRatio(m_pVideoStream->time_base) : 0.0;
}

double CQVFFMpegCaptureBase::TimestampTolerance() const
{
    constexpr double kMinTolerance = 0.001;
    const double dTick = TimeBase();
    const double dRate = GetFrameRate();
    if (dTick <= 0.0 || dRate < kQVMediaEpsilon)
        return kMinTolerance;
    double dTolerance = kMinTolerance;
    // Pictures that fall on whole ticks are stored exactly (MP4, MPEG, AVI, whose tick is
    // the frame itself); only the others are rounded to a tick.
    const double dTicksPerFrame = 1.0 / (dRate * dTick);
    if (std::fabs(dTicksPerFrame - std::round(dTicksPerFrame)) > 1e-6 * dTicksPerFrame)
        dTolerance = std::max(dTolerance, dTick);
    return std::min(dTolerance, 0.25 / dRate);
}

double CQVFFMpegCaptureBase::GetDuration() const
{
    if (!m_pFormat)
        return 0.0;
    if (m_pFormat->duration != AV_NOPTS_VALUE)
    {
        const double dSeconds = static_cast<double>(m_pFormat->duration) / 1000000.0;
        if (dSeconds >= kQVMediaEpsilon)
            return dSeconds;
    }
    // Without a video stream the front-end's variant falls back to the audio stream.
    const AVStream* pStream = m_pVideoStream ? m_pVideoStream : m_pAudioStream;
    if (pStream == nullptr || pStream->duration == AV_NOPTS_VALUE || pStream->duration <= 0)
        return 0.0;
    return QVRatio(pStream->time_base) * static_cast<double>(pStream->duration);
}

double CQVFFMpegCaptureBase::GetFrameRate() const
{
    if (!m_pVideoStream)
        return 0.0;
    double dRate = QVRatio(m_pVideoStream->r_frame_rate);
    if (dRate >= kQVMediaEpsilon)
        return dRate;
    dRate = QVRatio(m_pVideoStream->avg_frame_rate);
    if (dRate >= kQVMediaEpsilon)
        return dRate;
    const double dTick = QVRatio(m_pCodec->time_base);
    if (dTick >= kQVMediaEpsilon)
        return 1.0 / dTick;
    dRate = QVRatio(m_pCodec->framerate);
    return dRate >= kQVMediaEpsilon ? dRate : 0.0;
}

int64_t CQVFFMpegCaptureBase::GetFrameCount() const
{
    if (!m_pVideoStream)
        return 0;
    if (m_pVideoStream->nb_frames > 0)
        return m_pVideoStream->nb_frames;
    return QVTruncToInt64(std::floor(GetDuration() * GetFrameRate()));
}

double CQVFFMpegCaptureBase::PtsToSeconds(int64_t nTimestamp) const
{
    if (!m_pVideoStream || nTimestamp == AV_NOPTS_VALUE)
        return 0.0;
    const int64_t nStart =
        m_pVideoStream->start_time == AV_NOPTS_VALUE ? 0 : m_pVideoStream->start_time;
    // In double: the difference of two arbitrary int64 values may not fit in one.
    return QVRatio(m_pVideoStream->time_base) *
           (static_cast<double>(nTimestamp) - static_cast<double>(nStart));
}

int64_t CQVFFMpegCaptureBase::PtsToFrameIndex(int64_t nTimestamp) const
{
    if (!m_pVideoStream || nTimestamp == AV_NOPTS_VALUE)
        return -1;
    const int64_t nIndex = QVTruncToInt64(PtsToSeconds(nTimestamp) * GetFrameRate());
    return std::clamp(nIndex, -kFrameIndexLimit, kFrameIndexLimit);
}

void CQVFFMpegCaptureBase::SeekToFrame(int64_t nTargetFrame)
{
    if (!m_pCodec)
        return;
    const int64_t nFrameCount = GetFrameCount();
    int64_t nTarget = std::min(nTargetFrame, nFrameCount);
    int64_t nStep = 16;

    if (m_nFirstFrameIndex < 0 && nFrameCount > 1)
        DecodeNextFrame();
    const int64_t nFirst = std::max<int64_t>(m_nFirstFrameIndex, 0);

    const double dFrameRate = GetFrameRate();
    const double dTimeBase = TimeBase();
    const int64_t nStreamStart =
        m_pVideoStream->start_time == AV_NOPTS_VALUE ? 0 : m_pVideoStream->start_time;

    for (;;)
    {
        const int64_t nStart = nTarget - nStep > 0 ? nTarget - nStep : 0;
        if (nFrameCount > 1)
        {
            int64_t nTimestamp = nStreamStart;
            if (dFrameRate >= kQVMediaEpsilon && dTimeBase > 0.0)
                nTimestamp = QVTruncToInt64(static_cast<double>(nStart) / dFrameRate / dTimeBase +
                                            static_cast<double>(nStreamStart));
            av_seek_frame(m_pFormat.get(), m_nVideoStreamIndex, nTimestamp, AVSEEK_FLAG_BACKWARD);
        }
        avcodec_flush_buffers(m_pCodec.get());
        m_bDraining = false;
        // The count restarts with every seek, so that a stream that ran past its
        // declared frame count decodes again.
        m_nFramesDecoded = 0;

        if (nTarget <= 0)
            return;
        const bool bLanded = DecodeNextFrame();
        if (nTarget <= 1)
        {
            m_nFramesDecoded = 1;
            return;
        }
        // A failed read leaves the picture from before the seek: no position to judge.
        const int64_t nLanded =
            bLanded ? PtsToFrameIndex(m_nCurrentFrameTimestamp) - nFirst : int64_t(-1);
        m_nFramesDecoded = nLanded;
        if (nLanded >= 0 && nLanded <= nTarget - 1)
        {
            if (DecodeNextFrame())
                ++m_nFramesDecoded;
            return;
        }
        if (nStart == 0 || nStep >= 536870911)
        {
            m_nFramesDecoded = std::max<int64_t>(m_nFramesDecoded, 0);
            return;
        }
        nStep = nStep < 16 ? nStep * 2 : nStep * 3 / 2;
    }
}

void CQVFFMpegCaptureBase::PositionNear(double dSeconds)
{
    const double dFrames = GetFrameRate() * dSeconds;
    if (dFrames > 15.0)
        SeekToFrame(QVTruncToInt64(dFrames - 15.0));
    else
        ReadNextFrame();
}

tagQVColorDescription CQVFFMpegCaptureBase::SourceColor() const
{
    if (!m_pVideoStream)
        return tagQVColorDescription();
    const AVCodecParameters& parameters = *m_pVideoStream->codecpar;
    return QVCompleteDescription(m_streamColor, parameters.width, parameters.height,
                                 parameters.format);
}

tagQVColorDescription CQVFFMpegCaptureBase::PictureColor() const
{
    if (!HasPicture())
        return SourceColor();
    const AVFrame& frame = *m_pFrame;
    tagQVColorDescription description = m_streamColor;
    if (frame.color_primaries != AVCOL_PRI_UNSPECIFIED)
        description.ePrimaries = frame.color_primaries;
    if (frame.color_trc != AVCOL_TRC_UNSPECIFIED)
        description.eTransfer = frame.color_trc;
    if (frame.colorspace != AVCOL_SPC_UNSPECIFIED)
        description.eMatrix = frame.colorspace;
    if (frame.color_range != AVCOL_RANGE_UNSPECIFIED)
        description.eRange = frame.color_range;
    // HEVC and AV1 grade their pictures in the bitstream; tone mapping reads the peak.
    QVTakeFrameGrading(frame, &description);
    return QVCompleteDescription(description, frame.width, frame.height, frame.format);
}

bool CQVFFMpegCaptureBase::ConvertFrame(uint8_t** ppData, int* pnStride, int* pnWidth,
                                        int* pnHeight, int* pnBytesPerPixel)
{
    if (!m_pCodec || !HasPicture())
        return false;
    const AVFrame* pFrame = m_pFrame.get();
    if (pFrame->width <= 0 || pFrame->height <= 0)
        return false;
    tagQVColorDescription color = PictureColor();
    if (color.IsHdr())
    {
        const tagQVColorDescription sdr =
            QVOutputDescription(color, true, pFrame->width, pFrame->height);
        if (!m_pToneMapped)
            m_pToneMapped.reset(av_frame_alloc());
        if (!m_pToneMapped || m_toneMap.Convert(*pFrame, color, sdr, pFrame->width, pFrame->height,
                                                AV_PIX_FMT_YUV420P, m_pToneMapped.get()) < 0)
            return false;
        pFrame = m_pToneMapped.get();
        color = sdr;
    }
    if (!m_pImageBuffer)
    {
        const size_t nSize = size_t(BgraStride(m_nDestWidth)) * size_t(m_nDestHeight);
        m_pImageBuffer.reset(static_cast<uint8_t*>(av_mallocz(nSize + kImagePadding)));
        if (!m_pImageBuffer)
            return false;
    }
    m_destData[0] = m_pImageBuffer.get();
    m_destLinesize[0] = BgraStride(m_nDestWidth);
    m_pImageData = m_destData[0];

    // Bottom-up rows flip the displayed picture once more: in the stored picture's terms
    // that is its x when the turn transposes it.
    tagQVDisplayTurn turn = m_turn;
    if (m_bFlip)
    {
        if (turn.bTranspose)
            turn.bFlipX = !turn.bFlipX;
        else
            turn.bFlipY = !turn.bFlipY;
    }
    // A quarter turn is made on the BGRA picture, one pass over its pixels; the other turns
    // scale straight into the image, flipping vertically by reading the rows backwards and
    // horizontally by reversing the rows written.
    const int nScaledWidth = turn.bTranspose ? m_nDestHeight : m_nDestWidth;
    const int nScaledHeight = turn.bTranspose ? m_nDestWidth : m_nDestHeight;
    uint8_t* scaledData[4] = {m_destData[0], nullptr, nullptr, nullptr};
    int scaledLinesize[4] = {m_destLinesize[0], 0, 0, 0};
    if (turn.bTranspose)
    {
        const size_t nSize = size_t(BgraStride(nScaledWidth)) * size_t(nScaledHeight);
        if (!m_pTurnBuffer && nSize > 0)
            m_pTurnBuffer.reset(static_cast<uint8_t*>(av_mallocz(nSize + kImagePadding)));
        if (!m_pTurnBuffer)
            return false;
        scaledData[0] = m_pTurnBuffer.get();
        scaledLinesize[0] = BgraStride(nScaledWidth);
    }

    // The scaler follows the picture it reads: a stream that changes its size or format
    // midway must not be read with the dimensions of its first picture.
    if (!m_pScaler || pFrame->width != m_nScalerWidth || pFrame->height != m_nScalerHeight ||
        pFrame->format != m_nScalerFormat)
    {
        m_pScaler.reset(sws_getContext(
            pFrame->width, pFrame->height, static_cast<AVPixelFormat>(pFrame->format), nScaledWidth,
            nScaledHeight, AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!m_pScaler)
            return false;
        m_nScalerWidth = pFrame->width;
        m_nScalerHeight = pFrame->height;
        m_nScalerFormat = pFrame->format;
        m_scalerColor = tagQVColorDescription();
    }
    // The matrix and range of the picture, not the scaler's BT.601 limited-range default
    // (a picture in RGB has neither, and the scaler ignores them).
    if (!color.SameColours(m_scalerColor))
    {
        QVSetScalerColors(m_pScaler.get(), color, true);
        m_scalerColor = color;
    }
    uint8_t* sourceData[AV_NUM_DATA_POINTERS];
    int sourceLinesize[AV_NUM_DATA_POINTERS];
    std::copy(std::begin(pFrame->data), std::end(pFrame->data), sourceData);
    std::copy(std::begin(pFrame->linesize), std::end(pFrame->linesize), sourceLinesize);
    if (!turn.bTranspose && turn.bFlipY)
        FlipPlanes(pFrame, sourceData, sourceLinesize);
    sws_scale(m_pScaler.get(), sourceData, sourceLinesize, 0, pFrame->height, scaledData,
              scaledLinesize);

    if (turn.bTranspose)
        TransposeImage(scaledData[0], scaledLinesize[0], turn.bFlipX, turn.bFlipY);
    else if (turn.bFlipX)
        MirrorImageRows();

    if (ppData)
        *ppData = m_pImageData;
    if (pnStride)
        *pnStride = m_nImageStride;
    if (pnWidth)
        *pnWidth = m_nImageWidth;
    if (pnHeight)
        *pnHeight = m_nImageHeight;
    if (pnBytesPerPixel)
        *pnBytesPerPixel = m_nBytesPerPixel;
    return true;
}

} // namespace qv
