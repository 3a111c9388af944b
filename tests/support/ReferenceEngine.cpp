#include "ReferenceEngine.h"

#include <cmath>

namespace
{
// Band edges for "Attack" and "Input"; a value is widened to double and compared with these.
const double bandEdges[] = { 0.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0 };

// Threshold in dB by "Attack" band; columns ratio 2, 4, 8, 20.
const float thresholdTable[10][4] = {
    { -20.0f, -19.91f, -23.1f, -17.79f },
    { -19.58f, -19.74f, -22.97f, -17.79f },
    { -19.09f, -19.33f, -22.73f, -17.72f },
    { -18.13f, -18.86f, -22.38f, -17.72f },
    { -17.33f, -18.42f, -22.16f, -17.65f },
    { -15.86f, -17.52f, -21.62f, -17.46f },
    { -15.04f, -16.59f, -21.21f, -17.27f },
    { -13.94f, -14.47f, -19.91f, -16.54f },
    { -13.43f, -13.76f, -19.02f, -15.86f },
    { -13.11f, -13.39f, -18.34f, -15.44f },
};

// With "Attack" at exactly 1: threshold by "Input" band [0.2, 0.3) to [0.5, 0.6); ratio 2, 4.
// Ratio 2 writes nothing in the last band.
const float inputThresholdTable[4][2] = { { -15.65f, -15.7f }, { -12.18f, -12.92f }, { -12.18f, -12.92f }, { 0.0f, -13.27f } };

// Make-up gain with "Input" above 0.69, and otherwise; ratio 2, 4, 8, 20 without the limiter.
const float makeupTable[4][2] = { { 2.931f, 1.7850001f }, { 3.0f, 2.118f }, { 3.496f, 2.421f }, { 4.0f, 2.706f } };

bool inBand (float value, int band) { return (double) value >= bandEdges[band] && (double) value < bandEdges[band + 1]; }

float plainGain (float x, float T, float R, float W, bool limiter)
{
    float S = limiter ? 1.0f : (float) (1.0 - 1.0 / (double) R);
    if (W > 0)
    {
        const double lo = (double) T - (double) W / 2.0, hi = (double) T + (double) W / 2.0;
        if ((double) x > lo && (double) x < hi)
        {
            const float xLow = (float) lo;
            float xHigh = (float) hi;
            if (xHigh > 0) xHigh = 0;
            S = S * ((x - xLow) / (xHigh - xLow));
        }
    }
    float g = (T - x) * S;
    if (g > 0) g = 0;
    return (float) std::pow (10.0, (double) g / 20.0);
}

void plainLight (float& x, float g)
{
    const double u = ((double) g - 0.2) * (double) x;
    const float a = (float) std::atan (u * u * 0.544 * 2.0 + (double) x);
    const float v = (float) ((double) a * 0.03 + (double) x);
    x = (float) ((double) v * 1.82);
}

void plainBlend (float& x, float g)
{
    const double u = (double) x * 0.068;
    const float a = (float) std::atan (u * u * 0.476 * 2.0 + (double) x);
    const float v = a * g + x;
    x = (float) ((double) v * 1.32);
}

void plainFull (float& x, float g)
{
    const double u = (double) x * 0.454;
    const float w = (float) (u * u * (double) g * 2.0 + (double) x);
    const float a = (float) std::atan ((double) w);
    x = (float) ((double) (a + x) * 1.04);
}

// Square-root saturator, both channels read before either is written; mix 0.3 or 0.5.
void plainSqrt (float& left, float& right, float (&state)[2], float mix)
{
    const float coefficient = (float) std::pow (10.0, -1.6);
    const float in[2] = { left, right };
    float out[2];
    for (int c = 0; c < 2; ++c)
    {
        const float x = in[c];
        const float r = x > 0 ? (float) std::sqrt ((double) x) : -(float) std::sqrt (-(double) x);
        const float t = (r - x) * 0.2f + x;
        const float s = (t - state[c]) * coefficient + state[c];
        out[c] = s * mix + x;
        state[c] = std::fabs ((double) s) > 1e-10 ? s : 0.0f;
    }
    left = out[0];
    right = out[1];
}

float plainDcBlock (float& storedInput, float& y1, float x)
{
    const float y = (x - storedInput) + 0.99700004f * y1;
    y1 = y;
    storedInput = x + 1e-7f;
    return y;
}
} // namespace

ReferenceEngine::ReferenceEngine (float rate) : sampleRate (rate) {}

// RootOfSquare rectifier, one-pole attack or release, flush, clamp to 0..1, then dB.
float ReferenceEngine::detect (float& envelope, float x) const
{
    const float r = (float) std::pow ((double) (std::fabs (x) * std::fabs (x)), 0.5);
    const float ms = r > envelope ? attackMs : releaseMs;
    const float coefficient = (float) std::exp (-1000.0 / (double) (sampleRate * ms));
    float e = (envelope - r) * coefficient + r;
    if ((double) e > 0.0 && (double) e < 1.175494351e-38) e = 0;
    if ((double) e < 0.0 && (double) e > -1.175494351e-38) e = 0;
    if (! (1.0f > e)) e = 1.0f;
    if (! (e > 0)) e = 0;
    envelope = e;
    return e == 0.0f ? -110.0f : 20.0f * (float) std::log10 ((double) e);
}

// 80 Hz high-pass, damping 1.5, bilinear with prewarping; direct form I.
float ReferenceEngine::highPass (History& h, float x) const
{
    const float k = (float) std::tan (251.32741228718345 / (double) sampleRate);
    const float k2 = k * k, kd = k * 1.5f;
    const float b0 = (float) (1.0 / ((double) kd + 1.0 + (double) k2));
    const float b1 = -2.0f * b0, b2 = b0;
    const float a1 = (float) (((double) k2 - 1.0) * 2.0 * (double) b0);
    const float a2 = (float) ((1.0 - (double) kd + (double) k2) * (double) b0);
    const float y = b1 * h.x1 + b0 * x + b2 * h.x2 - a1 * h.y1 - a2 * h.y2;
    // clang-format off
    h.x2 = h.x1; h.x1 = x; h.y2 = h.y1; h.y1 = y;
    // clang-format on
    return y;
}

// 2 kHz bell, +20 dB at the centre, 0.7 octave wide.
void ReferenceEngine::bell (History& h, float& x) const
{
    const float A = (float) std::pow (10.0, 10.0 / 20.0);
    const float w0 = (float) (12566.370614359172 / (double) sampleRate);
    const double s = std::sin ((double) w0), c = std::cos ((double) w0);
    const float sf = (float) s;
    const float alpha = (float) (std::sinh ((double) w0 * 0.2426015090645017 / (double) sf) * (double) sf);
    const float p = alpha / A, q = alpha * A;
    const double a0 = 1.0 + p;
    const float a1 = (float) (-2.0 * (float) c / a0);
    const float a2 = (float) ((1.0 - p) / a0);
    const float b0 = (float) ((1.0 + q) / a0), b1 = a1, b2 = (float) ((1.0 - q) / a0);
    const float y = b1 * h.x1 + b0 * x + b2 * h.x2 - a1 * h.y1 - a2 * h.y2;
    // clang-format off
    h.x2 = h.x1; h.x1 = x; h.y2 = h.y1; h.y1 = y;
    // clang-format on
    x = y;
}

// Threshold and make-up from the ratio, "Attack" and "Input"; a lookup that matches no band
// leaves the field as it was.
void ReferenceEngine::calibrate()
{
    if (ratio == 1)
        makeupGain = 1.0f;
    else if (ratio == 20 && limiter)
        thresholdDb = -18.34f;
    else
    {
        const int column = ratio == 2 ? 0 : ratio == 4 ? 1
            : ratio == 8                               ? 2
                                                       : 3;
        for (int band = 0; band < 10; ++band)
            if (inBand (attack, band))
                thresholdDb = thresholdTable[band][column];
        if (column < 2 && (double) attack == 1.0)
            for (int band = 2; band < 6; ++band)
                if (inBand (inputGain, band) && ! (column == 0 && band == 5))
                    thresholdDb = inputThresholdTable[band - 2][column];
        makeupGain = makeupTable[column][(double) inputGain > 0.69 ? 0 : 1];
    }
}

void ReferenceEngine::setInput (float value)
{
    inputGain = value;
    inputGainDb = value <= 0 ? -96.0f : 20.0f * (float) std::log10 ((double) value);
}

void ReferenceEngine::setAttack (float value)
{
    attack = value;
    attackMs = value * 10.0f;
}

void ReferenceEngine::setRelease (float value) { releaseMs = value * 3000.0f; }

void ReferenceEngine::setOutput (float value)
{
    outputGainDb = value <= 0 ? -96.0f : 20.0f * (float) std::log10 ((double) (2.0f * value));
}

// Presets 1 to 5: ratio 1, 2, 4, 8, 20, a 17 dB knee on ratio 8 only. Preset 6 is the limiter
// and keeps the knee it finds. Any other number acts as preset 1.
void ReferenceEngine::setRatioPreset (int preset)
{
    limiter = preset == 6;
    switch (preset)
    {
        // clang-format off
        case 2: ratio = 2; kneeDb = 0.0f; break;
        case 3: ratio = 4; kneeDb = 0.0f; break;
        case 4: ratio = 8; kneeDb = 17.0f; break;
        case 5: ratio = 20; kneeDb = 0.0f; break;
        case 6: ratio = 20; break;
        default: ratio = 1; kneeDb = 0.0f; break;
            // clang-format on
    }
}

void ReferenceEngine::processSample (float& left, float& right)
{
    const float L = std::isfinite (left) ? left : 0.0f;
    const float R = std::isfinite (right) ? right : 0.0f;

    const float g = (float) std::pow (10.0, (double) (inputGainDb / 20.0f));
    const float outG = (float) std::pow (10.0, (double) outputGainDb / 20.0);

    float scL = 0, scR = 0;
    // clang-format off
    if (filterMode == 0 || filterMode == 2) { scL = g * L; scR = g * R; }
    else if (filterMode == 1) { scL = g * highPass (highPassLeft, L); scR = g * highPass (highPassRight, R); }
    else if (filterMode == 3) { float cl = L, cr = R; bell (bellLeft, cl); bell (bellRight, cr); scL = g * cl; scR = g * cr; }
    // clang-format on

    const float dL = detect (envelopeLeft, scL);
    const float dR = detect (envelopeRight, scR);
    const float m = (float) ((std::pow (10.0, (double) dL / 20.0) + std::pow (10.0, (double) dR / 20.0)) * 0.5);
    const float levelDb = 20.0f * (float) std::log10 ((double) m);
    const float gain = plainGain (levelDb, thresholdDb, (float) ratio, kneeDb, limiter);

    scR = (scL + scR) * 0.5f;
    double D = ratio == 1 ? (double) std::fabs (scR) : 1.0 - (double) gain;
    if (D < 0) D = 0;
    const double F = (double) meterState > D ? 0.1 : 0.9;
    meterState = (float) ((1.0 - F) * (double) meterState + F * D);

    float l = L, r = R;
    switch (distortionMode)
    {
        // clang-format off
        case 0: if (inputGain <= 0) { l *= 0.0f; r *= 0.0f; } else { plainLight (l, g); plainLight (r, g); } break;
        case 1: plainSqrt (l, r, mildState, 0.3f); break;
        case 2: plainSqrt (l, r, strongState, 0.5f); break;
        case 3: plainBlend (l, g); plainBlend (r, g); break;
        case 4: plainFull (l, g); plainFull (r, g); break;
        default: break;
    }

    if (filterMode == 2) { l = highPass (highPassLeft, l); r = highPass (highPassRight, r); }
    // clang-format on

    calibrate();

    l = (l * gain) * g;
    r = (r * gain) * g;
    if (std::fabs ((l + r) * 0.5f) > 1.0f)
        clipFlag = true;
    l = (l * outG) * makeupGain;
    r = (r * outG) * makeupGain;
    left = plainDcBlock (dcLeft.storedInput, dcLeft.y1, l);
    right = plainDcBlock (dcRight.storedInput, dcRight.y1, r);
}
