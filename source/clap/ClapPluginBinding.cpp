#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "ClapPluginBinding.h"

#include "EditorFrame.h"
#include "FactoryPresetTable.h"
#include "FloatBits.h"
#include "HostedEditor.h"
#include "ParameterText.h"
#include "VelkVersion.h"
#include "WrappedState.h"

#include <juce_events/native/juce_linux_EventLoopInternal.h>

#include <cmath>
#include <cstdio>
#include <cstring>

// The processor's parameters are the framework's index-based ones, which it marks deprecated;
// CLAP's parameter ids are index-based too.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

using namespace clap;

namespace
{
const char* const stereoFeatures[] = { "audio-effect", "compressor", "stereo", nullptr };
const char* const monoFeatures[] = { "audio-effect", "compressor", "mono", nullptr };

const clap_plugin_descriptor descriptors[] = {
    { CLAP_VERSION, velk::version::clapId, velk::version::productName, velk::version::vendor, velk::version::homepage, "",
      MyTestAudioProcessorEditor::supportUrl, velk::version::text, velk::version::description, stereoFeatures },
    { CLAP_VERSION, velk::version::clapMonoId, velk::version::productName, velk::version::vendor, velk::version::homepage, "",
      MyTestAudioProcessorEditor::supportUrl, velk::version::text, velk::version::description, monoFeatures },
};

/** The ten values, the bypass and the two read-only outputs, by index. */
constexpr clap_id parameterIds[] = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, ClapPluginBinding::bypassId, ClapPluginBinding::reductionId,
                                     ClapPluginBinding::clipId };

/** The largest state a load reads; anything longer is no VELK state. */
constexpr size_t maxStateBytes = 1 << 20;

void copyText (const char* text, char* destination, size_t capacity)
{
    if (destination == nullptr || capacity == 0)
        return;
    std::strncpy (destination, text, capacity - 1);
    destination[capacity - 1] = 0;
}

bool sameText (const char* a, const char* b)
{
    return a != nullptr && b != nullptr && std::strcmp (a, b) == 0;
}

/** A CLAP event header for an event the plug-in sends: the user's moves are live, the meters
    are not to be recorded. */
clap_event_header headerFor (std::uint32_t size, std::uint16_t type, std::uint32_t time, std::uint32_t flags = CLAP_EVENT_IS_LIVE)
{
    return { size, time, CLAP_CORE_EVENT_SPACE_ID, type, flags };
}

bool pushValue (const clap_output_events* out, clap_id id, double value, std::uint32_t time, std::uint32_t flags = CLAP_EVENT_IS_LIVE)
{
    const clap_event_param_value event { headerFor (sizeof (clap_event_param_value), CLAP_EVENT_PARAM_VALUE, time, flags), id, nullptr, -1, -1, -1, -1, value };
    return out->try_push (out, &event.header);
}
} // namespace

//==============================================================================
/** The C calls of the plug-in and its extensions, each onto the binding. */
struct ClapCalls
{
    static ClapPluginBinding& of (const clap_plugin* plugin) { return *static_cast<ClapPluginBinding*> (plugin->plugin_data); }

    /** Nothing the framework or the library throws crosses into the host: a failure is the
        call's own failure value. */
    template <typename Result, typename Call>
    static Result guarded (Result failure, Call&& call) noexcept
    {
        try
        {
            return call();
        }
        catch (...)
        {
            return failure;
        }
    }

    template <typename Call>
    static void guarded (Call&& call) noexcept
    {
        try
        {
            call();
        }
        catch (...)
        {
        }
    }

    // clang-format off
    static bool init (const clap_plugin* p)                                      { return of (p).init(); }
    static void destroy (const clap_plugin* p)                                   { guarded ([&] { delete &of (p); }); }
    static bool activate (const clap_plugin* p, double rate, std::uint32_t, std::uint32_t maxFrames) { return guarded (false, [&] { return of (p).activate (rate, maxFrames); }); }
    static void deactivate (const clap_plugin* p)                                { of (p).core.release(); }
    static bool startProcessing (const clap_plugin*)                             { return true; }
    static void stopProcessing (const clap_plugin*)                              {}
    static void reset (const clap_plugin* p)                                     { of (p).core.reset(); }
    static clap_process_status process (const clap_plugin* p, const clap_process* pr) { return pr != nullptr ? of (p).process (*pr) : CLAP_PROCESS_ERROR; }
    static const void* getExtension (const clap_plugin* p, const char* id)       { return of (p).getExtension (id); }
    static void onMainThread (const clap_plugin*)                                {}

    static std::uint32_t paramsCount (const clap_plugin*)                        { return (std::uint32_t) std::size (parameterIds); }
    static bool paramInfo (const clap_plugin* p, std::uint32_t i, clap_param_info* info) { return info != nullptr && of (p).getParamInfo (i, *info); }
    static bool paramValue (const clap_plugin* p, clap_id id, double* value)     { return value != nullptr && of (p).getParamValue (id, *value); }
    static bool valueToText (const clap_plugin* p, clap_id id, double value, char* text, std::uint32_t capacity) { return guarded (false, [&] { return of (p).valueToText (id, value, text, capacity); }); }
    static bool textToValue (const clap_plugin* p, clap_id id, const char* text, double* value) { return text != nullptr && value != nullptr && guarded (false, [&] { return of (p).textToValue (id, text, *value); }); }
    static void flush (const clap_plugin* p, const clap_input_events* in, const clap_output_events* out)
    {
        auto& binding = of (p);
        if (in != nullptr)
            binding.applyEvents (in, 0, in->size (in));
        if (out != nullptr)
            binding.sendEditorMoves (out);
    }

    static std::uint32_t portsCount (const clap_plugin*, bool isInput)           { return isInput ? 2 : 1; }
    static bool portInfo (const clap_plugin* p, std::uint32_t index, bool isInput, clap_audio_port_info* info)
    {
        const int channels = of (p).channels;
        if (info == nullptr || index >= portsCount (p, isInput))
            return false;
        *info = {};
        info->id = index;
        copyText (index == 1 ? "Sidechain" : isInput ? "Input" : "Output", info->name, sizeof info->name);
        info->flags = index == 0 ? CLAP_AUDIO_PORT_IS_MAIN : 0;
        info->channel_count = (std::uint32_t) channels;
        info->port_type = channels == 2 ? CLAP_PORT_STEREO : CLAP_PORT_MONO;
        info->in_place_pair = index == 0 ? 0 : CLAP_INVALID_ID;
        return true;
    }

    static bool saveState (const clap_plugin* p, const clap_ostream* stream)     { return stream != nullptr && guarded (false, [&] { return of (p).saveState (*stream); }); }
    static bool loadState (const clap_plugin* p, const clap_istream* stream)     { return stream != nullptr && guarded (false, [&] { return of (p).loadState (*stream); }); }

    static std::uint32_t noLatency (const clap_plugin*)                          { return 0; }

    static bool isApiSupported (const clap_plugin*, const char* api, bool floating) { return sameText (api, CLAP_WINDOW_API_X11) && ! floating; }
    static bool preferredApi (const clap_plugin*, const char** api, bool* floating)
    {
        if (api != nullptr) *api = CLAP_WINDOW_API_X11;
        if (floating != nullptr) *floating = false;
        return true;
    }
    static bool guiCreate (const clap_plugin* p, const char* api, bool floating) { return isApiSupported (p, api, floating) && of (p).createEditor(); }
    static void guiDestroy (const clap_plugin* p)                                { guarded ([&] { of (p).destroyEditor(); }); }
    static bool setScale (const clap_plugin* p, double scale)
    {
        if (! std::isfinite (scale) || scale <= 0.0 || of (p).editor != nullptr)
            return false;
        of (p).hostScale = scale;
        return true;
    }
    static bool getSize (const clap_plugin* p, std::uint32_t* w, std::uint32_t* h) { return w != nullptr && h != nullptr && guarded (false, [&] { return of (p).getEditorSize (*w, *h); }); }
    static bool canResize (const clap_plugin*)                                   { return false; }
    static bool resizeHints (const clap_plugin*, clap_gui_resize_hints*)         { return false; }
    static bool adjustSize (const clap_plugin*, std::uint32_t*, std::uint32_t*)  { return false; }
    static bool setSize (const clap_plugin* p, std::uint32_t w, std::uint32_t h)
    {
        std::uint32_t width = 0, height = 0;
        return of (p).getEditorSize (width, height) && width == w && height == h;
    }
    static bool setParent (const clap_plugin* p, const clap_window* window)      { return window != nullptr && sameText (window->api, CLAP_WINDOW_API_X11) && guarded (false, [&] { return of (p).setParent (*window); }); }
    static bool setTransient (const clap_plugin*, const clap_window*)            { return false; }
    static void suggestTitle (const clap_plugin*, const char*)                   {}
    static bool show (const clap_plugin* p)                                      { return of (p).showEditor (true); }
    static bool hide (const clap_plugin* p)                                      { return of (p).showEditor (false); }

    static void onTimer (const clap_plugin* p, clap_id)                          { guarded ([&] { of (p).idleEditor(); }); }
    static void onFd (const clap_plugin* p, int, clap_posix_fd_flags)            { guarded ([&] { of (p).idleEditor(); }); }
    // clang-format on

    static constexpr clap_plugin_params params { paramsCount, paramInfo, paramValue, valueToText, textToValue, flush };
    static constexpr clap_plugin_audio_ports audioPorts { portsCount, portInfo };
    static constexpr clap_plugin_state state { saveState, loadState };
    static constexpr clap_plugin_latency latency { noLatency };
    static constexpr clap_plugin_tail tail { noLatency };
    static constexpr clap_plugin_gui gui { isApiSupported, preferredApi, guiCreate, guiDestroy, setScale, getSize, canResize, resizeHints,
                                           adjustSize, setSize, setParent, setTransient, suggestTitle, show, hide };
    static constexpr clap_plugin_timer_support timer { onTimer };
    static constexpr clap_plugin_posix_fd_support fd { onFd };
};

//==============================================================================
const clap_plugin_descriptor* ClapPluginBinding::descriptor (std::uint32_t index) noexcept
{
    return index < std::size (descriptors) ? &descriptors[index] : nullptr;
}

std::uint32_t ClapPluginBinding::numDescriptors() noexcept
{
    return (std::uint32_t) std::size (descriptors);
}

const clap_plugin* ClapPluginBinding::create (const clap_host* host, const char* pluginId)
{
    for (std::uint32_t index = 0; index < numDescriptors(); ++index)
        if (host != nullptr && sameText (pluginId, descriptors[index].id))
            return &(new ClapPluginBinding (host, &descriptors[index], index == 0 ? 2 : 1))->plugin;
    return nullptr;
}

ClapPluginBinding::ClapPluginBinding (const clap_host* clapHost, const clap_plugin_descriptor* descriptor, int numChannels)
    : core (juce::AudioProcessor::wrapperType_Undefined, BindingCore::createProcessor, BindingCore::Framework::own),
      host (clapHost),
      channels (numChannels)
{
    plugin = { descriptor,
               this,
               ClapCalls::init,
               ClapCalls::destroy,
               ClapCalls::activate,
               ClapCalls::deactivate,
               ClapCalls::startProcessing,
               ClapCalls::stopProcessing,
               ClapCalls::reset,
               ClapCalls::process,
               ClapCalls::getExtension,
               ClapCalls::onMainThread };
    core.prepare (0.0, BindingCore::maxPiece, channels);
    core.getProcessor().addListener (this);
}

ClapPluginBinding::~ClapPluginBinding()
{
    // Nothing reaches the host from inside its destroy call.
    core.getProcessor().removeListener (this);
    destroyEditor();
}

bool ClapPluginBinding::init()
{
    const auto extension = [this] (const char* id)
    { return host->get_extension != nullptr ? host->get_extension (host, id) : nullptr; };
    hostParams = static_cast<const clap_host_params*> (extension (CLAP_EXT_PARAMS));
    hostGui = static_cast<const clap_host_gui*> (extension (CLAP_EXT_GUI));
    hostTimer = static_cast<const clap_host_timer_support*> (extension (CLAP_EXT_TIMER_SUPPORT));
    hostFd = static_cast<const clap_host_posix_fd_support*> (extension (CLAP_EXT_POSIX_FD_SUPPORT));
    return true;
}

bool ClapPluginBinding::activate (double sampleRate, std::uint32_t maxFrames)
{
    // A rate that makes no sense keeps the last good one.
    core.prepare (sampleRate, (int) std::min<std::uint32_t> (maxFrames, BindingCore::maxPiece), channels);
    return true;
}

const void* ClapPluginBinding::getExtension (const char* id) const
{
    // clang-format off
    if (sameText (id, CLAP_EXT_PARAMS))             return &ClapCalls::params;
    if (sameText (id, CLAP_EXT_AUDIO_PORTS))        return &ClapCalls::audioPorts;
    if (sameText (id, CLAP_EXT_STATE))              return &ClapCalls::state;
    if (sameText (id, CLAP_EXT_LATENCY))            return &ClapCalls::latency;
    if (sameText (id, CLAP_EXT_TAIL))               return &ClapCalls::tail;
    if (sameText (id, CLAP_EXT_GUI))                return &ClapCalls::gui;
    if (sameText (id, CLAP_EXT_TIMER_SUPPORT))      return &ClapCalls::timer;
    if (sameText (id, CLAP_EXT_POSIX_FD_SUPPORT))   return &ClapCalls::fd;
    // clang-format on
    return nullptr;
}

//==============================================================================
clap_process_status ClapPluginBinding::process (const clap_process& p)
{
    const std::uint32_t numFrames = p.frames_count;
    if (p.out_events != nullptr)
        sendEditorMoves (p.out_events);

    // The main ports, and the key where the host gives it buffers (else silence).
    const clap_audio_buffer* main = p.audio_inputs_count > 0 && p.audio_inputs != nullptr ? &p.audio_inputs[0] : nullptr;
    const clap_audio_buffer* out = p.audio_outputs_count > 0 && p.audio_outputs != nullptr ? &p.audio_outputs[0] : nullptr;
    const clap_audio_buffer* key = p.audio_inputs_count > 1 && p.audio_inputs != nullptr ? &p.audio_inputs[1] : nullptr;
    const auto channel = [] (const clap_audio_buffer* buffer, int c, std::uint32_t offset) -> float*
    {
        const bool has = buffer != nullptr && buffer->data32 != nullptr && (std::uint32_t) c < buffer->channel_count && buffer->data32[c] != nullptr;
        return has ? buffer->data32[c] + offset : nullptr;
    };
    const int numKeyChannels = key != nullptr && key->data32 != nullptr ? (int) std::min<std::uint32_t> (key->channel_count, (std::uint32_t) channels) : 0;

    // Split at each parameter event, so that it applies at its sample.
    const std::uint32_t numEvents = p.in_events != nullptr ? p.in_events->size (p.in_events) : 0;
    std::uint32_t position = 0, next = 0;
    // An event timed past the block applies at its last sample; one out of order, at once.
    const auto timeOf = [&p, numFrames] (std::uint32_t index)
    {
        const auto* event = p.in_events->get (p.in_events, index);
        return event != nullptr ? std::min (event->time, numFrames > 0 ? numFrames - 1 : 0) : 0;
    };
    for (;;)
    {
        while (next < numEvents && timeOf (next) <= position)
        {
            if (const auto* event = p.in_events->get (p.in_events, next))
                applyEvent (*event);
            ++next;
        }
        // Past the events applied, the next one lies ahead: no segment is left only at the end.
        const std::uint32_t end = next < numEvents ? timeOf (next) : numFrames;
        if (end <= position)
            break;

        const float* inputs[2] = { channel (main, 0, position), channel (main, 1, position) };
        float* outputs[2] = { channel (out, 0, position), channel (out, 1, position) };
        const float* keys[2] = { channel (key, 0, position), channel (key, 1, position) };
        if (out != nullptr)
            core.process (inputs, outputs, numKeyChannels > 0 ? keys : nullptr, numKeyChannels, end - position,
                          bypassed.load (std::memory_order_relaxed));
        position = end;
    }

    if (numFrames > 0)
    {
        reductionDb.store (core.takeReductionDb(), std::memory_order_relaxed);
        clipLit.store (core.takeClipHeld (numFrames) ? 1.0f : 0.0f, std::memory_order_relaxed);
        if (p.out_events != nullptr)
            sendMeters (p.out_events, numFrames);
    }
    return CLAP_PROCESS_CONTINUE;
}

void ClapPluginBinding::applyEvents (const clap_input_events* in, std::uint32_t from, std::uint32_t count)
{
    for (std::uint32_t index = from; index < count; ++index)
        if (const auto* event = in->get (in, index))
            applyEvent (*event);
}

void ClapPluginBinding::applyEvent (const clap_event_header& event)
{
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID || event.type != CLAP_EVENT_PARAM_VALUE || event.size < sizeof (clap_event_param_value))
        return;

    // A host's write, as in VST3: a value that is no number reaches the processor, which stores it as 0.
    const auto& change = reinterpret_cast<const clap_event_param_value&> (event);
    if (change.param_id < (clap_id) velk::numFormatParameters)
        core.setValue ((int) change.param_id, (float) change.value);
    else if (change.param_id == bypassId)
        bypassed.store (change.value >= 0.5, std::memory_order_relaxed);
}

void ClapPluginBinding::sendEditorMoves (const clap_output_events* out)
{
    for (clap_id id = 0; id < (clap_id) velk::numFormatParameters; ++id)
    {
        const auto pending = pendingMoves[id].exchange (0, std::memory_order_acq_rel);
        const auto gesture = [out, id] (std::uint16_t type)
        {
            const clap_event_param_gesture event { headerFor (sizeof (clap_event_param_gesture), type, 0), id };
            out->try_push (out, &event.header);
        };
        if ((pending & beginPending) != 0)
            gesture (CLAP_EVENT_PARAM_GESTURE_BEGIN);
        if ((pending & valuePending) != 0)
            pushValue (out, id, movedValues[id].load (std::memory_order_relaxed), 0);
        if ((pending & endPending) != 0)
            gesture (CLAP_EVENT_PARAM_GESTURE_END);
    }
}

void ClapPluginBinding::sendMeters (const clap_output_events* out, std::uint32_t numFrames)
{
    const float reduction = reductionDb.load (std::memory_order_relaxed), clip = clipLit.load (std::memory_order_relaxed);
    if (reduction != sentReductionDb && pushValue (out, reductionId, reduction, numFrames - 1, CLAP_EVENT_DONT_RECORD))
        sentReductionDb = reduction;
    if (clip != sentClip && pushValue (out, clipId, clip, numFrames - 1, CLAP_EVENT_DONT_RECORD))
        sentClip = clip;
}

//==============================================================================
bool ClapPluginBinding::getParamInfo (std::uint32_t index, clap_param_info& info) const
{
    if (index >= std::size (parameterIds))
        return false;

    info = {};
    info.id = parameterIds[index];
    info.flags = CLAP_PARAM_IS_AUTOMATABLE;
    if (const auto* row = velk::formatParameterInfo ((int) info.id))
    {
        copyText (row->name, info.name, sizeof info.name);
        if (row->isSwitch())
        {
            info.flags |= CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_ENUM;
            info.min_value = row->firstPosition;
            info.max_value = row->firstPosition + row->numPositions - 1;
        }
        else
        {
            info.max_value = 1.0;
        }
        info.default_value = row->defaultValue;
        return true;
    }

    // clang-format off
    switch (info.id)
    {
        case bypassId:    copyText ("Bypass", info.name, sizeof info.name); info.flags |= CLAP_PARAM_IS_BYPASS | CLAP_PARAM_IS_STEPPED; info.max_value = 1.0; break;
        case reductionId: copyText ("Gain Reduction", info.name, sizeof info.name); info.flags = CLAP_PARAM_IS_READONLY; info.max_value = velk::maxReductionDb; break;
        default:          copyText ("Clip", info.name, sizeof info.name); info.flags = CLAP_PARAM_IS_READONLY | CLAP_PARAM_IS_STEPPED; info.max_value = 1.0; break;
    }
    // clang-format on
    return true;
}

bool ClapPluginBinding::getParamValue (clap_id id, double& value)
{
    if (id < (clap_id) velk::numFormatParameters)
        value = core.getValue ((int) id);
    else if (id == bypassId)
        value = bypassed.load (std::memory_order_relaxed) ? 1.0 : 0.0;
    else if (id == reductionId)
        value = reductionDb.load (std::memory_order_relaxed);
    else if (id == clipId)
        value = clipLit.load (std::memory_order_relaxed);
    else
        return false;
    return true;
}

bool ClapPluginBinding::valueToText (clap_id id, double value, char* text, std::uint32_t capacity) const
{
    if (text == nullptr || capacity == 0)
        return false;
    std::string shown;
    if (id < (clap_id) velk::numFormatParameters)
    {
        // A switch shows the caption of the position it runs, as VST3 shows it.
        const auto* caption = velk::positionCaption ((int) id, (float) value);
        shown = caption != nullptr ? std::string (caption) : velk::displayText ((int) id, (float) value);
    }
    else if (id == bypassId || id == clipId)
    {
        shown = value >= 0.5 ? "On" : "Off";
    }
    else if (id == reductionId)
    {
        char number[32];
        std::snprintf (number, sizeof number, "%.1f dB", value);
        shown = number;
    }
    else
    {
        return false;
    }
    copyText (shown.c_str(), text, capacity);
    return true;
}

bool ClapPluginBinding::textToValue (clap_id id, const char* text, double& value) const
{
    if (id < (clap_id) velk::numFormatParameters)
        value = velk::valueForText ((int) id, text);
    else if (id == bypassId)
        value = velk::leadingNumber (text) >= 0.5f || juce::String (text).trim().equalsIgnoreCase ("on") ? 1.0 : 0.0;
    else
        return false;
    return true;
}

//==============================================================================
bool ClapPluginBinding::saveState (const clap_ostream& stream)
{
    juce::MemoryBlock state;
    core.getState (state);
    const auto* bytes = static_cast<const char*> (state.getData());
    for (auto left = (std::uint64_t) state.getSize(); left > 0;)
    {
        const auto written = stream.write (&stream, bytes, left);
        if (written <= 0 || (std::uint64_t) written > left)
            return false;
        bytes += written;
        left -= (std::uint64_t) written;
    }
    return true;
}

bool ClapPluginBinding::loadState (const clap_istream& stream)
{
    // The whole state first: a stream error changes nothing.
    juce::MemoryBlock state;
    char buffer[4096];
    for (;;)
    {
        const auto read = stream.read (&stream, buffer, sizeof buffer);
        if (read < 0 || (std::uint64_t) read > sizeof buffer || state.getSize() + (size_t) read > maxStateBytes)
            return false;
        if (read == 0)
            break;
        state.append (buffer, (size_t) read);
    }
    // Bytes that are no saved state (a stream cut short, another plug-in's) change nothing.
    if (wrappedstate::wholeTextLength (state.getData(), (int) state.getSize()) < 0 || ! core.setState (state.getData(), (int) state.getSize()))
        return false;
    if (hostParams != nullptr && hostParams->rescan != nullptr)
        hostParams->rescan (host, CLAP_PARAM_RESCAN_VALUES);
    return true;
}

//==============================================================================
bool ClapPluginBinding::createEditor()
{
    // The framework's event loop needs the host's timer or its watch on the X connection.
    editorCreated = hostTimer != nullptr || hostFd != nullptr;
    return editorCreated;
}

bool ClapPluginBinding::setParent (const clap_window& window)
{
    if (! editorCreated || editor != nullptr || window.x11 == 0)
        return false;

    auto& processor = core.getProcessor();
    editor = std::make_unique<HostedEditor> (
        [this, &processor]
        {
        auto frame = std::make_unique<EditorFrame> (std::make_unique<MyTestAudioProcessorEditor> (&processor, true), ZoomSetting(), (float) hostScale);
        frame->setSizeRequest ([this] (int width, int height)
                               { return hostGui != nullptr && hostGui->request_resize != nullptr
                                     && hostGui->request_resize (host, (std::uint32_t) width, (std::uint32_t) height); });
        frame->setPresetChoice ([this] (int index)
                                { choosePreset (index); },
                                [this]
                                { return core.getProgram(); });
        return frame.release();
        },
        reinterpret_cast<void*> ((std::uintptr_t) window.x11));
    if (editor->getEditor() == nullptr)
    {
        editor = nullptr;
        return false;
    }
    for (int index = 0; index < velk::numParameters; ++index)
        shownValues[(size_t) index] = processor.getParameter (index);

    if (hostTimer != nullptr && hostTimer->register_timer (host, 16, &timerId))
        return true;
    timerId = CLAP_INVALID_ID;

    // Else the host watches the framework's descriptors: the X connection and its message queue.
    for (const int fd : juce::LinuxEventLoopInternal::getRegisteredFds())
        if (hostFd != nullptr && hostFd->register_fd (host, fd, CLAP_POSIX_FD_READ))
            eventFds.push_back (fd);
    if (! eventFds.empty())
        return true;
    editor = nullptr;
    return false;
}

bool ClapPluginBinding::getEditorSize (std::uint32_t& width, std::uint32_t& height) const
{
    if (! editorCreated)
        return false;
    if (editor != nullptr && editor->getEditor() != nullptr)
    {
        width = (std::uint32_t) editor->getEditor()->getWidth();
        height = (std::uint32_t) editor->getEditor()->getHeight();
        return true;
    }
    // The size the frame will open at: the editor's, times the host's scale and the user's zoom.
    const auto scale = (float) hostScale * (float) ZoomSetting().load() / 100.0f;
    width = (std::uint32_t) juce::roundToInt ((float) MyTestAudioProcessorEditor::width * scale);
    height = (std::uint32_t) juce::roundToInt ((float) MyTestAudioProcessorEditor::height * scale);
    return true;
}

void ClapPluginBinding::destroyEditor()
{
    if (timerId != CLAP_INVALID_ID && hostTimer != nullptr)
        hostTimer->unregister_timer (host, timerId);
    for (const int fd : eventFds)
        hostFd->unregister_fd (host, fd);
    timerId = CLAP_INVALID_ID;
    eventFds.clear();
    editor = nullptr;
    editorCreated = false;
}

bool ClapPluginBinding::showEditor (bool visible)
{
    if (editor == nullptr || editor->getEditor() == nullptr)
        return false;
    editor->getEditor()->setVisible (visible);
    return true;
}

void ClapPluginBinding::idleEditor()
{
    if (editor == nullptr)
        return;
    editor->idle();

    // The knobs follow the values the host set, once the user lets a knob go.
    auto* frame = dynamic_cast<EditorFrame*> (editor->getEditor());
    auto& processor = core.getProcessor();
    for (int index = 0; frame != nullptr && index < velk::numParameters; ++index)
    {
        const float value = processor.getParameter (index);
        auto& shown = shownValues[(size_t) index];
        if (bitsOf (value) != bitsOf (shown) && frame->getEditor().showRunningValue (index))
            shown = value;
    }
}

//==============================================================================
void ClapPluginBinding::choosePreset (int index)
{
    std::array<float, velk::numFormatParameters> before {};
    for (int i = 0; i < velk::numFormatParameters; ++i)
        before[(size_t) i] = core.getValue (i);
    core.applyPreset (index);
    for (const int i : velk::presetWriteOrder)
    {
        const float after = core.getValue (i);
        if (bitsOf (after) == bitsOf (before[(size_t) i]))
            continue;
        queueEditorMove (CLAP_EVENT_PARAM_GESTURE_BEGIN, i, 0.0f);
        queueEditorMove (CLAP_EVENT_PARAM_VALUE, i, after);
        queueEditorMove (CLAP_EVENT_PARAM_GESTURE_END, i, 0.0f);
    }
}

void ClapPluginBinding::queueEditorMove (std::uint16_t type, int index, float value)
{
    if (index < 0 || index >= velk::numFormatParameters)
        return;
    if (type == CLAP_EVENT_PARAM_VALUE)
        movedValues[(size_t) index].store (value, std::memory_order_relaxed);
    const auto bit = type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? beginPending : type == CLAP_EVENT_PARAM_VALUE ? valuePending
                                                                                                            : endPending;
    pendingMoves[(size_t) index].fetch_or (bit, std::memory_order_acq_rel);
    if (hostParams != nullptr && hostParams->request_flush != nullptr)
        hostParams->request_flush (host);
}

void ClapPluginBinding::audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue)
{
    queueEditorMove (CLAP_EVENT_PARAM_VALUE, index, newValue);
}

void ClapPluginBinding::audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index)
{
    queueEditorMove (CLAP_EVENT_PARAM_GESTURE_BEGIN, index, 0.0f);
}

void ClapPluginBinding::audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index)
{
    queueEditorMove (CLAP_EVENT_PARAM_GESTURE_END, index, 0.0f);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
