#pragma once

#include <juce_core/juce_core.h>

#include <stdexcept>

/** A failure that ends a render with a one-line message; nothing is written. */
struct RenderFailure : std::runtime_error
{
    explicit RenderFailure (const juce::String& message) : std::runtime_error (message.toStdString()) {}
};

/** velk-render's files: the paths it is given, the plug-ins it finds, the outputs it checks. */
namespace renderfiles
{
/** A path as given, from the current folder. */
juce::File fileFor (const juce::String& path);

/** True when two paths name one file: the same path, or (through a link or another spelling of
    the path) the same file on disk. */
bool isSameFile (const juce::File& a, const juce::File& b);

/** The LV2 bundle: the one asked for, else the first VELK.lv2 beside this program, in its lv2
    folder, in $LV2_PATH, in ~/.lv2, in the prefix's lv2 folder. */
juce::String findLv2Bundle (const juce::String& requested);

/** The VST 2.4 module: the one asked for, else beside this program, in $VST_PATH, in ~/.vst, in
    the prefix's vst folder (where the package installs it). */
juce::String findModule (const juce::String& requested);

/** Throws unless a file can be written at path: its folder exists and can be written, and it is
    not a folder or a read-only file. */
juce::File checkWritable (const juce::String& path, const juce::String& what);
} // namespace renderfiles
