#include "VelkStandaloneApp.h"

#include "DesktopScale.h"

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

    // The framework's own scale, where it finds one, is the desktop's; else the one other
    // toolkits read, never both.
    auto& desktop = juce::Desktop::getInstance();
    const auto* display = desktop.getDisplays().getPrimaryDisplay();
    if (display == nullptr || display->scale <= 1.0)
        desktop.setGlobalScaleFactor (DesktopScale::fromDesktop());

    const auto background = juce::LookAndFeel::getDefaultLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId);
    window = std::make_unique<VelkStandaloneWindow> (getApplicationName(), background, settings);
    window->setVisible (true);
    window->publishWindowName();
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
