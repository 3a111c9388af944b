// Parameter writes, metering reads and the clip lamp's test-and-clear run on other threads than
// the audio thread; every shared field is atomic, so a ThreadSanitizer build of this test must
// stay clean.

#include "CompressorCore.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

TEST (Threading, ParameterWritesWhileProcessing)
{
    CompressorCore core (44100.0f);
    std::atomic<bool> done { false };
    std::atomic<long> processed { 0 };

    // clang-format off
    std::thread audio ([&]
    {
        NoiseSource noise;
        for (int i = 0; i < 400000; ++i)
        {
            float left = noise.next(), right = noise.next();
            if (i % 100000 == 0)
                core.prepare (i % 200000 == 0 ? 48000.0f : 44100.0f);
            core.processSample (&left, &right);
            if (! std::isfinite (left) || ! std::isfinite (right))
                break;
            processed.fetch_add (1, std::memory_order_relaxed);
        }
        done = true;
    });

    std::thread automation ([&]
    {
        NoiseSource random (99u);
        while (! done)
        {
            core.setInput (0.5f + 0.5f * random.next());
            core.setAttack (0.5f + 0.5f * random.next());
            core.setRelease (0.5f + 0.5f * random.next());
            core.setOutput (0.5f + 0.5f * random.next());
            core.setRatioPreset ((int) random.nextInt (7));
            core.setDistortionMode ((int) random.nextInt (5));
            core.setFilterMode ((int) random.nextInt (4));
            core.setWetDry (random.next());
            core.setGc (random.next());
        }
    });
    // clang-format on

    int lampTicks = 0;
    while (! done)
    {
        // What the editor's lamp and meter do on their timers.
        if (core.takeClipFlag())
            core.clipHold.store (0, std::memory_order_relaxed);
        else
            core.clipHold.store (std::min (core.clipHold.load (std::memory_order_relaxed) + 1, 20), std::memory_order_relaxed);
        EXPECT_TRUE (std::isfinite (core.meterValue.load (std::memory_order_relaxed)));
        ++lampTicks;
        std::this_thread::yield();
    }

    audio.join();
    automation.join();
    EXPECT_EQ (processed.load(), 400000);
    EXPECT_GT (lampTicks, 0);
}
