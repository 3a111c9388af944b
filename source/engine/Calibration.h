#pragma once

#include <cstdint>

/**
    The threshold and make-up calibration: fixed tables per ratio, keyed by the "Attack" value
    (threshold) and the "Input" value (make-up gain). A pure function of the four settings; the
    engine applies its result once per sample and keeps whatever a lookup does not write.
*/
class Calibration
{
public:
    struct Settings
    {
        std::int32_t ratio = 1;
        bool limiter = false;
        float attack = 1.0f;
        float inputGain = 0.5f;

        /** The same settings bit for bit (so a NaN equals itself and -0 differs from +0). */
        bool isSameAs (const Settings& other) const noexcept;
    };

    struct Result
    {
        bool writesThreshold = false;
        float thresholdDb = 0.0f;
        bool writesMakeup = false;
        float makeupGain = 1.0f;
    };

    /**
        Ratio 1: make-up 1, threshold kept. Ratios 2, 4, 8 and 20: the threshold of the band of
        "Attack" (and, for ratios 2 and 4 with "Attack" at exactly 1.0, of the band of "Input"),
        and the make-up gain by "Input" above 0.69 or not. The limiter: threshold -18.34, make-up
        kept. Band edges are decimal constants compared in double precision.
    */
    static Result lookup (const Settings& settings) noexcept;
};
