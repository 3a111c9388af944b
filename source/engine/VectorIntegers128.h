// The integer operations of the two- and four-lane paths, whose floats (F) fill one 128-bit
// register: a float's bits as a 32-bit integer, for the logarithm's reduction. Like
// VectorKernels.h, a path's file includes it inside its own unnamed namespace, before its struct
// Lanes, which derives from Integers128; it includes nothing.

struct Integers128
{
    using I = __m128i;
    static I bitsOf (__m128 v) noexcept { return _mm_castps_si128 (v); }
    static __m128 floatsOf (I v) noexcept { return _mm_castsi128_ps (v); }
    static I addInts (I a, int b) noexcept { return _mm_add_epi32 (a, _mm_set1_epi32 (b)); }
    static I andInts (I a, int b) noexcept { return _mm_and_si128 (a, _mm_set1_epi32 (b)); }
    template <int n>
    static I shiftRight (I a) noexcept
    {
        return _mm_srli_epi32 (a, n);
    }
    template <int n>
    static I shiftRightSigned (I a) noexcept
    {
        return _mm_srai_epi32 (a, n);
    }
};
