#include "CompressorCore.h"

#include "AtanShapes.h"
#include "ExactMath.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace
{
constexpr auto relaxed = std::memory_order_relaxed;

std::uint32_t bitsOf (float value) noexcept
{
    std::uint32_t bits;
    std::memcpy (&bits, &value, sizeof bits);
    return bits;
}

/** A faulty upstream plug-in can send NaN or infinity; such a sample enters the chain as 0. */
float finiteOrZero (float x) noexcept
{
    return (bitsOf (x) & 0x7f800000u) == 0x7f800000u ? 0.0f : x;
}

/** -96 dB stands for a gain that is switched off (a value of 0 or below). */
float decibelsOrOff (float linear) noexcept
{
    return linear <= 0.0f ? -96.0f : 20.0f * (float) std::log10 ((double) linear);
}

/** A level detector reports -110 dB for an envelope of exactly zero, that is this much linear. */
constexpr double silentEnvelope = 3.1622776601683795e-06;

/** Headroom between the quick below-threshold test and the exact curve: about 0.009 dB, far
    more than the few single-precision roundings between the envelopes and the level in dB. */
constexpr double belowThresholdMargin = 0.999;

/** The filters' subnormal flush cannot reach an output sample while both linear gains stay
    below this: a subnormal scaled by at most 4e12 stays below the DC blocker's resolution
    (about 3.5e-15 next to its 1e-7 offset) and squares to 0 in the detectors. */
constexpr float snapSafeGain = 1.0e6f;

//==============================================================================
// Calibration tables. Threshold (dB) by band of "Attack" and ratio column (2, 4, 8, 20); the
// band edges are decimal constants compared in double precision.
constexpr double attackBandEdges[] = { 0.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0 };

constexpr float thresholdTable[10][4] = {
    { -20.0f,  -19.91f, -23.1f,  -17.79f },
    { -19.58f, -19.74f, -22.97f, -17.79f },
    { -19.09f, -19.33f, -22.73f, -17.72f },
    { -18.13f, -18.86f, -22.38f, -17.72f },
    { -17.33f, -18.42f, -22.16f, -17.65f },
    { -15.86f, -17.52f, -21.62f, -17.46f },
    { -15.04f, -16.59f, -21.21f, -17.27f },
    { -13.94f, -14.47f, -19.91f, -16.54f },
    { -13.43f, -13.76f, -19.02f, -15.86f },
    { -13.11f, -13.39f, -18.34f, -15.44f },
};

// With "Attack" at exactly 1.0, ratios 2 and 4 take the threshold from the band of "Input";
// a NaN entry writes nothing.
constexpr double inputBandEdges[] = { 0.2, 0.3, 0.4, 0.5, 0.6 };

constexpr float inputThresholdTable[4][2] = {
    { -15.65f, -15.7f },
    { -12.18f, -12.92f },
    { -12.18f, -12.92f },
    { std::numeric_limits<float>::quiet_NaN(), -13.27f },
};

// Make-up gain (linear) by ratio column: "Input" above 0.69, otherwise. 1.7850001f is one step
// above the float nearest to 1.785.
constexpr float makeupTable[4][2] = {
    { 2.931f, 1.7850001f },
    { 3.0f,   2.118f },
    { 3.496f, 2.421f },
    { 4.0f,   2.706f },
};

int ratioColumn (std::int32_t ratioValue) noexcept
{
    switch (ratioValue)
    {
        case 2:  return 0;
        case 4:  return 1;
        case 8:  return 2;
        case 20: return 3;
        default: return -1;
    }
}

template <std::size_t numEdges>
int bandOf (double value, const double (&edges)[numEdges]) noexcept
{
    for (std::size_t i = 0; i + 1 < numEdges; ++i)
        if (value >= edges[i] && value < edges[i + 1])
            return (int) i;

    return -1;
}
} // namespace

//==============================================================================
CompressorCore::CompressorCore (float sampleRate) noexcept
{
    detectorLeft.reset();
    detectorRight.reset();
    prepare (sampleRate);
}

void CompressorCore::prepare (float sampleRate) noexcept
{
    highPassLeft = HighPassBiquad (sampleRate);
    highPassRight = HighPassBiquad (sampleRate);
    saturatorStrong = SqrtSaturator();
    saturatorMild = SqrtSaturator();
    peakingLeft = PeakingFilter (sampleRate);
    peakingRight = PeakingFilter (sampleRate);
    dcBlockerLeft = DcBlocker();
    dcBlockerRight = DcBlocker();

    meterValue.store (0.0f, relaxed);
    inputGainDb.store (0.0f, relaxed);
    outputGainDb.store (0.0f, relaxed);
    sidechainLeft = 0.0f;
    sidechainRight = 0.0f;
    meterState = 0.0f;
    filterMode.store (0, relaxed);
    inputGain.store (0.5f, relaxed);
    releaseMs.store (0.1f, relaxed);
    attackMs.store (1.0f, relaxed);
    attack.store (1.0f, relaxed);
    thresholdDb = -13.0f;
    kneeDb.store (0.1f, relaxed);
    ratio.store (1, relaxed);
    distortionMode.store (0, relaxed);
    gc.store (1.0f, relaxed);
    makeupGain = 1.0f;
    lastGain = 1.0f;

    detectorLeft.prepare (sampleRate, 1.0f, 0.1f);
    detectorRight.prepare (sampleRate, attackMs.load (relaxed), releaseMs.load (relaxed));

    limiter.store (false, relaxed);
    clipHold.store (200, relaxed);
    clipFlag.store (false, relaxed);

    invalidateCaches();
}

void CompressorCore::invalidateCaches() noexcept
{
    refreshInputGain (inputGainDb.load (relaxed));
    refreshOutputGain (outputGainDb.load (relaxed));
    thresholdBits = ~bitsOf (thresholdDb);
    calibrated.valid = false;
    snapshot.valid = false;
}

void CompressorCore::refreshSnapshot (std::uint32_t version) noexcept
{
    auto& p = snapshot;
    p.version = version;
    p.valid = true;
    p.inputGainDb = inputGainDb.load (relaxed);
    p.outputGainDb = outputGainDb.load (relaxed);
    p.inputGain = inputGain.load (relaxed);
    p.attack = attack.load (relaxed);
    p.kneeDb = kneeDb.load (relaxed);
    p.ratio = ratio.load (relaxed);
    p.limiter = limiter.load (relaxed);
    p.distortionMode = distortionMode.load (relaxed);
    p.filterMode = filterMode.load (relaxed);
    p.attackCoefLeft = detectorLeft.attackCoef.load (relaxed);
    p.releaseCoefLeft = detectorLeft.releaseCoef.load (relaxed);
    p.attackCoefRight = detectorRight.attackCoef.load (relaxed);
    p.releaseCoefRight = detectorRight.releaseCoef.load (relaxed);

    if (bitsOf (p.inputGainDb) != inputGainDbBits)
        refreshInputGain (p.inputGainDb);
    if (bitsOf (p.outputGainDb) != outputGainDbBits)
        refreshOutputGain (p.outputGainDb);

    p.calibrationDue = ! calibrated.valid || calibrated.ratio != p.ratio || calibrated.limiter != p.limiter
                       || calibrated.attackBits != bitsOf (p.attack) || calibrated.inputBits != bitsOf (p.inputGain);
}

void CompressorCore::refreshInputGain (float gainDb) noexcept
{
    inputGainDbBits = bitsOf (gainDb);
    inputLinear = (float) std::pow (10.0, (double) (gainDb / 20.0f));
    filterSnapAllowed = inputLinear < snapSafeGain && outputLinear < snapSafeGain;
}

void CompressorCore::refreshOutputGain (float gainDb) noexcept
{
    outputGainDbBits = bitsOf (gainDb);
    outputLinear = (float) std::pow (10.0, (double) gainDb / 20.0);
    filterSnapAllowed = inputLinear < snapSafeGain && outputLinear < snapSafeGain;
}

//==============================================================================
void CompressorCore::setInput (float value) noexcept
{
    inputGain.store (value, relaxed);
    inputGainDb.store (decibelsOrOff (value), relaxed);
    parametersChanged();
}

void CompressorCore::setAttack (float value) noexcept
{
    attack.store (value, relaxed);
    const float ms = value * 10.0f;
    attackMs.store (ms, relaxed);
    detectorLeft.setAttack (ms);
    detectorRight.setAttack (ms);
    parametersChanged();
}

void CompressorCore::setRelease (float value) noexcept
{
    const float ms = value * 3000.0f;
    releaseMs.store (ms, relaxed);
    detectorLeft.setRelease (ms);
    detectorRight.setRelease (ms);
    parametersChanged();
}

void CompressorCore::setOutput (float value) noexcept
{
    outputGainDb.store (decibelsOrOff (2.0f * value), relaxed);
    parametersChanged();
}

void CompressorCore::setRatioPreset (int preset) noexcept
{
    switch (preset)
    {
        case 2: ratio.store (2, relaxed);  kneeDb.store (0.0f, relaxed);  limiter.store (false, relaxed); break;
        case 3: ratio.store (4, relaxed);  kneeDb.store (0.0f, relaxed);  limiter.store (false, relaxed); break;
        case 4: ratio.store (8, relaxed);  kneeDb.store (17.0f, relaxed); limiter.store (false, relaxed); break;
        case 5: ratio.store (20, relaxed); kneeDb.store (0.0f, relaxed);  limiter.store (false, relaxed); break;
        case 6: ratio.store (20, relaxed); limiter.store (true, relaxed); break; // keeps the knee width
        case 1:
        default: ratio.store (1, relaxed); kneeDb.store (0.0f, relaxed);  limiter.store (false, relaxed); break;
    }
    parametersChanged();
}

void CompressorCore::applyParameter (int index, float value) noexcept
{
    switch (index)
    {
        case 0: setInput (value); break;
        case 1: setAttack (value); break;
        case 2: setRelease (value); break;
        case 3: setOutput (value); break;
        case 4: setRatioPreset (truncateToInt (value)); break;
        case 5: setDistortionMode (truncateToInt (value)); break;
        case 6: setFilterMode (truncateToInt (value)); break;
        case 7: setWetDry (value); break;
        case 8: setGc (value); break;
        default: break;
    }
}

int CompressorCore::truncateToInt (float value) noexcept
{
    if (std::isnan (value))
        return 0;
    if (value >= 2147483648.0f)
        return std::numeric_limits<int>::max();
    if (value < -2147483648.0f)
        return std::numeric_limits<int>::min();
    return (int) value;
}

void CompressorCore::setDistortionMode (int mode) noexcept { distortionMode.store (mode, relaxed); parametersChanged(); }
void CompressorCore::setFilterMode (int mode) noexcept     { filterMode.store (mode, relaxed); parametersChanged(); }
void CompressorCore::setWetDry (float value) noexcept      { wetDry.store (value, relaxed); }
void CompressorCore::setGc (float value) noexcept          { gc.store (value, relaxed); }

//==============================================================================
float CompressorCore::computeGain (float levelDb, float threshold, float ratioValue, float knee, bool isLimiter) noexcept
{
    const float slope = isLimiter ? 1.0f : (float) (1.0 - 1.0 / (double) ratioValue);
    float s = slope;

    if (knee > 0.0f)
    {
        const double kneeLow = (double) threshold - (double) knee / 2.0;
        const double kneeHigh = (double) threshold + (double) knee / 2.0;

        if ((double) levelDb > kneeLow && (double) levelDb < kneeHigh)
        {
            // Two-point Lagrange interpolation of the slope: 0 at the knee's lower end, the full
            // slope at its upper end (or at 0 dB, whichever is lower).
            const float xLow = (float) kneeLow;
            float xHigh = (float) kneeHigh;
            if (xHigh > 0.0f)
                xHigh = 0.0f;

            s = slope * ((levelDb - xLow) / (xHigh - xLow));
        }
    }

    float gainDb = (threshold - levelDb) * s;
    if (gainDb > 0.0f)
        gainDb = 0.0f;

    return exactmath::pow10ToFloat ((double) gainDb / 20.0);
}

void CompressorCore::calibrate() noexcept
{
    calibrateFor (ratio.load (relaxed), limiter.load (relaxed), attack.load (relaxed), inputGain.load (relaxed));
}

void CompressorCore::calibrateFor (std::int32_t ratioNow, bool limiterNow, float attackNow, float inputNow) noexcept
{
    if (ratioNow == 1)
    {
        makeupGain = 1.0f;
        return;
    }

    if (ratioNow == 20 && limiterNow)
    {
        thresholdDb = -18.34f;
        return;
    }

    const int column = ratioColumn (ratioNow);
    if (column < 0)
        return;

    const int attackBand = bandOf ((double) attackNow, attackBandEdges);
    if (attackBand >= 0)
        thresholdDb = thresholdTable[attackBand][column];

    if (column <= 1 && attackNow == 1.0f)
    {
        const int inputBand = bandOf ((double) inputNow, inputBandEdges);
        if (inputBand >= 0 && ! std::isnan (inputThresholdTable[inputBand][column]))
            thresholdDb = inputThresholdTable[inputBand][column];
    }

    makeupGain = makeupTable[column][(double) inputNow > 0.69 ? 0 : 1];
}

//==============================================================================
float CompressorCore::linkedGain (float envelopeLeft, float envelopeRight, std::int32_t ratioNow, bool limiterNow, float knee) noexcept
{
    // Ratio 1 without the limiter has slope 0: the curve gives exactly 1 at every level.
    if (ratioNow == 1 && ! limiterNow)
        return 1.0f;

    if (bitsOf (thresholdDb) != thresholdBits)
    {
        thresholdBits = bitsOf (thresholdDb);
        belowThresholdEnvelope = std::pow (10.0, (double) thresholdDb / 20.0) * belowThresholdMargin;
    }

    // At or below the threshold (the knee's lower half included) the curve gives exactly 1; the
    // mean of the two envelopes shows it, with a safe margin, before any logarithm is taken.
    const double meanEnvelope = ((envelopeLeft == 0.0f ? silentEnvelope : (double) envelopeLeft)
                                 + (envelopeRight == 0.0f ? silentEnvelope : (double) envelopeRight)) * 0.5;
    if (meanEnvelope <= belowThresholdEnvelope)
        return 1.0f;

    const float levelLeftDb = LevelDetector::toDecibels (envelopeLeft);
    float linked;
    if (envelopeLeft == envelopeRight)
    {
        // Equal sides (a mono block feeds both): (p + p) * 0.5 is p exactly.
        linked = exactmath::pow10ToFloat ((double) levelLeftDb / 20.0);
    }
    else
    {
        const float levelRightDb = LevelDetector::toDecibels (envelopeRight);
        linked = exactmath::meanOfPow10ToFloat ((double) levelLeftDb / 20.0, (double) levelRightDb / 20.0);
    }
    const float levelDb = 20.0f * exactmath::log10ToFloat (linked);

    return computeGain (levelDb, thresholdDb, (float) ratioNow, knee, limiterNow);
}

void CompressorCore::processSample (float* leftSample, float* rightSample) noexcept
{
    const float inLeft = finiteOrZero (*leftSample);
    const float inRight = finiteOrZero (*rightSample);

    const auto version = parameterVersion.load (std::memory_order_acquire);
    if (! snapshot.valid || version != snapshot.version)
        refreshSnapshot (version);

    const auto& p = snapshot;
    const float g = inputLinear;
    const float outG = outputLinear;
    const std::int32_t filter = p.filterMode;
    const std::int32_t ratioNow = p.ratio;
    const bool limiterNow = p.limiter;

    // The audio path first: the distortion works on the samples before the input gain (g is
    // only the shapers' drive), then the optional audio high-pass. Nothing here depends on the
    // sidechain below, and doing it first keeps fewer values alive across the arctangent calls.
    float left = inLeft, right = inRight;

    switch (p.distortionMode)
    {
        case 0:
            if (p.inputGain <= 0.0f)
            {
                left *= 0.0f;
                right *= 0.0f;
            }
            else
            {
                atanShapeLight (left, g);
                atanShapeLight (right, g);
            }
            break;

        case 1: saturatorMild.processMild (left, right); break;
        case 2: saturatorStrong.processStrong (left, right); break;
        case 3: atanShapeBlend (left, g); atanShapeBlend (right, g); break;
        case 4: atanShapeFull (left, g); atanShapeFull (right, g); break;
        default: break;
    }

    if (filter == 2)
    {
        left = highPassLeft.processSample (left);
        right = highPassRight.processSample (right);
        if (filterSnapAllowed)
        {
            highPassLeft.snapToZeroWhenDecayed();
            highPassRight.snapToZeroWhenDecayed();
        }
    }

    // Sidechain.
    switch (filter)
    {
        case 0:
        case 2:
            sidechainLeft = g * inLeft;
            sidechainRight = g * inRight;
            break;

        case 1:
            sidechainLeft = g * highPassLeft.processSample (inLeft);
            sidechainRight = g * highPassRight.processSample (inRight);
            if (filterSnapAllowed)
            {
                highPassLeft.snapToZeroWhenDecayed();
                highPassRight.snapToZeroWhenDecayed();
            }
            break;

        case 3:
        {
            float copyLeft = inLeft, copyRight = inRight;
            peakingLeft.processSample (copyLeft);
            peakingRight.processSample (copyRight);
            if (filterSnapAllowed)
            {
                peakingLeft.snapToZeroWhenDecayed();
                peakingRight.snapToZeroWhenDecayed();
            }
            sidechainLeft = g * copyLeft;
            sidechainRight = g * copyRight;
            break;
        }

        default:
            sidechainLeft = 0.0f;
            sidechainRight = 0.0f;
            break;
    }

    // Detection, linked level and gain.
    const float envelopeLeft = detectorLeft.processEnvelope (sidechainLeft, p.attackCoefLeft, p.releaseCoefLeft);
    const float envelopeRight = detectorRight.processEnvelope (sidechainRight, p.attackCoefRight, p.releaseCoefRight);
    const float gain = linkedGain (envelopeLeft, envelopeRight, ratioNow, limiterNow, p.kneeDb);
    lastGain = gain;

    // Gain-reduction meter; with ratio 1 it follows the mono sidechain instead.
    sidechainRight = (sidechainLeft + sidechainRight) * 0.5f;
    double target;
    if (ratioNow == 1)
    {
        target = (double) std::fabs (sidechainRight);
    }
    else
    {
        target = 1.0 - (double) gain;
        if (target < 0.0)
            target = 0.0;
    }

    // Falling with 0.1, rising (or level) with 0.9; picked by index so that noise does not
    // mispredict a branch.
    static constexpr double speeds[2] = { 0.9, 0.1 };
    static constexpr double keeps[2] = { 1.0 - 0.9, 1.0 - 0.1 };
    const int falling = (double) meterState > target ? 1 : 0;
    meterState = (float) (keeps[falling] * (double) meterState + speeds[falling] * target);
    meterValue.store (meterState, relaxed);

    // Calibration: a new make-up gain acts below on this sample, a new threshold from the next.
    if (snapshot.calibrationDue)
    {
        calibrateFor (ratioNow, limiterNow, p.attack, p.inputGain);
        calibrated = { ratioNow, limiterNow, bitsOf (p.attack), bitsOf (p.inputGain), true };
        snapshot.calibrationDue = false;
    }

    left = (left * gain) * g;
    right = (right * gain) * g;

    // The clip test sees the signal before output gain and make-up; only the lamp clears it.
    if (std::fabs ((left + right) * 0.5f) > 1.0f)
        clipFlag.store (true, relaxed);

    left = (left * outG) * makeupGain;
    right = (right * outG) * makeupGain;

    *leftSample = dcBlockerLeft.processSample (left);
    *rightSample = dcBlockerRight.processSample (right);
}
