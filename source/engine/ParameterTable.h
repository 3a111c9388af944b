#pragma once

#include <cstddef>

/**
    VELK's nine parameters, described once: the processor, the engine's parameter writes, the
    editor, the formats, velk-render, the tests and the benchmark all read this table, and
    ParameterText turns its values into texts and back. Adding a parameter is one row here (and
    its engine write).

    Values are 32-bit floats in the parameter's own units: Input, Attack, Release, Output,
    Wet/Dry and Gc are continuous 0..1 values; Ratio (presets 1 to 6), Distortion (modes 0 to 4)
    and Filter (modes 0 to 3) are whole numbers carried in the float and truncated toward zero
    where they are used.
*/
namespace velk
{
/** Parameter indices, in the order the host sees them. */
enum ParameterIndex : int
{
    inputParameter = 0,
    attackParameter,
    releaseParameter,
    outputParameter,
    ratioParameter,
    distortionParameter,
    filterParameter,
    wetDryParameter,
    gcParameter,
    numParameters
};

/** How a parameter's display text is written. */
enum class DisplayFormat
{
    threeDecimals, // the value with three decimals: 0.500
    attackTime, // the display scale times the value, in ms with two decimals: "300.00 ms"
    releaseTime // the release time: "300 ms" below one second, "2 sec" from one second up
};

/** One row of the table. */
struct ParameterInfo
{
    ParameterIndex index;
    const char* name; // as the host shows it
    const char* id; // the identifier VST3 and LV2 hosts store: never change one once shipped
    const char* savedName; // element of the saved state, or nullptr when it is not saved
    float defaultValue;

    // The engine's unit per unit of value (Attack 10 ms, Release 3000 ms, Output a gain of 2) and
    // the display text's (Attack 300 ms, Release 3000 ms); 1 where the value is used as it is.
    float engineScale, displayScale;

    // The editor's control: a knob over minimum..maximum snapping to interval; hasControl false
    // when the editor has none.
    bool hasControl;
    float minimum, maximum, interval;

    DisplayFormat format;

    // Switches (Ratio, Distortion, Filter): the number of positions, the value of the first
    // (the others follow in steps of 1) and a caption per position. numPositions is 0 for a
    // continuous parameter.
    int numPositions;
    int firstPosition;
    const char* captions[6];

    constexpr bool isSwitch() const noexcept { return numPositions > 0; }
    constexpr bool isSaved() const noexcept { return savedName != nullptr; }
};

inline constexpr ParameterInfo parameterTable[numParameters] = {
    // clang-format off
    { inputParameter,      "Input",      "input",      "Input",   0.5f,  1.0f,    1.0f,    true,  0.0f,        1.0f, 0.01f,   DisplayFormat::threeDecimals, 0, 0, {} },
    { attackParameter,     "Attack",     "attack",     "Attack",  1.0f,  10.0f,   300.0f,  true,  0.00001f,    1.0f, 0.0001f, DisplayFormat::attackTime,    0, 0, {} },
    { releaseParameter,    "Release",    "release",    "Release", 0.1f,  3000.0f, 3000.0f, true,  0.01166667f, 1.0f, 0.0001f, DisplayFormat::releaseTime,   0, 0, {} },
    { outputParameter,     "Output",     "output",     "Output",  0.54f, 2.0f,    1.0f,    true,  0.0f,        1.0f, 0.01f,   DisplayFormat::threeDecimals, 0, 0, {} },
    { ratioParameter,      "Ratio",      "ratio",      "Ratio",   1.0f,  1.0f,    1.0f,    true,  1.0f,        6.0f, 1.0f,    DisplayFormat::threeDecimals,
      6, 1, { "1:1", "2:1", "4:1", "8:1", "20:1", "Limit" } },
    { distortionParameter, "Distortion", "distortion", "Dist",    0.0f,  1.0f,    1.0f,    true,  0.0f,        4.0f, 1.0f,    DisplayFormat::threeDecimals,
      5, 0, { "Soft", "Warm", "Hot", "Blend", "Drive" } },
    { filterParameter,     "Filter",     "filter",     "Filt",    0.0f,  1.0f,    1.0f,    true,  0.0f,        3.0f, 1.0f,    DisplayFormat::threeDecimals,
      4, 0, { "Off", "SC HP", "HP", "SC Bell" } },
    { wetDryParameter,     "Wet/Dry",    "wetDry",     "DryWet",  0.5f,  1.0f,    1.0f,    false, 0.0f,        1.0f, 0.0f,    DisplayFormat::threeDecimals, 0, 0, {} },
    { gcParameter,         "Gc",         "gc",         nullptr,   0.5f,  1.0f,    1.0f,    false, 0.0f,        1.0f, 0.0f,    DisplayFormat::threeDecimals, 0, 0, {} },
    // clang-format on
};

/** The row of an index 0 to 8 (callers check the range). */
constexpr const ParameterInfo& parameterInfo (int index) noexcept { return parameterTable[index]; }

/** True for the indices 0 to 8; negative indices count as any other index outside the table. */
constexpr bool isParameterIndex (int index) noexcept { return (unsigned int) index < (unsigned int) numParameters; }

/** Every row sits at its own index. */
constexpr bool tableIsInIndexOrder() noexcept
{
    for (int i = 0; i < numParameters; ++i)
        if (parameterTable[i].index != i)
            return false;
    return true;
}
static_assert (tableIsInIndexOrder(), "each row of the parameter table must sit at its index");
} // namespace velk
