#include "VstHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

namespace
{
vst2::VstIntPtr hostCallback (vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*, float)
{
    switch (opcode)
    {
        case vst2::audioMasterVersion:                return vst2::kVstVersion;
        case vst2::audioMasterGetCurrentProcessLevel: return 4; // offline rendering
        default:                                      return 0;
    }
}

using EntryPoint = vst2::AEffect* (*) (vst2::audioMasterCallback);
} // namespace

VstHost::VstHost (const std::string& modulePath)
{
    module = dlopen (modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        throw std::runtime_error ("cannot load the plug-in module " + modulePath + ": " + dlerror());

    auto entry = reinterpret_cast<EntryPoint> (dlsym (module, "VSTPluginMain"));
    if (entry == nullptr)
        entry = reinterpret_cast<EntryPoint> (dlsym (module, "main"));
    if (entry == nullptr)
        throw std::runtime_error (modulePath + " is not a VST 2.4 plug-in (no entry point)");

    effect = entry (hostCallback);
    if (effect == nullptr || effect->magic != vst2::kEffectMagic)
    {
        effect = nullptr;
        throw std::runtime_error ("the plug-in module " + modulePath + " returned no effect");
    }
    if (effect->processReplacing == nullptr)
        throw std::runtime_error ("the plug-in cannot process in replacing mode");

    dispatch (vst2::effOpen);
}

VstHost::~VstHost()
{
    if (effect != nullptr)
    {
        if (running)
            suspend();
        dispatch (vst2::effClose);
    }
    // The module stays loaded: a plug-in's threads and static objects may outlive its close.
}

vst2::VstIntPtr VstHost::dispatch (vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt)
{
    return effect->dispatcher (effect, opcode, index, value, ptr, opt);
}

std::string VstHost::text (vst2::VstInt32 opcode, int index)
{
    char buffer[256] = {};
    dispatch (opcode, index, 0, buffer);
    buffer[sizeof (buffer) - 1] = 0;
    return buffer;
}

bool VstHost::setChannels (int numChannels)
{
    vst2::VstSpeakerArrangement arrangement {};
    arrangement.type = numChannels == 1 ? vst2::kSpeakerArrMono : vst2::kSpeakerArrStereo;
    arrangement.numChannels = numChannels;
    for (int i = 0; i < numChannels; ++i)
        arrangement.speakers[i].type = numChannels == 1 ? 3 : 1 + i; // centre; left, right
    const bool accepted = dispatch (vst2::effSetSpeakerArrangement, 0, (vst2::VstIntPtr) &arrangement, &arrangement) != 0;
    return accepted && effect->numInputs == numChannels && effect->numOutputs == numChannels;
}

void VstHost::resume (double sampleRate, int blockSize)
{
    dispatch (vst2::effSetSampleRate, 0, 0, nullptr, (float) sampleRate);
    dispatch (vst2::effSetBlockSize, 0, blockSize);
    dispatch (vst2::effMainsChanged, 0, 1);
    dispatch (vst2::effStartProcess);
    running = true;
}

void VstHost::suspend()
{
    dispatch (vst2::effStopProcess);
    dispatch (vst2::effMainsChanged, 0, 0);
    running = false;
}

void VstHost::process (float** inputs, float** outputs, int numFrames)
{
    effect->processReplacing (effect, inputs, outputs, numFrames);
}

int VstHost::getNumParameters() const { return effect->numParams; }
std::string VstHost::getParameterName (int index) { return text (vst2::effGetParamName, index); }
std::string VstHost::getParameterDisplay (int index) { return text (vst2::effGetParamDisplay, index); }
void VstHost::setParameter (int index, float value) { effect->setParameter (effect, index, value); }
float VstHost::getParameter (int index) { return effect->getParameter (effect, index); }
std::string VstHost::getEffectName() { return text (vst2::effGetEffectName); }
std::string VstHost::getVendorName() { return text (vst2::effGetVendorString); }

std::vector<char> VstHost::getChunk()
{
    void* data = nullptr;
    const auto size = dispatch (vst2::effGetChunk, 0, 0, &data);
    if (data == nullptr || size <= 0)
        return {};
    // The block belongs to the plug-in: copy it at once.
    const auto* bytes = static_cast<const char*> (data);
    return std::vector<char> (bytes, bytes + size);
}

void VstHost::setChunk (const std::vector<char>& data)
{
    if (! data.empty())
        dispatch (vst2::effSetChunk, 0, (vst2::VstIntPtr) data.size(), const_cast<char*> (data.data()));
}
