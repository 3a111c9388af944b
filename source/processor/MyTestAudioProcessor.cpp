#include "MyTestAudioProcessor.h"

#include "FloatBits.h"
#include "MyTestAudioProcessorEditor.h"
#include "ParameterTable.h"
#include "ParameterText.h"
#include "VelkVersion.h"
#include "WrappedState.h"

#include <charconv>
#include <cmath>

// The nine parameters use the framework's index-based parameter interface, which it marks as
// deprecated; this file implements it on purpose.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
constexpr auto relaxed = std::memory_order_relaxed;

/** A restored or received value that is not a number (NaN, infinity) counts as 0. */
float finiteOrZero (float value) noexcept
{
    return std::isfinite (value) ? value : 0.0f;
}
} // namespace

//==============================================================================
MyTestAudioProcessor::MyTestAudioProcessor()
{
    const double hostRate = getSampleRate();
    lastSampleRate = hostRate > 0.0 ? (float) hostRate : 44100.0f;
    engine = std::make_unique<CompressorCore> (lastSampleRate);

    // The engine's set-up has values of its own (unity gains, ratio 1); it works with the
    // stored parameters from the start.
    sendAllParametersToEngine();
}

MyTestAudioProcessor::~MyTestAudioProcessor() = default;

//==============================================================================
const juce::String MyTestAudioProcessor::getName() const { return velk::version::productName; }

// The engine's set-up is driven by the block callback's rate test, so a suspend and resume at
// the same rate leaves envelopes and filters as they were.
void MyTestAudioProcessor::prepareToPlay (double, int) {}
void MyTestAudioProcessor::releaseResources() {}

void MyTestAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    process (buffer, nullptr, nullptr);
}

void MyTestAudioProcessor::processBlockWithKey (juce::AudioBuffer<float>& buffer, const float* keyLeft, const float* keyRight)
{
    process (buffer, keyLeft, keyRight);
}

void MyTestAudioProcessor::process (juce::AudioBuffer<float>& buffer, const float* keyLeft, const float* keyRight)
{
    // Compared in single precision, so that a host rate that a float cannot hold does not
    // restart the engine on every block. A rate of 0 or below (a host that has not given one)
    // keeps the current set-up.
    const double hostRate = getSampleRate();
    if (hostRate > 0.0 && std::isfinite (hostRate) && (float) hostRate != lastSampleRate)
    {
        lastSampleRate = (float) hostRate;
        restartEngine();
    }

    const int numInputs = getTotalNumInputChannels();
    const int numSamples = buffer.getNumSamples();
    const int numChannels = buffer.getNumChannels();

    // The engine takes the whole block: its recursive stages run sample by sample, its gain maths
    // across the block; the output equals one engine call per sample pair.
    if (numInputs == 2 && numChannels >= 2)
    {
        leftSamplePtr = buffer.getWritePointer (0);
        rightSamplePtr = buffer.getWritePointer (1);
        engine->processBlock (leftSamplePtr, rightSamplePtr, keyLeft, keyRight, numSamples);
        leftSamplePtr += numSamples;
        rightSamplePtr += numSamples;
    }
    else if (numInputs == 1 && numChannels >= 1)
    {
        // Mono: the sample is both sides; the channel keeps the left result.
        leftSamplePtr = buffer.getWritePointer (0);
        engine->processBlock (leftSamplePtr, nullptr, keyLeft, keyRight, numSamples);
        leftSamplePtr += numSamples;
    }

    for (int channel = numInputs; channel < juce::jmin (getTotalNumOutputChannels(), numChannels); ++channel)
        buffer.clear (channel, 0, numSamples);
}

// clang-format off
const juce::String MyTestAudioProcessor::getInputChannelName (int channelIndex) const  { return juce::String (channelIndex + 1); }
const juce::String MyTestAudioProcessor::getOutputChannelName (int channelIndex) const { return juce::String (channelIndex + 1); }
bool MyTestAudioProcessor::isInputChannelStereoPair (int) const  { return true; }
bool MyTestAudioProcessor::isOutputChannelStereoPair (int) const { return true; }
bool MyTestAudioProcessor::silenceInProducesSilenceOut() const   { return false; }
double MyTestAudioProcessor::getTailLengthSeconds() const        { return 0.0; }
bool MyTestAudioProcessor::acceptsMidi() const                   { return false; }
bool MyTestAudioProcessor::producesMidi() const                  { return false; }

juce::AudioProcessorEditor* MyTestAudioProcessor::createEditor() { return new MyTestAudioProcessorEditor (this); }
bool MyTestAudioProcessor::hasEditor() const                     { return true; }
// clang-format on

//==============================================================================
int MyTestAudioProcessor::getNumParameters() { return numParameters; }

const juce::String MyTestAudioProcessor::getParameterName (int index)
{
    return velk::isParameterIndex (index) ? juce::String (velk::parameterInfo (index).name) : juce::String();
}

std::atomic<float>* MyTestAudioProcessor::storedValue (int index) noexcept
{
    std::atomic<float>* const values[numParameters] = { &inputValue, &attackValue, &releaseValue, &outputValue,
                                                        &ratioValue, &distortionValue, &filterValue, &wetDryValue,
                                                        &gcValue };
    return velk::isParameterIndex (index) ? values[index] : nullptr;
}

float MyTestAudioProcessor::getParameter (int index)
{
    const auto* value = storedValue (index);
    return value != nullptr ? value->load (relaxed) : 0.0f;
}

const juce::String MyTestAudioProcessor::getParameterText (int index)
{
    return velk::isParameterIndex (index) ? juce::String (velk::displayText (index, getParameter (index))) : juce::String();
}

void MyTestAudioProcessor::setParameter (int index, float newValue)
{
    auto* value = storedValue (index);
    if (value == nullptr)
        return;

    // A value that is not a number is stored and applied as 0, as a restore treats one: NaN or
    // infinity from faulty automation must not reach the engine's filters.
    newValue = finiteOrZero (newValue);

    // Ratio is stored as its preset number; every other value as received.
    value->store (index == velk::ratioParameter ? (float) CompressorCore::truncateToInt (newValue) : newValue, relaxed);
    if (index == velk::ratioParameter)
        limitFromApproach.store (false, relaxed);
    engine->applyParameter (index, newValue);

    // At a Limit reached from 20:1 the make-up follows Input as 20:1's does, so that a reload,
    // which reaches it again with the Input then stored, sounds the same.
    if (index == velk::inputParameter && limitFromApproach.load (relaxed))
    {
        const juce::ScopedLock lock (getCallbackLock());
        engine->setLimitFromTwentyToOne();
    }
}

void MyTestAudioProcessor::setLimitFromApproach()
{
    const juce::ScopedLock lock (getCallbackLock());
    setParameter (velk::ratioParameter, velk::limitPosition);
    engine->setLimitFromTwentyToOne();
    limitFromApproach.store (true, relaxed);
}

void MyTestAudioProcessor::restartEngine() noexcept
{
    engine->prepare (lastSampleRate);
    sendAllParametersToEngine();
}

void MyTestAudioProcessor::sendAllParametersToEngine() noexcept
{
    for (int index = 0; index < velk::numParameters; ++index)
        engine->applyParameter (index, storedValue (index)->load (relaxed));

    // A Limit reached from 20:1 is reached that way again after the engine's fresh set-up.
    if (limitFromApproach.load (relaxed))
        engine->setLimitFromTwentyToOne();
}

//==============================================================================
// clang-format off
int MyTestAudioProcessor::getNumPrograms()                                  { return 0; }
int MyTestAudioProcessor::getCurrentProgram()                               { return 0; }
void MyTestAudioProcessor::setCurrentProgram (int)                          {}
const juce::String MyTestAudioProcessor::getProgramName (int)               { return {}; }
void MyTestAudioProcessor::changeProgramName (int, const juce::String&)     {}
// clang-format on

//==============================================================================
juce::String MyTestAudioProcessor::savedText (float value)
{
    // The fewest significant digits that read back, through savedValue, as the same float: the
    // common values keep their short texts (0.5, 1, 0.1, 0.54), and a value just below a
    // calibration band edge is not rounded onto it.
    // Written as printf's %g writes it in the C locale, whatever locale the host has set.
    char text[32] = {};
    for (int digits = 1; digits <= 17; ++digits)
    {
        const auto written = std::to_chars (text, text + sizeof text - 1, (double) value, std::chars_format::general, digits);
        *written.ptr = 0;
        const float readBack = savedValue (text);
        if (bitsOf (readBack) == bitsOf (value))
            break;
    }
    return text;
}

float MyTestAudioProcessor::savedValue (const juce::String& text)
{
    return finiteOrZero ((float) text.getDoubleValue());
}

void MyTestAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    juce::XmlElement root ("Root");
    for (const auto& parameter : velk::parameterTable)
        if (parameter.isSaved())
            root.createNewChildElement (parameter.savedName)->addTextElement (savedText (getParameter (parameter.index)));

    // The framework's binary wrapping (magic number, length, UTF-8 text, a zero byte), with the
    // document on one line and without an XML declaration.
    destData.reset();
    {
        juce::MemoryOutputStream out (destData, false);
        out.writeInt ((int) wrappedstate::magic);
        out.writeInt (0);
        root.writeTo (out, juce::XmlElement::TextFormat().singleLine().withoutHeader());
        out.writeByte (0);
    }
    const auto length = juce::ByteOrder::swapIfBigEndian ((juce::uint32) destData.getSize() - wrappedstate::overhead);
    destData.copyFrom (&length, 4, sizeof (length));
}

void MyTestAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 0 || ! wrappedstate::hasValidText (data, sizeInBytes))
        return;

    const auto document = getXmlFromBinary (data, sizeInBytes);
    if (document == nullptr)
        return;

    for (const auto* element : document->getChildIterator())
    {
        const auto& tag = element->getTagName();
        for (const auto& parameter : velk::parameterTable)
        {
            if (parameter.isSaved() && tag.equalsIgnoreCase (parameter.savedName))
            {
                // Text that is not a number restores as 0, "nan" and "inf" included.
                setParameter (parameter.index, savedValue (element->getAllSubText()));
                break;
            }
        }
    }

    sendChangeMessage();
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
