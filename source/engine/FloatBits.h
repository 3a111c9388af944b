#pragma once

#include <cstdint>
#include <cstring>

/** A float's bit pattern, for caches keyed by exact values (NaN equals itself, -0 differs from +0). */
inline std::uint32_t bitsOf (float value) noexcept
{
    std::uint32_t bits;
    std::memcpy (&bits, &value, sizeof bits);
    return bits;
}

/** False for NaN and infinity: a test of the exponent bits, cheap on the audio path. */
inline bool isFiniteFloat (float value) noexcept
{
    return (bitsOf (value) & 0x7f800000u) != 0x7f800000u;
}
