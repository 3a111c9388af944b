#pragma once

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include <juce_audio_plugin_client/Standalone/juce_StandaloneFilterWindow.h>

/**
    The standalone VELK application: the framework's standalone window (audio through ALSA or
    JACK, its audio settings dialog, the plug-in's editor) with its settings kept in
    ~/.config/VELK.settings. A compressor without input does nothing, so the input starts
    unmuted; once the user mutes or unmutes it, that choice is kept.
*/
class VelkStandaloneApp : public juce::JUCEApplication
{
public:
    VelkStandaloneApp();

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override { return true; }
    void anotherInstanceStarted (const juce::String&) override {}

    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void systemRequestedQuit() override;

private:
    juce::ApplicationProperties properties;
    std::unique_ptr<juce::StandaloneFilterWindow> window;
};
