#include "CompressorCore.h"

#include "AtanShapes.h"
#include "FloatBits.h"
#include "MeterBallistics.h"
#include "ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

namespace
{
constexpr auto relaxed = std::memory_order_relaxed;

/** A faulty upstream plug-in can send NaN or infinity; such a sample enters the chain as 0. */
float finiteOrZero (float sample) noexcept
{
    return isFiniteFloat (sample) ? sample : 0.0f;
}

/** -96 dB stands for a gain that is switched off (a value of 0 or below). */
float decibelsOrOff (float linear) noexcept
{
    return linear <= 0.0f ? -96.0f : 20.0f * (float) std::log10 ((double) linear);
}

/** A filter whose output is not finite has taken an overflow into its history: it restarts
    from silence and the sample becomes 0. Finite outputs pass unchanged. */
template <typename Component>
float keepFinite (Component& component, float output) noexcept
{
    if (isFiniteFloat (output))
        return output;

    component.clearHistory();
    return 0.0f;
}

/** Calls body with the value as a compile-time constant: one of the listed values, else the
    last. */
template <int first, int... others, typename Body>
void withConstant (int value, Body&& body) noexcept
{
    if constexpr (sizeof...(others) == 0)
        body (std::integral_constant<int, first>());
    else if (value == first)
        body (std::integral_constant<int, first>());
    else
        withConstant<others...> (value, body);
}

/** The sidechain filter of a filter mode: 0 none (modes 0 and 2), 1 high-pass, 3 bell, -1 silent
    detectors (a mode outside 0..3). */
int sidechainFilterOf (std::int32_t filterMode) noexcept
{
    return filterMode == 0 || filterMode == 2 ? 0 : filterMode == 1 || filterMode == 3 ? filterMode
                                                                                       : -1;
}

float filtered (HighPassBiquad& filter, float x) noexcept
{
    return filter.processSample (x);
}

float filtered (PeakingFilter& filter, float x) noexcept
{
    filter.processSample (x);
    return x;
}

/** Two samples through a filter pair in place, each output kept finite, the history flushed once
    it has decayed where that is allowed. Always inlined: in a block loop the filters' history
    then stays in registers. */
template <typename Filter>
[[gnu::always_inline]] inline void filterPair (Filter& filterLeft, Filter& filterRight, float& left, float& right, bool flushAllowed) noexcept
{
    const float outLeft = filtered (filterLeft, left), outRight = filtered (filterRight, right);
    left = keepFinite (filterLeft, outLeft);
    right = keepFinite (filterRight, outRight);
    if (flushAllowed)
    {
        filterLeft.snapToZeroWhenDecayed();
        filterRight.snapToZeroWhenDecayed();
    }
}

/** The detectors' inputs from a source pair, in place: through the sidechain filter (see
    sidechainFilterOf), then gained; silent for a mode outside 0..3. */
template <int filter>
[[gnu::always_inline]] inline void toSidechain (float& left, float& right, float inputLinear, HighPassBiquad& highLeft, HighPassBiquad& highRight,
                                                PeakingFilter& bellLeft, PeakingFilter& bellRight, bool flushAllowed) noexcept
{
    if constexpr (filter == -1)
    {
        left = 0.0f;
        right = 0.0f;
    }
    else
    {
        if constexpr (filter == 1)
            filterPair (highLeft, highRight, left, right, flushAllowed);
        if constexpr (filter == 3)
            filterPair (bellLeft, bellRight, left, right, flushAllowed);
        left = inputLinear * left;
        right = inputLinear * right;
    }
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
    smallestGain = 1.0f;
    preparedRate = sampleRate;

    detectorLeft.prepare (sampleRate, 1.0f, 0.1f);
    detectorRight.prepare (sampleRate, attackMs.load (relaxed), releaseMs.load (relaxed));

    limiter.store (false, relaxed);
    clipHold.store (200, relaxed);
    clipFlag.store (false, relaxed);

    snapshot.invalidate();
    snapshotValid = false;
    gainComputer.reset();
    calibrationValid = false;
}

void CompressorCore::refreshSnapshot (std::uint32_t version) noexcept
{
    ParameterSnapshot::Values values;
    values.inputGainDb = inputGainDb.load (relaxed);
    values.outputGainDb = outputGainDb.load (relaxed);
    values.inputGain = inputGain.load (relaxed);
    values.attack = attack.load (relaxed);
    values.kneeDb = kneeDb.load (relaxed);
    values.ratio = ratio.load (relaxed);
    values.limiter = limiter.load (relaxed);
    values.distortionMode = distortionMode.load (relaxed);
    values.filterMode = filterMode.load (relaxed);
    values.attackMsLeft = detectorLeft.attackMs.load (relaxed);
    values.releaseMsLeft = detectorLeft.releaseMs.load (relaxed);
    values.attackMsRight = detectorRight.attackMs.load (relaxed);
    values.releaseMsRight = detectorRight.releaseMs.load (relaxed);

    snapshot.update (values, preparedRate);
    snapshotVersion = version;
    snapshotValid = true;

    // The coefficients in use, derived here for this thread's rate; a parameter thread's write of
    // one computed for an earlier rate is overwritten at the latest by the refresh its own
    // version bump brings.
    detectorLeft.attackCoef.store (snapshot.attackCoefLeft(), relaxed);
    detectorLeft.releaseCoef.store (snapshot.releaseCoefLeft(), relaxed);
    detectorRight.attackCoef.store (snapshot.attackCoefRight(), relaxed);
    detectorRight.releaseCoef.store (snapshot.releaseCoefRight(), relaxed);

    const Calibration::Settings settings { values.ratio, values.limiter, values.attack, values.inputGain };
    calibrationDue = ! calibrationValid || ! calibrated.isSameAs (settings);
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
    const float ms = value * velk::parameterInfo (velk::attackParameter).engineScale;
    attackMs.store (ms, relaxed);
    detectorLeft.setAttack (ms);
    detectorRight.setAttack (ms);
    parametersChanged();
}

void CompressorCore::setRelease (float value) noexcept
{
    const float ms = value * velk::parameterInfo (velk::releaseParameter).engineScale;
    releaseMs.store (ms, relaxed);
    detectorLeft.setRelease (ms);
    detectorRight.setRelease (ms);
    parametersChanged();
}

void CompressorCore::setOutput (float value) noexcept
{
    outputGainDb.store (decibelsOrOff (velk::parameterInfo (velk::outputParameter).engineScale * value), relaxed);
    parametersChanged();
}

void CompressorCore::setRatioPreset (int preset) noexcept
{
    // clang-format off
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
    // clang-format on
    parametersChanged();
}

void CompressorCore::applyParameter (int index, float value) noexcept
{
    // clang-format off
    switch (index)
    {
        case velk::inputParameter:      setInput (value); break;
        case velk::attackParameter:     setAttack (value); break;
        case velk::releaseParameter:    setRelease (value); break;
        case velk::outputParameter:     setOutput (value); break;
        case velk::ratioParameter:      setRatioPreset (truncateToInt (value)); break;
        case velk::distortionParameter: setDistortionMode (truncateToInt (value)); break;
        case velk::filterParameter:     setFilterMode (truncateToInt (value)); break;
        case velk::wetDryParameter:     setWetDry (value); break;
        case velk::gcParameter:         setGc (value); break;
        default: break;
    }
    // clang-format on
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

// clang-format off
void CompressorCore::setDistortionMode (int mode) noexcept { distortionMode.store (mode, relaxed); parametersChanged(); }
void CompressorCore::setFilterMode (int mode) noexcept     { filterMode.store (mode, relaxed); parametersChanged(); }
void CompressorCore::setWetDry (float value) noexcept      { wetDry.store (value, relaxed); }
void CompressorCore::setGc (float value) noexcept          { gc.store (value, relaxed); }
// clang-format on

//==============================================================================
void CompressorCore::calibrate() noexcept
{
    applyCalibration ({ ratio.load (relaxed), limiter.load (relaxed), attack.load (relaxed), inputGain.load (relaxed) });
}

void CompressorCore::setLimitFromTwentyToOne() noexcept
{
    for (const int preset : { 5, 6 })
    {
        setRatioPreset (preset);
        calibrate();
    }
}

void CompressorCore::applyCalibration (const Calibration::Settings& settings) noexcept
{
    const auto result = Calibration::lookup (settings);
    if (result.writesThreshold)
        thresholdDb = result.thresholdDb;
    if (result.writesMakeup)
        makeupGain = result.makeupGain;
}

//==============================================================================
// The stages of the chain, shared by the per-sample and the block path.

void CompressorCore::refreshSnapshotIfChanged() noexcept
{
    const auto version = parameterVersion.load (std::memory_order_acquire);
    if (! snapshotValid || version != snapshotVersion)
        refreshSnapshot (version);
}

/** The distortion stage on both audio samples; the linear input gain is only the shapers' drive. */
inline void CompressorCore::distort (float& left, float& right, float drive) noexcept
{
    const auto& settings = snapshot.values();
    // clang-format off
    switch (settings.distortionMode)
    {
        case 0:
            if (settings.inputGain <= 0.0f)
            {
                left *= 0.0f;
                right *= 0.0f;
            }
            else
            {
                atanShapeLight (left, drive);
                atanShapeLight (right, drive);
            }
            break;

        case 1: saturatorMild.processMild (left, right); break;
        case 2: saturatorStrong.processStrong (left, right); break;
        case 3: atanShapeBlend (left, drive); atanShapeBlend (right, drive); break;
        case 4: atanShapeFull (left, drive); atanShapeFull (right, drive); break;
        default: break;
    }
    // clang-format on
}

/** The detectors' inputs from the input samples (see toSidechain). */
inline void CompressorCore::feedSidechain (float inLeft, float inRight, std::int32_t filter, float inputLinear, bool flushAllowed) noexcept
{
    sidechainLeft = inLeft;
    sidechainRight = inRight;
    withConstant<0, 1, 3, -1> (sidechainFilterOf (filter), [&] (auto stage)
                               { toSidechain<stage> (sidechainLeft, sidechainRight, inputLinear, highPassLeft, highPassRight, peakingLeft, peakingRight, flushAllowed); });
}

/** Calibration, where its settings changed: a new make-up gain acts on this sample, a new
    threshold from the next. */
inline void CompressorCore::calibrateIfDue() noexcept
{
    if (! calibrationDue)
        return;

    const auto& settings = snapshot.values();
    calibrated = { settings.ratio, settings.limiter, settings.attack, settings.inputGain };
    applyCalibration (calibrated);
    calibrationValid = true;
    calibrationDue = false;
}

/** Gain, clip detection, output gain and make-up, DC blocking: one sample pair, in place. */
inline bool CompressorCore::finish (float& left, float& right, float gain, float inputLinear, float outputLinear, float makeup, DcBlocker& blockerLeft, DcBlocker& blockerRight) noexcept
{
    left = (left * gain) * inputLinear;
    right = (right * gain) * inputLinear;

    // The clip test sees the signal before output gain and make-up; only the lamp clears it.
    const bool clipped = std::fabs ((left + right) * 0.5f) > 1.0f;

    left = (left * outputLinear) * makeup;
    right = (right * outputLinear) * makeup;

    // While a setting overflows the gain, a sample that is not finite leaves as 0 and the
    // blocker restarts from silence.
    left = keepFinite (blockerLeft, blockerLeft.processSample (left));
    right = keepFinite (blockerRight, blockerRight.processSample (right));
    return clipped;
}

//==============================================================================
void CompressorCore::processSample (float* leftSample, float* rightSample) noexcept
{
    processPair<false> (leftSample, rightSample, 0.0f, 0.0f);
}

void CompressorCore::processSample (float* leftSample, float* rightSample, float keyLeft, float keyRight) noexcept
{
    processPair<true> (leftSample, rightSample, keyLeft, keyRight);
}

/** One sample pair; the sidechain hears the key pair where there is one, else the input. */
template <bool keyed>
void CompressorCore::processPair (float* leftSample, float* rightSample, float keyLeft, float keyRight) noexcept
{
    const float inLeft = finiteOrZero (*leftSample);
    const float inRight = finiteOrZero (*rightSample);

    refreshSnapshotIfChanged();
    const auto& settings = snapshot.values();
    const float inputLinear = snapshot.inputLinear();
    const bool flushAllowed = snapshot.filterFlushAllowed();

    // The audio path first: the distortion works on the samples before the input gain (the input
    // gain is only the shapers' drive), then the optional audio high-pass. Nothing here depends on the
    // sidechain below, and doing it first keeps fewer values alive across the arctangent calls.
    float left = inLeft, right = inRight;
    distort (left, right, inputLinear);
    if (settings.filterMode == 2)
        filterPair (highPassLeft, highPassRight, left, right, flushAllowed);

    // Sidechain, detection, linked level and gain. The detectors clamp their envelopes to 0..1,
    // so even an overflowed sidechain leaves them finite.
    if constexpr (keyed)
        feedSidechain (finiteOrZero (keyLeft), finiteOrZero (keyRight), settings.filterMode, inputLinear, flushAllowed);
    else
        feedSidechain (inLeft, inRight, settings.filterMode, inputLinear, flushAllowed);
    const float envelopeLeft = detectorLeft.processEnvelope (sidechainLeft, snapshot.attackCoefLeft(), snapshot.releaseCoefLeft());
    const float envelopeRight = detectorRight.processEnvelope (sidechainRight, snapshot.attackCoefRight(), snapshot.releaseCoefRight());
    const float gain = gainComputer.linkedGain (envelopeLeft, envelopeRight, thresholdDb, settings.ratio, settings.kneeDb, settings.limiter);
    lastGain = gain;
    smallestGain = std::min (smallestGain, gain);

    // Gain-reduction meter; with ratio 1 it follows the mono sidechain instead.
    sidechainRight = (sidechainLeft + sidechainRight) * 0.5f;
    meterState = MeterBallistics::advance (meterState, MeterBallistics::target (settings.ratio, sidechainRight, gain));
    meterValue.store (meterState, relaxed);

    calibrateIfDue();
    if (finish (left, right, gain, inputLinear, snapshot.outputLinear(), makeupGain, dcBlockerLeft, dcBlockerRight))
    {
        clipFlag.store (true, relaxed);
        ++clipCount;
    }
    *leftSample = left;
    *rightSample = right;
}

//==============================================================================
void CompressorCore::processBlock (float* left, float* right, int numSamples) noexcept
{
    processBlock (left, right, nullptr, nullptr, numSamples);
}

void CompressorCore::processBlock (float* left, float* right, const float* keyLeft, const float* keyRight, int numSamples) noexcept
{
    if (numSamples <= 0)
        return;

    // The settings as they stand at the block's start hold for the whole block.
    refreshSnapshotIfChanged();

    for (int start = 0; start < numSamples; start += blockChunk)
    {
        const int length = std::min (blockChunk, numSamples - start);
        processChunk (left + start, right != nullptr ? right + start : nullptr, keyLeft != nullptr ? keyLeft + start : nullptr,
                      keyLeft != nullptr && keyRight != nullptr ? keyRight + start : nullptr, length);
    }
}

void CompressorCore::processChunk (float* left, float* right, const float* keyLeft, const float* keyRight, int numSamples) noexcept
{
    const auto& settings = snapshot.values();
    const float inputLinear = snapshot.inputLinear();

    // A mono stream (or a mono key) reads its one channel as both sides; without a key the
    // sidechain hears the input.
    const float* rightIn = right != nullptr ? right : left;
    const float* sourceLeft = keyLeft != nullptr ? keyLeft : left;
    const float* sourceRight = keyLeft != nullptr ? (keyRight != nullptr ? keyRight : keyLeft) : rightIn;

    // At ratio 1 the meter follows the mono sidechain, so it runs with the detectors; otherwise it
    // follows the gain, and runs with the audio.
    const int meterWithSidechain = settings.ratio == 1 ? 1 : 0;

    // 1. The recursive sidechain, sample by sample: filters and detectors.
    // clang-format off
    withConstant<0, 1, 3, -1> (sidechainFilterOf (settings.filterMode), [&] (auto filter) {
        withConstant<0, 1> (keyLeft != nullptr ? 1 : 0, [&] (auto keyed) {
            withConstant<0, 1> (meterWithSidechain, [&] (auto meter) {
                sidechainPass<filter, keyed, meter> (left, rightIn, sourceLeft, sourceRight, numSamples);
            });
        });
    });
    // clang-format on

    // 2. The gains. The first sample sees the threshold from before this chunk's calibration,
    //    the others the calibrated one.
    scratch.gain[0] = gainComputer.linkedGain (scratch.envelopeLeft[0], scratch.envelopeRight[0], thresholdDb, settings.ratio, settings.kneeDb, settings.limiter);
    calibrateIfDue();
    if (numSamples > 1)
        gainComputer.linkedGains (scratch.envelopeLeft + 1, scratch.envelopeRight + 1, scratch.gain + 1, numSamples - 1, thresholdDb, settings.ratio, settings.kneeDb, settings.limiter);

    // 3. The audio. The arctangent curves have no memory: the whole chunk at once, first.
    // (Mode 0 silences the audio at an input gain of 0 or below; any other gain, NaN included,
    // drives its curve.)
    const bool shapedAhead = settings.distortionMode == 3 || settings.distortionMode == 4 || (settings.distortionMode == 0 && ! (settings.inputGain <= 0.0f));
    if (shapedAhead)
    {
        atanShapeBlock (settings.distortionMode, scratch.audioLeft, numSamples, inputLinear);
        atanShapeBlock (settings.distortionMode, scratch.audioRight, numSamples, inputLinear);
    }

    // Then sample by sample the saturators, the audio high-pass, the meter, gain, clip detection,
    // output and DC blocking. A mono stream's right side goes back to the scratch.
    const int distortion = shapedAhead ? 0 : settings.distortionMode == 0 ? 3
                                                                          : settings.distortionMode;
    float* rightOut = right != nullptr ? right : scratch.audioRight;
    // clang-format off
    withConstant<1, 2, 3, 0> (distortion, [&] (auto shaper) {
        withConstant<0, 1> (settings.filterMode == 2 ? 1 : 0, [&] (auto highPass) {
            withConstant<0, 1> (1 - meterWithSidechain, [&] (auto meter) {
                outputPass<shaper, highPass, meter> (left, rightOut, numSamples);
            });
        });
    });
    // clang-format on

    lastGain = scratch.gain[numSamples - 1];
    meterValue.store (meterState, relaxed);
}

/** The sidechain of a chunk, for one sidechain filter (see sidechainFilterOf), with a key or the
    audio as the source (sourceLeft and sourceRight), and with the meter or not: the audio goes to
    the scratch, the source to the detectors. The envelopes, the filters' history and the meter
    live in registers for the chunk. */
template <int filter, bool keyed, bool withMeter>
void CompressorCore::sidechainPass (const float* left, const float* right, const float* sourceLeft, const float* sourceRight, int numSamples) noexcept
{
    const float inputLinear = snapshot.inputLinear();
    const bool flushAllowed = snapshot.filterFlushAllowed();
    const float attackLeft = snapshot.attackCoefLeft(), releaseLeft = snapshot.releaseCoefLeft();
    const float attackRight = snapshot.attackCoefRight(), releaseRight = snapshot.releaseCoefRight();
    float envelopeLeft = detectorLeft.envelope, envelopeRight = detectorRight.envelope;
    const DetectorMode rectifierLeft = detectorLeft.mode, rectifierRight = detectorRight.mode;
    float meter = meterState;
    float lastLeft = 0.0f, mono = 0.0f;
    HighPassBiquad highLeft = highPassLeft, highRight = highPassRight;
    PeakingFilter bellLeft = peakingLeft, bellRight = peakingRight;

    for (int i = 0; i < numSamples; ++i)
    {
        const float inLeft = finiteOrZero (left[i]);
        const float inRight = finiteOrZero (right[i]);
        scratch.audioLeft[i] = inLeft;
        scratch.audioRight[i] = inRight;

        float sideLeft = keyed ? finiteOrZero (sourceLeft[i]) : inLeft;
        float sideRight = keyed ? finiteOrZero (sourceRight[i]) : inRight;
        toSidechain<filter> (sideLeft, sideRight, inputLinear, highLeft, highRight, bellLeft, bellRight, flushAllowed);

        envelopeLeft = LevelDetector::follow (rectifierLeft, envelopeLeft, sideLeft, attackLeft, releaseLeft);
        envelopeRight = LevelDetector::follow (rectifierRight, envelopeRight, sideRight, attackRight, releaseRight);
        scratch.envelopeLeft[i] = envelopeLeft;
        scratch.envelopeRight[i] = envelopeRight;
        lastLeft = sideLeft;
        mono = (sideLeft + sideRight) * 0.5f;
        if constexpr (withMeter)
            meter = MeterBallistics::advance (meter, MeterBallistics::target (1, mono, 1.0f));
    }

    detectorLeft.envelope = envelopeLeft;
    detectorRight.envelope = envelopeRight;
    sidechainLeft = lastLeft;
    sidechainRight = mono;
    if constexpr (withMeter)
        meterState = meter;
    if constexpr (filter == 1)
    {
        highPassLeft = highLeft;
        highPassRight = highRight;
    }
    if constexpr (filter == 3)
    {
        peakingLeft = bellLeft;
        peakingRight = bellRight;
    }
}

/** The audio of a chunk after the arctangent curves, for one distortion stage (0 none or done
    ahead, 1 mild and 2 strong saturation, 3 silence), the audio high-pass or not, and the meter
    here or not. */
template <int distortion, bool highPass, bool withMeter>
void CompressorCore::outputPass (float* left, float* right, int numSamples) noexcept
{
    const float inputLinear = snapshot.inputLinear();
    const float outputLinear = snapshot.outputLinear();
    const bool flushAllowed = snapshot.filterFlushAllowed();
    const std::int32_t ratioNow = snapshot.values().ratio;
    const float makeup = makeupGain;
    float meter = meterState;
    float smallest = smallestGain;
    bool clipped = false;
    DcBlocker blockerLeft = dcBlockerLeft, blockerRight = dcBlockerRight;
    HighPassBiquad highLeft = highPassLeft, highRight = highPassRight;
    SqrtSaturator saturator = distortion == 2 ? saturatorStrong : saturatorMild;

    for (int i = 0; i < numSamples; ++i)
    {
        float outLeft = scratch.audioLeft[i], outRight = scratch.audioRight[i];
        if constexpr (distortion == 1)
            saturator.processMild (outLeft, outRight);
        else if constexpr (distortion == 2)
            saturator.processStrong (outLeft, outRight);
        else if constexpr (distortion == 3)
        {
            outLeft *= 0.0f;
            outRight *= 0.0f;
        }

        if constexpr (highPass)
            filterPair (highLeft, highRight, outLeft, outRight, flushAllowed);

        // Here the ratio is not 1, so the meter follows the gain reduction.
        const float gain = scratch.gain[i];
        if constexpr (withMeter)
            meter = MeterBallistics::advance (meter, MeterBallistics::target (ratioNow, 0.0f, gain));
        smallest = std::min (smallest, gain);
        clipped |= finish (outLeft, outRight, gain, inputLinear, outputLinear, makeup, blockerLeft, blockerRight);
        left[i] = outLeft;
        right[i] = outRight;
    }

    dcBlockerLeft = blockerLeft;
    dcBlockerRight = blockerRight;
    if constexpr (highPass)
    {
        highPassLeft = highLeft;
        highPassRight = highRight;
    }
    if constexpr (distortion == 1)
        saturatorMild = saturator;
    if constexpr (distortion == 2)
        saturatorStrong = saturator;
    if constexpr (withMeter)
        meterState = meter;
    smallestGain = smallest;
    if (clipped)
    {
        clipFlag.store (true, relaxed);
        ++clipCount;
    }
}
