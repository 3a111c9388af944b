#include "VelkFormatEditor.h"

#include "MyTestAudioProcessorEditor.h"
#include "VelkFormatProcessor.h"

VelkFormatEditor::VelkFormatEditor (VelkFormatProcessor& processor)
    : juce::AudioProcessorEditor (processor),
      formatProcessor (processor)
{
    auto& inner = processor.getInner();
    // A new editor each time, which the inner processor keeps no record of, so two windows of
    // one instance cannot share one editor.
    innerEditor = std::make_unique<MyTestAudioProcessorEditor> (&inner, true);
    addAndMakeVisible (*innerEditor);
    setSize (innerEditor->getWidth(), innerEditor->getHeight());
    startTimerHz (30);
}

VelkFormatEditor::~VelkFormatEditor()
{
    stopTimer();
    innerEditor = nullptr;
}

void VelkFormatEditor::timerCallback()
{
    if (formatProcessor.takeHostWrites())
        formatProcessor.getInner().sendChangeMessage();
}

void VelkFormatEditor::resized()
{
    if (innerEditor != nullptr)
        innerEditor->setBounds (getLocalBounds());
}
