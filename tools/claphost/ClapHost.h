#pragma once

#include "ClapAbi.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

/**
    A CLAP host for one plug-in instance of a CLAP library, for the tests and tools: loads the
    library with dlopen (it stays loaded, as in a host), calls its entry and factory, creates and
    initialises one plug-in, and drives it: activation, process calls with parameter events and
    the key port, the state through streams that move at most a given number of bytes per call,
    and the editor's event loop. It offers the plug-in the params and gui extensions, and for the
    editor's event loop timer support, or file-descriptor support, or neither. Failures to load
    or create throw std::runtime_error.
*/
class ClapHost
{
public:
    /** What the host offers to drive the editor's event loop. */
    enum class EventLoop
    {
        timers,
        fileDescriptors,
        none
    };

    ClapHost (const std::string& libraryPath, std::uint32_t pluginIndex, EventLoop eventLoop = EventLoop::timers);
    ~ClapHost();

    ClapHost (const ClapHost&) = delete;
    ClapHost& operator= (const ClapHost&) = delete;

    const clap::clap_plugin& plugin() const noexcept { return *instance; }
    const clap::clap_plugin_descriptor& descriptor() const noexcept { return *instance->desc; }

    /** One of the plug-in's extension tables, or null. */
    template <typename Table>
    const Table* extension (const char* id) const
    {
        return static_cast<const Table*> (instance->get_extension (instance, id));
    }

    bool activate (double sampleRate, std::uint32_t maxFrames);
    void deactivate();

    /** An event either way: a parameter's value (a gesture's value is 0). */
    struct Event
    {
        std::uint32_t time;
        std::uint16_t type;
        clap::clap_id id;
        double value;
    };

    /** One block: channels of main input and output, keyChannels of key (0: the key port gets
        no buffer, as some hosts give it none), the host's parameter values; returns the status
        and keeps the plug-in's events. */
    std::int32_t process (const float* const* inputs, float* const* outputs, std::uint32_t channels, const float* const* keys,
                          std::uint32_t keyChannels, std::uint32_t numFrames, const std::vector<Event>& events = {});
    std::vector<Event> takeSentEvents();

    /** The host's parameter values with no audio (params flush), keeping the plug-in's events. */
    void flush (const std::vector<Event>& events);

    double value (clap::clap_id id) const;

    /** The state, moved at most bytesPerCall at a time; an error after failAfter bytes. */
    bool saveState (std::vector<char>& state, std::size_t bytesPerCall = std::numeric_limits<std::size_t>::max());
    bool loadState (const std::vector<char>& state, std::size_t bytesPerCall = std::numeric_limits<std::size_t>::max(),
                    std::size_t failAfter = std::numeric_limits<std::size_t>::max());

    /** The timers or descriptors the plug-in has registered; fire calls each once (a descriptor
        as ready to read). */
    std::size_t numTimers() const noexcept { return timers.size(); }
    std::size_t numDescriptors() const noexcept { return descriptors.size(); }
    void fireTimers();
    void fireDescriptors();
    std::vector<std::pair<std::uint32_t, std::uint32_t>> resizesAsked;

private:
    static const void* hostExtension (const clap::clap_host* host, const char* id);
    static ClapHost& of (const clap::clap_host* host) { return *static_cast<ClapHost*> (host->host_data); }

    clap::clap_host host {};
    const clap::clap_plugin_entry* entry = nullptr;
    const clap::clap_plugin* instance = nullptr;
    const EventLoop eventLoop;
    bool active = false;
    std::vector<clap::clap_id> timers;
    std::vector<int> descriptors;
    clap::clap_id nextTimer = 0;
    std::vector<Event> sent;
};
