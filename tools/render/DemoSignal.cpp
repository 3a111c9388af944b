#include "DemoSignal.h"

#include <cmath>

juce::AudioBuffer<float> makeDemoSignal (double sampleRate, double seconds)
{
    const int numSamples = (int) (sampleRate * seconds);
    juce::AudioBuffer<float> buffer (2, numSamples);
    buffer.clear();
    auto* left = buffer.getWritePointer (0);
    auto* right = buffer.getWritePointer (1);

    const double beat = 60.0 / 120.0, step = beat / 4.0; // sixteenth notes
    const double twoPi = juce::MathConstants<double>::twoPi;
    juce::Random random (20261207);

    // Kick on every beat, snare on two and four, hats on the off-sixteenths.
    const int numSteps = (int) (seconds / step);
    for (int s = 0; s < numSteps; ++s)
    {
        const int start = (int) (s * step * sampleRate);
        const int inBar = s % 16;

        if (inBar % 4 == 0 || inBar == 10)
        {
            double phase = 0.0;
            const double level = inBar == 10 ? 0.55 : 0.8;
            for (int i = 0; i < (int) (0.35 * sampleRate) && start + i < numSamples; ++i)
            {
                const double t = i / sampleRate;
                phase += twoPi * (45.0 + 110.0 * std::exp (-t * 30.0)) / sampleRate;
                const float v = (float) (level * std::sin (phase) * std::exp (-t * 9.0));
                left[start + i] += v;
                right[start + i] += v;
            }
        }

        if (inBar == 4 || inBar == 12)
        {
            for (int i = 0; i < (int) (0.2 * sampleRate) && start + i < numSamples; ++i)
            {
                const double t = i / sampleRate;
                const double tone = 0.3 * std::sin (twoPi * 185.0 * t) * std::exp (-t * 25.0);
                const double noise = 0.45 * (random.nextDouble() * 2.0 - 1.0) * std::exp (-t * 18.0);
                left[start + i] += (float) (tone + noise);
                right[start + i] += (float) (tone + 0.9 * noise);
            }
        }

        if (inBar % 2 == 1)
        {
            double previous = 0.0;
            const double level = inBar % 4 == 3 ? 0.16 : 0.1;
            for (int i = 0; i < (int) (0.05 * sampleRate) && start + i < numSamples; ++i)
            {
                const double t = i / sampleRate;
                const double white = random.nextDouble() * 2.0 - 1.0;
                const double bright = white - previous; // a first difference leaves the highs
                previous = white;
                const float v = (float) (level * bright * std::exp (-t * 70.0));
                left[start + i] += 0.7f * v;
                right[start + i] += v;
            }
        }
    }

    // Bass: a two-bar line of eighth notes, a few harmonics with a plucked envelope.
    const double notes[] = { 41.2, 41.2, 49.0, 41.2, 55.0, 41.2, 49.0, 36.7, 41.2, 41.2, 49.0, 55.0, 61.7, 55.0, 49.0, 36.7 };
    const double eighth = beat / 2.0;
    for (int n = 0; n * eighth < seconds; ++n)
    {
        const double frequency = notes[n % 16];
        const int start = (int) (n * eighth * sampleRate);
        for (int i = 0; i < (int) (eighth * sampleRate) && start + i < numSamples; ++i)
        {
            const double t = i / sampleRate;
            double v = 0.0;
            for (int h = 1; h <= 6; ++h)
                v += std::sin (twoPi * frequency * h * t) / (h * h);
            const double envelope = std::exp (-t * 5.0) * std::min (1.0, t * 400.0) * std::min (1.0, (eighth - t) * 200.0);
            left[start + i] += (float) (0.32 * v * envelope);
            right[start + i] += (float) (0.32 * v * envelope);
        }
    }

    // Peaks at -3 dBFS.
    const float peak = buffer.getMagnitude (0, numSamples);
    if (peak > 0.0f)
        buffer.applyGain (0.7079458f / peak);
    return buffer;
}
