#pragma once

#include "ScalableImage.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/**
    A rotary slider that draws itself as one frame of a film strip: an image holding the knob at
    evenly spaced positions, frame 0 (the lowest value) at the top. The slider does the mouse
    handling, the value, its range and interval snapping and the listeners; this class fixes the
    style and draws. The frame for value v is (v - min) / (max - min) * (frames - 1), truncated,
    so the last frame shows only at the maximum.
*/
class FilmStripKnob : public juce::Slider
{
public:
    FilmStripKnob (juce::Image image, int numFrames, bool stripIsHorizontal);
    ~FilmStripKnob() override;

    /** The frame that the current value shows. */
    int getFrameIndex() const;

    void paint (juce::Graphics& g) override;

    /** The strip with its double-size copy, drawn from instead of the image where the screen
        shows the knob larger (a vertical strip of the same frames). */
    void setScalableImage (std::shared_ptr<ScalableImage> newArt) { art = std::move (newArt); }

private:
    juce::Image filmStrip;
    int numFrames;
    bool isHorizontal;
    int frameWidth, frameHeight;
    std::shared_ptr<ScalableImage> art;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FilmStripKnob)
};
