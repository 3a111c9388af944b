#pragma once

#include "BindingCore.h"
#include "VelkVersion.h"
#include "Vst2Abi.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>

/**
    The VST 2.4 binding: presents one processor (made through createPluginFilter, in the binding
    core) to a host as an effect record, answers the host's dispatcher requests, runs
    processReplacing through the core, routes parameter reads and writes to the processor's own
    setParameter and getParameter, hands out and takes back the state chunk (the processor's
    block alone), and passes the editor's parameter changes to the host's automation.

    Lifetime: created by the entry point, deleted by the host's close request, which deletes the
    editor, then the processor, then the framework, then the binding.
*/
class VstPluginBinding : private juce::AudioProcessorListener
{
public:
    /** The entry point's work: asks the host's version (0 means no effect), creates the
        binding with its processor, and returns the effect record; null if anything throws. */
    static vst2::AEffect* createEffect (vst2::audioMasterCallback host);

    explicit VstPluginBinding (vst2::audioMasterCallback host);
    ~VstPluginBinding() override;

    vst2::AEffect* getEffect() noexcept { return &effect; }
    juce::AudioProcessor& getProcessor() noexcept { return core.getProcessor(); }

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
    vst2::VstIntPtr setSpeakerArrangement (const vst2::VstSpeakerArrangement* input, const vst2::VstSpeakerArrangement* output);
    vst2::VstIntPtr getPinProperties (bool isInput, int pin, vst2::VstPinProperties* properties) const;
    void setHostBlockSize (vst2::VstIntPtr frames) noexcept;

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue) override;
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

    BindingCore core;
    juce::AudioProcessor& processor;
    vst2::audioMasterCallback hostCallback;

    vst2::AEffect effect {};
    vst2::ERect editorRect {};
    juce::MemoryBlock chunk;

    double hostSampleRate = 0.0;
    int hostBlockSize = 512;
    std::atomic<bool> bypassed { false };
    bool hasSpeakerArrangement = false;
    vst2::VstInt32 inputArrangement = vst2::kSpeakerArrEmpty, outputArrangement = vst2::kSpeakerArrEmpty;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VstPluginBinding)
};
