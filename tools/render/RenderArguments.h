#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <utility>
#include <vector>

/** What velk-render's command line asks for. */
struct Options
{
    std::vector<juce::String> files;
    std::vector<std::pair<int, float>> settings; // parameter index, value in the plug-in's units
    juce::String stateFile, saveStateFile, plotFile, modulePath, keyFile, lv2Bundle;
    std::optional<float> sidechain; // Sidechain, where set
    int preset = -1; // index in the factory presets, or -1
    int blockSize = 512;
    bool floatOutput = false, list = false;

    /** Presets and the key need the LV2 build; the rest goes through the VST 2.4 module. */
    bool usesLv2() const noexcept { return keyFile.isNotEmpty() || preset >= 0 || sidechain.has_value(); }
};

/** The command line read through the option table (RenderOptions.h); --help, --manual and
    --list-presets print and exit; anything wrong throws RenderFailure with a one-line message. */
Options parseArguments (int argc, char** argv);
