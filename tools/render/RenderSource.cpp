#include "RenderSource.h"

#include "DemoSignal.h"
#include "FlacCheck.h"
#include "RenderFiles.h"

using juce::String;

RenderSource::RenderSource (juce::AudioFormatManager& formats, const juce::String* path)
{
    if (path == nullptr)
    {
        demo = makeDemoSignal (sampleRate);
        totalSamples = demo.getNumSamples();
        name = "built-in demo (drums and bass)";
        return;
    }
    open (formats, *path);
}

void RenderSource::readOrSilence (juce::AudioBuffer<float>& buffer, juce::int64 position, int length)
{
    const int available = (int) juce::jlimit ((juce::int64) 0, (juce::int64) length, totalSamples - position);
    if (available > 0)
        read (buffer, position, available);
    for (int c = 0; c < buffer.getNumChannels(); ++c)
        buffer.clear (c, available, length - available);
}

void RenderSource::open (juce::AudioFormatManager& formats, const String& path)
{
    name = path;
    file = renderfiles::fileFor (name);
    if (! file.existsAsFile())
        throw RenderFailure ("cannot read " + name + ": no such file");

    auto checked = std::make_unique<CheckedFileStream> (file);
    stream = checked.get();
    if (! checked->openedOk())
        throw RenderFailure ("cannot read " + name + ": " + file.getFullPathName() + " cannot be opened");
    reader.reset (formats.createReaderFor (std::move (checked)));
    if (reader == nullptr)
    {
        stream = nullptr;
        throw RenderFailure ("cannot read " + name + ": not a WAV, AIFF or FLAC file that can be read");
    }
    if (reader->numChannels < 1 || reader->numChannels > 2)
        throw RenderFailure (name + " has " + String (reader->numChannels) + " channels; mono or stereo only");
    if (reader->sampleRate <= 0.0)
        throw RenderFailure (name + " has no sample rate");

    sampleRate = reader->sampleRate;
    numChannels = (int) reader->numChannels;
    totalSamples = reader->lengthInSamples;
    const auto formatName = reader->getFormatName();
    isFlac = formatName.containsIgnoreCase ("flac");
    isPcm = formatName.containsIgnoreCase ("wav") || formatName.containsIgnoreCase ("aiff");
    checkWhole();
}

void RenderSource::read (juce::AudioBuffer<float>& buffer, juce::int64 position, int length)
{
    if (isDemo())
    {
        for (int c = 0; c < numChannels; ++c)
            buffer.copyFrom (c, 0, demo, c, (int) position, length);
        return;
    }

    if (! reader->read (&buffer, 0, length, position, true, true))
        throw RenderFailure ("cannot read " + name + " past sample " + String (position));
    // Compressed formats' readers read ahead and meet the end of the file normally; a WAV or
    // AIFF reader reads exactly the frames asked for.
    if (isPcm && stream->cameUpShort())
        throw RenderFailure (cutShort());
}

void RenderSource::checkWhole()
{
    if (isFlac)
    {
        const auto damage = FlacCheck::findDamage (file);
        if (damage.isNotEmpty())
            throw RenderFailure (name + " is " + damage);
        return;
    }

    if (! isPcm || totalSamples <= 0)
        return;
    stream->reset();
    juce::AudioBuffer<float> frame (numChannels, 1);
    reader->read (&frame, 0, 1, 0, true, true);
    reader->read (&frame, 0, 1, totalSamples - 1, true, true);
    if (stream->cameUpShort())
        throw RenderFailure (cutShort());
}

String RenderSource::cutShort() const
{
    // The frames that are on disk, from where the audio data starts.
    const auto bytesPerFrame = ((juce::int64) numChannels * (juce::int64) reader->bitsPerSample) / 8;
    const auto start = stream->getFirstReadStart();
    String where;
    if (start >= 0 && bytesPerFrame > 0)
    {
        const auto frames = juce::jmax ((juce::int64) 0, (stream->getTotalLength() - start) / bytesPerFrame);
        where = ": the audio ends at sample " + String (frames) + " (" + String ((double) frames / sampleRate, 2) + " s) of the "
            + String (totalSamples) + " its header announces";
    }
    return name + " is cut short" + where;
}
