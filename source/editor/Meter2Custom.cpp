#include "Meter2Custom.h"

#include "MyTestAudioProcessor.h"

#include <cmath>

Meter2Custom::Meter2Custom (juce::Image newImage, MyTestAudioProcessor* newProcessor)
    : frameWidth (newImage.getWidth()),
      frameHeight (newImage.getHeight() / 9),
      image (newImage),
      processor (newProcessor)
{
    startTimer (50);
}

Meter2Custom::~Meter2Custom()
{
    stopTimer();
}

int Meter2Custom::frameFor (float value) noexcept
{
    // (value * 8 + 0.5) truncated, clamped to the nine frames; NaN shows the dark frame.
    const double step = (double) (value * 8.0f) + 0.5;
    if (! (step >= 1.0))
        return 0;
    return step >= 9.0 ? 8 : (int) step;
}

void Meter2Custom::paint (juce::Graphics& g)
{
    g.drawImage (image, 0, 0, getWidth(), getHeight(), 0, sourceY, frameWidth, frameHeight, false);
}

void Meter2Custom::timerCallback()
{
    level = processor->getEngine().meterValue.load (std::memory_order_relaxed);
    sourceY = frameFor (level) * image.getHeight() / 9;

    if (level != 0.0f)
        repaint();
}
