#include "MyTestAudioProcessorEditor.h"

#include "MyTestAudioProcessor.h"

MyTestAudioProcessorEditor::MyTestAudioProcessorEditor (MyTestAudioProcessor* processor)
    : juce::AudioProcessorEditor (processor)
{
    setSize (width, height);
}

MyTestAudioProcessorEditor::~MyTestAudioProcessorEditor() = default;

void MyTestAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
    g.setColour (juce::Colours::white);
    g.setFont (40.0f);
    g.drawText ("VELK", getLocalBounds().removeFromTop (100), juce::Justification::centred);
}
