// velk-render: processes audio files through the VELK plug-in module the way a host does.
//
//     velk-render IN OUT [options]     render IN into OUT
//     velk-render OUT [options]        render the built-in demo (drums and bass) into OUT
//
// Run with --help for the options.

#include "CheckedFileStream.h"
#include "CompressorCore.h"
#include "DemoSignal.h"
#include "FactoryPresetTable.h"
#include "FlacCheck.h"
#include "Lv2KeyedHost.h"
#include "ParameterTable.h"
#include "ParameterText.h"
#include "RenderOptions.h"
#include "RenderPlot.h"
#include "TemporaryFile.h"
#include "VelkVersion.h"
#include "VstHost.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace
{
using juce::String;

struct Failure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

Failure failure (const String& message)
{
    return Failure (message.toStdString());
}

//==============================================================================
// Parse: the command line into options.

struct Options
{
    std::vector<String> files;
    std::vector<std::pair<int, float>> settings; // parameter index, value in the plug-in's units
    String stateFile, saveStateFile, plotFile, modulePath, keyFile, lv2Bundle;
    std::optional<float> sidechain; // Sidechain, where set
    int preset = -1; // index in the factory presets, or -1
    int blockSize = 512;
    bool floatOutput = false, list = false;
};

/** A factory preset by its name, case-insensitive, spaces optional. */
int presetFor (const String& name)
{
    const auto wanted = name.removeCharacters (" ");
    for (int index = 0; index < velk::numFactoryPresets; ++index)
        if (wanted.equalsIgnoreCase (String (velk::factoryPresets[index].name).removeCharacters (" ")))
            return index;
    throw failure ("no factory preset is named '" + name + "' (see --list-presets)");
}

void listPresets()
{
    for (const auto& preset : velk::factoryPresets)
        std::printf ("%-18s %s\n", preset.name, preset.purpose);
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

/** A caption as a command-line word: "SC Bell" is scbell, "20:1" is 20:1. */
String captionWord (const char* caption)
{
    return String (caption).toLowerCase().removeCharacters (" ");
}

/** The parameter a setting's name means: the plug-in's name or saved name, case-insensitive,
    or one of the short forms. */
int parameterFor (const String& name)
{
    for (const auto& parameter : velk::parameterTable)
        if (name.equalsIgnoreCase (parameter.name) || (parameter.isSaved() && name.equalsIgnoreCase (parameter.savedName)))
            return parameter.index;

    if (name.equalsIgnoreCase ("wetdry"))
        return velk::wetDryParameter;
    return -1;
}

/** The position of a switch from a caption word or a position number. */
int switchPosition (const velk::ParameterInfo& parameter, const String& value)
{
    for (int position = 0; position < parameter.numPositions; ++position)
        if (value == captionWord (parameter.captions[position]))
            return position;

    if (const auto number = parseNumber (value); number && *number == std::floor (*number) && *number >= 0 && *number < parameter.numPositions)
        return (int) *number;
    return -1;
}

String captionList (const velk::ParameterInfo& parameter)
{
    juce::StringArray words;
    for (int position = 0; position < parameter.numPositions; ++position)
        words.add (captionWord (parameter.captions[position]));
    return words.joinIntoString (", ");
}

/** A setting as the panel shows it, turned into the plug-in's parameter value. */
std::pair<int, float> parseSetting (const String& rawName, const String& rawValue)
{
    const auto value = rawValue.toLowerCase().removeCharacters (" -_").trim();
    // clang-format off
    const auto bad = [&] (const String& what) { return failure ("--" + rawName + ": '" + rawValue + "' " + what); };
    // clang-format on

    const int index = parameterFor (rawName);
    if (index < 0)
        throw failure ("unknown setting --" + rawName + " (see --help)");
    const auto& parameter = velk::parameterInfo (index);

    if (index == velk::ratioParameter)
    {
        // A ratio by its caption, "4:1", or its number, "4"; the limiter as lim or limit.
        const auto word = value == "lim" || value == "limiter" ? String ("limit") : value;
        for (int position = 0; position < parameter.numPositions; ++position)
        {
            const auto caption = captionWord (parameter.captions[position]);
            if (word == caption || word + ":1" == caption)
                return { index, (float) (parameter.firstPosition + position) };
        }
        throw bad ("is not a ratio (1, 2, 4, 8, 20 or lim)");
    }

    if (parameter.isSwitch())
    {
        const int position = switchPosition (parameter, value);
        if (position < 0)
            throw bad ("is not a " + String (parameter.name).toLowerCase() + " mode (0 to " + String (parameter.numPositions - 1)
                       + ", or " + captionList (parameter) + ")");
        return { index, (float) (parameter.firstPosition + position) };
    }

    const auto number = parseNumber (rawValue);
    if (! number)
        throw bad ("is not a number");
    return { index, (float) *number };
}

Options parseArguments (int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i)
    {
        const String arg (argv[i]);
        if (! arg.startsWith ("--") || arg == "--")
        {
            options.files.push_back (arg);
            continue;
        }

        const auto name = arg.substring (2);
        const auto lower = name.toLowerCase();
        if (lower == "help")
        {
            renderoptions::printUsage (stdout);
            std::exit (0);
        }
        if (lower == "manual")
        {
            renderoptions::printManual (stdout, velk::version::text);
            std::exit (0);
        }
        // clang-format off
        if (lower == "float") { options.floatOutput = true; continue; }
        if (lower == "list") { options.list = true; continue; }
        if (lower == "list-presets") { listPresets(); std::exit (0); }
        // clang-format on

        if (i + 1 >= argc)
            throw failure ("--" + name + " needs a value");
        const String value (argv[++i]);

        if (lower == "state")
            options.stateFile = value;
        else if (lower == "save-state")
            options.saveStateFile = value;
        else if (lower == "plot")
            options.plotFile = value;
        else if (lower == "module")
            options.modulePath = value;
        else if (lower == "preset")
            options.preset = presetFor (value);
        else if (lower == "key")
            options.keyFile = value;
        else if (lower == "lv2")
            options.lv2Bundle = value;
        else if (lower == "sidechain")
        {
            const auto word = value.toLowerCase().trim();
            if (word != "internal" && word != "external")
                throw failure ("--sidechain: '" + value + "' is not internal or external");
            options.sidechain = word == "external" ? 1.0f : 0.0f;
        }
        else if (lower == "block")
        {
            const auto number = parseNumber (value);
            if (! number || *number < 1 || *number > 65536 || *number != std::floor (*number))
                throw failure ("--block: '" + value + "' is not a block size from 1 to 65536");
            options.blockSize = (int) *number;
        }
        else
        {
            options.settings.push_back (parseSetting (name, value));
        }
    }

    if (options.preset >= 0)
    {
        const auto& preset = velk::factoryPresets[options.preset];
        if (preset.usesKey() && options.keyFile.isEmpty())
            throw failure ("the preset '" + String (preset.name) + "' listens to the key input: give one with --key");
    }
    if ((options.keyFile.isNotEmpty() || options.preset >= 0 || options.sidechain) && (options.stateFile.isNotEmpty() || options.saveStateFile.isNotEmpty() || options.list))
        throw Failure ("--state, --save-state and --list work on the VST 2.4 module, which has no presets and no key input; leave out --preset, --key and --sidechain");

    if (options.files.size() > 2)
        throw Failure ("too many files: give IN and OUT, or only OUT for the demo");
    if (options.files.empty() && ! options.list && options.saveStateFile.isEmpty())
        throw Failure ("no output file (see --help)");
    return options;
}

//==============================================================================
// Open: the source, checked whole, and every output path, checked before anything renders.

juce::File fileFor (const String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (path);
}

/** True when two paths name one file: the same path, or (through a link or another spelling of
    the path) the same file on disk. */
bool isSameFile (const juce::File& a, const juce::File& b)
{
    if (a == juce::File() || b == juce::File())
        return false;
    if (a == b)
        return true;
    struct stat first = {};
    struct stat second = {};
    return ::stat (a.getFullPathName().toRawUTF8(), &first) == 0 && ::stat (b.getFullPathName().toRawUTF8(), &second) == 0
        && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

/** The folder of this program, and its installation prefix's lib folder (/usr/lib for /usr/bin). */
juce::File programFolder()
{
    // Where the program file is, however it was started (by name through $PATH, or by a path).
    return juce::File ("/proc/self/exe").getLinkedTarget().getParentDirectory();
}

juce::File prefixLibFolder()
{
    return programFolder().getParentDirectory().getChildFile ("lib");
}

/** The LV2 bundle for --preset and --key: the one asked for, else the first VELK.lv2 found. */
String findLv2Bundle (const String& requested)
{
    if (requested.isNotEmpty())
        return fileFor (requested).getFullPathName();

    juce::Array<juce::File> folders { programFolder(), programFolder().getChildFile ("lv2") };
    if (const char* lv2Path = std::getenv ("LV2_PATH"); lv2Path != nullptr)
        for (const auto& folder : juce::StringArray::fromTokens (lv2Path, ":", ""))
            if (folder.isNotEmpty())
                folders.add (juce::File (folder));
    folders.add (juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".lv2"));
    folders.add (prefixLibFolder().getChildFile ("lv2"));
    for (const auto& folder : folders)
        if (folder.getChildFile ("VELK.lv2/manifest.ttl").existsAsFile())
            return folder.getChildFile ("VELK.lv2").getFullPathName();
    throw failure ("no VELK.lv2 beside velk-render, in $LV2_PATH, ~/.lv2 or " + prefixLibFolder().getChildFile ("lv2").getFullPathName()
                   + "; give one with --lv2 FOLDER");
}

/** The VST 2.4 module: the one asked for, else beside this program, in $VST_PATH, in ~/.vst, in
    the prefix's vst folder (where the package installs it). */
String findModule (const String& requested)
{
    if (requested.isNotEmpty())
        return fileFor (requested).getFullPathName();

    const auto beside = programFolder().getChildFile ("VELK.so");
    if (beside.existsAsFile())
        return beside.getFullPathName();
    if (const char* vstPath = std::getenv ("VST_PATH"); vstPath != nullptr && *vstPath != 0)
        return juce::File (vstPath).getChildFile ("VELK.so").getFullPathName();
    const auto home = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".vst/VELK.so");
    const auto installed = prefixLibFolder().getChildFile ("vst/VELK.so");
    return (installed.existsAsFile() && ! home.existsAsFile() ? installed : home).getFullPathName();
}

std::atomic<bool> interrupted { false };

void onSignal (int) { interrupted = true; }

String decibels (double linear)
{
    return linear > 0.0 ? String (20.0 * std::log10 (linear), 1) + " dBFS" : String ("-inf dBFS");
}

/** Level figures over every channel of a signal. */
struct Levels
{
    double peak = 0.0, sumOfSquares = 0.0;
    juce::int64 count = 0;

    void add (float x) noexcept
    {
        peak = juce::jmax (peak, (double) std::fabs (x));
        sumOfSquares += (double) x * (double) x;
        ++count;
    }

    String describe() const
    {
        return "peak " + decibels (peak).paddedLeft (' ', 11) + "   RMS " + decibels (count > 0 ? std::sqrt (sumOfSquares / (double) count) : 0.0).paddedLeft (' ', 11);
    }
};

void drawProgress (double fraction)
{
    const int width = 40, filled = (int) (fraction * width);
    std::fprintf (stderr, "\r[%s%s] %3d%%", String::repeatedString ("#", filled).toRawUTF8(),
                  String::repeatedString (".", width - filled).toRawUTF8(), (int) (fraction * 100.0));
    std::fflush (stderr);
}

/** The audio to render: a file, or the built-in demo. */
class Source
{
public:
    Source (juce::AudioFormatManager& formats, const Options& options)
    {
        if (options.files.size() < 2)
        {
            demo = makeDemoSignal (sampleRate);
            totalSamples = demo.getNumSamples();
            name = "built-in demo (drums and bass)";
            return;
        }
        open (formats, options.files[0]);
    }

    /** A file alone, such as the key. */
    Source (juce::AudioFormatManager& formats, const String& path)
    {
        open (formats, path);
    }

    bool isDemo() const noexcept { return reader == nullptr; }

    /** As read, with silence for the frames past the end. */
    void readOrSilence (juce::AudioBuffer<float>& buffer, juce::int64 position, int length)
    {
        const int available = (int) juce::jlimit ((juce::int64) 0, (juce::int64) length, totalSamples - position);
        if (available > 0)
            read (buffer, position, available);
        for (int c = 0; c < buffer.getNumChannels(); ++c)
            buffer.clear (c, available, length - available);
    }

    void open (juce::AudioFormatManager& formats, const String& path)
    {
        name = path;
        file = fileFor (name);
        if (! file.existsAsFile())
            throw failure ("cannot read " + name + ": no such file");

        auto checked = std::make_unique<CheckedFileStream> (file);
        stream = checked.get();
        if (! checked->openedOk())
            throw failure ("cannot read " + name + ": " + file.getFullPathName() + " cannot be opened");
        reader.reset (formats.createReaderFor (std::move (checked)));
        if (reader == nullptr)
        {
            stream = nullptr;
            throw failure ("cannot read " + name + ": not a WAV, AIFF or FLAC file that can be read");
        }
        if (reader->numChannels < 1 || reader->numChannels > 2)
            throw failure (name + " has " + String (reader->numChannels) + " channels; mono or stereo only");
        if (reader->sampleRate <= 0.0)
            throw failure (name + " has no sample rate");

        sampleRate = reader->sampleRate;
        numChannels = (int) reader->numChannels;
        totalSamples = reader->lengthInSamples;
        const auto formatName = reader->getFormatName();
        isFlac = formatName.containsIgnoreCase ("flac");
        isPcm = formatName.containsIgnoreCase ("wav") || formatName.containsIgnoreCase ("aiff");
        checkWhole();
    }

    /** length frames from position into the buffer; throws where the file is damaged. */
    void read (juce::AudioBuffer<float>& buffer, juce::int64 position, int length)
    {
        if (isDemo())
        {
            for (int c = 0; c < numChannels; ++c)
                buffer.copyFrom (c, 0, demo, c, (int) position, length);
            return;
        }

        if (! reader->read (&buffer, 0, length, position, true, true))
            throw failure ("cannot read " + name + " past sample " + String (position));
        // Compressed formats' readers read ahead and meet the end of the file normally; a WAV or
        // AIFF reader reads exactly the frames asked for.
        if (isPcm && stream->cameUpShort())
            throw cutShort();
    }

    String name;
    juce::File file;
    double sampleRate = 48000.0;
    int numChannels = 2;
    juce::int64 totalSamples = 0;

private:
    /** FLAC frames are decoded and checked by libFLAC; a WAV or AIFF file must hold as many
        frames as its header announces: reading its first and last frame shows it. */
    void checkWhole()
    {
        if (isFlac)
        {
            const auto damage = FlacCheck::findDamage (file);
            if (damage.isNotEmpty())
                throw failure (name + " is " + damage);
            return;
        }

        if (! isPcm || totalSamples <= 0)
            return;
        stream->reset();
        juce::AudioBuffer<float> frame (numChannels, 1);
        reader->read (&frame, 0, 1, 0, true, true);
        reader->read (&frame, 0, 1, totalSamples - 1, true, true);
        if (stream->cameUpShort())
            throw cutShort();
    }

    Failure cutShort() const
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
        return failure (name + " is cut short" + where);
    }

    juce::AudioBuffer<float> demo;
    std::unique_ptr<juce::AudioFormatReader> reader;
    CheckedFileStream* stream = nullptr; // owned by the reader
    bool isFlac = false, isPcm = false;
};

/** Throws unless a file can be written at path: its folder exists and can be written, and it is
    not a folder or a read-only file. */
juce::File checkWritable (const String& path, const String& what)
{
    const auto file = fileFor (path);
    const auto folder = file.getParentDirectory();
    if (! folder.isDirectory())
        throw failure ("cannot write " + what + " " + path + ": no such folder");
    if (file.isDirectory())
        throw failure ("cannot write " + what + " " + path + ": it is a folder");
    if (! folder.hasWriteAccess() || (file.exists() && ! file.hasWriteAccess()))
        throw failure ("cannot write " + what + " " + path + ": permission denied");
    return file;
}

/** Where the audio goes, checked. */
struct Destination
{
    juce::File file;
    juce::AudioFormat* format = nullptr;
    int bitsPerSample = 24;
};

Destination openDestination (juce::AudioFormatManager& formats, const Options& options)
{
    Destination d;
    const auto& path = options.files.back();
    d.bitsPerSample = options.floatOutput ? 32 : 24;
    d.file = checkWritable (path, "the output");

    d.format = formats.findFormatForFileExtension (d.file.getFileExtension());
    if (d.format == nullptr || d.format->getFormatName().containsIgnoreCase ("ogg") || d.format->getFormatName().containsIgnoreCase ("mp3"))
        throw failure ("cannot write " + path + ": use .wav, .aiff or .flac");
    if (! d.format->getPossibleBitDepths().contains (d.bitsPerSample))
        throw failure (d.format->getFormatName() + " cannot store " + String (d.bitsPerSample) + "-bit samples"
                       + (options.floatOutput ? "; write 32-bit float to .wav" : ""));
    return d;
}

//==============================================================================
// Render: the source through the plug-in into a temporary file, renamed when complete.

/** What a render measured. */
struct Figures
{
    Levels input, output;
    float smallestGain = 1.0f;
    long clipBlocks = 0, blocks = 0, disagreements = 0;
    double seconds = 0.0, elapsed = 0.0;
};

/** The render through the VST 2.4 module (key null) or the LV2 build with the key. */
template <typename Host>
Figures render (Host& plugin, Source& source, Source* key, const Destination& destination, const Options& options, RenderPlot& plot)
{
    constexpr bool keyed = std::is_same_v<Host, Lv2KeyedHost>;
    const auto& outputPath = options.files.back();
    const int numChannels = source.numChannels;
    const double sampleRate = source.sampleRate;

    TemporaryFile temporary (destination.file, "velk-render-" + String (getpid()));
    std::unique_ptr<juce::AudioFormatWriter> writer;
    {
        auto stream = std::make_unique<juce::FileOutputStream> (temporary.getFile());
        if (! stream->openedOk())
            throw failure ("cannot write " + outputPath + ": " + stream->getStatus().getErrorMessage());
        writer.reset (destination.format->createWriterFor (stream.get(), sampleRate, (unsigned int) numChannels, destination.bitsPerSample, {}, 0));
        if (writer == nullptr)
            throw failure ("cannot write " + outputPath + " at " + String ((int) sampleRate) + " Hz in this format");
        stream.release();
    }

    // An engine given the same settings watches the render for the meter figures (gain
    // reduction, clip lamp), which a host cannot read; its output must equal the plug-in's.
    CompressorCore watcher ((float) sampleRate);
    for (int i = 0; i < velk::numParameters; ++i)
        watcher.applyParameter (i, plugin.getParameter (i));
    bool external = false;
    if constexpr (keyed)
    {
        // The LV2 build always reaches Limit from 20:1.
        external = plugin.getParameter (velk::sidechainParameter) >= 0.5f;
        if (plugin.getParameter (velk::ratioParameter) == velk::limitPosition)
            watcher.setLimitFromTwentyToOne();
    }

    std::signal (SIGINT, onSignal);
    std::signal (SIGTERM, onSignal);
    const bool showProgress = isatty (fileno (stderr)) != 0;
    const auto started = std::chrono::steady_clock::now();

    plugin.resume (sampleRate, options.blockSize);
    // Two channels at least: the LV2 build takes a mono file as two equal sides.
    juce::AudioBuffer<float> input (2, options.blockSize), output (2, options.blockSize), keyBlock (2, options.blockSize);
    Figures figures;

    for (juce::int64 position = 0; position < source.totalSamples; position += options.blockSize)
    {
        if (interrupted)
            throw Failure ("interrupted; nothing was written");

        const int length = (int) juce::jmin ((juce::int64) options.blockSize, source.totalSamples - position);
        source.read (input, position, length);
        if constexpr (keyed)
        {
            if (key != nullptr)
                key->readOrSilence (keyBlock, position, length);
            else
                keyBlock.clear();
            if (key != nullptr && key->numChannels == 1)
                keyBlock.copyFrom (1, 0, keyBlock, 0, 0, length);
            if (numChannels == 1)
                input.copyFrom (1, 0, input, 0, 0, length);
            plugin.process (input.getArrayOfReadPointers(), keyBlock.getArrayOfReadPointers(), const_cast<float**> (output.getArrayOfWritePointers()), length);
        }
        else
        {
            plugin.process (const_cast<float**> (input.getArrayOfWritePointers()), const_cast<float**> (output.getArrayOfWritePointers()), length);
        }

        for (int i = 0; i < length; ++i)
        {
            float inMagnitude = 0.0f, outMagnitude = 0.0f;
            for (int c = 0; c < numChannels; ++c)
            {
                figures.input.add (input.getSample (c, i));
                figures.output.add (output.getSample (c, i));
                inMagnitude = juce::jmax (inMagnitude, std::fabs (input.getSample (c, i)));
                outMagnitude = juce::jmax (outMagnitude, std::fabs (output.getSample (c, i)));
            }

            float left = input.getSample (0, i);
            bool agrees;
            if (keyed || numChannels == 2)
            {
                float right = input.getSample (numChannels - 1, i);
                if (external)
                    watcher.processSample (&left, &right, keyBlock.getSample (0, i), keyBlock.getSample (1, i));
                else
                    watcher.processSample (&left, &right);
                agrees = left == output.getSample (0, i) && (numChannels == 1 || right == output.getSample (1, i));
            }
            else
            {
                watcher.processMonoSample (&left);
                agrees = left == output.getSample (0, i);
            }
            if (! agrees)
                ++figures.disagreements;
            figures.smallestGain = juce::jmin (figures.smallestGain, watcher.getLastGain());
            plot.add (position + i, inMagnitude, outMagnitude, watcher.getLastGain());
        }

        ++figures.blocks;
        if (watcher.takeClipFlag())
            ++figures.clipBlocks;

        if (! writer->writeFromAudioSampleBuffer (output, 0, length))
            throw failure ("cannot write " + outputPath + ": the disk refused the data");

        if (showProgress && (figures.blocks % 64 == 0))
            drawProgress ((double) (position + length) / (double) juce::jmax ((juce::int64) 1, source.totalSamples));
    }

    plugin.suspend();
    writer.reset();
    if (! temporary.commit())
        throw failure ("cannot write " + outputPath);

    if (showProgress)
        std::fprintf (stderr, "\r%60s\r", "");
    figures.elapsed = std::chrono::duration<double> (std::chrono::steady_clock::now() - started).count();
    figures.seconds = (double) source.totalSamples / sampleRate;
    return figures;
}

//==============================================================================
// Report: the summary, and the plot's caption.

double reductionDb (float smallestGain)
{
    return smallestGain > 0.0f && smallestGain < 1.0f ? -20.0 * std::log10 ((double) smallestGain) : 0.0;
}

template <typename Host>
void report (Host& plugin, const Source& source, const Source* key, const Options& options, const Figures& f)
{
    std::printf ("%s by %s: %s -> %s\n", plugin.getEffectName().c_str(), plugin.getVendorName().c_str(),
                 source.name.toRawUTF8(), options.files.back().toRawUTF8());
    std::printf ("  plug-in %s\n", plugin.getPath().c_str());
    if (key != nullptr)
        std::printf ("  key %s (%s), sidechain %s\n", key->name.toRawUTF8(), key->numChannels == 1 ? "mono" : "stereo",
                     plugin.getParameter (velk::sidechainParameter) >= 0.5f ? "external" : "internal");
    std::printf ("  %d channel%s, %g Hz, %.2f s, %s, blocks of %d\n", source.numChannels, source.numChannels == 1 ? "" : "s",
                 source.sampleRate, f.seconds, options.floatOutput ? "32-bit float" : "24-bit", options.blockSize);
    std::printf ("  input   %s\n", f.input.describe().toRawUTF8());
    std::printf ("  output  %s\n", f.output.describe().toRawUTF8());
    std::printf ("  largest gain reduction  %.1f dB\n", reductionDb (f.smallestGain));
    std::printf ("  clip lamp lit in %ld of %ld blocks\n", f.clipBlocks, f.blocks);
    std::printf ("  took %.2f s: %.0f times real time\n", f.elapsed, f.elapsed > 0.0 ? f.seconds / f.elapsed : 0.0);
    if (f.output.peak > 1.0 && ! options.floatOutput)
        std::printf ("  note: the output goes above full scale, where a 24-bit file clips; lower --output or use --float\n");
    if (f.disagreements > 0)
        std::printf ("  note: the meter figures come from an engine that disagreed with the plug-in on %ld samples\n", f.disagreements);
}

/** The settings as the panel shows them, for the plot. */
template <typename Host>
juce::StringArray caption (Host& plugin, const Source& source, const Figures& f)
{
    String settings;
    for (const auto& parameter : velk::parameterTable)
    {
        if (! parameter.hasControl)
            continue;
        if (parameter.isSwitch())
        {
            String shown ("none");
            if (const auto* running = velk::positionCaption (parameter.index, plugin.getParameter (parameter.index)))
                shown = running;
            else if (parameter.index == velk::ratioParameter)
                shown = parameter.captions[0]; // presets outside the six run ratio 1
            settings << parameter.savedName << " " << shown << "    ";
        }
        else
        {
            settings << parameter.name << " " << String (plugin.getParameterDisplay (parameter.index)).trim() << "    ";
        }
    }

    juce::StringArray lines;
    lines.add (settings.trimEnd());
    lines.add ((source.isDemo() ? String ("built-in demo") : source.file.getFileName()) + ", " + String (source.sampleRate, 0) + " Hz, "
               + String (f.seconds, 2) + " s; largest gain reduction " + String (reductionDb (f.smallestGain), 1)
               + " dB; clip lamp in " + String (f.clipBlocks) + " of " + String (f.blocks) + " blocks");
    return lines;
}

//==============================================================================
/** The summary, and the plot where one was asked for. */
template <typename Host>
void reportAndPlot (Host& plugin, const Source& source, const Source* key, const Options& options, const Figures& figures, RenderPlot& plot,
                    const juce::File& plotOut, const Destination& destination)
{
    report (plugin, source, key, options, figures);
    if (options.plotFile.isNotEmpty() && ! plot.writePng (plotOut, "VELK  " + destination.file.getFileName(), caption (plugin, source, figures)))
        throw failure ("cannot write the plot " + options.plotFile);
}

/** A render with a preset or a key, through the LV2 build: it has the presets' own way to
    Limit and the key inputs, which the VST 2.4 module lacks. */
int runLv2 (Source& source, std::optional<Source>& key, const std::optional<Destination>& destination, const Options& options,
            const juce::File& plotOut)
{
    if (! destination)
        throw Failure ("no output file (see --help)");

    Lv2KeyedHost plugin (findLv2Bundle (options.lv2Bundle).toStdString(), source.sampleRate, options.blockSize);
    if (options.preset >= 0)
        for (int index = 0; index < velk::numFormatParameters; ++index)
            plugin.setParameter (index, velk::factoryPresets[options.preset].values[index]);
    for (auto [index, value] : options.settings)
        plugin.setParameter (index, value);
    if (key || options.sidechain)
        plugin.setParameter (velk::sidechainParameter, options.sidechain.value_or (1.0f));

    RenderPlot plot (source.totalSamples, source.sampleRate);
    Source* keySource = key ? &*key : nullptr;
    const auto figures = render (plugin, source, keySource, *destination, options, plot);
    reportAndPlot (plugin, source, keySource, options, figures, plot, plotOut, *destination);
    return 0;
}

int run (int argc, char** argv)
{
    const auto options = parseArguments (argc, argv);
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    // Everything that could fail is checked before the plug-in runs: the key as the input is.
    Source source (formats, options);
    std::optional<Source> key;
    if (options.keyFile.isNotEmpty())
    {
        key.emplace (formats, options.keyFile);
        if (key->sampleRate != source.sampleRate)
            throw failure ("the key " + key->name + " is at " + String (key->sampleRate) + " Hz and the input at " + String (source.sampleRate)
                           + " Hz; give a key at the input's rate");
    }
    std::optional<Destination> destination;
    if (! options.files.empty())
        destination = openDestination (formats, options);
    juce::File stateOut, plotOut;
    if (options.saveStateFile.isNotEmpty())
        stateOut = checkWritable (options.saveStateFile, "the state file");
    if (options.plotFile.isNotEmpty())
        plotOut = checkWritable (options.plotFile, "the plot");

    // No two outputs in one file, and none over the input or the key (which may be the input).
    const std::pair<juce::File, String> outputs[] = { { destination ? destination->file : juce::File(), "the output" },
                                                      { stateOut, "the state file" },
                                                      { plotOut, "the plot" } };
    for (size_t i = 0; i < std::size (outputs); ++i)
    {
        const auto& [file, what] = outputs[i];
        if (file == juce::File())
            continue;
        if (! source.isDemo() && isSameFile (file, source.file))
            throw failure ("cannot write " + what + " " + file.getFileName() + ": it is the input file");
        if (key && isSameFile (file, key->file))
            throw failure ("cannot write " + what + " " + file.getFileName() + ": it is the key");
        for (size_t j = i + 1; j < std::size (outputs); ++j)
            if (isSameFile (file, outputs[j].first))
                throw failure ("cannot write " + what + " and " + outputs[j].second + " to one file, " + file.getFileName());
    }

    if (options.keyFile.isNotEmpty() || options.preset >= 0 || options.sidechain)
        return runLv2 (source, key, destination, options, plotOut);

    // The plug-in, set up as a host would.
    VstHost::Options hostOptions;
    hostOptions.processLevel = 4; // offline rendering
    VstHost plugin (findModule (options.modulePath).toStdString(), hostOptions);
    if (source.numChannels == 1 && ! plugin.setChannels (1))
        throw Failure ("the plug-in refuses a mono arrangement");

    if (options.stateFile.isNotEmpty())
    {
        juce::MemoryBlock state;
        if (! fileFor (options.stateFile).loadFileAsData (state) || state.getSize() == 0)
            throw failure ("cannot read the state file " + options.stateFile);
        const auto* bytes = static_cast<const char*> (state.getData());
        plugin.setChunk (std::vector<char> (bytes, bytes + state.getSize()));
    }
    for (auto [index, value] : options.settings)
        plugin.setParameter (index, value);

    if (options.list)
        for (int i = 0; i < plugin.getNumParameters(); ++i)
            std::printf ("%-12s %s\n", plugin.getParameterName (i).c_str(), plugin.getParameterDisplay (i).c_str());

    std::optional<Figures> figures;
    RenderPlot plot (source.totalSamples, source.sampleRate);
    if (destination)
        figures = render (plugin, source, nullptr, *destination, options, plot);

    if (options.saveStateFile.isNotEmpty())
    {
        const auto chunk = plugin.getChunk();
        if (chunk.empty() || ! stateOut.replaceWithData (chunk.data(), chunk.size()))
            throw failure ("cannot write the state file " + options.saveStateFile);
    }

    if (! figures)
        return 0;

    reportAndPlot (plugin, source, nullptr, options, *figures, plot, plotOut, *destination);
    return 0;
}
} // namespace

int main (int argc, char** argv)
{
    try
    {
        juce::ScopedJuceInitialiser_GUI framework;
        return run (argc, argv);
    }
    catch (const std::exception& e)
    {
        std::fprintf (stderr, "velk-render: %s\n", e.what());
        return 1;
    }
}
