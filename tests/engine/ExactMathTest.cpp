// The fast single-precision results must equal the C library's double functions rounded to
// float for every input; millions of inputs over each function's whole working range, with
// the edge values, check it.

#include "ExactMath.h"
#include "FloatBits.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
/** Log-uniform magnitude from 10^lowExp to 10^highExp with a random sign. */
double spread (NoiseSource& random, double lowExp, double highExp, bool signedValues = true)
{
    const double magnitude = std::pow (10.0, lowExp + (highExp - lowExp) * (0.5 + 0.5 * random.next()));
    return signedValues && random.next() < 0 ? -magnitude : magnitude;
}
} // namespace

TEST (ExactMath, Log10EqualsTheLibraryRoundedToFloat)
{
    NoiseSource random (12u);
    for (int i = 0; i < 4000000; ++i)
    {
        const float x = i % 2 == 0 ? std::fabs (random.next()) : (float) spread (random, -38.0, 38.0, false);
        ASSERT_EQ (bitsOf (exactmath::log10ToFloat (x)), bitsOf ((float) std::log10 ((double) x))) << std::hexfloat << x;
    }

    // Around 1, where the logarithm cancels, every float within 2^-12.
    for (float x = 1.0f - 0x1p-12f; x <= 1.0f + 0x1p-12f; x = std::nextafter (x, 2.0f))
        ASSERT_EQ (bitsOf (exactmath::log10ToFloat (x)), bitsOf ((float) std::log10 ((double) x))) << std::hexfloat << x;

    for (float x : { 0.0f, 1e-40f, std::numeric_limits<float>::min(), std::numeric_limits<float>::max(), 10.0f, 0.1f,
                     std::numeric_limits<float>::infinity() })
        EXPECT_EQ (bitsOf (exactmath::log10ToFloat (x)), bitsOf ((float) std::log10 ((double) x))) << x;
}

TEST (ExactMath, PowersOfTenEqualTheLibraryRoundedToFloat)
{
    NoiseSource random (13u);
    for (int i = 0; i < 3000000; ++i)
    {
        // The engine's arguments: a level in dB over 20, from float dB values.
        const double y1 = (double) (float) (i % 3 == 0 ? -40.0 * std::fabs (random.next()) : spread (random, -3.0, 1.6)) / 20.0;
        const double y2 = (double) (float) (-800.0 * std::fabs (random.next())) / 20.0;
        ASSERT_EQ (bitsOf (exactmath::pow10ToFloat (y1)), bitsOf ((float) std::pow (10.0, y1))) << std::hexfloat << y1;
        ASSERT_EQ (bitsOf (exactmath::meanOfPow10ToFloat (y1, y2)),
                   bitsOf ((float) ((std::pow (10.0, y1) + std::pow (10.0, y2)) * 0.5)))
            << std::hexfloat << y1 << " " << y2;
        ASSERT_EQ (bitsOf (exactmath::meanOfPow10ToFloat (y1, y1)),
                   bitsOf ((float) ((std::pow (10.0, y1) + std::pow (10.0, y1)) * 0.5)))
            << std::hexfloat << y1;
    }

    for (double y : { 0.0, -0.0, -5.5, -38.0, -45.0, 38.0, 39.0, -400.0 })
    {
        EXPECT_EQ (bitsOf (exactmath::pow10ToFloat (y)), bitsOf ((float) std::pow (10.0, y))) << y;
        EXPECT_EQ (bitsOf (exactmath::meanOfPow10ToFloat (y, -5.5)),
                   bitsOf ((float) ((std::pow (10.0, y) + std::pow (10.0, -5.5)) * 0.5)))
            << y;
    }
}
