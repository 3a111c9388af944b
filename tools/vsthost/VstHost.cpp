#include "VstHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>
#include <utility>

namespace
{
/** The host being opened on this thread: the plug-in asks its version before the effect record
    exists to find the host by. */
thread_local VstHost* hostBeingOpened = nullptr;
} // namespace

void* VstHost::loadModule (const std::string& modulePath)
{
    static std::mutex lock;
    static std::map<std::string, void*> modules;
    const std::lock_guard<std::mutex> guard (lock);

    auto& handle = modules[modulePath];
    if (handle == nullptr)
        handle = dlopen (modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle;
}

VstHost::EntryPoint VstHost::findEntryPoint (void* module, const char* name)
{
    return module != nullptr ? reinterpret_cast<EntryPoint> (dlsym (module, name)) : nullptr;
}

VstHost::VstHost (const std::string& modulePath) : VstHost (modulePath, Options {}) {}

VstHost::VstHost (const std::string& modulePath, Options newOptions)
    : options (newOptions), path (modulePath)
{
    void* module = loadModule (modulePath);
    if (module == nullptr)
        throw std::runtime_error ("cannot load the plug-in module " + modulePath + ": " + dlerror());

    auto entry = findEntryPoint (module, "VSTPluginMain");
    if (entry == nullptr)
        entry = findEntryPoint (module, "main");
    if (entry == nullptr)
        throw std::runtime_error (modulePath + " is not a VST 2.4 plug-in (no entry point)");

    hostBeingOpened = this;
    effect = entry (callback);
    hostBeingOpened = nullptr;

    if (effect == nullptr || effect->magic != vst2::kEffectMagic)
    {
        effect = nullptr;
        throw std::runtime_error ("the plug-in module " + modulePath + " returned no effect");
    }
    effect->resvd2 = reinterpret_cast<vst2::VstIntPtr> (this);

    if (effect->processReplacing == nullptr)
    {
        dispatch (vst2::effClose);
        effect = nullptr;
        throw std::runtime_error ("the plug-in cannot process in replacing mode");
    }

    dispatch (vst2::effOpen);
}

VstHost::~VstHost()
{
    if (effect == nullptr)
        return;

    if (running)
        suspend();
    dispatch (vst2::effClose);
}

//==============================================================================
vst2::VstIntPtr VstHost::callback (vst2::AEffect* e, vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr, void*, float opt)
{
    auto* host = e != nullptr && e->resvd2 != 0 ? reinterpret_cast<VstHost*> (e->resvd2) : hostBeingOpened;
    if (host == nullptr)
        return opcode == vst2::audioMasterVersion ? vst2::kVstVersion : 0;
    return host->answer (opcode, index, opt);
}

vst2::VstIntPtr VstHost::answer (vst2::VstInt32 opcode, vst2::VstInt32 index, float opt)
{
    switch (opcode)
    {
        // clang-format off
        case vst2::audioMasterVersion:                return vst2::kVstVersion;
        // clang-format on
        case vst2::audioMasterGetCurrentProcessLevel: return options.processLevel;
        case vst2::audioMasterAutomate:
        {
            const std::lock_guard<std::mutex> guard (automationLock);
            automations.push_back ({ index, opt });
            return 0;
        }
        default: return 0;
    }
}

std::vector<VstHost::Automation> VstHost::takeAutomations()
{
    const std::lock_guard<std::mutex> guard (automationLock);
    return std::exchange (automations, {});
}

//==============================================================================
vst2::VstIntPtr VstHost::dispatch (vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt)
{
    return effect->dispatcher (effect, opcode, index, value, ptr, opt);
}

std::string VstHost::text (vst2::VstInt32 opcode, int index)
{
    char buffer[256];
    std::fill (std::begin (buffer), std::end (buffer), 'x');
    dispatch (opcode, index, 0, buffer);
    return std::string (buffer, strnlen (buffer, sizeof buffer));
}

bool VstHost::setChannels (int numChannels)
{
    return numChannels <= 2 && requestChannels (numChannels) && effect->numInputs == numChannels && effect->numOutputs == numChannels;
}

bool VstHost::requestChannels (int numChannels)
{
    if (numChannels < 1 || numChannels > 8)
        return false;

    vst2::VstSpeakerArrangement arrangement {};
    // clang-format off
    arrangement.type = numChannels == 1 ? vst2::kSpeakerArrMono
                     : numChannels == 2 ? vst2::kSpeakerArrStereo
                                        : vst2::kSpeakerArrUserDefined;
    // clang-format on
    arrangement.numChannels = numChannels;
    for (int i = 0; i < numChannels; ++i)
        arrangement.speakers[i].type = numChannels == 1 ? 3 : i < 2 ? 1 + i
                                                                    : 0; // centre; left, right; the rest unnamed
    return dispatch (vst2::effSetSpeakerArrangement, 0, (vst2::VstIntPtr) &arrangement, &arrangement) != 0;
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

std::vector<std::vector<float>> VstHost::process (const std::vector<std::vector<float>>& input)
{
    auto inputCopy = input;
    std::vector<std::vector<float>> output (input.size(), std::vector<float> (input.empty() ? 0 : input[0].size(), 123.0f));
    std::vector<float*> ins, outs;
    for (auto& c : inputCopy)
        ins.push_back (c.data());
    for (auto& c : output)
        outs.push_back (c.data());
    process (ins.data(), outs.data(), input.empty() ? 0 : (int) input[0].size());
    return output;
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
