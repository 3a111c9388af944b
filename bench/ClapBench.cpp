// VELK.clap through the project's CLAP host, as a CLAP host drives it: the cost of a block of
// 512, and a comparison with a peer in the same process, interleaved: Debian's ZamCompX2.clap.
//
//     velk_clap_bench [--comparison_seconds=S] [benchmark options]

#include "BenchCase.h"
#include "ClapHost.h"
#include "FactoryPresetTable.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
constexpr std::uint32_t blockSize = 512;
constexpr const char* peerPath = "/usr/lib/clap/ZamCompX2.clap";

/** One instance fed noise at -12 dBFS in blocks of 512, its main ports (and, for a peer that
    needs it, its key port) given buffers; timed by the thread's CPU time of the process calls. */
class TimedClap
{
public:
    TimedClap (const char* path, std::uint32_t keyChannels, const std::vector<ClapHost::Event>& setting)
        : host (path, 0, ClapHost::EventLoop::none), keys (keyChannels), events (setting)
    {
        if (! host.activate (sampleRate, blockSize))
            throw std::runtime_error (std::string (path) + " did not activate");
    }

    /** Nanoseconds per stereo frame over this many seconds of audio. */
    double measure (double seconds)
    {
        const long blocks = std::max (1L, (long) (seconds * sampleRate / blockSize));
        float left[blockSize], right[blockSize], outLeft[blockSize], outRight[blockSize], key[blockSize] = {};
        const float* inputs[] = { left, right };
        float* outputs[] = { outLeft, outRight };
        const float* keyChannels[] = { key, key };
        double spent = 0.0;
        for (long b = 0; b < blocks; ++b)
        {
            noise.fill (left, right, (int) blockSize);
            const double start = threadSeconds();
            if (host.process (inputs, outputs, 2, keyChannels, keys, blockSize, events) != clap::CLAP_PROCESS_CONTINUE)
                throw std::runtime_error ("a process call failed");
            spent += threadSeconds() - start;
            events.clear(); // the setting once, at the start
            host.takeSentEvents();
            benchmark::DoNotOptimize (outLeft);
        }
        return spent * 1.0e9 / ((double) blocks * blockSize);
    }

private:
    ClapHost host;
    const std::uint32_t keys;
    std::vector<ClapHost::Event> events;
    NoiseFeed noise;
};

std::vector<ClapHost::Event> compressing()
{
    return { { 0, clap::CLAP_EVENT_PARAM_VALUE, velk::ratioParameter, 3.0 }, { 0, clap::CLAP_EVENT_PARAM_VALUE, velk::inputParameter, 0.7 }, { 0, clap::CLAP_EVENT_PARAM_VALUE, velk::attackParameter, 0.5 }, { 0, clap::CLAP_EVENT_PARAM_VALUE, velk::releaseParameter, 0.2 } };
}

void velkBlock (benchmark::State& state)
{
    TimedClap velk (VELK_CLAP_PATH, 0, state.range (0) != 0 ? compressing() : std::vector<ClapHost::Event> {});
    for (auto _ : state)
        velk.measure (blockSize / (double) sampleRate);
    state.SetItemsProcessed ((std::int64_t) state.iterations() * blockSize);
}
BENCHMARK (velkBlock)->Arg (0)->Arg (1)->ArgName ("compressing");

void compareWithPeer (double seconds)
{
    std::printf ("\nVELK.clap against ZamCompX2.clap (threshold -20 dB, ratio 4), through the project's CLAP host:\n"
                 "blocks of %u at 48 kHz, noise at -12 dBFS, thread CPU time of the process calls, medians of 3 interleaved rounds "
                 "of %.2f s of audio each\n",
                 blockSize, seconds);
    if (access (peerPath, R_OK) != 0)
    {
        std::printf ("skipped the peer: %s is not installed (package zam-plugins)\n", peerPath);
        return;
    }
    // Zam's parameters by id: 3 Ratio (1 to 20), 4 Threshold (-80 to 0 dB); its key port needs a
    // buffer, which stays silent with its Sidechain off.
    TimedClap peer (peerPath, 1, { { 0, clap::CLAP_EVENT_PARAM_VALUE, 3, 4.0 }, { 0, clap::CLAP_EVENT_PARAM_VALUE, 4, -20.0 } });
    TimedClap velk (VELK_CLAP_PATH, 0, compressing());
    peer.measure (0.5);
    velk.measure (0.5);
    std::vector<double> peerCosts, velkCosts, ratios;
    for (int round = 0; round < 3; ++round)
    {
        peerCosts.push_back (peer.measure (seconds));
        velkCosts.push_back (velk.measure (seconds));
        ratios.push_back (velkCosts.back() / peerCosts.back());
        std::printf ("round %d: ZamCompX2 %.1f ns per frame, VELK (4:1, Input 0.7, Attack 0.5, Release 0.2) %.1f\n", round + 1,
                     peerCosts.back(), velkCosts.back());
    }
    std::printf ("median: ZamCompX2 %.1f ns, VELK %.1f ns per frame; VELK costs %.2f x the peer\n", median (peerCosts), median (velkCosts),
                 median (ratios));
}
} // namespace

int main (int argc, char** argv)
{
    // --comparison_seconds=S: the audio per measurement of the comparison (0 leaves it out).
    double comparisonSeconds = 5.0;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i)
    {
        if (std::strncmp (argv[i], "--comparison_seconds=", 21) == 0)
            comparisonSeconds = std::atof (argv[i] + 21);
        else
            rest.push_back (argv[i]);
    }
    int count = (int) rest.size();
    benchmark::Initialize (&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (comparisonSeconds > 0.0)
        compareWithPeer (comparisonSeconds);
    return 0;
}
