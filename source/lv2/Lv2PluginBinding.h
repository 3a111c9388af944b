#pragma once

#include "Lv2Ports.h"
#include "MyTestAudioProcessor.h"

#include <lv2/core/lv2.h>

#include <array>
#include <cstdint>
#include <memory>

struct PluginFramework;

/**
    The LV2 binding: presents VELK's processor to an LV2 host as a plug-in with control ports.
    Each block reads the nine parameter ports and sends each value that differs from the one it
    last applied through the processor's setter, so a port's value always wins; then it runs the
    same block callback as the other formats, under the processor's callback lock, and writes the
    meters (the block's largest gain reduction, a clip indicator held for a second). With the
    Sidechain port at External, the key inputs drive the compressor; a key input the host leaves
    unconnected is silence, except that the left one alone is a mono key for both sides.

    The host keeps the settings as its port values; the binding keeps no state of its own. So
    that the values alone give the sound, Ratio Limit is always reached from 20:1, as the
    factory presets (preset files in the bundle) reach it.
*/
class Lv2PluginBinding
{
public:
    Lv2PluginBinding (const lv2ports::Layout& layout, double sampleRate);
    ~Lv2PluginBinding();

    /** The stereo (0) and mono (1) plug-ins' descriptors; null for other indices. */
    static const LV2_Descriptor* descriptor (std::uint32_t index) noexcept;

    void connectPort (std::uint32_t port, void* data) noexcept;
    void activate() noexcept;
    void run (std::uint32_t numFrames) noexcept;

    MyTestAudioProcessor& getProcessor() noexcept { return *processor; }
    const lv2ports::Layout& getLayout() const noexcept { return layout; }

    /** The most frames the processor gets at once; a longer host block goes in pieces. */
    static constexpr int maxFrames = 8192;

private:
    void applyPortValues() noexcept;
    void writeMeters (int numFrames) noexcept;
    float* port (int index) const noexcept { return ports[(size_t) index]; }

    std::unique_ptr<PluginFramework> framework; // first in, last out
    const lv2ports::Layout layout;
    std::unique_ptr<MyTestAudioProcessor> processor;
    double sampleRate = 44100.0;

    std::array<float*, (size_t) lv2ports::stereo.numPorts()> ports {};
    std::array<float, velk::numParameters> appliedValues {}, storedValues {};
    bool anyApplied = false;

    juce::AudioBuffer<float> scratch, keyScratch;
    juce::MidiBuffer noMidi;
    std::uint32_t lastClipCount = 0;
    int clipHoldFrames = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Lv2PluginBinding)
};
