#include "VelkFormatProcessor.h"

#include "VelkFormatEditor.h"

// The inner processor's parameters are the framework's index-based ones, which it marks
// deprecated; the VST 2.4 module depends on them as they are.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
/** The standalone app plays the main buses alone, so there the main input has the key's two
    channels after the audio's. */
constexpr int standaloneInputChannels = 4;
} // namespace

juce::AudioProcessor::BusesProperties VelkFormatProcessor::busesFor (WrapperType format)
{
    const auto stereo = juce::AudioChannelSet::stereo();
    const auto input = format == wrapperType_Standalone ? juce::AudioChannelSet::discreteChannels (standaloneInputChannels) : stereo;
    return BusesProperties().withInput ("Input", input, true).withOutput ("Output", stereo, true).withInput ("Sidechain", stereo, false);
}

VelkFormatProcessor::VelkFormatProcessor (WrapperType format)
    : juce::AudioProcessor (busesFor (format)),
      keyOnMainInput (format == wrapperType_Standalone),
      core (format, BindingCore::createProcessor, BindingCore::Framework::wrapper),
      inner (core.getProcessor())
{
    for (int index = 0; index < velk::numFormatParameters; ++index)
    {
        auto parameter = std::make_unique<FormatParameter> (*velk::formatParameterInfo (index), [this] (int i, float rawValue)
                                                            { handOn (i, rawValue); });
        parameters[(size_t) index] = parameter.get();
        addParameter (parameter.release());
    }

    showInnerValues();
    inner.addListener (this);
}

VelkFormatProcessor::~VelkFormatProcessor()
{
    inner.removeListener (this);
}

//==============================================================================
const juce::String VelkFormatProcessor::getName() const
{
    return inner.getName();
}

void VelkFormatProcessor::prepareToPlay (double sampleRate, int samplesPerBlock)
{
    core.prepare (sampleRate, samplesPerBlock, getMainBusNumOutputChannels());
}

void VelkFormatProcessor::releaseResources()
{
    core.release();
}

bool VelkFormatProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    // Mono in to mono out, or stereo in to stereo out; the key off, mono or stereo.
    const auto in = layouts.getMainInputChannelSet(), out = layouts.getMainOutputChannelSet();
    const auto key = layouts.inputBuses.size() > 1 ? layouts.getChannelSet (true, 1) : juce::AudioChannelSet::disabled();
    const auto monoOrStereo = [] (const juce::AudioChannelSet& set)
    { return set == juce::AudioChannelSet::mono() || set == juce::AudioChannelSet::stereo(); };
    if (keyOnMainInput && in.size() == standaloneInputChannels && out == juce::AudioChannelSet::stereo())
        return true;
    return in == out && monoOrStereo (in) && (key.isDisabled() || monoOrStereo (key));
}

void VelkFormatProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    processMain (buffer, false);
}

void VelkFormatProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    processMain (buffer, true);
}

void VelkFormatProcessor::processMain (juce::AudioBuffer<float>& buffer, bool bypassed)
{
    // The main bus in place; the key's channels follow the main ones, where the host's buffer
    // has them (in the standalone app's main input, after the audio's two).
    auto main = getBusBuffer (buffer, true, 0);
    const int numAudio = juce::jmin (2, main.getNumChannels());
    const float* keys[2] = {};
    int numKeyChannels = 0;
    if (main.getNumChannels() == standaloneInputChannels)
    {
        keys[0] = main.getReadPointer (2);
        keys[1] = main.getReadPointer (3);
        numKeyChannels = 2;
    }
    else if (auto* keyBus = getBus (true, 1); keyBus != nullptr && keyBus->isEnabled())
    {
        const int keyChannels = juce::jmin (2, keyBus->getNumberOfChannels());
        if (keyChannels > 0 && buffer.getNumChannels() >= getChannelIndexInProcessBlockBuffer (true, 1, 0) + keyChannels)
        {
            const auto key = getBusBuffer (buffer, true, 1);
            for (int channel = 0; channel < keyChannels; ++channel)
                keys[channel] = key.getReadPointer (channel);
            numKeyChannels = keyChannels;
        }
    }

    float* audio[2] = {};
    for (int channel = 0; channel < numAudio; ++channel)
        audio[channel] = main.getWritePointer (channel);
    core.process (audio, audio, keys, numKeyChannels, (std::uint32_t) main.getNumSamples(), bypassed);
}

void VelkFormatProcessor::setNonRealtime (bool isNonRealtime) noexcept
{
    juce::AudioProcessor::setNonRealtime (isNonRealtime);
    inner.setNonRealtime (isNonRealtime);
}

double VelkFormatProcessor::getTailLengthSeconds() const
{
    return inner.getTailLengthSeconds();
}

juce::AudioProcessorEditor* VelkFormatProcessor::createEditor()
{
    return new VelkFormatEditor (*this);
}

//==============================================================================
void VelkFormatProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    core.getState (destData);
}

void VelkFormatProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (core.setState (data, sizeInBytes))
        showInnerValues();
}

//==============================================================================
const juce::String VelkFormatProcessor::getProgramName (int index)
{
    return juce::isPositiveAndBelow (index, velk::numFactoryPresets) ? velk::factoryPresets[index].name : "";
}

void VelkFormatProcessor::setCurrentProgram (int index)
{
    if (! juce::isPositiveAndBelow (index, velk::numFactoryPresets))
        return;

    // Written as the host's writes are, so that an open editor follows.
    core.applyPreset (index);
    hostWrote.store (true, std::memory_order_relaxed);

    // The host hears of each value that changed, as a gesture of its own, before this returns.
    // Off the framework's message thread (a VST3 host's thread while no editor is open on Linux)
    // the framework would only queue the values and ask the host from its own thread to re-read
    // them later, perhaps after the instance is gone: there the format tells the host itself.
    const bool frameworkTellsAtOnce = juce::MessageManager::existsAndIsCurrentThread();
    for (auto* parameter : parameters)
    {
        const float rawValue = core.getValue (parameter->getIndex());
        if (parameter->normalizedFor (rawValue) == parameter->getValue())
            continue;
        if (! frameworkTellsAtOnce && tellHostAtOnce (parameter->getIndex(), parameter->storeRawValue (rawValue)))
            continue;
        parameter->beginChangeGesture();
        parameter->showRawValue (rawValue);
        parameter->endChangeGesture();
    }
    if (frameworkTellsAtOnce)
        updateHostDisplay (juce::AudioProcessorListener::ChangeDetails().withProgramChanged (true));
}

bool VelkFormatProcessor::tellHostAtOnce (int, float)
{
    return false;
}

//==============================================================================
void VelkFormatProcessor::handOn (int index, float rawValue)
{
    core.setValue (index, rawValue);
    hostWrote.store (true, std::memory_order_relaxed);
}

void VelkFormatProcessor::showInnerValues()
{
    for (auto* parameter : parameters)
        parameter->showRawValue (core.getValue (parameter->getIndex()));
}

void VelkFormatProcessor::audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue)
{
    // The editor has written the inner processor already: the host only hears of it.
    if (velk::isParameterIndex (index))
        parameters[(size_t) index]->showRawValue (newValue);
}

void VelkFormatProcessor::audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index)
{
    if (velk::isParameterIndex (index))
        parameters[(size_t) index]->beginChangeGesture();
}

void VelkFormatProcessor::audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index)
{
    if (velk::isParameterIndex (index))
        parameters[(size_t) index]->endChangeGesture();
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
