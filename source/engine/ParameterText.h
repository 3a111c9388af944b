#pragma once

#include <string>
#include <string_view>

/**
    The texts of VELK's parameter values, both ways: the display text a host shows for a value,
    and the value a user's typed text stands for. Plain C++, the same in every locale (the decimal
    point is always a point, and letters and spaces are ASCII's).
*/
namespace velk
{
/**
    The display text of parameter index (0 to 8, or a format's own from 9 on) at a stored value: three decimals ("0.500");
    Attack as milliseconds with two decimals ("300.00 ms"); Release as whole milliseconds, or
    whole seconds from one second up (" 300 ms", "   2 sec"); numbers padded to four characters.
*/
std::string displayText (int index, float value);

/**
    The stored value a typed text stands for, the inverse of displayText where one exists. A
    switch takes a caption or the start of one, case-insensitive ("4:1", "lim", "sc bell"; for
    Ratio a whole number means its ratio, "2" is 2:1), else the number typed. Other parameters
    take the leading number in the display text's unit ("300 ms" of attack, "2 sec" of release).
    A text without a number gives 0, as does one that reads as infinity or not a number.
*/
float valueForText (int index, std::string_view text);

/** The position of switch index that a typed text names as valueForText reads it (a caption or
    the start of one), or -1 where it names none or index is no switch. */
int switchPosition (int index, std::string_view text);

/** The caption of the switch position a stored value runs (truncated toward zero), or null for
    a value outside the positions or a parameter that is no switch. */
const char* positionCaption (int index, float value) noexcept;

/** The number at the start of a text after leading white space and one sign: the longest
    decimal prefix; +0 when there is none, when it is zero, or when it reads as infinity. */
float leadingNumber (std::string_view text) noexcept;
} // namespace velk
