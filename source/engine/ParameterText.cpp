#include "ParameterText.h"

#include "CompressorCore.h"
#include "FormatParameterTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace velk
{
namespace
{
/** printf's "%*.*f" in the C locale: the number with decimals, padded on the left to width. */
std::string fixed (double value, int decimals, int width)
{
    char digits[400]; // the longest double in fixed notation, with its decimals
    const auto end = std::to_chars (digits, digits + sizeof digits, value, std::chars_format::fixed, decimals).ptr;
    std::string text (digits, end);
    if ((int) text.size() < width)
        text.insert (0, (size_t) width - text.size(), ' ');
    return text;
}

// ASCII only, whatever the host's locale.
char lowerCase (char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? (char) (c - 'A' + 'a') : c;
}

bool equalIgnoringCase (char a, char b) noexcept
{
    return lowerCase (a) == lowerCase (b);
}

bool startsWithIgnoringCase (std::string_view text, std::string_view start) noexcept
{
    return start.size() <= text.size() && std::equal (start.begin(), start.end(), text.begin(), equalIgnoringCase);
}

bool containsIgnoringCase (std::string_view text, std::string_view part) noexcept
{
    return std::search (text.begin(), text.end(), part.begin(), part.end(), equalIgnoringCase) != text.end();
}

bool isSpace (char c) noexcept
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view trimmed (std::string_view text) noexcept
{
    while (! text.empty() && isSpace (text.front()))
        text.remove_prefix (1);
    while (! text.empty() && isSpace (text.back()))
        text.remove_suffix (1);
    return text;
}

/** The switch position a typed text names, or -1. */
int positionForText (const ParameterInfo& info, std::string_view text)
{
    const auto typed = trimmed (text);
    if (typed.empty())
        return -1;

    for (int position = 0; position < info.numPositions; ++position)
        if (typed.size() == std::char_traits<char>::length (info.captions[position])
            && startsWithIgnoringCase (info.captions[position], typed))
            return position;

    // The start of a caption; a whole number of Ratio is its ratio, so "2" is 2:1, not 20:1.
    std::string start (typed);
    if (info.index == ratioParameter && std::all_of (typed.begin(), typed.end(), [] (char c)
                                                     { return c >= '0' && c <= '9'; }))
        start += ':';
    for (int position = 0; position < info.numPositions; ++position)
        if (startsWithIgnoringCase (info.captions[position], start))
            return position;
    return -1;
}
} // namespace

std::string displayText (int index, float value)
{
    const auto* row = formatParameterInfo (index);
    if (row == nullptr)
        return {};
    const auto& info = *row;
    switch (info.format)
    {
        case DisplayFormat::attackTime:
            return fixed ((double) value * (double) info.displayScale, 2, 4) + " ms";

        case DisplayFormat::releaseTime:
        {
            // Release text switches to seconds at one second of release time.
            const float releaseMs = value * info.displayScale;
            return releaseMs >= 1000.0f ? fixed ((double) releaseMs / 1000.0, 0, 4) + " sec"
                                        : fixed ((double) releaseMs, 0, 4) + " ms";
        }

        case DisplayFormat::threeDecimals:
        default:
            return fixed ((double) value, 3, 0);
    }
}

float valueForText (int index, std::string_view text)
{
    const auto* row = formatParameterInfo (index);
    if (row == nullptr)
        return 0.0f;
    const auto& info = *row;
    if (info.isSwitch())
    {
        const int position = positionForText (info, text);
        return position >= 0 ? (float) (info.firstPosition + position) : leadingNumber (text);
    }

    const float number = leadingNumber (text);
    switch (info.format)
    {
        case DisplayFormat::attackTime:
            return number / info.displayScale;
        case DisplayFormat::releaseTime:
            return containsIgnoringCase (text, "sec") ? number / (info.displayScale / 1000.0f) : number / info.displayScale;
        case DisplayFormat::threeDecimals:
        default:
            return number;
    }
}

int switchPosition (int index, std::string_view text)
{
    const auto* row = formatParameterInfo (index);
    return row != nullptr && row->isSwitch() ? positionForText (*row, text) : -1;
}

const char* positionCaption (int index, float value) noexcept
{
    const auto* row = formatParameterInfo (index);
    if (row == nullptr || ! row->isSwitch())
        return nullptr;

    const auto& info = *row;
    const int position = CompressorCore::truncateToInt (value) - info.firstPosition;
    return position >= 0 && position < info.numPositions ? info.captions[position] : nullptr;
}

float leadingNumber (std::string_view text) noexcept
{
    while (! text.empty() && isSpace (text.front()))
        text.remove_prefix (1);

    // One sign at most; no number, zero, infinity and not-a-number all give +0.
    bool negative = false;
    if (! text.empty() && (text.front() == '+' || text.front() == '-'))
    {
        negative = text.front() == '-';
        text.remove_prefix (1);
    }
    if (text.empty() || text.front() == '+' || text.front() == '-')
        return 0.0f;

    double number = 0.0;
    std::from_chars (text.data(), text.data() + text.size(), number, std::chars_format::general);
    const auto value = (float) (negative ? -number : number);
    return std::isfinite (value) && value != 0.0f ? value : 0.0f;
}
} // namespace velk
