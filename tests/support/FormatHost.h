#pragma once

// Loads the VST3 build through the framework's own hosting, as hosts do, and finds the
// processor's own state block inside the host-side state. (The LV2 bundle, on the project's own
// binding, is loaded through lilv by its own tests.)

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace formathost
{
enum class Format
{
    vst3
};

inline const char* nameOf (Format) { return "VST3"; }

inline juce::AudioPluginFormat& pluginFormat (Format)
{
    // One for the whole run: the VST3 module stays loaded.
    static juce::VST3PluginFormat vst3;
    return vst3;
}

/** A fresh instance, or null with a test failure. */
inline std::unique_ptr<juce::AudioPluginInstance> load (Format format, double sampleRate = 48000.0, int blockSize = 512)
{
    auto& pluginFormat_ = pluginFormat (format);
    juce::OwnedArray<juce::PluginDescription> found;

    // The build's bundle, or another copy of it (the packaged one) named by VELK_VST3_BUNDLE.
    const char* bundle = std::getenv ("VELK_VST3_BUNDLE");
    pluginFormat_.findAllTypesForFile (found, juce::File (bundle != nullptr ? bundle : VELK_VST3_PATH).getFullPathName());

    if (found.size() != 1)
    {
        ADD_FAILURE() << nameOf (format) << ": found " << found.size() << " plug-ins, expected VELK alone";
        return nullptr;
    }

    juce::String error;
    auto instance = pluginFormat_.createInstanceFromDescription (*found[0], sampleRate, blockSize, error);
    if (instance == nullptr)
        ADD_FAILURE() << nameOf (format) << ": " << error;
    return instance;
}

/** The processor's state block (the XML-in-binary block with its magic number) at the start of
    data, or an empty block. */
inline juce::MemoryBlock leadingStateBlock (const juce::MemoryBlock& data)
{
    if (data.getSize() < 9 || juce::ByteOrder::littleEndianInt (data.getData()) != 0x21324356)
        return {};
    const auto length = (size_t) juce::ByteOrder::littleEndianInt (static_cast<const char*> (data.getData()) + 4) + 9;
    return length <= data.getSize() ? juce::MemoryBlock (data.getData(), length) : juce::MemoryBlock();
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

/** The processor's block inside a format's host-side state. */
inline juce::MemoryBlock innerState (Format, juce::AudioPluginInstance& instance)
{
    juce::MemoryBlock hostState;
    instance.getStateInformation (hostState);
    return leadingStateBlock (vst3ComponentState (hostState));
}

/** Sets up X as a host does before it loads plug-ins: Xlib's thread support, an X error
    handler that reports instead of ending the process (the framework installs one only in its
    own applications), and the host's own connection opened before any plug-in opens one. */
class HostDisplayFirst : public ::testing::Environment
{
public:
    void SetUp() override
    {
        XInitThreads();
        XSetErrorHandler ([] (Display*, XErrorEvent*)
                          { return 0; });
        juce::Desktop::getInstance().getDisplays();
    }
};

inline ::testing::Environment* const hostDisplayFirst = ::testing::AddGlobalTestEnvironment (new HostDisplayFirst());

/** Runs the message loop for a while, so that asynchronous work (the editor's updates, the
    hosts' parameter traffic) is done. */
inline void pumpMessages (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}
} // namespace formathost
