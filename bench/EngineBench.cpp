// Nanoseconds per stereo sample pair of CompressorCore::processSample at 48 kHz: noise at
// -12 dBFS RMS with louder bursts, and silence after a burst (where filter history decays
// towards the subnormal range).

#include "CompressorCore.h"
#include "ParameterTable.h"

#include <benchmark/benchmark.h>

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

void apply (CompressorCore& core, const Settings& s)
{
    for (int index = 0; index < velk::numParameters; ++index)
        core.applyParameter (index, s.values[index]);
}

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

void run (benchmark::State& state, const Settings& settings, bool silenceAfterBurst)
{
    CompressorCore core (sampleRate);
    apply (core, settings);
    const auto& signal = noiseWithBursts();

    if (silenceAfterBurst)
    {
        // A burst, then enough silence for the filters' history to reach the subnormal range.
        for (std::size_t i = 0; i < 4800; ++i)
        {
            float l = signal[2 * i] * 2.8f, r = signal[2 * i + 1] * 2.8f;
            core.processSample (&l, &r);
        }
        for (int i = 0; i < 480000; ++i)
        {
            float l = 0.0f, r = 0.0f;
            core.processSample (&l, &r);
        }
    }

    const std::size_t pairs = signal.size() / 2;
    std::size_t index = 0;
    for (auto _ : state)
    {
        float left = silenceAfterBurst ? 0.0f : signal[2 * index];
        float right = silenceAfterBurst ? 0.0f : signal[2 * index + 1];
        core.processSample (&left, &right);
        benchmark::DoNotOptimize (left);
        benchmark::DoNotOptimize (right);
        if (++index == pairs)
            index = 0;
    }
    state.counters["ns_per_pair"] = benchmark::Counter ((double) state.iterations(),
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void registerAll()
{
    // clang-format off
    benchmark::RegisterBenchmark ("Default", [] (benchmark::State& s) { run (s, Settings{}, false); });
    // clang-format on

    const auto compressing = Settings()
                                 .with (velk::ratioParameter, 3.0f)
                                 .with (velk::inputParameter, 0.7f)
                                 .with (velk::attackParameter, 0.5f)
                                 .with (velk::releaseParameter, 0.2f);
    // clang-format off
    benchmark::RegisterBenchmark ("Compressing", [compressing] (benchmark::State& s) { run (s, compressing, false); });
    // clang-format on

    for (int preset : { 1, 3 })
    {
        for (int mode = 0; mode <= 4; ++mode)
        {
            const auto s = Settings().with (velk::ratioParameter, (float) preset).with (velk::distortionParameter, (float) mode);
            benchmark::RegisterBenchmark (("Distortion" + std::to_string (mode) + "/Ratio" + std::to_string (preset)).c_str(),
                                          // clang-format off
                                          [s] (benchmark::State& st) { run (st, s, false); });
            // clang-format on
        }
        for (int mode = 0; mode <= 3; ++mode)
        {
            const auto s = Settings().with (velk::ratioParameter, (float) preset).with (velk::filterParameter, (float) mode);
            benchmark::RegisterBenchmark (("Filter" + std::to_string (mode) + "/Ratio" + std::to_string (preset)).c_str(),
                                          // clang-format off
                                          [s] (benchmark::State& st) { run (st, s, false); });
            benchmark::RegisterBenchmark (("SilenceAfterBurst/Filter" + std::to_string (mode) + "/Ratio" + std::to_string (preset)).c_str(),
                                          [s] (benchmark::State& st) { run (st, s, true); });
            // clang-format on
        }
    }
}
} // namespace

int main (int argc, char** argv)
{
    registerAll();
    benchmark::Initialize (&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
