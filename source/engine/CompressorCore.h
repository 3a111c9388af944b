#pragma once

#include "Calibration.h"
#include "DcBlocker.h"
#include "GainComputer.h"
#include "HighPassBiquad.h"
#include "LevelDetector.h"
#include "ParameterSnapshot.h"
#include "PeakingFilter.h"
#include "SqrtSaturator.h"

#include <atomic>
#include <cstdint>
#include <utility>

/**
    The DSP engine: one call of processSample runs a fixed chain on one stereo sample pair, in
    place.

        input gain -> sidechain (optional high-pass or bell) -> two level detectors -> linked level
        -> gain curve -> gain-reduction meter -> distortion -> optional audio high-pass
        -> threshold and make-up calibration -> gain -> clip detection -> output gain and make-up
        -> DC blocker

    Threads: processSample and prepare run on the audio thread. The parameter writes (setInput and
    the others) may run on any thread at the same time; every field they write is a relaxed atomic
    that the next sample reads. The editor polls meterValue and clipFlag and counts clipHold from
    the message thread.

    Everything that depends only on a parameter or on the sample rate (the two linear gains, the
    calibration, the bell's coefficients) is worked out when it changes rather than per sample, and
    the gain curve is skipped where its result is known to be exactly 1. Wherever the formulas give
    finite values, the output is identical, bit for bit, to evaluating every formula on every
    sample.

    No value a host can send poisons the chain: a filter or DC blocker whose output overflows (a
    sidechain filter's included) restarts from silence and gives 0 for that sample, and the meter
    reads an overflowed target as full scale, so the output is finite again as soon as the
    settings are.
*/
class CompressorCore
{
public:
    /** Resets both detectors, then prepares for the rate (Hz). */
    explicit CompressorCore (float sampleRate) noexcept;

    /**
        Set-up for a sample rate: restarts every component and returns every field, the
        parameter-derived ones included, to its set-up value (unity input and output gain, attack
        1 ms, release 0.1 ms, ratio 1). Allocates nothing, so it may run on the audio thread.
    */
    void prepare (float sampleRate) noexcept;

    /** Processes one sample pair in place; the pointers name two distinct samples. */
    void processSample (float* left, float* right) noexcept;

    /** A mono stream: the sample goes in as both sides and keeps the left result. */
    void processMonoSample (float* sample) noexcept
    {
        float copy = *sample;
        processSample (sample, &copy);
    }

    /**
        Processes a block in place: the same as numSamples calls of processSample (or, with
        right null, of processMonoSample) with the parameters as they stand at the block's start,
        bit for bit. The recursive stages run sample by sample and the gain maths across the
        block. clipFlag rises as soon as a sample clips; meterValue is published every 256 samples
        and at the block's end, where it and every other field are as the per-sample path leaves
        them.
    */
    void processBlock (float* left, float* right, int numSamples) noexcept;

    /**
        An external key in the audio's place as the source of the sidechain: processSample with
        the key pair going through the input gain and the sidechain filter into the detectors
        while the audio path is unchanged. A key equal to the input gives exactly the output of
        processSample. Non-finite key samples count as silence, as non-finite input samples do.
    */
    void processSample (float* left, float* right, float keyLeft, float keyRight) noexcept;

    /**
        processBlock with an external key (see the keyed processSample): keyRight null takes the
        mono key keyLeft for both sides; keyLeft null is the internal sidechain, processBlock
        itself.
    */
    void processBlock (float* left, float* right, const float* keyLeft, const float* keyRight, int numSamples) noexcept;

    //==============================================================================
    // Parameter writes; each acts from the next sample.

    /** The "Input" value, linear, 0..1; 0 or below is the -96 dB sentinel. */
    void setInput (float value) noexcept;
    /** The "Attack" value, 0..1: attack time value * 10 ms on both detectors. */
    void setAttack (float value) noexcept;
    /** The "Release" value, 0..1: release time value * 3000 ms on both detectors. */
    void setRelease (float value) noexcept;
    /** The "Output" value, 0..1: gain 2 * value, so 0.5 is unity; 0 or below is -96 dB. */
    void setOutput (float value) noexcept;
    /** Preset 1..6 selects ratio 1, 2, 4, 8, 20 or the limiter; any other number ratio 1. */
    void setRatioPreset (int preset) noexcept;
    /** 0..4; any other mode applies no distortion. */
    void setDistortionMode (int mode) noexcept;
    /** 0 none, 1 sidechain high-pass, 2 audio high-pass, 3 sidechain bell; any other mode
        applies no filter and leaves the detectors silent. */
    void setFilterMode (int mode) noexcept;
    /** Stored only; no stage reads it. */
    void setWetDry (float value) noexcept;
    /** Stored only; no stage reads it. */
    void setGc (float value) noexcept;

    /**
        The write of parameter 0 to 8 (Input, Attack, Release, Output, Ratio, Distortion, Filter,
        Wet/Dry, Gc), as a float in the parameter's own units: Ratio, Distortion and Filter are
        truncated toward zero to whole numbers. Other indices change nothing.
    */
    void applyParameter (int index, float value) noexcept;

    /** Truncation toward zero to an int, defined for every float: NaN gives 0 and values beyond
        the int range saturate. */
    static int truncateToInt (float value) noexcept;

    /** The clip lamp's test-and-clear of clipFlag. */
    bool takeClipFlag() noexcept { return clipFlag.exchange (false, std::memory_order_relaxed); }

    //==============================================================================
    /** The static gain curve (see GainComputer::computeGain). */
    static float computeGain (float levelDb, float threshold, float ratioValue, float knee, bool isLimiter) noexcept
    {
        return GainComputer::computeGain (levelDb, threshold, ratioValue, knee, isLimiter);
    }

    /** Threshold and make-up gain from the ratio preset, "Attack" and "Input" (fixed tables). */
    void calibrate() noexcept;

    /** Ratio preset 6 (Limit) reached from preset 5 (20:1) as two samples would reach it: 20:1
        and its calibration (no knee, 20:1's make-up for "Input"), then Limit and its threshold.
        For settings that must sound the same whatever came before; the caller holds whatever
        keeps the audio thread out. */
    void setLimitFromTwentyToOne() noexcept;

    /** The linear gain of the compressor on the last sample (1: no reduction), for tools that
        watch the engine; audio thread only. */
    float getLastGain() const noexcept { return lastGain; }

    /** The smallest gain of the compressor since the last call (1: no reduction), for meters
        that a host shows; audio thread only. */
    float takeSmallestGain() noexcept { return std::exchange (smallestGain, 1.0f); }

    /** A count that grows whenever a sample pair or block clips, for clip indicators that must
        leave the editor's lamp (clipFlag) alone; audio thread only. */
    std::uint32_t getClipCount() const noexcept { return clipCount; }

    //==============================================================================
    // Fields, shared with the parameter writes and the editor where they are atomic.
    std::atomic<float> inputGainDb { 0.0f };
    std::atomic<float> inputGain { 0.5f };
    std::atomic<float> outputGainDb { 0.0f };
    std::atomic<float> attackMs { 1.0f };
    std::atomic<float> attack { 1.0f };
    std::atomic<float> releaseMs { 0.1f };
    std::atomic<std::int32_t> ratio { 1 };
    std::atomic<std::int32_t> distortionMode { 0 };
    std::atomic<std::int32_t> filterMode { 0 };
    std::atomic<float> wetDry { 0.5f };
    float meterState = 0.0f;
    float thresholdDb = -13.0f;
    std::atomic<float> kneeDb { 0.1f };
    std::atomic<float> meterValue { 0.0f };
    std::atomic<bool> limiter { false };
    float makeupGain = 1.0f;
    std::atomic<float> gc { 1.0f };
    float sidechainLeft = 0.0f;
    float sidechainRight = 0.0f;
    std::atomic<std::int32_t> clipHold { 200 };
    std::atomic<bool> clipFlag { false };

    LevelDetector detectorLeft, detectorRight;
    HighPassBiquad highPassLeft { 44100.0f }, highPassRight { 44100.0f };
    SqrtSaturator saturatorStrong, saturatorMild;
    PeakingFilter peakingLeft { 44100.0f }, peakingRight { 44100.0f };
    DcBlocker dcBlockerLeft, dcBlockerRight;

private:
    void refreshSnapshotIfChanged() noexcept;
    void distort (float& left, float& right, float drive) noexcept;
    void feedSidechain (float inLeft, float inRight, std::int32_t filter, float inputLinear, bool flushAllowed) noexcept;
    void calibrateIfDue() noexcept;
    /** Gain, clip test, output gain, make-up and DC blocking of one sample pair; true when the
        pair clipped. */
    static bool finish (float& left, float& right, float gain, float inputLinear, float outputLinear, float makeup, DcBlocker& blockerLeft, DcBlocker& blockerRight) noexcept;
    void processChunk (float* left, float* right, const float* keyLeft, const float* keyRight, int numSamples) noexcept;
    template <int filter, bool keyed, bool withMeter>
    void sidechainPass (const float* left, const float* right, const float* sourceLeft, const float* sourceRight, int numSamples) noexcept;
    template <int distortion, bool highPass, bool withMeter>
    void outputPass (float* left, float* right, int numSamples) noexcept;
    template <bool keyed>
    void processPair (float* leftSample, float* rightSample, float keyLeft, float keyRight) noexcept;

    /** The block path works through its block in chunks of this many samples. */
    static constexpr int blockChunk = GainComputer::maxBlock;

    /** The block path's per-sample values between its passes. */
    struct BlockScratch
    {
        float audioLeft[blockChunk], audioRight[blockChunk];
        float envelopeLeft[blockChunk], envelopeRight[blockChunk];
        float gain[blockChunk];
    } scratch;

    void applyCalibration (const Calibration::Settings& settings) noexcept;
    void parametersChanged() noexcept { parameterVersion.fetch_add (1, std::memory_order_release); }
    void refreshSnapshot (std::uint32_t version) noexcept;

    /** The rate of the last prepare; the audio thread's own copy. */
    float preparedRate = 44100.0f;

    /** Every parameter write bumps parameterVersion after its stores (release); the audio thread
        reloads the fields only when it sees a new version (acquire), so a sample reads one
        atomic, not a dozen. */
    std::atomic<std::uint32_t> parameterVersion { 0 };
    std::uint32_t snapshotVersion = 0;
    bool snapshotValid = false;
    ParameterSnapshot snapshot;

    GainComputer gainComputer;

    /** The settings of the last calibration; it runs again only when they change. */
    Calibration::Settings calibrated;
    bool calibrationValid = false;
    bool calibrationDue = true;

    float lastGain = 1.0f;
    float smallestGain = 1.0f;
    std::uint32_t clipCount = 0;
};
