#pragma once

#include "CompressorCore.h"
#include "FactoryPresetTable.h"
#include "ParameterTable.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <memory>

/**
    VELK's audio processor: owns the compressor engine, stores the nine parameter values, hands
    every audio block to the engine whole, saves and restores the settings, and creates the
    editor.

    The nine parameters are described in ParameterTable.h. Ratio, Distortion and Filter are whole
    numbers carried in the float and truncated toward zero; no value is clamped or rescaled, but
    one that is not a number (NaN, infinity) is stored and applied as 0. Every write, from the
    host, the editor or a state restore, goes through setParameter, which stores the value and
    writes the engine at once. "Wet/Dry" and "Gc" are stored and reported only.

    Threads: processBlock runs on the audio thread under the callback lock; parameter writes may
    come from any thread without a lock (the stored values and the engine's fields are atomics);
    the editor, state save and restore and the change broadcast run on the message thread.
*/
class MyTestAudioProcessor : public juce::AudioProcessor,
                             public juce::ChangeBroadcaster
{
public:
    static constexpr int numParameters = velk::numParameters;

    MyTestAudioProcessor();
    ~MyTestAudioProcessor() override;

    //==============================================================================
    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;

    /** processBlock with an external key in the sidechain's place, for the formats that have a
        key input: keyLeft and keyRight hold the block's samples, keyRight null takes keyLeft for
        both sides. The same rate check, and the caller holds the callback lock as around
        processBlock. */
    void processBlockWithKey (juce::AudioBuffer<float>& buffer, const float* keyLeft, const float* keyRight);

    const juce::String getInputChannelName (int channelIndex) const override;
    const juce::String getOutputChannelName (int channelIndex) const override;
    bool isInputChannelStereoPair (int index) const override;
    bool isOutputChannelStereoPair (int index) const override;
    bool silenceInProducesSilenceOut() const override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    //==============================================================================
    int getNumParameters() override;
    const juce::String getParameterName (int index) override;
    float getParameter (int index) override;
    const juce::String getParameterText (int index) override;
    void setParameter (int index, float newValue) override;

    // The framework's forms with a maximum length cut the results above.
    using juce::AudioProcessor::getParameterName;
    using juce::AudioProcessor::getParameterText;

    //==============================================================================
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    //==============================================================================
    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    //==============================================================================
    /** The engine, for the editor's lamp and meter; it lives as long as the processor. */
    CompressorCore& getEngine() noexcept { return *engine; }

    /** A stored value as the saved state writes it: the shortest decimal text that savedValue
        reads back as the same float. */
    static juce::String savedText (float value);

    /** The value of a saved element's text: the longest decimal prefix after leading white
        space, 0 when there is none; a text that reads as NaN or infinity restores as 0. */
    static float savedValue (const juce::String& text);

    /** Sets Ratio to Limit as a preset does, so that it sounds the same whatever came before:
        Limit keeps the knee width and make-up gain of the ratio before it, and this reaches it
        from 20:1 (no knee), with one calibration under the callback lock that gives 20:1's
        make-up for the Input value as it stands. Until Ratio is written again, an Input write
        and a new sample rate (which sets the engine up afresh) reach Limit the same way, so
        the make-up is the one a restore of the same values gives. */
    void setLimitFromApproach();

    /** Sets the engine up afresh at its rate with the stored values, as a new sample rate does:
        its history is cleared. The caller holds the callback lock. */
    void restartEngine() noexcept;

    /** True while Ratio is a Limit that setLimitFromApproach set. */
    bool reachesLimitFromApproach() const noexcept { return limitFromApproach.load (std::memory_order_relaxed); }

    /** Truncation toward zero to an int, defined for every float (see CompressorCore). */
    static int truncateToInt (float value) noexcept { return CompressorCore::truncateToInt (value); }

private:
    void process (juce::AudioBuffer<float>& buffer, const float* keyLeft, const float* keyRight);
    void sendAllParametersToEngine() noexcept;

    float lastSampleRate = 44100.0f;
    std::atomic<bool> limitFromApproach { false };
    std::unique_ptr<CompressorCore> engine;
    static constexpr float defaultOf (velk::ParameterIndex index) noexcept { return velk::parameterInfo (index).defaultValue; }

    // clang-format off
    std::atomic<float> inputValue { defaultOf (velk::inputParameter) }, attackValue { defaultOf (velk::attackParameter) },
                       releaseValue { defaultOf (velk::releaseParameter) }, outputValue { defaultOf (velk::outputParameter) },
                       ratioValue { defaultOf (velk::ratioParameter) }, distortionValue { defaultOf (velk::distortionParameter) },
                       filterValue { defaultOf (velk::filterParameter) }, wetDryValue { defaultOf (velk::wetDryParameter) },
                       gcValue { defaultOf (velk::gcParameter) };
    // clang-format on
    float* leftSamplePtr = nullptr;
    float* rightSamplePtr = nullptr;

    std::atomic<float>* storedValue (int index) noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyTestAudioProcessor)
};
