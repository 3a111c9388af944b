#pragma once

#include "BindingCore.h"
#include "Lv2Ports.h"

#include <lv2/core/lv2.h>

#include <array>
#include <cstdint>

/**
    The LV2 binding: presents VELK's processor to an LV2 host as a plug-in with control ports.
    Each block reads the ten value ports and hands each value that differs from the one it last
    applied to the binding core, so a port's value always wins; then the core runs the block and
    gives the meters (the block's largest gain reduction, a clip indicator held for a second).
    With the Sidechain port at External, the key inputs drive the compressor; a key input the
    host leaves unconnected is silence, except that the left one alone is a mono key for both
    sides.

    The host keeps the settings as its port values; the binding keeps no state of its own. So
    that the values alone give the sound, they are applied as presets are (Ratio Limit reached
    from 20:1).
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

    MyTestAudioProcessor& getProcessor() noexcept { return core.getProcessor(); }
    const lv2ports::Layout& getLayout() const noexcept { return layout; }

private:
    void applyPortValues() noexcept;
    float* port (int index) const noexcept { return ports[(size_t) index]; }

    const lv2ports::Layout layout;
    BindingCore core;

    std::array<float*, (size_t) lv2ports::stereo.numPorts()> ports {};
    std::array<float, velk::numFormatParameters> appliedValues {}, storedValues {};
    bool anyApplied = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Lv2PluginBinding)
};
