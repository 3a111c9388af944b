#include "ClapHost.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <stdexcept>
#include <utility>

using namespace clap;

namespace
{
/** The host's list of input events, sorted by time. */
struct InputList
{
    std::vector<clap_event_param_value> events;

    clap_input_events list { this, size, get };

    static std::uint32_t size (const clap_input_events* l) { return (std::uint32_t) static_cast<InputList*> (l->ctx)->events.size(); }
    static const clap_event_header* get (const clap_input_events* l, std::uint32_t index)
    {
        auto& events = static_cast<InputList*> (l->ctx)->events;
        return index < events.size() ? &events[index].header : nullptr;
    }
};

/** The host's list of output events: each copied as it comes. */
struct OutputList
{
    std::vector<ClapHost::Event>& sent;

    clap_output_events list { this, push };

    static bool push (const clap_output_events* l, const clap_event_header* event)
    {
        auto& sent = static_cast<OutputList*> (l->ctx)->sent;
        if (event->type == CLAP_EVENT_PARAM_VALUE)
        {
            const auto& change = *reinterpret_cast<const clap_event_param_value*> (event);
            sent.push_back ({ event->time, event->type, change.param_id, change.value });
        }
        else if (event->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || event->type == CLAP_EVENT_PARAM_GESTURE_END)
        {
            sent.push_back ({ event->time, event->type, reinterpret_cast<const clap_event_param_gesture*> (event)->param_id, 0.0 });
        }
        return true;
    }
};

/** Removes a registered timer or descriptor; false when it was not registered. */
template <typename Value>
bool eraseOne (std::vector<Value>& values, Value value)
{
    const auto found = std::find (values.begin(), values.end(), value);
    if (found == values.end())
        return false;
    values.erase (found);
    return true;
}

/** Bytes moved through a stream at most perCall at a time, with an error after failAfter. */
struct Stream
{
    std::vector<char>& bytes;
    std::size_t perCall, failAfter, position = 0;

    static std::int64_t write (const clap_ostream* s, const void* buffer, std::uint64_t size)
    {
        auto& self = *static_cast<Stream*> (s->ctx);
        const auto n = std::min<std::uint64_t> (size, self.perCall);
        self.bytes.insert (self.bytes.end(), static_cast<const char*> (buffer), static_cast<const char*> (buffer) + n);
        return (std::int64_t) n;
    }

    static std::int64_t read (const clap_istream* s, void* buffer, std::uint64_t size)
    {
        auto& self = *static_cast<Stream*> (s->ctx);
        if (self.position >= self.failAfter)
            return -1;
        const auto n = std::min<std::uint64_t> ({ size, self.perCall, self.bytes.size() - self.position, self.failAfter - self.position });
        std::memcpy (buffer, self.bytes.data() + self.position, n);
        self.position += n;
        return (std::int64_t) n;
    }
};
} // namespace

ClapHost::ClapHost (const std::string& libraryPath, std::uint32_t pluginIndex, EventLoop loop) : eventLoop (loop)
{
    auto* library = dlopen (libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        throw std::runtime_error ("cannot load " + libraryPath + ": " + dlerror());
    entry = static_cast<const clap_plugin_entry*> (dlsym (library, "clap_entry"));
    if (entry == nullptr || ! clap_version_is_compatible (entry->clap_version) || ! entry->init (libraryPath.c_str()))
        throw std::runtime_error (libraryPath + " has no usable clap_entry");

    const auto* factory = static_cast<const clap_plugin_factory*> (entry->get_factory (CLAP_PLUGIN_FACTORY_ID));
    const auto* descriptor = factory != nullptr ? factory->get_plugin_descriptor (factory, pluginIndex) : nullptr;
    if (descriptor == nullptr)
        throw std::runtime_error (libraryPath + " has no plug-in " + std::to_string (pluginIndex));

    host = { CLAP_VERSION, this, "velk-test-host", "", "", "1.0", hostExtension, [] (const clap_host*) {}, [] (const clap_host*) {},
             [] (const clap_host*) {} };
    instance = factory->create_plugin (factory, &host, descriptor->id);
    if (instance == nullptr || ! instance->init (instance))
        throw std::runtime_error ("cannot create " + std::string (descriptor->id));
}

ClapHost::~ClapHost()
{
    deactivate();
    instance->destroy (instance);
    entry->deinit();
}

const void* ClapHost::hostExtension (const clap_host* h, const char* id)
{
    static constexpr clap_host_params params { [] (const clap_host*, std::uint32_t) {}, [] (const clap_host*, clap_id, std::uint32_t) {},
                                               [] (const clap_host*) {} };
    static constexpr clap_host_gui gui { [] (const clap_host*) {},
                                         [] (const clap_host* hh, std::uint32_t w, std::uint32_t hgt)
                                         {
        of (hh).resizesAsked.push_back ({ w, hgt });
        return true;
                                        },
                                         [] (const clap_host*)
                                         { return true; },
                                         [] (const clap_host*)
                                         { return true; },
                                         [] (const clap_host*, bool) {} };
    static constexpr clap_host_timer_support timer { [] (const clap_host* hh, std::uint32_t, clap_id* timerId)
                                                     {
        auto& self = of (hh);
        *timerId = self.nextTimer++;
        self.timers.push_back (*timerId);
        return true;
                                                    },
                                                     [] (const clap_host* hh, clap_id timerId)
                                                     { return eraseOne (of (hh).timers, timerId); } };
    static constexpr clap_host_posix_fd_support fd { [] (const clap_host* hh, int descriptor, clap_posix_fd_flags)
                                                     {
        of (hh).descriptors.push_back (descriptor);
        return true;
                                                    },
                                                     [] (const clap_host*, int, clap_posix_fd_flags)
                                                     { return true; },
                                                     [] (const clap_host* hh, int descriptor)
                                                     { return eraseOne (of (hh).descriptors, descriptor); } };
    const std::string_view wanted (id != nullptr ? id : "");
    if (wanted == CLAP_EXT_PARAMS)
        return &params;
    if (wanted == CLAP_EXT_GUI)
        return &gui;
    if (wanted == CLAP_EXT_TIMER_SUPPORT && of (h).eventLoop == EventLoop::timers)
        return &timer;
    if (wanted == CLAP_EXT_POSIX_FD_SUPPORT && of (h).eventLoop == EventLoop::fileDescriptors)
        return &fd;
    return nullptr;
}

bool ClapHost::activate (double sampleRate, std::uint32_t maxFrames)
{
    active = instance->activate (instance, sampleRate, 1, maxFrames) && instance->start_processing (instance);
    return active;
}

void ClapHost::deactivate()
{
    if (! active)
        return;
    instance->stop_processing (instance);
    instance->deactivate (instance);
    active = false;
}

namespace
{
InputList inputsFor (const std::vector<ClapHost::Event>& events)
{
    InputList in;
    for (const auto& event : events)
        in.events.push_back ({ { sizeof (clap_event_param_value), event.time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0 },
                               event.id,
                               nullptr,
                               -1,
                               -1,
                               -1,
                               -1,
                               event.value });
    return in;
}
} // namespace

std::int32_t ClapHost::process (const float* const* inputs, float* const* outputs, std::uint32_t channels, const float* const* keys,
                                std::uint32_t keyChannels, std::uint32_t numFrames, const std::vector<Event>& events)
{
    auto in = inputsFor (events);
    in.list.ctx = &in;
    OutputList out { sent };

    clap_audio_buffer audioIn[2] = { { const_cast<float**> (inputs), nullptr, channels, 0, 0 },
                                     { const_cast<float**> (keys), nullptr, keyChannels, 0, 0 } };
    clap_audio_buffer audioOut { const_cast<float**> (outputs), nullptr, channels, 0, 0 };
    const clap_process process { -1, numFrames, nullptr, audioIn, &audioOut, keyChannels > 0 ? 2u : 1u, 1, &in.list, &out.list };
    return instance->process (instance, &process);
}

void ClapHost::flush (const std::vector<Event>& events)
{
    auto in = inputsFor (events);
    in.list.ctx = &in;
    OutputList out { sent };
    extension<clap_plugin_params> (CLAP_EXT_PARAMS)->flush (instance, &in.list, &out.list);
}

std::vector<ClapHost::Event> ClapHost::takeSentEvents()
{
    return std::exchange (sent, {});
}

double ClapHost::value (clap_id id) const
{
    double result = 0.0;
    const auto* params = extension<clap_plugin_params> (CLAP_EXT_PARAMS);
    return params != nullptr && params->get_value (instance, id, &result) ? result : -1.0;
}

bool ClapHost::saveState (std::vector<char>& state, std::size_t bytesPerCall)
{
    state.clear();
    Stream stream { state, bytesPerCall, std::numeric_limits<std::size_t>::max() };
    const clap_ostream out { &stream, Stream::write };
    const auto* table = extension<clap_plugin_state> (CLAP_EXT_STATE);
    return table != nullptr && table->save (instance, &out);
}

bool ClapHost::loadState (const std::vector<char>& state, std::size_t bytesPerCall, std::size_t failAfter)
{
    auto bytes = state;
    Stream stream { bytes, bytesPerCall, failAfter };
    const clap_istream in { &stream, Stream::read };
    const auto* table = extension<clap_plugin_state> (CLAP_EXT_STATE);
    return table != nullptr && table->load (instance, &in);
}

void ClapHost::fireTimers()
{
    const auto* timer = extension<clap_plugin_timer_support> (CLAP_EXT_TIMER_SUPPORT);
    for (const auto id : std::vector<clap_id> (timers))
        timer->on_timer (instance, id);
}

void ClapHost::fireDescriptors()
{
    const auto* watch = extension<clap_plugin_posix_fd_support> (CLAP_EXT_POSIX_FD_SUPPORT);
    for (const int descriptor : std::vector<int> (descriptors))
        watch->on_fd (instance, descriptor, CLAP_POSIX_FD_READ);
}
