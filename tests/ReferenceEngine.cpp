#include "ReferenceEngine.h"

#include <cmath>

namespace
{
// The formulas with the C library's functions called directly, as written.
float plainDecibels (float e)
{
    return e == 0.0f ? -110.0f : 20.0f * (float) std::log10 ((double) e);
}

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
} // namespace

ReferenceEngine::ReferenceEngine (float sampleRate)
    : settings (sampleRate),
      highPassLeft (sampleRate), highPassRight (sampleRate),
      bellLeft (sampleRate), bellRight (sampleRate)
{
    detectorLeft.reset();
    detectorRight.reset();
    detectorLeft.prepare (sampleRate, 1.0f, 0.1f);
    detectorRight.prepare (sampleRate, 1.0f, 0.1f);
}

void ReferenceEngine::Bell::processSample (float& x)
{
    const float A = (float) std::pow (10.0, 10.0 / 20.0);
    const float w0 = (float) (12566.370614359172 / (double) sampleRate);
    const double s = std::sin ((double) w0);
    const double c = std::cos ((double) w0);
    const float sf = (float) s;
    const float alpha = (float) (std::sinh ((double) w0 * 0.2426015090645017 / (double) sf) * (double) sf);
    const float p = alpha / A;
    const float q = alpha * A;
    const double a0 = 1.0 + p;
    const float cf = (float) c;
    const float a1 = (float) (-2.0 * cf / a0);
    const float a2 = (float) ((1.0 - p) / a0);
    const float b0 = (float) ((1.0 + q) / a0);
    const float b1 = a1;
    const float b2 = (float) ((1.0 - q) / a0);
    const float y = b1 * x1 + b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
    // clang-format off
    x2 = x1; x1 = x; y2 = y1; y1 = y;
    // clang-format on
    x = y;
}

void ReferenceEngine::setInput (float value)
{
    inputGain = value;
    inputGainDb = value <= 0 ? -96.0f : 20.0f * (float) std::log10 ((double) value);
    settings.inputGain = value;
}

void ReferenceEngine::setAttack (float value)
{
    attack = value;
    settings.attack = value;
    detectorLeft.setAttack (value * 10.0f);
    detectorRight.setAttack (value * 10.0f);
}

void ReferenceEngine::setRelease (float value)
{
    detectorLeft.setRelease (value * 3000.0f);
    detectorRight.setRelease (value * 3000.0f);
}

void ReferenceEngine::setOutput (float value)
{
    outputGainDb = value <= 0 ? -96.0f : 20.0f * (float) std::log10 ((double) (2.0f * value));
}

void ReferenceEngine::setRatioPreset (int preset) { settings.setRatioPreset (preset); }

void ReferenceEngine::processSample (float& left, float& right)
{
    const float L = std::isfinite (left) ? left : 0.0f;
    const float R = std::isfinite (right) ? right : 0.0f;

    const float g = (float) std::pow (10.0, (double) (inputGainDb / 20.0f));
    const float outG = (float) std::pow (10.0, (double) outputGainDb / 20.0);

    float scL = 0, scR = 0;
    // clang-format off
    if (filterMode == 0 || filterMode == 2) { scL = g * L; scR = g * R; }
    else if (filterMode == 1) { scL = g * highPassLeft.processSample (L); scR = g * highPassRight.processSample (R); }
    else if (filterMode == 3) { float cl = L, cr = R; bellLeft.processSample (cl); bellRight.processSample (cr); scL = g * cl; scR = g * cr; }
    // clang-format on

    const float dL = plainDecibels (detectorLeft.processEnvelope (scL));
    const float dR = plainDecibels (detectorRight.processEnvelope (scR));
    const float m = (float) ((std::pow (10.0, (double) dL / 20.0) + std::pow (10.0, (double) dR / 20.0)) * 0.5);
    const float levelDb = 20.0f * (float) std::log10 ((double) m);
    const int ratio = settings.ratio;
    const float gain = plainGain (levelDb, settings.thresholdDb, (float) ratio, settings.kneeDb, settings.limiter);

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
        case 1: saturatorMild.processMild (l, r); break;
        case 2: saturatorStrong.processStrong (l, r); break;
        case 3: plainBlend (l, g); plainBlend (r, g); break;
        case 4: plainFull (l, g); plainFull (r, g); break;
        default: break;
    }

    if (filterMode == 2) { l = highPassLeft.processSample (l); r = highPassRight.processSample (r); }
    // clang-format on

    settings.calibrate();

    l = (l * gain) * g;
    r = (r * gain) * g;
    if (std::fabs ((l + r) * 0.5f) > 1.0f)
        clipFlag = true;
    l = (l * outG) * settings.makeupGain;
    r = (r * outG) * settings.makeupGain;
    left = dcLeft.processSample (l);
    right = dcRight.processSample (r);
}
