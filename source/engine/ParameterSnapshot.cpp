#include "ParameterSnapshot.h"

#include "FloatBits.h"
#include "LevelDetector.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

namespace
{

constexpr float flushSafeGain = 1.0e6f;
} // namespace

void ParameterSnapshot::Coefficient::update (float sampleRate, float milliseconds) noexcept
{
    if (known && bitsOf (milliseconds) == millisecondBits && bitsOf (sampleRate) == rateBits)
        return;

    known = true;
    millisecondBits = bitsOf (milliseconds);
    rateBits = bitsOf (sampleRate);
    coefficient = LevelDetector::coefficientFor (sampleRate, milliseconds);
}

void ParameterSnapshot::invalidate() noexcept
{
    gainsKnown = false;
    for (auto* c : { &attackLeft, &releaseLeft, &attackRight, &releaseRight })
        c->known = false;
}

void ParameterSnapshot::update (const Values& newValues, float sampleRate) noexcept
{
    current = newValues;

    if (! gainsKnown || bitsOf (current.inputGainDb) != inputGainDbBits)
    {
        inputGainDbBits = bitsOf (current.inputGainDb);
        inputLinearGain = (float) std::pow (10.0, (double) (current.inputGainDb / 20.0f));
    }

    if (! gainsKnown || bitsOf (current.outputGainDb) != outputGainDbBits)
    {
        outputGainDbBits = bitsOf (current.outputGainDb);
        outputLinearGain = (float) std::pow (10.0, (double) current.outputGainDb / 20.0);
    }

    gainsKnown = true;
    flushAllowed = inputLinearGain < flushSafeGain && outputLinearGain < flushSafeGain;

    attackLeft.update (sampleRate, current.attackMsLeft);
    releaseLeft.update (sampleRate, current.releaseMsLeft);
    attackRight.update (sampleRate, current.attackMsRight);
    releaseRight.update (sampleRate, current.releaseMsRight);
}
