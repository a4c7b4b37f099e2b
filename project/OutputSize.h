#pragma once

#include <cstdint>

// The front-end's rule for the size of every output picture: a rectangle's side cut down
// to a multiple of 4, never below 4. Every caller that derives an output size from a crop
// or a source size uses this one function.
int32_t CutToMultipleOfFour(int32_t nSide);
