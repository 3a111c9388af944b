#include "PeakLed.h"

#include "EditorLayout.h"
#include "MyTestAudioProcessor.h"

PeakLed::PeakLed (const juce::String& componentName, juce::Image newImage, MyTestAudioProcessor* newProcessor)
    : juce::Component (componentName),
      image (newImage),
      frameWidth (newImage.getWidth()),
      frameHeight (newImage.getHeight() / editorlayout::lampFrames),
      processor (newProcessor)
{
    startTimer (50);
}

PeakLed::~PeakLed()
{
    stopTimer();
}

void PeakLed::paint (juce::Graphics& g)
{
    if (art != nullptr)
        return art->drawFrame (g, lit ? 1 : 0, getLocalBounds());
    g.drawImage (image, 0, 0, getWidth(), getHeight(), 0, lit ? frameHeight : 0, frameWidth, frameHeight, false);
}

void PeakLed::timerCallback()
{
    auto& engine = processor->getEngine();

    if (engine.takeClipFlag())
        engine.clipHold.store (0, std::memory_order_relaxed);
    else
        engine.clipHold.store (juce::jmin (engine.clipHold.load (std::memory_order_relaxed) + 1, holdTicks), std::memory_order_relaxed);

    const bool nowLit = engine.clipHold.load (std::memory_order_relaxed) < holdTicks;
    if (nowLit != lit)
        repaint();
    lit = nowLit;
}
