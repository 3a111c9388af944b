#include "Calibration.h"

#include "FloatBits.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

namespace
{
// Threshold (dB) by band of "Attack" and ratio column (2, 4, 8, 20).
constexpr double attackBandEdges[] = { 0.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0 };

// clang-format off
constexpr float thresholdTable[10][4] = {
    { -20.0f,  -19.91f, -23.1f,  -17.79f },
    { -19.58f, -19.74f, -22.97f, -17.79f },
    { -19.09f, -19.33f, -22.73f, -17.72f },
    { -18.13f, -18.86f, -22.38f, -17.72f },
    { -17.33f, -18.42f, -22.16f, -17.65f },
    { -15.86f, -17.52f, -21.62f, -17.46f },
    { -15.04f, -16.59f, -21.21f, -17.27f },
    { -13.94f, -14.47f, -19.91f, -16.54f },
    { -13.43f, -13.76f, -19.02f, -15.86f },
    { -13.11f, -13.39f, -18.34f, -15.44f },
};
// clang-format on

// With "Attack" at exactly 1.0, ratios 2 and 4 take the threshold from the band of "Input";
// a NaN entry writes nothing.
constexpr double inputBandEdges[] = { 0.2, 0.3, 0.4, 0.5, 0.6 };

constexpr float inputThresholdTable[4][2] = {
    { -15.65f, -15.7f },
    { -12.18f, -12.92f },
    { -12.18f, -12.92f },
    { std::numeric_limits<float>::quiet_NaN(), -13.27f },
};

// Make-up gain (linear) by ratio column: "Input" above 0.69, otherwise. 1.7850001f is one step
// above the float nearest to 1.785.
// clang-format off
constexpr float makeupTable[4][2] = {
    { 2.931f, 1.7850001f },
    { 3.0f,   2.118f },
    { 3.496f, 2.421f },
    { 4.0f,   2.706f },
};
// clang-format on

constexpr float limiterThresholdDb = -18.34f;

int ratioColumn (std::int32_t ratio) noexcept
{
    // clang-format off
    switch (ratio)
    {
        case 2:  return 0;
        case 4:  return 1;
        case 8:  return 2;
        case 20: return 3;
        default: return -1;
    }
    // clang-format on
}

template <std::size_t numEdges>
int bandOf (double value, const double (&edges)[numEdges]) noexcept
{
    for (std::size_t i = 0; i + 1 < numEdges; ++i)
        if (value >= edges[i] && value < edges[i + 1])
            return (int) i;

    return -1;
}

} // namespace

bool Calibration::Settings::isSameAs (const Settings& other) const noexcept
{
    return ratio == other.ratio && limiter == other.limiter && bitsOf (attack) == bitsOf (other.attack)
        && bitsOf (inputGain) == bitsOf (other.inputGain);
}

Calibration::Result Calibration::lookup (const Settings& settings) noexcept
{
    Result result;

    if (settings.ratio == 1)
    {
        result.writesMakeup = true;
        result.makeupGain = 1.0f;
        return result;
    }

    if (settings.ratio == 20 && settings.limiter)
    {
        result.writesThreshold = true;
        result.thresholdDb = limiterThresholdDb;
        return result;
    }

    const int column = ratioColumn (settings.ratio);
    if (column < 0)
        return result;

    const int attackBand = bandOf ((double) settings.attack, attackBandEdges);
    if (attackBand >= 0)
    {
        result.writesThreshold = true;
        result.thresholdDb = thresholdTable[attackBand][column];
    }

    if (column <= 1 && settings.attack == 1.0f)
    {
        const int inputBand = bandOf ((double) settings.inputGain, inputBandEdges);
        if (inputBand >= 0 && ! std::isnan (inputThresholdTable[inputBand][column]))
        {
            result.writesThreshold = true;
            result.thresholdDb = inputThresholdTable[inputBand][column];
        }
    }

    result.writesMakeup = true;
    result.makeupGain = makeupTable[column][(double) settings.inputGain > 0.69 ? 0 : 1];
    return result;
}
