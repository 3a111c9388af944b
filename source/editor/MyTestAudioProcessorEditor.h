#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

class MyTestAudioProcessor;

/** VELK's window: a fixed 300 x 600 panel. */
class MyTestAudioProcessorEditor : public juce::AudioProcessorEditor
{
public:
    static constexpr int width = 300, height = 600;

    explicit MyTestAudioProcessorEditor (MyTestAudioProcessor* processor);
    ~MyTestAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyTestAudioProcessorEditor)
};
