#pragma once

#include "MyTestAudioProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class HostedEditor;

struct PluginFramework;

/**
    What every host format's binding shares, around one MyTestAudioProcessor: the framework's
    support for the instance's life, the rate check, the ten values the formats show with their
    Sidechain and Limit rules, the block callback in pieces with the key and bypass, the meter
    outputs, and the state that VST3 and CLAP save. A binding keeps only the mapping
    of its host's calls onto these.

    Threads: values may be written from any thread; process runs on the audio thread and takes the
    processor's callback lock; creation, teardown, the editor and the state run on the host's main
    thread.
*/
class BindingCore
{
public:
    /** The most frames the processor gets at once; a longer host block goes in pieces. */
    static constexpr int maxPiece = 8192;

    /** True for a rate that makes sense (1 Hz to 10 MHz); a binding ignores any other. */
    static bool isUsableRate (double rate) noexcept;

    /** Whether the binding brings the framework's GUI support and message thread itself, or runs
        inside the framework's own wrapper, which has them. */
    enum class Framework
    {
        own,
        wrapper
    };

    /** Makes a MyTestAudioProcessor: what the formats that have no factory of their own create. */
    static juce::AudioProcessor* createProcessor();

    /** Makes the processor through create (on the calling thread, which is the message thread
        meanwhile), as a plug-in of the format; inside the framework's wrapper, which has set the
        format itself, format is not used. Throws where create throws or makes no
        MyTestAudioProcessor. */
    BindingCore (juce::AudioProcessor::WrapperType format, juce::AudioProcessor* (*create)(), Framework framework);

    /** The editor, then the processor (under the message-manager lock), then the framework. */
    ~BindingCore();

    MyTestAudioProcessor& getProcessor() noexcept { return *processor; }

    //==============================================================================
    /** Sets the processor up for a rate (an unusable one keeps the last good rate), its largest
        block (at most maxPiece) and its channels, 1 or 2. */
    void prepare (double rate, int maxBlock, int numChannels);

    /** Releases what the processor holds for playing, under the callback lock. */
    void release();

    /** Clears the engine's history as a new instance has it, keeping the values, and the meters. */
    void reset();

    /**
        Processes numFrames of the processor's channels from inputs into outputs, in pieces of at
        most maxPiece frames, under the callback lock. A null input channel is silence, a null
        output channel is skipped; accumulate adds into the outputs instead of replacing them.
        While the processor is suspended the outputs are cleared (or left, accumulating).

        With Sidechain External the key drives the compressor: numKeyChannels 2 is a stereo key,
        1 a mono key for both sides; a null key channel, or no key at all, is silence.
    */
    void process (const float* const* inputs, float* const* outputs, const float* const* keys, int numKeyChannels, std::uint32_t numFrames,
                  bool bypassed, bool accumulate = false) noexcept;

    //==============================================================================
    /** Value 0 to 9 as a host writes it: the nine through the processor's setter, Sidechain
        (0 Internal, 1 External) here. */
    void setValue (int index, float rawValue) noexcept;

    /** As setValue, except that Ratio Limit is reached from 20:1, as presets and restored values
        reach it, so that the values alone give the sound. */
    void setValueAsPreset (int index, float rawValue) noexcept;

    /** Value 0 to 9 as the processor holds it now. */
    float getValue (int index) noexcept;

    bool usesExternalKey() const noexcept { return externalKey.load (std::memory_order_relaxed); }

    /** Writes factory preset index, in the presets' own order, and keeps it as the program. */
    void applyPreset (int index) noexcept;

    int getProgram() const noexcept { return program.load (std::memory_order_relaxed); }

    //==============================================================================
    /** The largest gain reduction since the last call in dB (-20 log10 of the smallest gain), 0
        where nothing was reduced, at most velk::maxReductionDb. */
    float takeReductionDb() noexcept;

    /** The clip output after a block of numFrames: lit for a second of frames after a block in
        which a sample passed full scale. */
    bool takeClipHeld (std::uint32_t numFrames) noexcept;

    //==============================================================================
    /** The processor's state block, unchanged, then a trailer with what it does not hold: Gc,
        Sidechain, the program and whether Limit came from a preset. */
    void getState (juce::MemoryBlock& destData);

    /** Restores such a state, or a block alone (an older state: Sidechain Internal, program 0); a
        damaged trailer is dropped. False where there was nothing to read. */
    bool setState (const void* data, int sizeInBytes);

    //==============================================================================
    /** Embeds the editor in the host's window; false (and no editor) where it cannot. */
    bool openEditor (void* parentWindow);
    void closeEditor();
    void idleEditor();

private:
    std::unique_ptr<PluginFramework> framework; // first in, last out
    std::unique_ptr<MyTestAudioProcessor> processor;
    std::unique_ptr<HostedEditor> editor;

    double sampleRate = 44100.0;
    std::atomic<bool> externalKey { false };
    std::atomic<int> program { 0 };

    juce::AudioBuffer<float> scratch;
    std::vector<float> silence;
    juce::MidiBuffer noMidi;

    std::uint32_t lastClipCount = 0;
    int clipHoldFrames = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BindingCore)
};
