#pragma once

#include "CompressorCore.h"
#include "ParameterTable.h"

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

    CompressorCore engine;
};
