#pragma once

#include <juce_core/juce_core.h>

/**
    A file written beside its destination under a temporary name and renamed into place when
    complete. Unless commit succeeds, the destructor deletes it: no failure path leaves a partial
    file behind or touches an existing destination.
*/
class TemporaryFile
{
public:
    TemporaryFile (const juce::File& destinationFile, const juce::String& tag)
        : destination (destinationFile),
          temporary (destinationFile.getSiblingFile ("." + destinationFile.getFileName() + "." + tag))
    {
        temporary.deleteFile();
    }

    ~TemporaryFile()
    {
        if (! committed)
            temporary.deleteFile();
    }

    TemporaryFile (const TemporaryFile&) = delete;
    TemporaryFile& operator= (const TemporaryFile&) = delete;

    const juce::File& getFile() const noexcept { return temporary; }

    /** Renames the file into place; false (and the file deleted) if that fails. */
    bool commit()
    {
        committed = temporary.moveFileTo (destination);
        return committed;
    }

private:
    juce::File destination, temporary;
    bool committed = false;
};
