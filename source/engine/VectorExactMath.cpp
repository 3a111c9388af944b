#include "VectorExactMath.h"

#include "ExactMath.h"

#include <sleef.h>

#include <atomic>
#include <cmath>

namespace vectorexactmath
{
// The wide path, in its own file compiled for AVX2: each processes the leading multiple of four
// and returns how many it did.
namespace avx2
{
int log10ToFloat (const float* x, float* out, int count) noexcept;
int pow10ToFloat (const double* y, float* out, int count) noexcept;
int meanOfPow10ToFloat (const double* y1, const double* y2, float* out, int count) noexcept;
int atanToFloat (const double* x, float* out, int count) noexcept;
} // namespace avx2

namespace
{
bool cpuHasAvx2() noexcept
{
    __builtin_cpu_init();
    return __builtin_cpu_supports ("avx2") && __builtin_cpu_supports ("fma");
}

// Found when the library loads, so that no audio thread waits on a first-use guard.
const bool wideAvailable = cpuHasAvx2();
std::atomic<bool> wideAllowed { true };
std::atomic<long> fallbacks { 0 };

/** Whether this call takes the wide path. */
bool wide() noexcept
{
    return wideAvailable && wideAllowed.load (std::memory_order_relaxed);
}
/**
    The float of each lane that provably equals the C library's: the lane's value rounded to
    float, where the whole interval value * (1 +- relativeError) rounds to that float. Returns a
    two-bit mask of the lanes that do (lanes not usable never do); the caller fills the others.
*/
inline int store2 (__m128d value, __m128d relativeError, int usable, float* out) noexcept
{
    const __m128d magnitude = _mm_andnot_pd (_mm_set1_pd (-0.0), value);
    const __m128d spread = _mm_mul_pd (magnitude, relativeError);
    const __m128 low = _mm_cvtpd_ps (_mm_sub_pd (value, spread));
    const __m128 high = _mm_cvtpd_ps (_mm_add_pd (value, spread));
    const int unique = _mm_movemask_ps (_mm_cmpeq_ps (low, high)) & 3;
    alignas (16) float lanes[4];
    _mm_store_ps (lanes, low);
    out[0] = lanes[0];
    out[1] = lanes[1];
    return unique & usable;
}
} // namespace

bool hasWidePath() noexcept
{
    return wideAvailable;
}

long fallbackCount() noexcept
{
    return fallbacks.load (std::memory_order_relaxed);
}

void countFallback() noexcept
{
    fallbacks.fetch_add (1, std::memory_order_relaxed);
}

void allowWidePath (bool allowed) noexcept
{
    wideAllowed.store (allowed, std::memory_order_relaxed);
}

void log10ToFloat (const float* x, float* out, int count) noexcept
{
    const __m128d inverseLn10 = _mm_set1_pd (1.0 / M_LN10);
    const __m128d error = _mm_set1_pd (4.0e-15);
    int i = wide() ? avx2::log10ToFloat (x, out, count) : 0;
    for (; i + 1 < count; i += 2)
    {
        // Positive normal floats only, as in ExactMath.
        const bool usable0 = x[i] >= 0x1p-126f && x[i] <= 0x1.fffffep127f;
        const bool usable1 = x[i + 1] >= 0x1p-126f && x[i + 1] <= 0x1.fffffep127f;
        const __m128d logs = Sleef_logd2_u10 (_mm_set_pd ((double) (usable1 ? x[i + 1] : 1.0f), (double) (usable0 ? x[i] : 1.0f)));
        const int ok = store2 (_mm_mul_pd (logs, inverseLn10), error, (usable0 ? 1 : 0) | (usable1 ? 2 : 0), out + i);
        for (int lane = 0; lane < 2; ++lane)
            if ((ok & (1 << lane)) == 0)
            {
                countFallback();
                out[i + lane] = (float) std::log10 ((double) x[i + lane]);
            }
    }
    for (; i < count; ++i)
        out[i] = exactmath::log10ToFloat (x[i]);
}

void pow10ToFloat (const double* y, float* out, int count) noexcept
{
    int i = wide() ? avx2::pow10ToFloat (y, out, count) : 0;
    for (; i + 1 < count; i += 2)
    {
        const double argument0 = y[i] * M_LN10, argument1 = y[i + 1] * M_LN10;
        const bool usable0 = std::fabs (argument0) < 85.0, usable1 = std::fabs (argument1) < 85.0;
        const __m128d error = _mm_set_pd (exactmath::detail::pow10Error (argument1), exactmath::detail::pow10Error (argument0));
        const __m128d powers = Sleef_expd2_u10 (_mm_set_pd (usable1 ? argument1 : 0.0, usable0 ? argument0 : 0.0));
        const int ok = store2 (powers, error, (usable0 ? 1 : 0) | (usable1 ? 2 : 0), out + i);
        for (int lane = 0; lane < 2; ++lane)
            if ((ok & (1 << lane)) == 0)
            {
                countFallback();
                out[i + lane] = (float) std::pow (10.0, y[i + lane]);
            }
    }
    for (; i < count; ++i)
        out[i] = exactmath::pow10ToFloat (y[i]);
}

void meanOfPow10ToFloat (const double* y1, const double* y2, float* out, int count) noexcept
{
    // Per lane, as in ExactMath: both terms are positive, so the sum's relative error is at most
    // the larger term's, plus the rounding of the two sums.
    int i = wide() ? avx2::meanOfPow10ToFloat (y1, y2, out, count) : 0;
    for (; i + 1 < count; i += 2)
    {
        const double a0 = y1[i] * M_LN10, a1 = y1[i + 1] * M_LN10;
        const double b0 = y2[i] * M_LN10, b1 = y2[i + 1] * M_LN10;
        const bool usable0 = std::fabs (a0) < 85.0 && std::fabs (b0) < 85.0;
        const bool usable1 = std::fabs (a1) < 85.0 && std::fabs (b1) < 85.0;
        const __m128d error = _mm_set_pd (std::fmax (exactmath::detail::pow10Error (a1), exactmath::detail::pow10Error (b1)) + 3.0e-16,
                                          std::fmax (exactmath::detail::pow10Error (a0), exactmath::detail::pow10Error (b0)) + 3.0e-16);
        const __m128d first = Sleef_expd2_u10 (_mm_set_pd (usable1 ? a1 : 0.0, usable0 ? a0 : 0.0));
        const __m128d second = Sleef_expd2_u10 (_mm_set_pd (usable1 ? b1 : 0.0, usable0 ? b0 : 0.0));
        const int ok = store2 (_mm_mul_pd (_mm_add_pd (first, second), _mm_set1_pd (0.5)), error, (usable0 ? 1 : 0) | (usable1 ? 2 : 0), out + i);
        for (int lane = 0; lane < 2; ++lane)
            if ((ok & (1 << lane)) == 0)
            {
                countFallback();
                out[i + lane] = (float) ((std::pow (10.0, y1[i + lane]) + std::pow (10.0, y2[i + lane])) * 0.5);
            }
    }
    for (; i < count; ++i)
        out[i] = exactmath::meanOfPow10ToFloat (y1[i], y2[i]);
}
void atanToFloat (const double* x, float* out, int count) noexcept
{
    const __m128d error = _mm_set1_pd (1.0e-15);
    int i = wide() ? avx2::atanToFloat (x, out, count) : 0;
    for (; i + 1 < count; i += 2)
    {
        const bool usable0 = std::isfinite (x[i]), usable1 = std::isfinite (x[i + 1]);
        const __m128d arctangents = Sleef_atand2_u10 (_mm_set_pd (usable1 ? x[i + 1] : 0.0, usable0 ? x[i] : 0.0));
        const int ok = store2 (arctangents, error, (usable0 ? 1 : 0) | (usable1 ? 2 : 0), out + i);
        for (int lane = 0; lane < 2; ++lane)
            if ((ok & (1 << lane)) == 0)
            {
                countFallback();
                out[i + lane] = (float) std::atan (x[i + lane]);
            }
    }
    for (; i < count; ++i)
        out[i] = (float) std::atan (x[i]);
}
} // namespace vectorexactmath
