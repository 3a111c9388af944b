#pragma once

#include <juce_core/juce_core.h>

/**
    The zoom a user chose for VELK's window, kept per user in a small text file rather than in the
    plug-in's saved settings, so that projects do not change with it. The file holds one line,
    "zoom=150"; a missing, damaged or unwritable file means 100 %. Message thread only.
*/
class ZoomSetting
{
public:
    /** The zooms offered, in percent. */
    static constexpr int choices[] = { 100, 125, 150, 200 };

    explicit ZoomSetting (juce::File settingsFile = getDefaultFile());

    /** VELK/editor.conf in $XDG_CONFIG_HOME, else in ~/.config. */
    static juce::File getDefaultFile();

    static bool isChoice (int percent) noexcept;

    /** The stored zoom in percent; 100 when there is none or it cannot be read. */
    int load() const;

    /** Stores the zoom; false when it cannot (nothing else happens then). */
    bool save (int percent) const;

private:
    juce::File file;

    JUCE_LEAK_DETECTOR (ZoomSetting)
};
