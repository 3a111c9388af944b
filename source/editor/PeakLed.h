#pragma once

#include "ScalableImage.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class MyTestAudioProcessor;

/**
    The clip lamp. Every 50 ms it takes the engine's clip flag (test and clear); a clip restarts
    the hold count, else the count rises to 20. The lamp is lit while the count is below 20, so
    one clip lights it for a second. The count lives in the engine, so a clip while no editor is
    open shows on the first tick of the next one. Repaints only when it changes state.
*/
class PeakLed : public juce::Component,
                private juce::Timer
{
public:
    PeakLed (const juce::String& componentName, juce::Image image, MyTestAudioProcessor* processor);
    ~PeakLed() override;

    bool isLit() const noexcept { return lit; }

    void paint (juce::Graphics& g) override;
    void timerCallback() override;

    /** The strip with its double-size copy, drawn from where the screen shows the lamp larger. */
    void setScalableImage (std::shared_ptr<ScalableImage> newArt) { art = std::move (newArt); }

    static constexpr int holdTicks = 20;

private:
    juce::Image image;
    int frameWidth, frameHeight;
    MyTestAudioProcessor* processor;
    bool lit = false;
    std::shared_ptr<ScalableImage> art;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PeakLed)
};
