#pragma once

#include "FloatBits.h"

#include <cmath>
#include <cstdint>

/**
    The gain-reduction meter's ballistics: a one-pole follower that rises with 0.9 and falls with
    0.1 per sample, in double precision, towards a target that is the gain reduction (1 - gain)
    or, at ratio 1, the magnitude of the mono sidechain.
*/
class MeterBallistics
{
public:
    /** What the meter follows this sample; a target that is not finite (the sidechain overflowed)
        reads as full scale, so the meter's state stays finite. */
    static double target (std::int32_t ratio, float monoSidechain, float gain) noexcept
    {
        double t;
        if (ratio == 1)
        {
            t = (double) std::fabs (monoSidechain);
        }
        else
        {
            t = 1.0 - (double) gain;
            if (t < 0.0)
                t = 0.0;
        }
        return t <= 3.4028234663852886e38 ? t : 1.0; // also catches NaN
    }

    /** The next state: falling with 0.1, rising (or level) with 0.9. Both candidates are
        computed and one is selected, so that noise does not mispredict a branch and the state's
        chain waits for no table lookup. */
    static float advance (float state, double target) noexcept
    {
        const double previous = (double) state;
        const double rising = (1.0 - 0.9) * previous + 0.9 * target;
        const double falling = (1.0 - 0.1) * previous + 0.1 * target;
        return (float) selectIfGreater (previous, target, falling, rising);
    }
};
