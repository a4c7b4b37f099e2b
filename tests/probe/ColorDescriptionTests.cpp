// The rule for pictures that carry no colour description, the completion of a partial one,
// what a Dolby Vision stream's configuration record makes of its base layer, and where SDR
// white lands in an output kept in HDR.
#include "probe/CQVColorGraph.h"
#include "probe/ColorDescription.h"
#include "probe/FFmpegCommon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

extern "C"
{
#include <libavutil/dovi_meta.h>
}

namespace qv
{
namespace
{

TEST(ColorDescription, UntaggedPicturesAreBt709BeyondStandardDefinition)
{
    const struct
    {
        int nWidth, nHeight;
        AVColorSpace eMatrix;
    } cases[] = {
        {1024, 576, AVCOL_SPC_SMPTE170M}, {720, 480, AVCOL_SPC_SMPTE170M},
        {1025, 576, AVCOL_SPC_BT709},     {1024, 577, AVCOL_SPC_BT709},
        {854, 480, AVCOL_SPC_SMPTE170M},  {1280, 720, AVCOL_SPC_BT709},
    };
    for (const auto& c : cases)
    {
        const tagQVColorDescription d = QVUntaggedDescription(c.nWidth, c.nHeight);
        EXPECT_EQ(d.eMatrix, c.eMatrix) << c.nWidth << "x" << c.nHeight;
        EXPECT_EQ(d.ePrimaries,
                  c.eMatrix == AVCOL_SPC_BT709 ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M);
        EXPECT_EQ(d.eRange, AVCOL_RANGE_MPEG);
    }
}

TEST(ColorDescription, CompletionKeepsTagsAndFillsTheRest)
{
    // An HD source cropped to SD stays what it says.
    tagQVColorDescription tagged;
    tagged.eMatrix = AVCOL_SPC_BT709;
    tagged = QVCompleteDescription(tagged, 640, 360, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(tagged.eMatrix, AVCOL_SPC_BT709);
    EXPECT_EQ(tagged.ePrimaries, AVCOL_PRI_SMPTE170M); // missing: the rule of the size
    EXPECT_EQ(QVOutputDescription(tagged, true, 320, 240).eMatrix, AVCOL_SPC_BT709);
    EXPECT_EQ(QVOutputDescription(tagged, false, 320, 240).eMatrix, AVCOL_SPC_SMPTE170M);

    // HDR without primaries or matrix is BT.2020; its output is BT.709 whatever the codec.
    tagQVColorDescription hlg;
    hlg.eTransfer = AVCOL_TRC_ARIB_STD_B67;
    hlg = QVCompleteDescription(hlg, 3840, 2160, AV_PIX_FMT_YUV420P10LE);
    EXPECT_EQ(hlg.ePrimaries, AVCOL_PRI_BT2020);
    EXPECT_EQ(hlg.eMatrix, AVCOL_SPC_BT2020_NCL);
    const tagQVColorDescription sdr = QVOutputDescription(hlg, false, 640, 360);
    EXPECT_EQ(sdr.eTransfer, AVCOL_TRC_BT709);
    EXPECT_EQ(sdr.eMatrix, AVCOL_SPC_BT709);

    // Range: the J formats are full without a tag, and every output is limited.
    const tagQVColorDescription jpeg =
        QVCompleteDescription(tagQVColorDescription(), 640, 480, AV_PIX_FMT_YUVJ420P);
    EXPECT_TRUE(jpeg.IsFullRange());
    EXPECT_FALSE(QVOutputDescription(jpeg, true, 640, 480).IsFullRange());
    EXPECT_FALSE(
        QVCompleteDescription(tagQVColorDescription(), 640, 480, AV_PIX_FMT_YUV420P).IsFullRange());
}

TEST(ColorDescription, DolbyVisionProfile84IsHlg)
{
    for (int nCompatibility : {4, 1})
    {
        QVFormatPtr format(avformat_alloc_context());
        AVStream* pStream = avformat_new_stream(format.get(), nullptr);
        ASSERT_NE(pStream, nullptr);
        size_t nSize = 0;
        AVDOVIDecoderConfigurationRecord* pRecord = av_dovi_alloc(&nSize);
        ASSERT_NE(pRecord, nullptr);
        pRecord->dv_profile = 8;
        pRecord->dv_bl_signal_compatibility_id = static_cast<uint8_t>(nCompatibility);
        ASSERT_EQ(av_stream_add_side_data(pStream, AV_PKT_DATA_DOVI_CONF,
                                          reinterpret_cast<uint8_t*>(pRecord), nSize),
                  0);
        const tagQVColorDescription d = QVDescriptionOfStream(pStream);
        // 8.1 is PQ and says so in its own tags; only 8.4 is made HLG.
        EXPECT_EQ(d.IsHdr(), nCompatibility == 4) << nCompatibility;
    }
}

// A composed picture (bottom-up BGRA, SDR BT.709) written into an HDR output: its white at
// HDR reference white, 203 cd/m² (ITU-R BT.2408: PQ signal 0.5807, HLG 0.75, so the 10-bit
// limited-range codes 64 + 876 × signal), its black at black, and no colour in either.
TEST(ColorDescription, SdrPicturesWrittenAsHdrPutWhiteAtReferenceWhite)
{
    constexpr int kW = 16, kH = 8;
    tagQVColorDescription composed;
    composed.ePrimaries = AVCOL_PRI_BT709;
    composed.eTransfer = AVCOL_TRC_BT709;
    composed.eMatrix = AVCOL_SPC_RGB;
    composed.eRange = AVCOL_RANGE_JPEG;
    // Left half white, right half black, bottom row first.
    std::vector<uint8_t> sample(size_t(kW) * kH * 4, 0);
    for (int y = 0; y < kH; ++y)
        std::fill_n(sample.begin() + y * kW * 4, kW / 2 * 4, uint8_t(255));
    QVFramePtr pComposed(av_frame_alloc());
    pComposed->format = AV_PIX_FMT_BGR0;
    pComposed->width = kW;
    pComposed->height = kH;
    pComposed->linesize[0] = -kW * 4;
    pComposed->data[0] = sample.data() + (kH - 1) * kW * 4;
    const struct
    {
        AVColorTransferCharacteristic eTransfer;
        int nWhite;
    } kCases[] = {{AVCOL_TRC_SMPTE2084, 573}, {AVCOL_TRC_ARIB_STD_B67, 721}};
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.eTransfer);
        tagQVColorDescription hdr;
        hdr.eTransfer = c.eTransfer;
        hdr = QVCompleteDescription(hdr, kW, kH, AV_PIX_FMT_YUV420P10LE);
        ASSERT_TRUE(CQVColorGraph::Needed(composed, hdr));
        CQVColorGraph graph;
        QVFramePtr pOut(av_frame_alloc());
        ASSERT_EQ(
            graph.Convert(*pComposed, composed, hdr, kW, kH, AV_PIX_FMT_YUV420P10LE, pOut.get()),
            0);
        auto sampleAt = [&](int p, int x, int y)
        { return reinterpret_cast<const uint16_t*>(pOut->data[p] + y * pOut->linesize[p])[x]; };
        EXPECT_EQ(sampleAt(0, 2, 2), c.nWhite);
        EXPECT_EQ(sampleAt(0, kW - 3, kH - 3), 64);
        for (int p = 1; p <= 2; ++p)
        {
            EXPECT_EQ(sampleAt(p, 1, 1), 512);
            EXPECT_EQ(sampleAt(p, kW / 2 - 2, kH / 2 - 2), 512);
        }
    }
}

} // namespace
} // namespace qv
