#include "frontend/BorderDetection.h"

#include "frontend/LumaFrameReader.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qv
{

namespace
{

// A line may hold this share of non-black pixels (1 in 20) and still be a bar.
const int kNoiseDivisor = 20;
const int kMinNoiseAllowance = 2;
// Without a known duration, every this many pictures from the start is a sample.
const int kSequentialStride = 25;

int RoundUpToEven(int nValue)
{
    return nValue + (nValue & 1);
}

int RoundDownToEven(int nValue)
{
    return nValue - (nValue & 1);
}

} // namespace

CQVBorderFinder::CQVBorderFinder(int nWidth, int nHeight)
    : m_nWidth(std::max(nWidth, 0)), m_nHeight(std::max(nHeight, 0))
{
}

int CQVBorderFinder::NoiseAllowance(int nLength)
{
    return std::max(kMinNoiseAllowance, nLength / kNoiseDivisor);
}

bool CQVBorderFinder::AddSample(const uint8_t* pLuma, int nStride)
{
    if (!pLuma || m_nWidth <= 0 || m_nHeight <= 0 || nStride < m_nWidth)
        return false;
    const auto Row = [&](int y) { return pLuma + static_cast<ptrdiff_t>(y) * nStride; };

    // Rows first over the whole width; then columns over the picture's rows only, so that
    // the specks of a letterbox bar do not count against its columns.
    const int nRowAllowance = NoiseAllowance(m_nWidth);
    int nTop = -1, nBottom = -1;
    for (int y = 0; y < m_nHeight; ++y)
    {
        const uint8_t* pRow = Row(y);
        int nBright = 0;
        for (int x = 0; x < m_nWidth; ++x)
            nBright += pRow[x] > kBlackLuma;
        if (nBright > nRowAllowance)
        {
            if (nTop < 0)
                nTop = y;
            nBottom = y + 1;
        }
    }
    if (nTop < 0)
        return false;

    std::vector<int> columns(static_cast<size_t>(m_nWidth), 0);
    for (int y = nTop; y < nBottom; ++y)
    {
        const uint8_t* pRow = Row(y);
        for (int x = 0; x < m_nWidth; ++x)
            columns[static_cast<size_t>(x)] += pRow[x] > kBlackLuma;
    }
    const int nColumnAllowance = NoiseAllowance(nBottom - nTop);
    int nLeft = -1, nRight = -1;
    for (int x = 0; x < m_nWidth; ++x)
        if (columns[static_cast<size_t>(x)] > nColumnAllowance)
        {
            if (nLeft < 0)
                nLeft = x;
            nRight = x + 1;
        }
    if (nLeft < 0)
        return false;

    if (m_nUsable == 0)
    {
        m_nLeft = nLeft, m_nTop = nTop, m_nRight = nRight, m_nBottom = nBottom;
    }
    else
    {
        m_nLeft = std::min(m_nLeft, nLeft);
        m_nTop = std::min(m_nTop, nTop);
        m_nRight = std::max(m_nRight, nRight);
        m_nBottom = std::max(m_nBottom, nBottom);
    }
    ++m_nUsable;
    return true;
}

bool CQVBorderFinder::GetPictureRect(tagQVCropValues* pRect) const
{
    if (m_nUsable == 0 || !pRect)
        return false;
    int nLeft = m_nLeft > 0 ? RoundUpToEven(m_nLeft) : 0;
    int nTop = m_nTop > 0 ? RoundUpToEven(m_nTop) : 0;
    int nRight = m_nRight < m_nWidth ? RoundDownToEven(m_nRight) : m_nWidth;
    int nBottom = m_nBottom < m_nHeight ? RoundDownToEven(m_nBottom) : m_nHeight;
    // A picture a pixel or so across has nothing to round.
    if (nRight <= nLeft)
        nLeft = m_nLeft, nRight = m_nRight;
    if (nBottom <= nTop)
        nTop = m_nTop, nBottom = m_nBottom;
    *pRect = tagQVCropValues{nLeft, nTop, nRight - nLeft, nBottom - nTop};
    return true;
}

namespace
{

// The rectangle of a w x h picture in a W x H one, edges rounded inward.
tagQVCropValues ScaleInward(const tagQVCropValues& r, int w, int h, int W, int H)
{
    const double sx = static_cast<double>(W) / w, sy = static_cast<double>(H) / h;
    const int nLeft = static_cast<int>(std::ceil(r.x * sx));
    const int nTop = static_cast<int>(std::ceil(r.y * sy));
    const int nRight = std::max(nLeft, static_cast<int>(std::floor((r.x + r.w) * sx)));
    const int nBottom = std::max(nTop, static_cast<int>(std::floor((r.y + r.h) * sy)));
    return tagQVCropValues{nLeft, nTop, nRight - nLeft, nBottom - nTop};
}

} // namespace

EQVBorderResult DetectPictureRect(const std::string& sourcePath, int nWidth, int nHeight,
                                  const std::atomic<bool>* pCancel, tagQVCropValues* pRect,
                                  int* pnSamples)
{
    const auto Cancelled = [pCancel] { return pCancel && pCancel->load(); };
    if (pnSamples)
        *pnSamples = 0;
    CQVLumaFrameReader reader;
    if (!reader.Open(sourcePath))
        return EQVBorderResult::CannotOpen;
    CQVBorderFinder finder(reader.Width(), reader.Height());
    const double dDuration = reader.Duration();
    int64_t nTimestamp = 0;
    if (dDuration > 0)
    {
        // Evenly spread from the start; a picture that two neighbouring times both land on
        // counts once.
        bool bHaveLast = false;
        int64_t nLast = 0;
        for (int i = 0; i < kBorderSampleCount; ++i)
        {
            if (Cancelled())
                return EQVBorderResult::Cancelled;
            const double t = dDuration * i / kBorderSampleCount;
            if (!reader.ReadLumaAt(t, pCancel, &nTimestamp))
                continue;
            if (bHaveLast && nTimestamp == nLast && nTimestamp != AV_NOPTS_VALUE)
                continue;
            bHaveLast = true;
            nLast = nTimestamp;
            finder.AddSample(reader.Luma(), reader.LumaStride());
        }
    }
    else
    {
        int nSamples = 0;
        for (int n = 0; nSamples < kBorderSampleCount && reader.ReadNextLuma(pCancel, &nTimestamp);
             ++n)
            if (n % kSequentialStride == 0)
            {
                finder.AddSample(reader.Luma(), reader.LumaStride());
                ++nSamples;
            }
    }
    if (Cancelled())
        return EQVBorderResult::Cancelled;
    if (pnSamples)
        *pnSamples = finder.UsableSamples();
    tagQVCropValues rect;
    if (!finder.GetPictureRect(&rect))
        return EQVBorderResult::NoUsableSample;
    if (nWidth > 0 && nHeight > 0 && (nWidth != reader.Width() || nHeight != reader.Height()))
        rect = ScaleInward(rect, reader.Width(), reader.Height(), nWidth, nHeight);
    if (pRect)
        *pRect = rect;
    return EQVBorderResult::Found;
}

} // namespace qv
