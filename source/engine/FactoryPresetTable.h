#pragma once

#include "FormatParameterTable.h"

#include <cstddef>
#include <iterator>

/**
    VELK's factory presets, described once: the VST3 programs, the standalone app's Presets menu,
    the LV2 preset files, velk-render's --preset and the tests all read this table.

    A preset holds every value a format shows (the nine parameters and Sidechain), so it sounds
    the same whatever was set before it. Ratio Limit alone keeps something of the past: the knee
    width and make-up gain of the ratio before it. A preset therefore writes Ratio last, and
    reaches Limit from 20:1 (no knee, 20:1's make-up for the preset's Input).

    Output 0.5 is unity gain; the compressing presets' Output takes back much of their make-up
    gain (the Limiter's less: it is meant to be loud).
*/
namespace velk
{
struct FactoryPreset
{
    const char* name;
    const char* purpose; // one line for menus, the README and the LV2 files
    float values[numFormatParameters]; // by index: Input ... Gc, Sidechain

    constexpr bool usesKey() const noexcept { return values[sidechainParameter] >= 0.5f; }
};

/** Ratio's Limit position, which a preset reaches from 20:1 (CompressorCore::setLimitFromTwentyToOne). */
inline constexpr float limitPosition = 6.0f;

inline constexpr FactoryPreset factoryPresets[] = {
    // clang-format off
    //                                                                                           Input  Attack   Release Output  Ratio Dist Filt  Wet/Dry Gc    Sidechain
    { "Default Settings", "The settings of a new instance: 1:1, no compression, the Soft curve",  { 0.5f,  1.0f,    0.1f,   0.54f,  1.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.0f } },
    { "Gentle Bus Glue",  "2:1 with a 300 ms release, to hold a mix together", { 0.6f,  0.45f,   0.1f,   0.3f,   2.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.0f } },
    { "Drum Bus Punch",   "4:1 that lets the hits through; the lows do not pump it",  { 0.7f,  0.35f,   0.04f,  0.15f,  3.0f, 0.0f, 1.0f, 0.5f, 0.5f, 0.0f } },
    { "Vocal Levelling",  "4:1 with a 450 ms release, for an even voice; deaf to low rumble",     { 0.6f,  0.45f,   0.15f,  0.25f,  3.0f, 0.0f, 1.0f, 0.5f, 0.5f, 0.0f } },
    { "Bass Control",     "8:1 over a 17 dB soft knee, to keep a bass line at one level",         { 0.5f,  0.65f,   0.05f,  0.22f,  4.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.0f } },
    { "Limiter",          "Holds the peaks at one level: the fastest attack and a 60 ms release", { 0.5f,  0.00001f, 0.02f, 0.45f,  6.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.0f } },
    { "Warm Colour",      "No compression: the Warm curve's soft saturation",                     { 0.5f,  1.0f,    0.1f,   0.85f,  1.0f, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f } },
    { "Hot Colour",       "No compression: the Hot curve, a stronger saturation",                 { 0.5f,  1.0f,    0.1f,   0.75f,  1.0f, 2.0f, 0.0f, 0.5f, 0.5f, 0.0f } },
    { "Drive Colour",     "No compression: the Drive curve, driven hard, for grit",               { 0.8f,  1.0f,    0.1f,   0.3f,   1.0f, 4.0f, 0.0f, 0.5f, 0.5f, 0.0f } },
    { "Rumble Removal",   "No compression: an 80 Hz high-pass on the audio",                      { 0.5f,  1.0f,    0.1f,   0.5f,   1.0f, 0.0f, 2.0f, 0.5f, 0.5f, 0.0f } },
    { "2 kHz Tamer",      "4:1 that reacts most to the 2 kHz region, for harsh or sibilant parts", { 0.5f, 0.3f,    0.05f,  0.25f,  3.0f, 0.0f, 3.0f, 0.5f, 0.5f, 0.0f } },
    { "Ducking by Key",   "8:1 on the key input: a kick or a voice on the key ducks this track",  { 0.5f,  0.05f,   0.08f,  0.21f,  4.0f, 0.0f, 0.0f, 0.5f, 0.5f, 1.0f } },
    // clang-format on
};

inline constexpr int numFactoryPresets = (int) std::size (factoryPresets);

/** The order a preset's values are written in: Ratio last, after the Input its make-up reads. */
inline constexpr int presetWriteOrder[numFormatParameters] = { inputParameter, attackParameter, releaseParameter,
                                                               outputParameter, distortionParameter, filterParameter,
                                                               wetDryParameter, gcParameter, sidechainParameter,
                                                               ratioParameter };

/** Writes a preset: write (index, value) for every value in the order above. The writer reaches
    Ratio Limit from 20:1 (see MyTestAudioProcessor::setLimitFromApproach). */
template <typename Write>
void applyFactoryPreset (const FactoryPreset& preset, Write&& write)
{
    for (const int index : presetWriteOrder)
        write (index, preset.values[index]);
}
} // namespace velk
