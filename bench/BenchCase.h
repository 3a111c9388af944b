#pragma once

// What the benchmarks share: the settings of a case, the signals they process, and the clock
// and median of their comparisons.

#include "ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <random>
#include <vector>

namespace
{
constexpr float sampleRate = 48000.0f;

/** The nine parameter values, the plug-in's defaults unless changed. */
struct Settings
{
    Settings()
    {
        for (const auto& parameter : velk::parameterTable)
            values[parameter.index] = parameter.defaultValue;
    }

    Settings with (velk::ParameterIndex index, float value) const
    {
        auto changed = *this;
        changed.values[index] = value;
        return changed;
    }

    float values[velk::numParameters];
};

/** Two seconds of interleaved stereo noise: -12 dBFS RMS, with a 50 ms burst 9 dB louder every
    half second. */
inline const std::vector<float>& noiseWithBursts()
{
    static const std::vector<float> signal = []
    {
        std::vector<float> s (2 * 96000);
        std::uint32_t state = 12345u;
        const float amplitude = 0.25f * std::sqrt (3.0f);
        for (std::size_t i = 0; i < s.size(); ++i)
        {
            // clang-format off
            state ^= state << 13; state ^= state >> 17; state ^= state << 5;
            // clang-format on
            const float white = (float) ((double) state / 2147483648.0 - 1.0);
            const bool burst = (i / 2) % 24000 < 2400;
            s[i] = white * amplitude * (burst ? 2.8f : 1.0f);
        }
        return s;
    }();
    return signal;
}

/** Stereo noise at -12 dBFS peak, one second of it played round, a block at a time. */
class NoiseFeed
{
public:
    NoiseFeed()
    {
        std::minstd_rand random (1u);
        std::uniform_real_distribution<float> level (-0.251f, 0.251f);
        for (auto& sample : samples)
            sample = level (random);
    }

    void fill (float* left, float* right, int numFrames)
    {
        for (int i = 0; i < numFrames; ++i)
        {
            left[i] = samples[position];
            right[i] = samples[(position + 7919) % samples.size()];
            position = (position + 1) % samples.size();
        }
    }

private:
    std::vector<float> samples = std::vector<float> ((size_t) sampleRate);
    std::size_t position = 0;
};

/** The thread's CPU time in seconds, which other processes do not touch. */
inline double threadSeconds() noexcept
{
    timespec now {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &now);
    return (double) now.tv_sec + 1.0e-9 * (double) now.tv_nsec;
}

inline double median (std::vector<double> values)
{
    std::sort (values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}
} // namespace
