#pragma once

#include <lilv/lilv.h>

#include <string>
#include <vector>

/**
    VELK's LV2 build as velk-render drives it for a render with a preset or a key: the VST 2.4
    module has neither presets nor a key input. Loads the one bundle it is given through lilv (so
    another copy installed elsewhere is never picked up), instantiates the stereo plug-in (a mono
    file goes through it as two equal sides, which the processor's mono path equals) and connects
    every port: the audio, the controls (the nine parameters and Sidechain, bypass off) and the
    key. Failures to load throw std::runtime_error with a one-line message.
*/
class Lv2KeyedHost
{
public:
    Lv2KeyedHost (const std::string& bundleFolder, double sampleRate, int maxBlockSize);
    ~Lv2KeyedHost();

    Lv2KeyedHost (const Lv2KeyedHost&) = delete;
    Lv2KeyedHost& operator= (const Lv2KeyedHost&) = delete;

    /** A parameter (0 to 8) or Sidechain (9), in the plug-in's own units. */
    void setParameter (int index, float value);
    float getParameter (int index) const;

    void resume (double sampleRate, int blockSize);
    void suspend();

    /** numFrames of stereo audio and of a stereo key. */
    void process (const float* const* inputs, const float* const* keys, float** outputs, int numFrames);

    std::string getEffectName() const;
    /** The bundle's folder, as given. */
    const std::string& getPath() const noexcept { return bundle; }
    std::string getVendorName() const;
    /** A parameter's display text, as the plug-in's editor shows it. */
    std::string getParameterDisplay (int index) const;

private:
    LilvWorld* world = nullptr;
    LilvInstance* instance = nullptr;
    static constexpr int channels = 2;
    int maxFrames = 0;
    std::string bundle;
    bool active = false;
    std::vector<float> controls;
    std::vector<std::vector<float>> in, key, out;
};
