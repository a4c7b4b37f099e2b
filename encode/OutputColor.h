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

// The description of the output of these settings: QVOutputDescription of the first video
// item of the main line as the probe reads its file, or, without one (or a file that cannot
// be read), what players assume for the output's size.
tagQVColorDescription ProjectOutputColor(const ProjectTimeline* pTimeline,
                                         const tagQVEncodeSettings& settings);

} // namespace qv
