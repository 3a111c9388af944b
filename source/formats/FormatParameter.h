#pragma once

#include "FormatParameterTable.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <functional>

/**
    One of VELK's parameters as the VST3 and standalone formats present it: a continuous
    0-to-1 value with the processor's own display text, or, for a switch, a choice of its
    captions. Every value the host sets is handed on as the engine's raw value (a switch's
    position k as its first value plus k); showRawValue goes the other way without handing
    anything on.
*/
class FormatParameter : public juce::RangedAudioParameter
{
public:
    /** Called with the raw value whenever the host, a gesture or the editor sets the parameter. */
    using RawValueCallback = std::function<void (int index, float rawValue)>;

    FormatParameter (const velk::ParameterInfo& info, RawValueCallback onRawValue);

    /** The stable identifier hosts store: "input", "attack", ... "gc", "sidechain". */
    static const char* identifierFor (int index) noexcept;

    /** The normalized value that shows a raw value: a continuous value clamped to 0..1; for a
        switch, the nearest position (truncated toward zero, then clamped). */
    float normalizedFor (float rawValue) const noexcept;

    /** The raw value the engine receives for a normalized value. */
    float rawValueFor (float normalizedValue) const noexcept;

    /** Shows a raw value (after a state restore), telling the host, without handing it on. */
    void showRawValue (float rawValue);

    /** Stores the value that shows a raw value and tells no one; returns the normalized value. */
    float storeRawValue (float rawValue) noexcept;

    int getIndex() const noexcept { return info.index; }

    // juce::RangedAudioParameter
    float getValue() const override;
    void setValue (float newValue) override;
    float getDefaultValue() const override;
    int getNumSteps() const override;
    bool isDiscrete() const override;
    juce::String getText (float normalizedValue, int maximumLength) const override;
    float getValueForText (const juce::String& text) const override;
    juce::StringArray getAllValueStrings() const override;
    const juce::NormalisableRange<float>& getNormalisableRange() const override { return range; }

private:
    float snapped (float normalizedValue) const noexcept;

    const velk::ParameterInfo& info;
    const juce::NormalisableRange<float> range;
    std::atomic<float> value;
    RawValueCallback onRawValue;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FormatParameter)
};
