// The audio path as a host drives it, in process: after the first block, processReplacing and
// parameter writes allocate nothing, in every mode, at every block size, across a change of
// sample rate, an arrangement change and a bypass toggle; and the one lock a block takes is the
// processor's callback lock, which parameter writes do not take.

#include "AllocationCounter.h"
#include "LockCounter.h"
#include "ParameterTable.h"
#include "TestSignals.h"
#include "VstPluginBinding.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
vst2::VstIntPtr quietHost (vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*, float)
{
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

/** One instance through its effect record, with blocks of noise. */
class Instance
{
public:
    Instance() : effect (VstPluginBinding::createEffect (quietHost))
    {
        NoiseSource noise (77u);
        for (auto* channel : { &left, &right })
            for (auto& sample : *channel)
                sample = 0.8f * noise.next();
    }

    ~Instance()
    {
        if (effect != nullptr)
            dispatch (vst2::effClose);
    }

    vst2::VstIntPtr dispatch (vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return effect->dispatcher (effect, opcode, index, value, ptr, opt);
    }

    void resume (float rate, int blockSize)
    {
        dispatch (vst2::effMainsChanged, 0, 0);
        dispatch (vst2::effSetSampleRate, 0, 0, nullptr, rate);
        dispatch (vst2::effSetBlockSize, 0, blockSize);
        dispatch (vst2::effMainsChanged, 0, 1);
    }

    bool setChannels (int numChannels)
    {
        vst2::VstSpeakerArrangement arrangement {};
        arrangement.type = numChannels == 1 ? vst2::kSpeakerArrMono : vst2::kSpeakerArrStereo;
        arrangement.numChannels = numChannels;
        return dispatch (vst2::effSetSpeakerArrangement, 0, (vst2::VstIntPtr) &arrangement, &arrangement) == 1;
    }

    void process (int numFrames)
    {
        float* inputs[] = { left.data(), right.data() };
        float* outputs[] = { outLeft.data(), outRight.data() };
        effect->processReplacing (effect, inputs, outputs, numFrames);
    }

    vst2::AEffect* effect;
    std::vector<float> left = std::vector<float> (8192), right = left, outLeft = left, outRight = left;
};
} // namespace

TEST (RealTime, ProcessReplacingAndParameterWritesAllocateNothing)
{
    Instance plugin;
    ASSERT_NE (plugin.effect, nullptr);
    const int blockSizes[] = { 1, 7, 64, 512, 4096, 8192 };
    long blocksCounted = 0, blockLocks = 0, parameterLocks = 0, otherMutexes = 0;
    const void* callbackLock = &static_cast<VstPluginBinding*> (plugin.effect->object)->getProcessor().getCallbackLock();

    for (const int channels : { 2, 1 })
    {
        ASSERT_TRUE (plugin.setChannels (channels));
        for (const float rate : { 44100.0f, 96000.0f, 48000.0f })
        {
            // A new rate: the host announces it and resumes; the first block re-runs the engine's
            // set-up on the audio thread, which must not allocate either.
            plugin.resume (rate, 512);
            {
                const ScopedAllocationCount allocations;
                plugin.process (512);
                EXPECT_EQ (allocations.count(), 0) << "rate change to " << rate;
            }

            for (int ratio = 1; ratio <= 6; ++ratio)
                for (int distortion = 0; distortion <= 4; ++distortion)
                    for (int filter = 0; filter <= 3; ++filter)
                    {
                        const ScopedAllocationCount allocations;
                        {
                            const ScopedLockCount locks;
                            plugin.effect->setParameter (plugin.effect, velk::ratioParameter, (float) ratio);
                            plugin.effect->setParameter (plugin.effect, velk::distortionParameter, (float) distortion);
                            plugin.effect->setParameter (plugin.effect, velk::filterParameter, (float) filter);
                            plugin.effect->setParameter (plugin.effect, velk::inputParameter, 0.3f + 0.1f * (float) filter);
                            parameterLocks += locks.count();
                        }
                        for (const int frames : blockSizes)
                        {
                            const ScopedLockCount locks;
                            plugin.process (frames);
                            ++blocksCounted;
                            blockLocks += locks.count();
                            for (std::size_t i = 0; i < locks.numMutexes(); ++i)
                                if (locks.mutex (i) != callbackLock)
                                    ++otherMutexes;
                        }
                        ASSERT_EQ (allocations.count(), 0)
                            << channels << " channels, " << rate << " Hz, ratio " << ratio << ", distortion " << distortion << ", filter " << filter;
                    }

            const ScopedAllocationCount allocations;
            plugin.dispatch (vst2::effSetBypass, 0, 1);
            plugin.process (256);
            plugin.dispatch (vst2::effSetBypass, 0, 0);
            plugin.process (256);
            EXPECT_EQ (allocations.count(), 0) << "bypass toggle";
        }
    }

    EXPECT_EQ (blocksCounted, 2 * 3 * 120 * 6);

    // Each block takes the callback lock once and no other; parameter writes take none.
    if (ScopedLockCount::observesLocks())
    {
        EXPECT_EQ (blockLocks, blocksCounted);
        EXPECT_EQ (otherMutexes, 0);
        EXPECT_EQ (parameterLocks, 0);
    }
}

TEST (RealTime, TheLockObserverSeesLocks)
{
    if (! ScopedLockCount::observesLocks())
        GTEST_SKIP() << "a sanitizer owns the lock functions in this build";

    juce::CriticalSection first, second;
    const ScopedLockCount locks;
    {
        const juce::ScopedLock a (first);
        const juce::ScopedLock b (second);
        const juce::ScopedLock c (first);
    }
    EXPECT_EQ (locks.count(), 3);
    ASSERT_EQ (locks.numMutexes(), 2u);
    EXPECT_EQ (locks.mutex (0), static_cast<const void*> (&first));
    EXPECT_EQ (locks.mutex (1), static_cast<const void*> (&second));
}

TEST (RealTime, TheCounterSeesAllocations)
{
    // The counter itself works on this build, for operator new at least and, where the
    // allocator's entry points are replaced, for malloc too.
    // Direct calls of the allocation function, which the compiler may not leave out.
    const ScopedAllocationCount allocations;
    void* volatile block = ::operator new (64);
    ::operator delete (block);
    EXPECT_EQ (allocations.count(), 1);

    if (ScopedAllocationCount::countsMalloc())
    {
        const ScopedAllocationCount mallocs;
        void* volatile p = std::malloc (64);
        std::free (p);
        EXPECT_EQ (mallocs.count(), 1);
    }
}
