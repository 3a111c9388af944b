#pragma once

// The CLAP binary interface on x86_64 Linux: the structs, extension ids and constants that
// VELK's CLAP binding and its test host use, written from the published layout facts. Plain
// C types only (standard layout, natural alignment, no packing); every callback is a plain
// C function pointer, and a bool is the one-byte C/C++ bool.

#include <cstddef>
#include <cstdint>

namespace clap
{
// --- Basics ------------------------------------------------------------------------------

/** Parameter, port, timer and note ids. */
using clap_id = std::uint32_t;
inline constexpr clap_id CLAP_INVALID_ID = 0xFFFFFFFFu;

/** Capacities of the fixed text fields, the terminating NUL included. */
inline constexpr std::size_t CLAP_NAME_SIZE = 256;
inline constexpr std::size_t CLAP_PATH_SIZE = 1024;

/** Song positions in beats and seconds: fixed point, 2^31 units per beat or second. */
using clap_beattime = std::int64_t;
using clap_sectime = std::int64_t;
inline constexpr clap_beattime CLAP_BEATTIME_FACTOR = 1LL << 31;
inline constexpr clap_sectime CLAP_SECTIME_FACTOR = 1LL << 31;

// --- Version -----------------------------------------------------------------------------

struct clap_version
{
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};

/** The interface version VELK declares in its entry and descriptor. */
inline constexpr std::uint32_t CLAP_VERSION_MAJOR = 1;
inline constexpr std::uint32_t CLAP_VERSION_MINOR = 1;
inline constexpr std::uint32_t CLAP_VERSION_REVISION = 10;
inline constexpr clap_version CLAP_VERSION = { CLAP_VERSION_MAJOR, CLAP_VERSION_MINOR, CLAP_VERSION_REVISION };

/** Any 1.x or later version can talk to us; 0.x were pre-releases. */
constexpr bool clap_version_is_compatible (const clap_version& v)
{
    return v.major >= 1;
}

struct clap_host;
struct clap_plugin;
struct clap_plugin_descriptor;
struct clap_plugin_factory;

// --- Entry point -------------------------------------------------------------------------

/** What the library exports as the data symbol clap_entry (C linkage): 40 bytes. */
struct clap_plugin_entry
{
    struct clap_version clap_version;
    bool (*init) (const char* plugin_path); // first call, quick, no user interaction
    void (*deinit)(); // last call
    const void* (*get_factory) (const char* factory_id); // NULL for unknown ids
};

inline constexpr const char* CLAP_PLUGIN_FACTORY_ID = "clap.plugin-factory";

/** The plug-in factory: all three calls are thread-safe. */
struct clap_plugin_factory
{
    std::uint32_t (*get_plugin_count) (const clap_plugin_factory* factory);
    const clap_plugin_descriptor* (*get_plugin_descriptor) (const clap_plugin_factory* factory, std::uint32_t index);
    // Must not call back into the host; that waits for clap_plugin::init.
    const clap_plugin* (*create_plugin) (const clap_plugin_factory* factory, const clap_host* host, const char* plugin_id);
};

/** Static description of one plug-in; all strings stay valid as long as the library is loaded. */
struct clap_plugin_descriptor
{
    struct clap_version clap_version;
    const char* id; // reverse-domain style, stable, never blank
    const char* name; // never blank
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features; // NULL-terminated; always a real array, at least { NULL }
};

// --- Host and plug-in objects ------------------------------------------------------------

/** The host's side; host_data is the host's own. 88 bytes. */
struct clap_host
{
    struct clap_version clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void* (*get_extension) (const clap_host* host, const char* extension_id); // not before plugin init
    void (*request_restart) (const clap_host* host); // deactivate, then activate again
    void (*request_process) (const clap_host* host); // activate and start processing
    void (*request_callback) (const clap_host* host); // call on_main_thread soon
};

struct clap_process;

/** The plug-in's side; plugin_data is ours. 96 bytes. Thread and state per call noted. */
struct clap_plugin
{
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    bool (*init) (const clap_plugin* plugin); // main
    void (*destroy) (const clap_plugin* plugin); // main, inactive
    bool (*activate) (const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames_count,
                      std::uint32_t max_frames_count); // main, inactive
    void (*deactivate) (const clap_plugin* plugin); // main, active
    bool (*start_processing) (const clap_plugin* plugin); // audio, active
    void (*stop_processing) (const clap_plugin* plugin); // audio, processing
    void (*reset) (const clap_plugin* plugin); // audio, active
    std::int32_t (*process) (const clap_plugin* plugin, const clap_process* process); // audio, processing
    const void* (*get_extension) (const clap_plugin* plugin, const char* id); // any thread
    void (*on_main_thread) (const clap_plugin* plugin); // main
};

// --- Events ------------------------------------------------------------------------------

/** The first member of every event. */
struct clap_event_header
{
    std::uint32_t size; // of the whole event
    std::uint32_t time; // frame offset inside the block
    std::uint16_t space_id; // CLAP_CORE_EVENT_SPACE_ID for everything below
    std::uint16_t type;
    std::uint32_t flags;
};

inline constexpr std::uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

// Event header flags.
inline constexpr std::uint32_t CLAP_EVENT_IS_LIVE = 1u << 0; // a live user action
inline constexpr std::uint32_t CLAP_EVENT_DONT_RECORD = 1u << 1; // not to be recorded

// Core event types.
inline constexpr std::uint16_t CLAP_EVENT_NOTE_ON = 0;
inline constexpr std::uint16_t CLAP_EVENT_NOTE_OFF = 1;
inline constexpr std::uint16_t CLAP_EVENT_NOTE_CHOKE = 2;
inline constexpr std::uint16_t CLAP_EVENT_NOTE_END = 3;
inline constexpr std::uint16_t CLAP_EVENT_NOTE_EXPRESSION = 4;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_VALUE = 5;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_MOD = 6;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_GESTURE_BEGIN = 7;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_GESTURE_END = 8;
inline constexpr std::uint16_t CLAP_EVENT_TRANSPORT = 9;
inline constexpr std::uint16_t CLAP_EVENT_MIDI = 10;
inline constexpr std::uint16_t CLAP_EVENT_MIDI_SYSEX = 11;
inline constexpr std::uint16_t CLAP_EVENT_MIDI2 = 12;

/** A parameter set to a plain value (not normalised), both directions. -1 = any. */
struct clap_event_param_value
{
    clap_event_header header;
    clap_id param_id;
    void* cookie; // from clap_param_info, or NULL
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

/** A modulation offset; what is heard is value + amount. */
struct clap_event_param_mod
{
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double amount;
};

/** Begin or end of a user gesture (an editor drag), plug-in to host. */
struct clap_event_param_gesture
{
    clap_event_header header;
    clap_id param_id;
};

// Transport flags.
inline constexpr std::uint32_t CLAP_TRANSPORT_HAS_TEMPO = 1u << 0;
inline constexpr std::uint32_t CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1u << 1;
inline constexpr std::uint32_t CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1u << 2;
inline constexpr std::uint32_t CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1u << 3;
inline constexpr std::uint32_t CLAP_TRANSPORT_IS_PLAYING = 1u << 4;
inline constexpr std::uint32_t CLAP_TRANSPORT_IS_RECORDING = 1u << 5;
inline constexpr std::uint32_t CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1u << 6;
inline constexpr std::uint32_t CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1u << 7;

/** Transport state: the block's clap_process::transport, or a change in mid-block. */
struct clap_event_transport
{
    clap_event_header header;
    std::uint32_t flags;
    clap_beattime song_pos_beats;
    clap_sectime song_pos_seconds;
    double tempo; // bpm
    double tempo_inc; // per-sample change until the next transport event
    clap_beattime loop_start_beats;
    clap_beattime loop_end_beats;
    clap_sectime loop_start_seconds;
    clap_sectime loop_end_seconds;
    clap_beattime bar_start;
    std::int32_t bar_number; // 0 at song position 0
    std::uint16_t tsig_num;
    std::uint16_t tsig_denom;
};

/** The host's sorted input list; the events stay the list's. */
struct clap_input_events
{
    void* ctx;
    std::uint32_t (*size) (const clap_input_events* list);
    const clap_event_header* (*get) (const clap_input_events* list, std::uint32_t index);
};

/** The host's output list: it copies each event; false = could not queue it. Push in time order. */
struct clap_output_events
{
    void* ctx;
    bool (*try_push) (const clap_output_events* list, const clap_event_header* event);
};

// --- Processing --------------------------------------------------------------------------

/** One port's channels. 32-bit is always there; 64-bit only if both sides agreed on it. */
struct clap_audio_buffer
{
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask; // bit n: channel n holds one value for the whole block
};

/** One block. Inputs and outputs may share memory; every pointer is valid only during the call. */
struct clap_process
{
    std::int64_t steady_time; // -1 if unknown
    std::uint32_t frames_count;
    const clap_event_transport* transport; // NULL when the host has no transport
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

// Process status, the result of clap_plugin::process.
using clap_process_status = std::int32_t;
inline constexpr clap_process_status CLAP_PROCESS_ERROR = 0;
inline constexpr clap_process_status CLAP_PROCESS_CONTINUE = 1;
inline constexpr clap_process_status CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2;
inline constexpr clap_process_status CLAP_PROCESS_TAIL = 3;
inline constexpr clap_process_status CLAP_PROCESS_SLEEP = 4;

// --- Extension ids -----------------------------------------------------------------------

inline constexpr const char* CLAP_EXT_PARAMS = "clap.params";
inline constexpr const char* CLAP_EXT_STATE = "clap.state";
inline constexpr const char* CLAP_EXT_AUDIO_PORTS = "clap.audio-ports";
inline constexpr const char* CLAP_EXT_AUDIO_PORTS_CONFIG = "clap.audio-ports-config"; // id only
inline constexpr const char* CLAP_EXT_NOTE_PORTS = "clap.note-ports"; // id only
inline constexpr const char* CLAP_EXT_LATENCY = "clap.latency";
inline constexpr const char* CLAP_EXT_TAIL = "clap.tail";
inline constexpr const char* CLAP_EXT_GUI = "clap.gui";
inline constexpr const char* CLAP_EXT_TIMER_SUPPORT = "clap.timer-support";
inline constexpr const char* CLAP_EXT_POSIX_FD_SUPPORT = "clap.posix-fd-support";
inline constexpr const char* CLAP_EXT_THREAD_CHECK = "clap.thread-check";
inline constexpr const char* CLAP_EXT_LOG = "clap.log";

// --- Parameters --------------------------------------------------------------------------

// Parameter flags.
inline constexpr std::uint32_t CLAP_PARAM_IS_STEPPED = 1u << 0;
inline constexpr std::uint32_t CLAP_PARAM_IS_PERIODIC = 1u << 1;
inline constexpr std::uint32_t CLAP_PARAM_IS_HIDDEN = 1u << 2;
inline constexpr std::uint32_t CLAP_PARAM_IS_READONLY = 1u << 3;
inline constexpr std::uint32_t CLAP_PARAM_IS_BYPASS = 1u << 4; // implies stepped: 0 off, 1 on
inline constexpr std::uint32_t CLAP_PARAM_IS_AUTOMATABLE = 1u << 5;
inline constexpr std::uint32_t CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID = 1u << 6;
inline constexpr std::uint32_t CLAP_PARAM_IS_AUTOMATABLE_PER_KEY = 1u << 7;
inline constexpr std::uint32_t CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL = 1u << 8;
inline constexpr std::uint32_t CLAP_PARAM_IS_AUTOMATABLE_PER_PORT = 1u << 9;
inline constexpr std::uint32_t CLAP_PARAM_IS_MODULATABLE = 1u << 10;
inline constexpr std::uint32_t CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID = 1u << 11;
inline constexpr std::uint32_t CLAP_PARAM_IS_MODULATABLE_PER_KEY = 1u << 12;
inline constexpr std::uint32_t CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL = 1u << 13;
inline constexpr std::uint32_t CLAP_PARAM_IS_MODULATABLE_PER_PORT = 1u << 14;
inline constexpr std::uint32_t CLAP_PARAM_REQUIRES_PROCESS = 1u << 15;
inline constexpr std::uint32_t CLAP_PARAM_IS_ENUM = 1u << 16; // 1.1.10 on; needs stepped

/** One parameter, read by index. Values are plain (in the parameter's own range). */
struct clap_param_info
{
    clap_id id; // stable forever: sessions and automation refer to it
    std::uint32_t flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE]; // '/'-separated group path, may be empty
    double min_value;
    double max_value;
    double default_value;
};

/** Plug-in table: everything on the main thread, except flush while active (audio thread). */
struct clap_plugin_params
{
    std::uint32_t (*count) (const clap_plugin* plugin);
    bool (*get_info) (const clap_plugin* plugin, std::uint32_t param_index, clap_param_info* param_info);
    bool (*get_value) (const clap_plugin* plugin, clap_id param_id, double* out_value);
    // Must NUL-terminate within capacity.
    bool (*value_to_text) (const clap_plugin* plugin, clap_id param_id, double value, char* out_buffer,
                           std::uint32_t out_buffer_capacity);
    bool (*text_to_value) (const clap_plugin* plugin, clap_id param_id, const char* param_value_text, double* out_value);
    // Parameter events while no process call runs; never concurrent with process.
    void (*flush) (const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);
};

// Host parameter rescan flags.
inline constexpr std::uint32_t CLAP_PARAM_RESCAN_VALUES = 1u << 0;
inline constexpr std::uint32_t CLAP_PARAM_RESCAN_TEXT = 1u << 1;
inline constexpr std::uint32_t CLAP_PARAM_RESCAN_INFO = 1u << 2;
inline constexpr std::uint32_t CLAP_PARAM_RESCAN_ALL = 1u << 3; // only while inactive

// Host parameter clear flags.
inline constexpr std::uint32_t CLAP_PARAM_CLEAR_ALL = 1u << 0;
inline constexpr std::uint32_t CLAP_PARAM_CLEAR_AUTOMATIONS = 1u << 1;
inline constexpr std::uint32_t CLAP_PARAM_CLEAR_MODULATIONS = 1u << 2;

struct clap_host_params
{
    void (*rescan) (const clap_host* host, std::uint32_t flags); // main
    void (*clear) (const clap_host* host, clap_id param_id, std::uint32_t flags); // main
    void (*request_flush) (const clap_host* host); // not on the audio thread
};

// --- State -------------------------------------------------------------------------------

/** Writes return the bytes actually taken (maybe fewer than asked); -1 = error. Loop until done. */
struct clap_ostream
{
    void* ctx;
    std::int64_t (*write) (const clap_ostream* stream, const void* buffer, std::uint64_t size);
};

/** Reads return the bytes actually read (maybe fewer than asked); 0 = end, -1 = error. */
struct clap_istream
{
    void* ctx;
    std::int64_t (*read) (const clap_istream* stream, void* buffer, std::uint64_t size);
};

/** Both on the main thread. */
struct clap_plugin_state
{
    bool (*save) (const clap_plugin* plugin, const clap_ostream* stream);
    bool (*load) (const clap_plugin* plugin, const clap_istream* stream);
};

struct clap_host_state
{
    void (*mark_dirty) (const clap_host* host); // main
};

// --- Audio ports -------------------------------------------------------------------------

// Audio port flags.
inline constexpr std::uint32_t CLAP_AUDIO_PORT_IS_MAIN = 1u << 0; // one per direction, at index 0
inline constexpr std::uint32_t CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1u << 1;
inline constexpr std::uint32_t CLAP_AUDIO_PORT_PREFERS_64BITS = 1u << 2;
inline constexpr std::uint32_t CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1u << 3;

// Port types; NULL or "" means unspecified.
inline constexpr const char* CLAP_PORT_MONO = "mono";
inline constexpr const char* CLAP_PORT_STEREO = "stereo";

struct clap_audio_port_info
{
    clap_id id; // stable; input and output ids may overlap
    char name[CLAP_NAME_SIZE];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair; // the port on the other side that may share memory, or CLAP_INVALID_ID
};

/** Both on the main thread; the layout may change only while inactive. */
struct clap_plugin_audio_ports
{
    std::uint32_t (*count) (const clap_plugin* plugin, bool is_input);
    bool (*get) (const clap_plugin* plugin, std::uint32_t index, bool is_input, clap_audio_port_info* info);
};

// Host audio port rescan flags; all but names only while inactive.
inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_NAMES = 1u << 0;
inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_FLAGS = 1u << 1;
inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_CHANNEL_COUNT = 1u << 2;
inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_PORT_TYPE = 1u << 3;
inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_IN_PLACE_PAIR = 1u << 4;
inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_LIST = 1u << 5;

struct clap_host_audio_ports
{
    bool (*is_rescan_flag_supported) (const clap_host* host, std::uint32_t flag); // main
    void (*rescan) (const clap_host* host, std::uint32_t flags); // main
};

// --- Latency and tail --------------------------------------------------------------------

struct clap_plugin_latency
{
    std::uint32_t (*get) (const clap_plugin* plugin); // samples, main
};

struct clap_host_latency
{
    void (*changed) (const clap_host* host); // main
};

struct clap_plugin_tail
{
    std::uint32_t (*get) (const clap_plugin* plugin); // samples; INT32_MAX or more = infinite
};

struct clap_host_tail
{
    void (*changed) (const clap_host* host); // audio
};

// --- Editor ------------------------------------------------------------------------------

inline constexpr const char* CLAP_WINDOW_API_X11 = "x11"; // X11 window id, physical pixels
inline constexpr const char* CLAP_WINDOW_API_WAYLAND = "wayland"; // floating only
inline constexpr const char* CLAP_WINDOW_API_WIN32 = "win32";
inline constexpr const char* CLAP_WINDOW_API_COCOA = "cocoa"; // logical pixels

/** A parent (embedded) or transient-for (floating) window. */
struct clap_window
{
    const char* api;
    union
    {
        void* cocoa;
        unsigned long x11;
        void* win32;
        void* ptr;
    };
};

struct clap_gui_resize_hints
{
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio; // the ratio counts only when both directions resize
    std::uint32_t aspect_ratio_width;
    std::uint32_t aspect_ratio_height;
};

/** All on the main thread. Embedded order: is_api_supported, create, set_scale, can_resize,
    set_size or get_size, set_parent, show ... hide ... destroy. */
struct clap_plugin_gui
{
    bool (*is_api_supported) (const clap_plugin* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api) (const clap_plugin* plugin, const char** api, bool* is_floating);
    bool (*create) (const clap_plugin* plugin, const char* api, bool is_floating);
    void (*destroy) (const clap_plugin* plugin);
    bool (*set_scale) (const clap_plugin* plugin, double scale);
    bool (*get_size) (const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*can_resize) (const clap_plugin* plugin);
    bool (*get_resize_hints) (const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool (*adjust_size) (const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*set_size) (const clap_plugin* plugin, std::uint32_t width, std::uint32_t height);
    bool (*set_parent) (const clap_plugin* plugin, const clap_window* window);
    bool (*set_transient) (const clap_plugin* plugin, const clap_window* window);
    void (*suggest_title) (const clap_plugin* plugin, const char* title);
    bool (*show) (const clap_plugin* plugin);
    bool (*hide) (const clap_plugin* plugin);
};

/** Any thread. */
struct clap_host_gui
{
    void (*resize_hints_changed) (const clap_host* host);
    bool (*request_resize) (const clap_host* host, std::uint32_t width, std::uint32_t height);
    bool (*request_show) (const clap_host* host);
    bool (*request_hide) (const clap_host* host);
    void (*closed) (const clap_host* host, bool was_destroyed); // floating window closed
};

// --- Timers and file descriptors (the editor's event loop) -------------------------------

struct clap_plugin_timer_support
{
    void (*on_timer) (const clap_plugin* plugin, clap_id timer_id); // main
};

struct clap_host_timer_support
{
    bool (*register_timer) (const clap_host* host, std::uint32_t period_ms, clap_id* timer_id); // main
    bool (*unregister_timer) (const clap_host* host, clap_id timer_id); // main
};

// File descriptor interest and event flags; level-triggered.
using clap_posix_fd_flags = std::uint32_t;
inline constexpr clap_posix_fd_flags CLAP_POSIX_FD_READ = 1u << 0;
inline constexpr clap_posix_fd_flags CLAP_POSIX_FD_WRITE = 1u << 1;
inline constexpr clap_posix_fd_flags CLAP_POSIX_FD_ERROR = 1u << 2;

struct clap_plugin_posix_fd_support
{
    void (*on_fd) (const clap_plugin* plugin, int fd, clap_posix_fd_flags flags); // main
};

struct clap_host_posix_fd_support
{
    bool (*register_fd) (const clap_host* host, int fd, clap_posix_fd_flags flags); // main
    bool (*modify_fd) (const clap_host* host, int fd, clap_posix_fd_flags flags); // main
    bool (*unregister_fd) (const clap_host* host, int fd); // main
};

// --- Thread check and log (host tables) --------------------------------------------------

struct clap_host_thread_check
{
    bool (*is_main_thread) (const clap_host* host); // any thread
    bool (*is_audio_thread) (const clap_host* host); // any thread
};

using clap_log_severity = std::int32_t;
inline constexpr clap_log_severity CLAP_LOG_DEBUG = 0;
inline constexpr clap_log_severity CLAP_LOG_INFO = 1;
inline constexpr clap_log_severity CLAP_LOG_WARNING = 2;
inline constexpr clap_log_severity CLAP_LOG_ERROR = 3;
inline constexpr clap_log_severity CLAP_LOG_FATAL = 4;
inline constexpr clap_log_severity CLAP_LOG_HOST_MISBEHAVING = 5;
inline constexpr clap_log_severity CLAP_LOG_PLUGIN_MISBEHAVING = 6;

struct clap_host_log
{
    void (*log) (const clap_host* host, clap_log_severity severity, const char* msg); // any thread
};

// --- The layout both sides expect, checked at compile time -------------------------------

static_assert (sizeof (clap_version) == 12 && alignof (clap_version) == 4, "clap_version layout");
static_assert (offsetof (clap_version, minor) == 4 && offsetof (clap_version, revision) == 8, "clap_version layout");

static_assert (sizeof (clap_plugin_entry) == 40 && alignof (clap_plugin_entry) == 8, "clap_plugin_entry layout");
static_assert (offsetof (clap_plugin_entry, init) == 16 && offsetof (clap_plugin_entry, deinit) == 24, "clap_plugin_entry layout");
static_assert (offsetof (clap_plugin_entry, get_factory) == 32, "clap_plugin_entry layout");

static_assert (sizeof (clap_plugin_factory) == 24 && alignof (clap_plugin_factory) == 8, "clap_plugin_factory layout");
static_assert (offsetof (clap_plugin_factory, get_plugin_descriptor) == 8, "clap_plugin_factory layout");
static_assert (offsetof (clap_plugin_factory, create_plugin) == 16, "clap_plugin_factory layout");

static_assert (sizeof (clap_plugin_descriptor) == 88 && alignof (clap_plugin_descriptor) == 8, "clap_plugin_descriptor layout");
static_assert (offsetof (clap_plugin_descriptor, id) == 16 && offsetof (clap_plugin_descriptor, name) == 24, "clap_plugin_descriptor layout");
static_assert (offsetof (clap_plugin_descriptor, vendor) == 32 && offsetof (clap_plugin_descriptor, url) == 40, "clap_plugin_descriptor layout");
static_assert (offsetof (clap_plugin_descriptor, manual_url) == 48 && offsetof (clap_plugin_descriptor, support_url) == 56,
               "clap_plugin_descriptor layout");
static_assert (offsetof (clap_plugin_descriptor, version) == 64 && offsetof (clap_plugin_descriptor, description) == 72,
               "clap_plugin_descriptor layout");
static_assert (offsetof (clap_plugin_descriptor, features) == 80, "clap_plugin_descriptor layout");

static_assert (sizeof (clap_host) == 88 && alignof (clap_host) == 8, "clap_host layout");
static_assert (offsetof (clap_host, host_data) == 16 && offsetof (clap_host, name) == 24, "clap_host layout");
static_assert (offsetof (clap_host, vendor) == 32 && offsetof (clap_host, url) == 40, "clap_host layout");
static_assert (offsetof (clap_host, version) == 48 && offsetof (clap_host, get_extension) == 56, "clap_host layout");
static_assert (offsetof (clap_host, request_restart) == 64 && offsetof (clap_host, request_process) == 72, "clap_host layout");
static_assert (offsetof (clap_host, request_callback) == 80, "clap_host layout");

static_assert (sizeof (clap_plugin) == 96 && alignof (clap_plugin) == 8, "clap_plugin layout");
static_assert (offsetof (clap_plugin, plugin_data) == 8 && offsetof (clap_plugin, init) == 16, "clap_plugin layout");
static_assert (offsetof (clap_plugin, destroy) == 24 && offsetof (clap_plugin, activate) == 32, "clap_plugin layout");
static_assert (offsetof (clap_plugin, deactivate) == 40 && offsetof (clap_plugin, start_processing) == 48, "clap_plugin layout");
static_assert (offsetof (clap_plugin, stop_processing) == 56 && offsetof (clap_plugin, reset) == 64, "clap_plugin layout");
static_assert (offsetof (clap_plugin, process) == 72 && offsetof (clap_plugin, get_extension) == 80, "clap_plugin layout");
static_assert (offsetof (clap_plugin, on_main_thread) == 88, "clap_plugin layout");

static_assert (sizeof (clap_event_header) == 16 && alignof (clap_event_header) == 4, "clap_event_header layout");
static_assert (offsetof (clap_event_header, time) == 4 && offsetof (clap_event_header, space_id) == 8, "clap_event_header layout");
static_assert (offsetof (clap_event_header, type) == 10 && offsetof (clap_event_header, flags) == 12, "clap_event_header layout");

static_assert (sizeof (clap_event_param_value) == 56 && alignof (clap_event_param_value) == 8, "clap_event_param_value layout");
static_assert (offsetof (clap_event_param_value, param_id) == 16 && offsetof (clap_event_param_value, cookie) == 24,
               "clap_event_param_value layout");
static_assert (offsetof (clap_event_param_value, note_id) == 32 && offsetof (clap_event_param_value, port_index) == 36,
               "clap_event_param_value layout");
static_assert (offsetof (clap_event_param_value, channel) == 38 && offsetof (clap_event_param_value, key) == 40,
               "clap_event_param_value layout");
static_assert (offsetof (clap_event_param_value, value) == 48, "clap_event_param_value layout");

static_assert (sizeof (clap_event_param_mod) == 56 && alignof (clap_event_param_mod) == 8, "clap_event_param_mod layout");
static_assert (offsetof (clap_event_param_mod, param_id) == 16 && offsetof (clap_event_param_mod, cookie) == 24,
               "clap_event_param_mod layout");
static_assert (offsetof (clap_event_param_mod, note_id) == 32 && offsetof (clap_event_param_mod, key) == 40,
               "clap_event_param_mod layout");
static_assert (offsetof (clap_event_param_mod, amount) == 48, "clap_event_param_mod layout");

static_assert (sizeof (clap_event_param_gesture) == 20 && alignof (clap_event_param_gesture) == 4, "clap_event_param_gesture layout");
static_assert (offsetof (clap_event_param_gesture, param_id) == 16, "clap_event_param_gesture layout");

static_assert (sizeof (clap_event_transport) == 104 && alignof (clap_event_transport) == 8, "clap_event_transport layout");
static_assert (offsetof (clap_event_transport, flags) == 16 && offsetof (clap_event_transport, song_pos_beats) == 24,
               "clap_event_transport layout");
static_assert (offsetof (clap_event_transport, song_pos_seconds) == 32 && offsetof (clap_event_transport, tempo) == 40,
               "clap_event_transport layout");
static_assert (offsetof (clap_event_transport, tempo_inc) == 48 && offsetof (clap_event_transport, loop_start_beats) == 56,
               "clap_event_transport layout");
static_assert (offsetof (clap_event_transport, loop_end_beats) == 64 && offsetof (clap_event_transport, loop_start_seconds) == 72,
               "clap_event_transport layout");
static_assert (offsetof (clap_event_transport, loop_end_seconds) == 80 && offsetof (clap_event_transport, bar_start) == 88,
               "clap_event_transport layout");
static_assert (offsetof (clap_event_transport, bar_number) == 96 && offsetof (clap_event_transport, tsig_num) == 100,
               "clap_event_transport layout");
static_assert (offsetof (clap_event_transport, tsig_denom) == 102, "clap_event_transport layout");

static_assert (sizeof (clap_input_events) == 24 && alignof (clap_input_events) == 8, "clap_input_events layout");
static_assert (offsetof (clap_input_events, size) == 8 && offsetof (clap_input_events, get) == 16, "clap_input_events layout");
static_assert (sizeof (clap_output_events) == 16 && alignof (clap_output_events) == 8, "clap_output_events layout");
static_assert (offsetof (clap_output_events, try_push) == 8, "clap_output_events layout");

static_assert (sizeof (clap_audio_buffer) == 32 && alignof (clap_audio_buffer) == 8, "clap_audio_buffer layout");
static_assert (offsetof (clap_audio_buffer, data64) == 8 && offsetof (clap_audio_buffer, channel_count) == 16, "clap_audio_buffer layout");
static_assert (offsetof (clap_audio_buffer, latency) == 20 && offsetof (clap_audio_buffer, constant_mask) == 24, "clap_audio_buffer layout");

static_assert (sizeof (clap_process) == 64 && alignof (clap_process) == 8, "clap_process layout");
static_assert (offsetof (clap_process, frames_count) == 8 && offsetof (clap_process, transport) == 16, "clap_process layout");
static_assert (offsetof (clap_process, audio_inputs) == 24 && offsetof (clap_process, audio_outputs) == 32, "clap_process layout");
static_assert (offsetof (clap_process, audio_inputs_count) == 40 && offsetof (clap_process, audio_outputs_count) == 44, "clap_process layout");
static_assert (offsetof (clap_process, in_events) == 48 && offsetof (clap_process, out_events) == 56, "clap_process layout");

static_assert (sizeof (clap_param_info) == 1320 && alignof (clap_param_info) == 8, "clap_param_info layout");
static_assert (offsetof (clap_param_info, flags) == 4 && offsetof (clap_param_info, cookie) == 8, "clap_param_info layout");
static_assert (offsetof (clap_param_info, name) == 16 && offsetof (clap_param_info, module) == 272, "clap_param_info layout");
static_assert (offsetof (clap_param_info, min_value) == 1296 && offsetof (clap_param_info, max_value) == 1304, "clap_param_info layout");
static_assert (offsetof (clap_param_info, default_value) == 1312, "clap_param_info layout");

static_assert (sizeof (clap_plugin_params) == 48 && alignof (clap_plugin_params) == 8, "clap_plugin_params layout");
static_assert (offsetof (clap_plugin_params, get_info) == 8 && offsetof (clap_plugin_params, get_value) == 16, "clap_plugin_params layout");
static_assert (offsetof (clap_plugin_params, value_to_text) == 24 && offsetof (clap_plugin_params, text_to_value) == 32,
               "clap_plugin_params layout");
static_assert (offsetof (clap_plugin_params, flush) == 40, "clap_plugin_params layout");
static_assert (sizeof (clap_host_params) == 24 && alignof (clap_host_params) == 8, "clap_host_params layout");
static_assert (offsetof (clap_host_params, clear) == 8 && offsetof (clap_host_params, request_flush) == 16, "clap_host_params layout");

static_assert (sizeof (clap_ostream) == 16 && alignof (clap_ostream) == 8 && offsetof (clap_ostream, write) == 8, "clap_ostream layout");
static_assert (sizeof (clap_istream) == 16 && alignof (clap_istream) == 8 && offsetof (clap_istream, read) == 8, "clap_istream layout");
static_assert (sizeof (clap_plugin_state) == 16 && alignof (clap_plugin_state) == 8, "clap_plugin_state layout");
static_assert (offsetof (clap_plugin_state, load) == 8, "clap_plugin_state layout");
static_assert (sizeof (clap_host_state) == 8 && alignof (clap_host_state) == 8, "clap_host_state layout");

static_assert (sizeof (clap_audio_port_info) == 288 && alignof (clap_audio_port_info) == 8, "clap_audio_port_info layout");
static_assert (offsetof (clap_audio_port_info, name) == 4 && offsetof (clap_audio_port_info, flags) == 260, "clap_audio_port_info layout");
static_assert (offsetof (clap_audio_port_info, channel_count) == 264 && offsetof (clap_audio_port_info, port_type) == 272,
               "clap_audio_port_info layout");
static_assert (offsetof (clap_audio_port_info, in_place_pair) == 280, "clap_audio_port_info layout");
static_assert (sizeof (clap_plugin_audio_ports) == 16 && alignof (clap_plugin_audio_ports) == 8, "clap_plugin_audio_ports layout");
static_assert (offsetof (clap_plugin_audio_ports, get) == 8, "clap_plugin_audio_ports layout");
static_assert (sizeof (clap_host_audio_ports) == 16 && alignof (clap_host_audio_ports) == 8, "clap_host_audio_ports layout");
static_assert (offsetof (clap_host_audio_ports, rescan) == 8, "clap_host_audio_ports layout");

static_assert (sizeof (clap_plugin_latency) == 8 && alignof (clap_plugin_latency) == 8, "clap_plugin_latency layout");
static_assert (sizeof (clap_host_latency) == 8 && alignof (clap_host_latency) == 8, "clap_host_latency layout");
static_assert (sizeof (clap_plugin_tail) == 8 && alignof (clap_plugin_tail) == 8, "clap_plugin_tail layout");
static_assert (sizeof (clap_host_tail) == 8 && alignof (clap_host_tail) == 8, "clap_host_tail layout");

static_assert (sizeof (clap_window) == 16 && alignof (clap_window) == 8, "clap_window layout");
static_assert (offsetof (clap_window, x11) == 8 && offsetof (clap_window, ptr) == 8, "clap_window layout");
static_assert (sizeof (clap_gui_resize_hints) == 12 && alignof (clap_gui_resize_hints) == 4, "clap_gui_resize_hints layout");
static_assert (offsetof (clap_gui_resize_hints, can_resize_vertically) == 1 && offsetof (clap_gui_resize_hints, preserve_aspect_ratio) == 2,
               "clap_gui_resize_hints layout");
static_assert (offsetof (clap_gui_resize_hints, aspect_ratio_width) == 4 && offsetof (clap_gui_resize_hints, aspect_ratio_height) == 8,
               "clap_gui_resize_hints layout");

static_assert (sizeof (clap_plugin_gui) == 120 && alignof (clap_plugin_gui) == 8, "clap_plugin_gui layout");
static_assert (offsetof (clap_plugin_gui, get_preferred_api) == 8 && offsetof (clap_plugin_gui, create) == 16, "clap_plugin_gui layout");
static_assert (offsetof (clap_plugin_gui, destroy) == 24 && offsetof (clap_plugin_gui, set_scale) == 32, "clap_plugin_gui layout");
static_assert (offsetof (clap_plugin_gui, get_size) == 40 && offsetof (clap_plugin_gui, can_resize) == 48, "clap_plugin_gui layout");
static_assert (offsetof (clap_plugin_gui, get_resize_hints) == 56 && offsetof (clap_plugin_gui, adjust_size) == 64, "clap_plugin_gui layout");
static_assert (offsetof (clap_plugin_gui, set_size) == 72 && offsetof (clap_plugin_gui, set_parent) == 80, "clap_plugin_gui layout");
static_assert (offsetof (clap_plugin_gui, set_transient) == 88 && offsetof (clap_plugin_gui, suggest_title) == 96, "clap_plugin_gui layout");
static_assert (offsetof (clap_plugin_gui, show) == 104 && offsetof (clap_plugin_gui, hide) == 112, "clap_plugin_gui layout");
static_assert (sizeof (clap_host_gui) == 40 && alignof (clap_host_gui) == 8, "clap_host_gui layout");
static_assert (offsetof (clap_host_gui, request_resize) == 8 && offsetof (clap_host_gui, request_show) == 16, "clap_host_gui layout");
static_assert (offsetof (clap_host_gui, request_hide) == 24 && offsetof (clap_host_gui, closed) == 32, "clap_host_gui layout");

static_assert (sizeof (clap_plugin_timer_support) == 8 && alignof (clap_plugin_timer_support) == 8, "clap_plugin_timer_support layout");
static_assert (sizeof (clap_host_timer_support) == 16 && alignof (clap_host_timer_support) == 8, "clap_host_timer_support layout");
static_assert (offsetof (clap_host_timer_support, unregister_timer) == 8, "clap_host_timer_support layout");
static_assert (sizeof (clap_plugin_posix_fd_support) == 8 && alignof (clap_plugin_posix_fd_support) == 8,
               "clap_plugin_posix_fd_support layout");
static_assert (sizeof (clap_host_posix_fd_support) == 24 && alignof (clap_host_posix_fd_support) == 8, "clap_host_posix_fd_support layout");
static_assert (offsetof (clap_host_posix_fd_support, modify_fd) == 8 && offsetof (clap_host_posix_fd_support, unregister_fd) == 16,
               "clap_host_posix_fd_support layout");

static_assert (sizeof (clap_host_thread_check) == 16 && alignof (clap_host_thread_check) == 8, "clap_host_thread_check layout");
static_assert (offsetof (clap_host_thread_check, is_audio_thread) == 8, "clap_host_thread_check layout");
static_assert (sizeof (clap_host_log) == 8 && alignof (clap_host_log) == 8, "clap_host_log layout");

static_assert (CLAP_PARAM_IS_ENUM == 0x10000 && CLAP_PARAM_REQUIRES_PROCESS == 0x8000, "parameter flags");
static_assert (CLAP_BEATTIME_FACTOR == 2147483648LL && CLAP_SECTIME_FACTOR == 2147483648LL, "fixed-point time");
static_assert (clap_version_is_compatible (CLAP_VERSION), "declared version");
} // namespace clap
