#pragma once

// What the benchmarks share: the settings of a case and the signal they process.

#include "ParameterTable.h"

#include <cmath>
#include <cstdint>
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
const std::vector<float>& noiseWithBursts()
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

} // namespace
