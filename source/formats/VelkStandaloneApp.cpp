#include "VelkStandaloneApp.h"

namespace
{
// The framework's window keeps the input's mute switch under this name.
constexpr const char* muteInputKey = "shouldMuteInput";
} // namespace

VelkStandaloneApp::VelkStandaloneApp()
{
    juce::PropertiesFile::Options options;
    options.applicationName = getApplicationName();
    options.filenameSuffix = ".settings";
    options.folderName = "~/.config";
    properties.setStorageParameters (options);
}

const juce::String VelkStandaloneApp::getApplicationName()
{
    return JucePlugin_Name;
}

const juce::String VelkStandaloneApp::getApplicationVersion()
{
    return JucePlugin_VersionString;
}

void VelkStandaloneApp::initialise (const juce::String&)
{
    auto* settings = properties.getUserSettings();
    if (! settings->containsKey (muteInputKey))
        settings->setValue (muteInputKey, false);

    const auto background = juce::LookAndFeel::getDefaultLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId);
    window = std::make_unique<juce::StandaloneFilterWindow> (getApplicationName(), background, settings, false);
    window->setVisible (true);
}

void VelkStandaloneApp::shutdown()
{
    window = nullptr;
    properties.saveIfNeeded();
}

void VelkStandaloneApp::systemRequestedQuit()
{
    if (window != nullptr)
        window->pluginHolder->savePluginState();

    // An open dialog (the audio settings) is closed first; the quit comes back a moment later.
    if (juce::ModalComponentManager::getInstance()->cancelAllModalComponents())
        juce::Timer::callAfterDelay (100, []
                                     { if (auto* app = juce::JUCEApplicationBase::getInstance()) app->systemRequestedQuit(); });
    else
        quit();
}

// The framework's standalone wrapper starts this application.
juce::JUCEApplicationBase* juce_CreateApplication()
{
    return new VelkStandaloneApp();
}
