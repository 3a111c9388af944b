#include "FilmStripKnob.h"

FilmStripKnob::FilmStripKnob (juce::Image image, int newNumFrames, bool stripIsHorizontal)
    : juce::Slider ("Film Strip Slider"),
      filmStrip (image),
      numFrames (newNumFrames),
      isHorizontal (stripIsHorizontal)
{
    setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
    setSliderStyle (juce::Slider::RotaryVerticalDrag);
    frameHeight = filmStrip.isValid() && numFrames > 0 ? filmStrip.getHeight() / numFrames : 0;
    frameWidth = filmStrip.isValid() ? filmStrip.getWidth() : 0;
}

FilmStripKnob::~FilmStripKnob() = default;

int FilmStripKnob::getFrameIndex() const
{
    const double minimum = getMinimum(), maximum = getMaximum();
    return (int) ((getValue() - minimum) / (maximum - minimum) * (numFrames - 1));
}

void FilmStripKnob::paint (juce::Graphics& g)
{
    if (frameWidth <= 0 || frameHeight <= 0)
        return;

    // A horizontal strip takes its frames side by side, each as large as a vertical one's.
    const int index = getFrameIndex();
    if (art != nullptr && ! isHorizontal)
    {
        art->drawFrame (g, index, getLocalBounds());
        return;
    }
    g.drawImage (filmStrip, 0, 0, getWidth(), getHeight(),
                 isHorizontal ? index * frameWidth : 0, isHorizontal ? 0 : index * frameHeight,
                 frameWidth, frameHeight, false);
}
