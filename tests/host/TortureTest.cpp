// What hosts, users and files throw at VELK.so through its entry point, as a hostile but legal
// host would: every dispatcher opcode with random arguments, parameter writes and state restores
// from other threads while audio runs, sample rate and block size changes mid-stream. Each
// scenario is seeded and bounded in count; the sizes are smaller under a sanitizer.

#include "AllocationCounter.h"
#include "EngineMirror.h"
#include "HostWindow.h"
#include "ModuleHost.h"
#include "ParameterTable.h"
#include "TestSignals.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <thread>

namespace
{
// Under a sanitizer every call is several times slower: the scenarios run at reduced size.
#if VELK_SANITIZED_BUILD
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
constexpr int fuzzCalls = sanitized ? 30000 : 300000;
constexpr int stormBlocks = sanitized ? 300 : 3000;
constexpr int rateChangeRounds = sanitized ? 2 : 8;
constexpr int editorCycles = sanitized ? 60 : 500;
constexpr int renderMinutes = sanitized ? 6 : 60;
constexpr int editorWarmUpCycles = 20;

constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
constexpr float infinity = std::numeric_limits<float>::infinity();

/** Stereo noise of a given length, the same for the same seed. */
std::vector<std::vector<float>> noise (int numFrames, std::uint32_t seed, float level = 0.7f)
{
    NoiseSource source (seed);
    std::vector<std::vector<float>> channels (2, std::vector<float> ((size_t) numFrames));
    for (int i = 0; i < numFrames; ++i)
        for (auto& channel : channels)
            channel[(size_t) i] = level * source.next();
    return channels;
}

/** Renders the channels through the plug-in in blocks of blockSize. */
std::vector<std::vector<float>> render (VstHost& plugin, const std::vector<std::vector<float>>& input, int blockSize)
{
    auto output = input;
    const int numFrames = (int) input[0].size();
    for (int start = 0; start < numFrames; start += blockSize)
    {
        const int length = std::min (blockSize, numFrames - start);
        std::vector<float> inLeft (input[0].begin() + start, input[0].begin() + start + length), inRight (input[1].begin() + start, input[1].begin() + start + length);
        float* inputs[] = { inLeft.data(), inRight.data() };
        float* outputs[] = { output[0].data() + start, output[1].data() + start };
        plugin.process (inputs, outputs, length);
    }
    return output;
}

bool allFinite (const std::vector<std::vector<float>>& channels)
{
    for (const auto& channel : channels)
        for (float sample : channel)
            if (! std::isfinite (sample))
                return false;
    return true;
}

/** The largest difference between two renders over their last numFrames frames. */
float largestDifference (const std::vector<std::vector<float>>& a, const std::vector<std::vector<float>>& b, size_t numFrames)
{
    float largest = 0.0f;
    for (size_t channel = 0; channel < a.size(); ++channel)
        for (size_t i = a[channel].size() - numFrames; i < a[channel].size(); ++i)
            largest = std::max (largest, std::fabs (a[channel][i] - b[channel][i]));
    return largest;
}

/** A valid state block with the given values, made by a helper instance. */
std::vector<char> chunkWith (const std::vector<std::pair<int, float>>& values)
{
    Plugin helper;
    for (const auto& [index, value] : values)
        helper.setParameter (index, value);
    return helper.getChunk();
}

/** The process's resident memory in kilobytes. */
long residentKilobytes()
{
    std::ifstream statm ("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * 4;
}

/** The host's idle time: the editor's idle call, and the host reading its own window's events. */
void idle (Plugin& plugin, int times)
{
    auto* display = hostWindow().display;
    for (int i = 0; i < times; ++i)
    {
        plugin.dispatch (vst2::effEditIdle);
        XSync (display, False);
        while (XPending (display) > 0)
        {
            XEvent event;
            XNextEvent (display, &event);
        }
    }
}

/** A legal host call with random arguments for one opcode: pointers are null where the
    interface allows it, or point at ample, correctly typed memory. */
class DispatcherFuzzer
{
public:
    DispatcherFuzzer (Plugin& p, std::uint32_t seed) : plugin (p), random (seed) {}

    void call (int opcode)
    {
        std::memset (buffer, 0, sizeof (buffer));
        const int index = pick<int> ({ -1, 0, 1, 2, 4, 5, 6, 8, 9, 64, 1 << 30 });
        const vst2::VstIntPtr value = pick<vst2::VstIntPtr> ({ -1, 0, 1, 2, 3, 255, 1 << 20, std::numeric_limits<vst2::VstIntPtr>::max() });
        const float opt = pick<float> ({ 0.0f, 1.0f, -1.0f, 0.5f, notANumber, infinity, 1e30f });

        switch (opcode)
        {
            case vst2::effOpen:
            case vst2::effClose:
                return; // only at the start and the end

            case vst2::effSetSampleRate:
                plugin.dispatch (opcode, 0, 0, nullptr, pick<float> ({ 44100.0f, 48000.0f, 96000.0f, 22050.0f, 0.0f, -48000.0f, notANumber, infinity, 1e30f, 1e-30f }));
                return;

            case vst2::effSetBlockSize:
                plugin.dispatch (opcode, 0, pick<vst2::VstIntPtr> ({ 1, 64, 512, 4096, 8192, 0, -1, -(1 << 30), 1 << 24, std::numeric_limits<vst2::VstIntPtr>::max() }));
                return;

            case vst2::effMainsChanged:
            case vst2::effSetBypass:
                plugin.dispatch (opcode, 0, random() % 2);
                return;

            case vst2::effEditGetRect:
            {
                vst2::ERect* rect = nullptr;
                if (plugin.dispatch (opcode, 0, 0, &rect) != 0 && rect != nullptr)
                {
                    EXPECT_EQ (rect->right - rect->left, 300);
                }
                return;
            }

            case vst2::effEditOpen:
                if (! editorOpen)
                    editorOpen = plugin.dispatch (opcode, 0, 0, reinterpret_cast<void*> (hostWindow().window)) == 1;
                return;

            case vst2::effEditClose:
                plugin.dispatch (opcode);
                editorOpen = false;
                return;

            case vst2::effGetChunk:
            {
                void* data = nullptr;
                const auto size = plugin.dispatch (opcode, index, 0, &data);
                if (size > 0 && data != nullptr)
                    lastChunk.assign (static_cast<const char*> (data), static_cast<const char*> (data) + size);
                return;
            }

            case vst2::effSetChunk:
            {
                auto data = lastChunk;
                switch (random() % 4)
                {
                    case 0: break; // as saved
                    case 1: data.resize (data.size() / 2); break; // cut short
                    case 2:
                        for (auto& byte : data)
                            byte = (char) random();
                        break; // noise
                    default: data.clear(); break;
                }
                plugin.dispatch (opcode, index, (vst2::VstIntPtr) data.size(), data.empty() ? nullptr : data.data());
                return;
            }

            case vst2::effSetSpeakerArrangement:
            {
                vst2::VstSpeakerArrangement in {}, out {};
                in.numChannels = (int) (random() % 9);
                out.numChannels = random() % 4 == 0 ? (int) (random() % 9) : in.numChannels;
                in.type = in.numChannels == 1 ? vst2::kSpeakerArrMono : in.numChannels == 2 ? vst2::kSpeakerArrStereo
                                                                                            : (vst2::VstInt32) (random() % 40);
                out.type = in.type;
                plugin.dispatch (opcode, 0, (vst2::VstIntPtr) &in, &out);
                return;
            }

            case vst2::effGetSpeakerArrangement:
            {
                vst2::VstSpeakerArrangement *in = nullptr, *out = nullptr;
                if (plugin.dispatch (opcode, 0, (vst2::VstIntPtr) &in, &out) == 1)
                {
                    EXPECT_TRUE (in != nullptr && out != nullptr && in->numChannels >= 0 && out->numChannels >= 0);
                }
                return;
            }

            case vst2::effCanDo:
            {
                const char* texts[] = { "", "bypass", "receiveVstTimeInfo", "sendVstEvents", "x", "conformsToWindowRules", "MPE" };
                plugin.dispatch (opcode, 0, 0, const_cast<char*> (texts[random() % 7]));
                return;
            }

            case vst2::effProcessEvents:
            {
                // An event list with no events, or with one note-on.
                struct
                {
                    vst2::VstInt32 numEvents;
                    vst2::VstIntPtr reserved;
                    void* events[2];
                } list {};
                unsigned char event[32] = { 1, 0, 0, 0, 32 };
                event[24] = 0x90;
                event[25] = 60;
                event[26] = 100;
                list.numEvents = (vst2::VstInt32) (random() % 2);
                list.events[0] = event;
                plugin.dispatch (opcode, 0, 0, &list);
                return;
            }

            default:
                // Text and struct requests get ample zeroed memory; every other opcode ignores it.
                plugin.dispatch (opcode, index, value, buffer, opt);
                return;
        }
    }

    bool editorOpen = false;
    std::vector<char> lastChunk;

private:
    template <typename T>
    T pick (std::initializer_list<T> choices)
    {
        return *(choices.begin() + random() % choices.size());
    }

    Plugin& plugin;
    std::mt19937 random;
    alignas (16) char buffer[4096];
};
} // namespace

//==============================================================================
TEST (Torture, DispatcherFuzzWithProcessingAndTheEditor)
{
    ASSERT_NE (hostWindow().display, nullptr) << "no X display";

    Plugin plugin;
    plugin.resume (48000.0f, 512);
    DispatcherFuzzer fuzzer (plugin, 20261207u);
    fuzzer.lastChunk = plugin.getChunk();

    std::mt19937 random (99);
    const auto block = noise (1024, 5);
    std::vector<float> outLeft (1024), outRight (1024);
    long calls = 0, blocks = 0;

    for (int i = 0; i < fuzzCalls; ++i)
    {
        fuzzer.call ((int) (random() % 81));
        ++calls;

        if (i % 16 == 0)
        {
            auto inLeft = block[0], inRight = block[1];
            float* inputs[] = { inLeft.data(), inRight.data() };
            float* outputs[] = { outLeft.data(), outRight.data() };
            plugin.process (inputs, outputs, 1 + (int) (random() % 1024));
            ++blocks;
        }
        if (fuzzer.editorOpen && i % 2000 == 0)
            idle (plugin, 1);
    }
    if (fuzzer.editorOpen)
        plugin.dispatch (vst2::effEditClose);
    std::printf ("[ figures  ] %ld dispatcher calls, %ld blocks between them\n", calls, blocks);

    // Afterwards it runs as a fresh instance does with the same set-up: the same settings, the
    // same rate (a round at another rate first, so both engines start from silence), stereo.
    Plugin fresh;
    const auto settings = chunkWith ({ { velk::ratioParameter, 3.0f }, { velk::inputParameter, 0.7f }, { velk::distortionParameter, 1.0f } });
    for (Plugin* instance : { &plugin, &fresh })
    {
        ASSERT_TRUE (instance->setChannels (2));
        instance->setChunk (settings);
        instance->setParameter (velk::gcParameter, 0.5f);
        instance->dispatch (vst2::effSetBypass, 0, 0);
        instance->resume (44100.0f, 512);
        render (*instance, noise (512, 6), 512);
        instance->resume (48000.0f, 512);
    }
    const auto input = noise (48000, 7);
    const auto fuzzed = render (plugin, input, 512), expected = render (fresh, input, 512);
    EXPECT_TRUE (allFinite (fuzzed));
    EXPECT_EQ (largestDifference (fuzzed, expected, input[0].size()), 0.0f);
}

TEST (Torture, NonsenseRatesAndBlockSizesKeepTheLastGoodSetUp)
{
    Plugin plugin, reference;
    for (Plugin* instance : { &plugin, &reference })
        instance->resume (48000.0f, 512);

    // Rates and block sizes that make no sense are ignored, and the next resume keeps 48 kHz.
    for (const float rate : { 0.0f, -44100.0f, notANumber, infinity, -infinity, 1e30f, 1e-30f })
        plugin.dispatch (vst2::effSetSampleRate, 0, 0, nullptr, rate);
    for (const vst2::VstIntPtr frames : { (vst2::VstIntPtr) 0, (vst2::VstIntPtr) -1, std::numeric_limits<vst2::VstIntPtr>::min() })
        plugin.dispatch (vst2::effSetBlockSize, 0, frames);
    plugin.dispatch (vst2::effMainsChanged, 0, 0);
    plugin.dispatch (vst2::effMainsChanged, 0, 1);

    // Block sizes beyond any buffer (2^30 and 2^40 frames) are taken as "long blocks": they go
    // in pieces, with no buffer of that size.
    for (const vst2::VstIntPtr frames : { (vst2::VstIntPtr) 1 << 30, (vst2::VstIntPtr) 1 << 40 })
    {
        plugin.dispatch (vst2::effSetBlockSize, 0, frames);
        plugin.dispatch (vst2::effMainsChanged, 0, 0);
        plugin.dispatch (vst2::effMainsChanged, 0, 1);
    }

    for (Plugin* instance : { &plugin, &reference })
        instance->setParameter (velk::ratioParameter, 4.0f);
    const auto input = noise (20000, 8);
    EXPECT_EQ (largestDifference (render (plugin, input, 20000), render (reference, input, 512), input[0].size()), 0.0f);
}

TEST (Torture, ParameterStormWhileAudioRunsWithTheEditorOpen)
{
    ASSERT_NE (hostWindow().display, nullptr) << "no X display";

    Plugin plugin;
    plugin.resume (48000.0f, 256);
    ASSERT_EQ (plugin.dispatch (vst2::effEditOpen, 0, 0, reinterpret_cast<void*> (hostWindow().window)), 1);

    // A thread writes every kind of float to all nine parameters as fast as it can.
    std::atomic<bool> storming { true };
    std::atomic<long> writes { 0 };
    std::thread stormer ([&]
                         {
                             std::mt19937 random (31);
                             const float odd[] = { notANumber, infinity, -infinity, 1e38f, -1e38f, -1.0f, 1e-40f, -0.0f, 3.5f, 7.0f };
                             auto* effect = plugin.getEffect();
                             while (storming.load())
                             {
                                 const int index = (int) (random() % velk::numParameters);
                                 const float value = random() % 3 == 0 ? odd[random() % 10] : (float) (random() % 10000) / 1000.0f - 2.0f;
                                 effect->setParameter (effect, index, value);
                                 writes.fetch_add (1);
                             } });

    // Meanwhile the audio thread processes and the editor idles on this one. What the storm's
    // absurd values make of the output is not checked here; the final settings are, below.
    std::thread audio ([&]
                       {
                           const auto input = noise (256, 9);
                           for (int i = 0; i < stormBlocks; ++i)
                               render (plugin, input, 256); });
    while (writes.load() < 1000)
        std::this_thread::yield();
    for (int i = 0; i < 50; ++i)
    {
        idle (plugin, 1);
        std::this_thread::sleep_for (std::chrono::milliseconds (2));
    }
    audio.join();
    storming = false;
    stormer.join();
    plugin.dispatch (vst2::effEditClose);
    std::printf ("[ figures  ] %ld parameter writes stormed during %d blocks\n", writes.load(), stormBlocks);

    // Then the final, valid values: they read back, and the plug-in converges on what a fresh
    // instance with the same values gives.
    const std::pair<int, float> finals[] = { { 0, 0.6f }, { 1, 0.37f }, { 2, 0.05f }, { 3, 0.5f }, { 4, 3.0f }, { 5, 2.0f }, { 6, 1.0f }, { 7, 0.4f }, { 8, 0.7f } };
    Plugin fresh;
    fresh.resume (48000.0f, 256);
    for (const auto& [index, value] : finals)
    {
        plugin.setParameter (index, value);
        fresh.setParameter (index, value);
    }
    for (const auto& [index, value] : finals)
        EXPECT_EQ (plugin.getParameter (index), value) << index;

    // A programme at about -20 dBFS. Two instances that started from different histories keep a
    // difference of some ulps of the output for good: each step of the DC blocker rounds, and its
    // 0.997 pole shrinks an old difference by less than that rounding adds. At full scale those
    // ulps alone come near 1e-6.
    const auto input = noise (96000, 10, 0.1f);
    const auto stormed = render (plugin, input, 256), expected = render (fresh, input, 256);
    EXPECT_TRUE (allFinite (stormed));
    const float difference = largestDifference (stormed, expected, 4800);
    std::printf ("[ figures  ] after two seconds the stormed instance is within %.3g of a fresh one\n", (double) difference);
    EXPECT_LE (difference, 1e-6f);
}

TEST (Torture, StateStormWhileAudioRuns)
{
    Plugin plugin;
    plugin.resume (48000.0f, 256);
    plugin.setParameter (velk::gcParameter, 0.77f);

    // Valid blocks with different values, and damaged ones.
    std::mt19937 random (41);
    std::vector<std::vector<char>> valid;
    std::vector<std::vector<std::pair<int, float>>> validValues;
    for (int i = 0; i < 6; ++i)
    {
        std::vector<std::pair<int, float>> values;
        for (const auto& info : velk::parameterTable)
            if (info.isSaved())
                values.push_back ({ info.index, info.isSwitch() ? (float) (info.firstPosition + (int) (random() % (unsigned) info.numPositions)) : (float) (random() % 1000) / 1000.0f });
        validValues.push_back (values);
        valid.push_back (chunkWith (values));
    }
    std::vector<std::vector<char>> invalid;
    for (const auto& block : valid)
    {
        invalid.push_back (std::vector<char> (block.begin(), block.begin() + (long) block.size() / 2));
        auto noiseBlock = block;
        for (size_t i = 8; i < noiseBlock.size(); ++i)
            noiseBlock[i] = (char) random();
        invalid.push_back (noiseBlock);
    }
    invalid.push_back ({});

    std::atomic<bool> restoring { true };
    std::atomic<int> lastValid { -1 };
    std::atomic<long> restores { 0 };
    std::thread restorer ([&]
                          {
                              std::mt19937 choose (43);
                              while (restoring.load())
                              {
                                  if (choose() % 2 == 0)
                                  {
                                      const int which = (int) (choose() % valid.size());
                                      plugin.setChunk (valid[(size_t) which]);
                                      lastValid = which;
                                  }
                                  else
                                  {
                                      // Straight through the dispatcher, so an empty block goes too.
                                      auto& block = invalid[choose() % invalid.size()];
                                      plugin.dispatch (vst2::effSetChunk, 0, (vst2::VstIntPtr) block.size(), block.empty() ? nullptr : block.data());
                                  }
                                  restores.fetch_add (1);
                              } });

    while (restores.load() < 20)
        std::this_thread::yield();
    const auto input = noise (256, 11);
    for (int i = 0; i < stormBlocks; ++i)
        EXPECT_TRUE (allFinite (render (plugin, input, 256)));
    restoring = false;
    restorer.join();
    std::printf ("[ figures  ] %ld state blocks restored during %d blocks\n", restores.load(), stormBlocks);

    ASSERT_GE (lastValid.load(), 0);
    for (const auto& [index, value] : validValues[(size_t) lastValid.load()])
        EXPECT_EQ (plugin.getParameter (index), value) << index;
    EXPECT_EQ (plugin.getParameter (velk::gcParameter), 0.77f);
    EXPECT_EQ (plugin.getChunk(), valid[(size_t) lastValid.load()]);
}

TEST (Torture, RateAndBlockSizeChangesMidStreamMatchTheEngine)
{
    Plugin plugin;
    const std::pair<int, float> settings[] = { { 4, 3.0f }, { 0, 0.7f }, { 1, 0.4f }, { 2, 0.25f }, { 5, 2.0f }, { 6, 1.0f } };
    for (const auto& [index, value] : settings)
        plugin.setParameter (index, value);

    // The processor starts its engine at 44.1 kHz and gives it the stored values again at each
    // new rate, before the first block at that rate.
    EngineMirror mirror (44100.0f);
    for (const auto& [index, value] : settings)
        mirror.set (index, value);

    std::mt19937 random (53);
    long changes = 0, frames = 0;
    for (int round = 0; round < rateChangeRounds; ++round)
        for (const float rate : { 96000.0f, 48000.0f, 44100.0f })
        {
            plugin.resume (rate, 8192);
            mirror.engine.prepare (rate);
            for (const auto& info : velk::parameterTable)
                mirror.set (info.index, plugin.getParameter (info.index));
            ++changes;

            for (int group = 0; group < 6; ++group)
            {
                const int blockSize = 1 + (int) (random() % 8192);
                const auto input = noise (blockSize * 3, (std::uint32_t) random());
                const auto output = render (plugin, input, blockSize);
                auto expected = input;
                for (size_t i = 0; i < input[0].size(); ++i)
                    mirror.processFrame (&expected[0][i], &expected[1][i]);
                ASSERT_EQ (largestDifference (output, expected, input[0].size()), 0.0f)
                    << rate << " Hz, blocks of " << blockSize << ", round " << round;
                frames += (long) input[0].size();
                ++changes;
            }
        }
    std::printf ("[ figures  ] %ld rate and block-size changes over %ld frames, bit-identical\n", changes, frames);

    for (const auto& [index, value] : settings)
        EXPECT_EQ (plugin.getParameter (index), value);
}

TEST (Torture, EditorOpenAndCloseCyclesWithAudioRunning)
{
    ASSERT_NE (hostWindow().display, nullptr) << "no X display";

    Plugin plugin;
    plugin.resume (48000.0f, 256);

    std::atomic<bool> playing { true };
    std::thread audio ([&]
                       {
                           const auto input = noise (256, 12);
                           while (playing.load())
                           {
                               render (plugin, input, 256);
                               std::this_thread::sleep_for (std::chrono::milliseconds (1));
                           } });

    // Per cycle: open, a few idle calls (the editor paints), close, and idle until its
    // asynchronous clean-up has run; then the blocks still allocated and the resident memory.
    std::vector<long> liveAfter, residentAfter;
    for (int cycle = 0; cycle < editorCycles; ++cycle)
    {
        ASSERT_EQ (plugin.dispatch (vst2::effEditOpen, 0, 0, reinterpret_cast<void*> (hostWindow().window)), 1) << cycle;
        idle (plugin, 5);
        plugin.dispatch (vst2::effEditClose);
        idle (plugin, 5);
        // Each open, the knobs send the host their snapped values (which a host records); the
        // host's record is not the plug-in's memory.
        plugin.takeAutomations();
        liveAfter.push_back (ScopedAllocationCount::liveBlocks());
        residentAfter.push_back (residentKilobytes());
    }
    playing = false;
    audio.join();

    const int measured = editorCycles - editorWarmUpCycles;
    const double blocksPerCycle = (double) (liveAfter.back() - liveAfter[editorWarmUpCycles - 1]) / measured;
    const double kilobytesPerCycle = (double) (residentAfter.back() - residentAfter[editorWarmUpCycles - 1]) / measured;
    std::printf ("[ figures  ] %d editor cycles with audio running; after %d to warm up: %+.2f blocks still allocated and %+.2f kB resident per cycle\n",
                 editorCycles, editorWarmUpCycles, blocksPerCycle, kilobytesPerCycle);

    // No cycle keeps what it allocated: a kept editor, window or image would be tens to hundreds
    // of blocks. (The count sees every thread, and the framework's message queue and Xlib's
    // caches may hold a block or so for a while, so the bound is not zero.)
    if (ScopedAllocationCount::countsMalloc())
    {
        EXPECT_LT (blocksPerCycle, 2.0);
    }
}

namespace
{
/** The values in the engine's filter, detector, saturator and DC-blocker state that are
    subnormal (nonzero and below the smallest normal float). */
int subnormalsIn (const CompressorCore& engine)
{
    const float values[] = {
        engine.detectorLeft.envelope, engine.detectorRight.envelope,
        engine.highPassLeft.x1, engine.highPassLeft.x2, engine.highPassLeft.y1, engine.highPassLeft.y2,
        engine.highPassRight.x1, engine.highPassRight.x2, engine.highPassRight.y1, engine.highPassRight.y2,
        engine.peakingLeft.x1, engine.peakingLeft.x2, engine.peakingLeft.y1, engine.peakingLeft.y2,
        engine.peakingRight.x1, engine.peakingRight.x2, engine.peakingRight.y1, engine.peakingRight.y2,
        engine.saturatorStrong.stateLeft, engine.saturatorStrong.stateRight,
        engine.saturatorMild.stateLeft, engine.saturatorMild.stateRight,
        engine.dcBlockerLeft.storedInput, engine.dcBlockerLeft.y1, engine.dcBlockerRight.storedInput, engine.dcBlockerRight.y1
    };
    int count = 0;
    for (float value : values)
        count += std::fpclassify (value) == FP_SUBNORMAL ? 1 : 0;
    return count;
}
} // namespace

TEST (Torture, LongRenderWithAutomation)
{
    // Programme in ten-second stretches: a sawtooth bass under noise bursts, every fifth stretch
    // silent, ending on a silent one; every half second one parameter moves to a random setting.
    constexpr int rate = 48000, blockSize = 1024, stretch = 10 * rate;
    const long totalFrames = (long) renderMinutes * 60 * rate;

    Plugin plugin;
    plugin.resume ((float) rate, blockSize);
    EngineMirror mirror (44100.0f);

    std::mt19937 random (61);
    NoiseSource noiseSource (62);
    std::vector<float> left (blockSize), right (blockSize), engineLeft (blockSize), engineRight (blockSize), outLeft (blockSize), outRight (blockSize);
    float phase = 0.0f;
    long differingBlocks = 0, nonFinite = 0, moves = 0;
    int subnormalsAfterSilence = -1;

    const auto started = std::chrono::steady_clock::now();
    for (long start = 0; start < totalFrames; start += blockSize)
    {
        const long stretchIndex = start / stretch;
        const bool silent = stretchIndex % 5 == 4 || start + stretch >= totalFrames;
        for (int i = 0; i < blockSize; ++i)
        {
            phase += 55.0f / (float) rate;
            phase -= phase >= 1.0f ? 1.0f : 0.0f;
            const bool burst = ((start + i) / 12000) % 4 == 0;
            const float sample = silent ? 0.0f : 0.3f * (2.0f * phase - 1.0f) + (burst ? 0.5f : 0.05f) * noiseSource.next();
            left[(size_t) i] = sample;
            right[(size_t) i] = silent ? 0.0f : 0.8f * sample + 0.1f * noiseSource.next();
        }

        if (start % (rate / 2) < blockSize && ! silent)
        {
            const auto& info = velk::parameterTable[random() % velk::numParameters];
            const float value = info.isSwitch() ? (float) (info.firstPosition + (int) (random() % (unsigned) info.numPositions))
                                                : (float) (random() % 1000) / 1000.0f;
            plugin.setParameter (info.index, value);
            mirror.set (info.index, value);
            ++moves;
        }

        if (start == 0)
        {
            // As the processor does on its first block at a new rate: the engine set up again and
            // given every stored value.
            mirror.engine.prepare ((float) rate);
            for (const auto& info : velk::parameterTable)
                mirror.set (info.index, plugin.getParameter (info.index));
        }

        engineLeft = left;
        engineRight = right;
        float* inputs[] = { left.data(), right.data() };
        float* outputs[] = { outLeft.data(), outRight.data() };
        plugin.process (inputs, outputs, blockSize);
        mirror.engine.processBlock (engineLeft.data(), engineRight.data(), blockSize);

        differingBlocks += std::memcmp (outLeft.data(), engineLeft.data(), sizeof (float) * blockSize) != 0
            || std::memcmp (outRight.data(), engineRight.data(), sizeof (float) * blockSize) != 0;
        for (int i = 0; i < blockSize; ++i)
            nonFinite += std::isfinite (outLeft[(size_t) i]) && std::isfinite (outRight[(size_t) i]) ? 0 : 1;
    }
    // (The meter's follower, computed in double, settles in silence on a few times the smallest
    // subnormal float; its value is only drawn, and it is reported, not counted.)
    subnormalsAfterSilence = subnormalsIn (mirror.engine);
    const double seconds = std::chrono::duration<double> (std::chrono::steady_clock::now() - started).count();

    std::printf ("[ figures  ] %d minutes of programme with %ld parameter moves rendered in %.1f s (%.0f times real time, "
                 "the engine alongside); after the closing silence %d subnormal values in the filter, detector, saturator and "
                 "DC-blocker state, meter follower at %g\n",
                 renderMinutes, moves, seconds, renderMinutes * 60.0 / seconds, subnormalsAfterSilence, (double) mirror.engine.meterState);
    EXPECT_EQ (nonFinite, 0);
    EXPECT_EQ (differingBlocks, 0);
    EXPECT_EQ (subnormalsAfterSilence, 0);
}
