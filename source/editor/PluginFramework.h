#pragma once

#include <juce_audio_plugin_client/utility/juce_LinuxMessageThread.h>

/** What a plug-in binding holds for its whole life: the framework's GUI support, and its message
    thread while no editor is open (an open editor runs on the host's thread instead). */
struct PluginFramework
{
    juce::ScopedJuceInitialiser_GUI initialiser;
    juce::SharedResourcePointer<juce::MessageThread> messageThread;
};
