#pragma once

#include "EditorFrame.h"
#include "HostedEditor.h"
#include "Lv2Ports.h"
#include "MyTestAudioProcessor.h"

#include <lv2/ui/ui.h>

#include <array>
#include <cstdint>
#include <memory>

/**
    The LV2 editor (an X11 UI): VELK's editor for the plug-in instance that the host hands over
    through instance-access, embedded in the host's parent window and driven by the host's idle
    calls. A knob the user moves reaches the host through the UI's write function (and touch,
    where the host gives it), so the host records it and sets the port; a port value the host
    changes moves the knob, and so does a value the plug-in runs that changed without a port
    event (read on each idle call).

    The editor sits in an EditorFrame scaled by the host's ui:scaleFactor times the user's zoom;
    a new zoom asks the host through ui:resize, and a host that refuses (or cannot resize) keeps
    the size it has.
*/
class Lv2EditorBinding : private juce::AudioProcessorListener
{
public:
    Lv2EditorBinding (const lv2ports::Layout& layout, MyTestAudioProcessor& processor, void* parentWindow,
                      LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch, const LV2UI_Resize* resize,
                      float hostScaleFactor);
    ~Lv2EditorBinding() override;

    /** The editor's descriptor (index 0); null for other indices. */
    static const LV2UI_Descriptor* descriptor (std::uint32_t index) noexcept;

    /** The X11 window that holds the editor, for the host. */
    void* getWidget() const noexcept;

    void portEvent (std::uint32_t port, std::uint32_t bufferSize, std::uint32_t format, const void* buffer);
    /** The host's idle call: the editor's events, and the knobs follow the values the plug-in
        runs where they changed without a port event (a host applying a preset to the ports). */
    void idle();

    /** The frame around the editor, or null when the editor could not open. */
    EditorFrame* getFrame() const noexcept { return dynamic_cast<EditorFrame*> (hosted->getEditor()); }

private:
    /** The host sets the ports to a factory preset's values, each inside a touch; the plug-in
        applies them as a preset (Ratio Limit from 20:1), and the knobs follow the ports. */
    void choosePreset (int index);

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue) override;
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override;
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override;

    const lv2ports::Layout layout;
    MyTestAudioProcessor& processor;
    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    const LV2UI_Touch* touch;
    const LV2UI_Resize* resize;
    juce::ScopedJuceInitialiser_GUI initialiser;
    std::unique_ptr<HostedEditor> hosted;
    std::array<float, velk::numParameters> shownValues {};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Lv2EditorBinding)
};
