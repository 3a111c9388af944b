#include "VelkFormatEditor.h"

#include "MyTestAudioProcessorEditor.h"
#include "VelkFormatProcessor.h"

VelkFormatEditor::VelkFormatEditor (VelkFormatProcessor& processor)
    : juce::AudioProcessorEditor (processor)
{
    auto& inner = processor.getInner();
    // A new editor each time, which the inner processor keeps no record of, so two windows of
    // one instance cannot share one editor.
    innerEditor = std::make_unique<MyTestAudioProcessorEditor> (&inner, true);
    addAndMakeVisible (*innerEditor);
    setSize (innerEditor->getWidth(), innerEditor->getHeight());
}

VelkFormatEditor::~VelkFormatEditor()
{
    innerEditor = nullptr;
}

void VelkFormatEditor::resized()
{
    if (innerEditor != nullptr)
        innerEditor->setBounds (getLocalBounds());
}
