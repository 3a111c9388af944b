// The CLAP library's only export: the entry, with the factory of the stereo and mono plug-ins.

#include "ClapPluginBinding.h"

namespace
{
bool init (const char*) { return true; }
void deinit() {}

std::uint32_t pluginCount (const clap::clap_plugin_factory*) { return ClapPluginBinding::numDescriptors(); }

const clap::clap_plugin_descriptor* pluginDescriptor (const clap::clap_plugin_factory*, std::uint32_t index)
{
    return ClapPluginBinding::descriptor (index);
}

const clap::clap_plugin* createPlugin (const clap::clap_plugin_factory*, const clap::clap_host* host, const char* pluginId)
{
    try
    {
        return ClapPluginBinding::create (host, pluginId);
    }
    catch (...)
    {
        return nullptr;
    }
}

const clap::clap_plugin_factory factory { pluginCount, pluginDescriptor, createPlugin };

const void* getFactory (const char* id)
{
    return id != nullptr && std::string_view (id) == clap::CLAP_PLUGIN_FACTORY_ID ? &factory : nullptr;
}
} // namespace

extern "C" __attribute__ ((visibility ("default"))) const clap::clap_plugin_entry clap_entry { clap::CLAP_VERSION, init, deinit, getFactory };
