#pragma once

/**
    One-pole, one-zero DC blocker, the last stage of the engine: y[n] = x[n] - x[n-1] - 1e-7 +
    0.99700004 y[n-1]. The small offset keeps the recursion out of the subnormal range, so a
    silent input settles at about -3.33e-5 rather than at zero.
*/
class DcBlocker
{
public:
    float processSample (float x) noexcept
    {
        // 0.99700004f is one step above the float nearest to 0.997.
        const float y = (x - storedInput) + 0.99700004f * y1;
        y1 = y;
        storedInput = x + offset;
        return y;
    }

    /** Restarts from silence; the offset stays. */
    void clearHistory() noexcept { storedInput = y1 = 0.0f; }

    float storedInput = 0.0f;
    float y1 = 0.0f;
    float offset = 1e-7f;
};
