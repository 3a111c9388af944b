#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    One of the editor's images together with its copy drawn at twice the size, for screens that
    show the editor larger than its own pixels. Frames are stacked from top to bottom (a panel is
    one frame).

    Each draw picks the copy by the scale the context maps the editor's units to the screen's
    pixels with: at 1 or below, the image itself, so the pixels are exactly the image's; at 2 or
    above, the double-size copy, decoded from its PNG only then; in between (1.25, 1.5), the
    double-size copy scaled down to that scale with area averaging, each frame on its own, once
    per scale while an editor shows it (kept in the framework's image cache, which lets it go a
    few seconds after the last editor closes). Message thread only.
*/
class ScalableImage
{
public:
    /** image: the 1x image; largeData, largeSize: the PNG of the 2x copy (not decoded yet). */
    ScalableImage (juce::Image image, const char* largeData, int largeSize, int numFrames);

    /** Draws frame `frame` into `area` (in the component's units), the alpha channel as it is. */
    void drawFrame (juce::Graphics& g, int frame, juce::Rectangle<int> area);

    /** The image that a draw at this physical scale takes its frames from. */
    juce::Image getImageForScale (float scale);

    /** The scale a context draws at: screen pixels per unit of the component it paints. */
    static float physicalScaleOf (juce::Graphics& g);

    /** Each frame of a strip scaled by `scale` (below 1) with area averaging: every target pixel
        is the mean of the source area it covers, weighted by coverage. */
    static juce::Image scaledDown (const juce::Image& strip, int numFrames, double scale);

private:
    juce::Image image;
    const char* largeData;
    int largeSize;
    int numFrames;
    juce::Image large; // decoded on the first draw above 1x
    int scaledHundredths = 0;
    juce::Image scaled; // the copy for the last scale between 1x and 2x, in hundredths

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ScalableImage)
};
