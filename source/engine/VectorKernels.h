// The vector paths' code, written once for any lane width. A path's file includes it inside its
// own namespace (vectorexactmath::lanes2, lanes4 or lanes8), right after defining a struct Lanes
// in an unnamed namespace there: the vector types D (doubles) and F (as many floats), the mask type
// M, and the operations below, each one instruction (the two-lane gather two loads) or one SLEEF
// call, and the integer type I with its operations for the logarithm. Everything here then has
// internal linkage or the path's own names, so code compiled for one instruction set never stands
// in for another's. It includes nothing (no inline library code may slip in) and uses no library
// function.
//
// Each result is the plain formula's float (the C library's double functions, rounded), bit for
// bit, where the lane keeps it; see gate in VectorPaths.h for the bounds. Like the whole build, the paths' files are
// compiled with -ffp-contract=off: a product and a sum here are two roundings, never one fused
// multiply-add, as in the scalar formulas.

namespace
{
/**
    The logarithm's table: the floats from sqrt (1/2) up to sqrt (2) in 64 ranges of equal width in
    their bits, and for each range a reciprocal of its centre with 22 significant bits (so that a
    float times it is exact in double) and minus its natural logarithm, rounded to double.
*/
constexpr double logReciprocals[64] = {
    0x1.680cb80000000p+0, 0x1.6422f00000000p+0, 0x1.604eb80000000p+0, 0x1.5c8f580000000p+0, 0x1.58e4280000000p+0,
    0x1.554c880000000p+0, 0x1.51c7e00000000p+0, 0x1.4e55980000000p+0, 0x1.4af5280000000p+0, 0x1.47a5f80000000p+0,
    0x1.4467900000000p+0, 0x1.4139780000000p+0, 0x1.3e1b280000000p+0, 0x1.3b0c300000000p+0, 0x1.380c280000000p+0,
    0x1.351a980000000p+0, 0x1.3237200000000p+0, 0x1.2f61580000000p+0, 0x1.2c98e00000000p+0, 0x1.29dd600000000p+0,
    0x1.272e780000000p+0, 0x1.248bd00000000p+0, 0x1.21f5200000000p+0, 0x1.1f6a080000000p+0, 0x1.1cea480000000p+0,
    0x1.1a75900000000p+0, 0x1.180b980000000p+0, 0x1.15ac100000000p+0, 0x1.1356c80000000p+0, 0x1.110b700000000p+0,
    0x1.0ec9d00000000p+0, 0x1.0c91a00000000p+0, 0x1.0a62b80000000p+0, 0x1.083cc80000000p+0, 0x1.061fb00000000p+0,
    0x1.040b280000000p+0, 0x1.01ff000000000p+0, 0x1.fef1b00000000p-1, 0x1.f80c500000000p-1, 0x1.f069800000000p-1,
    0x1.e901100000000p-1, 0x1.e1d0600000000p-1, 0x1.dad5000000000p-1, 0x1.d40cb00000000p-1, 0x1.cd75500000000p-1,
    0x1.c70cd00000000p-1, 0x1.c0d1400000000p-1, 0x1.bac0c00000000p-1, 0x1.b4d9b00000000p-1, 0x1.af1a600000000p-1,
    0x1.a981500000000p-1, 0x1.a40cf00000000p-1, 0x1.9ebbf00000000p-1, 0x1.998cf00000000p-1, 0x1.947eb00000000p-1,
    0x1.8f90100000000p-1, 0x1.8abfd00000000p-1, 0x1.860ce00000000p-1, 0x1.8176500000000p-1, 0x1.7cfb000000000p-1,
    0x1.789a100000000p-1, 0x1.7452a00000000p-1, 0x1.7023d00000000p-1, 0x1.6c0cc00000000p-1
};
constexpr double logOfReciprocals[64] = {
    -0x1.5d4008d4c2080p-2, -0x1.520f5214a0312p-2, -0x1.46fda28a7693ap-2, -0x1.3c0a39988e36ap-2,
    -0x1.313474845a26bp-2, -0x1.267bb8bc22f18p-2, -0x1.1bdf74e04e3d8p-2, -0x1.115f094ed612cp-2,
    -0x1.06f9f9733e000p-2, -0x1.f95f142a9854bp-3, -0x1.e4feac608a933p-3, -0x1.d0d1db8c568e2p-3,
    -0x1.bcd7446c8dc81p-3, -0x1.a90e0b33f17d9p-3, -0x1.957573be14012p-3, -0x1.820c44c631789p-3,
    -0x1.6ed1ce2b31c87p-3, -0x1.5bc5182b9b6c8p-3, -0x1.48e54dabdb22cp-3, -0x1.3631be7cd1fbdp-3,
    -0x1.23a972a282cb7p-3, -0x1.114b97a228d32p-3, -0x1.fe2f76a2caf4ep-4, -0x1.da1967406aec5p-4,
    -0x1.b65452e7ae5c5p-4, -0x1.92de8ce729c2ep-4, -0x1.6fb6bec527d5fp-4, -0x1.4cdb00ea791fcp-4,
    -0x1.2a4b2861f6e4fp-4, -0x1.08051a7b13088p-4, -0x1.cc100f292b7d9p-5, -0x1.88a42f991f934p-5,
    -0x1.45c6859c8d35ap-5, -0x1.03720efb4d7d1p-5, -0x1.834ec75ac0f75p-6, -0x1.00c43a6360502p-6,
    -0x1.fd04a23af054dp-8, 0x1.0e97745db5f99p-9, 0x1.00752968a75c0p-6, 0x1.fa903c6de175bp-6, 0x1.7873c8f64bd32p-5,
    0x1.f1ccb1694a415p-5, 0x1.34b05c03ef5b0p-4, 0x1.6f9e273f49f5fp-4, 0x1.a9b5b02270b77p-4, 0x1.e2fd294d45209p-4,
    0x1.0dbd34f93093fp-3, 0x1.2999b8a78e62cp-3, 0x1.45164eea444b5p-3, 0x1.6035c020b58c3p-3, 0x1.7afa402eb8aebp-3,
    0x1.956698d6c8d16p-3, 0x1.af7ca4e889667p-3, 0x1.c93ecd74365c0p-3, 0x1.e2af1cd7f9947p-3, 0x1.fbcf35c3aecd3p-3,
    0x1.0a50cb1b68ae2p-2, 0x1.1693ff2cc3f0fp-2, 0x1.22b1dbab7a448p-2, 0x1.2eab9c1a66069p-2, 0x1.3a81ea40bfa8dp-2,
    0x1.463584895364ep-2, 0x1.51c73e57ace7bp-2, 0x1.5d3800587f0efp-2
};

template <typename L>
struct Kernels
{
    using D = typename L::D;
    using F = typename L::F;
    static constexpr int width = L::width;
    static constexpr int allLanes = (1 << width) - 1;
    static constexpr double ln10 = 2.30258509299404568402;

    /** The lanes whose value * (1 +- relativeError) rounds to one float: that float in result,
        and the lanes' bits returned. */
    static int roundCertain (D value, D relativeError, F& result) noexcept
    {
        const D spread = L::mul (L::abs (value), relativeError);
        const F low = L::toFloat (L::sub (value, spread));
        const F high = L::toFloat (L::add (value, spread));
        result = low;
        return L::equalFloats (low, high);
    }

    /** The lanes of x that hold positive normal floats, the only ones whose logarithm is taken:
        the others become 1 in x. */
    static int logInput (D& x) noexcept
    {
        const auto normal = L::bothOf (L::lessEqual (L::set (0x1p-126), x), L::lessEqual (x, L::set (0x1.fffffep127)));
        x = L::select (normal, x, L::set (1.0));
        return L::bits (normal);
    }

    /**
        The natural logarithm of positive normal floats, in double, without a division: x is
        2^e m with m from sqrt (1/2) up to sqrt (2) (the bits of x less those of sqrt (1/2), split
        into exponent and fraction), m times the table's reciprocal of its range's centre is
        1 + r exactly with |r| < 2^-7, and ln x = e ln 2 - ln (reciprocal) + ln (1 + r), the last
        as its series to r^7. Within 2^-7 of 1 the table is left out (r = x - 1, exact), so that
        nothing cancels there. tools/gatecases checks every positive normal float against the
        exact logarithm.
    */
    static D naturalLog (F x) noexcept
    {
        const auto offset = L::addInts (L::bitsOf (x), -0x3f3504f3);
        const auto fraction = L::andInts (offset, 0x7fffff);
        const auto index = L::template shiftRight<17> (fraction);
        const D exponent = L::intsToDouble (L::template shiftRightSigned<23> (offset));
        const D m = L::toDouble (L::floatsOf (L::addInts (fraction, 0x3f3504f3)));

        const D fromOne = L::sub (L::toDouble (x), L::set (1.0));
        const auto nearOne = L::less (L::abs (fromOne), L::set (0x1p-7));
        const D r = L::select (nearOne, fromOne, L::sub (L::mul (m, L::gather (logReciprocals, index)), L::set (1.0)));
        const D tableLog = L::select (nearOne, L::set (0.0), L::gather (logOfReciprocals, index));

        // ln (1 + r) = r + r^2 (-1/2 + r (1/3 + r (-1/4 + r (1/5 + r (-1/6 + r / 7))))).
        D q = L::add (L::mul (L::set (1.0 / 7.0), r), L::set (-1.0 / 6.0));
        q = L::add (L::mul (q, r), L::set (1.0 / 5.0));
        q = L::add (L::mul (q, r), L::set (-1.0 / 4.0));
        q = L::add (L::mul (q, r), L::set (1.0 / 3.0));
        q = L::add (L::mul (q, r), L::set (-1.0 / 2.0));
        const D series = L::add (L::mul (L::mul (r, r), q), r);

        // ln 2 in two parts, the first with 39 significant bits, so that exponent * ln2High is exact.
        const D ln2High = L::set (0x1.62e42fefa4p-1), ln2Low = L::set (-0x1.8432a1b0e2634p-43);
        return L::add (L::mul (exponent, ln2High), L::add (tableLog, L::add (L::mul (exponent, ln2Low), series)));
    }

    /** log10 (x) in double from the natural logarithm of x (see naturalLog). */
    static D log10Of (D naturalLog) noexcept
    {
        return L::mul (naturalLog, L::set (0.43429448190325182765)); // log10 (e)
    }

    /** log10 (x) in double, for x holding floats; usable names the positive normal ones, the only
        ones taken: the others become 1 in x. */
    static D log10Estimate (D& x, int& usable) noexcept
    {
        usable = logInput (x);
        return log10Of (naturalLog (L::toFloat (x)));
    }

    /** The lanes whose log10 estimate lg rounds to one float whatever its error (gate::log10Bound):
        that float in result. */
    static int log10Certain (D lg, F& result) noexcept
    {
        return roundCertain (lg, L::set (gate::log10Bound), result);
    }

    /** (float) log10 (x), for x holding floats; positive normal floats only. */
    static int log10Lanes (D x, F& result) noexcept
    {
        int usable;
        const D logs = log10Estimate (x, usable);
        return log10Certain (logs, result) & usable;
    }

    /** The relative error bound of exp (y ln 10) as 10^y: the argument's rounding scaled by its
        size, plus the two libraries' errors. It also covers a y within 2.8e-16 relative of the
        exponent of the formula, as decibels * 0.05 is of decibels / 20 (a division costs more
        than all the rest of a lane). */
    static D pow10Error (D argument) noexcept
    {
        return L::add (L::mul (L::abs (argument), L::set (gate::powerPerArgument)), L::set (gate::powerBase));
    }

    /** The lanes whose argument lies in the powers' range (|argument| < 85); the others zeroed
        in argument, so that no function sees their values. */
    static int powerRange (D& argument) noexcept
    {
        const auto inRange = L::less (L::abs (argument), L::set (85.0));
        argument = L::select (inRange, argument, L::set (0.0));
        return L::bits (inRange);
    }

    /** (float) pow (10, y). */
    static int pow10Lanes (D y, F& result) noexcept
    {
        D error;
        const int usable = powerInput (y, error);
        return roundCertain (L::exp (y), error, result) & usable;
    }

    /** pow10Lanes' input: y becomes the exponential's argument, y ln 10 (zero where out of range),
        with its error bound; returns the lanes in range. */
    static int powerInput (D& y, D& error) noexcept
    {
        y = L::mul (y, L::set (ln10));
        error = pow10Error (y);
        return powerRange (y);
    }

    /**
        One side's power in the linked level, pow (10, dB / 20) for the side's level in dB
        (20 * (float) log10 (envelope), rounded to float), without an exponential: it is
        envelope * 10^(dB / 20 - log10 (envelope)), whose exponent is tiny, as the level in dB is
        the logarithm rounded. From lg, the estimate of log10 (envelope), and exponent, dB * 0.05:
        t = (exponent - lg) ln 10, |t| < 2e-5, and exp (t) to the cube (the rest is below 1e-20).

        The bound, relative to the C library's power: the exponent is within 2.8e-16 of dB / 20
        and lg within 5.63e-16 of log10 (envelope), which moves t by up to (6.5e-16 + 1.3e-15)
        * |dB / 20|; the arithmetic adds 5e-16 and the library's power (2 ULP) 4.4e-16 more:
        |exponent| * gate::levelPerExponent + gate::levelBase.
    */
    static D powerOfLevel (D envelope, D lg, D exponent, D& error) noexcept
    {
        const D t = L::mul (L::sub (exponent, lg), L::set (ln10));
        const D cube = L::add (L::mul (L::add (L::mul (L::add (L::mul (t, L::set (1.0 / 6.0)), L::set (0.5)), t), L::set (1.0)), t), L::set (1.0));
        error = L::add (L::mul (L::abs (exponent), L::set (gate::levelPerExponent)), L::set (gate::levelBase));
        return L::mul (envelope, cube);
    }

    /**
        The linked level of envelope pairs (GainComputer::linkedGain's): each side in dB (-110
        for an envelope of 0, whose logarithm is never taken), the mean of their powers, rounded
        to float. The mean's value before the rounding and its relative error bound go to
        estimate and bound. Both powers are positive, so the sum's relative error is at most the
        larger one's, plus the rounding of the two sums.
    */
    static int linkLanes (D left, D right, double silentPower, F& result, D& estimate, D& bound) noexcept
    {
        D leftIn, rightIn;
        const int usable = linkInputs (left, right, leftIn, rightIn);
        return linkFromLogs (left, right, leftIn, rightIn, naturalLog (L::toFloat (leftIn)), naturalLog (L::toFloat (rightIn)), usable, silentPower, result, estimate, bound);
    }

    /** linkLanes' inputs of the two logarithms: a silent side (0) and a lane that is not a
        positive normal float as 1. Returns the lanes usable (silent or normal on both sides). */
    static int linkInputs (D left, D right, D& leftIn, D& rightIn) noexcept
    {
        leftIn = L::select (L::equal (left, L::set (0.0)), L::set (1.0), left);
        rightIn = L::select (L::equal (right, L::set (0.0)), L::set (1.0), right);
        return logInput (leftIn) & logInput (rightIn);
    }

    /** linkLanes from its inputs and their natural logarithms. */
    static int linkFromLogs (D left, D right, D leftIn, D rightIn, D leftLn, D rightLn, int usable, double silentPower, F& result, D& estimate, D& bound) noexcept
    {
        const auto leftSilent = L::equal (left, L::set (0.0)), rightSilent = L::equal (right, L::set (0.0));
        const D leftLg = log10Of (leftLn), rightLg = log10Of (rightLn);
        F leftLog, rightLog;
        const int kept = log10Certain (leftLg, leftLog) & log10Certain (rightLg, rightLog) & usable;

        const D twentieth = L::set (0.05);
        D leftError, rightError;
        const D leftPower = powerOfLevel (leftIn, leftLg, L::mul (L::toDouble (L::mulFloats (L::setFloats (20.0f), leftLog)), twentieth), leftError);
        const D rightPower = powerOfLevel (rightIn, rightLg, L::mul (L::toDouble (L::mulFloats (L::setFloats (20.0f), rightLog)), twentieth), rightError);

        // A silent side's power is the library's own 10^-5.5.
        const D silent = L::set (silentPower);
        estimate = L::mul (L::add (L::select (leftSilent, silent, leftPower), L::select (rightSilent, silent, rightPower)), L::set (0.5));
        bound = L::add (L::max (L::select (leftSilent, L::set (0.0), leftError), L::select (rightSilent, L::set (0.0), rightError)), L::set (gate::levelSum));
        return roundCertain (estimate, bound, result) & kept;
    }

    /** (float) atan (x), finite x; the lane keeps the result where gate::atanBound around it
        rounds to one float. */
    static int atanLanes (D x, F& result) noexcept
    {
        int finite;
        if (atanInput (x, finite))
        {
            result = L::toFloat (x);
            return allLanes;
        }
        return atanCertain (L::atan (x), result) & finite;
    }

    /** The lanes whose arctangent estimate rounds to one float whatever its error
        (gate::atanBound): that float in result. */
    static int atanCertain (D angle, F& result) noexcept
    {
        return roundCertain (angle, L::set (gate::atanBound), result);
    }

    /** atanLanes' input: true for a vector of zeros, whose arctangents are the zeros themselves
        (no arctangent is taken); otherwise the lanes that are finite go to finite and the others
        become 0 in x. */
    static bool atanInput (D& x, int& finite) noexcept
    {
        if (L::bits (L::equal (x, L::set (0.0))) == allLanes)
        {
            finite = allLanes;
            return true;
        }
        const auto isFinite = L::lessEqual (L::abs (x), L::set (1.7976931348623157e308));
        x = L::select (isFinite, x, L::set (0.0));
        finite = L::bits (isFinite);
        return false;
    }

    /** Appends the lanes of vector start that are not in kept (and below count) to redo. */
    static int addRedo (int kept, int start, int count, int* redo, int n) noexcept
    {
        for (int missing = ~kept & allLanes; missing != 0; missing &= missing - 1)
        {
            const int index = start + __builtin_ctz ((unsigned) missing);
            if (index < count)
                redo[n++] = index;
        }
        return n;
    }

    /**
        Runs body (start, in, out) over count values, a vector at a time: in points at the vector's
        inputs (of type T) and out at its floats. A last partial vector goes through buffers
        padded with padding.
    */
    template <typename T, typename Body>
    static void overArray (const T* input, float* output, int count, T padding, Body&& body) noexcept
    {
        int start = 0;
        for (; start + width <= count; start += width)
            body (start, input + start, output + start);

        if (start < count)
        {
            T in[width];
            float out[width];
            for (int lane = 0; lane < width; ++lane)
                in[lane] = start + lane < count ? input[start + lane] : padding;
            body (start, in, out);
            for (int lane = 0; start + lane < count; ++lane)
                output[start + lane] = out[lane];
        }
    }

    /** One elementary function over an array: lane (start, vector, result) returns the lanes
        kept. */
    template <typename T, typename Lane>
    static int elementary (const T* input, float* output, int count, T padding, int* redo, Lane&& lane) noexcept
    {
        int n = 0;
        overArray (input, output, count, padding, [&] (int start, const T* in, float* out)
                   {
            F result;
            const int kept = lane (start, L::load (in), result);
            L::store (out, result);
            if (kept != allLanes)
                n = addRedo (kept, start, count, redo, n); });
        return n;
    }

    /** The argument of the arctangent in a colouring curve (see AtanShapes.h). */
    template <int mode>
    static D shapeArgument (D x, double g) noexcept
    {
        if constexpr (mode == 0)
        {
            const D u = L::mul (L::set (g - 0.2), x);
            return L::add (L::mul (L::mul (L::mul (u, u), L::set (0.544)), L::set (2.0)), x);
        }
        else if constexpr (mode == 3)
        {
            const D u = L::mul (x, L::set (0.068));
            return L::add (L::mul (L::mul (L::mul (u, u), L::set (0.476)), L::set (2.0)), x);
        }
        else
        {
            const D u = L::mul (x, L::set (0.454));
            return L::toDouble (L::toFloat (L::add (L::mul (L::mul (L::mul (u, u), L::set (g)), L::set (2.0)), x)));
        }
    }

    /** What follows the arctangent a in a colouring curve. */
    template <int mode>
    static F shapeFinish (F x, F a, float g) noexcept
    {
        if constexpr (mode == 0)
        {
            const F v = L::toFloat (L::add (L::mul (L::toDouble (a), L::set (0.03)), L::toDouble (x)));
            return L::toFloat (L::mul (L::toDouble (v), L::set (1.82)));
        }
        else if constexpr (mode == 3)
        {
            const F v = L::addFloats (L::mulFloats (a, L::setFloats (g)), x);
            return L::toFloat (L::mul (L::toDouble (v), L::set (1.32)));
        }
        else
        {
            return L::toFloat (L::mul (L::toDouble (L::addFloats (a, x)), L::set (1.04)));
        }
    }

    /** A colouring curve in place; a lane whose arctangent is not certain keeps its sample. The
        arguments, the arctangents and what follows them run as three passes (see linkedGains). */
    template <int mode>
    static int shape (float* samples, int count, float g, int* redo) noexcept
    {
        constexpr int piece = 256;
        int n = 0;
        for (int pieceStart = 0; pieceStart < count; pieceStart += piece)
        {
            const int length = count - pieceStart < piece ? count - pieceStart : piece;
            const int vectors = (length + width - 1) / width;
            float x[piece + width], arctangents[piece + width];
            for (int i = 0; i < length; ++i)
                x[i] = samples[pieceStart + i];
            for (int i = length; i < vectors * width; ++i)
                x[i] = 0.0f;

            D arguments[piece / width];
            for (int k = 0; k < vectors; ++k)
                arguments[k] = shapeArgument<mode> (L::toDouble (L::load (x + k * width)), (double) g);

            // The arctangents as atanLanes takes them, its SLEEF calls in a loop of their own.
            int kept[piece / width];
            bool silent[piece / width];
            for (int k = 0; k < vectors; ++k)
                silent[k] = atanInput (arguments[k], kept[k]);
            D angles[piece / width];
            for (int k = 0; k < vectors; ++k)
                angles[k] = silent[k] ? arguments[k] : L::atan (arguments[k]);
            for (int k = 0; k < vectors; ++k)
            {
                F a = L::toFloat (angles[k]);
                if (! silent[k])
                    kept[k] &= atanCertain (angles[k], a);
                L::store (arctangents + k * width, a);
            }

            for (int k = 0; k < vectors; ++k)
            {
                float* out = samples + pieceStart + k * width;
                const F y = shapeFinish<mode> (L::load (x + k * width), L::load (arctangents + k * width), g);
                if (kept[k] == allLanes && (k + 1) * width <= length)
                {
                    L::store (out, y);
                    continue;
                }
                // The last partial vector, or lanes left to the caller with their samples.
                float lanes[width];
                L::store (lanes, y);
                for (int lane = 0; lane < width && k * width + lane < length; ++lane)
                    if ((kept[k] & (1 << lane)) != 0)
                        out[lane] = lanes[lane];
                n = addRedo (kept[k], pieceStart + k * width, count, redo, n);
            }
        }
        return n;
    }

    /** The curve's gain in dB (GainComputer::gainDb), as doubles. */
    static D gainDb (F levelDb, const GainCurve& curve) noexcept
    {
        F slope = L::setFloats (curve.slope);
        if (curve.hasKnee)
        {
            // Within the knee the slope is interpolated from 0 at its lower end to the full
            // slope at its top.
            const D level = L::toDouble (levelDb);
            const auto inKnee = L::bothOf (L::less (L::set (curve.kneeLow), level), L::less (level, L::set (curve.kneeHigh)));
            const F low = L::setFloats (curve.kneeLowSingle);
            const F fraction = L::divFloats (L::subFloats (levelDb, low), L::subFloats (L::setFloats (curve.kneeTopSingle), low));
            slope = L::toFloat (L::select (inKnee, L::toDouble (L::mulFloats (slope, fraction)), L::toDouble (slope)));
        }
        const D result = L::toDouble (L::mulFloats (L::subFloats (L::setFloats (curve.thresholdDb), levelDb), slope));
        return L::select (L::less (L::set (0.0), result), L::set (0.0), result);
    }

    /**
        GainComputer::linkedGain over arrays: exactly 1 where the mean envelope is at or below the
        threshold, else the curve of the linked level. Every step rounds as the scalar code does;
        a lane with any step uncertain goes to redo.

        The steps run as passes over the vectors that need the curve, each pass one SLEEF function
        per vector: successive vectors' work is then independent and close together, so the
        processor overlaps it, where one vector's whole chain would leave it waiting.
    */
    static int linkedGains (const float* envelopeLeft, const float* envelopeRight, float* gains, int count, const GainCurve& curve, int* redo) noexcept
    {
        // Pieces of 128 keep the passes' arrays within about 9 KB of stack on every path.
        constexpr int piece = 128;
        constexpr int maxVectors = piece / width;
        int n = 0;
        for (int pieceStart = 0; pieceStart < count; pieceStart += piece)
        {
            const int length = count - pieceStart < piece ? count - pieceStart : piece;
            float left[piece + width], right[piece + width];
            for (int i = 0; i < length; ++i)
            {
                left[i] = envelopeLeft[pieceStart + i];
                right[i] = envelopeRight[pieceStart + i];
            }
            for (int i = length; i < length + width; ++i)
                left[i] = right[i] = 0.0f;

            float out[piece + width];
            // The vectors that need the curve: where they start, their lanes that do, the lanes
            // kept so far, and each one's value between the passes.
            int vectors[maxVectors], needed[maxVectors], kept[maxVectors];
            D value[maxVectors];
            int m = 0;

            // Which vectors need the curve; the others are exactly 1. A silent side counts as
            // -110 dB, 10^-5.5 linear.
            for (int start = 0; start < length; start += width)
            {
                const D l = L::toDouble (L::load (left + start)), r = L::toDouble (L::load (right + start));
                const auto leftSilent = L::equal (l, L::set (0.0)), rightSilent = L::equal (r, L::set (0.0));
                const D silentEnvelope = L::set (curve.silentEnvelope);
                const D mean = L::mul (L::add (L::select (leftSilent, silentEnvelope, l), L::select (rightSilent, silentEnvelope, r)), L::set (0.5));
                // Exactly as the scalar test: a lane needs the curve unless mean <= below.
                const int bits = allLanes & ~L::bits (L::lessEqual (mean, L::set (curve.belowThresholdEnvelope)));
                if (bits == 0)
                {
                    L::store (out + start, L::setFloats (1.0f));
                    continue;
                }
                vectors[m] = start;
                needed[m] = bits;
                ++m;
            }

            // The linked level, in dB, through the curve, and the gain, linear, in passes over the
            // vectors, so that successive vectors' work is independent and close together.
            D leftIn[maxVectors], rightIn[maxVectors];
            for (int k = 0; k < m; ++k)
                kept[k] = linkInputs (L::toDouble (L::load (left + vectors[k])), L::toDouble (L::load (right + vectors[k])), leftIn[k], rightIn[k]);
            D leftLn[maxVectors], rightLn[maxVectors];
            for (int k = 0; k < m; ++k)
            {
                leftLn[k] = naturalLog (L::toFloat (leftIn[k]));
                rightLn[k] = naturalLog (L::toFloat (rightIn[k]));
            }
            for (int k = 0; k < m; ++k)
            {
                F linked;
                D estimate, bound;
                const D l = L::toDouble (L::load (left + vectors[k])), r = L::toDouble (L::load (right + vectors[k]));
                kept[k] = linkFromLogs (l, r, leftIn[k], rightIn[k], leftLn[k], rightLn[k], kept[k], curve.silentPower, linked, estimate, bound);
                value[k] = L::toDouble (linked);
                kept[k] &= logInput (value[k]);
            }

            for (int k = 0; k < m; ++k)
                value[k] = naturalLog (L::toFloat (value[k]));
            D error[maxVectors];
            for (int k = 0; k < m; ++k)
            {
                F linkedLog;
                kept[k] &= log10Certain (log10Of (value[k]), linkedLog);
                value[k] = L::mul (gainDb (L::mulFloats (L::setFloats (20.0f), linkedLog), curve), L::set (0.05));
                kept[k] &= powerInput (value[k], error[k]);
            }

            // SLEEF's exponentials in a loop of their own: a call clobbers every vector register,
            // so nothing else may live across it.
            for (int k = 0; k < m; ++k)
                value[k] = L::exp (value[k]);
            for (int k = 0; k < m; ++k)
            {
                F gain;
                kept[k] &= roundCertain (value[k], error[k], gain);
                L::store (out + vectors[k], gain);
                if (needed[k] != allLanes)
                    for (int lane = 0; lane < width; ++lane)
                        if ((needed[k] & (1 << lane)) == 0)
                            out[vectors[k] + lane] = 1.0f;
                const int uncertain = needed[k] & ~kept[k];
                if (uncertain != 0)
                    n = addRedo (~uncertain, pieceStart + vectors[k], count, redo, n);
            }

            for (int i = 0; i < length; ++i)
                gains[pieceStart + i] = out[i];
        }
        return n;
    }
};
} // namespace

using Vector = Kernels<Lanes>;
using D = Lanes::D;
using F = Lanes::F;

int log10ToFloat (const float* x, float* out, int count, int* redo) noexcept
{
    return Vector::elementary (x, out, count, 1.0f, redo, [] (int, F v, F& r)
                               { return Vector::log10Lanes (Lanes::toDouble (v), r); });
}

void log10Estimates (const float* x, double* out, int count) noexcept
{
    for (int start = 0; start + Lanes::width <= count; start += Lanes::width)
        Lanes::store (out + start, Vector::log10Of (Vector::naturalLog (Lanes::load (x + start))));
}

int pow10ToFloat (const double* y, float* out, int count, int* redo) noexcept
{
    return Vector::elementary (y, out, count, 0.0, redo, [] (int, D v, F& r)
                               { return Vector::pow10Lanes (v, r); });
}

int linkedLevels (const float* envelopeLeft, const float* envelopeRight, double silentPower, float* out, double* estimates, double* bounds,
                  int count, int* redo) noexcept
{
    // The right side goes in padded, beside the left.
    return Vector::elementary (envelopeLeft, out, count, 0.0f, redo, [&] (int start, F left, F& r)
                               {
        float right[Lanes::width];
        for (int lane = 0; lane < Lanes::width; ++lane)
            right[lane] = start + lane < count ? envelopeRight[start + lane] : 0.0f;
        D estimate, bound;
        const int kept = Vector::linkLanes (Lanes::toDouble (left), Lanes::toDouble (Lanes::load (right)), silentPower, r, estimate, bound);
        double lanes[Lanes::width], laneBounds[Lanes::width];
        Lanes::store (lanes, estimate);
        Lanes::store (laneBounds, bound);
        for (int lane = 0; lane < Lanes::width && start + lane < count; ++lane)
        {
            estimates[start + lane] = lanes[lane];
            bounds[start + lane] = laneBounds[lane];
        }
        return kept; });
}

int atanToFloat (const double* x, float* out, int count, int* redo) noexcept
{
    return Vector::elementary (x, out, count, 0.0, redo, [] (int, D v, F& r)
                               { return Vector::atanLanes (v, r); });
}

int atanShape (int mode, float* samples, int count, float g, int* redo) noexcept
{
    switch (mode)
    {
        case 0: return Vector::shape<0> (samples, count, g, redo);
        case 3: return Vector::shape<3> (samples, count, g, redo);
        case 4: return Vector::shape<4> (samples, count, g, redo);
        default: return 0;
    }
}

int linkedGains (const float* envelopeLeft, const float* envelopeRight, float* gains, int count, const GainCurve& curve, int* redo) noexcept
{
    return Vector::linkedGains (envelopeLeft, envelopeRight, gains, count, curve, redo);
}
