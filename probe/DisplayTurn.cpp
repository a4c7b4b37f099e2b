#include "probe/DisplayTurn.h"

#include <cmath>
#include <cstring>

extern "C"
{
#include <libavutil/display.h>
}

namespace qv
{

namespace
{

// How far a normalised matrix entry may lie from 0 or ±1 (rounding of the 16.16 values).
constexpr double kEntryTolerance = 1e-3;

bool Near(double dValue, double dTarget)
{
    return std::fabs(dValue - dTarget) < kEntryTolerance;
}

} // namespace

tagQVDisplayTurn QVDisplayTurnOfMatrix(const int32_t* pMatrix)
{
    tagQVDisplayTurn turn;
    if (pMatrix == nullptr)
        return turn;
    const double dAngle = av_display_rotation_get(pMatrix);
    // FFmpeg counts counterclockwise; NaN for a degenerate matrix.
    turn.dRequestedDegrees = std::isnan(dAngle) ? 0.0 : (dAngle == 0.0 ? 0.0 : -dAngle);

    // A displayed point is (a p + c q, b p + d q) for the stored point (p, q), y downwards.
    const double a = pMatrix[0] / 65536.0;
    const double b = pMatrix[1] / 65536.0;
    const double c = pMatrix[3] / 65536.0;
    const double d = pMatrix[4] / 65536.0;
    const double dScale = std::sqrt(std::fabs(a * d - b * c));
    const bool bFlat = pMatrix[2] == 0 && pMatrix[5] == 0; // no perspective
    if (!(dScale > kEntryTolerance) || !bFlat)
    {
        turn.bUnsupported = !(pMatrix[0] == 0 && pMatrix[1] == 0 && pMatrix[3] == 0 &&
                              pMatrix[4] == 0 && bFlat); // an empty matrix means nothing
        return turn;
    }
    const double na = a / dScale, nb = b / dScale, nc = c / dScale, nd = d / dScale;
    // The inverse of an orthogonal matrix of zeros and ones is its transpose: the stored
    // point is (a x + b y, c x + d y).
    if (Near(nb, 0) && Near(nc, 0) && Near(std::fabs(na), 1) && Near(std::fabs(nd), 1))
    {
        turn.bFlipX = na < 0;
        turn.bFlipY = nd < 0;
    }
    else if (Near(na, 0) && Near(nd, 0) && Near(std::fabs(nb), 1) && Near(std::fabs(nc), 1))
    {
        turn.bTranspose = true;
        turn.bFlipX = nb < 0;
        turn.bFlipY = nc < 0;
    }
    else
    {
        turn.bUnsupported = true;
    }
    return turn;
}

tagQVDisplayTurn QVDisplayTurnOfStream(const AVStream* pStream)
{
    if (pStream == nullptr)
        return tagQVDisplayTurn();
    size_t nSize = 0;
    const uint8_t* pData = av_stream_get_side_data(pStream, AV_PKT_DATA_DISPLAYMATRIX, &nSize);
    if (pData == nullptr || nSize < 9 * sizeof(int32_t))
        return tagQVDisplayTurn();
    int32_t matrix[9];
    std::memcpy(matrix, pData, sizeof(matrix));
    return QVDisplayTurnOfMatrix(matrix);
}

} // namespace qv
