#pragma once

#include "VelkVersion.h"
#include "Vst2Abi.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <memory>

class HostedEditor;

struct PluginFramework;

/**
    The VST 2.4 binding: presents one processor to a host as an effect record, answers the
    host's dispatcher requests, runs processReplacing under the processor's callback lock, routes
    parameter reads and writes, hands out and takes back the state chunk, embeds the editor in
    the host's window, and passes the editor's parameter changes to the host's automation.

    Lifetime: created by the entry point, deleted by the host's close request, which deletes the
    editor, then the processor, then the binding.
*/
class VstPluginBinding : private juce::AudioProcessorListener
{
public:
    /** The entry point's work: asks the host's version (0 means no effect), creates the
        processor and the binding, and returns the effect record; null if anything throws. */
    static vst2::AEffect* createEffect (vst2::audioMasterCallback host);

    VstPluginBinding (vst2::audioMasterCallback host, std::unique_ptr<juce::AudioProcessor> processor);
    ~VstPluginBinding() override;

    vst2::AEffect* getEffect() noexcept { return &effect; }
    juce::AudioProcessor& getProcessor() noexcept { return *processor; }

    static constexpr vst2::VstInt32 uniqueId = vst2::fourCharCode ('V', 'l', 'k', 'Q');
    static constexpr vst2::VstInt32 versionNumber = velk::version::number;

private:
    static VstPluginBinding* bindingOf (vst2::AEffect* effect) noexcept;
    static vst2::VstIntPtr dispatcherCallback (vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt);
    static void processReplacingCallback (vst2::AEffect*, float** inputs, float** outputs, vst2::VstInt32 numFrames);
    static void processAccumulatingCallback (vst2::AEffect*, float** inputs, float** outputs, vst2::VstInt32 numFrames);
    static void setParameterCallback (vst2::AEffect*, vst2::VstInt32 index, float value);
    static float getParameterCallback (vst2::AEffect*, vst2::VstInt32 index);

    vst2::VstIntPtr dispatch (vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt);
    /** The block callback: the outputs are replaced by the processed inputs, or (accumulate) the
        processed inputs are added into them. */
    void process (float** inputs, float** outputs, int numFrames, bool accumulate) noexcept;
    void resume();
    void suspend();
    vst2::VstIntPtr setSpeakerArrangement (const vst2::VstSpeakerArrangement* input, const vst2::VstSpeakerArrangement* output);
    vst2::VstIntPtr getPinProperties (bool isInput, int pin, vst2::VstPinProperties* properties) const;
    void reserveScratch (int numFrames);
    void setHostSampleRate (float rate) noexcept;
    void setHostBlockSize (vst2::VstIntPtr frames) noexcept;

    /** The lowest and highest rates a host may set, and the most frames the binding hands the
        processor at once (a longer host block goes in pieces). */
    static constexpr float minSampleRate = 1.0f;
    static constexpr float maxSampleRate = 10.0e6f;
    static constexpr int maxScratchFrames = 8192;

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue) override;
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

    std::unique_ptr<PluginFramework> framework; // first in, last out
    vst2::audioMasterCallback hostCallback;
    std::unique_ptr<juce::AudioProcessor> processor;
    std::unique_ptr<HostedEditor> editor;

    vst2::AEffect effect {};
    vst2::ERect editorRect {};
    juce::MemoryBlock chunk;
    juce::AudioBuffer<float> scratch;
    juce::MidiBuffer noMidi;

    double hostSampleRate = 0.0;
    int hostBlockSize = 512;
    std::atomic<bool> bypassed { false };
    bool hasSpeakerArrangement = false;
    vst2::VstInt32 inputArrangement = vst2::kSpeakerArrEmpty, outputArrangement = vst2::kSpeakerArrEmpty;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VstPluginBinding)
};
