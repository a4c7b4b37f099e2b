#include "project/tagQVMediaData.h"

#include <algorithm>

namespace qv
{

void ComputeKeyBounds(tagQVVideoKeyData* pKey)
{
    const int64_t tolerance = pKey->VideoKeyErrorDel;
    auto low = [&](int shift)
    {
        int64_t component = (static_cast<uint32_t>(pKey->VideoKeyColor) >> shift) & 0xFF;
        return static_cast<int32_t>(std::clamp<int64_t>(component - tolerance, 0, 255));
    };
    auto high = [&](int shift)
    {
        int64_t component = (static_cast<uint32_t>(pKey->VideoKeyColor) >> shift) & 0xFF;
        return static_cast<int32_t>(std::clamp<int64_t>(component + tolerance, 0, 255));
    };
    pKey->nRedLow = low(0);
    pKey->nRedHigh = high(0);
    pKey->nGreenLow = low(8);
    pKey->nGreenHigh = high(8);
    pKey->nBlueLow = low(16);
    pKey->nBlueHigh = high(16);
}

} // namespace qv
