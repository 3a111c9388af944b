#pragma once

#include <cstdio>

/**
    velk-render's options, described once: the command line is read from them, --help prints
    them, and --manual writes them as the manual page that the Debian package installs.
*/
namespace renderoptions
{
/** What an option does; a setting is one of the plug-in's parameters. */
enum class Action
{
    setting,
    preset,
    listPresets,
    key,
    sidechain,
    state,
    saveState,
    list,
    block,
    floatOutput,
    plot,
    module,
    lv2,
    help,
    manual
};

struct Option
{
    const char* name; // as typed, without the dashes
    const char* argument; // its value's placeholder, or "" for a switch
    const char* text;
    Action action;
};

inline constexpr Option options[] = {
    { "input", "V", "Input, 0 to 1", Action::setting },
    { "attack", "V", "Attack, 0 to 1", Action::setting },
    { "release", "V", "Release, 0 to 1", Action::setting },
    { "output", "V", "Output, 0 to 1 (0.5 is unity gain)", Action::setting },
    { "ratio", "R", "1, 2, 4, 8, 20 or lim", Action::setting },
    { "dist", "D", "0 to 4, or soft, warm, hot, blend, drive", Action::setting },
    { "filter", "F", "0 to 3, or off, schp (sidechain high-pass), hp (audio high-pass), scbell (sidechain bell)", Action::setting },
    { "wet/dry", "V", "the stored-only Wet/Dry parameter", Action::setting },
    { "gc", "V", "the stored-only Gc parameter", Action::setting },
    { "preset", "NAME", "start from a factory preset; the settings above still apply after it", Action::preset },
    { "list-presets", "", "print the factory presets", Action::listPresets },
    { "key", "FILE", "a key for the sidechain: mono or stereo, at the input's rate; silence after its end", Action::key },
    { "sidechain", "S", "internal or external (external by default with --key)", Action::sidechain },
    { "state", "FILE", "load a saved state chunk first", Action::state },
    { "save-state", "FILE", "write the state chunk after the settings are applied", Action::saveState },
    { "list", "", "print the nine parameters with their display texts", Action::list },
    { "block", "N", "host block size, 1 to 65536 (default 512)", Action::block },
    { "float", "", "write 32-bit float (default 24-bit)", Action::floatOutput },
    { "plot", "FILE.png", "draw the input and output envelopes and the gain reduction", Action::plot },
    { "module", "PATH", "the VST 2.4 plug-in (default: VELK.so beside this program, $VST_PATH, ~/.vst, then the vst folder of the "
                        "prefix this program is installed under)",
      Action::module },
    { "lv2", "FOLDER", "the LV2 bundle for --preset, --key and --sidechain (default: VELK.lv2 beside this program or in its lv2 "
                       "folder, $LV2_PATH, ~/.lv2, then the lv2 folder of the installation prefix)",
      Action::lv2 },
    { "help", "", "print this help", Action::help },
    { "manual", "", "print this help as a manual page", Action::manual },
};

inline constexpr const char* synopsis = "velk-render [IN] OUT [options]";
inline constexpr const char* summary = "render audio files through the VELK compressor plug-in";
inline constexpr const char* description =
    "IN and OUT are WAV, AIFF or FLAC files; the format of OUT follows its extension. Without IN, velk-render renders a "
    "built-in demo of drums and bass. Setting names are case-insensitive, and the plug-in's parameter names work too. "
    "With --preset, --key or --sidechain it renders through the LV2 build, which has the presets and a key input; "
    "otherwise through the VST 2.4 module, the way a host does.";

/** text wrapped before column 96, its lines from column indent; the output is at column. */
inline void printWrapped (std::FILE* out, const char* text, int indent, int column)
{
    if (column < indent)
        column += std::fprintf (out, "%*s", indent - column, "");
    bool first = true;
    for (const char* word = text; *word != 0;)
    {
        const char* end = word;
        while (*end != 0 && *end != ' ')
            ++end;
        const int length = (int) (end - word);
        if (! first && column + 1 + length > 96)
            column = std::fprintf (out, "\n%*s", indent, "") - 1;
        else if (! first)
            column += std::fprintf (out, " ");
        std::fwrite (word, 1, (size_t) length, out);
        column += length;
        first = false;
        word = *end == ' ' ? end + 1 : end;
    }
    std::fputc ('\n', out);
}

inline void printUsage (std::FILE* out)
{
    std::fprintf (out, "usage: %s\n\n", synopsis);
    printWrapped (out, description, 2, 0);
    std::fputc ('\n', out);
    for (const auto& option : options)
    {
        char head[40];
        std::snprintf (head, sizeof head, "  --%s%s%s", option.name, *option.argument != 0 ? " " : "", option.argument);
        std::fprintf (out, "%-22s", head);
        printWrapped (out, option.text, 22, 22);
    }
}

/** Text for roff: a backslash doubled, a leading dot or quote escaped, dashes as hyphens. */
inline void printRoff (std::FILE* out, const char* text)
{
    for (const char* c = text; *c != 0; ++c)
    {
        if (*c == '\\')
            std::fputs ("\\e", out);
        else if (*c == '-')
            std::fputs ("\\-", out);
        else if ((*c == '.' || *c == '\'') && (c == text || c[-1] == '\n'))
            std::fprintf (out, "\\&%c", *c);
        else
            std::fputc (*c, out);
    }
}

inline void printManual (std::FILE* out, const char* version)
{
    std::fprintf (out, ".TH VELK-RENDER 1 \"\" \"velk-render %s\" \"User Commands\"\n.SH NAME\nvelk\\-render \\- ", version);
    printRoff (out, summary);
    std::fputs ("\n.SH SYNOPSIS\n.B velk\\-render\n[\\fIIN\\fR] \\fIOUT\\fR [\\fIoptions\\fR]\n.SH DESCRIPTION\n", out);
    printRoff (out, description);
    std::fputs ("\n.SH OPTIONS\n", out);
    for (const auto& option : options)
    {
        std::fputs (".TP\n\\fB\\-\\-", out);
        printRoff (out, option.name);
        std::fputs ("\\fR", out);
        if (*option.argument != 0)
        {
            std::fputs (" \\fI", out);
            printRoff (out, option.argument);
            std::fputs ("\\fR", out);
        }
        std::fputc ('\n', out);
        printRoff (out, option.text);
        std::fputc ('\n', out);
    }
    std::fputs (".SH SEE ALSO\n.BR velk (1)\n", out);
}
} // namespace renderoptions
