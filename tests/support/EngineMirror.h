#pragma once

#include "CompressorCore.h"
#include "ParameterTable.h"

#include <utility>
#include <vector>

/**
    An engine given what the plug-in's processor gives it: the nine parameter defaults at first,
    then the same parameter writes; a mono frame goes in as both sides, as the processor feeds it.
    Tests compare the plug-in's output, through the module or the renderer, with this one's.
*/
class EngineMirror
{
public:
    explicit EngineMirror (float sampleRate) : engine (sampleRate)
    {
        for (const auto& parameter : velk::parameterTable)
            set (parameter.index, parameter.defaultValue);
    }

    void set (int index, float value) { engine.applyParameter (index, value); }

    /** Ratio Limit as the presets and the LV2 ports reach it. */
    void setLimitFromApproach() { engine.setLimitFromTwentyToOne(); }

    /** One frame in place; right is null for a mono frame. key, where given, points to the
        external key's two samples. */
    void processFrame (float* left, float* right, const float* key = nullptr)
    {
        float copy = *left;
        if (key != nullptr)
            engine.processSample (left, right != nullptr ? right : &copy, key[0], key[1]);
        else if (right != nullptr)
            engine.processSample (left, right);
        else
            engine.processMonoSample (left);
    }

    /** Frames in place, one or two channels; key, where given, is the external key's one channel
        (both sides) or two, silence after keyFrames. */
    void run (float* const* channels, int numChannels, int numFrames, const float* const* key = nullptr, int keyChannels = 0, int keyFrames = 0)
    {
        for (int i = 0; i < numFrames; ++i)
        {
            float keyPair[2] {};
            for (int c = 0; key != nullptr && keyChannels > 0 && c < 2 && i < keyFrames; ++c)
                keyPair[c] = key[c % keyChannels][i];
            processFrame (channels[0] + i, numChannels == 2 ? channels[1] + i : nullptr, key != nullptr ? keyPair : nullptr);
        }
    }

    using Channels = std::vector<std::vector<float>>;

    /** The same for channels of equal length, returned. */
    Channels run (Channels io, const Channels* key = nullptr)
    {
        std::vector<float*> channels;
        for (auto& channel : io)
            channels.push_back (channel.data());
        std::vector<const float*> keys;
        for (size_t c = 0; key != nullptr && c < key->size(); ++c)
            keys.push_back ((*key)[c].data());
        run (channels.data(), (int) io.size(), (int) io[0].size(), key != nullptr ? keys.data() : nullptr, (int) keys.size(),
             key != nullptr && ! key->empty() ? (int) (*key)[0].size() : 0);
        return io;
    }

    CompressorCore engine;
};

/** Parameter values (index, value in the plug-in's units) a test sets. */
using ParameterSetting = std::vector<std::pair<int, float>>;

/** Each position of each switch at 4:1 (Ratio through all of its own): the settings the formats'
    side-by-side tests render. */
inline std::vector<ParameterSetting> everySwitchPosition()
{
    std::vector<ParameterSetting> settings;
    for (const auto& info : velk::parameterTable)
        for (int position = 0; info.isSwitch() && position < info.numPositions; ++position)
            settings.push_back ({ { velk::ratioParameter, 3.0f }, { info.index, (float) (info.firstPosition + position) } });
    return settings;
}

/** A setting that compresses: 4:1, Input 0.7, Attack 0.5, Release 0.2. */
inline ParameterSetting compressingSetting()
{
    return { { velk::ratioParameter, 3.0f }, { velk::inputParameter, 0.7f }, { velk::attackParameter, 0.5f }, { velk::releaseParameter, 0.2f } };
}
