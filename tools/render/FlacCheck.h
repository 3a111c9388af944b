#pragma once

#include <juce_core/juce_core.h>

/**
    Decodes a FLAC file with libFLAC to find damage that the framework's FLAC reader hides (it
    ignores decoder errors and fills what it cannot decode with zeros): frames that fail their
    checks, a stream that ends before the length its header announces, and audio that does not
    match the header's MD5 signature.
*/
class FlacCheck
{
public:
    /** An empty string for a sound file, else what is wrong and where, for one line of error
        ("damaged at sample 88200 (2.00 s): ..."). */
    static juce::String findDamage (const juce::File& file);
};
