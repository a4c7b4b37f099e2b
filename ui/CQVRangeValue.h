// A position inside a range, as the slider and the progress bar keep it: the position is
// always clamped to the range (either order of the ends), and ends that are not finite
// numbers are refused.
#pragma once

#include <algorithm>
#include <cmath>

namespace qv
{

class CQVRangeValue
{
public:
    double GetMin() const { return m_dMin; }
    double GetMax() const { return m_dMax; }
    double GetPos() const { return m_dPos; }

protected:
    double Clamp(double dPos) const
    {
        const double dLow = std::min(m_dMin, m_dMax), dHigh = std::max(m_dMin, m_dMax);
        if (!(dPos >= dLow)) // NaN included
            return dLow;
        return dPos > dHigh ? dHigh : dPos;
    }
    // False, with nothing changed, for ends that are not finite.
    bool StoreRange(double dMin, double dMax)
    {
        if (!std::isfinite(dMin) || !std::isfinite(dMax))
            return false;
        m_dMin = dMin;
        m_dMax = dMax;
        m_dPos = Clamp(m_dPos);
        return true;
    }
    void StorePos(double dPos) { m_dPos = Clamp(dPos); }

    double m_dMin = 0;
    double m_dMax = 100;
    double m_dPos = 0;
};

} // namespace qv
