#pragma once

#include <cmath>
#include <limits>

/** Replaces a subnormal value by zero; normal values, zeros and non-finite values stay. */
inline void snapSubnormalToZero (float& value) noexcept
{
    if (std::fabs (value) < std::numeric_limits<float>::min())
        value = 0.0f;
}
