#include "encode/OutputColor.h"

#include "probe/MediaInfoProbe.h"
#include "project/LineTypes.h"
#include "project/MediaTypes.h"

namespace qv
{

bool CodecCarriesColorDescription(EQVVideoCodec eCodec)
{
    return eCodec == EQVVideoCodec::H264 || eCodec == EQVVideoCodec::Mpeg2 ||
           CodecCarriesHdr(eCodec);
}

bool CodecCarriesHdr(EQVVideoCodec eCodec)
{
    return eCodec == EQVVideoCodec::H265 || eCodec == EQVVideoCodec::Av1 ||
           eCodec == EQVVideoCodec::Vp9;
}

tagQVColorDescription ProjectOutputColor(const ProjectTimeline* pTimeline,
                                         const tagQVEncodeSettings& settings,
                                         bool bPicturesGoDirect)
{
    const TimelineLine* pLine = pTimeline ? pTimeline->FindLine(kLineMainVideo) : nullptr;
    if (pLine == nullptr)
        return QVUntaggedDescription(settings.nWidth, settings.nHeight);
    const tagQVMediaData* pFirst = nullptr;
    tagQVMediaInfo first;
    bool bOneColour = true;
    for (const auto& pItem : pLine->items)
    {
        // Only HDR asks whether the other items agree.
        if (pFirst != nullptr && !first.color.IsHdr())
            break;
        tagQVMediaInfo info;
        if (pItem->eMediaType != kMediaVideo || !ProbeMediaInfo(pItem->source, &info) ||
            !info.bHasVideo)
            continue;
        if (pFirst == nullptr)
        {
            pFirst = pItem.get();
            first = info;
        }
        else if (!info.color.SameColours(first.color))
            bOneColour = false;
    }
    if (pFirst == nullptr)
        return QVUntaggedDescription(settings.nWidth, settings.nHeight);
    const bool bKeepHdr = first.color.IsHdr() && CodecCarriesHdr(settings.eVideoCodec) &&
                          bOneColour && bPicturesGoDirect;
    if (bKeepHdr)
        ProbeFirstPictureGrading(pFirst->source, &first.color);
    return QVOutputDescription(first.color, CodecCarriesColorDescription(settings.eVideoCodec),
                               settings.nWidth, settings.nHeight, bKeepHdr);
}

} // namespace qv
