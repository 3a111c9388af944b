// The module's only exports: the VST 2.4 entry point under its two names.

#include "VstPluginBinding.h"

extern "C" __attribute__ ((visibility ("default"))) vst2::AEffect* VSTPluginMain (vst2::audioMasterCallback host);

extern "C" __attribute__ ((visibility ("default"))) vst2::AEffect* VSTPluginMain (vst2::audioMasterCallback host)
{
    return VstPluginBinding::createEffect (host);
}

// Older hosts look the entry point up as "main"; the assembler name avoids declaring a second
// C++ main.
extern "C" __attribute__ ((visibility ("default"))) vst2::AEffect* velkLegacyMain (vst2::audioMasterCallback host) asm("main");

extern "C" __attribute__ ((visibility ("default"))) vst2::AEffect* velkLegacyMain (vst2::audioMasterCallback host)
{
    return VstPluginBinding::createEffect (host);
}
