// The vector functions must give the C library's double results rounded to float, lane for lane:
// millions of inputs over the engine's ranges, and inputs made to land right next to the midpoint
// between two floats, where the vector result may not be trusted and the lane must fall back. The
// linked level's inputs cannot be made to land there (they are floats, a few steps from the
// result), so its bound is measured instead.

#include "FloatBits.h"
#include "TestSignals.h"
#include "VectorPathChoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <vector>

namespace
{
/** The double halfway between a float and the next one up. */
double midpointAbove (float f)
{
    return ((double) f + (double) std::nextafter (f, std::numeric_limits<float>::infinity())) * 0.5;
}

/** Runs count inputs through a vector function in one call, odd counts included, on each path. */
template <typename Input, typename Function, typename Reference>
::testing::AssertionResult matches (const std::vector<Input>& inputs, Function&& function, Reference&& reference)
{
    for (const int lanes : vectorPaths())
    {
        std::vector<float> out (inputs.size());
        {
            const PathChoice choice (lanes);
            function (inputs.data(), out.data(), (int) inputs.size());
        }
        for (size_t i = 0; i < inputs.size(); ++i)
            if (bitsOf (out[i]) != bitsOf (reference (inputs[i])))
                return ::testing::AssertionFailure() << std::hexfloat << lanes << "-lane path, input " << (double) inputs[i]
                                                     << ": " << out[i] << " vs " << reference (inputs[i]);
    }
    return ::testing::AssertionSuccess();
}
} // namespace

TEST (VectorExactMath, Log10)
{
    NoiseSource random (21u);
    std::vector<float> x;
    for (int i = 0; i < 2000001; ++i)
        x.push_back (i % 2 == 0 ? std::fabs (random.next()) : (float) std::pow (10.0, -38.0 + 76.0 * (0.5 + 0.5 * random.next())));
    // Edges: zero, subnormal, the extremes, exact powers of ten, and every float near 1.
    for (float e : { 0.0f, 1e-40f, std::numeric_limits<float>::min(), std::numeric_limits<float>::max(), 10.0f, 0.1f, 1.0f })
        x.push_back (e);
    for (float f = 1.0f - 0x1p-14f; f <= 1.0f + 0x1p-14f; f = std::nextafter (f, 2.0f))
        x.push_back (f);
    EXPECT_TRUE (matches (x, vectorexactmath::log10ToFloat, [] (float v)
                          { return (float) std::log10 ((double) v); }));
}

TEST (VectorExactMath, PowersOfTenAndTheLinkedLevel)
{
    NoiseSource random (22u);
    std::vector<double> y;
    for (int i = 0; i < 1500001; ++i)
        y.push_back ((double) (float) (-40.0 * std::fabs (random.next()) + (i % 5 == 0 ? 30.0 : 0.0)) * 0.05);
    for (double e : { 0.0, -0.0, -5.5, -38.0, -45.0, 38.0, 39.0, -400.0 })
        y.push_back (e);
    // Powers within an ulp or so of a float midpoint: the vector result cannot decide them.
    NoiseSource floats (23u);
    for (int i = 0; i < 20000; ++i)
        y.push_back (std::log10 (midpointAbove ((float) std::pow (10.0, -3.0 * std::fabs (floats.next())))));
    EXPECT_TRUE (matches (y, vectorexactmath::pow10ToFloat, [] (double v)
                          { return (float) std::pow (10.0, v); }));

    // The linked level takes each side's power from its logarithm: every float equals the
    // formula's, and every value before the rounding lies within half its bound of the exact
    // mean (computed in long double), so the bound holds with room to spare. Envelopes over the
    // whole normal range, equal pairs, silent sides.
    std::vector<float> left, right;
    for (int i = 0; i < 1000000; ++i)
    {
        left.push_back (i % 4 == 0 ? (float) std::pow (10.0, -37.0 * std::fabs (random.next())) : std::fabs (random.next()));
        right.push_back (i % 3 == 0 ? left.back() : i % 7 == 0 ? 0.0f
                                                               : std::fabs (random.next()) * 0.1f);
    }
    // Edges: silence on either side or both (and -0), the smallest normal float, a subnormal, 1.
    for (const float edge : { 0.0f, -0.0f, std::numeric_limits<float>::min(), 1e-40f, 1.0f })
        for (const float other : { 0.0f, 0.5f, 1.0f })
        {
            left.push_back (edge);
            right.push_back (other);
        }
    const auto decibels = [] (float envelope)
    { return envelope == 0.0f ? -110.0f : 20.0f * (float) std::log10 ((double) envelope); };
    for (const int lanes : vectorPaths())
    {
        std::vector<float> out (left.size());
        std::vector<double> estimates (left.size()), bounds (left.size());
        {
            const PathChoice choice (lanes);
            vectorexactmath::linkedLevels (left.data(), right.data(), out.data(), estimates.data(), bounds.data(), (int) left.size());
        }
        double worst = 0.0;
        long vectorLanes = 0;
        for (size_t i = 0; i < left.size(); ++i)
        {
            const double yLeft = (double) decibels (left[i]) / 20.0, yRight = (double) decibels (right[i]) / 20.0;
            ASSERT_EQ (bitsOf (out[i]), bitsOf ((float) ((std::pow (10.0, yLeft) + std::pow (10.0, yRight)) * 0.5)))
                << lanes << " lanes: " << std::hexfloat << left[i] << " " << right[i];
            const long double exact = (std::pow (10.0L, (long double) yLeft) + std::pow (10.0L, (long double) yRight)) / 2;
            if (bounds[i] > 0.0)
            {
                ++vectorLanes;
                worst = std::max (worst, (double) (std::fabs ((long double) estimates[i] - exact) / exact) / bounds[i]);
            }
        }
        EXPECT_GT (vectorLanes, (long) left.size() * 999 / 1000) << lanes << " lanes: most lanes take the vector path";
        EXPECT_LT (worst, 0.5) << lanes << " lanes: the largest error, as a share of its bound";
    }
}

TEST (VectorExactMath, Arctangent)
{
    NoiseSource random (24u);
    std::vector<double> x;
    for (int i = 0; i < 2000001; ++i)
        x.push_back (i % 3 == 0 ? (double) random.next() : std::pow (10.0, -8.0 + 14.0 * (0.5 + 0.5 * random.next())) * (random.next() < 0 ? -1.0 : 1.0));
    for (double e : { 0.0, -0.0, 1e-300, 1e300, -1e300, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN() })
        x.push_back (e);
    // Arctangents next to a float midpoint: there the lanes must fall back.
    std::vector<double> midpoints;
    for (int i = 0; i < 20000; ++i)
        midpoints.push_back (std::tan (midpointAbove ((float) (1.5 * std::fabs (random.next())))));
    x.insert (x.end(), midpoints.begin(), midpoints.end());
    for (const int lanes : vectorPaths())
    {
        const PathChoice choice (lanes);
        std::vector<float> out (midpoints.size());
        const long before = vectorexactmath::fallbackCount();
        vectorexactmath::atanToFloat (midpoints.data(), out.data(), (int) midpoints.size());
        EXPECT_GT (vectorexactmath::fallbackCount() - before, 1000) << lanes << " lanes";
    }

    EXPECT_TRUE (matches (x, vectorexactmath::atanToFloat, [] (double v)
                          { return (float) std::atan (v); }));
}
