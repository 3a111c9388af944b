#include "VelkFormatProcessor.h"

#include "VelkFormatEditor.h"

// The inner processor's parameters are the framework's index-based ones, which it marks
// deprecated; the VST 2.4 module depends on them as they are.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

VelkFormatProcessor::VelkFormatProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      inner (std::make_unique<MyTestAudioProcessor>())
{
    for (const auto& info : velk::parameterTable)
    {
        auto parameter = std::make_unique<FormatParameter> (info, [this] (int index, float rawValue)
                                                            { handOn (index, rawValue); });
        parameters[(size_t) info.index] = parameter.get();
        addParameter (parameter.release());
    }

    showInnerValues();
    inner->addListener (this);
}

VelkFormatProcessor::~VelkFormatProcessor()
{
    inner->removeListener (this);
}

//==============================================================================
const juce::String VelkFormatProcessor::getName() const
{
    return inner->getName();
}

void VelkFormatProcessor::prepareToPlay (double sampleRate, int samplesPerBlock)
{
    const juce::ScopedLock lock (inner->getCallbackLock());
    inner->setPlayConfigDetails (getTotalNumInputChannels(), getTotalNumOutputChannels(), sampleRate, samplesPerBlock);
    inner->prepareToPlay (sampleRate, samplesPerBlock);
}

void VelkFormatProcessor::releaseResources()
{
    const juce::ScopedLock lock (inner->getCallbackLock());
    inner->releaseResources();
}

bool VelkFormatProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    // Mono in to mono out, or stereo in to stereo out.
    const auto in = layouts.getMainInputChannelSet(), out = layouts.getMainOutputChannelSet();
    return in == out && (in == juce::AudioChannelSet::mono() || in == juce::AudioChannelSet::stereo());
}

void VelkFormatProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages)
{
    const juce::ScopedLock lock (inner->getCallbackLock());
    inner->processBlock (buffer, midiMessages);
}

void VelkFormatProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages)
{
    const juce::ScopedLock lock (inner->getCallbackLock());
    inner->processBlockBypassed (buffer, midiMessages);
}

void VelkFormatProcessor::setNonRealtime (bool isNonRealtime) noexcept
{
    juce::AudioProcessor::setNonRealtime (isNonRealtime);
    inner->setNonRealtime (isNonRealtime);
}

double VelkFormatProcessor::getTailLengthSeconds() const
{
    return inner->getTailLengthSeconds();
}

juce::AudioProcessorEditor* VelkFormatProcessor::createEditor()
{
    return new VelkFormatEditor (*this);
}

//==============================================================================
void VelkFormatProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    inner->getStateInformation (destData);
}

void VelkFormatProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    inner->setStateInformation (data, sizeInBytes);
    showInnerValues();
}

//==============================================================================
void VelkFormatProcessor::handOn (int index, float rawValue)
{
    inner->setParameter (index, rawValue);
    hostWrote.store (true, std::memory_order_relaxed);
}

void VelkFormatProcessor::showInnerValues()
{
    for (auto* parameter : parameters)
        parameter->showRawValue (inner->getParameter (parameter->getIndex()));
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
