#include "EditorFrame.h"

#include "FactoryPresetTable.h"

#include <cmath>

namespace
{
constexpr int noticeHeight = 46; // editor units: two lines of text and a margin
} // namespace

EditorFrame::EditorFrame (std::unique_ptr<MyTestAudioProcessorEditor> editorToShow, ZoomSetting zoomSetting, float scaleForHost)
    : editor (std::move (editorToShow)),
      setting (std::move (zoomSetting)),
      hostScale (std::isfinite (scaleForHost) && scaleForHost > 0.0f ? juce::jlimit (0.5f, 8.0f, scaleForHost) : 1.0f),
      zoom (setting.load())
{
    setOpaque (true);
    addAndMakeVisible (scaled);
    scaled.setInterceptsMouseClicks (false, true);
    scaled.setBounds (0, 0, MyTestAudioProcessorEditor::width, MyTestAudioProcessorEditor::height);
    scaled.addAndMakeVisible (*editor);
    // Only clicks on the panel itself come here, not those on the knobs and other children.
    editor->addMouseListener (this, false);
    updateLayout();
}

EditorFrame::~EditorFrame()
{
    // A zoom menu still open would outlive the window that opened it.
    juce::PopupMenu::dismissAllActiveMenus();
    editor->removeMouseListener (this);
    editor = nullptr;
}

int EditorFrame::getNoticeHeight() const noexcept
{
    return notice.isEmpty() ? 0 : juce::roundToInt ((float) noticeHeight * getScale());
}

void EditorFrame::updateLayout()
{
    const float scale = getScale();
    const int top = getNoticeHeight();
    scaled.setTransform (juce::AffineTransform::scale (scale).translated (0.0f, (float) top));
    setSize (juce::roundToInt ((float) MyTestAudioProcessorEditor::width * scale),
             top + juce::roundToInt ((float) MyTestAudioProcessorEditor::height * scale));
}

bool EditorFrame::setZoom (int percent)
{
    if (! ZoomSetting::isChoice (percent))
        return false;
    if (percent == zoom)
        return true;

    const int previous = zoom;
    zoom = percent;
    updateLayout();
    if (sizeRequest != nullptr && ! sizeRequest (getWidth(), getHeight()))
    {
        zoom = previous;
        updateLayout();
        return false;
    }
    setting.save (zoom);
    return true;
}

void EditorFrame::showAtZoom (int percent)
{
    if (ZoomSetting::isChoice (percent))
    {
        zoom = percent;
        updateLayout();
    }
}

void EditorFrame::setNotice (const juce::String& text)
{
    if (text == notice)
        return;
    notice = text;
    updateLayout();
    if (sizeRequest != nullptr)
        sizeRequest (getWidth(), getHeight());
    repaint();
}

juce::PopupMenu EditorFrame::createZoomMenu()
{
    juce::PopupMenu menu;
    for (const int percent : ZoomSetting::choices)
        menu.addItem ("Zoom " + juce::String (percent) + " %", true, percent == zoom,
                      [frame = juce::Component::SafePointer<EditorFrame> (this), percent]
                      {
            if (frame != nullptr)
                frame->setZoom (percent);
        });
    return menu;
}

void EditorFrame::setPresetChoice (PresetChoice choose, std::function<int()> current)
{
    presetChoice = std::move (choose);
    currentPreset = std::move (current);
}

juce::PopupMenu EditorFrame::createPresetMenu()
{
    juce::PopupMenu menu;
    const int current = currentPreset != nullptr ? currentPreset() : -1;
    for (int index = 0; presetChoice != nullptr && index < velk::numFactoryPresets; ++index)
        menu.addItem (velk::factoryPresets[index].name, true, index == current,
                      [frame = juce::Component::SafePointer<EditorFrame> (this), index]
                      {
            if (frame != nullptr && frame->presetChoice != nullptr)
                frame->presetChoice (index);
        });
    return menu;
}

void EditorFrame::mouseDown (const juce::MouseEvent& event)
{
    if (event.eventComponent != editor.get() || ! event.mods.isPopupMenu())
        return;
    auto menu = createZoomMenu();
    if (presetChoice != nullptr)
        menu.addSubMenu ("Presets", createPresetMenu());
    menu.showMenuAsync (juce::PopupMenu::Options()
                            .withTargetComponent (editor.get())
                            .withTargetScreenArea (juce::Rectangle<int> (1, 1).withPosition (event.getScreenPosition())));
}

void EditorFrame::resized()
{
    // As the host's own window (LV2), the frame is repainted once its native window has the new
    // size: the framework's repaint on a resize comes before it.
    repaint();
}

void EditorFrame::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff101010));
    if (notice.isEmpty())
        return;

    const float scale = getScale();
    const auto strip = getLocalBounds().withHeight (getNoticeHeight()).toFloat();
    g.setColour (juce::Colour (0xff3a2a0c));
    g.fillRect (strip);
    g.setColour (juce::Colour (0xffd9a441));
    g.fillRect (strip.withTop (strip.getBottom() - scale));
    g.setColour (juce::Colour (0xfff2e6cc));
    g.setFont (juce::Font (12.5f * scale));
    g.drawFittedText (notice, strip.reduced (8.0f * scale, 3.0f * scale).toNearestInt(), juce::Justification::centredLeft, 3, 0.9f);
}
