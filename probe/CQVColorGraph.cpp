#include "probe/CQVColorGraph.h"

#include <algorithm>
#include <cstdio>

extern "C"
{
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

namespace qv
{

namespace
{

// Reference white of HDR video (ITU-R BT.2408), which becomes SDR white.
constexpr double kReferenceWhite = 203.0;
// The peak a grading without light levels is taken to have; HLG's nominal display peak.
constexpr double kAssumedPeak = 1000.0;
// Below this share of reference white the Möbius curve leaves the light as it is; above
// it, the highlights up to the peak are folded into the rest.
constexpr double kToneMapKnee = 0.8;

// zscale's range values: 0 limited, 1 full.
int ZscaleRange(const tagQVColorDescription& description)
{
    return description.IsFullRange() ? 1 : 0;
}

// The peak of the grading in units of reference white, at least 1.
double PeakOf(const tagQVColorDescription& description)
{
    const double dGraded = description.GradingPeak();
    const double dPeak = dGraded > 0.0 ? dGraded : kAssumedPeak;
    return std::max(dPeak / kReferenceWhite, 1.0);
}

} // namespace

CQVColorGraph::~CQVColorGraph()
{
    Free();
}

void CQVColorGraph::Free()
{
    avfilter_graph_free(&m_pGraph);
    m_pSource = nullptr;
    m_pSink = nullptr;
    m_chain.clear();
    m_nInputFormat = -1;
    m_nInputWidth = 0;
    m_nInputHeight = 0;
}

bool CQVColorGraph::Needed(const tagQVColorDescription& from, const tagQVColorDescription& to)
{
    // SDR keeps its primaries and transfer: players that assume a matrix for a size do not
    // map gamuts either, so only the matrix (and range) is changed for them. HDR written as
    // the same HDR is left to the scaler too.
    if (from.IsHdr() != to.IsHdr())
        return true;
    if (from.IsHdr() && (from.ePrimaries != to.ePrimaries || from.eTransfer != to.eTransfer))
        return true;
    return from.eMatrix != to.eMatrix;
}

std::string CQVColorGraph::Chain(const tagQVColorDescription& from, const tagQVColorDescription& to,
                                 int nWidth, int nHeight, int nFormat)
{
    const char* pszFormat = av_get_pix_fmt_name(static_cast<AVPixelFormat>(nFormat));
    if (pszFormat == nullptr)
        return std::string();
    char chain[640];
    if (from.IsHdr())
    {
        std::snprintf(chain, sizeof chain,
                      "zscale=w=%d:h=%d:f=bicubic:pin=%d:tin=%d:min=%d:rin=%d:t=linear:npl=%g,"
                      "format=gbrpf32le,zscale=p=%d,"
                      "tonemap=mobius:param=%g:desat=0:peak=%g,"
                      "zscale=t=%d:m=%d:r=%d,format=%s",
                      nWidth, nHeight, int(from.ePrimaries), int(from.eTransfer), int(from.eMatrix),
                      ZscaleRange(from), kReferenceWhite, int(to.ePrimaries), kToneMapKnee,
                      PeakOf(from), int(to.eTransfer), int(to.eMatrix), ZscaleRange(to), pszFormat);
    }
    else if (to.IsHdr())
    {
        std::snprintf(chain, sizeof chain,
                      "zscale=w=%d:h=%d:f=bicubic:pin=%d:tin=%d:min=%d:rin=%d:t=linear:p=%d:m=gbr,"
                      "format=gbrpf32le,zscale=p=%d,zscale=t=%d:m=%d:r=%d:npl=%g,format=%s",
                      nWidth, nHeight, int(from.ePrimaries), int(from.eTransfer), int(from.eMatrix),
                      ZscaleRange(from), int(from.ePrimaries), int(to.ePrimaries),
                      int(to.eTransfer), int(to.eMatrix), ZscaleRange(to), kReferenceWhite,
                      pszFormat);
    }
    else
    {
        std::snprintf(chain, sizeof chain,
                      "zscale=w=%d:h=%d:f=bicubic:min=%d:rin=%d:m=%d:r=%d,format=%s", nWidth,
                      nHeight, int(from.eMatrix), ZscaleRange(from), int(to.eMatrix),
                      ZscaleRange(to), pszFormat);
    }
    return chain;
}

int CQVColorGraph::Build(const AVFrame& picture, const std::string& chain)
{
    Free();
    m_pGraph = avfilter_graph_alloc();
    if (m_pGraph == nullptr)
        return AVERROR(ENOMEM);
    char arguments[160];
    std::snprintf(arguments, sizeof arguments,
                  "video_size=%dx%d:pix_fmt=%d:time_base=1/30:pixel_aspect=1/1", picture.width,
                  picture.height, picture.format);
    int nResult = avfilter_graph_create_filter(&m_pSource, avfilter_get_by_name("buffer"), "in",
                                               arguments, nullptr, m_pGraph);
    if (nResult >= 0)
        nResult = avfilter_graph_create_filter(&m_pSink, avfilter_get_by_name("buffersink"), "out",
                                               nullptr, nullptr, m_pGraph);
    AVFilterInOut* pOutputs = avfilter_inout_alloc(); // the source's pad, seen from the chain
    AVFilterInOut* pInputs = avfilter_inout_alloc();
    if (nResult >= 0 && (pOutputs == nullptr || pInputs == nullptr))
        nResult = AVERROR(ENOMEM);
    if (nResult >= 0)
    {
        pOutputs->name = av_strdup("in");
        pOutputs->filter_ctx = m_pSource;
        pInputs->name = av_strdup("out");
        pInputs->filter_ctx = m_pSink;
        nResult = avfilter_graph_parse_ptr(m_pGraph, chain.c_str(), &pInputs, &pOutputs, nullptr);
    }
    avfilter_inout_free(&pInputs);
    avfilter_inout_free(&pOutputs);
    if (nResult >= 0)
        nResult = avfilter_graph_config(m_pGraph, nullptr);
    if (nResult < 0)
    {
        Free();
        return nResult;
    }
    m_chain = chain;
    m_nInputFormat = picture.format;
    m_nInputWidth = picture.width;
    m_nInputHeight = picture.height;
    return 0;
}

int CQVColorGraph::Convert(const AVFrame& picture, const tagQVColorDescription& from,
                           const tagQVColorDescription& to, int nWidth, int nHeight, int nFormat,
                           AVFrame* pOut)
{
    if (pOut == nullptr || picture.width <= 0 || picture.height <= 0 || nWidth <= 0 || nHeight <= 0)
        return AVERROR(EINVAL);
    const std::string chain = Chain(from, to, nWidth, nHeight, nFormat);
    if (chain.empty())
        return AVERROR(EINVAL);
    int nResult = 0;
    if (m_pGraph == nullptr || chain != m_chain || picture.format != m_nInputFormat ||
        picture.width != m_nInputWidth || picture.height != m_nInputHeight)
    {
        nResult = Build(picture, chain);
        if (nResult < 0)
            return nResult;
    }
    if (!m_pInput)
        m_pInput.reset(av_frame_alloc());
    if (!m_pInput)
        return AVERROR(ENOMEM);
    nResult = av_frame_ref(m_pInput.get(), &picture);
    if (nResult < 0)
        return nResult;
    // Side data of the decoder (film grain, HDR metadata) is for players, not for the filters.
    while (m_pInput->nb_side_data > 0)
        av_frame_remove_side_data(m_pInput.get(), m_pInput->side_data[0]->type);
    nResult = av_buffersrc_add_frame(m_pSource, m_pInput.get());
    av_frame_unref(m_pInput.get());
    if (nResult < 0)
    {
        Free();
        return nResult;
    }
    av_frame_unref(pOut);
    nResult = av_buffersink_get_frame(m_pSink, pOut);
    if (nResult < 0)
    {
        // One picture in gives one picture out; a graph that holds one back is rebuilt.
        Free();
        return nResult == AVERROR(EAGAIN) ? AVERROR(EINVAL) : nResult;
    }
    return 0;
}

} // namespace qv
