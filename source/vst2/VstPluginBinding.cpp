#include "VstPluginBinding.h"

#include "MyTestAudioProcessorEditor.h"

#include <algorithm>
#include <cstring>

// The index-based parameter interface of the framework is marked deprecated; VST 2.4 is
// index-based, so the binding uses it on purpose.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

using namespace vst2;

namespace
{
void copyText (const juce::String& text, void* destination, int maxBytesWithTerminator)
{
    if (destination != nullptr)
        text.copyToUTF8 (static_cast<char*> (destination), (size_t) maxBytesWithTerminator);
}

vst2::VstIntPtr canDo (const char* text)
{
    if (text == nullptr)
        return 0;

    for (const char* no : { "receiveVstEvents", "receiveVstMidiEvent", "receiveVstMidiEvents", "sendVstEvents",
                            "sendVstMidiEvent", "sendVstMidiEvents", "openCloseAnyThread" })
        if (std::strcmp (text, no) == 0)
            return -1;

    for (const char* yes : { "receiveVstTimeInfo", "conformsToWindowRules", "bypass" })
        if (std::strcmp (text, yes) == 0)
            return 1;

    return 0;
}
} // namespace

//==============================================================================
vst2::AEffect* VstPluginBinding::createEffect (vst2::audioMasterCallback host)
{
    try
    {
        if (host == nullptr || host (nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
            return nullptr;
        return (new VstPluginBinding (host))->getEffect();
    }
    catch (...)
    {
        return nullptr;
    }
}

VstPluginBinding::VstPluginBinding (vst2::audioMasterCallback host)
    : core (juce::AudioProcessor::wrapperType_VST, createPluginFilter, BindingCore::Framework::own),
      processor (core.getProcessor()),
      hostCallback (host)
{
    processor.setPlayConfigDetails (2, 2, 0.0, 0);
    processor.addListener (this);

    effect.magic = kEffectMagic;
    effect.dispatcher = dispatcherCallback;
    effect.process = processAccumulatingCallback;
    effect.setParameter = setParameterCallback;
    effect.getParameter = getParameterCallback;
    effect.numPrograms = processor.getNumPrograms();
    effect.numParams = processor.getNumParameters();
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.flags = effFlagsHasEditor | effFlagsCanReplacing;
    if (processor.getTailLengthSeconds() <= 0.0)
        effect.flags |= effFlagsNoSoundInStop;
    effect.flags |= effFlagsProgramChunks;
    effect.initialDelay = processor.getLatencySamples();
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.uniqueID = uniqueId;
    effect.version = versionNumber;
    effect.processReplacing = processReplacingCallback;
    effect.processDoubleReplacing = nullptr;

    editorRect = { 0, 0, (vst2::VstInt16) MyTestAudioProcessorEditor::height, (vst2::VstInt16) MyTestAudioProcessorEditor::width };
}

VstPluginBinding::~VstPluginBinding()
{
    processor.removeListener (this);
}

VstPluginBinding* VstPluginBinding::bindingOf (vst2::AEffect* e) noexcept
{
    return e != nullptr ? static_cast<VstPluginBinding*> (e->object) : nullptr;
}

//==============================================================================
vst2::VstIntPtr VstPluginBinding::dispatcherCallback (vst2::AEffect* e, vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt)
{
    auto* binding = bindingOf (e);
    if (binding == nullptr)
        return 0;

    if (opcode == effClose)
    {
        delete binding;
        return 1;
    }

    return binding->dispatch (opcode, index, value, ptr, opt);
}

void VstPluginBinding::processReplacingCallback (vst2::AEffect* e, float** inputs, float** outputs, vst2::VstInt32 numFrames)
{
    if (auto* binding = bindingOf (e))
        binding->process (inputs, outputs, numFrames, false);
}

void VstPluginBinding::processAccumulatingCallback (vst2::AEffect* e, float** inputs, float** outputs, vst2::VstInt32 numFrames)
{
    // The old accumulating call, for hosts that ignore the can-replace flag: the processed
    // output is added into the outputs.
    if (auto* binding = bindingOf (e))
        binding->process (inputs, outputs, numFrames, true);
}

void VstPluginBinding::setParameterCallback (vst2::AEffect* e, vst2::VstInt32 index, float value)
{
    if (auto* binding = bindingOf (e))
        binding->processor.setParameter (index, value);
}

float VstPluginBinding::getParameterCallback (vst2::AEffect* e, vst2::VstInt32 index)
{
    auto* binding = bindingOf (e);
    return binding != nullptr ? binding->processor.getParameter (index) : 0.0f;
}

//==============================================================================
vst2::VstIntPtr VstPluginBinding::dispatch (vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt)
{
    // clang-format off
    switch (opcode)
    {
        case effOpen:               return 0;
        case effGetProgram:         return processor.getCurrentProgram();
        case effSetProgram:         processor.setCurrentProgram ((int) value); return 0;

        // No programs: the name is empty, but a host that shows it must find a terminated string.
        case effGetProgramName:     copyText (processor.getProgramName (processor.getCurrentProgram()), ptr, kVstMaxProgramNameLength); return 0;
        case effGetProgramNameIndexed:
            copyText ({}, ptr, kVstMaxProgramNameLength);
            return index >= 0 && index < processor.getNumPrograms() ? 1 : 0;

        case effGetParamName:       copyText (processor.getParameterName (index, kVstMaxParamNameLength), ptr, kVstMaxParamNameLength); return 0;
        case effGetParamDisplay:    copyText (processor.getParameterText (index, kVstMaxParamDisplayLength), ptr, kVstMaxParamDisplayLength); return 0;
        case effGetParamLabel:      copyText ({}, ptr, kVstMaxParamDisplayLength); return 0;
        case effCanBeAutomated:     return processor.isParameterAutomatable (index) ? 1 : 0;

        // A rate that makes no sense is ignored: the last good one stays.
        case effSetSampleRate:      if (BindingCore::isUsableRate (opt)) hostSampleRate = opt; return 0;
        case effSetBlockSize:       setHostBlockSize (value); return 0;
        case effMainsChanged:       if (value != 0) resume(); else core.release(); return 0;

        case effGetEffectName:
        case effGetProductString:   copyText (processor.getName(), ptr, kVstMaxNameLength); return 1;
        case effGetVendorString:    copyText (velk::version::vendor, ptr, kVstMaxNameLength); return 1;
        case effGetVendorVersion:   return versionNumber;
        case effGetPlugCategory:    return kPlugCategEffect;
        case effGetVstVersion:      return kVstVersion;
        case effVendorSpecific:     return 0;
        case effCanDo:              return canDo (static_cast<const char*> (ptr));
        case effGetTailSize:        return (vst2::VstIntPtr) juce::roundToInt (processor.getSampleRate() * processor.getTailLengthSeconds());
        case effSetBypass:          bypassed = value != 0; return 1;

        case effGetSpeakerArrangement:
            if (value != 0) *reinterpret_cast<vst2::VstSpeakerArrangement**> (value) = nullptr;
            if (ptr != nullptr) *static_cast<vst2::VstSpeakerArrangement**> (ptr) = nullptr;
            return 0;

        case effSetSpeakerArrangement:
            return setSpeakerArrangement (reinterpret_cast<const vst2::VstSpeakerArrangement*> (value), static_cast<const vst2::VstSpeakerArrangement*> (ptr));

        case effGetInputProperties:  return getPinProperties (true, index, static_cast<vst2::VstPinProperties*> (ptr));
        case effGetOutputProperties: return getPinProperties (false, index, static_cast<vst2::VstPinProperties*> (ptr));

        case effGetChunk:
            if (ptr == nullptr)
                return 0;
            processor.getStateInformation (chunk);
            *static_cast<void**> (ptr) = chunk.getData();
            return (vst2::VstIntPtr) chunk.getSize();

        case effSetChunk:
            if (ptr != nullptr && value > 0 && value <= std::numeric_limits<int>::max())
                processor.setStateInformation (ptr, (int) value);
            return 0;

        case effEditGetRect:
            if (ptr == nullptr)
                return 0;
            *static_cast<vst2::ERect**> (ptr) = &editorRect;
            return 1;

        case effEditOpen:   return core.openEditor (ptr) ? 1 : 0;
        case effEditClose:  core.closeEditor(); return 0;
        case effEditIdle:   core.idleEditor(); return 0;

        default:
            return 0;
    }
    // clang-format on
}

//==============================================================================
void VstPluginBinding::setHostBlockSize (vst2::VstIntPtr frames) noexcept
{
    // A block size of 0 or below is ignored; a longer block than the core's piece goes in pieces.
    if (frames > 0)
        hostBlockSize = (int) std::min<vst2::VstIntPtr> (frames, BindingCore::maxPiece);
}

void VstPluginBinding::resume()
{
    // Until the host gives a rate, the core's first one (44.1 kHz).
    core.prepare (hostSampleRate, hostBlockSize, effect.numOutputs);
}

void VstPluginBinding::process (float** inputs, float** outputs, int numFrames, bool accumulate) noexcept
{
    if (numFrames > 0)
        core.process (inputs, outputs, nullptr, 0, (std::uint32_t) numFrames, bypassed.load (std::memory_order_relaxed), accumulate);
}

vst2::VstIntPtr VstPluginBinding::setSpeakerArrangement (const vst2::VstSpeakerArrangement* input, const vst2::VstSpeakerArrangement* output)
{
    if (input == nullptr || output == nullptr)
        return 0;

    const int ins = input->numChannels, outs = output->numChannels;
    if (! ((ins == 1 && outs == 1) || (ins == 2 && outs == 2)))
        return 0;

    const juce::ScopedLock lock (processor.getCallbackLock());
    hasSpeakerArrangement = true;
    inputArrangement = input->type;
    outputArrangement = output->type;
    effect.numInputs = ins;
    effect.numOutputs = outs;
    processor.setPlayConfigDetails (ins, outs, processor.getSampleRate(), processor.getBlockSize());
    return 1;
}

vst2::VstIntPtr VstPluginBinding::getPinProperties (bool isInput, int pin, vst2::VstPinProperties* properties) const
{
    if (properties == nullptr || pin < 0 || pin > 1)
        return 0;

    std::memset (properties, 0, sizeof (*properties));
    const auto name = isInput ? processor.getInputChannelName (pin) : processor.getOutputChannelName (pin);
    copyText (name, properties->label, kVstMaxLabelLength);
    copyText (name, properties->shortLabel, kVstMaxShortLabelLength);

    if (hasSpeakerArrangement)
    {
        properties->flags = kVstPinUseSpeaker;
        properties->arrangementType = isInput ? inputArrangement : outputArrangement;
    }
    else
    {
        const bool stereo = isInput ? processor.isInputChannelStereoPair (pin) : processor.isOutputChannelStereoPair (pin);
        properties->flags = kVstPinIsActive | (stereo ? kVstPinIsStereo : 0);
    }
    return 1;
}

//==============================================================================
void VstPluginBinding::audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue)
{
    if (hostCallback != nullptr)
        hostCallback (&effect, audioMasterAutomate, index, 0, nullptr, newValue);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
