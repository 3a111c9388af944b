// The four-lane path of VectorExactMath: SLEEF's AVX2 functions. This file alone is compiled for
// AVX2 and FMA and runs only where the engine's check found them; see VectorKernels.h for what it
// may and may not include.

#include "VectorPaths.h"

#include <immintrin.h>
#include <sleef.h>

// GCC 12's gather intrinsic starts its result from a deliberately undefined vector, which its own
// warnings then report where it is inlined.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace vectorexactmath::lanes4
{
namespace
{
#include "VectorIntegers128.h"

struct Lanes : Integers128
{
    static constexpr int width = 4;
    using D = __m256d;
    using F = __m128;
    using M = __m256d;

    static D set (double v) noexcept { return _mm256_set1_pd (v); }
    static F setFloats (float v) noexcept { return _mm_set1_ps (v); }
    static F load (const float* p) noexcept { return _mm_loadu_ps (p); }
    static D load (const double* p) noexcept { return _mm256_loadu_pd (p); }
    static void store (float* p, F v) noexcept { _mm_storeu_ps (p, v); }
    static void store (double* p, D v) noexcept { _mm256_storeu_pd (p, v); }
    static D toDouble (F v) noexcept { return _mm256_cvtps_pd (v); }
    static F toFloat (D v) noexcept { return _mm256_cvtpd_ps (v); }

    static D add (D a, D b) noexcept { return _mm256_add_pd (a, b); }
    static D sub (D a, D b) noexcept { return _mm256_sub_pd (a, b); }
    static D mul (D a, D b) noexcept { return _mm256_mul_pd (a, b); }
    static D max (D a, D b) noexcept { return _mm256_max_pd (a, b); }
    static D abs (D a) noexcept { return _mm256_andnot_pd (_mm256_set1_pd (-0.0), a); }
    static F addFloats (F a, F b) noexcept { return _mm_add_ps (a, b); }
    static F subFloats (F a, F b) noexcept { return _mm_sub_ps (a, b); }
    static F mulFloats (F a, F b) noexcept { return _mm_mul_ps (a, b); }
    static F divFloats (F a, F b) noexcept { return _mm_div_ps (a, b); }

    static M less (D a, D b) noexcept { return _mm256_cmp_pd (a, b, _CMP_LT_OQ); }
    static M lessEqual (D a, D b) noexcept { return _mm256_cmp_pd (a, b, _CMP_LE_OQ); }
    static M equal (D a, D b) noexcept { return _mm256_cmp_pd (a, b, _CMP_EQ_OQ); }
    static M bothOf (M a, M b) noexcept { return _mm256_and_pd (a, b); }
    static int bits (M m) noexcept { return _mm256_movemask_pd (m); }
    static D select (M m, D a, D b) noexcept { return _mm256_blendv_pd (b, a, m); }
    static int equalFloats (F a, F b) noexcept { return _mm_movemask_ps (_mm_cmpeq_ps (a, b)); }

    // The logarithm's reduction: Integers128, and these.
    static D intsToDouble (I a) noexcept { return _mm256_cvtepi32_pd (a); }
    static D gather (const double* table, I index) noexcept { return _mm256_i32gather_pd (table, index, 8); }

    static D exp (D x) noexcept { return Sleef_expd4_u10avx2 (x); }
    static D atan (D x) noexcept { return Sleef_atand4_u35avx2 (x); }
};
} // namespace

#include "VectorKernels.h"
} // namespace vectorexactmath::lanes4
