#include "Meter2Custom.h"

#include "EditorLayout.h"
#include "MyTestAudioProcessor.h"

#include <cmath>

Meter2Custom::Meter2Custom (juce::Image newImage, MyTestAudioProcessor* newProcessor)
    : frameWidth (newImage.getWidth()),
      frameHeight (newImage.getHeight() / editorlayout::meterFrames),
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
    constexpr int lastFrame = editorlayout::meterFrames - 1;
    const double step = (double) (value * (float) lastFrame) + 0.5;
    if (! (step >= 1.0))
        return 0;
    return step >= (double) editorlayout::meterFrames ? lastFrame : (int) step;
}

void Meter2Custom::paint (juce::Graphics& g)
{
    if (art != nullptr && frameHeight > 0)
        return art->drawFrame (g, sourceY / frameHeight, getLocalBounds());
    g.drawImage (image, 0, 0, getWidth(), getHeight(), 0, sourceY, frameWidth, frameHeight, false);
}

void Meter2Custom::timerCallback()
{
    level = processor->getEngine().meterValue.load (std::memory_order_relaxed);
    sourceY = frameFor (level) * image.getHeight() / editorlayout::meterFrames;

    if (level != 0.0f)
        repaint();
}
