#pragma once

#include <juce_core/juce_core.h>

#include <memory>

/**
    The framework's binary wrapping of an XML text, in which VELK's states are kept: a magic
    number, the text's length, the UTF-8 text and a zero byte, the numbers little-endian.
*/
namespace wrappedstate
{
inline constexpr juce::uint32 magic = 0x21324356;

/** The bytes before the text, and the wrapping's bytes beside the text. */
inline constexpr int headerSize = 8, overhead = 9;

/** The length of the text in a wrapping that the data holds whole, or -1. */
inline int wholeTextLength (const void* data, int sizeInBytes) noexcept
{
    if (data == nullptr || sizeInBytes < overhead || juce::ByteOrder::littleEndianInt (data) != magic)
        return -1;
    const auto length = (juce::int64) juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (data, 4));
    return length >= 0 && length + overhead <= sizeInBytes ? (int) length : -1;
}

/**
    False when the text of a wrapping, as far as the data holds it, is not valid UTF-8. The
    framework's XML parser steps over the end of its text on a truncated multi-byte sequence (a
    read past the end of the buffer), so such a block is rejected before it is parsed.
*/
inline bool hasValidText (const void* data, int sizeInBytes) noexcept
{
    if (sizeInBytes <= headerSize)
        return true; // the framework rejects it unparsed

    const auto length = (int) juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (data, 4));
    const int textLength = juce::jmin (length, sizeInBytes - headerSize);
    return textLength <= 0 || juce::CharPointer_UTF8::isValidString (static_cast<const char*> (data) + headerSize, textLength);
}

/** The element of a wrapping the data holds whole, or null where it or its UTF-8 is damaged. */
inline std::unique_ptr<juce::XmlElement> parse (const void* data, int sizeInBytes)
{
    const int length = wholeTextLength (data, sizeInBytes);
    const auto* text = static_cast<const char*> (data) + headerSize;
    if (length <= 0 || ! juce::CharPointer_UTF8::isValidString (text, length))
        return nullptr;
    return juce::parseXML (juce::String::fromUTF8 (text, length));
}
} // namespace wrappedstate
