#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

class VelkFormatProcessor;
class MyTestAudioProcessorEditor;

/**
    The window the VST3, LV2 and standalone formats show: VELK's editor, built on the inner
    processor and set to follow the host, inside a frame that belongs to the format processor,
    so that each processor's record of its editor stays its own. While it is open, it looks for
    the host's writes 30 times a second and has the editor show them.
*/
class VelkFormatEditor : public juce::AudioProcessorEditor,
                         private juce::Timer
{
public:
    explicit VelkFormatEditor (VelkFormatProcessor& processor);
    ~VelkFormatEditor() override;

    void resized() override;

    /** The editor inside. */
    MyTestAudioProcessorEditor& getInnerEditor() noexcept { return *innerEditor; }

private:
    void timerCallback() override;

    VelkFormatProcessor& formatProcessor;
    std::unique_ptr<MyTestAudioProcessorEditor> innerEditor;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VelkFormatEditor)
};
