#pragma once

#include "EditorLayout.h"
#include "FilmStripKnob.h"
#include "Meter2Custom.h"
#include "ParameterTable.h"
#include "PeakLed.h"
#include "ScalableImage.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <bitset>
#include <map>
#include <memory>

class MyTestAudioProcessor;

/**
    VELK's window: a fixed 300 x 600 panel with seven film-strip knobs for parameters 0 to 6, the
    clip lamp, the gain-reduction meter, a version label and a link to the maker's support page.

    Knobs write their values to the processor with setParameterNotifyingHost (so the host hears
    of it). They take the processor's values when the editor is built and whenever the processor
    broadcasts a change (after a state restore); host automation does not move them.

    Built for the VST3, LV2 and standalone wrapper (followsHost), the editor follows the host
    instead: the knobs take the processor's values, at first and on each broadcast, without
    writing anything back, and each drag reaches the host as a begin/end gesture around its
    writes.

    Shown larger than its own pixels (a transform around it, or a screen's scale), the panel,
    knobs, lamp and meter are drawn from the double-size artwork.
*/
class MyTestAudioProcessorEditor : public juce::AudioProcessorEditor,
                                   public juce::Slider::Listener,
                                   public juce::ChangeListener
{
public:
    static constexpr int width = 300, height = 600;

    /** The maker's support page (a placeholder until the real address is known). */
    static constexpr const char* supportUrl = "https://support.velk.example/";

    explicit MyTestAudioProcessorEditor (MyTestAudioProcessor* processor, bool followsHost = false);
    ~MyTestAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void sliderValueChanged (juce::Slider* slider) override;
    void sliderDragStarted (juce::Slider* slider) override;
    void sliderDragEnded (juce::Slider* slider) override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    /** Following a host: the knob of parameter 0 to 6 shows the value the processor runs, unless
        the user holds it (then false); nothing is written. For hosts that set values without
        telling the editor (an LV2 host applying a preset to the ports). */
    bool showRunningValue (int parameterIndex);

    /** The knob for parameter 0 to 6, or null. */
    FilmStripKnob* getKnob (int parameterIndex) const noexcept;
    PeakLed* getPeakLed() const noexcept { return peakLed.get(); }
    Meter2Custom* getMeter() const noexcept { return meter.get(); }
    juce::HyperlinkButton* getLinkButton() const noexcept { return linkButton.get(); }
    juce::Label* getVersionLabel() const noexcept { return versionLabel.get(); }
    juce::TooltipWindow& getTooltipWindow() noexcept { return tooltipWindow; }

private:
    std::unique_ptr<FilmStripKnob> createKnob (editorlayout::Box box, MyTestAudioProcessor* processor, juce::Image strip,
                                               int parameterIndex);

    using KnobMember = std::unique_ptr<FilmStripKnob> MyTestAudioProcessorEditor::*;

    /** The member that holds the knob of a parameter index, or null. */
    static KnobMember knobMember (int parameterIndex) noexcept;

    /** The value a knob shows for parameter 0 to 6: a switch shows the position the engine runs. */
    float shownValue (int parameterIndex);

    /** The parameter a knob controls, or -1. */
    int indexOf (const juce::Slider* slider) const noexcept;

    /** The image of these embedded bytes with its double-size copy, one per image. */
    std::shared_ptr<ScalableImage> scalableImage (const char* data, int size, const char* largeData, int largeSize, int numFrames);

    MyTestAudioProcessor& processor;
    const bool followsHost;
    std::bitset<velk::numParameters> openGestures;

    std::unique_ptr<PeakLed> peakLed;
    std::unique_ptr<juce::HyperlinkButton> linkButton;
    std::unique_ptr<Meter2Custom> meter;
    std::unique_ptr<FilmStripKnob> distortionKnob, ratioKnob, filterKnob, inputKnob, attackKnob, releaseKnob, outputKnob;
    juce::TooltipWindow tooltipWindow;
    std::unique_ptr<juce::Label> versionLabel;
    juce::Image backgroundImage;
    std::unique_ptr<ScalableImage> panel;
    std::map<const char*, std::shared_ptr<ScalableImage>> scalableImages;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyTestAudioProcessorEditor)
};
