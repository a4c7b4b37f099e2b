#include "project/OutputFrameRate.h"

#include <cmath>
#include <initializer_list>

namespace qv
{

namespace
{

constexpr double kUnitsPerSecond = 10000000.0;
constexpr double kFixedRate = 30.0;
constexpr double kHighestRate = 60.0;
// Beyond this share of the nominal rate, the average tells a variable-rate source.
constexpr double kVariableRateShare = 0.01;

struct tagListedRate
{
    int32_t nValue;
    double dRate;
};

const tagListedRate kListedRates[] = {
    {23976, 24000.0 / 1001.0}, {24000, 24.0}, {25000, 25.0},
    {29970, 30000.0 / 1001.0}, {30000, 30.0}, {50000, 50.0},
    {59940, 60000.0 / 1001.0}, {60000, 60.0},
};

double ListedRate(int32_t nValue)
{
    for (const tagListedRate& listed : kListedRates)
        if (listed.nValue == nValue)
            return listed.dRate;
    return 0.0;
}

double NearestListedRate(double dRate)
{
    double dBest = kListedRates[0].dRate;
    for (const tagListedRate& listed : kListedRates)
        if (std::fabs(listed.dRate - dRate) < std::fabs(dBest - dRate))
            dBest = listed.dRate;
    return dBest;
}

bool Positive(double dValue)
{
    return dValue > 0.0 && std::isfinite(dValue);
}

} // namespace

bool HasOwnFrameRate(int32_t nOutputFrameRate)
{
    return nOutputFrameRate == kFrameRateSameAsSource || ListedRate(nOutputFrameRate) > 0.0;
}

double OutputFrameRate(int32_t nOutputFrameRate, const tagQVSourceFrameRates& source)
{
    if (nOutputFrameRate != kFrameRateSameAsSource)
    {
        const double dListed = ListedRate(nOutputFrameRate);
        return dListed > 0.0 ? dListed : kFixedRate;
    }
    const bool bNominal = Positive(source.dNominal);
    const bool bAverage = Positive(source.dAverage);
    double dRate = bNominal ? source.dNominal : bAverage ? source.dAverage : kFixedRate;
    if (bNominal && bAverage &&
        std::fabs(source.dAverage - source.dNominal) > kVariableRateShare * source.dNominal)
        dRate = NearestListedRate(source.dAverage);
    while (dRate > kHighestRate)
        dRate /= 2.0;
    return dRate;
}

double OutputPictureTime(int64_t nPicture, double dFrameRate, bool bOwnRate)
{
    if (!bOwnRate)
        return static_cast<double>(nPicture + 1) / kFixedRate;
    if (!Positive(dFrameRate))
        return 0.0;
    return static_cast<double>(nPicture) / dFrameRate;
}

double SampleTime(const tagQVSampleTiming& timing, int64_t nIndex, int64_t nStartTime)
{
    // The preview plays against its sound clock, whose time the sample's start names; a
    // conversion names each picture by its number, so the times never drift.
    if (timing.eClock == EQVSampleClock::kPlayer)
        return nStartTime / kUnitsPerSecond + timing.dStartPosition;
    return OutputPictureTime(nIndex, timing.dFrameRate, timing.eClock == EQVSampleClock::kOwnRate);
}

double FrameRateFromTimePerFrame(int64_t nUnits)
{
    if (nUnits <= 0)
        return 0.0;
    const double dRate = kUnitsPerSecond / static_cast<double>(nUnits);
    const double dWhole = std::round(dRate);
    const double dNtsc = std::round(dRate * 1.001) / 1.001;
    for (double dCandidate : {dWhole, dNtsc})
        if (dCandidate > 0.0 && TimePerFrame(dCandidate) == nUnits)
            return dCandidate;
    return dRate;
}

int64_t TimePerFrame(double dFrameRate)
{
    if (!Positive(dFrameRate))
        return 0;
    return std::llround(kUnitsPerSecond / dFrameRate);
}

} // namespace qv
