#include "MyTestAudioProcessorEditor.h"

#include "MyTestAudioProcessor.h"

MyTestAudioProcessorEditor::MyTestAudioProcessorEditor (MyTestAudioProcessor* processor)
    : juce::AudioProcessorEditor (processor)
{
    setSize (300, 600);
}

MyTestAudioProcessorEditor::~MyTestAudioProcessorEditor() = default;

void MyTestAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
}
