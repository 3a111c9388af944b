#include "VectorExactMath.h"

#include <emmintrin.h>
#include <sleef.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>

// The two-lane path: SSE2, which every x86-64 machine has.
namespace vectorexactmath::lanes2
{
namespace
{
#include "VectorIntegers128.h"

struct Lanes : Integers128
{
    static constexpr int width = 2;
    using D = __m128d;
    using F = __m128; // two floats in the low half
    using M = __m128d;

    static D set (double v) noexcept { return _mm_set1_pd (v); }
    static F setFloats (float v) noexcept { return _mm_set1_ps (v); }
    static F load (const float* p) noexcept { return _mm_castsi128_ps (_mm_loadl_epi64 (reinterpret_cast<const __m128i*> (p))); }
    static D load (const double* p) noexcept { return _mm_loadu_pd (p); }
    static void store (float* p, F v) noexcept { _mm_storel_epi64 (reinterpret_cast<__m128i*> (p), _mm_castps_si128 (v)); }
    static void store (double* p, D v) noexcept { _mm_storeu_pd (p, v); }
    static D toDouble (F v) noexcept { return _mm_cvtps_pd (v); }
    static F toFloat (D v) noexcept { return _mm_cvtpd_ps (v); }

    static D add (D a, D b) noexcept { return _mm_add_pd (a, b); }
    static D sub (D a, D b) noexcept { return _mm_sub_pd (a, b); }
    static D mul (D a, D b) noexcept { return _mm_mul_pd (a, b); }
    static D max (D a, D b) noexcept { return _mm_max_pd (a, b); }
    static D abs (D a) noexcept { return _mm_andnot_pd (_mm_set1_pd (-0.0), a); }
    static F addFloats (F a, F b) noexcept { return _mm_add_ps (a, b); }
    static F subFloats (F a, F b) noexcept { return _mm_sub_ps (a, b); }
    static F mulFloats (F a, F b) noexcept { return _mm_mul_ps (a, b); }
    static F divFloats (F a, F b) noexcept { return _mm_div_ps (a, b); }

    static M less (D a, D b) noexcept { return _mm_cmplt_pd (a, b); }
    static M lessEqual (D a, D b) noexcept { return _mm_cmple_pd (a, b); }
    static M equal (D a, D b) noexcept { return _mm_cmpeq_pd (a, b); }
    static M bothOf (M a, M b) noexcept { return _mm_and_pd (a, b); }
    static int bits (M m) noexcept { return _mm_movemask_pd (m); }
    static D select (M m, D a, D b) noexcept { return _mm_or_pd (_mm_and_pd (m, a), _mm_andnot_pd (m, b)); }
    static int equalFloats (F a, F b) noexcept { return _mm_movemask_ps (_mm_cmpeq_ps (a, b)) & 3; }

    // The logarithm's reduction: Integers128, and these.
    static D intsToDouble (I a) noexcept { return _mm_cvtepi32_pd (a); }
    /** table[index] in each lane: two loads, as SSE2 has no gather. */
    static D gather (const double* table, I index) noexcept
    {
        return _mm_set_pd (table[_mm_cvtsi128_si32 (_mm_srli_si128 (index, 4))], table[_mm_cvtsi128_si32 (index)]);
    }

    static D exp (D x) noexcept { return Sleef_expd2_u10 (x); }
    static D atan (D x) noexcept { return Sleef_atand2_u35 (x); }
};
} // namespace

#include "VectorKernels.h"
} // namespace vectorexactmath::lanes2

namespace vectorexactmath
{
namespace
{
int widestLanes() noexcept
{
    // SLEEF's 128-bit functions choose their code on their first call: here, when the library
    // loads, rather than on an audio thread.
    const __m128d one = _mm_set1_pd (1.0);
    volatile double warm = _mm_cvtsd_f64 (_mm_add_pd (Sleef_expd2_u10 (one), Sleef_atand2_u35 (one)));
    (void) warm;

    // The eight-lane file may use AVX2 encodings too, so it needs everything the four-lane one does.
    __builtin_cpu_init();
    if (! (__builtin_cpu_supports ("avx2") && __builtin_cpu_supports ("fma")))
        return 2;
    return __builtin_cpu_supports ("avx512f") ? 8 : 4;
}

/** The limit set by VELK_VECTOR_LANES (2 or 4; anything else leaves the widest path): for a
    machine that slows down as a whole while AVX-512 runs, and for comparing the paths. */
int lanesFromEnvironment() noexcept
{
    const char* value = std::getenv ("VELK_VECTOR_LANES");
    const int lanes = value != nullptr ? std::atoi (value) : 8;
    return lanes == 2 || lanes == 4 ? lanes : 8;
}

// Found when the library loads, so that no audio thread waits on a first-use guard.
const int available = widestLanes();
std::atomic<int> laneLimit { lanesFromEnvironment() };
std::atomic<long> fallbacks { 0 };

// A silent side's power in the linked level, computed by the C library when the library loads (a
// constant argument could be folded by the compiler instead).
volatile double silentExponent = -110.0 / 20.0;
const double silentPower = std::pow (10.0, silentExponent);

/** A path's entry points. */
struct Path
{
    decltype (&lanes2::log10ToFloat) log10ToFloat;
    decltype (&lanes2::log10Estimates) log10Estimates;
    decltype (&lanes2::pow10ToFloat) pow10ToFloat;
    decltype (&lanes2::linkedLevels) linkedLevels;
    decltype (&lanes2::atanToFloat) atanToFloat;
    decltype (&lanes2::atanShape) atanShape;
    decltype (&lanes2::linkedGains) linkedGains;
};

#define VELK_PATH(name)                                                                                                                         \
    {                                                                                                                                           \
        name::log10ToFloat, name::log10Estimates, name::pow10ToFloat, name::linkedLevels, name::atanToFloat, name::atanShape, name::linkedGains \
    }
constexpr Path twoLanes = VELK_PATH (lanes2), fourLanes = VELK_PATH (lanes4), eightLanes = VELK_PATH (lanes8);
#undef VELK_PATH

const Path& path() noexcept
{
    // clang-format off
    switch (lanesInUse())
    {
        case 8:  return eightLanes;
        case 4:  return fourLanes;
        default: return twoLanes;
    }
    // clang-format on
}

void countFallbacks (int lanes) noexcept
{
    if (lanes > 0)
        fallbacks.fetch_add (lanes, std::memory_order_relaxed);
}

/** Runs an elementary function over an array in pieces, the uncertain lanes through the C
    library. */
template <typename Run, typename Scalar>
void inPieces (float* out, int count, Run&& run, Scalar&& scalar) noexcept
{
    constexpr int piece = 256;
    int redo[piece];
    for (int start = 0; start < count; start += piece)
    {
        const int n = std::min (piece, count - start);
        const int uncertain = run (start, n, redo);
        countFallbacks (uncertain);
        for (int k = 0; k < uncertain; ++k)
            out[start + redo[k]] = scalar (start + redo[k]);
    }
}
} // namespace

int availableLanes() noexcept
{
    return available;
}

int lanesInUse() noexcept
{
    return std::min (available, laneLimit.load (std::memory_order_relaxed));
}

void limitLanes (int lanes) noexcept
{
    laneLimit.store (lanes, std::memory_order_relaxed);
}

long fallbackCount() noexcept
{
    return fallbacks.load (std::memory_order_relaxed);
}

void log10ToFloat (const float* x, float* out, int count) noexcept
{
    inPieces (
        out, count, [&] (int start, int n, int* redo)
        { return path().log10ToFloat (x + start, out + start, n, redo); },
        [&] (int i)
        { return (float) std::log10 ((double) x[i]); });
}

void log10Estimates (const float* x, double* out, int count) noexcept
{
    path().log10Estimates (x, out, count);
}

void pow10ToFloat (const double* y, float* out, int count) noexcept
{
    inPieces (
        out, count, [&] (int start, int n, int* redo)
        { return path().pow10ToFloat (y + start, out + start, n, redo); },
        [&] (int i)
        { return (float) std::pow (10.0, y[i]); });
}

double silentSidePower() noexcept
{
    return silentPower;
}

void linkedLevels (const float* envelopeLeft, const float* envelopeRight, float* out, double* estimates, double* bounds, int count) noexcept
{
    const auto decibels = [] (float envelope)
    { return envelope == 0.0f ? -110.0f : 20.0f * (float) std::log10 ((double) envelope); };
    inPieces (
        out, count, [&] (int start, int n, int* redo)
        { return path().linkedLevels (envelopeLeft + start, envelopeRight + start, silentSidePower(), out + start, estimates + start, bounds + start, n, redo); },
        [&] (int i)
        {
        estimates[i] = (std::pow (10.0, (double) decibels (envelopeLeft[i]) / 20.0) + std::pow (10.0, (double) decibels (envelopeRight[i]) / 20.0)) * 0.5;
        bounds[i] = 0.0;
        return (float) estimates[i];
        });
}

void atanToFloat (const double* x, float* out, int count) noexcept
{
    inPieces (
        out, count, [&] (int start, int n, int* redo)
        { return path().atanToFloat (x + start, out + start, n, redo); },
        [&] (int i)
        { return (float) std::atan (x[i]); });
}

int atanShape (int mode, float* samples, int count, float g, int* redo) noexcept
{
    const int uncertain = path().atanShape (mode, samples, count, g, redo);
    countFallbacks (uncertain);
    return uncertain;
}

int linkedGains (const float* envelopeLeft, const float* envelopeRight, float* gains, int count, const GainCurve& curve, int* redo) noexcept
{
    const int uncertain = path().linkedGains (envelopeLeft, envelopeRight, gains, count, curve, redo);
    countFallbacks (uncertain);
    return uncertain;
}
} // namespace vectorexactmath
