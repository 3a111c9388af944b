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

/** The float of a bit pattern. */
inline float floatOf (std::uint32_t bits) noexcept
{
    float value;
    std::memcpy (&value, &bits, sizeof value);
    return value;
}

/** False for NaN and infinity: a test of the exponent bits, cheap on the audio path. */
inline bool isFiniteFloat (float value) noexcept
{
    return (bitsOf (value) & 0x7f800000u) != 0x7f800000u;
}

/** greater > than ? ifGreater : otherwise, as a select on the bits rather than a branch: where
    noise decides the comparison, a branch is mispredicted every other sample. (A plain ?: may be
    compiled either way; a comparison of vectors is always a mask.) */
inline double selectIfGreater (double greater, double than, double ifGreater, double otherwise) noexcept
{
    using Pair = double __attribute__ ((vector_size (16)));
    const Pair chosen = Pair { greater, 0.0 } > Pair { than, 0.0 } ? Pair { ifGreater, 0.0 } : Pair { otherwise, 0.0 };
    return chosen[0];
}
