#include "VelkFormatEditor.h"

#include "EditorFrame.h"
#include "MyTestAudioProcessorEditor.h"
#include "VelkFormatProcessor.h"

#include <cmath>

VelkFormatEditor::VelkFormatEditor (VelkFormatProcessor& processor)
    : juce::AudioProcessorEditor (processor),
      formatProcessor (processor)
{
    auto& inner = processor.getInner();
    // A new editor each time, which the inner processor keeps no record of, so two windows of
    // one instance cannot share one editor.
    frame = std::make_unique<EditorFrame> (std::make_unique<MyTestAudioProcessorEditor> (&inner, true), ZoomSetting());
    addAndMakeVisible (*frame);
    setSize (frame->getWidth(), frame->getHeight());
    frame->setSizeRequest ([this] (int, int)
                           { return hostTookSize(); });
    frame->setPresetChoice ([&processor] (int index)
                            { processor.setCurrentProgram (index); },
                            [&processor]
                            { return processor.getCurrentProgram(); });
    startTimerHz (30);
}

VelkFormatEditor::~VelkFormatEditor()
{
    stopTimer();
    frame = nullptr;
}

MyTestAudioProcessorEditor& VelkFormatEditor::getInnerEditor() noexcept
{
    return frame->getEditor();
}

void VelkFormatEditor::timerCallback()
{
    if (formatProcessor.takeHostWrites())
        formatProcessor.getInner().sendChangeMessage();
}

void VelkFormatEditor::childBoundsChanged (juce::Component* child)
{
    // The window is as large as the frame; the framework's VST3 wrapper asks the host for each
    // new size (resizeView), and the standalone window follows it.
    if (child == frame.get())
        setSize (frame->getWidth(), frame->getHeight());
}

void VelkFormatEditor::parentSizeChanged()
{
    // The host's view has grown (or shrunk) around the window: the framework repainted before its
    // native window had the new size, so the part the zoom adds is painted now.
    repaint();
}

bool VelkFormatEditor::hostTookSize() const
{
    // A VST3 host that agrees sizes the view before resizeView returns.
    auto* view = getParentComponent();
    if (formatProcessor.wrapperType != juce::AudioProcessor::wrapperType_VST3 || view == nullptr)
        return true;

    const auto wanted = view->getLocalArea (this, getLocalBounds()).getSmallestIntegerContainer();
    return std::abs (view->getWidth() - wanted.getWidth()) <= 1 && std::abs (view->getHeight() - wanted.getHeight()) <= 1;
}
