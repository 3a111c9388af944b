#pragma once

#include "CompressorCore.h"

/**
    The engine's signal chain written the plain way, for side-by-side tests: every formula is
    evaluated on every sample (both linear gains, the dB conversions, the linked level, the gain
    curve, the calibration, the bell's coefficients), with no cached values, no shortcuts and no
    subnormal flush in the filters. CompressorCore must give the same output bits.
*/
class ReferenceEngine
{
public:
    explicit ReferenceEngine (float sampleRate);

    void processSample (float& left, float& right);

    // Parameter writes, as the processor's setter makes them.
    void setInput (float value);
    void setAttack (float value);
    void setRelease (float value);
    void setOutput (float value);
    void setRatioPreset (int preset);
    void setDistortionMode (int mode) { distortionMode = mode; }
    void setFilterMode (int mode) { filterMode = mode; }

    float meterValue() const { return meterState; }
    bool clipFlag = false;

private:
    struct Bell
    {
        explicit Bell (float rate) : sampleRate (rate) {}
        void processSample (float& x);
        float x1 = 0, x2 = 0, y1 = 0, y2 = 0, sampleRate;
    };

    float inputGainDb = 0, inputGain = 0.5f, outputGainDb = 0, attack = 1.0f;
    int distortionMode = 0, filterMode = 0;
    float meterState = 0;

    // Holds the ratio, knee, limiter, threshold and make-up fields and their tables.
    CompressorCore settings;
    LevelDetector detectorLeft, detectorRight;
    HighPassBiquad highPassLeft, highPassRight;
    Bell bellLeft, bellRight;
    SqrtSaturator saturatorMild, saturatorStrong;
    DcBlocker dcLeft, dcRight;
};
