#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "BindingCore.h"

#include "FactoryPresetTable.h"
#include "HostedEditor.h"
#include "PluginFramework.h"
#include "WrappedState.h"

#include <cmath>
#include <cstring>

// The processor's parameters are the framework's index-based ones, which it marks deprecated;
// the formats' values are index-based too.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
/** The element that carries what the processor's block does not hold, after that block. */
constexpr const char* trailerTag = "VELKFormats";

/** The format the framework gives the plug-ins made meanwhile, back to none afterwards. */
struct NextPluginType
{
    explicit NextPluginType (juce::AudioProcessor::WrapperType format) { juce::AudioProcessor::setTypeOfNextNewPlugin (format); }
    ~NextPluginType() { juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined); }
};
} // namespace

bool BindingCore::isUsableRate (double rate) noexcept
{
    return rate >= 1.0 && rate <= 10.0e6;
}

juce::AudioProcessor* BindingCore::createProcessor()
{
    return new MyTestAudioProcessor();
}

BindingCore::BindingCore (juce::AudioProcessor::WrapperType format, juce::AudioProcessor* (*create)(), Framework frameworkKind)
    : scratch (2, maxPiece),
      silence ((size_t) maxPiece, 0.0f)
{
    if (frameworkKind == Framework::own)
        framework = std::make_unique<PluginFramework>();

    std::unique_ptr<juce::AudioProcessor> made;
    if (framework == nullptr)
    {
        // Inside the framework's own wrapper, which has set the format and runs the message thread.
        made.reset (create());
    }
    else
    {
        // Shared with an open editor of another instance, whose host thread stays the message thread.
        juce::SharedResourcePointer<juce::HostDrivenEventLoop> eventLoop;
        const NextPluginType type (format);
        made.reset (create());
    }

    processor.reset (dynamic_cast<MyTestAudioProcessor*> (made.get()));
    if (processor == nullptr)
        throw std::runtime_error ("no processor");
    made.release();
}

BindingCore::~BindingCore()
{
    const juce::MessageManagerLock lock;
    editor = nullptr;
    processor = nullptr;
}

//==============================================================================
void BindingCore::prepare (double rate, int maxBlock, int numChannels)
{
    if (isUsableRate (rate))
        sampleRate = rate;
    const int blockSize = juce::jlimit (1, maxPiece, maxBlock);
    const int channels = juce::jlimit (1, 2, numChannels);
    const juce::ScopedLock lock (processor->getCallbackLock());
    processor->setPlayConfigDetails (channels, channels, sampleRate, blockSize);
    processor->prepareToPlay (sampleRate, blockSize);
}

void BindingCore::release()
{
    const juce::ScopedLock lock (processor->getCallbackLock());
    processor->releaseResources();
}

void BindingCore::reset()
{
    const juce::ScopedLock lock (processor->getCallbackLock());
    processor->restartEngine();
    lastClipCount = processor->getEngine().getClipCount();
    clipHoldFrames = 0;
}

void BindingCore::process (const float* const* inputs, float* const* outputs, const float* const* keys, int numKeyChannels,
                           std::uint32_t numFrames, bool bypassed, bool accumulate) noexcept
{
    if (outputs == nullptr || numFrames == 0)
        return;

    // The channel count changes only under the same lock.
    const juce::ScopedLock lock (processor->getCallbackLock());
    const int numChannels = juce::jlimit (1, 2, processor->getTotalNumOutputChannels());

    if (processor->isSuspended())
    {
        if (! accumulate)
            for (int channel = 0; channel < numChannels; ++channel)
                if (outputs[channel] != nullptr)
                    std::memset (outputs[channel], 0, sizeof (float) * (size_t) numFrames);
        return;
    }

    const bool external = usesExternalKey();
    for (std::uint32_t start = 0; start < numFrames; start += (std::uint32_t) maxPiece)
    {
        const int length = (int) std::min (numFrames - start, (std::uint32_t) maxPiece);
        juce::AudioBuffer<float> block (scratch.getArrayOfWritePointers(), numChannels, length);

        // The processor works in place on a copy of the inputs, whatever the host's input and
        // output buffers share.
        for (int channel = 0; channel < numChannels; ++channel)
        {
            if (inputs != nullptr && inputs[channel] != nullptr)
                block.copyFrom (channel, 0, inputs[channel] + start, length);
            else
                block.clear (channel, 0, length);
        }

        if (bypassed)
        {
            processor->processBlockBypassed (block, noMidi);
        }
        else if (external)
        {
            const auto key = [&] (int channel)
            {
                const bool connected = keys != nullptr && channel < numKeyChannels && keys[channel] != nullptr;
                return connected ? keys[channel] + start : silence.data();
            };
            processor->processBlockWithKey (block, key (0), numKeyChannels > 1 ? key (1) : nullptr);
        }
        else
        {
            processor->processBlock (block, noMidi);
        }

        for (int channel = 0; channel < numChannels; ++channel)
        {
            if (outputs[channel] == nullptr)
                continue;
            if (accumulate)
                juce::FloatVectorOperations::add (outputs[channel] + start, block.getReadPointer (channel), length);
            else
                std::memcpy (outputs[channel] + start, block.getReadPointer (channel), sizeof (float) * (size_t) length);
        }
    }
}

//==============================================================================
void BindingCore::setValue (int index, float rawValue) noexcept
{
    if (index == velk::sidechainParameter)
        externalKey.store (rawValue >= 0.5f, std::memory_order_relaxed);
    else
        processor->setParameter (index, rawValue);
}

void BindingCore::setValueAsPreset (int index, float rawValue) noexcept
{
    if (index == velk::ratioParameter && MyTestAudioProcessor::truncateToInt (rawValue) == (int) velk::limitPosition)
        processor->setLimitFromApproach();
    else
        setValue (index, rawValue);
}

float BindingCore::getValue (int index) noexcept
{
    if (index == velk::sidechainParameter)
        return usesExternalKey() ? 1.0f : 0.0f;
    return processor->getParameter (index);
}

void BindingCore::applyPreset (int index) noexcept
{
    if (! juce::isPositiveAndBelow (index, velk::numFactoryPresets))
        return;

    velk::applyFactoryPreset (velk::factoryPresets[index], [this] (int i, float value)
                              { setValueAsPreset (i, value); });
    program.store (index, std::memory_order_relaxed);
}

//==============================================================================
float BindingCore::takeReductionDb() noexcept
{
    const float smallestGain = processor->getEngine().takeSmallestGain();
    if (smallestGain >= 1.0f)
        return 0.0f;
    return smallestGain > 0.0f ? std::min (velk::maxReductionDb, -20.0f * std::log10 (smallestGain)) : velk::maxReductionDb;
}

bool BindingCore::takeClipHeld (std::uint32_t numFrames) noexcept
{
    const auto clipCount = processor->getEngine().getClipCount();
    if (clipCount != lastClipCount)
    {
        lastClipCount = clipCount;
        clipHoldFrames = (int) sampleRate;
    }
    else
    {
        clipHoldFrames = (int) std::max<std::int64_t> (0, (std::int64_t) clipHoldFrames - numFrames);
    }
    return clipHoldFrames > 0;
}

//==============================================================================
void BindingCore::getState (juce::MemoryBlock& destData)
{
    processor->getStateInformation (destData);
    juce::XmlElement trailer (trailerTag);
    trailer.setAttribute ("gc", MyTestAudioProcessor::savedText (processor->getParameter (velk::gcParameter)));
    trailer.setAttribute ("sidechain", usesExternalKey() ? 1 : 0);
    trailer.setAttribute ("program", getProgram());
    if (processor->reachesLimitFromApproach())
        trailer.setAttribute ("limitFromApproach", 1); // a preset's Limit: restored the same way
    juce::MemoryBlock wrapped;
    juce::AudioProcessor::copyXmlToBinary (trailer, wrapped);
    destData.append (wrapped.getData(), wrapped.getSize());
}

bool BindingCore::setState (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 0)
        return false;

    // The processor's block first (the whole data where it is no such block).
    const int textLength = wrappedstate::wholeTextLength (data, sizeInBytes);
    const int blockSize = textLength >= 0 ? textLength + wrappedstate::overhead : sizeInBytes;
    processor->setStateInformation (data, blockSize);

    // An older state has no trailer: Sidechain Internal, Gc as it is.
    const auto trailer = wrappedstate::parse (juce::addBytesToPointer (data, blockSize), sizeInBytes - blockSize);
    const bool hasTrailer = trailer != nullptr && trailer->hasTagName (trailerTag);
    if (hasTrailer && trailer->hasAttribute ("gc"))
        processor->setParameter (velk::gcParameter, MyTestAudioProcessor::savedValue (trailer->getStringAttribute ("gc")));
    externalKey.store (hasTrailer && trailer->getIntAttribute ("sidechain") == 1, std::memory_order_relaxed);
    if (hasTrailer && trailer->getIntAttribute ("limitFromApproach") == 1 && processor->getParameter (velk::ratioParameter) == velk::limitPosition)
        processor->setLimitFromApproach();
    const int restoredProgram = hasTrailer ? trailer->getIntAttribute ("program") : 0;
    program.store (juce::isPositiveAndBelow (restoredProgram, velk::numFactoryPresets) ? restoredProgram : 0, std::memory_order_relaxed);
    return true;
}

//==============================================================================
bool BindingCore::openEditor (void* parentWindow)
{
    editor = nullptr;
    if (parentWindow == nullptr)
        return false;
    editor = std::make_unique<HostedEditor> ([this]
                                             { return processor->createEditorIfNeeded(); },
                                             parentWindow);
    if (editor->getEditor() == nullptr)
        editor = nullptr; // gives the message loop back to the plug-in's own thread
    return editor != nullptr;
}

void BindingCore::closeEditor()
{
    editor = nullptr;
}

void BindingCore::idleEditor()
{
    if (editor != nullptr)
        editor->idle();
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
