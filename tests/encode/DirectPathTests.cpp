// Frames that need only the crop and the size reach the encoder in the source's own pixels:
// the same region as the composed path, exact source rows and columns, and the path chosen
// frame by frame.
#include "tests/support/MediaProbe.h"

#include "compose/FrameComposition.h"
#include "compose/FramePath.h"
#include "compose/ItemTiming.h"
#include "encode/CQVDirectPictureConverter.h"
#include "media/CQVItemRuntime.h"
#include "project/OutputSize.h"
#include "tests/support/ComposeMedia.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace qv::test
{
namespace
{

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr int kFrames = 10;

// testsrc2 (colour bars, fine detail, motion) stored losslessly in the given pixel format.
// nBlur > 0 softens it, for sizes where the two paths sample the picture a fraction of a
// pixel apart.
std::string MakeSource(const CQVTestFolder& folder, const std::string& format, int nWidth = kWidth,
                       int nHeight = kHeight, int nBlur = 0)
{
    const std::string size = std::to_string(nWidth) + "x" + std::to_string(nHeight);
    const std::string path = folder / (format + "-" + size + ".nut");
    const std::string blur = nBlur > 0 ? "gblur=sigma=" + std::to_string(nBlur) : "null";
    const int nResult =
        RunProgram("ffmpeg",
                   {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "testsrc2=size=" + size + ":rate=30", "-vf", blur, "-frames:v",
                    std::to_string(kFrames), "-pix_fmt", format, "-c:v", "rawvideo", path},
                   nullptr, nullptr);
    return nResult == 0 ? path : std::string();
}

// nWidth × nHeight: the source as it is shown (a turned source's displayed size).
std::unique_ptr<tagQVMediaData> CroppedItem(const std::string& path, int x, int y, int w, int h,
                                            int nWidth = kWidth, int nHeight = kHeight)
{
    auto item = MakeVideoItem(path, nWidth, nHeight, double(kFrames) / 30.0);
    item->pCrop = std::make_unique<tagQVCropData>();
    item->pCrop->enablecrop = 1;
    item->pCrop->xcrop = x;
    item->pCrop->ycrop = y;
    item->pCrop->wcrop = w;
    item->pCrop->hcrop = h;
    return item;
}

QVFramePtr MakeFrame(AVPixelFormat eFormat, int nWidth, int nHeight)
{
    QVFramePtr pFrame(av_frame_alloc());
    pFrame->format = eFormat;
    pFrame->width = nWidth;
    pFrame->height = nHeight;
    EXPECT_EQ(av_frame_get_buffer(pFrame.get(), 0), 0);
    return pFrame;
}

// The composed layer (bottom-up BGRA) as the encoder takes it: BGR0 to yuv420p, bicubic.
QVFramePtr ComposedAsEncoderInput(const std::vector<uint8_t>& layer, int nWidth, int nHeight)
{
    QVFramePtr pFrame = MakeFrame(AV_PIX_FMT_YUV420P, nWidth, nHeight);
    SwsContext* pScaler =
        sws_getContext(nWidth, nHeight, AV_PIX_FMT_BGR0, nWidth, nHeight, AV_PIX_FMT_YUV420P,
                       SWS_BICUBIC, nullptr, nullptr, nullptr);
    const uint8_t* pSource[4] = {layer.data() + size_t(nHeight - 1) * nWidth * 4, nullptr, nullptr,
                                 nullptr};
    const int nStride[4] = {-nWidth * 4, 0, 0, 0};
    sws_scale(pScaler, pSource, nStride, 0, nHeight, pFrame->data, pFrame->linesize);
    sws_freeContext(pScaler);
    return pFrame;
}

double PlanePsnr(const AVFrame& a, const AVFrame& b, int nPlane, int nWidth, int nHeight)
{
    double dSum = 0.0;
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
        {
            const double d = double(a.data[nPlane][y * a.linesize[nPlane] + x]) -
                             b.data[nPlane][y * b.linesize[nPlane] + x];
            dSum += d * d;
        }
    const double dMse = dSum / (double(nWidth) * nHeight);
    return dMse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / dMse);
}

TEST(DirectPath, GivesTheComposedPictureForEveryPixelFormat)
{
    CQVTestFolder folder;
    struct
    {
        std::string name, source;
        int nWidth, nHeight;   // as shown
        int x, y, w, h;        // the crop, in the decoded picture's pixels
        double dLuma, dChroma; // least PSNR against the composed picture
    } const cases[] = {
        // Odd edges inside the picture, in every kind of layout.
        {"yuv420p", MakeSource(folder, "yuv420p"), 160, 120, 17, 9, 100, 80, 40, 30},
        {"yuv422p", MakeSource(folder, "yuv422p"), 160, 120, 17, 9, 100, 80, 40, 30},
        {"yuv444p", MakeSource(folder, "yuv444p"), 160, 120, 17, 9, 100, 80, 40, 30},
        {"nv12", MakeSource(folder, "nv12"), 160, 120, 17, 9, 100, 80, 40, 30},
        {"rgb24", MakeSource(folder, "rgb24"), 160, 120, 17, 9, 100, 80, 40, 30},
        // Not multiples of 4: both paths decode the source's own pixels.
        {"166x126", MakeSource(folder, "yuv420p", 166, 126), 166, 126, 17, 9, 100, 80, 40, 30},
        // Shown turned or mirrored: the crop is as a person sees the picture.
        {"turned 90", CornerClipPath(90), 360, 480, 20, 40, 200, 240, 40, 30},
        {"turned 180", CornerClipPath(180), 480, 360, 21, 13, 300, 200, 40, 30},
        {"turned 270", CornerClipPath(270), 360, 480, 20, 40, 200, 240, 40, 30},
        {"mirrored", MirroredCornerClipPath(false), 480, 360, 20, 40, 300, 200, 40, 30},
        {"transposed", MirroredCornerClipPath(true), 360, 480, 20, 40, 200, 240, 40, 30},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.source.empty());
        auto pDirectItem = CroppedItem(c.source, c.x, c.y, c.w, c.h, c.nWidth, c.nHeight);
        auto pComposedItem = CroppedItem(c.source, c.x, c.y, c.w, c.h, c.nWidth, c.nHeight);
        tagQVCompositionContext direct, composed;
        composed.nOutputWidth = direct.nOutputWidth = c.w;
        composed.nOutputHeight = direct.nOutputHeight = c.h;
        tagQVDirectPicture picture;
        picture.pFrame.reset(av_frame_alloc());
        std::vector<uint8_t> layer(size_t(c.w) * c.h * 4);
        CQVDirectPictureConverter converter;
        QVFramePtr pTarget = MakeFrame(AV_PIX_FMT_YUV420P, c.w, c.h);
        for (int k = 1; k < kFrames; ++k)
        {
            const double t = k / 30.0;
            direct.dCurrentTime = composed.dCurrentTime = t;
            ASSERT_EQ(ChooseFramePath(direct, pDirectItem.get(), nullptr, true),
                      EQVFramePath::kDirect);
            ASSERT_EQ(RenderItemDirect(direct, t, *pDirectItem, &picture), 1);
            ASSERT_EQ(RenderItemFrame(composed, t, *pComposedItem, layer.data(), c.w, c.h), 1);
            AVFrame* pInput = nullptr;
            ASSERT_EQ(converter.Convert(picture, pTarget.get(), &pInput), 0);
            const QVFramePtr pComposed = ComposedAsEncoderInput(layer, c.w, c.h);
            // What is left is the round trip through BGRA: chroma resampled twice, 8-bit
            // rounding (30-45 dB here).
            // A wrong region, a turn the wrong way, or chroma read half a sample off at the
            // odd edges, falls far below (under 23 dB).
            EXPECT_GE(PlanePsnr(*pInput, *pComposed, 0, c.w, c.h), c.dLuma) << "Y, frame " << k;
            EXPECT_GE(PlanePsnr(*pInput, *pComposed, 1, c.w / 2, c.h / 2), c.dChroma)
                << "U, frame " << k;
            EXPECT_GE(PlanePsnr(*pInput, *pComposed, 2, c.w / 2, c.h / 2), c.dChroma)
                << "V, frame " << k;
        }
    }
}

TEST(DirectPath, OddAndEdgeCropsKeepTheSourceColumnsAndRows)
{
    CQVTestFolder folder;
    struct
    {
        const char* szFormat;
        int x, y, w, h;
        bool bPassesThrough;
    } const cases[] = {
        {"yuv420p", 17, 9, 100, 80, false}, // odd left and top edges: the scaler takes them
        {"yuv420p", 60, 40, 100, 80, true}, // reaches the right and bottom edges
        {"yuv420p", 0, 0, 160, 120, true},  // the whole picture
        {"yuv444p", 17, 9, 100, 80, false}, // another format: converted, luma unchanged
        {"yuv444p", 59, 39, 100, 80, false},
        {"yuv420p", 59, 39, 101, 81, false}, // odd edges that reach the right and bottom
        {"nv12", 17, 9, 143, 111, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.szFormat) + " " + std::to_string(c.x) + "," +
                     std::to_string(c.y) + " " + std::to_string(c.w) + "x" + std::to_string(c.h));
        const std::string source = MakeSource(folder, c.szFormat);
        ASSERT_FALSE(source.empty());
        auto pItem = CroppedItem(source, c.x, c.y, c.w, c.h);
        tagQVCompositionContext context;
        context.nOutputWidth = c.w;
        context.nOutputHeight = c.h;
        tagQVDirectPicture picture;
        picture.pFrame.reset(av_frame_alloc());
        ASSERT_EQ(RenderItemDirect(context, 3 / 30.0, *pItem, &picture), 1);
        EXPECT_EQ(picture.x, c.x);
        EXPECT_EQ(picture.y, c.y);
        EXPECT_EQ(picture.nWidth, c.w);
        EXPECT_EQ(picture.nHeight, c.h);
        std::vector<uint8_t> expected;
        for (int row = 0; row < c.h; ++row)
            for (int col = 0; col < c.w; ++col)
                expected.push_back(
                    picture.pFrame->data[0][(c.y + row) * picture.pFrame->linesize[0] + c.x + col]);

        CQVDirectPictureConverter converter;
        QVFramePtr pTarget = MakeFrame(AV_PIX_FMT_YUV420P, c.w, c.h);
        AVFrame* pInput = nullptr;
        ASSERT_EQ(converter.Convert(picture, pTarget.get(), &pInput), 0);
        EXPECT_EQ(converter.PassedThrough(), c.bPassesThrough);
        EXPECT_FALSE(picture.Holds()) << "the decoder's picture is let go";
        int nDifferent = 0;
        for (int row = 0; row < c.h; ++row)
            for (int col = 0; col < c.w; ++col)
                nDifferent += pInput->data[0][row * pInput->linesize[0] + col] !=
                              expected[size_t(row) * c.w + col];
        EXPECT_EQ(nDifferent, 0);
        if (pInput != pTarget.get())
            av_frame_unref(pInput);
    }
}

// The output picture is the source's crop at every source size, as the front-end sets the
// output size (the rectangle cut down to multiples of 4): exact luma on the direct path, and
// the source's chroma where the crop starts on whole chroma samples; the composed path the
// same pixels within its round trip through BGRA (mild colours, so that no RGB clips).
TEST(DirectPath, TheOutputIsTheSourcesCropAtEverySourceSize)
{
    CQVTestFolder folder;
    const struct
    {
        int nWidth, nHeight;
    } sources[] = {{720, 405}, {721, 405}, {854, 480}, {1366, 768}, {1920, 1080}};
    for (const auto& source : sources)
    {
        const std::string size =
            std::to_string(source.nWidth) + "x" + std::to_string(source.nHeight);
        const std::string path = folder / ("mild-" + size + ".nut");
        ASSERT_EQ(RunProgram("ffmpeg",
                             {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                              "testsrc2=size=" + size + ":rate=30,format=gray", "-frames:v", "3",
                              "-pix_fmt", "yuv420p", "-c:v", "rawvideo", path},
                             nullptr, nullptr),
                  0);
        const int W = source.nWidth, H = source.nHeight;
        const struct
        {
            const char* szName;
            int x, y, w, h; // w 0: no crop
        } crops[] = {
            {"no crop", 0, 0, 0, 0},
            {"odd offsets and size", 33, 17, 401, 301},
            {"to the right and bottom edges", W - 401, H - 301, 401, 301},
            {"even offsets", 100, 50, 400, 300},
        };
        for (const auto& crop : crops)
        {
            SCOPED_TRACE(size + " " + crop.szName);
            auto pDirectItem = MakeVideoItem(path, W, H, 3 / 30.0);
            auto pComposedItem = MakeVideoItem(path, W, H, 3 / 30.0);
            int x = 0, y = 0, w = W, h = H;
            if (crop.w != 0)
            {
                pDirectItem = CroppedItem(path, crop.x, crop.y, crop.w, crop.h, W, H);
                pComposedItem = CroppedItem(path, crop.x, crop.y, crop.w, crop.h, W, H);
                x = crop.x, y = crop.y, w = crop.w, h = crop.h;
            }
            const int nOutW = CutToMultipleOfFour(w), nOutH = CutToMultipleOfFour(h);
            tagQVCompositionContext context;
            context.nOutputWidth = nOutW;
            context.nOutputHeight = nOutH;
            context.dCurrentTime = 1 / 30.0;
            ASSERT_EQ(ChooseFramePath(context, pDirectItem.get(), nullptr, true),
                      EQVFramePath::kDirect);
            tagQVDirectPicture picture;
            picture.pFrame.reset(av_frame_alloc());
            ASSERT_EQ(RenderItemDirect(context, 1 / 30.0, *pDirectItem, &picture), 1);
            const QVFramePtr pSource(av_frame_clone(picture.pFrame.get()));
            ASSERT_TRUE(pSource);
            CQVDirectPictureConverter converter;
            QVFramePtr pTarget = MakeFrame(AV_PIX_FMT_YUV420P, nOutW, nOutH);
            AVFrame* pInput = nullptr;
            ASSERT_EQ(converter.Convert(picture, pTarget.get(), &pInput), 0);

            std::vector<uint8_t> layer(size_t(nOutW) * nOutH * 4);
            ASSERT_EQ(
                RenderItemFrame(context, 1 / 30.0, *pComposedItem, layer.data(), nOutW, nOutH), 1);
            const QVFramePtr pComposed = ComposedAsEncoderInput(layer, nOutW, nOutH);

            int nDirectWrong = 0, nComposedWorst = 0;
            for (int row = 0; row < nOutH; ++row)
                for (int col = 0; col < nOutW; ++col)
                {
                    const int nSource =
                        pSource->data[0][(y + row) * pSource->linesize[0] + x + col];
                    nDirectWrong += pInput->data[0][row * pInput->linesize[0] + col] != nSource;
                    nComposedWorst = std::max(
                        nComposedWorst,
                        std::abs(pComposed->data[0][row * pComposed->linesize[0] + col] - nSource));
                }
            EXPECT_EQ(nDirectWrong, 0);
            EXPECT_LE(nComposedWorst, 2);
            if (x % 2 == 0 && y % 2 == 0)
            {
                int nChromaWrong = 0;
                for (int p = 1; p <= 2; ++p)
                    for (int row = 0; row < nOutH / 2; ++row)
                        for (int col = 0; col < nOutW / 2; ++col)
                            nChromaWrong +=
                                pInput->data[p][row * pInput->linesize[p] + col] !=
                                pSource
                                    ->data[p][(y / 2 + row) * pSource->linesize[p] + x / 2 + col];
                EXPECT_EQ(nChromaWrong, 0);
            }
            if (pInput != pTarget.get())
                av_frame_unref(pInput);
        }
    }
}

TEST(DirectPath, ARegionOutsideThePictureIsRefused)
{
    CQVTestFolder folder;
    const std::string source = MakeSource(folder, "yuv420p");
    ASSERT_FALSE(source.empty());
    auto pItem = CroppedItem(source, 0, 0, 160, 120);
    tagQVCompositionContext context;
    tagQVDirectPicture picture;
    picture.pFrame.reset(av_frame_alloc());
    ASSERT_EQ(RenderItemDirect(context, 0.0, *pItem, &picture), 1);
    picture.x = 100; // 100 + 160 > 160
    CQVDirectPictureConverter converter;
    QVFramePtr pTarget = MakeFrame(AV_PIX_FMT_YUV420P, 160, 120);
    AVFrame* pInput = nullptr;
    EXPECT_EQ(converter.Convert(picture, pTarget.get(), &pInput), AVERROR(EINVAL));
    EXPECT_FALSE(picture.Holds());
}

TEST(DirectPath, EachFrameTakesThePathOfItsItem)
{
    CQVTestFolder folder;
    const std::string source = MakeSource(folder, "yuv420p");
    ASSERT_FALSE(source.empty());
    // Three items of 10 frames each; what each case gives the middle one makes it composed.
    const std::function<void(tagQVMediaData&)> effects[] = {
        [](tagQVMediaData& item)
        { item.pColorAdjustment = std::make_unique<tagQVColorAdjustment>(); },
        [](tagQVMediaData& item) { item.pMask = std::make_unique<tagQVMaskData>(); },
        [](tagQVMediaData& item) { item.pRotation = std::make_unique<tagQVRotationData>(); },
        [](tagQVMediaData& item) { item.pBorder = std::make_unique<tagQVBorderData>(); },
        [](tagQVMediaData& item) { item.snapshots.emplace_back(); },
    };
    for (const auto& effect : effects)
    {
        SCOPED_TRACE(&effect - effects);
        TimelineLine line;
        for (int i = 0; i < 3; ++i)
        {
            line.items.push_back(CroppedItem(source, 16, 8, 100, 80));
            tagQVMediaData& item = *line.items.back();
            item.dEditorStartTime = i * kFrames / 30.0;
            item.dEditorEndTime = (i + 1) * kFrames / 30.0;
        }
        effect(*line.items[1]);
        tagQVCompositionContext context;
        for (int k = 0; k < 3 * kFrames; ++k)
        {
            context.dCurrentTime = k / 30.0;
            tagQVMediaData* pItem = FindItemAt(line, context.dCurrentTime);
            ASSERT_NE(pItem, nullptr) << k;
            const EQVFramePath eExpected =
                pItem == line.items[1].get() ? EQVFramePath::kComposed : EQVFramePath::kDirect;
            EXPECT_EQ(ChooseFramePath(context, pItem, nullptr, true), eExpected) << "frame " << k;
            ReleaseLineItem(context, pItem, 0);
        }
        ReleaseLineItem(context, nullptr, 0);
    }
    // A second item at the same time, and the preview, always compose.
    auto pItem = CroppedItem(source, 16, 8, 100, 80);
    tagQVCompositionContext context;
    EXPECT_EQ(ChooseFramePath(context, pItem.get(), pItem.get(), true), EQVFramePath::kComposed);
    EXPECT_EQ(ChooseFramePath(context, pItem.get(), nullptr, false), EQVFramePath::kComposed);
}

} // namespace
} // namespace qv::test

namespace qv::test
{
namespace
{

// A region of a 10-bit picture kept in HDR (no colour conversion) is cropped and turned
// sample for sample as an 8-bit one: every 10-bit sample is four times the 8-bit sample
// plus 3, in both pictures and so in both results.
TEST(DirectPath, TenBitPicturesAreCroppedAndTurnedLikeEightBit)
{
    constexpr int kW = 36, kH = 20, kX = 6, kY = 4, kRegionW = 24, kRegionH = 12;
    tagQVColorDescription pq;
    pq.eTransfer = AVCOL_TRC_SMPTE2084;
    pq = QVCompleteDescription(pq, kW, kH, AV_PIX_FMT_YUV420P10LE);
    const tagQVColorDescription sdr = QVUntaggedDescription(0, 0);
    for (int nTurn = 1; nTurn < 8; ++nTurn)
    {
        tagQVDisplayTurn turn;
        turn.bTranspose = nTurn & 4;
        turn.bFlipX = nTurn & 2;
        turn.bFlipY = nTurn & 1;
        SCOPED_TRACE(nTurn);
        const int nOutW = turn.bTranspose ? kRegionH : kRegionW;
        const int nOutH = turn.bTranspose ? kRegionW : kRegionH;
        QVFramePtr results[2];
        for (int nDeep = 0; nDeep < 2; ++nDeep)
        {
            const AVPixelFormat eFormat = nDeep ? AV_PIX_FMT_YUV420P10LE : AV_PIX_FMT_YUV420P;
            QVFramePtr pSource = MakeFrame(eFormat, kW, kH);
            for (int p = 0; p < 3; ++p)
                for (int y = 0; y < (p ? kH / 2 : kH); ++y)
                    for (int x = 0; x < (p ? kW / 2 : kW); ++x)
                    {
                        const int nValue = (x * 7 + y * 13 + p * 50) % 220 + 16;
                        uint8_t* pRow = pSource->data[p] + y * pSource->linesize[p];
                        if (nDeep)
                            reinterpret_cast<uint16_t*>(pRow)[x] = uint16_t(nValue * 4 + 3);
                        else
                            pRow[x] = uint8_t(nValue);
                    }
            tagQVDirectPicture picture;
            picture.pFrame = std::move(pSource);
            picture.x = kX;
            picture.y = kY;
            picture.nWidth = kRegionW;
            picture.nHeight = kRegionH;
            picture.turn = turn;
            picture.color = nDeep ? pq : sdr;
            CQVDirectPictureConverter converter;
            converter.SetOutputColor(picture.color);
            results[nDeep] = MakeFrame(eFormat, nOutW, nOutH);
            AVFrame* pInput = nullptr;
            ASSERT_EQ(converter.Convert(picture, results[nDeep].get(), &pInput), 0);
            ASSERT_EQ(pInput, results[nDeep].get());
        }
        int nDifferent = 0;
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < (p ? nOutH / 2 : nOutH); ++y)
                for (int x = 0; x < (p ? nOutW / 2 : nOutW); ++x)
                {
                    const int n8 = results[0]->data[p][y * results[0]->linesize[p] + x];
                    const int n10 = reinterpret_cast<const uint16_t*>(
                        results[1]->data[p] + y * results[1]->linesize[p])[x];
                    nDifferent += n10 != n8 * 4 + 3;
                }
        EXPECT_EQ(nDifferent, 0);
    }
}

} // namespace
} // namespace qv::test
