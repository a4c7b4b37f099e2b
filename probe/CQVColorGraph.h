// Pictures whose colours the scaler cannot convert: another matrix, primaries or transfer
// than the output's, HDR (PQ or HLG) made SDR, and SDR made HDR. A small libavfilter graph
// does it with zscale (and tonemap for HDR), scaling to the output size on the way:
//   HDR to SDR: linearise with reference white (203 cd/m²) at 1.0, BT.2020 to BT.709
//   primaries, highlights compressed by tonemap's Möbius curve up to the grading's peak,
//   then the output's transfer, matrix and range;
//   SDR to HDR: linearise, the output's primaries, then its transfer with SDR white at
//   reference white, its matrix and range.
// The graph is kept between pictures while their format, size and colours stay. Not
// thread-safe: one thread converts at a time.
#pragma once

#include "probe/ColorDescription.h"
#include "probe/FFmpegCommon.h"

#include <string>

struct AVFilterGraph;
struct AVFilterContext;

namespace qv
{

class CQVColorGraph
{
public:
    CQVColorGraph() = default;
    ~CQVColorGraph();
    CQVColorGraph(const CQVColorGraph&) = delete;
    CQVColorGraph& operator=(const CQVColorGraph&) = delete;

    // Whether a picture described as `from` needs this graph to become `to`: SDR to HDR or
    // back, HDR written otherwise than as its own primaries and transfer, or another matrix. SDR
    // keeps its primaries and transfer (players that assume a matrix for a size map no gamut
    // either), and a range alone the scaler converts.
    static bool Needed(const tagQVColorDescription& from, const tagQVColorDescription& to);

    // The filter chain between a picture of `from` and an output of nWidth × nHeight in
    // nFormat with the colours `to`.
    static std::string Chain(const tagQVColorDescription& from, const tagQVColorDescription& to,
                             int nWidth, int nHeight, int nFormat);

    // Converts pPicture (read only; its cropping already applied) into *pOut, a new
    // reference of nWidth × nHeight in nFormat. 0, or a negative AVERROR (the graph cannot
    // be made, or gives no picture).
    int Convert(const AVFrame& picture, const tagQVColorDescription& from,
                const tagQVColorDescription& to, int nWidth, int nHeight, int nFormat,
                AVFrame* pOut);

private:
    void Free();
    int Build(const AVFrame& picture, const std::string& chain);

    AVFilterGraph* m_pGraph = nullptr;
    AVFilterContext* m_pSource = nullptr; // owned by the graph
    AVFilterContext* m_pSink = nullptr;   // owned by the graph
    QVFramePtr m_pInput;
    // What the graph was made for.
    std::string m_chain;
    int m_nInputFormat = -1;
    int m_nInputWidth = 0;
    int m_nInputHeight = 0;
};

} // namespace qv
