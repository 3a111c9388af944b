// Nanoseconds per stereo sample pair of the engine at 48 kHz, through processSample and through
// processBlock: noise at -12 dBFS RMS with louder bursts, and silence after a burst (where filter
// history decays towards the subnormal range).

#include "BenchCase.h"
#include "CompressorCore.h"
#include "ParameterTable.h"
#include "VectorExactMath.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
void apply (CompressorCore& core, const Settings& s)
{
    for (int index = 0; index < velk::numParameters; ++index)
        core.applyParameter (index, s.values[index]);
}

/** One benchmark case: processSample pair by pair (blockSize 0), or processBlock in blocks. */
void run (benchmark::State& state, const Settings& settings, bool silenceAfterBurst, int blockSize)
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
    if (blockSize == 0)
    {
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
    }
    else
    {
        // The signal as separate channels, a block at a time, wrapping around.
        std::vector<float> sourceLeft (pairs), sourceRight (pairs), left ((size_t) blockSize), right ((size_t) blockSize);
        for (std::size_t i = 0; i < pairs; ++i)
        {
            sourceLeft[i] = silenceAfterBurst ? 0.0f : signal[2 * i];
            sourceRight[i] = silenceAfterBurst ? 0.0f : signal[2 * i + 1];
        }
        for (auto _ : state)
        {
            for (int i = 0; i < blockSize; ++i)
            {
                left[(size_t) i] = sourceLeft[index];
                right[(size_t) i] = sourceRight[index];
                if (++index == pairs)
                    index = 0;
            }
            core.processBlock (left.data(), right.data(), blockSize);
            benchmark::DoNotOptimize (left.data());
            benchmark::DoNotOptimize (right.data());
        }
    }

    const double pairsProcessed = (double) state.iterations() * (double) (blockSize > 0 ? blockSize : 1);
    state.counters["ns_per_pair"] = benchmark::Counter (pairsProcessed, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

/** A case per sample and through processBlock at 512. */
void registerCase (const std::string& name, const Settings& settings, bool silenceAfterBurst)
{
    benchmark::RegisterBenchmark (name.c_str(), [=] (benchmark::State& st)
                                  { run (st, settings, silenceAfterBurst, 0); });
    benchmark::RegisterBenchmark (("Block512/" + name).c_str(), [=] (benchmark::State& st)
                                  { run (st, settings, silenceAfterBurst, 512); });
}

void registerAll()
{
    const auto compressing = Settings()
                                 .with (velk::ratioParameter, 3.0f)
                                 .with (velk::inputParameter, 0.7f)
                                 .with (velk::attackParameter, 0.5f)
                                 .with (velk::releaseParameter, 0.2f);
    registerCase ("Default", Settings(), false);
    registerCase ("Compressing", compressing, false);
    for (const int blockSize : { 32, 2048 })
    {
        const auto prefix = "Block" + std::to_string (blockSize) + "/";
        benchmark::RegisterBenchmark ((prefix + "Default").c_str(), [=] (benchmark::State& st)
                                      { run (st, Settings(), false, blockSize); });
        benchmark::RegisterBenchmark ((prefix + "Compressing").c_str(), [=] (benchmark::State& st)
                                      { run (st, compressing, false, blockSize); });
    }

    for (int preset : { 1, 3 })
    {
        const auto ratio = "/Ratio" + std::to_string (preset);
        for (int mode = 0; mode <= 4; ++mode)
            registerCase ("Distortion" + std::to_string (mode) + ratio,
                          Settings().with (velk::ratioParameter, (float) preset).with (velk::distortionParameter, (float) mode), false);
        for (int mode = 0; mode <= 3; ++mode)
        {
            const auto s = Settings().with (velk::ratioParameter, (float) preset).with (velk::filterParameter, (float) mode);
            registerCase ("Filter" + std::to_string (mode) + ratio, s, false);
            registerCase ("SilenceAfterBurst/Filter" + std::to_string (mode) + ratio, s, true);
        }
    }
}
} // namespace

int main (int argc, char** argv)
{
    // --lanes=N: the vector maths at most N lanes wide (2, 4 or 8), as on a machine without the
    // wider instructions.
    for (int i = 1; i < argc; ++i)
        if (std::string (argv[i]).rfind ("--lanes=", 0) == 0)
            vectorexactmath::limitLanes (std::atoi (argv[i] + 8));

    registerAll();
    benchmark::Initialize (&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
