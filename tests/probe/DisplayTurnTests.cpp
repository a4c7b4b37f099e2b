// Sources with a display matrix: the probe reports the size players show, and the still
// capture delivers the picture upright.
#include "probe/CQVFFMpegStillCapture.h"
#include "probe/DisplayTurn.h"
#include "probe/MediaInfoProbe.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

extern "C"
{
#include <libavutil/display.h>
}

namespace qv::test
{
namespace
{

using C = ECornerColour;
using Corners = std::array<C, 4>; // top left, top right, bottom right, bottom left

struct tagTurnedSource
{
    const char* szName;
    std::string path;
    int nWidth, nHeight; // displayed
    bool bUnsupported;
    Corners corners; // as players show the picture
};

std::vector<tagTurnedSource> TurnedSources()
{
    return {
        {"rotate 0", CornerClipPath(0), 480, 360, false, {C::Red, C::Yellow, C::Green, C::White}},
        {"rotate 90", CornerClipPath(90), 360, 480, false, {C::Yellow, C::Green, C::White, C::Red}},
        {"rotate 180",
         CornerClipPath(180),
         480,
         360,
         false,
         {C::Green, C::White, C::Red, C::Yellow}},
        {"rotate 270",
         CornerClipPath(270),
         360,
         480,
         false,
         {C::White, C::Red, C::Yellow, C::Green}},
        {"mirrored",
         MirroredCornerClipPath(false),
         480,
         360,
         false,
         {C::Yellow, C::Red, C::White, C::Green}},
        {"transposed",
         MirroredCornerClipPath(true),
         360,
         480,
         false,
         {C::Red, C::White, C::Green, C::Yellow}},
        // Not a quarter turn: shown as stored, and the probe says so.
        {"rotate 45", CornerClipPath(45), 480, 360, true, {C::Red, C::Yellow, C::Green, C::White}},
    };
}

} // namespace

TEST(DisplayTurn, TheProbeAndTheStillCaptureShowTheSourceAsPlayersDo)
{
    for (const tagTurnedSource& source : TurnedSources())
    {
        ASSERT_FALSE(source.path.empty()) << source.szName;
        tagQVMediaInfo info;
        ASSERT_NE(ProbeMediaInfo(source.path, &info), 0) << source.szName;
        EXPECT_EQ(info.nWidth, source.nWidth) << source.szName;
        EXPECT_EQ(info.nHeight, source.nHeight) << source.szName;
        EXPECT_EQ(info.turn.bUnsupported, source.bUnsupported) << source.szName;

        CQVFFMpegStillCapture capture(source.path, true);
        ASSERT_TRUE(capture.GetFrameAtTime(0.5)) << source.szName;
        ASSERT_TRUE(capture.ConvertFrame(nullptr, nullptr, nullptr, nullptr, nullptr));
        const int w = capture.ImageWidth(), h = capture.ImageHeight();
        EXPECT_EQ(w, source.nWidth) << source.szName;
        EXPECT_EQ(h, source.nHeight) << source.szName;
        auto at = [&](int x, int y)
        { return CornerColourAt(capture.ImageData() + y * capture.ImageStride() + x * 4); };
        const Corners shown = {at(w / 8, h / 8), at(w - 1 - w / 8, h / 8),
                               at(w - 1 - w / 8, h - 1 - h / 8), at(w / 8, h - 1 - h / 8)};
        EXPECT_EQ(shown, source.corners) << source.szName;
        EXPECT_EQ(at(w / 2, h / 2), C::Blue) << source.szName;
    }
}

// The files above cover the quarter turns and mirrors; other matrices are refused, and a
// matrix that only scales or says nothing is no obstacle.
TEST(DisplayTurn, OtherMatricesAreRefusedAndShownAsStored)
{
    for (double dAngle : {30.0, -135.0, 89.0})
        for (bool bMirror : {false, true})
        {
            int32_t matrix[9];
            av_display_rotation_set(matrix, dAngle);
            if (bMirror)
                av_display_matrix_flip(matrix, 1, 0);
            const tagQVDisplayTurn turn = QVDisplayTurnOfMatrix(matrix);
            EXPECT_TRUE(turn.bUnsupported) << dAngle << " " << bMirror;
            EXPECT_TRUE(turn.IsIdentity()) << dAngle << " " << bMirror;
            if (!bMirror)
            {
                EXPECT_NEAR(std::fabs(turn.dRequestedDegrees), std::fabs(dAngle), 0.01) << dAngle;
            }
        }
    const int32_t perspective[9] = {65536, 0, 1 << 20, 0, 65536, 0, 0, 0, 1 << 30};
    EXPECT_TRUE(QVDisplayTurnOfMatrix(perspective).bUnsupported);
    const int32_t sheared[9] = {65536, 0, 0, 32768, 65536, 0, 0, 0, 1 << 30};
    EXPECT_TRUE(QVDisplayTurnOfMatrix(sheared).bUnsupported);
    const int32_t scaled[9] = {0, 2 << 16, 0, -(2 << 16), 0, 0, 0, 0, 1 << 30};
    EXPECT_FALSE(QVDisplayTurnOfMatrix(scaled).bUnsupported);
    EXPECT_TRUE(QVDisplayTurnOfMatrix(scaled).bTranspose);
    const int32_t empty[9] = {};
    EXPECT_FALSE(QVDisplayTurnOfMatrix(empty).bUnsupported);
    EXPECT_TRUE(QVDisplayTurnOfMatrix(empty).IsIdentity());
    EXPECT_TRUE(QVDisplayTurnOfMatrix(nullptr).IsIdentity());
}

} // namespace qv::test
