// How the numbers of a picture become colours: primaries, transfer, matrix and range, and
// for HDR the grading's light levels. Read from a stream, completed by the rule players use
// for pictures that do not say, and chosen for an output. The scaler setup that converts
// with a description lives here too, so that every conversion between YUV and BGRA reads
// and writes the same colours.
#pragma once

#include <cstdint>

extern "C"
{
#include <libavutil/mastering_display_metadata.h>
#include <libavutil/pixfmt.h>
}

struct AVFrame;
struct AVStream;
struct SwsContext;

namespace qv
{

struct tagQVColorDescription
{
    AVColorPrimaries ePrimaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic eTransfer = AVCOL_TRC_UNSPECIFIED;
    AVColorSpace eMatrix = AVCOL_SPC_UNSPECIFIED;
    AVColorRange eRange = AVCOL_RANGE_UNSPECIFIED;
    // The grading of an HDR picture as the source gives it: the mastering display's
    // primaries, white point and luminance (has_primaries, has_luminance say which are
    // known), and MaxCLL / MaxFALL in cd/m² (0 when unknown). An output that keeps HDR
    // writes them again.
    AVMasteringDisplayMetadata mastering{};
    AVContentLightMetadata contentLight{};

    // PQ (SMPTE ST 2084) or HLG (ARIB STD-B67).
    bool IsHdr() const;
    bool IsFullRange() const { return eRange == AVCOL_RANGE_JPEG; }
    // The grading's peak in cd/m²: MaxCLL, else the mastering display's; 0 when unknown.
    double GradingPeak() const;
    // Same primaries, transfer, matrix and range.
    bool SameColours(const tagQVColorDescription& other) const;
};

// What a picture that carries no description is, by its size: BT.709 when it is wider than
// 1024 or taller than 576, else BT.601 (SMPTE 170M), as common players read it. Limited range.
tagQVColorDescription QVUntaggedDescription(int nWidth, int nHeight);

// A stream's description as its parameters and side data give it; fields it does not give
// stay unspecified. A Dolby Vision profile 8.4 stream (an HLG base layer) without its own
// tags is HLG with BT.2020 primaries and matrix.
tagQVColorDescription QVDescriptionOfStream(const AVStream* pStream);

// Takes the grading from mastering-display and content-light side data (of a stream or of
// a decoded picture; either may be null), each part only where *pColor has none yet.
void QVTakeGrading(const AVMasteringDisplayMetadata* pMastering,
                   const AVContentLightMetadata* pContentLight, tagQVColorDescription* pColor);
// The same from a decoded picture's side data.
void QVTakeFrameGrading(const AVFrame& frame, tagQVColorDescription* pColor);

// The description pictures are read with: the given fields, each missing one from
// QVUntaggedDescription of the picture's size (BT.2020 primaries and matrix for a PQ or HLG
// transfer), and a missing range full for "J" and RGB pixel formats, else limited.
tagQVColorDescription QVCompleteDescription(tagQVColorDescription description, int nWidth,
                                            int nHeight, int nPixelFormat);

// The description an output is written with, from its source's completed description:
// for an HDR source, the source's own with its grading when bKeepHdr (the output is written
// in HDR), else BT.709 (its pictures are tone-mapped); for SDR, the source's own when the
// codec can carry a description (an RGB source's matrix is the one players assume for the
// output's size); otherwise what players assume for a picture of the output's size, since
// the pictures then have to be converted to it. Always limited range.
tagQVColorDescription QVOutputDescription(const tagQVColorDescription& source, bool bCodecTagged,
                                          int nOutputWidth, int nOutputHeight,
                                          bool bKeepHdr = false);

// Tells a scaler between YUV and RGB which matrix and range its YUV side has (RGB is full
// range); bYuvIsSource says which side that is. False when the scaler refuses (it then
// converts with its defaults).
bool QVSetScalerColors(SwsContext* pScaler, const tagQVColorDescription& yuv, bool bYuvIsSource);

} // namespace qv
