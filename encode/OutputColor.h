// The colours an output is written in, chosen once per conversion from the project's first
// video item: see QVOutputDescription.
#pragma once

#include "encode/EncodeSettings.h"
#include "project/ProjectTimeline.h"

namespace qv
{

// H.264 and H.265 (their VUI), MPEG-2 (its sequence display extension), AV1 (its sequence
// header) and VP9 (its colour space, the WebM track the rest) carry a colour description;
// the encoders of MPEG-4 part 2, MPEG-1 and Windows Media write none.
bool CodecCarriesColorDescription(EQVVideoCodec eCodec);

// H.265, AV1 and VP9 are written at 10 bits with PQ or HLG and the grading.
bool CodecCarriesHdr(EQVVideoCodec eCodec);

// The description of the output of these settings: QVOutputDescription of the first video
// item of the main line as the probe reads its file, or, without one (or a file that cannot
// be read), what players assume for the output's size. HDR is kept when the codec carries
// it, the project's pictures go direct (bPicturesGoDirect, which the video callback tells)
// and every video item of the main line has the first one's colours; the grading then comes from
// the stream, or from its first picture where the stream has none. Otherwise HDR pictures are
// tone-mapped and the output is SDR: the choice holds for the whole file, made before its first
// picture.
tagQVColorDescription ProjectOutputColor(const ProjectTimeline* pTimeline,
                                         const tagQVEncodeSettings& settings,
                                         bool bPicturesGoDirect);

} // namespace qv
