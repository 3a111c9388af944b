#pragma once

/**
    The engine's signal chain written the plain way, for side-by-side tests: every formula is
    evaluated on every sample (both linear gains, the detector and filter coefficients, the dB
    conversions, the linked level, the gain curve, the calibration), with no cached values, no
    shortcuts and no subnormal flush in the filters. It shares no code with the engine: the
    detectors, filters, saturators, ratio presets and calibration tables are all written out here,
    so a fault in any engine component shows up as a difference. CompressorCore must give the
    same output bits.
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
    // Input and output history of one biquad channel.
    struct History
    {
        float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };

    struct DcState
    {
        float storedInput = 0, y1 = 0;
    };

    float detect (float& envelope, float x) const;
    float highPass (History& h, float x) const;
    void bell (History& h, float& x) const;
    void calibrate();

    float sampleRate;
    float inputGainDb = 0, inputGain = 0.5f, outputGainDb = 0;
    float attack = 1.0f, attackMs = 1.0f, releaseMs = 0.1f;
    int ratio = 1, distortionMode = 0, filterMode = 0;
    float kneeDb = 0.1f, thresholdDb = -13.0f, makeupGain = 1.0f;
    bool limiter = false;
    float meterState = 0;

    float envelopeLeft = 0, envelopeRight = 0;
    History highPassLeft, highPassRight, bellLeft, bellRight;
    float mildState[2] = { 0, 0 }, strongState[2] = { 0, 0 };
    DcState dcLeft, dcRight;
};
