// Where an output kept in HDR says how it was graded (the mastering display and the
// content light level). FFmpeg's libx265 and libsvtav1 wrappers do not read the grading
// from the pictures, so each encoder is given it as its own parameters; libvpx writes none,
// and the container's copy (MP4 mdcv and clli, the WebM Colour element) comes from the
// stream's side data.
#pragma once

#include "encode/EncodeSettings.h"

#include <string>
#include <utility>
#include <vector>

struct AVCodecContext;
struct AVStream;

namespace qv
{

// The encoder's own parameters for the grading of an HDR description, as key and value:
// libx265 "master-display" (chromaticities in 1/50000, luminance in 1/10000 cd/m²),
// "max-cll" and "hdr10"; libsvtav1 "mastering-display" (chromaticities and cd/m² as
// decimals) and "content-light". Empty for SDR, VP9, the other codecs and an unknown
// grading; the mastering display only with both its primaries and its luminance.
std::vector<std::pair<std::string, std::string>>
GradingParameters(EQVVideoCodec eCodec, const tagQVColorDescription& color);

// Adds GradingParameters to the encoder's parameter list (x265-params, svtav1-params) on a
// context whose other options are set. 0 or a negative AVERROR.
int32_t ApplyGradingParameters(const tagQVEncodeSettings& settings, AVCodecContext* pContext);

// Puts the grading of an HDR description on the stream as side data, before the header is
// written. 0 (nothing to add included) or a negative AVERROR.
int32_t AddGradingSideData(const tagQVColorDescription& color, AVStream* pStream);

} // namespace qv
