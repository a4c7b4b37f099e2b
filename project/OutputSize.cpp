#include "project/OutputSize.h"

int32_t CutToMultipleOfFour(int32_t nSide)
{
    return nSide < 4 ? 4 : nSide - nSide % 4;
}
