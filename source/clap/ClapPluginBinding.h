#pragma once

#include "BindingCore.h"
#include "ClapAbi.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <memory>
#include <vector>

class EditorFrame;
class HostedEditor;

/**
    The CLAP binding: presents VELK's processor, through the binding core, as a CLAP plug-in
    (stereo or mono). It maps CLAP's calls onto the core: activation onto its set-up, process
    onto its blocks (split at each parameter event, so automation applies at its sample), the
    parameter ids 0 to 9 onto its ten values and 10 onto the host's bypass, the state onto the
    core's state (the bytes VST3 saves), and shows the editor in the host's X11 window, its event
    loop driven by the host's timer or file-descriptor support.

    The editor's moves reach the host as gestures and parameter values in the next process or
    flush call; the block's gain reduction and the clip output reach it as read-only values.
    A key port the host leaves without buffers is silence.
*/
class ClapPluginBinding : private juce::AudioProcessorListener
{
public:
    /** The stereo (0) and mono (1) plug-ins' descriptors; null for other indices. */
    static const clap::clap_plugin_descriptor* descriptor (std::uint32_t index) noexcept;
    static std::uint32_t numDescriptors() noexcept;

    /** A new plug-in of the descriptor with that id, or null. */
    static const clap::clap_plugin* create (const clap::clap_host* host, const char* pluginId);

    /** The read-only outputs' ids, after the values and the bypass. */
    static constexpr clap::clap_id bypassId = 10, reductionId = 100, clipId = 101;

    ClapPluginBinding (const clap::clap_host* host, const clap::clap_plugin_descriptor* descriptor, int channels);
    ~ClapPluginBinding() override;

private:
    friend struct ClapCalls;

    // The plug-in.
    bool init();
    bool activate (double sampleRate, std::uint32_t maxFrames);
    clap::clap_process_status process (const clap::clap_process& process);
    const void* getExtension (const char* id) const;

    // Parameters.
    bool getParamInfo (std::uint32_t index, clap::clap_param_info& info) const;
    bool getParamValue (clap::clap_id id, double& value);
    bool valueToText (clap::clap_id id, double value, char* text, std::uint32_t capacity) const;
    bool textToValue (clap::clap_id id, const char* text, double& value) const;
    void applyEvents (const clap::clap_input_events* in, std::uint32_t from, std::uint32_t count);
    void applyEvent (const clap::clap_event_header& event);
    void sendEditorMoves (const clap::clap_output_events* out);
    void sendMeters (const clap::clap_output_events* out, std::uint32_t numFrames);

    // State.
    bool saveState (const clap::clap_ostream& stream);
    bool loadState (const clap::clap_istream& stream);

    // Editor.
    bool createEditor();
    bool setParent (const clap::clap_window& window);
    bool getEditorSize (std::uint32_t& width, std::uint32_t& height) const;
    void destroyEditor();
    bool showEditor (bool visible);
    void idleEditor();

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue) override;
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override;
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override;
    void queueEditorMove (std::uint16_t type, int index, float value);
    /** Writes a factory preset through the core and tells the host of each value it changed. */
    void choosePreset (int index);

    BindingCore core;
    const clap::clap_host* const host;
    const int channels;
    clap::clap_plugin plugin {};

    const clap::clap_host_params* hostParams = nullptr;
    const clap::clap_host_gui* hostGui = nullptr;
    const clap::clap_host_timer_support* hostTimer = nullptr;
    const clap::clap_host_posix_fd_support* hostFd = nullptr;

    std::atomic<bool> bypassed { false };
    std::atomic<float> reductionDb { 0.0f }, clipLit { 0.0f };
    float sentReductionDb = -1.0f, sentClip = -1.0f;

    // The editor's moves, from the message thread to the next process or flush call: per value,
    // the gesture's begin, the latest value and the end still to send (bits), merged so that
    // nothing is lost however long the host takes to ask.
    static constexpr std::uint32_t beginPending = 1, valuePending = 2, endPending = 4;
    std::array<std::atomic<std::uint32_t>, velk::numFormatParameters> pendingMoves {};
    std::array<std::atomic<float>, velk::numFormatParameters> movedValues {};

    // The editor, between gui create and destroy.
    bool editorCreated = false;
    double hostScale = 1.0;
    std::unique_ptr<HostedEditor> editor;
    std::array<float, velk::numParameters> shownValues {};
    clap::clap_id timerId = clap::CLAP_INVALID_ID;
    std::vector<int> eventFds;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ClapPluginBinding)
};
