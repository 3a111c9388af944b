#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

class VelkFormatProcessor;
class MyTestAudioProcessorEditor;
class EditorFrame;

/**
    The window the VST3 and standalone formats show: VELK's editor, built on the inner processor
    and set to follow the host, in an EditorFrame (the user's zoom, the standalone's notice),
    inside a window that belongs to the format processor, so that each processor's record of its
    editor stays its own. The host's own scale reaches it through the framework (setScaleFactor).
    While it is open, it looks for the host's writes 30 times a second and has the editor show
    them.
*/
class VelkFormatEditor : public juce::AudioProcessorEditor,
                         private juce::Timer
{
public:
    explicit VelkFormatEditor (VelkFormatProcessor& processor);
    ~VelkFormatEditor() override;

    /** The editor inside. */
    MyTestAudioProcessorEditor& getInnerEditor() noexcept;

    /** The frame around it. */
    EditorFrame& getFrame() noexcept { return *frame; }

private:
    void timerCallback() override;
    void childBoundsChanged (juce::Component* child) override;
    void parentSizeChanged() override;

    /** Whether the host took the frame's new size (which this window has taken): false when a
        VST3 host keeps its view as it was. */
    bool hostTookSize() const;

    VelkFormatProcessor& formatProcessor;
    std::unique_ptr<EditorFrame> frame;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VelkFormatEditor)
};
