#pragma once

#include <juce_core/juce_core.h>

/**
    A file input stream that notices when a read comes up short of the end it was asked for: the
    file ends before the data its header announces. The framework's WAV and AIFF readers fill
    what they cannot read with zeros and report success; this stream tells.
*/
class CheckedFileStream : public juce::InputStream
{
public:
    explicit CheckedFileStream (const juce::File& file) : stream (file) {}

    bool openedOk() const { return stream.openedOk(); }

    /** True once a read since the last reset returned fewer bytes than asked for. */
    bool cameUpShort() const noexcept { return shortRead; }

    /** Where the first read since the last reset began, or -1. */
    juce::int64 getFirstReadStart() const noexcept { return firstReadStart; }

    void reset() noexcept
    {
        shortRead = false;
        firstReadStart = -1;
    }

    juce::int64 getTotalLength() override { return stream.getTotalLength(); }
    bool isExhausted() override { return stream.isExhausted(); }
    juce::int64 getPosition() override { return stream.getPosition(); }
    bool setPosition (juce::int64 newPosition) override { return stream.setPosition (newPosition); }

    int read (void* destination, int maxBytesToRead) override
    {
        if (firstReadStart < 0)
            firstReadStart = stream.getPosition();
        const int bytesRead = stream.read (destination, maxBytesToRead);
        if (bytesRead < maxBytesToRead)
            shortRead = true;
        return bytesRead;
    }

private:
    juce::FileInputStream stream;
    bool shortRead = false;
    juce::int64 firstReadStart = -1;
};
