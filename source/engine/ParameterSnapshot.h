#pragma once

#include <cstdint>

/**
    The parameter fields as the audio thread last read them, with what is derived from them: the
    two linear gains and the detectors' coefficients for the rate the engine was prepared with.
    Each derived value is recomputed only when the bits of its sources change.

    The coefficients are derived here, on the audio thread, from the stored times and the audio
    thread's own rate, so no interleaving of a time write with a rate change can leave a
    coefficient for the old rate in use.
*/
class ParameterSnapshot
{
public:
    /** The fields read from the engine. */
    struct Values
    {
        float inputGainDb = 0.0f, outputGainDb = 0.0f, inputGain = 0.5f, attack = 1.0f, kneeDb = 0.1f;
        std::int32_t ratio = 1, distortionMode = 0, filterMode = 0;
        bool limiter = false;
        float attackMsLeft = 1.0f, releaseMsLeft = 0.1f, attackMsRight = 1.0f, releaseMsRight = 0.1f;
    };

    /** Takes new values and brings the derived ones up to date for the sample rate. */
    void update (const Values& newValues, float sampleRate) noexcept;

    /** Forgets every derived value, so the next update computes them all. */
    void invalidate() noexcept;

    const Values& values() const noexcept { return current; }

    /** 10^(inputGainDb / 20), the quotient in single precision. */
    float inputLinear() const noexcept { return inputLinearGain; }
    /** 10^(outputGainDb / 20), the quotient in double precision. */
    float outputLinear() const noexcept { return outputLinearGain; }

    float attackCoefLeft() const noexcept { return attackLeft.coefficient; }
    float releaseCoefLeft() const noexcept { return releaseLeft.coefficient; }
    float attackCoefRight() const noexcept { return attackRight.coefficient; }
    float releaseCoefRight() const noexcept { return releaseRight.coefficient; }

    /**
        True while both linear gains stay below 1e6: then a subnormal left in the filters'
        history cannot reach an output sample (scaled by at most 4e12 it stays below the DC
        blocker's resolution, about 3.5e-15 next to its 1e-7 offset, and squares to 0 in the
        detectors), so the filters may flush it.
    */
    bool filterFlushAllowed() const noexcept { return flushAllowed; }

private:
    struct Coefficient
    {
        std::uint32_t millisecondBits = 0, rateBits = 0;
        bool known = false;
        float coefficient = 0.0f;

        void update (float sampleRate, float milliseconds) noexcept;
    };

    Values current;
    std::uint32_t inputGainDbBits = 0, outputGainDbBits = 0;
    bool gainsKnown = false;
    float inputLinearGain = 1.0f, outputLinearGain = 1.0f;
    bool flushAllowed = true;
    Coefficient attackLeft, releaseLeft, attackRight, releaseRight;
};
