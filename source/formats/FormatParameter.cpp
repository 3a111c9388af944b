#include "FormatParameter.h"

#include "MyTestAudioProcessor.h"
#include "ParameterText.h"

#include <cmath>

FormatParameter::FormatParameter (const velk::ParameterInfo& parameterInfo, RawValueCallback callback)
    : juce::RangedAudioParameter (juce::ParameterID { identifierFor (parameterInfo.index), 1 }, parameterInfo.name,
                                  juce::AudioProcessorParameterWithIDAttributes()),
      info (parameterInfo),
      range (0.0f, 1.0f),
      value (normalizedFor (parameterInfo.defaultValue)),
      onRawValue (std::move (callback))
{
}

const char* FormatParameter::identifierFor (int index) noexcept
{
    const auto* info = velk::formatParameterInfo (index);
    return info != nullptr ? info->id : "";
}

float FormatParameter::normalizedFor (float rawValue) const noexcept
{
    if (! std::isfinite (rawValue))
        rawValue = 0.0f; // as the processor stores it

    if (! info.isSwitch())
        return juce::jlimit (0.0f, 1.0f, rawValue);

    const int position = juce::jlimit (0, info.numPositions - 1, MyTestAudioProcessor::truncateToInt (rawValue) - info.firstPosition);
    return (float) position / (float) (info.numPositions - 1);
}

float FormatParameter::rawValueFor (float normalizedValue) const noexcept
{
    const float normalized = snapped (normalizedValue);
    if (! info.isSwitch())
        return normalized;
    return (float) (info.firstPosition + juce::roundToInt (normalized * (float) (info.numPositions - 1)));
}

float FormatParameter::snapped (float normalizedValue) const noexcept
{
    const float v = std::isfinite (normalizedValue) ? juce::jlimit (0.0f, 1.0f, normalizedValue) : 0.0f;
    if (! info.isSwitch())
        return v;
    const int steps = info.numPositions - 1;
    return (float) juce::roundToInt (v * (float) steps) / (float) steps;
}

void FormatParameter::showRawValue (float rawValue)
{
    // Stored and announced as a host's write would be, but not handed on.
    sendValueChangedMessageToListeners (storeRawValue (rawValue));
}

float FormatParameter::storeRawValue (float rawValue) noexcept
{
    const float normalized = normalizedFor (rawValue);
    value.store (normalized, std::memory_order_relaxed);
    return normalized;
}

float FormatParameter::getValue() const
{
    return value.load (std::memory_order_relaxed);
}

void FormatParameter::setValue (float newValue)
{
    const float normalized = snapped (newValue);
    value.store (normalized, std::memory_order_relaxed);
    if (onRawValue != nullptr)
        onRawValue (info.index, rawValueFor (normalized));
}

float FormatParameter::getDefaultValue() const
{
    return normalizedFor (info.defaultValue);
}

int FormatParameter::getNumSteps() const
{
    return info.isSwitch() ? info.numPositions : juce::AudioProcessor::getDefaultNumParameterSteps();
}

bool FormatParameter::isDiscrete() const
{
    return info.isSwitch();
}

juce::String FormatParameter::getText (float normalizedValue, int maximumLength) const
{
    const float raw = rawValueFor (normalizedValue);
    const auto* caption = velk::positionCaption (info.index, raw);
    const auto text = caption != nullptr ? juce::String (caption) : juce::String (velk::displayText (info.index, raw));
    return maximumLength > 0 ? text.substring (0, maximumLength) : text;
}

float FormatParameter::getValueForText (const juce::String& text) const
{
    // The inverse of the texts above: a caption or the start of one, "300.00 ms" of attack,
    // "300 ms" or "2 sec" of release.
    return normalizedFor (velk::valueForText (info.index, text.toStdString()));
}

juce::StringArray FormatParameter::getAllValueStrings() const
{
    juce::StringArray captions;
    for (int position = 0; position < info.numPositions; ++position)
        captions.add (info.captions[position]);
    return captions;
}
