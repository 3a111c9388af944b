#pragma once

#include "Lv2Ports.h"

#include <lilv/lilv.h>

#include <string>
#include <vector>

/**
    VELK's LV2 plug-in as an LV2 host runs it, for velk-render and the tests: lilv loads the one
    bundle it is given, in a world of its own (so another copy installed elsewhere is never
    picked up), and instantiates the stereo or the mono plug-in. Every port is connected: the
    audio to the host's buffers, each control to a value of its own (the defaults, bypass off),
    the key inputs to the host's key buffers where connectKeys asks for them, else left
    unconnected. Failures to load throw std::runtime_error with a one-line message.
*/
class Lv2Host
{
public:
    Lv2Host (const std::string& bundleFolder, bool stereo, double sampleRate, int maxBlockSize);
    ~Lv2Host();

    Lv2Host (const Lv2Host&) = delete;
    Lv2Host& operator= (const Lv2Host&) = delete;

    const lv2ports::Layout& getLayout() const noexcept { return layout; }
    LilvWorld* getWorld() const noexcept { return world; }
    const LilvPlugin* getPlugin() const noexcept { return plugin; }
    /** The plug-in instance's handle, as hosts hand it to an editor (instance access). */
    void* getHandle() const noexcept;
    /** The bundle's folder, as given. */
    const std::string& getPath() const noexcept { return bundle; }

    /** The value of a control port, by port index. */
    float& control (int port) noexcept { return controls[(size_t) port]; }

    /** A value the formats show (0 to 9), in the plug-in's own units. */
    void setParameter (int index, float value) noexcept;
    float getParameter (int index) const noexcept;

    /** Connects a port to data (null: unconnected); the key inputs to the host's key buffers. */
    void connect (int port, void* data) noexcept;
    void connectKeys() noexcept;

    void activate() noexcept;
    void deactivate() noexcept;

    /** numFrames (at most the largest block) through the plug-in: the inputs and (where the key
        is connected to the host's buffers and keys is not null) the key copied in, the outputs
        copied out. */
    void process (const float* const* inputs, const float* const* keys, float* const* outputs, int numFrames);

private:
    const lv2ports::Layout& layout;
    std::string bundle;
    int maxFrames = 0;
    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    bool active = false, keysConnected = false;
    std::vector<float> controls;
    std::vector<std::vector<float>> in, key, out;
};
