#pragma once

#include "Vst2Abi.h"

#include <stdexcept>
#include <string>
#include <vector>

/**
    A VST 2.4 host for one plug-in instance: loads the module with dlopen, calls its entry point
    and drives it through the dispatcher and processReplacing, as a DAW does. Failures throw
    std::runtime_error with a one-line message.
*/
class VstHost
{
public:
    explicit VstHost (const std::string& modulePath);
    ~VstHost();

    VstHost (const VstHost&) = delete;
    VstHost& operator= (const VstHost&) = delete;

    /** Asks for a mono (1 in, 1 out) or stereo arrangement; false if the plug-in refuses. */
    bool setChannels (int numChannels);
    void resume (double sampleRate, int blockSize);
    void suspend();

    /** Processes numFrames samples of each channel (separate input and output buffers). */
    void process (float** inputs, float** outputs, int numFrames);

    int getNumParameters() const;
    std::string getParameterName (int index);
    std::string getParameterDisplay (int index);
    void setParameter (int index, float value);
    float getParameter (int index);

    std::vector<char> getChunk();
    void setChunk (const std::vector<char>& data);

    std::string getEffectName();
    std::string getVendorName();

private:
    vst2::VstIntPtr dispatch (vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                              void* ptr = nullptr, float opt = 0.0f);
    std::string text (vst2::VstInt32 opcode, int index = 0);

    void* module = nullptr;
    vst2::AEffect* effect = nullptr;
    bool running = false;
};
