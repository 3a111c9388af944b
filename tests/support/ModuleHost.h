#pragma once

// The built VELK.so as a host sees it, through the same host library velk-render uses.

#include "VstHost.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

/** The loaded module; it stays loaded for the whole test run, as in a host. */
inline void* moduleHandle()
{
    return VstHost::loadModule (VELK_MODULE_PATH);
}

inline VstHost::EntryPoint entryPoint (const char* name = "VSTPluginMain")
{
    return VstHost::findEntryPoint (moduleHandle(), name);
}

/** One plug-in instance of the built module, opened on construction and closed on destruction. */
class Plugin : public VstHost
{
public:
    Plugin() : VstHost (VELK_MODULE_PATH) {}

    void resume (float rate, int blockSize = 512) { VstHost::resume (rate, blockSize); }
};
