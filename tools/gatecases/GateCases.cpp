// Finds the inputs that the vector maths' tests use to show each exactness gate needs its whole
// bound: floats whose exact result lies between 0.55 and 0.95 of the gate's bound from the
// midpoint between two floats. There the gate must send the lane to the C library; with half
// the bound it would keep the vector result. The arctangent's and the power's inputs are doubles,
// so the tests make those themselves; the logarithm's and the linked level's are floats, and are
// found here by search. Prints them as C++ initialisers.
//
// With --check-log it instead runs the engine's own logarithm over every positive normal float on
// each vector path the machine has, and prints its largest relative error against the exact
// log10 (the first part of the log10 gate's bound).
//
//     velk-gate-cases [count]     (count of each kind, 24 by default; about three minutes)
//     velk-gate-cases --check-log (about a minute per path)

#include "VectorExactMath.h"
#include "VectorPaths.h"

#include <vector>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace
{
/** The exact value's distance from the nearest float midpoint, relative to the value. */
long double midpointDistance (long double exact)
{
    const float nearest = (float) exact;
    const long double up = ((long double) nearest + (long double) std::nextafter (nearest, std::numeric_limits<float>::infinity())) / 2;
    const long double down = ((long double) nearest + (long double) std::nextafter (nearest, -std::numeric_limits<float>::infinity())) / 2;
    return std::fmin (std::fabs (exact - up), std::fabs (exact - down)) / std::fabs (exact);
}

bool inWindow (long double distance, double bound)
{
    return distance > 0.55L * bound && distance < 0.95L * bound;
}

float floatOfBits (std::uint32_t bits)
{
    float f;
    std::memcpy (&f, &bits, sizeof f);
    return f;
}

/** The decibels of an envelope as the engine has them. */
float decibels (float envelope)
{
    return envelope == 0.0f ? -110.0f : 20.0f * (float) std::log10 ((double) envelope);
}

/** A small generator for the search, the same on every machine. */
std::uint32_t nextRandom (std::uint64_t& state)
{
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (std::uint32_t) (state >> 33);
}
} // namespace

/** The largest relative error of the log10 estimates over every positive normal float. */
void checkLogarithm()
{
    constexpr std::uint32_t first = 0x00800000u, end = 0x7f800000u, piece = 1u << 16;
    for (const int lanes : { 8, 4, 2 })
    {
        if (vectorexactmath::availableLanes() < lanes)
        {
            std::printf ("%d lanes: not on this machine\n", lanes);
            continue;
        }
        vectorexactmath::limitLanes (lanes);
        std::vector<float> x (piece);
        std::vector<double> estimates (piece);
        double worst = 0.0;
        float worstInput = 0.0f;
        for (std::uint32_t start = first; start < end; start += piece)
        {
            for (std::uint32_t i = 0; i < piece; ++i)
                x[i] = floatOfBits (start + i);
            vectorexactmath::log10Estimates (x.data(), estimates.data(), (int) piece);
            for (std::uint32_t i = 0; i < piece; ++i)
            {
                const long double exact = std::log10 ((long double) x[i]);
                if (exact == 0.0L)
                {
                    if (estimates[i] != 0.0)
                        worst = std::numeric_limits<double>::infinity();
                    continue;
                }
                const double error = (double) (std::fabs ((long double) estimates[i] - exact) / std::fabs (exact));
                if (error > worst)
                    worst = error, worstInput = x[i];
            }
        }
        std::printf ("%d lanes: every positive normal float, largest relative error of log10 %.3g (at %a)\n", lanes, worst, (double) worstInput);
        std::fflush (stdout);
    }
}

int main (int argc, char** argv)
{
    if (argc > 1 && std::strcmp (argv[1], "--check-log") == 0)
    {
        checkLogarithm();
        return 0;
    }
    const int wanted = argc > 1 ? std::atoi (argv[1]) : 24;
    using namespace vectorexactmath;

    // log10 of envelopes: every float from 1 down, until enough are found.
    std::printf ("// log10: x, with log10 (x) between 0.55 and 0.95 of %.2g from a float midpoint\n", gate::log10Bound);
    int found = 0;
    for (std::uint32_t bits = 0x3f800000u; bits >= 0x00800000u && found < wanted; --bits)
    {
        const float x = floatOfBits (bits);
        if (inWindow (midpointDistance (std::log10 ((long double) x)), gate::log10Bound))
        {
            std::printf ("%a,%s", (double) x, ++found % 4 == 0 ? "\n" : " ");
            std::fflush (stdout);
        }
    }

    // The linked level of envelope pairs over the engine's range, each side's power as the
    // formula takes it: 10^(dB / 20) for dB in float.
    std::printf ("\n// linked level: envelope pairs, with the mean of the powers inside the window of its bound\n");
    std::uint64_t state = 1;
    found = 0;
    while (found < wanted)
    {
        const float left = std::ldexp ((float) (nextRandom (state) | 0x800000u) / 0x1p32f, -(int) (nextRandom (state) % 12));
        const float right = std::ldexp ((float) (nextRandom (state) | 0x800000u) / 0x1p32f, -(int) (nextRandom (state) % 12));
        const float leftDb = decibels (left), rightDb = decibels (right);
        const long double exact = (std::pow (10.0L, (long double) leftDb / 20) + std::pow (10.0L, (long double) rightDb / 20)) / 2;
        const double bound = std::fmax (std::fabs (leftDb * 0.05) * gate::levelPerExponent, std::fabs (rightDb * 0.05) * gate::levelPerExponent)
            + gate::levelBase + gate::levelSum;
        if (inWindow (midpointDistance (exact), bound))
        {
            std::printf ("{ %a, %a },%s", (double) left, (double) right, ++found % 2 == 0 ? "\n" : " ");
            std::fflush (stdout);
        }
    }
    return 0;
}
