// The eight-lane path of VectorExactMath: SLEEF's AVX-512F functions. This file alone is compiled
// for AVX-512F and runs only where the engine's check found it; see VectorKernels.h for what it may
// and may not include.

#include "VectorPaths.h"

#include <immintrin.h>
#include <sleef.h>

// GCC 12's AVX-512 intrinsics start several results from a deliberately undefined vector, which
// its own warnings then report where they are inlined.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace vectorexactmath::lanes8
{
namespace
{
struct Lanes
{
    static constexpr int width = 8;
    using D = __m512d;
    using F = __m256;
    using M = __mmask8;

    static D set (double v) noexcept { return _mm512_set1_pd (v); }
    static F setFloats (float v) noexcept { return _mm256_set1_ps (v); }
    static F load (const float* p) noexcept { return _mm256_loadu_ps (p); }
    static D load (const double* p) noexcept { return _mm512_loadu_pd (p); }
    static void store (float* p, F v) noexcept { _mm256_storeu_ps (p, v); }
    static void store (double* p, D v) noexcept { _mm512_storeu_pd (p, v); }
    static D toDouble (F v) noexcept { return _mm512_cvtps_pd (v); }
    static F toFloat (D v) noexcept { return _mm512_cvtpd_ps (v); }

    static D add (D a, D b) noexcept { return _mm512_add_pd (a, b); }
    static D sub (D a, D b) noexcept { return _mm512_sub_pd (a, b); }
    static D mul (D a, D b) noexcept { return _mm512_mul_pd (a, b); }
    static D max (D a, D b) noexcept { return _mm512_max_pd (a, b); }
    static D abs (D a) noexcept { return _mm512_abs_pd (a); }
    static F addFloats (F a, F b) noexcept { return _mm256_add_ps (a, b); }
    static F subFloats (F a, F b) noexcept { return _mm256_sub_ps (a, b); }
    static F mulFloats (F a, F b) noexcept { return _mm256_mul_ps (a, b); }
    static F divFloats (F a, F b) noexcept { return _mm256_div_ps (a, b); }

    static M less (D a, D b) noexcept { return _mm512_cmp_pd_mask (a, b, _CMP_LT_OQ); }
    static M lessEqual (D a, D b) noexcept { return _mm512_cmp_pd_mask (a, b, _CMP_LE_OQ); }
    static M equal (D a, D b) noexcept { return _mm512_cmp_pd_mask (a, b, _CMP_EQ_OQ); }
    static M bothOf (M a, M b) noexcept { return (M) (a & b); }
    static int bits (M m) noexcept { return (int) m; }
    static D select (M m, D a, D b) noexcept { return _mm512_mask_blend_pd (m, b, a); }
    static int equalFloats (F a, F b) noexcept { return _mm256_movemask_ps (_mm256_cmp_ps (a, b, _CMP_EQ_OQ)); }

    // The floats' bits as 32-bit integers, for the logarithm's reduction (AVX2 encodings).
    using I = __m256i;
    static I bitsOf (F v) noexcept { return _mm256_castps_si256 (v); }
    static F floatsOf (I v) noexcept { return _mm256_castsi256_ps (v); }
    static I addInts (I a, int b) noexcept { return _mm256_add_epi32 (a, _mm256_set1_epi32 (b)); }
    static I andInts (I a, int b) noexcept { return _mm256_and_si256 (a, _mm256_set1_epi32 (b)); }
    template <int n>
    static I shiftRight (I a) noexcept
    {
        return _mm256_srli_epi32 (a, n);
    }
    template <int n>
    static I shiftRightSigned (I a) noexcept
    {
        return _mm256_srai_epi32 (a, n);
    }
    static D intsToDouble (I a) noexcept { return _mm512_cvtepi32_pd (a); }
    static D gather (const double* table, I index) noexcept { return _mm512_i32gather_pd (index, table, 8); }

    static D exp (D x) noexcept { return Sleef_expd8_u10avx512f (x); }
    static D atan (D x) noexcept { return Sleef_atand8_u35avx512f (x); }
};
} // namespace

#include "VectorKernels.h"
} // namespace vectorexactmath::lanes8
