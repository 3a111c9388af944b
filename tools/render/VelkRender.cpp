// velk-render: processes audio files through the VELK plug-in module the way a host does.
//
//     velk-render IN OUT [options]     render IN into OUT
//     velk-render OUT [options]        render the built-in demo (drums and bass) into OUT
//
// Run with --help for the options.

#include "CompressorCore.h"
#include "DemoSignal.h"
#include "RenderPlot.h"
#include "VstHost.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace
{
using juce::String;

const char* const usage =
    "usage: velk-render [IN] OUT [options]\n"
    "  IN, OUT            WAV, AIFF or FLAC files; without IN, a built-in demo of drums and bass\n"
    "  --input V          Input 0..1         --attack V   Attack 0..1\n"
    "  --release V        Release 0..1       --output V   Output 0..1 (0.5 is unity)\n"
    "  --ratio R          1, 2, 4, 8, 20 or lim\n"
    "  --dist D           0..4 or soft, warm, hot, blend, drive\n"
    "  --filter F         0..3 or off, schp (sidechain high-pass), hp, scbell (sidechain bell)\n"
    "  --wet/dry V, --gc V  the two stored-only parameters\n"
    "                     (names are case-insensitive; the plug-in's parameter names work too)\n"
    "  --state FILE       load a saved state chunk first\n"
    "  --save-state FILE  write the state chunk after the settings are applied\n"
    "  --list             print the nine parameters with their display texts\n"
    "  --block N          host block size (default 512)\n"
    "  --float            write 32-bit float (default 24-bit)\n"
    "  --plot FILE.png    draw the input and output envelopes and the gain reduction\n"
    "  --module PATH      the plug-in (default: VELK.so beside this program, $VST_PATH, ~/.vst)\n";

struct Failure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

struct Options
{
    std::vector<String> files;
    std::vector<std::pair<int, float>> settings; // parameter index, value in the plug-in's units
    String stateFile, saveStateFile, plotFile, modulePath;
    int blockSize = 512;
    bool floatOutput = false, list = false;
};

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

/** A setting as the panel shows it, turned into the plug-in's parameter value. */
std::pair<int, float> parseSetting (const String& rawName, const String& rawValue)
{
    const auto name = rawName.toLowerCase();
    const auto value = rawValue.toLowerCase().removeCharacters (" -_").trim();
    const auto bad = [&] (const String& what) { return Failure ("--" + rawName.toStdString() + ": '" + rawValue.toStdString() + "' " + what.toStdString()); };

    const auto choice = [&] (std::initializer_list<const char*> names, int numbers) -> int
    {
        int index = 0;
        for (auto* n : names)
        {
            if (value == n)
                return index;
            ++index;
        }
        if (const auto number = parseNumber (value); number && *number == std::floor (*number) && *number >= 0 && *number < numbers)
            return (int) *number;
        return -1;
    };

    if (name == "ratio")
    {
        const char* ratios[] = { "1", "2", "4", "8", "20" };
        for (int preset = 0; preset < 5; ++preset)
            if (value == ratios[preset] || value == String (ratios[preset]) + ":1")
                return { 4, (float) (preset + 1) };
        if (value == "lim" || value == "limiter")
            return { 4, 6.0f };
        throw bad ("is not a ratio (1, 2, 4, 8, 20 or lim)");
    }
    if (name == "dist" || name == "distortion")
    {
        const int mode = choice ({ "soft", "warm", "hot", "blend", "drive" }, 5);
        if (mode < 0)
            throw bad ("is not a distortion mode (0 to 4, or soft, warm, hot, blend, drive)");
        return { 5, (float) mode };
    }
    if (name == "filter" || name == "filt")
    {
        const int mode = choice ({ "off", "schp", "hp", "scbell" }, 4);
        if (mode < 0)
            throw bad ("is not a filter mode (0 to 3, or off, schp, hp, scbell)");
        return { 6, (float) mode };
    }

    const std::pair<const char*, int> continuous[] = { { "input", 0 }, { "attack", 1 }, { "release", 2 }, { "output", 3 },
                                                       { "wet/dry", 7 }, { "wetdry", 7 }, { "drywet", 7 }, { "gc", 8 } };
    for (auto [n, index] : continuous)
    {
        if (name == n)
        {
            const auto number = parseNumber (rawValue);
            if (! number)
                throw bad ("is not a number");
            return { index, (float) *number };
        }
    }
    throw Failure ("unknown setting --" + rawName.toStdString() + " (see --help)");
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
            std::fputs (usage, stdout);
            std::exit (0);
        }
        if (lower == "float") { options.floatOutput = true; continue; }
        if (lower == "list") { options.list = true; continue; }

        if (i + 1 >= argc)
            throw Failure ("--" + name.toStdString() + " needs a value");
        const String value (argv[++i]);

        if (lower == "state") options.stateFile = value;
        else if (lower == "save-state") options.saveStateFile = value;
        else if (lower == "plot") options.plotFile = value;
        else if (lower == "module") options.modulePath = value;
        else if (lower == "block")
        {
            const auto number = parseNumber (value);
            if (! number || *number < 1 || *number > 65536 || *number != std::floor (*number))
                throw Failure ("--block: '" + value.toStdString() + "' is not a block size from 1 to 65536");
            options.blockSize = (int) *number;
        }
        else
        {
            options.settings.push_back (parseSetting (name, value));
        }
    }

    if (options.files.size() > 2)
        throw Failure ("too many files: give IN and OUT, or only OUT for the demo");
    if (options.files.empty() && ! options.list && options.saveStateFile.isEmpty())
        throw Failure ("no output file (see --help)");
    return options;
}

juce::File fileFor (const String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (path);
}

String findModule (const String& requested)
{
    if (requested.isNotEmpty())
        return fileFor (requested).getFullPathName();

    const auto beside = juce::File::getSpecialLocation (juce::File::currentExecutableFile).getSiblingFile ("VELK.so");
    if (beside.existsAsFile())
        return beside.getFullPathName();
    if (const char* vstPath = std::getenv ("VST_PATH"); vstPath != nullptr && *vstPath != 0)
        return juce::File (vstPath).getChildFile ("VELK.so").getFullPathName();
    return juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".vst/VELK.so").getFullPathName();
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

int run (int argc, char** argv)
{
    const auto options = parseArguments (argc, argv);
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    // The source: a file, or the built-in demo.
    const bool demo = options.files.size() < 2;
    std::unique_ptr<juce::AudioFormatReader> reader;
    juce::AudioBuffer<float> demoSignal;
    double sampleRate = 48000.0;
    int numChannels = 2;
    juce::int64 totalSamples = 0;
    juce::File inputFile;

    if (! demo)
    {
        inputFile = fileFor (options.files[0]);
        if (! inputFile.existsAsFile())
            throw Failure ("cannot read " + options.files[0].toStdString() + ": no such file");
        reader.reset (formats.createReaderFor (inputFile));
        if (reader == nullptr)
            throw Failure ("cannot read " + options.files[0].toStdString() + ": not a WAV, AIFF or FLAC file that can be read");
        if (reader->numChannels < 1 || reader->numChannels > 2)
            throw Failure (options.files[0].toStdString() + " has " + std::to_string (reader->numChannels) + " channels; mono or stereo only");
        if (reader->sampleRate <= 0.0)
            throw Failure (options.files[0].toStdString() + " has no sample rate");
        sampleRate = reader->sampleRate;
        numChannels = (int) reader->numChannels;
        totalSamples = reader->lengthInSamples;
    }
    else
    {
        demoSignal = makeDemoSignal (sampleRate);
        totalSamples = demoSignal.getNumSamples();
    }

    // The destination, checked before anything is processed.
    juce::File outputFile;
    juce::AudioFormat* outputFormat = nullptr;
    const int bitsPerSample = options.floatOutput ? 32 : 24;
    if (! options.files.empty())
    {
        outputFile = fileFor (options.files.back());
        if (! demo && outputFile == inputFile)
            throw Failure ("the output " + options.files.back().toStdString() + " is the input file");
        outputFormat = formats.findFormatForFileExtension (outputFile.getFileExtension());
        if (outputFormat == nullptr || outputFormat->getFormatName().containsIgnoreCase ("ogg") || outputFormat->getFormatName().containsIgnoreCase ("mp3"))
            throw Failure ("cannot write " + options.files.back().toStdString() + ": use .wav, .aiff or .flac");
        if (! outputFormat->getPossibleBitDepths().contains (bitsPerSample))
            throw Failure (outputFormat->getFormatName().toStdString() + " cannot store " + std::to_string (bitsPerSample) + "-bit samples"
                           + (options.floatOutput ? "; write 32-bit float to .wav" : ""));
        if (! outputFile.getParentDirectory().isDirectory())
            throw Failure ("cannot write " + options.files.back().toStdString() + ": no such folder");
    }

    // The plug-in, set up as a host would.
    const auto modulePath = findModule (options.modulePath);
    VstHost plugin (modulePath.toStdString());
    if (numChannels == 1 && ! plugin.setChannels (1))
        throw Failure ("the plug-in refuses a mono arrangement");

    if (options.stateFile.isNotEmpty())
    {
        juce::MemoryBlock state;
        if (! fileFor (options.stateFile).loadFileAsData (state) || state.getSize() == 0)
            throw Failure ("cannot read the state file " + options.stateFile.toStdString());
        const auto* bytes = static_cast<const char*> (state.getData());
        plugin.setChunk (std::vector<char> (bytes, bytes + state.getSize()));
    }
    for (auto [index, value] : options.settings)
        plugin.setParameter (index, value);

    if (options.saveStateFile.isNotEmpty())
    {
        const auto chunk = plugin.getChunk();
        const auto file = fileFor (options.saveStateFile);
        if (chunk.empty() || ! file.replaceWithData (chunk.data(), chunk.size()))
            throw Failure ("cannot write the state file " + options.saveStateFile.toStdString());
    }

    if (options.list)
        for (int i = 0; i < plugin.getNumParameters(); ++i)
            std::printf ("%-12s %s\n", plugin.getParameterName (i).c_str(), plugin.getParameterDisplay (i).c_str());

    if (options.files.empty())
        return 0;

    // An engine given the same settings watches the render for the meter figures (gain
    // reduction, clip lamp), which a host cannot read; its output must equal the plug-in's.
    CompressorCore watcher ((float) sampleRate);
    for (int i = 0; i < 9; ++i)
        watcher.applyParameter (i, plugin.getParameter (i));

    // Written beside the output and renamed when complete, so that a failed or interrupted
    // render never leaves a partial file or touches an existing one.
    const auto temporary = outputFile.getSiblingFile ("." + outputFile.getFileName() + ".velk-render-" + String (getpid()));
    temporary.deleteFile();
    std::unique_ptr<juce::AudioFormatWriter> writer;
    {
        auto stream = std::make_unique<juce::FileOutputStream> (temporary);
        if (! stream->openedOk())
            throw Failure ("cannot write " + options.files.back().toStdString() + ": " + stream->getStatus().getErrorMessage().toStdString());
        writer.reset (outputFormat->createWriterFor (stream.get(), sampleRate, (unsigned int) numChannels, bitsPerSample, {}, 0));
        if (writer == nullptr)
        {
            stream.reset();
            temporary.deleteFile();
            throw Failure ("cannot write " + options.files.back().toStdString() + " at " + std::to_string ((int) sampleRate) + " Hz in this format");
        }
        stream.release();
    }

    std::signal (SIGINT, onSignal);
    std::signal (SIGTERM, onSignal);
    const bool showProgress = isatty (fileno (stderr)) != 0;
    const auto started = std::chrono::steady_clock::now();

    plugin.resume (sampleRate, options.blockSize);
    juce::AudioBuffer<float> input (numChannels, options.blockSize), output (numChannels, options.blockSize);
    RenderPlot plot (totalSamples, sampleRate);
    Levels inputLevels, outputLevels;
    float smallestGain = 1.0f;
    long clipBlocks = 0, blocks = 0, disagreements = 0;

    for (juce::int64 position = 0; position < totalSamples; position += options.blockSize)
    {
        if (interrupted)
        {
            writer.reset();
            temporary.deleteFile();
            throw Failure ("interrupted; nothing was written");
        }

        const int length = (int) juce::jmin ((juce::int64) options.blockSize, totalSamples - position);
        if (demo)
            for (int c = 0; c < numChannels; ++c)
                input.copyFrom (c, 0, demoSignal, c, (int) position, length);
        else if (! reader->read (&input, 0, length, position, true, true))
            throw Failure ("cannot read " + options.files[0].toStdString() + " past sample " + std::to_string (position));

        plugin.process (const_cast<float**> (input.getArrayOfWritePointers()), const_cast<float**> (output.getArrayOfWritePointers()), length);

        for (int i = 0; i < length; ++i)
        {
            float left = input.getSample (0, i), right = input.getSample (numChannels - 1, i);
            float inMagnitude = 0.0f, outMagnitude = 0.0f;
            for (int c = 0; c < numChannels; ++c)
            {
                inputLevels.add (input.getSample (c, i));
                outputLevels.add (output.getSample (c, i));
                inMagnitude = juce::jmax (inMagnitude, std::fabs (input.getSample (c, i)));
                outMagnitude = juce::jmax (outMagnitude, std::fabs (output.getSample (c, i)));
            }

            watcher.processSample (&left, &right);
            if (left != output.getSample (0, i) || (numChannels == 2 && right != output.getSample (1, i)))
                ++disagreements;
            smallestGain = juce::jmin (smallestGain, watcher.getLastGain());
            plot.add (position + i, inMagnitude, outMagnitude, watcher.getLastGain());
        }

        ++blocks;
        if (watcher.takeClipFlag())
            ++clipBlocks;

        if (! writer->writeFromAudioSampleBuffer (output, 0, length))
        {
            writer.reset();
            temporary.deleteFile();
            throw Failure ("cannot write " + options.files.back().toStdString() + ": the disk refused the data");
        }

        if (showProgress && (blocks % 64 == 0))
            drawProgress ((double) (position + length) / (double) juce::jmax ((juce::int64) 1, totalSamples));
    }

    plugin.suspend();
    writer.reset();
    if (! temporary.moveFileTo (outputFile))
    {
        temporary.deleteFile();
        throw Failure ("cannot write " + options.files.back().toStdString());
    }

    const double elapsed = std::chrono::duration<double> (std::chrono::steady_clock::now() - started).count();
    const double seconds = (double) totalSamples / sampleRate;
    if (showProgress)
        std::fprintf (stderr, "\r%60s\r", "");

    std::printf ("%s by %s: %s -> %s\n", plugin.getEffectName().c_str(), plugin.getVendorName().c_str(),
                 demo ? "built-in demo (drums and bass)" : options.files[0].toRawUTF8(), options.files.back().toRawUTF8());
    std::printf ("  %d channel%s, %g Hz, %.2f s, %s, blocks of %d\n", numChannels, numChannels == 1 ? "" : "s", sampleRate, seconds,
                 options.floatOutput ? "32-bit float" : "24-bit", options.blockSize);
    std::printf ("  input   %s\n", inputLevels.describe().toRawUTF8());
    std::printf ("  output  %s\n", outputLevels.describe().toRawUTF8());
    std::printf ("  largest gain reduction  %.1f dB\n", smallestGain > 0.0f ? -20.0 * std::log10 ((double) smallestGain) : 0.0);
    std::printf ("  clip lamp lit in %ld of %ld blocks\n", clipBlocks, blocks);
    std::printf ("  took %.2f s: %.0f times real time\n", elapsed, elapsed > 0.0 ? seconds / elapsed : 0.0);
    if (outputLevels.peak > 1.0 && ! options.floatOutput)
        std::printf ("  note: the output goes above full scale, where a 24-bit file clips; lower --output or use --float\n");
    if (disagreements > 0)
        std::printf ("  note: the meter figures come from an engine that disagreed with the plug-in on %ld samples\n", disagreements);

    if (options.plotFile.isNotEmpty())
    {
        // The settings as the panel shows them.
        const char* const ratios[] = { "1:1", "1:1", "2:1", "4:1", "8:1", "20:1", "limiter" };
        const char* const dists[] = { "soft", "warm", "hot", "blend", "drive" };
        const char* const filters[] = { "off", "sidechain high-pass", "high-pass", "sidechain bell" };
        const auto choice = [&] (int index, const char* const* names, int count) -> String
        {
            const int n = CompressorCore::truncateToInt (plugin.getParameter (index));
            return n >= 0 && n < count ? String (names[n]) : String (n) + " (none)";
        };
        juce::StringArray caption;
        String settings;
        for (int i = 0; i < 4; ++i)
            settings << String (plugin.getParameterName (i)) << " " << String (plugin.getParameterDisplay (i)).trim() << "    ";
        settings << "Ratio " << choice (4, ratios, 7) << "    Dist " << choice (5, dists, 5) << "    Filter " << choice (6, filters, 4);
        caption.add (settings);
        caption.add ((demo ? String ("built-in demo") : inputFile.getFileName()) + ", " + String (sampleRate, 0) + " Hz, "
                     + String (seconds, 2) + " s; largest gain reduction " + String (smallestGain > 0.0f ? -20.0 * std::log10 ((double) smallestGain) : 0.0, 1)
                     + " dB; clip lamp in " + String (clipBlocks) + " of " + String (blocks) + " blocks");
        if (! plot.writePng (fileFor (options.plotFile), "VELK  " + outputFile.getFileName(), caption))
            throw Failure ("cannot write the plot " + options.plotFile.toStdString());
    }
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
