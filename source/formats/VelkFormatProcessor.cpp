#include "VelkFormatProcessor.h"

#include "VelkFormatEditor.h"

// The inner processor's parameters are the framework's index-based ones, which it marks
// deprecated; the VST 2.4 module depends on them as they are.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
/** The element that carries what the processor's block does not hold, after that block. */
constexpr const char* formatStateTag = "VELKFormats";

/** The framework's wrapping of an XML text: magic number, length, UTF-8 text, a zero byte. */
constexpr juce::uint32 xmlMagic = 0x21324356;

/** The length of the text in a wrapping that the data holds whole, or -1. */
int wrappedTextLength (const void* data, int sizeInBytes)
{
    if (sizeInBytes < 9 || juce::ByteOrder::littleEndianInt (data) != xmlMagic)
        return -1;
    const auto length = (juce::int64) juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (data, 4));
    return length >= 0 && length + 9 <= sizeInBytes ? (int) length : -1;
}

/** The element in a wrapped text, or null where the wrapping, its length or its UTF-8 is damaged. */
std::unique_ptr<juce::XmlElement> wrappedXml (const void* data, int sizeInBytes)
{
    const int length = wrappedTextLength (data, sizeInBytes);
    const auto* text = static_cast<const char*> (data) + 8;
    if (length <= 0 || ! juce::CharPointer_UTF8::isValidString (text, length))
        return nullptr;
    return juce::parseXML (juce::String::fromUTF8 (text, length));
}

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
      inner (std::make_unique<MyTestAudioProcessor>())
{
    for (int index = 0; index < velk::numFormatParameters; ++index)
    {
        auto parameter = std::make_unique<FormatParameter> (*velk::formatParameterInfo (index), [this] (int i, float rawValue)
                                                            { handOn (i, rawValue); });
        parameters[(size_t) index] = parameter.get();
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
    inner->setPlayConfigDetails (getMainBusNumOutputChannels(), getMainBusNumOutputChannels(), sampleRate, samplesPerBlock);
    inner->prepareToPlay (sampleRate, samplesPerBlock);
}

void VelkFormatProcessor::releaseResources()
{
    const juce::ScopedLock lock (inner->getCallbackLock());
    inner->releaseResources();
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
    const juce::ScopedLock lock (inner->getCallbackLock());
    processMain (buffer);
}

void VelkFormatProcessor::processMain (juce::AudioBuffer<float>& buffer)
{
    // The main bus in place; the key bus, where there is one, after it.
    auto main = getBusBuffer (buffer, true, 0);
    const int numSamples = main.getNumSamples();
    if (main.getNumChannels() == standaloneInputChannels)
    {
        // The standalone app's input: the audio, then the key.
        juce::AudioBuffer<float> audio (main.getArrayOfWritePointers(), 2, numSamples);
        if (usesExternalKey())
            inner->processBlockWithKey (audio, main.getReadPointer (2), main.getReadPointer (3));
        else
            inner->processBlock (audio, noMidi);
        return;
    }
    if (! usesExternalKey())
    {
        inner->processBlock (main, noMidi);
        return;
    }

    // The key's channels follow the main ones, where the host's buffer has them.
    auto* keyBus = getBus (true, 1);
    const int keyChannels = keyBus != nullptr && keyBus->isEnabled() ? keyBus->getNumberOfChannels() : 0;
    if (keyChannels > 0 && buffer.getNumChannels() >= getChannelIndexInProcessBlockBuffer (true, 1, 0) + keyChannels)
    {
        const auto key = getBusBuffer (buffer, true, 1);
        inner->processBlockWithKey (main, key.getReadPointer (0), key.getNumChannels() > 1 ? key.getReadPointer (1) : nullptr);
        return;
    }

    // No key connected: the compressor hears silence, a piece at a time.
    static constexpr float silence[512] {};
    for (int start = 0; start < numSamples; start += (int) std::size (silence))
    {
        juce::AudioBuffer<float> piece (main.getArrayOfWritePointers(), main.getNumChannels(), start,
                                        juce::jmin ((int) std::size (silence), numSamples - start));
        inner->processBlockWithKey (piece, silence, nullptr);
    }
}

void VelkFormatProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages)
{
    const juce::ScopedLock lock (inner->getCallbackLock());
    auto main = getBusBuffer (buffer, true, 0);
    inner->processBlockBypassed (main, midiMessages);
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
    // The processor's block, as the VST 2.4 module saves it, then what it does not hold.
    inner->getStateInformation (destData);
    juce::XmlElement formats (formatStateTag);
    formats.setAttribute ("gc", MyTestAudioProcessor::savedText (inner->getParameter (velk::gcParameter)));
    formats.setAttribute ("sidechain", usesExternalKey() ? 1 : 0);
    formats.setAttribute ("program", getCurrentProgram());
    if (inner->reachesLimitFromApproach())
        formats.setAttribute ("limitFromApproach", 1); // a preset's Limit: restored the same way
    juce::MemoryBlock trailer;
    copyXmlToBinary (formats, trailer);
    destData.append (trailer.getData(), trailer.getSize());
}

void VelkFormatProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 0)
        return;

    // The processor's block first (the whole data where it is no such block).
    const int textLength = wrappedTextLength (data, sizeInBytes);
    const int blockSize = textLength >= 0 ? textLength + 9 : sizeInBytes;
    inner->setStateInformation (data, blockSize);

    // An older state has no trailer: Sidechain Internal, Gc as it is.
    const auto formats = wrappedXml (juce::addBytesToPointer (data, blockSize), sizeInBytes - blockSize);
    const bool hasTrailer = formats != nullptr && formats->hasTagName (formatStateTag);
    if (hasTrailer && formats->hasAttribute ("gc"))
        inner->setParameter (velk::gcParameter, MyTestAudioProcessor::savedValue (formats->getStringAttribute ("gc")));
    externalKey.store (hasTrailer && formats->getIntAttribute ("sidechain") == 1, std::memory_order_relaxed);
    if (hasTrailer && formats->getIntAttribute ("limitFromApproach") == 1 && inner->getParameter (velk::ratioParameter) == velk::limitPosition)
        inner->setLimitFromApproach();
    const int program = hasTrailer ? formats->getIntAttribute ("program") : 0;
    currentProgram.store (juce::isPositiveAndBelow (program, velk::numFactoryPresets) ? program : 0, std::memory_order_relaxed);
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
    velk::applyFactoryPreset (
        velk::factoryPresets[index], [this] (int i, float value)
        { handOn (i, value); },
        [this]
        { inner->setLimitFromApproach(); });
    currentProgram.store (index, std::memory_order_relaxed);

    // The host hears of each value that changed, as a gesture of its own, before this returns.
    // Off the framework's message thread (a VST3 host's thread while no editor is open on Linux)
    // the framework would only queue the values and ask the host from its own thread to re-read
    // them later, perhaps after the instance is gone: there the format tells the host itself.
    const bool frameworkTellsAtOnce = juce::MessageManager::existsAndIsCurrentThread();
    for (auto* parameter : parameters)
    {
        const float rawValue = currentRawValue (parameter->getIndex());
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
    if (index == velk::sidechainParameter)
        externalKey.store (rawValue >= 0.5f, std::memory_order_relaxed);
    else
        inner->setParameter (index, rawValue);
    hostWrote.store (true, std::memory_order_relaxed);
}

void VelkFormatProcessor::showInnerValues()
{
    for (auto* parameter : parameters)
        parameter->showRawValue (currentRawValue (parameter->getIndex()));
}

float VelkFormatProcessor::currentRawValue (int index)
{
    if (index == velk::sidechainParameter)
        return usesExternalKey() ? 1.0f : 0.0f;
    return inner->getParameter (index);
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
