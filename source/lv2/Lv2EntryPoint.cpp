// The LV2 library's only exports: the plug-ins' and the editor's descriptors.

#include "Lv2EditorBinding.h"
#include "Lv2PluginBinding.h"

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor (uint32_t index)
{
    return Lv2PluginBinding::descriptor (index);
}

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor (uint32_t index)
{
    return Lv2EditorBinding::descriptor (index);
}
