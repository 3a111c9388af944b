#include "Lv2Host.h"

#include "VelkVersion.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

Lv2Host::Lv2Host (const std::string& bundleFolder, bool stereo, double sampleRate, int maxBlockSize)
    : layout (stereo ? lv2ports::stereo : lv2ports::mono),
      bundle (bundleFolder),
      maxFrames (std::max (1, maxBlockSize))
{
    world = lilv_world_new();
    auto* bundleUri = lilv_new_file_uri (world, nullptr, (bundleFolder + "/").c_str());
    lilv_world_load_bundle (world, bundleUri);
    lilv_node_free (bundleUri);

    auto* uri = lilv_new_uri (world, stereo ? velk::version::lv2Uri : velk::version::lv2MonoUri);
    plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world), uri);
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
        buffers->assign ((size_t) layout.channels, std::vector<float> ((size_t) maxFrames));
    for (int port = layout.parameter (0); port < layout.keyIn (0); ++port)
        connect (port, &controls[(size_t) port]);
    for (int c = 0; c < layout.channels; ++c)
    {
        connect (layout.audioIn (c), in[(size_t) c].data());
        connect (layout.audioOut (c), out[(size_t) c].data());
    }
}

Lv2Host::~Lv2Host()
{
    deactivate();
    lilv_instance_free (instance);
    lilv_world_free (world);
}

void* Lv2Host::getHandle() const noexcept
{
    return lilv_instance_get_handle (instance);
}

void Lv2Host::setParameter (int index, float value) noexcept
{
    if (const int port = layout.formatParameter (index); port >= 0)
        controls[(size_t) port] = value;
}

float Lv2Host::getParameter (int index) const noexcept
{
    const int port = layout.formatParameter (index);
    return port >= 0 ? controls[(size_t) port] : 0.0f;
}

void Lv2Host::connect (int port, void* data) noexcept
{
    lilv_instance_connect_port (instance, (uint32_t) port, data);
}

void Lv2Host::connectKeys() noexcept
{
    for (int c = 0; c < layout.channels; ++c)
        connect (layout.keyIn (c), key[(size_t) c].data());
    keysConnected = true;
}

void Lv2Host::activate() noexcept
{
    if (! active)
        lilv_instance_activate (instance);
    active = true;
}

void Lv2Host::deactivate() noexcept
{
    if (active)
        lilv_instance_deactivate (instance);
    active = false;
}

void Lv2Host::process (const float* const* inputs, const float* const* keys, float* const* outputs, int numFrames)
{
    numFrames = std::clamp (numFrames, 0, maxFrames);
    const auto bytes = sizeof (float) * (size_t) numFrames;
    for (int c = 0; c < layout.channels; ++c)
    {
        std::memcpy (in[(size_t) c].data(), inputs[c], bytes);
        if (keysConnected && keys != nullptr)
            std::memcpy (key[(size_t) c].data(), keys[c], bytes);
    }
    lilv_instance_run (instance, (uint32_t) numFrames);
    for (int c = 0; c < layout.channels; ++c)
        std::memcpy (outputs[c], out[(size_t) c].data(), bytes);
}
