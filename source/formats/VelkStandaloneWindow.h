#pragma once

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include <juce_audio_plugin_client/Standalone/juce_StandaloneFilterWindow.h>

class EditorFrame;

/**
    The standalone application's window: the framework's standalone window, whose Options menu
    also offers the editor's zooms. When no audio device is open, the window says so above the
    panel, and how to get sound (start JACK, or pick an ALSA device); the notice goes once a
    device opens. The window carries its name for window managers (_NET_WM_NAME).
*/
class VelkStandaloneWindow : public juce::StandaloneFilterWindow,
                             private juce::ChangeListener
{
public:
    VelkStandaloneWindow (const juce::String& title, juce::Colour backgroundColour, juce::PropertySet* settings);
    ~VelkStandaloneWindow() override;

    /** The Options menu: the framework's items and the zooms. */
    void buttonClicked (juce::Button* button) override;

    void resized() override;

    /** Gives the shown window its name in UTF-8 for window managers. */
    void publishWindowName();

    /** What the window says when no audio device is open. */
    static constexpr const char* noDeviceNotice =
        "No audio device could be opened, so VELK makes no sound. Start a JACK server, or pick an ALSA device in "
        "Options > Audio/MIDI Settings.";

private:
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    static void menuChosen (int result, VelkStandaloneWindow* window);
    void updateNotice();
    EditorFrame* getFrame() const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VelkStandaloneWindow)
};
