#pragma once

#include "Vst2Abi.h"

#include <mutex>
#include <string>
#include <vector>

/**
    A VST 2.4 host for one plug-in instance: loads the module with dlopen (it then stays loaded,
    as in a DAW: a plug-in's threads and static objects may outlive its close), calls its entry
    point and drives it through the dispatcher and the process calls. velk-render and the tests
    share it. Failures to load or open throw std::runtime_error with a one-line message.
*/
class VstHost
{
public:
    using EntryPoint = vst2::AEffect* (*) (vst2::audioMasterCallback);

    /** An automation request the plug-in made of the host. */
    struct Automation
    {
        int index;
        float value;
    };

    struct Options
    {
        /** The answer to the plug-in's process-level question: 0 unknown, 4 offline. */
        vst2::VstIntPtr processLevel = 0;
    };

    /** Loads the module and opens one instance; throws when either fails. */
    explicit VstHost (const std::string& modulePath);
    VstHost (const std::string& modulePath, Options options);
    ~VstHost();

    VstHost (const VstHost&) = delete;
    VstHost& operator= (const VstHost&) = delete;

    /** dlopen's handle of the module, loaded once per path for the process's life; null when it
        cannot be loaded (dlerror tells why). */
    static void* loadModule (const std::string& modulePath);

    /** The module's entry point under a name ("VSTPluginMain" or "main"), or null. */
    static EntryPoint findEntryPoint (void* module, const char* name);

    vst2::AEffect* getEffect() const noexcept { return effect; }

    vst2::VstIntPtr dispatch (vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                              void* ptr = nullptr, float opt = 0.0f);

    /** A text request's answer, read up to its terminator from a buffer filled with 'x' first (so
        a missing terminator shows). */
    std::string text (vst2::VstInt32 opcode, int index = 0);

    /** Asks for a mono (1 in, 1 out) or stereo arrangement; false if the plug-in refuses or its
        effect record does not show the new counts. */
    bool setChannels (int numChannels);
    /** Asks for numChannels in and out, 1 to 8 (above 2 as discrete channels): the plug-in's
        answer alone. The framework's wrapper answers yes but keeps its largest counts in the
        effect record, and then processes the first numChannels. */
    bool requestChannels (int numChannels);
    /** Rate, block size, resume and start, as a host does before it processes. */
    void resume (double sampleRate, int blockSize);
    void suspend();

    /** processReplacing over numFrames samples of each channel. */
    void process (float** inputs, float** outputs, int numFrames);

    /** processReplacing on a copy of the channels, into outputs first filled with 123 (so an
        output the plug-in does not write shows). */
    std::vector<std::vector<float>> process (const std::vector<std::vector<float>>& input);

    int getNumParameters() const;
    std::string getParameterName (int index);
    std::string getParameterDisplay (int index);
    void setParameter (int index, float value);
    float getParameter (int index);

    std::vector<char> getChunk();
    void setChunk (const std::vector<char>& data);

    std::string getEffectName();
    /** The module's path, as given. */
    const std::string& getPath() const noexcept { return path; }
    std::string getVendorName();

    /** The automation requests so far; the plug-in may make them from its own threads. */
    std::vector<Automation> takeAutomations();

private:
    static vst2::VstIntPtr callback (vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt);
    vst2::VstIntPtr answer (vst2::VstInt32 opcode, vst2::VstInt32 index, float opt);

    Options options;
    std::string path;
    vst2::AEffect* effect = nullptr;
    bool running = false;
    std::mutex automationLock;
    std::vector<Automation> automations;
};
