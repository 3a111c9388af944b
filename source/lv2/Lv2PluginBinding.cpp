#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "Lv2PluginBinding.h"

#include "FloatBits.h"
#include "VelkVersion.h"

#include "PluginFramework.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The processor's parameters are the framework's index-based ones, which it marks deprecated;
// LV2 ports are index-based too.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
/** The lowest and highest rates that make sense; another one keeps the processor's own. */
constexpr double minSampleRate = 1.0, maxSampleRate = 10.0e6;

bool sameBits (float a, float b) noexcept
{
    return bitsOf (a) == bitsOf (b);
}

template <const lv2ports::Layout& layout>
LV2_Handle instantiate (const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const*)
{
    try
    {
        return new Lv2PluginBinding (layout, rate);
    }
    catch (...)
    {
        return nullptr;
    }
}

Lv2PluginBinding* bindingOf (LV2_Handle instance) noexcept
{
    return static_cast<Lv2PluginBinding*> (instance);
}

// clang-format off
void connectPort (LV2_Handle instance, uint32_t port, void* data) { bindingOf (instance)->connectPort (port, data); }
void activate (LV2_Handle instance)                               { bindingOf (instance)->activate(); }
void run (LV2_Handle instance, uint32_t numFrames)                { bindingOf (instance)->run (numFrames); }
void deactivate (LV2_Handle)                                      {}
void cleanup (LV2_Handle instance)                                { delete bindingOf (instance); }
const void* extensionData (const char*)                           { return nullptr; }
// clang-format on

const LV2_Descriptor descriptors[] = {
    { velk::version::lv2Uri, instantiate<lv2ports::stereo>, connectPort, activate, run, deactivate, cleanup, extensionData },
    { velk::version::lv2MonoUri, instantiate<lv2ports::mono>, connectPort, activate, run, deactivate, cleanup, extensionData },
};
} // namespace

//==============================================================================
const LV2_Descriptor* Lv2PluginBinding::descriptor (std::uint32_t index) noexcept
{
    return index < std::size (descriptors) ? &descriptors[index] : nullptr;
}

Lv2PluginBinding::Lv2PluginBinding (const lv2ports::Layout& portLayout, double rate)
    : framework (std::make_unique<PluginFramework>()),
      layout (portLayout)
{
    {
        // The processor is made on the calling thread, which is the message thread meanwhile.
        juce::SharedResourcePointer<juce::HostDrivenEventLoop> eventLoop;
        juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_LV2);
        processor = std::make_unique<MyTestAudioProcessor>();
        juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);
    }

    // A rate that makes no sense (below 1 Hz, not a number, beyond 10 MHz) is ignored.
    if (rate >= minSampleRate && rate <= maxSampleRate)
        sampleRate = rate;

    scratch.setSize (layout.channels, maxFrames);
    keyScratch.setSize (layout.channels, maxFrames);
    processor->setPlayConfigDetails (layout.channels, layout.channels, sampleRate, maxFrames);
    processor->prepareToPlay (sampleRate, maxFrames);
}

Lv2PluginBinding::~Lv2PluginBinding()
{
    const juce::MessageManagerLock lock;
    processor = nullptr;
}

void Lv2PluginBinding::connectPort (std::uint32_t index, void* data) noexcept
{
    if (index < (std::uint32_t) layout.numPorts())
        ports[index] = static_cast<float*> (data);
}

void Lv2PluginBinding::activate() noexcept
{
    // A fresh start: the engine's history cleared and every port value applied again.
    {
        const juce::ScopedLock lock (processor->getCallbackLock());
        processor->getEngine().prepare ((float) sampleRate);
    }
    anyApplied = false;
    clipHoldFrames = 0;
    lastClipCount = processor->getEngine().getClipCount();
}

//==============================================================================
void Lv2PluginBinding::applyPortValues() noexcept
{
    // An unconnected port reads as its default. The setter stores a value that is not a number
    // as 0, so nothing a port holds makes the output non-finite for good. A stored value that
    // has moved since (the editor writes the processor as it tells the host) gets the port's
    // value back: the port always wins. Limit is reached as a preset reaches it (from 20:1),
    // since the host keeps only the port values: a session then sounds as it was saved.
    for (int index = 0; index < velk::numParameters; ++index)
    {
        const auto* valuePort = port (layout.parameter (index));
        const float value = valuePort != nullptr ? *valuePort : velk::parameterInfo (index).defaultValue;
        const auto slot = (size_t) index;
        if (! anyApplied || ! sameBits (value, appliedValues[slot]) || ! sameBits (processor->getParameter (index), storedValues[slot]))
        {
            appliedValues[slot] = value;
            if (index == velk::ratioParameter && MyTestAudioProcessor::truncateToInt (value) == (int) velk::limitPosition)
                processor->setLimitFromApproach();
            else
                processor->setParameter (index, value);
            storedValues[slot] = processor->getParameter (index);
        }
    }
    anyApplied = true;
}

void Lv2PluginBinding::run (std::uint32_t numFrames) noexcept
{
    applyPortValues();

    const auto* enabledPort = port (layout.enabled());
    const bool enabled = enabledPort == nullptr || *enabledPort > 0.5f;
    const auto* sidechainPort = port (layout.sidechain());
    const bool external = sidechainPort != nullptr && *sidechainPort >= 0.5f;
    // A stereo plug-in whose host connects the left key input alone takes it as a mono key.
    const bool monoKey = layout.channels == 1 || (port (layout.keyIn (1)) == nullptr && port (layout.keyIn (0)) != nullptr);

    for (std::uint32_t start = 0; start < numFrames; start += (std::uint32_t) maxFrames)
    {
        const int length = (int) std::min<std::uint32_t> ((std::uint32_t) maxFrames, numFrames - start);
        juce::AudioBuffer<float> block (scratch.getArrayOfWritePointers(), layout.channels, length);

        // The processor works in place on a copy of the inputs, whatever the host's input and
        // output buffers share.
        for (int channel = 0; channel < layout.channels; ++channel)
        {
            if (const auto* input = port (layout.audioIn (channel)))
                block.copyFrom (channel, 0, input + start, length);
            else
                block.clear (channel, 0, length);
        }

        if (external)
        {
            for (int channel = 0; channel < layout.channels; ++channel)
            {
                if (const auto* key = port (layout.keyIn (channel)))
                    keyScratch.copyFrom (channel, 0, key + start, length);
                else
                    keyScratch.clear (channel, 0, length);
            }
        }

        {
            const juce::ScopedLock lock (processor->getCallbackLock());
            if (! enabled)
                processor->processBlockBypassed (block, noMidi);
            else if (external)
                processor->processBlockWithKey (block, keyScratch.getReadPointer (0), monoKey ? nullptr : keyScratch.getReadPointer (1));
            else
                processor->processBlock (block, noMidi);
        }

        for (int channel = 0; channel < layout.channels; ++channel)
            if (auto* output = port (layout.audioOut (channel)))
                std::memcpy (output + start, block.getReadPointer (channel), sizeof (float) * (size_t) length);
    }

    if (auto* latency = port (layout.latency()))
        *latency = 0.0f;
    writeMeters ((int) std::min<std::uint32_t> (numFrames, 1u << 30));
}

void Lv2PluginBinding::writeMeters (int numFrames) noexcept
{
    auto& engine = processor->getEngine();

    // The largest reduction of the block in dB; 0 where nothing was reduced (at 1:1 too).
    const float smallestGain = engine.takeSmallestGain();
    float reductionDb = 0.0f;
    if (smallestGain < 1.0f)
        reductionDb = smallestGain > 0.0f ? std::min (lv2ports::maxReductionDb, -20.0f * std::log10 (smallestGain))
                                          : lv2ports::maxReductionDb;
    if (auto* reduction = port (layout.gainReduction()))
        *reduction = reductionDb;

    // Lit for a second after a sample passed full scale, as the editor's lamp; the lamp's own
    // flag is left to the lamp.
    const auto clipCount = engine.getClipCount();
    if (clipCount != lastClipCount)
    {
        lastClipCount = clipCount;
        clipHoldFrames = (int) sampleRate;
    }
    else
    {
        clipHoldFrames = std::max (0, clipHoldFrames - numFrames);
    }
    if (auto* clip = port (layout.clip()))
        *clip = clipHoldFrames > 0 ? 1.0f : 0.0f;
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
