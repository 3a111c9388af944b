#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** A few bars of synthesised drums and bass in stereo, made in code: kick, snare, hi-hats and a
    bass line at 120 beats per minute, peaking a few dB below full scale. */
juce::AudioBuffer<float> makeDemoSignal (double sampleRate, double seconds = 8.0);
