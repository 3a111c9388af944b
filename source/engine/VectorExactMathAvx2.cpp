// The wide path of VectorExactMath: four lanes with SLEEF's AVX2 functions. This file alone is
// compiled for AVX2 and runs only where the CPU check found AVX2 and FMA. It must share no inline
// code with the rest of the engine (an inline function compiled here could be linked into code
// that runs on any machine): it includes only the intrinsics and SLEEF's declarations, calls no
// inline library function, declares the C library's functions itself and keeps its helpers
// local. The error bounds are ExactMath's, repeated.

#include <immintrin.h>
#include <sleef.h>

extern "C" double log10 (double) noexcept;
extern "C" double pow (double, double) noexcept;
extern "C" double atan (double) noexcept;

namespace vectorexactmath
{
void countFallback() noexcept;

namespace avx2
{
namespace
{
constexpr double ln10 = 2.30258509299404568402;

/** Lanes whose value rounds to one float over value * (1 +- relativeError): that float is
    stored, and the lane's bit set in the result. */
int store4 (__m256d value, __m256d relativeError, int usable, float* out) noexcept
{
    const __m256d magnitude = _mm256_andnot_pd (_mm256_set1_pd (-0.0), value);
    const __m256d spread = _mm256_mul_pd (magnitude, relativeError);
    const __m128 low = _mm256_cvtpd_ps (_mm256_sub_pd (value, spread));
    const __m128 high = _mm256_cvtpd_ps (_mm256_add_pd (value, spread));
    _mm_storeu_ps (out, low);
    return _mm_movemask_ps (_mm_cmpeq_ps (low, high)) & usable;
}

__m256d pow10Error (__m256d argument) noexcept
{
    const __m256d magnitude = _mm256_andnot_pd (_mm256_set1_pd (-0.0), argument);
    return _mm256_add_pd (_mm256_mul_pd (magnitude, _mm256_set1_pd (2.3e-16)), _mm256_set1_pd (1.0e-15));
}

/** Lanes whose argument is inside ExactMath's range for the powers (|argument| < 85). */
int inRange (__m256d argument) noexcept
{
    const __m256d magnitude = _mm256_andnot_pd (_mm256_set1_pd (-0.0), argument);
    return _mm256_movemask_pd (_mm256_cmp_pd (magnitude, _mm256_set1_pd (85.0), _CMP_LT_OQ));
}

/** Lanes whose argument is finite. */
int finite (__m256d x) noexcept
{
    const __m256d magnitude = _mm256_andnot_pd (_mm256_set1_pd (-0.0), x);
    return _mm256_movemask_pd (_mm256_cmp_pd (magnitude, _mm256_set1_pd (1.7976931348623157e308), _CMP_LE_OQ));
}

/** The lanes outside the mask zeroed, so no function sees their values. */
__m256d keep (__m256d x, int mask) noexcept
{
    const __m256i bits = _mm256_set_epi64x ((mask & 8) ? -1 : 0, (mask & 4) ? -1 : 0, (mask & 2) ? -1 : 0, (mask & 1) ? -1 : 0);
    return _mm256_and_pd (x, _mm256_castsi256_pd (bits));
}
} // namespace

int log10ToFloat (const float* x, float* out, int count) noexcept
{
    int i = 0;
    for (; i + 3 < count; i += 4)
    {
        const __m256d values = _mm256_cvtps_pd (_mm_loadu_ps (x + i));
        // Positive normal floats only; the other lanes take 1.
        const __m256d normal = _mm256_and_pd (_mm256_cmp_pd (values, _mm256_set1_pd (0x1p-126), _CMP_GE_OQ),
                                              _mm256_cmp_pd (values, _mm256_set1_pd (0x1.fffffep127), _CMP_LE_OQ));
        const int usable = _mm256_movemask_pd (normal);
        const __m256d logs = _mm256_mul_pd (Sleef_logd4_u10avx2 (_mm256_blendv_pd (_mm256_set1_pd (1.0), values, normal)),
                                            _mm256_set1_pd (1.0 / ln10));
        const int ok = store4 (logs, _mm256_set1_pd (4.0e-15), usable, out + i);
        for (int lane = 0; lane < 4; ++lane)
            if ((ok & (1 << lane)) == 0)
            {
                countFallback();
                out[i + lane] = (float) log10 ((double) x[i + lane]);
            }
    }
    return i;
}

int pow10ToFloat (const double* y, float* out, int count) noexcept
{
    int i = 0;
    for (; i + 3 < count; i += 4)
    {
        const __m256d argument = _mm256_mul_pd (_mm256_loadu_pd (y + i), _mm256_set1_pd (ln10));
        const int usable = inRange (argument);
        const int ok = store4 (Sleef_expd4_u10avx2 (keep (argument, usable)), pow10Error (argument), usable, out + i);
        for (int lane = 0; lane < 4; ++lane)
            if ((ok & (1 << lane)) == 0)
            {
                countFallback();
                out[i + lane] = (float) pow (10.0, y[i + lane]);
            }
    }
    return i;
}

int meanOfPow10ToFloat (const double* y1, const double* y2, float* out, int count) noexcept
{
    int i = 0;
    for (; i + 3 < count; i += 4)
    {
        const __m256d a = _mm256_mul_pd (_mm256_loadu_pd (y1 + i), _mm256_set1_pd (ln10));
        const __m256d b = _mm256_mul_pd (_mm256_loadu_pd (y2 + i), _mm256_set1_pd (ln10));
        const int usable = inRange (a) & inRange (b);
        const __m256d error = _mm256_add_pd (_mm256_max_pd (pow10Error (a), pow10Error (b)), _mm256_set1_pd (3.0e-16));
        const __m256d sum = _mm256_add_pd (Sleef_expd4_u10avx2 (keep (a, usable)), Sleef_expd4_u10avx2 (keep (b, usable)));
        const int ok = store4 (_mm256_mul_pd (sum, _mm256_set1_pd (0.5)), error, usable, out + i);
        for (int lane = 0; lane < 4; ++lane)
            if ((ok & (1 << lane)) == 0)
            {
                countFallback();
                out[i + lane] = (float) ((pow (10.0, y1[i + lane]) + pow (10.0, y2[i + lane])) * 0.5);
            }
    }
    return i;
}

int atanToFloat (const double* x, float* out, int count) noexcept
{
    int i = 0;
    for (; i + 3 < count; i += 4)
    {
        const __m256d values = _mm256_loadu_pd (x + i);
        const int usable = finite (values);
        const int ok = store4 (Sleef_atand4_u10avx2 (keep (values, usable)), _mm256_set1_pd (1.0e-15), usable, out + i);
        for (int lane = 0; lane < 4; ++lane)
            if ((ok & (1 << lane)) == 0)
            {
                countFallback();
                out[i + lane] = (float) atan (x[i + lane]);
            }
    }
    return i;
}
} // namespace avx2
} // namespace vectorexactmath
