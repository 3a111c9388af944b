#pragma once

#include "CheckedFileStream.h"

#include <juce_audio_formats/juce_audio_formats.h>

/**
    The audio velk-render reads: a WAV, AIFF or FLAC file, mono or stereo, checked whole before
    anything renders (a file cut short or damaged is refused), or the built-in demo.
*/
class RenderSource
{
public:
    /** The file at path, or the demo for none; throws RenderFailure where it cannot be read. */
    RenderSource (juce::AudioFormatManager& formats, const juce::String* path);

    bool isDemo() const noexcept { return reader == nullptr; }

    /** length frames from position into the buffer; throws where the file is damaged. */
    void read (juce::AudioBuffer<float>& buffer, juce::int64 position, int length);

    /** As read, with silence for the frames past the end. */
    void readOrSilence (juce::AudioBuffer<float>& buffer, juce::int64 position, int length);

    juce::String name;
    juce::File file;
    double sampleRate = 48000.0;
    int numChannels = 2;
    juce::int64 totalSamples = 0;

private:
    void open (juce::AudioFormatManager& formats, const juce::String& path);
    void checkWhole();
    juce::String cutShort() const;

    juce::AudioBuffer<float> demo;
    std::unique_ptr<juce::AudioFormatReader> reader;
    CheckedFileStream* stream = nullptr; // owned by the reader
    bool isFlac = false, isPcm = false;
};
