#include "Lv2KeyedHost.h"

#include "Lv2Ports.h"
#include "ParameterText.h"
#include "VelkVersion.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace
{
constexpr const auto& layout = lv2ports::stereo;
}

Lv2KeyedHost::Lv2KeyedHost (const std::string& bundleFolder, double sampleRate, int maxBlockSize)
    : maxFrames (maxBlockSize), bundle (bundleFolder)
{
    world = lilv_world_new();
    auto* bundle = lilv_new_file_uri (world, nullptr, (bundleFolder + "/").c_str());
    lilv_world_load_bundle (world, bundle);
    lilv_node_free (bundle);

    auto* uri = lilv_new_uri (world, velk::version::lv2Uri);
    const auto* plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world), uri);
    lilv_node_free (uri);
    if (plugin == nullptr || (int) lilv_plugin_get_num_ports (plugin) != layout.numPorts())
    {
        lilv_world_free (world);
        throw std::runtime_error ("no VELK LV2 plug-in with a key input in " + bundleFolder);
    }

    controls.assign ((size_t) layout.numPorts(), 0.0f);
    lilv_plugin_get_port_ranges_float (plugin, nullptr, nullptr, controls.data());
    controls[(size_t) layout.enabled()] = 1.0f;
    instance = lilv_plugin_instantiate (plugin, sampleRate, nullptr);
    if (instance == nullptr)
    {
        lilv_world_free (world);
        throw std::runtime_error ("the VELK LV2 plug-in in " + bundleFolder + " cannot be instantiated");
    }

    for (auto* buffers : { &in, &key, &out })
        buffers->assign ((size_t) channels, std::vector<float> ((size_t) maxFrames));
    for (int port = 0; port < layout.numPorts(); ++port)
        lilv_instance_connect_port (instance, (uint32_t) port, &controls[(size_t) port]);
    for (int c = 0; c < channels; ++c)
    {
        lilv_instance_connect_port (instance, (uint32_t) layout.audioIn (c), in[(size_t) c].data());
        lilv_instance_connect_port (instance, (uint32_t) layout.audioOut (c), out[(size_t) c].data());
        lilv_instance_connect_port (instance, (uint32_t) layout.keyIn (c), key[(size_t) c].data());
    }
}

Lv2KeyedHost::~Lv2KeyedHost()
{
    suspend();
    lilv_instance_free (instance);
    lilv_world_free (world);
}

void Lv2KeyedHost::setParameter (int index, float value)
{
    if (const int port = layout.formatParameter (index); port >= 0)
        controls[(size_t) port] = value;
}

float Lv2KeyedHost::getParameter (int index) const
{
    const int port = layout.formatParameter (index);
    return port >= 0 ? controls[(size_t) port] : 0.0f;
}

void Lv2KeyedHost::resume (double, int)
{
    if (! active)
        lilv_instance_activate (instance);
    active = true;
}

void Lv2KeyedHost::suspend()
{
    if (active)
        lilv_instance_deactivate (instance);
    active = false;
}

void Lv2KeyedHost::process (const float* const* inputs, const float* const* keys, float** outputs, int numFrames)
{
    numFrames = std::clamp (numFrames, 0, maxFrames);
    const auto bytes = sizeof (float) * (size_t) numFrames;
    for (int c = 0; c < channels; ++c)
    {
        std::memcpy (in[(size_t) c].data(), inputs[c], bytes);
        std::memcpy (key[(size_t) c].data(), keys[c], bytes);
    }
    lilv_instance_run (instance, (uint32_t) numFrames);
    for (int c = 0; c < channels; ++c)
        std::memcpy (outputs[c], out[(size_t) c].data(), bytes);
}

std::string Lv2KeyedHost::getEffectName() const
{
    return std::string (velk::version::productName) + " (LV2 build)";
}

std::string Lv2KeyedHost::getVendorName() const
{
    return velk::version::vendor;
}

std::string Lv2KeyedHost::getParameterDisplay (int index) const
{
    return velk::displayText (index, getParameter (index));
}
