// Nanoseconds per stereo sample pair through the built VELK.so, as a host drives it: loaded with
// dlopen, set up through the dispatcher, blocks through processReplacing at 48 kHz, on the same
// signal as the engine benchmark.
//
// After the benchmark's own cases, a comparison with a peer: the cheapest VST 2.4 compressor in
// Debian, IEM's OmniCompressor, against VELK in several settings, measured in the same run.

#include "BenchCase.h"
#include "VstHost.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

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

Settings compressingSettings()
{
    return Settings()
        .with (velk::ratioParameter, 3.0f)
        .with (velk::inputParameter, 0.7f)
        .with (velk::attackParameter, 0.5f)
        .with (velk::releaseParameter, 0.2f);
}

//==============================================================================
// The comparison with the peer.

constexpr const char* peerPath = "/usr/lib/vst/iem.at/libOmniCompressor.so";
constexpr int comparisonBlock = 512;

/**
    One plug-in instance fed blocks of 512 from the benchmark's signal (or silence), timed by the
    thread's CPU time of the process calls alone. The peer takes left and right on its first two
    of four channels and silence on the others: it derives its gain from the first channel and
    applies it to all, and with only two channels arranged it hardly compresses.
*/
class TimedPlayer
{
public:
    TimedPlayer (const char* modulePath, int numChannels, bool silent)
        : host (modulePath), silence (silent)
    {
        if (numChannels > 2 && ! host.requestChannels (numChannels))
            throw std::runtime_error ("the plug-in refused " + std::to_string (numChannels) + " channels");
        // A buffer for every channel the effect record names, in case the plug-in reads them
        // all; those past the arrangement stay silent.
        const auto* effect = host.getEffect();
        channels.assign ((size_t) std::max (numChannels, effect->numInputs), std::vector<float> (comparisonBlock));
        outputs.assign ((size_t) std::max (numChannels, effect->numOutputs), std::vector<float> (comparisonBlock));
        host.resume (sampleRate, comparisonBlock);
        for (auto& c : channels)
            inputPointers.push_back (c.data());
        for (auto& c : outputs)
            outputPointers.push_back (c.data());
    }

    VstHost host;

    /** Nanoseconds per pair over this many seconds of audio. */
    double measure (double audioSeconds)
    {
        const auto& signal = noiseWithBursts();
        const std::size_t pairs = signal.size() / 2;
        const long blocks = std::max (1L, (long) (audioSeconds * sampleRate / comparisonBlock));
        double spent = 0.0;
        for (long b = 0; b < blocks; ++b)
        {
            for (std::size_t i = 0; i < (size_t) comparisonBlock; ++i)
            {
                channels[0][i] = silence ? 0.0f : signal[2 * position];
                channels[1][i] = silence ? 0.0f : signal[2 * position + 1];
                if (++position == pairs)
                    position = 0;
            }
            const double start = threadSeconds();
            host.process (inputPointers.data(), outputPointers.data(), comparisonBlock);
            spent += threadSeconds() - start;
            benchmark::DoNotOptimize (outputs[0].data());
        }
        return spent * 1.0e9 / ((double) blocks * comparisonBlock);
    }

private:
    std::vector<std::vector<float>> channels, outputs;
    std::vector<float*> inputPointers, outputPointers;
    std::size_t position = 0;
    bool silence;
};

struct ComparisonCase
{
    std::string name;
    Settings settings;
};

std::vector<ComparisonCase> comparisonCases()
{
    static const char* distortionNames[] = { "Soft", "Warm", "Hot", "Blend", "Drive" };
    static const char* filterNames[] = { "Off", "SC HP", "HP", "SC Bell" };
    const auto atFourToOne = Settings().with (velk::ratioParameter, 3.0f);

    std::vector<ComparisonCase> cases { { "Default settings", Settings() }, { "Compressing (4:1, In 0.7, Att 0.5, Rel 0.2)", compressingSettings() } };
    for (int mode = 0; mode <= 4; ++mode)
        cases.push_back ({ std::string ("4:1, Distortion ") + distortionNames[mode], atFourToOne.with (velk::distortionParameter, (float) mode) });
    for (int mode = 1; mode <= 3; ++mode)
        cases.push_back ({ std::string ("4:1, Filter ") + filterNames[mode], atFourToOne.with (velk::filterParameter, (float) mode) });
    cases.push_back ({ "4:1, Filter SC Bell, Distortion Drive", atFourToOne.with (velk::filterParameter, 3.0f).with (velk::distortionParameter, 4.0f) });
    return cases;
}

/**
    Three rounds; in each, every case is measured on noise and on silence, each noise measurement
    right after one of the peer, so that a change in the machine's speed touches both. The ratio
    of a case is the median over the rounds of VELK's cost over the peer's just before it.
*/
void compareWithPeer (double audioSeconds)
{
    const char* lanes = std::getenv ("VELK_VECTOR_LANES");
    std::printf ("\nVELK against IEM's OmniCompressor (VST 2.4, 4 channels, threshold -20 dB, ratio 4):\n"
                 "blocks of %d at 48 kHz, thread CPU time of the process calls, medians of 3 rounds of %.2f s of audio each;\n"
                 "VELK's vector maths on the widest path the CPU has%s%s\n",
                 comparisonBlock, audioSeconds, lanes != nullptr ? ", at most " : "", lanes != nullptr ? lanes : "");
    if (access (peerPath, R_OK) != 0)
    {
        std::printf ("skipped the peer: %s is not installed (package iem-plugin-suite-vst)\n", peerPath);
        return;
    }

    std::unique_ptr<TimedPlayer> peer;
    try
    {
        peer = std::make_unique<TimedPlayer> (peerPath, 4, false);
    }
    catch (const std::exception& e)
    {
        std::printf ("skipped the peer: %s\n", e.what());
        return;
    }
    peer->host.setParameter (2, 0.5f); // threshold -20 dB
    peer->host.setParameter (6, 0.2f); // ratio 4

    const auto cases = comparisonCases();
    std::vector<std::unique_ptr<TimedPlayer>> onNoise, onSilence;
    for (const auto& c : cases)
        for (const bool silent : { false, true })
        {
            auto player = std::make_unique<TimedPlayer> (VELK_MODULE_PATH, 2, silent);
            for (int index = 0; index < velk::numParameters; ++index)
                player->host.setParameter (index, c.settings.values[index]);
            (silent ? onSilence : onNoise).push_back (std::move (player));
        }

    // A pass of everything first, so that no case pays for first touches.
    peer->measure (0.5);
    for (std::size_t i = 0; i < cases.size(); ++i)
    {
        onNoise[i]->measure (0.5);
        onSilence[i]->measure (0.5);
    }

    constexpr int rounds = 3;
    std::vector<double> peerCosts;
    std::vector<std::vector<double>> noiseCosts (cases.size()), silenceCosts (cases.size()), ratios (cases.size());
    for (int round = 0; round < rounds; ++round)
        for (std::size_t i = 0; i < cases.size(); ++i)
        {
            const double peerCost = peer->measure (audioSeconds);
            const double cost = onNoise[i]->measure (audioSeconds);
            peerCosts.push_back (peerCost);
            noiseCosts[i].push_back (cost);
            ratios[i].push_back (cost / peerCost);
            silenceCosts[i].push_back (onSilence[i]->measure (audioSeconds));
        }

    std::printf ("peer: %.1f ns per pair\n\n", median (peerCosts));
    std::printf ("%-44s %9s %10s %9s %10s\n", "VELK", "ns/pair", "x peer", "silence", "x noise");
    for (std::size_t i = 0; i < cases.size(); ++i)
    {
        const double noise = median (noiseCosts[i]), silent = median (silenceCosts[i]);
        std::printf ("%-44s %9.1f %10.2f %9.1f %10.2f\n", cases[i].name.c_str(), noise, median (ratios[i]), silent, silent / noise);
    }
}
} // namespace

int main (int argc, char** argv)
{
    // --comparison_seconds=S: the audio per measurement of the comparison (0 leaves it out);
    // --comparison_only: the comparison without the benchmark's own cases; --lanes=N: VELK's
    // vector maths at most N lanes wide (2 or 4), through VELK_VECTOR_LANES before it loads.
    double comparisonSeconds = 10.0;
    bool comparisonOnly = false;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i)
    {
        const std::string argument (argv[i]);
        if (argument.rfind ("--comparison_seconds=", 0) == 0)
            comparisonSeconds = std::atof (argument.c_str() + 21);
        else if (argument == "--comparison_only")
            comparisonOnly = true;
        else if (argument.rfind ("--lanes=", 0) == 0)
            setenv ("VELK_VECTOR_LANES", argument.c_str() + 8, 1);
        else
            rest.push_back (argv[i]);
    }

    if (! comparisonOnly)
    {
        const auto compressing = compressingSettings();
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

        int restCount = (int) rest.size();
        benchmark::Initialize (&restCount, rest.data());
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }

    if (comparisonSeconds > 0.0)
        compareWithPeer (comparisonSeconds);
    return 0;
}
