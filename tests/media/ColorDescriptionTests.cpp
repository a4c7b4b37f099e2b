// The rule for pictures that carry no colour description, the completion of a partial one,
// and what a Dolby Vision stream's configuration record makes of its base layer.
#include "probe/ColorDescription.h"
#include "probe/FFmpegCommon.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace qv
