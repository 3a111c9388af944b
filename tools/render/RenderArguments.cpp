#include "RenderArguments.h"

#include "FactoryPresetTable.h"
#include "ParameterText.h"
#include "RenderFiles.h"
#include "RenderOptions.h"
#include "VelkVersion.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
using juce::String;

/** A factory preset by its name, case-insensitive, spaces optional. */
int presetFor (const String& name)
{
    const auto wanted = name.removeCharacters (" ");
    for (int index = 0; index < velk::numFactoryPresets; ++index)
        if (wanted.equalsIgnoreCase (String (velk::factoryPresets[index].name).removeCharacters (" ")))
            return index;
    throw RenderFailure ("no factory preset is named '" + name + "' (see --list-presets)");
}

std::optional<double> parseNumber (const String& text)
{
    const auto trimmed = text.trim();
    if (trimmed.isEmpty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod (trimmed.toRawUTF8(), &end);
    if (end == nullptr || *end != 0 || ! std::isfinite (value))
        return std::nullopt;
    return value;
}

/** The parameter a setting's name means: the plug-in's name or saved name, case-insensitive,
    or one of the short forms. */
int parameterFor (const String& name)
{
    for (const auto& parameter : velk::parameterTable)
        if (name.equalsIgnoreCase (parameter.name) || (parameter.isSaved() && name.equalsIgnoreCase (parameter.savedName)))
            return parameter.index;
    return name.equalsIgnoreCase ("wetdry") ? (int) velk::wetDryParameter : -1;
}

/** The command line's own words for captions: the limiter's, and those with spaces in them. */
constexpr std::pair<const char*, const char*> captionAliases[] = { { "lim", "Limit" }, { "limiter", "Limit" }, { "schp", "SC HP" }, { "scbell", "SC Bell" } };

/** A setting as the panel shows it, turned into the plug-in's parameter value. A switch takes a
    caption as the plug-in reads typed text (Ratio also its number, "4"), the command line's
    aliases, or (Distortion and Filter) a position number. */
std::pair<int, float> parseSetting (const String& name, const String& value)
{
    const int index = parameterFor (name);
    if (index < 0)
        throw RenderFailure ("unknown setting --" + name + " (see --help)");
    const auto& parameter = velk::parameterInfo (index);
    const auto bad = [&] (const String& what)
    { return RenderFailure ("--" + name + ": '" + value + "' " + what); };

    if (parameter.isSwitch())
    {
        // Whole words only, spaces, hyphens and underscores left out: a caption, an alias, a
        // ratio's number; ParameterText reads the caption as the plug-in does.
        const auto word = value.trim().removeCharacters (" -_");
        String caption;
        for (const auto& [alias, aliased] : captionAliases)
            if (word.equalsIgnoreCase (alias))
                caption = aliased;
        for (int p = 0; p < parameter.numPositions; ++p)
            if (word.equalsIgnoreCase (String (parameter.captions[p]).removeCharacters (" ")))
                caption = parameter.captions[p];
        if (index == velk::ratioParameter && word.isNotEmpty() && word.containsOnly ("0123456789"))
            caption = word;
        int position = caption.isNotEmpty() ? velk::switchPosition (index, caption.toStdString()) : -1;
        const auto number = parseNumber (value);
        if (position < 0 && index != velk::ratioParameter && number && *number == std::floor (*number) && *number >= 0 && *number < parameter.numPositions)
            position = (int) *number;
        if (position >= 0)
            return { index, (float) (parameter.firstPosition + position) };
        if (index == velk::ratioParameter)
            throw bad ("is not a ratio (1, 2, 4, 8, 20 or lim)");
        juce::StringArray words;
        for (int p = 0; p < parameter.numPositions; ++p)
            words.add (String (parameter.captions[p]).toLowerCase().removeCharacters (" "));
        throw bad ("is not a " + String (parameter.name).toLowerCase() + " mode (0 to " + String (parameter.numPositions - 1) + ", or "
                   + words.joinIntoString (", ") + ")");
    }

    const auto number = parseNumber (value);
    if (! number)
        throw bad ("is not a number");
    return { index, (float) *number };
}

/** The option a name on the command line means, case-insensitive; null for none. */
const renderoptions::Option* optionFor (const String& name)
{
    for (const auto& option : renderoptions::options)
        if (name.equalsIgnoreCase (option.name))
            return &option;
    return nullptr;
}

} // namespace

Options parseArguments (int argc, char** argv)
{
    using renderoptions::Action;
    Options options;
    for (int i = 1; i < argc; ++i)
    {
        const String arg (argv[i]);
        if (! arg.startsWith ("--") || arg == "--")
        {
            options.files.push_back (arg);
            continue;
        }

        // Every setting by the plug-in's names too, such as --Distortion.
        const auto name = arg.substring (2);
        const auto* option = optionFor (name);
        const auto action = option != nullptr ? option->action : Action::setting;
        // clang-format off
        switch (action)
        {
            case Action::help:        renderoptions::printUsage (stdout); std::exit (0);
            case Action::manual:      renderoptions::printManual (stdout, velk::version::text); std::exit (0);
            case Action::listPresets: for (const auto& preset : velk::factoryPresets) std::printf ("%-18s %s\n", preset.name, preset.purpose);
                                      std::exit (0);
            case Action::floatOutput: options.floatOutput = true; continue;
            case Action::list:        options.list = true; continue;
            default:                  break;
        }
        // clang-format on

        if (option == nullptr && parameterFor (name) < 0)
            throw RenderFailure ("unknown setting --" + name + " (see --help)");
        if (i + 1 >= argc)
            throw RenderFailure ("--" + name + " needs a value");
        const String value (argv[++i]);
        const auto word = value.toLowerCase().trim();
        const auto number = parseNumber (value);

        switch (action)
        {
            case Action::state: options.stateFile = value; break;
            case Action::saveState: options.saveStateFile = value; break;
            case Action::plot: options.plotFile = value; break;
            case Action::module: options.modulePath = value; break;
            case Action::preset: options.preset = presetFor (value); break;
            case Action::key: options.keyFile = value; break;
            case Action::lv2: options.lv2Bundle = value; break;
            case Action::sidechain:
                if (word != "internal" && word != "external")
                    throw RenderFailure ("--sidechain: '" + value + "' is not internal or external");
                options.sidechain = word == "external" ? 1.0f : 0.0f;
                break;
            case Action::block:
                if (! number || *number < 1 || *number > 65536 || *number != std::floor (*number))
                    throw RenderFailure ("--block: '" + value + "' is not a block size from 1 to 65536");
                options.blockSize = (int) *number;
                break;
            default: options.settings.push_back (parseSetting (name, value)); break;
        }
    }

    if (options.preset >= 0)
    {
        const auto& preset = velk::factoryPresets[options.preset];
        if (preset.usesKey() && options.keyFile.isEmpty())
            throw RenderFailure ("the preset '" + String (preset.name) + "' listens to the key input: give one with --key");
    }
    if (options.usesLv2() && (options.stateFile.isNotEmpty() || options.saveStateFile.isNotEmpty() || options.list))
        throw RenderFailure ("--state, --save-state and --list work on the VST 2.4 module, which has no presets and no key input; leave out --preset, --key and --sidechain");

    if (options.files.size() > 2)
        throw RenderFailure ("too many files: give IN and OUT, or only OUT for the demo");
    if (options.files.empty() && ! options.list && options.saveStateFile.isEmpty())
        throw RenderFailure ("no output file (see --help)");
    return options;
}
