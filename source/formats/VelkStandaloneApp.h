#pragma once

#include "VelkStandaloneWindow.h"

/**
    The standalone VELK application: the framework's standalone window (audio through ALSA or
    JACK, its audio settings dialog, the plug-in's editor) with its settings kept in
    ~/.config/VELK.settings. A compressor without input does nothing, so the input starts
    unmuted; once the user mutes or unmutes it, that choice is kept.

    The window takes the desktop's scale that the framework finds; where it finds none, the one
    that GDK_SCALE or the X resource Xft.dpi give (DesktopScale), for every window of the
    application.
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
    std::unique_ptr<VelkStandaloneWindow> window;
};
