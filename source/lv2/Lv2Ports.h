#pragma once

#include "FormatParameterTable.h"

/**
    The ports of VELK's LV2 plug-ins, in index order: the audio inputs, the audio outputs, the
    nine parameters (symbols their stable identifiers), the host's bypass switch (lv2:enabled),
    the latency (always 0), the block's largest gain reduction and the clip indicator; then,
    added later and so after them, the Sidechain switch and the key's audio inputs (optional
    connections). The stereo plug-in has two audio ports each way and two key inputs, the mono
    one one of each. The binding and the generator of the plug-ins' descriptions both read this.
*/
namespace lv2ports
{
struct Layout
{
    int channels;

    constexpr int audioIn (int channel) const noexcept { return channel; }
    constexpr int audioOut (int channel) const noexcept { return channels + channel; }
    constexpr int parameter (int index) const noexcept { return 2 * channels + index; }
    constexpr int enabled() const noexcept { return parameter (velk::numParameters); }
    constexpr int latency() const noexcept { return enabled() + 1; }
    constexpr int gainReduction() const noexcept { return enabled() + 2; }
    constexpr int clip() const noexcept { return enabled() + 3; }
    constexpr int sidechain() const noexcept { return enabled() + 4; }
    constexpr int keyIn (int channel) const noexcept { return enabled() + 5 + channel; }
    constexpr int numPorts() const noexcept { return keyIn (channels); }

    /** The control port of any value the formats show (0 to 9), or -1. */
    constexpr int formatParameter (int index) const noexcept
    {
        return index == velk::sidechainParameter ? sidechain() : velk::isParameterIndex (index) ? parameter (index)
                                                                                                : -1;
    }
};

inline constexpr Layout stereo { 2 }, mono { 1 };

/** The gain-reduction meter's range in dB. */
inline constexpr float maxReductionDb = velk::maxReductionDb;
} // namespace lv2ports
