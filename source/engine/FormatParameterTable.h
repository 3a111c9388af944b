#pragma once

#include "ParameterTable.h"

/**
    The parameters that only the VST3, LV2 and standalone builds show, after the nine of the
    parameter table: the VST 2.4 module keeps its nine and ignores index 9. They live in the
    formats, not in the engine's parameter writes.
*/
namespace velk
{
enum FormatParameterIndex : int
{
    /** Internal (0): the audio drives the compressor; External (1): the key input does, and
        with no key connected the compressor hears silence. */
    sidechainParameter = numParameters,
    numFormatParameters
};

inline constexpr ParameterInfo formatParameterTable[numFormatParameters - numParameters] = {
    // clang-format off
    { (ParameterIndex) sidechainParameter, "Sidechain", "sidechain", nullptr, 0.0f, 1.0f, 1.0f, false, 0.0f, 1.0f, 1.0f, DisplayFormat::threeDecimals,
      2, 0, { "Internal", "External" } },
    // clang-format on
};

/** The range in dB of the formats' gain-reduction output. */
inline constexpr float maxReductionDb = 40.0f;

/** The row of any index the formats show (0 to 9), or null. */
constexpr const ParameterInfo* formatParameterInfo (int index) noexcept
{
    if (isParameterIndex (index))
        return &parameterTable[index];
    return index >= numParameters && index < numFormatParameters ? &formatParameterTable[index - numParameters] : nullptr;
}
} // namespace velk
