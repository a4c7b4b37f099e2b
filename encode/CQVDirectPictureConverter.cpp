#include "encode/CQVDirectPictureConverter.h"

#include "probe/FFmpegCommon.h"

#include <algorithm>
#include <cstring>

extern "C"
{
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace qv
{

namespace
{

// The scaler's chroma position of a region whose left (or top) edge lies nRemainder luma
// pixels past a chroma sample, in 1/256 luma pixel: the cropped chroma plane starts at that
// earlier sample. The scaler's own default siting, (128 << s) - 128, is kept otherwise.
int ChromaPosition(int nLog2Subsampling, int nRemainder)
{
    return (128 << nLog2Subsampling) - 128 - nRemainder * 256;
}

// Turns one plane of nSample-byte samples: target sample (x, y) is the stored sample the
// turn names. Widths and heights are the plane's, in samples.
template <typename T>
void TurnPlane(const uint8_t* pStored, ptrdiff_t nStride, int nStoredW, int nStoredH,
               const tagQVDisplayTurn& turn, uint8_t* pTarget, ptrdiff_t nTargetStride, int w,
               int h)
{
    constexpr ptrdiff_t nSample = sizeof(T);
    // A stored row read forwards or backwards; with a transpose, a stored column read down
    // or up (the rows of its target row are the stored columns). In bytes.
    const ptrdiff_t nStep =
        turn.bTranspose ? (turn.bFlipY ? -nStride : nStride) : (turn.bFlipX ? -nSample : nSample);
    auto lineStart = [&](int y)
    {
        if (turn.bTranspose)
            return pStored + (turn.bFlipX ? nStoredW - 1 - y : y) * nSample +
                   (turn.bFlipY ? ptrdiff_t(nStoredH - 1) * nStride : 0);
        return pStored + ptrdiff_t(turn.bFlipY ? nStoredH - 1 - y : y) * nStride +
               (turn.bFlipX ? (nStoredW - 1) * nSample : 0);
    };
    // Tiles keep a transpose's stored rows in the cache.
    constexpr int kTile = 32;
    const int nTile = turn.bTranspose ? kTile : w;
    for (int x0 = 0; x0 < w; x0 += nTile)
    {
        const int x1 = std::min(x0 + nTile, w);
        for (int y = 0; y < h; ++y)
        {
            const uint8_t* pFrom = lineStart(y) + x0 * nStep;
            uint8_t* pTo = pTarget + ptrdiff_t(y) * nTargetStride;
            for (int x = x0; x < x1; ++x, pFrom += nStep)
                std::memcpy(pTo + x * nSample, pFrom, nSample);
        }
    }
}

// Copies the stored picture into the target as it is shown. Planar formats of 8-bit or
// 16-bit samples (10-bit HDR among them) whose chroma is subsampled alike both ways (or not
// at all) when the turn transposes; AVERROR(ENOSYS) for others.
int TurnPlanes(const AVFrame& stored, const tagQVDisplayTurn& turn, AVFrame* pTarget)
{
    const AVPixFmtDescriptor* pDesc =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(pTarget->format));
    if (pDesc == nullptr || !(pDesc->flags & AV_PIX_FMT_FLAG_PLANAR) ||
        (pDesc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_BE)) ||
        (turn.bTranspose && pDesc->log2_chroma_w != pDesc->log2_chroma_h))
        return AVERROR(ENOSYS);
    const int nSample = pDesc->comp[0].step;
    for (int c = 0; c < pDesc->nb_components; ++c)
        if (pDesc->comp[c].step != nSample || pDesc->comp[c].shift != 0 ||
            pDesc->comp[c].depth > 8 * nSample || (nSample != 1 && nSample != 2))
            return AVERROR(ENOSYS);
    const int nPlanes = av_pix_fmt_count_planes(static_cast<AVPixelFormat>(pTarget->format));
    for (int p = 0; p < nPlanes; ++p)
    {
        const bool bChroma = p == 1 || p == 2;
        const int nShiftW = bChroma ? pDesc->log2_chroma_w : 0;
        const int nShiftH = bChroma ? pDesc->log2_chroma_h : 0;
        const auto turnPlane = nSample == 1 ? TurnPlane<uint8_t> : TurnPlane<uint16_t>;
        turnPlane(stored.data[p], stored.linesize[p], AV_CEIL_RSHIFT(stored.width, nShiftW),
                  AV_CEIL_RSHIFT(stored.height, nShiftH), turn, pTarget->data[p],
                  pTarget->linesize[p], AV_CEIL_RSHIFT(pTarget->width, nShiftW),
                  AV_CEIL_RSHIFT(pTarget->height, nShiftH));
    }
    return 0;
}

void ClearDecoderProperties(AVFrame* pFrame)
{
    pFrame->pict_type = AV_PICTURE_TYPE_NONE;
    pFrame->key_frame = 0;
    pFrame->interlaced_frame = 0;
    pFrame->top_field_first = 0;
    while (pFrame->nb_side_data > 0)
        av_frame_remove_side_data(pFrame, pFrame->side_data[0]->type);
}

} // namespace

CQVDirectPictureConverter::CQVDirectPictureConverter() : m_pRegion(av_frame_alloc()) {}

int32_t CQVDirectPictureConverter::Convert(tagQVDirectPicture& picture, AVFrame* pTarget,
                                           AVFrame** ppInput)
{
    m_bPassedThrough = false;
    if (!m_pRegion || !picture.Holds() || pTarget == nullptr || ppInput == nullptr)
    {
        picture.Clear();
        return AVERROR(EINVAL);
    }
    AVFrame* pRegion = m_pRegion.get();
    av_frame_unref(pRegion);
    av_frame_move_ref(pRegion, picture.pFrame.get());
    const AVPixFmtDescriptor* pDesc =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(pRegion->format));
    if (pDesc == nullptr || picture.x < 0 || picture.y < 0 || picture.nWidth <= 0 ||
        picture.nHeight <= 0 || picture.nWidth > pRegion->width - picture.x ||
        picture.nHeight > pRegion->height - picture.y)
    {
        av_frame_unref(pRegion);
        return AVERROR(EINVAL);
    }
    // The decoder's own cropping is already applied; this crop comes on top of it.
    pRegion->crop_left = static_cast<size_t>(picture.x);
    pRegion->crop_top = static_cast<size_t>(picture.y);
    pRegion->crop_right = static_cast<size_t>(pRegion->width - picture.x - picture.nWidth);
    pRegion->crop_bottom = static_cast<size_t>(pRegion->height - picture.y - picture.nHeight);
    int nResult = av_frame_apply_cropping(pRegion, AV_FRAME_CROP_UNALIGNED);
    if (nResult < 0)
    {
        av_frame_unref(pRegion);
        return nResult;
    }

    // Plane offsets fall on chroma samples: a left edge between two of them leaves the
    // chroma plane starting one sample early, which the scaler is told.
    const int nChromaX = picture.x & ((1 << pDesc->log2_chroma_w) - 1);
    const int nChromaY = picture.y & ((1 << pDesc->log2_chroma_h) - 1);
    const bool bFullRange = QVIsFullRange(*pRegion) || picture.color.IsFullRange();
    const bool bTurned = !picture.turn.IsIdentity();
    if (!bTurned && !CQVColorGraph::Needed(picture.color, m_outputColor) &&
        pRegion->format == pTarget->format && pRegion->width == pTarget->width &&
        pRegion->height == pTarget->height && nChromaX == 0 && nChromaY == 0 &&
        bFullRange == QVIsFullRangeFormat(pTarget->format))
    {
        ClearDecoderProperties(pRegion);
        m_bPassedThrough = true;
        *ppInput = pRegion;
        return 0;
    }

    if (CQVColorGraph::Needed(picture.color, m_outputColor))
        return ConvertColors(picture, pTarget, ppInput);

    // A turned region is scaled as stored, at the target's size turned back, then turned.
    AVFrame* pScaled = pTarget;
    if (bTurned)
    {
        pScaled = StoredFrame(picture.turn, *pTarget);
        if (pScaled == nullptr)
        {
            av_frame_unref(pRegion);
            return AVERROR(ENOMEM);
        }
    }

    if (!m_pScaler || pRegion->format != m_nFormat || pRegion->width != m_nWidth ||
        pRegion->height != m_nHeight || nChromaX != m_nChromaX || nChromaY != m_nChromaY ||
        bFullRange != m_bFullRange || pScaled->format != m_nTargetFormat ||
        pScaled->width != m_nTargetWidth || pScaled->height != m_nTargetHeight)
    {
        m_pScaler.reset(sws_alloc_context());
        SwsContext* pScaler = m_pScaler.get();
        if (pScaler == nullptr)
            nResult = AVERROR(ENOMEM);
        const struct
        {
            const char* name;
            int64_t value;
        } options[] = {{"srcw", pRegion->width},
                       {"srch", pRegion->height},
                       {"src_format", pRegion->format},
                       {"dstw", pScaled->width},
                       {"dsth", pScaled->height},
                       {"dst_format", pScaled->format},
                       {"sws_flags", SWS_BICUBIC},
                       {"src_range", bFullRange ? 1 : 0},
                       {"dst_range", QVIsFullRangeFormat(pScaled->format) ? 1 : 0},
                       {"src_h_chr_pos", ChromaPosition(pDesc->log2_chroma_w, nChromaX)},
                       {"src_v_chr_pos", ChromaPosition(pDesc->log2_chroma_h, nChromaY)}};
        for (const auto& option : options)
            if (nResult >= 0)
                nResult = av_opt_set_int(pScaler, option.name, option.value, 0);
        // Same sizes and formats take the scaler's plain copy, which knows no chroma
        // siting; an identity filter of three taps keeps it on the filtering path.
        SwsVector* pIdentity = nullptr;
        SwsFilter filter{};
        if (nResult >= 0 && (nChromaX != 0 || nChromaY != 0))
        {
            pIdentity = sws_allocVec(3);
            if (pIdentity == nullptr)
                nResult = AVERROR(ENOMEM);
            else
            {
                pIdentity->coeff[0] = pIdentity->coeff[2] = 0.0;
                pIdentity->coeff[1] = 1.0;
                filter.chrH = pIdentity;
            }
        }
        if (nResult >= 0)
            nResult = sws_init_context(pScaler, pIdentity ? &filter : nullptr, nullptr);
        sws_freeVec(pIdentity);
        if (nResult < 0)
        {
            m_pScaler.reset();
            av_frame_unref(pRegion);
            return nResult;
        }
        m_nFormat = pRegion->format;
        m_nWidth = pRegion->width;
        m_nHeight = pRegion->height;
        m_nChromaX = nChromaX;
        m_nChromaY = nChromaY;
        m_bFullRange = bFullRange;
        m_nTargetFormat = pScaled->format;
        m_nTargetWidth = pScaled->width;
        m_nTargetHeight = pScaled->height;
    }
    sws_scale(m_pScaler.get(), pRegion->data, pRegion->linesize, 0, pRegion->height, pScaled->data,
              pScaled->linesize);
    av_frame_unref(pRegion);
    if (bTurned && (nResult = TurnPlanes(*pScaled, picture.turn, pTarget)) < 0)
        return nResult;
    *ppInput = pTarget;
    return 0;
}

AVFrame* CQVDirectPictureConverter::StoredFrame(const tagQVDisplayTurn& turn, const AVFrame& target)
{
    const int nStoredW = turn.bTranspose ? target.height : target.width;
    const int nStoredH = turn.bTranspose ? target.width : target.height;
    AVFrame* pStored = m_pStored.get();
    if (pStored != nullptr && pStored->format == target.format && pStored->width == nStoredW &&
        pStored->height == nStoredH)
        return pStored;
    m_pStored.reset(av_frame_alloc());
    pStored = m_pStored.get();
    if (pStored == nullptr)
        return nullptr;
    pStored->format = target.format;
    pStored->width = nStoredW;
    pStored->height = nStoredH;
    if (av_frame_get_buffer(pStored, 0) < 0)
    {
        m_pStored.reset();
        return nullptr;
    }
    return pStored;
}

int32_t CQVDirectPictureConverter::ConvertColors(tagQVDirectPicture& picture, AVFrame* pTarget,
                                                 AVFrame** ppInput)
{
    AVFrame* pRegion = m_pRegion.get();
    const bool bTurned = !picture.turn.IsIdentity();
    const int nWidth = bTurned && picture.turn.bTranspose ? pTarget->height : pTarget->width;
    const int nHeight = bTurned && picture.turn.bTranspose ? pTarget->width : pTarget->height;
    if (!m_pGraphOutput)
        m_pGraphOutput.reset(av_frame_alloc());
    int32_t nResult = m_pGraphOutput ? 0 : AVERROR(ENOMEM);
    if (nResult >= 0)
        nResult = m_colorGraph.Convert(*pRegion, picture.color, m_outputColor, nWidth, nHeight,
                                       pTarget->format, m_pGraphOutput.get());
    av_frame_unref(pRegion);
    if (nResult < 0)
        return nResult;
    if (bTurned)
    {
        nResult = TurnPlanes(*m_pGraphOutput, picture.turn, pTarget);
        av_frame_unref(m_pGraphOutput.get());
        if (nResult < 0)
            return nResult;
        *ppInput = pTarget;
        return 0;
    }
    // The graph's own picture, handed on as a reference like a passed-through region.
    ClearDecoderProperties(m_pGraphOutput.get());
    av_frame_move_ref(pRegion, m_pGraphOutput.get());
    *ppInput = pRegion;
    return 0;
}

} // namespace qv
