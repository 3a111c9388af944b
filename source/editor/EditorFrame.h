#pragma once

#include "MyTestAudioProcessorEditor.h"
#include "ZoomSetting.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

/**
    The window around VELK's editor in the VST3, LV2 and standalone formats. The editor keeps its
    300 x 600 size and layout; the frame shows it scaled by the host's scale (where the format
    leaves that to the frame) times the user's zoom, and is as large as the scaled editor.

    A right-click on the panel (not on a knob, which a right-drag turns) offers the zooms, and
    where the format gives a way to choose them, the factory presets; for a zoom the frame takes
    the new size and asks the host for it, and where the host refuses, keeps the zoom it had. The zoom chosen is remembered for the user (ZoomSetting). Above the panel the frame
    can show a notice (the standalone application's word on its audio device).
*/
class EditorFrame : public juce::Component
{
public:
    /** Asks the host to show the frame at its new size (in the frame's own units); false when the
        host refuses. */
    using SizeRequest = std::function<bool (int width, int height)>;

    /** hostScale: the scale the frame applies for the host (1 where the format applies it). */
    EditorFrame (std::unique_ptr<MyTestAudioProcessorEditor> editor, ZoomSetting setting, float hostScale = 1.0f);
    ~EditorFrame() override;

    MyTestAudioProcessorEditor& getEditor() noexcept { return *editor; }

    /** The zoom in percent. */
    int getZoom() const noexcept { return zoom; }

    /** Zooms to one of ZoomSetting::choices, asking the host for the size; false (and the zoom
        unchanged) when the host refuses. The zoom chosen is remembered for the user. */
    bool setZoom (int percent);

    /** Shows this window at a zoom without asking the host or remembering it: for a host that
        refused the size the frame opened at. */
    void showAtZoom (int percent);

    void setSizeRequest (SizeRequest request) { sizeRequest = std::move (request); }

    /** Chooses factory preset index for the format, telling its host of each value it changes. */
    using PresetChoice = std::function<void (int index)>;

    /** Offers the factory presets in the right-click menu, after the zooms; current gives the
        one to tick (-1 for none). */
    void setPresetChoice (PresetChoice choose, std::function<int()> current = {});

    /** Shows a notice in a strip above the panel; an empty text removes it. */
    void setNotice (const juce::String& text);
    const juce::String& getNotice() const noexcept { return notice; }

    /** The zooms as menu items, the current one ticked; choosing one zooms this frame. */
    juce::PopupMenu createZoomMenu();

    /** The factory presets as menu items, where the format gives a way to choose them. */
    juce::PopupMenu createPresetMenu();

    void paint (juce::Graphics& g) override;
    void resized() override;
    void mouseDown (const juce::MouseEvent& event) override;

private:
    float getScale() const noexcept { return hostScale * (float) zoom / 100.0f; }
    int getNoticeHeight() const noexcept;
    void updateLayout();

    juce::Component scaled; // holds the editor under the frame's transform, so the editor's own stays the host's
    std::unique_ptr<MyTestAudioProcessorEditor> editor;
    const ZoomSetting setting;
    const float hostScale;
    int zoom;
    juce::String notice;
    SizeRequest sizeRequest;
    PresetChoice presetChoice;
    std::function<int()> currentPreset;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EditorFrame)
};
