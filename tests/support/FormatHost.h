#pragma once

// Loads the VST3 build through the framework's own hosting, as hosts do, and finds the
// processor's own state block inside the host-side state. (The LV2 bundle, on the project's own
// binding, is loaded through lilv by its own tests.)

#include "MessagePump.h"
#include "WrappedState.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

// Xlib after the framework, whose identifiers its macros (None, Bool, Status) would rename.
#include "XHostSetup.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace formathost
{
/** A fresh instance, or null with a test failure. */
inline std::unique_ptr<juce::AudioPluginInstance> load (double sampleRate = 48000.0, int blockSize = 512)
{
    // One format for the whole run: the VST3 module stays loaded.
    static juce::VST3PluginFormat vst3;
    juce::OwnedArray<juce::PluginDescription> found;

    // The build's bundle, or another copy of it (the packaged one) named by VELK_VST3_BUNDLE.
    const char* bundle = std::getenv ("VELK_VST3_BUNDLE");
    vst3.findAllTypesForFile (found, juce::File (bundle != nullptr ? bundle : VELK_VST3_PATH).getFullPathName());

    if (found.size() != 1)
    {
        ADD_FAILURE() << "VST3: found " << found.size() << " plug-ins, expected VELK alone";
        return nullptr;
    }

    juce::String error;
    auto instance = vst3.createInstanceFromDescription (*found[0], sampleRate, blockSize, error);
    if (instance == nullptr)
        ADD_FAILURE() << "VST3: " << error;
    return instance;
}

/** The processor's state block (the XML-in-binary block with its magic number) at the start of
    data, or an empty block. */
inline juce::MemoryBlock leadingStateBlock (const juce::MemoryBlock& data)
{
    const int length = wrappedstate::wholeTextLength (data.getData(), (int) data.getSize());
    return length >= 0 ? juce::MemoryBlock (data.getData(), (size_t) (length + wrappedstate::overhead)) : juce::MemoryBlock();
}

/** The VST3 component's own state inside the host's saved state. */
inline juce::MemoryBlock vst3ComponentState (const juce::MemoryBlock& hostState)
{
    const auto xml = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());
    juce::MemoryBlock component;
    if (xml != nullptr)
        if (auto* child = xml->getChildByName ("IComponent"))
            component.fromBase64Encoding (child->getAllSubText());
    return component;
}

/** The processor's block inside the host-side state. */
inline juce::MemoryBlock innerState (juce::AudioPluginInstance& instance)
{
    juce::MemoryBlock hostState;
    instance.getStateInformation (hostState);
    return leadingStateBlock (vst3ComponentState (hostState));
}

/** Sets up X as a host does before it loads plug-ins, then opens the host's own connection (the
    framework's, whose hosting this is) before any plug-in opens one. */
class HostDisplayFirst : public ::testing::Environment
{
public:
    void SetUp() override
    {
        setUpXAsAHost();
        juce::Desktop::getInstance().getDisplays();
    }
};

inline ::testing::Environment* const hostDisplayFirst = ::testing::AddGlobalTestEnvironment (new HostDisplayFirst());
} // namespace formathost
