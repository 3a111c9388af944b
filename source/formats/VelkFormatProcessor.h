#pragma once

#include "BindingCore.h"
#include "FormatParameter.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <memory>

/**
    VELK as the VST3 and standalone formats see it: owns a binding core, around the
    MyTestAudioProcessor that the VST 2.4 module uses directly, and presents its nine parameters as FormatParameter objects with
    stable identifiers, the switches as choices of their captions, and the formats' own Sidechain
    switch after them.

    A second input bus, "Sidechain" (stereo, mono accepted, off by default), carries the key.
    With Sidechain External the key drives the compressor, and with the bus off it hears
    silence: no gain reduction. (The framework's standalone application keeps the bus off.)

    A value the host sets reaches the inner processor as the engine's raw value; the editor's
    moves reach the host as begin/set/end gestures; a restored state shows each raw value as the
    nearest the host can show and writes nothing back. Audio runs under the inner processor's
    callback lock, through the binding core; rate, block size, bypass, non-real-time mode and
    state are forwarded. The state is the core's: the inner processor's own block, so a setting
    saved in any format restores in any other, then the values that block does not hold.
*/
class VelkFormatProcessor : public juce::AudioProcessor,
                            private juce::AudioProcessorListener
{
public:
    /** The format decides the buses: the standalone app's main input has four channels. */
    explicit VelkFormatProcessor (WrapperType format = juce::PluginHostType::getPluginLoadedAs());
    ~VelkFormatProcessor() override;

    //==============================================================================
    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    void processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;
    using juce::AudioProcessor::processBlockBypassed;
    void setNonRealtime (bool isNonRealtime) noexcept override;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return true; }

    /** The factory presets. Choosing one writes its values and tells the host of each value
        that changed, before it returns; the state keeps which was chosen last, so that a host
        which restores the program after the state does not write the preset over the saved
        values. */
    int getNumPrograms() override { return velk::numFactoryPresets; }
    int getCurrentProgram() override { return core.getProgram(); }
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int, const juce::String&) override {}

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    //==============================================================================
    /** The processor inside, which the VST 2.4 module uses as it is. */
    MyTestAudioProcessor& getInner() noexcept { return core.getProcessor(); }

    /** True once after the host has written a value since the last call (any thread). */
    bool takeHostWrites() noexcept { return hostWrote.exchange (false, std::memory_order_relaxed); }

    /** The parameter object of index 0 to 9. */
    FormatParameter& getFormatParameter (int index) noexcept { return *parameters[(size_t) index]; }

    /** True when the key input drives the compressor (Sidechain External). */
    bool usesExternalKey() const noexcept { return core.usesExternalKey(); }

protected:
    /**
        Tells the host at once, on the calling thread (the host's), of a value the plug-in set
        itself; false where the format cannot. The framework tells a host at once only on its own
        message thread; elsewhere it queues the value for the next block's output changes, which
        reach the host after any restore the host does first and then write the stale value over
        the restored one. The VST3 build tells the host through its component handler.
    */
    virtual bool tellHostAtOnce (int index, float normalizedValue);

private:
    static BusesProperties busesFor (WrapperType format);
    void handOn (int index, float rawValue);
    /** The main bus through the core, with the key bus where Sidechain is External. */
    void processMain (juce::AudioBuffer<float>& buffer, bool bypassed);
    void showInnerValues();

    // juce::AudioProcessorListener, for the editor's writes and gestures on the inner processor.
    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue) override;
    void audioProcessorChanged (juce::AudioProcessor*, const juce::AudioProcessorListener::ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override;
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override;

    const bool keyOnMainInput;
    BindingCore core;
    MyTestAudioProcessor& inner;
    std::array<FormatParameter*, velk::numFormatParameters> parameters {};
    std::atomic<bool> hostWrote { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VelkFormatProcessor)
};
