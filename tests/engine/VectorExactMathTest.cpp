// The vector functions must give the C library's double results rounded to float, lane for lane:
// millions of inputs over the engine's ranges, and inputs made to land right next to the midpoint
// between two floats, where the vector result may not be trusted and the lane must fall back. The
// linked level's inputs cannot be made to land there (they are floats, a few steps from the
// result), so its bound is measured instead. Each gate is shown to apply its whole bound: inputs
// whose exact results lie between half the bound and the bound from a float midpoint fall back.

#include "ExactMath.h"
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

/** The exact value's distance from the nearest float midpoint, relative to the value. */
long double midpointDistance (long double exact)
{
    const float nearest = (float) exact;
    const long double up = ((long double) nearest + (long double) std::nextafter (nearest, std::numeric_limits<float>::infinity())) / 2;
    const long double down = ((long double) nearest + (long double) std::nextafter (nearest, -std::numeric_limits<float>::infinity())) / 2;
    return std::fmin (std::fabs (exact - up), std::fabs (exact - down)) / std::fabs (exact);
}

/** Inputs made from float midpoints by inverse (long double), each one's exact result (by
    function) three quarters of its bound (by bound) from the midpoint, kept where the rounding of
    the input leaves that between 0.55 and 0.95 of the bound. */
template <typename Inverse, typename Function, typename Bound>
std::vector<double> windowInputs (unsigned seed, double lowest, double highest, Inverse&& inverse, Function&& function, Bound&& bound)
{
    NoiseSource random (seed);
    std::vector<double> inputs;
    while (inputs.size() < 400)
    {
        const float f = (float) (lowest + (highest - lowest) * (0.5 + 0.5 * random.next()));
        const long double midpoint = midpointAbove (f);
        const double b = bound (midpoint);
        const double x = (double) inverse (midpoint * (1.0L + (random.next() < 0.0f ? -0.75L : 0.75L) * b));
        const long double distance = midpointDistance (function ((long double) x));
        if (distance > 0.55L * b && distance < 0.95L * b)
            inputs.push_back (x);
    }
    return inputs;
}

/** Runs the inputs on each path, at least two in three of them falling back (an estimate can lie
    on either side of the exact result; with half the bound hardly any would fall back). */
template <typename Run>
::testing::AssertionResult fallBack (int count, Run&& run)
{
    for (const int lanes : vectorPaths())
    {
        const PathChoice choice (lanes);
        const long before = vectorexactmath::fallbackCount();
        run();
        const long fell = vectorexactmath::fallbackCount() - before;
        if (fell < (long) count * 2 / 3)
            return ::testing::AssertionFailure() << lanes << "-lane path: " << fell << " of " << count << " fell back";
    }
    return ::testing::AssertionSuccess();
}
} // namespace

TEST (VectorExactMath, GatesApplyTheirWholeBounds)
{
    // The bounds the gates need (see vectorexactmath::gate), written out here so that a smaller
    // one in the code cannot move the inputs with it. The floats were found by tools/gatecases:
    // every float up to 1 for log10, random envelope pairs for the linked level.
    constexpr double atanBound = 1.6e-15, powerPerArgument = 6.5e-16, powerBase = 9.0e-16;
    const std::vector<float> logInputs { 0x1.bfbc36p-1f, 0x1.d2b98p-7f, 0x1.c6cdf6p-21f, 0x1.87c146p-37f, 0x1.69cef2p-40f, 0x1.163a1cp-51f, 0x1.fa8948p-58f, 0x1.953aap-61f, 0x1.6af48ep-88f, 0x1.df406ep-93f, 0x1.602686p-102f };
    std::vector<float> out (logInputs.size());
    EXPECT_TRUE (fallBack ((int) logInputs.size(), [&]
                           { vectorexactmath::log10ToFloat (logInputs.data(), out.data(), (int) logInputs.size()); }));
    EXPECT_TRUE (matches (logInputs, vectorexactmath::log10ToFloat, [] (float v)
                          { return (float) std::log10 ((double) v); }));

    const auto atanInputs = windowInputs (
        25u, 0.001, 1.5, [] (long double a)
        { return std::tan (a); },
        [] (long double x)
        { return std::atan (x); },
        [] (long double)
        { return atanBound; });
    out.resize (atanInputs.size());
    EXPECT_TRUE (fallBack ((int) atanInputs.size(), [&]
                           { vectorexactmath::atanToFloat (atanInputs.data(), out.data(), (int) atanInputs.size()); }));
    EXPECT_TRUE (matches (atanInputs, vectorexactmath::atanToFloat, [] (double v)
                          { return (float) std::atan (v); }));

    const auto powerInputs = windowInputs (
        26u, 1.0e-3, 1.0, [] (long double p)
        { return std::log10 (p); },
        [] (long double y)
        { return std::pow (10.0L, y); },
        [] (long double p)
        { return std::fabs ((double) std::log (p)) * powerPerArgument + powerBase; });
    out.resize (powerInputs.size());
    EXPECT_TRUE (fallBack ((int) powerInputs.size(), [&]
                           { vectorexactmath::pow10ToFloat (powerInputs.data(), out.data(), (int) powerInputs.size()); }));
    EXPECT_TRUE (matches (powerInputs, vectorexactmath::pow10ToFloat, [] (double v)
                          { return (float) std::pow (10.0, v); }));

    const std::vector<std::pair<float, float>> pairs { { 0x1.be88dcp-2f, 0x1.f6ed66p-9f }, { 0x1.16f71ap-7f, 0x1.cb14aep-2f }, { 0x1.eb6f5ep-13f, 0x1.c8210ep-5f }, { 0x1.67a50ep-4f, 0x1.a89dep-8f }, { 0x1.7a8ec8p-11f, 0x1.8369c8p-12f }, { 0x1.ecb566p-8f, 0x1.4bdf58p-4f }, { 0x1.f56482p-12f, 0x1.261524p-12f }, { 0x1.5f1b8cp-11f, 0x1.aacc56p-3f }, { 0x1.042e42p-7f, 0x1.df42cep-5f }, { 0x1.0af036p-5f, 0x1.aadcaap-13f }, { 0x1.7a61fap-14f, 0x1.034268p-8f }, { 0x1.34b948p-14f, 0x1.a594fap-13f }, { 0x1.4c0f24p-3f, 0x1.3304e2p-12f }, { 0x1.67f37p-8f, 0x1.c2441p-5f }, { 0x1.430dfp-10f, 0x1.d8a3fep-8f }, { 0x1.7aa78ap-12f, 0x1.cac856p-6f }, { 0x1.d3b78p-11f, 0x1.e639cp-6f }, { 0x1.8f8c9p-11f, 0x1.4daea6p-12f }, { 0x1.e559ap-11f, 0x1.5cbaecp-5f }, { 0x1.9b32ep-2f, 0x1.3b54b8p-9f }, { 0x1.ae48aep-7f, 0x1.f8f4c8p-16f }, { 0x1.f33628p-12f, 0x1.7ea61cp-10f }, { 0x1.9f5262p-12f, 0x1.bb9fcep-6f }, { 0x1.9c9ea4p-7f, 0x1.785e7cp-16f } };
    std::vector<float> left, right;
    for (const auto& p : pairs)
        left.push_back (p.first), right.push_back (p.second);
    out.resize (pairs.size());
    std::vector<double> estimates (pairs.size()), bounds (pairs.size());
    EXPECT_TRUE (fallBack ((int) pairs.size(), [&]
                           { vectorexactmath::linkedLevels (left.data(), right.data(), out.data(), estimates.data(), bounds.data(), (int) pairs.size()); }));
    const auto power = [] (float envelope)
    { return std::pow (10.0, (double) (20.0f * (float) std::log10 ((double) envelope)) / 20.0); };
    for (size_t i = 0; i < pairs.size(); ++i)
        EXPECT_EQ (bitsOf (out[i]), bitsOf ((float) ((power (left[i]) + power (right[i])) * 0.5))) << std::hexfloat << left[i] << " " << right[i];
}

/** The scalar gates (ExactMath.h) on their own bounds, with the same kind of inputs. */
TEST (VectorExactMath, ScalarGatesApplyTheirWholeBounds)
{
    constexpr double powerPerArgument = 2.9e-16, powerBase = 9.0e-16, sumBound = 3.0e-16;
    const auto fallBackOnScalars = [] (int count, auto&& run) -> ::testing::AssertionResult
    {
        const long before = exactmath::fallbackCount();
        run();
        const long fell = exactmath::fallbackCount() - before;
        if (fell < (long) count * 2 / 3)
            return ::testing::AssertionFailure() << fell << " of " << count << " fell back";
        return ::testing::AssertionSuccess();
    };

    // log10 takes the same floats as the vector gate, whose bound is the same.
    const std::vector<float> logInputs { 0x1.bfbc36p-1f, 0x1.d2b98p-7f, 0x1.c6cdf6p-21f, 0x1.87c146p-37f, 0x1.69cef2p-40f, 0x1.163a1cp-51f, 0x1.fa8948p-58f, 0x1.953aap-61f, 0x1.6af48ep-88f, 0x1.df406ep-93f, 0x1.602686p-102f };
    EXPECT_TRUE (fallBackOnScalars ((int) logInputs.size(), [&]
                                    {
        for (const float x : logInputs)
            EXPECT_EQ (bitsOf (exactmath::log10ToFloat (x)), bitsOf ((float) std::log10 ((double) x))) << std::hexfloat << x; }));

    const auto powerBound = [=] (long double power)
    { return std::fabs ((double) std::log (power)) * powerPerArgument + powerBase; };
    const auto powerInputs = windowInputs (
        27u, 1.0e-3, 1.0, [] (long double p)
        { return std::log10 (p); },
        [] (long double y)
        { return std::pow (10.0L, y); },
        powerBound);
    EXPECT_TRUE (fallBackOnScalars ((int) powerInputs.size(), [&]
                                    {
        for (const double y : powerInputs)
            EXPECT_EQ (bitsOf (exactmath::pow10ToFloat (y)), bitsOf ((float) std::pow (10.0, y))) << std::hexfloat << y; }));

    // Means of two powers next to a float midpoint: the first power at random below the
    // midpoint, the second making up the rest.
    NoiseSource random (28u);
    std::vector<std::pair<double, double>> pairs;
    while (pairs.size() < 200)
    {
        const float f = (float) (1.0e-3 + 0.999 * (0.5 + 0.5 * random.next()));
        const long double midpoint = midpointAbove (f);
        const double y1 = (double) (std::log10 (midpoint) - 1.0L + 0.9L * (0.5L + 0.5L * random.next()));
        const long double rest = 2 * midpoint - std::pow (10.0L, (long double) y1);
        const double bound = std::max (powerBound (std::pow (10.0L, (long double) y1)), powerBound (rest)) + sumBound;
        const long double target = midpoint * (1.0L + (random.next() < 0.0f ? -0.75L : 0.75L) * bound);
        const double y2 = (double) std::log10 (2 * target - std::pow (10.0L, (long double) y1));
        const long double distance = midpointDistance ((std::pow (10.0L, (long double) y1) + std::pow (10.0L, (long double) y2)) / 2);
        if (distance > 0.55L * bound && distance < 0.95L * bound)
            pairs.emplace_back (y1, y2);
    }
    EXPECT_TRUE (fallBackOnScalars ((int) pairs.size(), [&]
                                    {
        for (const auto& [y1, y2] : pairs)
            EXPECT_EQ (bitsOf (exactmath::meanOfPow10ToFloat (y1, y2)), bitsOf ((float) ((std::pow (10.0, y1) + std::pow (10.0, y2)) * 0.5)))
                << std::hexfloat << y1 << " " << y2; }));
}

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
