#include "probe/ColorDescription.h"

#include "probe/FFmpegCommon.h"

#include <algorithm>

extern "C"
{
#include <libavformat/avformat.h>
#include <libavutil/dovi_meta.h>
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace qv
{

namespace
{

// Beyond these a picture is HD to players that guess.
constexpr int kLargestStandardWidth = 1024;
constexpr int kLargestStandardHeight = 576;

// Dolby Vision profile 8 with base-layer compatibility 4: the base layer is HLG.
constexpr int kDolbyVisionProfile = 8;
constexpr int kDolbyVisionHlgBase = 4;

bool IsHdrTransfer(AVColorTransferCharacteristic eTransfer)
{
    return eTransfer == AVCOL_TRC_SMPTE2084 || eTransfer == AVCOL_TRC_ARIB_STD_B67;
}

bool IsFullRangePixelFormat(int nPixelFormat)
{
    if (QVIsFullRangeFormat(nPixelFormat))
        return true;
    const AVPixFmtDescriptor* pDesc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(nPixelFormat));
    return pDesc != nullptr && (pDesc->flags & AV_PIX_FMT_FLAG_RGB);
}

} // namespace

bool tagQVColorDescription::IsHdr() const
{
    return IsHdrTransfer(eTransfer);
}

double tagQVColorDescription::GradingPeak() const
{
    if (contentLight.MaxCLL > 0)
        return contentLight.MaxCLL;
    return mastering.has_luminance ? av_q2d(mastering.max_luminance) : 0.0;
}

bool tagQVColorDescription::SameColours(const tagQVColorDescription& other) const
{
    return ePrimaries == other.ePrimaries && eTransfer == other.eTransfer &&
           eMatrix == other.eMatrix && eRange == other.eRange;
}

tagQVColorDescription QVUntaggedDescription(int nWidth, int nHeight)
{
    tagQVColorDescription description;
    description.eRange = AVCOL_RANGE_MPEG;
    if (nWidth > kLargestStandardWidth || nHeight > kLargestStandardHeight)
    {
        description.ePrimaries = AVCOL_PRI_BT709;
        description.eTransfer = AVCOL_TRC_BT709;
        description.eMatrix = AVCOL_SPC_BT709;
    }
    else
    {
        description.ePrimaries = AVCOL_PRI_SMPTE170M;
        description.eTransfer = AVCOL_TRC_SMPTE170M;
        description.eMatrix = AVCOL_SPC_SMPTE170M;
    }
    return description;
}

tagQVColorDescription QVDescriptionOfStream(const AVStream* pStream)
{
    tagQVColorDescription description;
    if (pStream == nullptr || pStream->codecpar == nullptr)
        return description;
    const AVCodecParameters& parameters = *pStream->codecpar;
    description.ePrimaries = parameters.color_primaries;
    description.eTransfer = parameters.color_trc;
    description.eMatrix = parameters.color_space;
    description.eRange = parameters.color_range;

    size_t nSize = 0;
    const uint8_t* pData =
        av_stream_get_side_data(pStream, AV_PKT_DATA_MASTERING_DISPLAY_METADATA, &nSize);
    const auto* pMastering = pData != nullptr && nSize >= sizeof(AVMasteringDisplayMetadata)
                                 ? reinterpret_cast<const AVMasteringDisplayMetadata*>(pData)
                                 : nullptr;
    pData = av_stream_get_side_data(pStream, AV_PKT_DATA_CONTENT_LIGHT_LEVEL, &nSize);
    const auto* pContentLight = pData != nullptr && nSize >= sizeof(AVContentLightMetadata)
                                    ? reinterpret_cast<const AVContentLightMetadata*>(pData)
                                    : nullptr;
    QVTakeGrading(pMastering, pContentLight, &description);

    pData = av_stream_get_side_data(pStream, AV_PKT_DATA_DOVI_CONF, &nSize);
    if (pData != nullptr && nSize >= sizeof(AVDOVIDecoderConfigurationRecord))
    {
        const auto* pDovi = reinterpret_cast<const AVDOVIDecoderConfigurationRecord*>(pData);
        if (pDovi->dv_profile == kDolbyVisionProfile &&
            pDovi->dv_bl_signal_compatibility_id == kDolbyVisionHlgBase &&
            description.eTransfer == AVCOL_TRC_UNSPECIFIED)
        {
            description.eTransfer = AVCOL_TRC_ARIB_STD_B67;
        }
    }
    return description;
}

void QVTakeGrading(const AVMasteringDisplayMetadata* pMastering,
                   const AVContentLightMetadata* pContentLight, tagQVColorDescription* pColor)
{
    if (pColor == nullptr)
        return;
    AVMasteringDisplayMetadata& mastering = pColor->mastering;
    if (pMastering != nullptr && pMastering->has_primaries && !mastering.has_primaries)
    {
        std::copy(&pMastering->display_primaries[0][0], &pMastering->display_primaries[0][0] + 6,
                  &mastering.display_primaries[0][0]);
        mastering.white_point[0] = pMastering->white_point[0];
        mastering.white_point[1] = pMastering->white_point[1];
        mastering.has_primaries = 1;
    }
    if (pMastering != nullptr && pMastering->has_luminance && !mastering.has_luminance)
    {
        mastering.min_luminance = pMastering->min_luminance;
        mastering.max_luminance = pMastering->max_luminance;
        mastering.has_luminance = 1;
    }
    if (pContentLight != nullptr && pColor->contentLight.MaxCLL == 0 &&
        pColor->contentLight.MaxFALL == 0)
        pColor->contentLight = *pContentLight;
}

void QVTakeFrameGrading(const AVFrame& frame, tagQVColorDescription* pColor)
{
    const AVFrameSideData* pMastering =
        av_frame_get_side_data(&frame, AV_FRAME_DATA_MASTERING_DISPLAY_METADATA);
    const AVFrameSideData* pContentLight =
        av_frame_get_side_data(&frame, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL);
    QVTakeGrading(pMastering ? reinterpret_cast<const AVMasteringDisplayMetadata*>(pMastering->data)
                             : nullptr,
                  pContentLight
                      ? reinterpret_cast<const AVContentLightMetadata*>(pContentLight->data)
                      : nullptr,
                  pColor);
}

tagQVColorDescription QVCompleteDescription(tagQVColorDescription description, int nWidth,
                                            int nHeight, int nPixelFormat)
{
    const tagQVColorDescription untagged = QVUntaggedDescription(nWidth, nHeight);
    const bool bHdr = description.IsHdr();
    if (description.ePrimaries == AVCOL_PRI_UNSPECIFIED)
        description.ePrimaries = bHdr ? AVCOL_PRI_BT2020 : untagged.ePrimaries;
    if (description.eTransfer == AVCOL_TRC_UNSPECIFIED)
        description.eTransfer = untagged.eTransfer;
    if (description.eMatrix == AVCOL_SPC_UNSPECIFIED)
        description.eMatrix = bHdr ? AVCOL_SPC_BT2020_NCL : untagged.eMatrix;
    if (description.eRange == AVCOL_RANGE_UNSPECIFIED)
        description.eRange =
            IsFullRangePixelFormat(nPixelFormat) ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    return description;
}

tagQVColorDescription QVOutputDescription(const tagQVColorDescription& source, bool bCodecTagged,
                                          int nOutputWidth, int nOutputHeight, bool bKeepHdr)
{
    tagQVColorDescription output;
    if (source.IsHdr() && bKeepHdr)
    {
        output = source;
    }
    else if (source.IsHdr())
    {
        output.ePrimaries = AVCOL_PRI_BT709;
        output.eTransfer = AVCOL_TRC_BT709;
        output.eMatrix = AVCOL_SPC_BT709;
    }
    else if (bCodecTagged)
    {
        output = source;
        output.mastering = AVMasteringDisplayMetadata{};
        output.contentLight = AVContentLightMetadata{};
        // An RGB source has no YUV matrix to keep: the output's is the one players assume.
        if (output.eMatrix == AVCOL_SPC_RGB)
            output.eMatrix = QVUntaggedDescription(nOutputWidth, nOutputHeight).eMatrix;
    }
    else
    {
        output = QVUntaggedDescription(nOutputWidth, nOutputHeight);
    }
    output.eRange = AVCOL_RANGE_MPEG;
    return output;
}

bool QVSetScalerColors(SwsContext* pScaler, const tagQVColorDescription& yuv, bool bYuvIsSource)
{
    if (pScaler == nullptr)
        return false;
    // The scaler's tables are indexed by the matrix values it shares with FFmpeg's enum.
    const int* pYuvTable = sws_getCoefficients(yuv.eMatrix);
    const int nYuvRange = yuv.IsFullRange() ? 1 : 0;
    constexpr int kFullRange = 1;
    constexpr int kBrightness = 0;
    constexpr int kUnity = 1 << 16; // contrast and saturation unchanged
    if (bYuvIsSource)
        return sws_setColorspaceDetails(pScaler, pYuvTable, nYuvRange, pYuvTable, kFullRange,
                                        kBrightness, kUnity, kUnity) >= 0;
    return sws_setColorspaceDetails(pScaler, pYuvTable, kFullRange, pYuvTable, nYuvRange,
                                    kBrightness, kUnity, kUnity) >= 0;
}

} // namespace qv
