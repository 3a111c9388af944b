// Nanoseconds per stereo sample pair through the built VELK.so, as a host drives it: loaded with
// dlopen, set up through the dispatcher, blocks through processReplacing at 48 kHz, on the same
// signal as the engine benchmark.

#include "BenchCase.h"
#include "VstHost.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{
void run (benchmark::State& state, const Settings& settings, int blockSize)
{
    VstHost plugin (VELK_MODULE_PATH);
    plugin.resume (sampleRate, blockSize);
    for (int index = 0; index < velk::numParameters; ++index)
        plugin.setParameter (index, settings.values[index]);

    const auto& signal = noiseWithBursts();
    const std::size_t pairs = signal.size() / 2;
    std::vector<float> inLeft ((size_t) blockSize), inRight ((size_t) blockSize), outLeft ((size_t) blockSize), outRight ((size_t) blockSize);
    float* inputs[] = { inLeft.data(), inRight.data() };
    float* outputs[] = { outLeft.data(), outRight.data() };
    std::size_t index = 0;

    for (auto _ : state)
    {
        for (int i = 0; i < blockSize; ++i)
        {
            inLeft[(size_t) i] = signal[2 * index];
            inRight[(size_t) i] = signal[2 * index + 1];
            if (++index == pairs)
                index = 0;
        }
        plugin.process (inputs, outputs, blockSize);
        benchmark::DoNotOptimize (outLeft.data());
    }

    const double pairsProcessed = (double) state.iterations() * (double) blockSize;
    state.counters["ns_per_pair"] = benchmark::Counter (pairsProcessed, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
} // namespace

int main (int argc, char** argv)
{
    const auto compressing = Settings()
                                 .with (velk::ratioParameter, 3.0f)
                                 .with (velk::inputParameter, 0.7f)
                                 .with (velk::attackParameter, 0.5f)
                                 .with (velk::releaseParameter, 0.2f);
    for (const int blockSize : { 32, 512, 2048 })
    {
        const auto prefix = "Module/Block" + std::to_string (blockSize) + "/";
        benchmark::RegisterBenchmark ((prefix + "Default").c_str(), [=] (benchmark::State& st)
                                      { run (st, Settings(), blockSize); });
        benchmark::RegisterBenchmark ((prefix + "Compressing").c_str(), [=] (benchmark::State& st)
                                      { run (st, compressing, blockSize); });
        for (int mode = 0; mode <= 3; ++mode)
            if (blockSize == 512)
                benchmark::RegisterBenchmark ((prefix + "Filter" + std::to_string (mode) + "/Ratio3").c_str(),
                                              [=] (benchmark::State& st)
                                              { run (st, Settings().with (velk::ratioParameter, 3.0f).with (velk::filterParameter, (float) mode), blockSize); });
    }

    benchmark::Initialize (&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
