#include "encode/HdrGrading.h"

#include <charconv>
#include <cmath>
#include <cstring>

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

namespace qv
{

namespace
{

// x265's units: chromaticity in 0.00002, luminance in 0.0001 cd/m².
constexpr double kX265Chromaticity = 50000.0;
constexpr double kX265Luminance = 10000.0;

// The order in which both encoders name the primaries; FFmpeg keeps red, green, blue.
struct tagQVPrimaryName
{
    const char* pszName;
    int nIndex;
};
constexpr tagQVPrimaryName kPrimaryOrder[] = {{"G", 1}, {"B", 2}, {"R", 0}};

std::string Units(AVRational value, double dScale)
{
    return std::to_string(std::lround(av_q2d(value) * dScale));
}

// The shortest decimal that reads back as the value, whatever the process's locale.
std::string Decimal(AVRational value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, av_q2d(value));
    return std::string(text, result.ptr);
}

std::string MasteringDisplay(const AVMasteringDisplayMetadata& mastering, bool bDecimal)
{
    auto chromaticity = [&](AVRational value)
    { return bDecimal ? Decimal(value) : Units(value, kX265Chromaticity); };
    auto luminance = [&](AVRational value)
    { return bDecimal ? Decimal(value) : Units(value, kX265Luminance); };
    std::string text;
    for (const tagQVPrimaryName& primary : kPrimaryOrder)
        text += std::string(primary.pszName) + "(" +
                chromaticity(mastering.display_primaries[primary.nIndex][0]) + "," +
                chromaticity(mastering.display_primaries[primary.nIndex][1]) + ")";
    text += "WP(" + chromaticity(mastering.white_point[0]) + "," +
            chromaticity(mastering.white_point[1]) + ")";
    text +=
        "L(" + luminance(mastering.max_luminance) + "," + luminance(mastering.min_luminance) + ")";
    return text;
}

} // namespace

std::vector<std::pair<std::string, std::string>>
GradingParameters(EQVVideoCodec eCodec, const tagQVColorDescription& color)
{
    std::vector<std::pair<std::string, std::string>> parameters;
    const bool bH265 = eCodec == EQVVideoCodec::H265;
    if (!color.IsHdr() || (!bH265 && eCodec != EQVVideoCodec::Av1))
        return parameters;
    const AVMasteringDisplayMetadata& mastering = color.mastering;
    if (mastering.has_primaries && mastering.has_luminance)
        parameters.emplace_back(bH265 ? "master-display" : "mastering-display",
                                MasteringDisplay(mastering, !bH265));
    const AVContentLightMetadata& light = color.contentLight;
    if (light.MaxCLL > 0 || light.MaxFALL > 0)
        parameters.emplace_back(bH265 ? "max-cll" : "content-light",
                                std::to_string(light.MaxCLL) + "," + std::to_string(light.MaxFALL));
    if (bH265 && !parameters.empty())
        parameters.emplace_back("hdr10", "1");
    return parameters;
}

int32_t ApplyGradingParameters(const tagQVEncodeSettings& settings, AVCodecContext* pContext)
{
    const auto parameters = GradingParameters(settings.eVideoCodec, settings.color);
    if (parameters.empty())
        return 0;
    if (pContext == nullptr || pContext->priv_data == nullptr)
        return AVERROR(EINVAL);
    const char* pszOption =
        settings.eVideoCodec == EQVVideoCodec::H265 ? "x265-params" : "svtav1-params";
    AVDictionary* pList = nullptr;
    int nResult = av_opt_get_dict_val(pContext->priv_data, pszOption, 0, &pList);
    for (const auto& [key, value] : parameters)
        if (nResult >= 0)
            nResult = av_dict_set(&pList, key.c_str(), value.c_str(), 0);
    if (nResult >= 0)
        nResult = av_opt_set_dict_val(pContext->priv_data, pszOption, pList, 0);
    av_dict_free(&pList);
    return nResult < 0 ? nResult : 0;
}

int32_t AddGradingSideData(const tagQVColorDescription& color, AVStream* pStream)
{
    if (pStream == nullptr)
        return AVERROR(EINVAL);
    if (!color.IsHdr())
        return 0;
    if (color.mastering.has_primaries || color.mastering.has_luminance)
    {
        uint8_t* pData = av_stream_new_side_data(pStream, AV_PKT_DATA_MASTERING_DISPLAY_METADATA,
                                                 sizeof(AVMasteringDisplayMetadata));
        if (pData == nullptr)
            return AVERROR(ENOMEM);
        std::memcpy(pData, &color.mastering, sizeof(AVMasteringDisplayMetadata));
    }
    if (color.contentLight.MaxCLL > 0 || color.contentLight.MaxFALL > 0)
    {
        uint8_t* pData = av_stream_new_side_data(pStream, AV_PKT_DATA_CONTENT_LIGHT_LEVEL,
                                                 sizeof(AVContentLightMetadata));
        if (pData == nullptr)
            return AVERROR(ENOMEM);
        std::memcpy(pData, &color.contentLight, sizeof(AVContentLightMetadata));
    }
    return 0;
}

} // namespace qv
