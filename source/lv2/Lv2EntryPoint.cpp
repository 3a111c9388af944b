// The LV2 library's only exports: the plug-ins' descriptors.

#include "Lv2PluginBinding.h"

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor (uint32_t index)
{
    return Lv2PluginBinding::descriptor (index);
}
