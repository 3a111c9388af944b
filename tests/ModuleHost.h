#pragma once

// A minimal VST 2.4 host for the tests: loads the built module with dlopen, as a host does,
// and records what the plug-in asks of it.

#include "Vst2Abi.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>
#include <vector>

struct HostLog
{
    struct Automation
    {
        vst2::AEffect* effect;
        int index;
        float value;
    };

    vst2::VstIntPtr versionAnswer = 2400;
    std::vector<Automation> automations;
    int versionRequests = 0;
};

inline HostLog& hostLog()
{
    static HostLog log;
    return log;
}

inline vst2::VstIntPtr testHostCallback (vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr, void*, float opt)
{
    auto& log = hostLog();
    switch (opcode)
    {
        case vst2::audioMasterVersion:   ++log.versionRequests; return log.versionAnswer;
        case vst2::audioMasterAutomate:  log.automations.push_back ({ effect, index, opt }); return 0;
        default:                         return 0;
    }
}

using EntryPoint = vst2::AEffect* (*) (vst2::audioMasterCallback);

/** The loaded module; it stays loaded for the whole test run, as in a host. */
inline void* moduleHandle()
{
    static void* handle = dlopen (VELK_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    return handle;
}

inline EntryPoint entryPoint (const char* name = "VSTPluginMain")
{
    return reinterpret_cast<EntryPoint> (dlsym (moduleHandle(), name));
}

/** One plug-in instance, opened on construction and closed on destruction. */
class Plugin
{
public:
    Plugin() : effect (entryPoint() (testHostCallback))
    {
        if (effect != nullptr)
            dispatch (vst2::effOpen);
    }

    ~Plugin()
    {
        if (effect != nullptr)
            dispatch (vst2::effClose);
    }

    vst2::VstIntPtr dispatch (vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return effect->dispatcher (effect, opcode, index, value, ptr, opt);
    }

    std::string text (vst2::VstInt32 opcode, int index = 0)
    {
        char buffer[256];
        std::fill (std::begin (buffer), std::end (buffer), 'x');
        dispatch (opcode, index, 0, buffer);
        return std::string (buffer, strnlen (buffer, sizeof buffer));
    }

    void resume (float rate, int blockSize = 512)
    {
        dispatch (vst2::effSetSampleRate, 0, 0, nullptr, rate);
        dispatch (vst2::effSetBlockSize, 0, blockSize);
        dispatch (vst2::effMainsChanged, 0, 1);
    }

    void setParameter (int index, float value) { effect->setParameter (effect, index, value); }
    float getParameter (int index) { return effect->getParameter (effect, index); }

    /** Processes a block with separate input and output buffers. */
    std::vector<std::vector<float>> process (const std::vector<std::vector<float>>& input)
    {
        auto output = input;
        for (auto& channel : output)
            std::fill (channel.begin(), channel.end(), 123.0f);
        std::vector<float*> ins, outs;
        auto inputCopy = input;
        for (auto& c : inputCopy) ins.push_back (c.data());
        for (auto& c : output) outs.push_back (c.data());
        effect->processReplacing (effect, ins.data(), outs.data(), (vst2::VstInt32) input[0].size());
        return output;
    }

    vst2::AEffect* effect;
};
