// Prints the engine's identity and runs a short built-in test signal through it: a 100 Hz tone
// with a loud passage, compressed at ratio 4, with level and gain-reduction figures per stage.

#include "CompressorCore.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

int main()
{
    constexpr float sampleRate = 48000.0f;
    CompressorCore core (sampleRate);
    core.setInput (0.7f);
    core.setAttack (0.5f);
    core.setRelease (0.2f);
    core.setOutput (0.5f);
    core.setRatioPreset (3);

    std::printf ("VELK 1.0.4 by Brovanta - stereo compressor engine\n");
    std::printf ("test signal: 100 Hz tone, 0.5 s at -20 dBFS, 1 s at -3 dBFS, 0.5 s at -20 dBFS, %g Hz\n", sampleRate);
    std::printf ("settings: input 0.7, attack 0.5, release 0.2, output 0.5, ratio 4:1\n\n");
    std::printf ("%-10s %12s %12s %12s\n", "time (s)", "in (dBFS)", "out (dBFS)", "meter");

    const int total = (int) (2 * sampleRate);
    const int window = (int) (0.25f * sampleRate);
    double peakIn = 0, peakOut = 0;
    for (int i = 0; i < total; ++i)
    {
        const double t = i / (double) sampleRate;
        const double amplitude = (t >= 0.5 && t < 1.5) ? std::pow (10.0, -3.0 / 20.0) : 0.1;
        float left = (float) (amplitude * std::sin (2.0 * M_PI * 100.0 * t));
        float right = left;
        peakIn = std::max (peakIn, (double) std::fabs (left));
        core.processSample (&left, &right);
        peakOut = std::max (peakOut, (double) std::fabs (left));

        if ((i + 1) % window == 0)
        {
            std::printf ("%-10.2f %12.2f %12.2f %12.3f\n", (i + 1) / (double) sampleRate,
                         20.0 * std::log10 (peakIn), 20.0 * std::log10 (peakOut), core.meterValue.load());
            peakIn = peakOut = 0;
        }
    }
    return 0;
}
