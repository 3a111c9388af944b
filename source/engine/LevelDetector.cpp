#include "LevelDetector.h"

void LevelDetector::reset() noexcept
{
    attackCoef.store (0.0f, std::memory_order_relaxed);
    releaseCoef.store (0.0f, std::memory_order_relaxed);
    attackMs.store (0.0f, std::memory_order_relaxed);
    releaseMs.store (0.0f, std::memory_order_relaxed);
    sampleRate.store (0.0f, std::memory_order_relaxed);
    envelope = 0.0f;
    mode = DetectorMode::Peak;
    logOutput = false;
    sampleRate.store (44100.0f, std::memory_order_relaxed);
}

void LevelDetector::prepare (float newSampleRate, float newAttackMs, float newReleaseMs) noexcept
{
    envelope = 0.0f;
    sampleRate.store (newSampleRate, std::memory_order_relaxed);
    logOutput = true;
    attackMs.store (newAttackMs, std::memory_order_relaxed);
    releaseMs.store (newReleaseMs, std::memory_order_relaxed);
    mode = DetectorMode::RootOfSquare;
    setAttack (newAttackMs);
    setRelease (newReleaseMs);
}

void LevelDetector::setAttack (float newAttackMs) noexcept
{
    attackMs.store (newAttackMs, std::memory_order_relaxed);
    attackCoef.store (coefficientFor (sampleRate.load (std::memory_order_relaxed), newAttackMs), std::memory_order_relaxed);
}

void LevelDetector::setRelease (float newReleaseMs) noexcept
{
    releaseMs.store (newReleaseMs, std::memory_order_relaxed);
    releaseCoef.store (coefficientFor (sampleRate.load (std::memory_order_relaxed), newReleaseMs), std::memory_order_relaxed);
}
