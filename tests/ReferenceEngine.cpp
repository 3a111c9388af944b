#include "ReferenceEngine.h"

#include "AtanShapes.h"

#include <cmath>

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
    x2 = x1; x1 = x; y2 = y1; y1 = y;
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
    if (filterMode == 0 || filterMode == 2) { scL = g * L; scR = g * R; }
    else if (filterMode == 1) { scL = g * highPassLeft.processSample (L); scR = g * highPassRight.processSample (R); }
    else if (filterMode == 3) { float cl = L, cr = R; bellLeft.processSample (cl); bellRight.processSample (cr); scL = g * cl; scR = g * cr; }

    const float dL = detectorLeft.processSample (scL);
    const float dR = detectorRight.processSample (scR);
    const float m = (float) ((std::pow (10.0, (double) dL / 20.0) + std::pow (10.0, (double) dR / 20.0)) * 0.5);
    const float levelDb = 20.0f * (float) std::log10 ((double) m);
    const int ratio = settings.ratio;
    const float gain = CompressorCore::computeGain (levelDb, settings.thresholdDb, (float) ratio, settings.kneeDb, settings.limiter);

    scR = (scL + scR) * 0.5f;
    double D = ratio == 1 ? (double) std::fabs (scR) : 1.0 - (double) gain;
    if (D < 0) D = 0;
    const double F = (double) meterState > D ? 0.1 : 0.9;
    meterState = (float) ((1.0 - F) * (double) meterState + F * D);

    float l = L, r = R;
    switch (distortionMode)
    {
        case 0: if (inputGain <= 0) { l *= 0.0f; r *= 0.0f; } else { atanShapeLight (l, g); atanShapeLight (r, g); } break;
        case 1: saturatorMild.processMild (l, r); break;
        case 2: saturatorStrong.processStrong (l, r); break;
        case 3: atanShapeBlend (l, g); atanShapeBlend (r, g); break;
        case 4: atanShapeFull (l, g); atanShapeFull (r, g); break;
        default: break;
    }

    if (filterMode == 2) { l = highPassLeft.processSample (l); r = highPassRight.processSample (r); }

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
