#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

/** Deterministic white noise in -1..1 (xorshift), so that failures reproduce. */
class NoiseSource
{
public:
    explicit NoiseSource (std::uint32_t seed = 0x12345678u) : state (seed ? seed : 1u) {}

    float next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (float) ((double) state / 2147483648.0 - 1.0);
    }

    std::uint32_t nextInt (std::uint32_t bound)
    {
        next();
        return state % bound;
    }

private:
    std::uint32_t state;
};

/** Steady-state gain of a per-sample processor for a sine: peak of the second half over the
    input amplitude. */
template <typename Process>
double sineGain (double frequency, double sampleRate, Process&& process, int length = 88200)
{
    double peak = 0.0;
    for (int i = 0; i < length; ++i)
    {
        const float x = (float) (0.1 * std::sin (2.0 * M_PI * frequency * i / sampleRate));
        const float y = process (x);
        if (i > length / 2)
            peak = std::max (peak, (double) std::fabs (y));
    }
    return peak / 0.1;
}

inline double toDb (double gain) { return 20.0 * std::log10 (gain); }
