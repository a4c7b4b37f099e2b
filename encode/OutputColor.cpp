#include "encode/OutputColor.h"

#include "probe/MediaInfoProbe.h"
#include "project/LineTypes.h"

namespace qv
{

bool CodecCarriesColorDescription(EQVVideoCodec eCodec)
{
    return eCodec == EQVVideoCodec::H264 || eCodec == EQVVideoCodec::Mpeg2 ||
           eCodec == EQVVideoCodec::H265 || eCodec == EQVVideoCodec::Av1 ||
           eCodec == EQVVideoCodec::Vp9;
}

tagQVColorDescription ProjectOutputColor(const ProjectTimeline* pTimeline,
                                         const tagQVEncodeSettings& settings)
{
    const bool bTagged = CodecCarriesColorDescription(settings.eVideoCodec);
    const TimelineLine* pLine = pTimeline ? pTimeline->FindLine(kLineMainVideo) : nullptr;
    if (pLine != nullptr)
    {
        for (const auto& pItem : pLine->items)
        {
            tagQVMediaInfo info;
            if (pItem->eMediaType != 0 || !ProbeMediaInfo(pItem->source, &info) || !info.bHasVideo)
                continue;
            return QVOutputDescription(info.color, bTagged, settings.nWidth, settings.nHeight);
        }
    }
    return QVUntaggedDescription(settings.nWidth, settings.nHeight);
}

} // namespace qv
