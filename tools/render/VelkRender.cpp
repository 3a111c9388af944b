// velk-render: processes audio files through the VELK plug-in module the way a host does.
//
//     velk-render IN OUT [options]     render IN into OUT
//     velk-render OUT [options]        render the built-in demo (drums and bass) into OUT
//
// Run with --help for the options.

#include "FactoryPresetTable.h"
#include "Lv2Host.h"
#include "ParameterTable.h"
#include "ParameterText.h"
#include "RenderArguments.h"
#include "RenderFiles.h"
#include "RenderPlot.h"
#include "RenderSource.h"
#include "RenderWatcher.h"
#include "TemporaryFile.h"
#include "VelkVersion.h"
#include "VstHost.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <unistd.h>

namespace
{
using juce::String;
using renderfiles::checkWritable;
using renderfiles::fileFor;
using renderfiles::isSameFile;

//==============================================================================
// Open: the source and the key, checked whole, and every output path, checked before anything
// renders.

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
        throw RenderFailure ("cannot write " + path + ": use .wav, .aiff or .flac");
    if (! d.format->getPossibleBitDepths().contains (d.bitsPerSample))
        throw RenderFailure (d.format->getFormatName() + " cannot store " + String (d.bitsPerSample) + "-bit samples"
                             + (options.floatOutput ? "; write 32-bit float to .wav" : ""));
    return d;
}

/** Everything a render reads and writes, opened and checked. */
struct Files
{
    RenderSource source;
    std::optional<RenderSource> key;
    std::optional<Destination> destination;
    juce::File stateOut, plotOut;
};

std::unique_ptr<Files> openFiles (juce::AudioFormatManager& formats, const Options& options)
{
    auto files = std::make_unique<Files> (Files { RenderSource (formats, options.files.size() < 2 ? nullptr : &options.files[0]), {}, {}, {}, {} });
    const auto& source = files->source;
    auto& key = files->key;
    if (options.keyFile.isNotEmpty())
    {
        key.emplace (formats, &options.keyFile);
        if (key->sampleRate != source.sampleRate)
            throw RenderFailure ("the key " + key->name + " is at " + String (key->sampleRate) + " Hz and the input at " + String (source.sampleRate)
                                 + " Hz; give a key at the input's rate");
    }
    if (! options.files.empty())
        files->destination = openDestination (formats, options);
    if (options.saveStateFile.isNotEmpty())
        files->stateOut = checkWritable (options.saveStateFile, "the state file");
    if (options.plotFile.isNotEmpty())
        files->plotOut = checkWritable (options.plotFile, "the plot");

    // No two outputs in one file, and none over the input or the key (which may be the input).
    const std::pair<juce::File, String> outputs[] = { { files->destination ? files->destination->file : juce::File(), "the output" },
                                                      { files->stateOut, "the state file" },
                                                      { files->plotOut, "the plot" } };
    for (size_t i = 0; i < std::size (outputs); ++i)
    {
        const auto& [file, what] = outputs[i];
        if (file == juce::File())
            continue;
        if (! source.isDemo() && isSameFile (file, source.file))
            throw RenderFailure ("cannot write " + what + " " + file.getFileName() + ": it is the input file");
        if (key && isSameFile (file, key->file))
            throw RenderFailure ("cannot write " + what + " " + file.getFileName() + ": it is the key");
        for (size_t j = i + 1; j < std::size (outputs); ++j)
            if (isSameFile (file, outputs[j].first))
                throw RenderFailure ("cannot write " + what + " and " + outputs[j].second + " to one file, " + file.getFileName());
    }
    return files;
}

//==============================================================================
// Drive: the plug-in, set up as a host sets it up.

/** The plug-in a render drives: the VST 2.4 module, or the LV2 build for a preset or a key. */
struct Plugin
{
    std::unique_ptr<VstHost> vst;
    std::unique_ptr<Lv2Host> lv2;

    float value (int index) const { return vst != nullptr ? vst->getParameter (index) : lv2->getParameter (index); }
    String display (int index) const { return vst != nullptr ? String (vst->getParameterDisplay (index)) : String (velk::displayText (index, value (index))); }
    String name() const { return vst != nullptr ? String (vst->getEffectName()) : String (velk::version::productName) + " (LV2 build)"; }
    String vendor() const { return vst != nullptr ? String (vst->getVendorName()) : String (velk::version::vendor); }
    String path() const { return vst != nullptr ? vst->getPath() : lv2->getPath(); }
};

Plugin openPlugin (const Options& options, const RenderSource& source)
{
    Plugin plugin;
    if (options.usesLv2())
    {
        // The stereo plug-in: a mono file goes through it as two equal sides.
        plugin.lv2 = std::make_unique<Lv2Host> (renderfiles::findLv2Bundle (options.lv2Bundle).toStdString(), true, source.sampleRate, options.blockSize);
        plugin.lv2->connectKeys();
        if (options.preset >= 0)
            for (int index = 0; index < velk::numFormatParameters; ++index)
                plugin.lv2->setParameter (index, velk::factoryPresets[options.preset].values[index]);
        for (auto [index, value] : options.settings)
            plugin.lv2->setParameter (index, value);
        if (options.keyFile.isNotEmpty() || options.sidechain)
            plugin.lv2->setParameter (velk::sidechainParameter, options.sidechain.value_or (1.0f));
        return plugin;
    }

    VstHost::Options hostOptions;
    hostOptions.processLevel = 4; // offline rendering
    plugin.vst = std::make_unique<VstHost> (renderfiles::findModule (options.modulePath).toStdString(), hostOptions);
    if (source.numChannels == 1 && ! plugin.vst->setChannels (1))
        throw RenderFailure ("the plug-in refuses a mono arrangement");
    if (options.stateFile.isNotEmpty())
    {
        juce::MemoryBlock state;
        if (! fileFor (options.stateFile).loadFileAsData (state) || state.getSize() == 0)
            throw RenderFailure ("cannot read the state file " + options.stateFile);
        const auto* bytes = static_cast<const char*> (state.getData());
        plugin.vst->setChunk (std::vector<char> (bytes, bytes + state.getSize()));
    }
    for (auto [index, value] : options.settings)
        plugin.vst->setParameter (index, value);
    return plugin;
}

std::atomic<bool> interrupted { false };

void onSignal (int) { interrupted = true; }

void drawProgress (double fraction)
{
    const int width = 40, filled = (int) (fraction * width);
    std::fprintf (stderr, "\r[%s%s] %3d%%", String::repeatedString ("#", filled).toRawUTF8(),
                  String::repeatedString (".", width - filled).toRawUTF8(), (int) (fraction * 100.0));
    std::fflush (stderr);
}

/** The source through the plug-in into a temporary file, renamed when complete, watched. */
std::unique_ptr<RenderWatcher> render (Plugin& plugin, Files& files, const Options& options, RenderPlot& plot, double& elapsed)
{
    auto& source = files.source;
    const auto& outputPath = options.files.back();
    const int numChannels = source.numChannels;
    const double sampleRate = source.sampleRate;

    TemporaryFile temporary (files.destination->file, "velk-render-" + String (getpid()));
    std::unique_ptr<juce::AudioFormatWriter> writer;
    {
        auto stream = std::make_unique<juce::FileOutputStream> (temporary.getFile());
        if (! stream->openedOk())
            throw RenderFailure ("cannot write " + outputPath + ": " + stream->getStatus().getErrorMessage());
        writer.reset (files.destination->format->createWriterFor (stream.get(), sampleRate, (unsigned int) numChannels,
                                                                  files.destination->bitsPerSample, {}, 0));
        if (writer == nullptr)
            throw RenderFailure ("cannot write " + outputPath + " at " + String ((int) sampleRate) + " Hz in this format");
        stream.release();
    }

    float values[velk::numFormatParameters];
    for (int index = 0; index < velk::numFormatParameters; ++index)
        values[index] = index < velk::numParameters || plugin.lv2 != nullptr ? plugin.value (index) : 0.0f;
    // The LV2 build always reaches Limit from 20:1.
    auto watcher = std::make_unique<RenderWatcher> (sampleRate, values, plugin.lv2 != nullptr, plugin.lv2 != nullptr || numChannels == 2);

    std::signal (SIGINT, onSignal);
    std::signal (SIGTERM, onSignal);
    const bool showProgress = isatty (fileno (stderr)) != 0;
    const auto started = std::chrono::steady_clock::now();

    if (plugin.vst != nullptr)
        plugin.vst->resume (sampleRate, options.blockSize);
    else
        plugin.lv2->activate();
    // Two channels at least: the LV2 build takes a mono file as two equal sides.
    juce::AudioBuffer<float> input (2, options.blockSize), output (2, options.blockSize), key (2, options.blockSize);

    for (juce::int64 position = 0; position < source.totalSamples; position += options.blockSize)
    {
        if (interrupted)
            throw RenderFailure ("interrupted; nothing was written");

        const int length = (int) juce::jmin ((juce::int64) options.blockSize, source.totalSamples - position);
        source.read (input, position, length);
        if (plugin.lv2 != nullptr)
        {
            if (files.key)
                files.key->readOrSilence (key, position, length);
            else
                key.clear();
            if (files.key && files.key->numChannels == 1)
                key.copyFrom (1, 0, key, 0, 0, length);
            if (numChannels == 1)
                input.copyFrom (1, 0, input, 0, 0, length);
            plugin.lv2->process (input.getArrayOfReadPointers(), key.getArrayOfReadPointers(), output.getArrayOfWritePointers(), length);
        }
        else
        {
            plugin.vst->process (const_cast<float**> (input.getArrayOfWritePointers()), const_cast<float**> (output.getArrayOfWritePointers()), length);
        }

        watcher->watch (input, key, output, numChannels, length, position, plot);
        if (! writer->writeFromAudioSampleBuffer (output, 0, length))
            throw RenderFailure ("cannot write " + outputPath + ": the disk refused the data");
        if (showProgress && (watcher->blocks % 64 == 0))
            drawProgress ((double) (position + length) / (double) juce::jmax ((juce::int64) 1, source.totalSamples));
    }

    if (plugin.vst != nullptr)
        plugin.vst->suspend();
    else
        plugin.lv2->deactivate();
    writer.reset();
    if (! temporary.commit())
        throw RenderFailure ("cannot write " + outputPath);

    if (showProgress)
        std::fprintf (stderr, "\r%60s\r", "");
    elapsed = std::chrono::duration<double> (std::chrono::steady_clock::now() - started).count();
    return watcher;
}

//==============================================================================
// Report: the summary, and the plot with its caption.

void report (const Plugin& plugin, const Files& files, const Options& options, const RenderWatcher& f, double elapsed)
{
    const auto& source = files.source;
    const double seconds = (double) source.totalSamples / source.sampleRate;
    std::printf ("%s by %s: %s -> %s\n", plugin.name().toRawUTF8(), plugin.vendor().toRawUTF8(), source.name.toRawUTF8(),
                 options.files.back().toRawUTF8());
    std::printf ("  plug-in %s\n", plugin.path().toRawUTF8());
    if (files.key)
        std::printf ("  key %s (%s), sidechain %s\n", files.key->name.toRawUTF8(), files.key->numChannels == 1 ? "mono" : "stereo",
                     plugin.value (velk::sidechainParameter) >= 0.5f ? "external" : "internal");
    std::printf ("  %d channel%s, %g Hz, %.2f s, %s, blocks of %d\n", source.numChannels, source.numChannels == 1 ? "" : "s",
                 source.sampleRate, seconds, options.floatOutput ? "32-bit float" : "24-bit", options.blockSize);
    std::printf ("  input   %s\n", f.input.describe().toRawUTF8());
    std::printf ("  output  %s\n", f.output.describe().toRawUTF8());
    std::printf ("  largest gain reduction  %.1f dB\n", f.reductionDb());
    std::printf ("  clip lamp lit in %ld of %ld blocks\n", f.clipBlocks, f.blocks);
    std::printf ("  took %.2f s: %.0f times real time\n", elapsed, elapsed > 0.0 ? seconds / elapsed : 0.0);
    if (f.output.peak > 1.0 && ! options.floatOutput)
        std::printf ("  note: the output goes above full scale, where a 24-bit file clips; lower --output or use --float\n");
    if (f.disagreements > 0)
        std::printf ("  note: the meter figures come from an engine that disagreed with the plug-in on %ld samples\n", f.disagreements);
}

/** The plot, captioned with the settings as the panel shows them. */
void writePlot (const Plugin& plugin, const Files& files, const Options& options, const RenderWatcher& f, RenderPlot& plot)
{
    String settings;
    for (const auto& parameter : velk::parameterTable)
    {
        if (! parameter.hasControl)
            continue;
        if (parameter.isSwitch())
        {
            String shown ("none");
            if (const auto* running = velk::positionCaption (parameter.index, plugin.value (parameter.index)))
                shown = running;
            else if (parameter.index == velk::ratioParameter)
                shown = parameter.captions[0]; // presets outside the six run ratio 1
            settings << parameter.savedName << " " << shown << "    ";
        }
        else
        {
            settings << parameter.name << " " << plugin.display (parameter.index).trim() << "    ";
        }
    }

    const auto& source = files.source;
    juce::StringArray lines;
    lines.add (settings.trimEnd());
    lines.add ((source.isDemo() ? String ("built-in demo") : source.file.getFileName()) + ", " + String (source.sampleRate, 0) + " Hz, "
               + String ((double) source.totalSamples / source.sampleRate, 2) + " s; largest gain reduction " + String (f.reductionDb(), 1)
               + " dB; clip lamp in " + String (f.clipBlocks) + " of " + String (f.blocks) + " blocks");
    if (! plot.writePng (files.plotOut, "VELK  " + files.destination->file.getFileName(), lines))
        throw RenderFailure ("cannot write the plot " + options.plotFile);
}

int run (int argc, char** argv)
{
    const auto options = parseArguments (argc, argv);
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    // Everything that could fail is checked before the plug-in runs.
    const auto files = openFiles (formats, options);
    if (options.usesLv2() && ! files->destination)
        throw RenderFailure ("no output file (see --help)");
    auto plugin = openPlugin (options, files->source);

    if (options.list)
        for (int i = 0; i < plugin.vst->getNumParameters(); ++i)
            std::printf ("%-12s %s\n", plugin.vst->getParameterName (i).c_str(), plugin.vst->getParameterDisplay (i).c_str());

    std::unique_ptr<RenderWatcher> figures;
    double elapsed = 0.0;
    RenderPlot plot (files->source.totalSamples, files->source.sampleRate);
    if (files->destination)
        figures = render (plugin, *files, options, plot, elapsed);

    if (options.saveStateFile.isNotEmpty())
    {
        const auto chunk = plugin.vst->getChunk();
        if (chunk.empty() || ! files->stateOut.replaceWithData (chunk.data(), chunk.size()))
            throw RenderFailure ("cannot write the state file " + options.saveStateFile);
    }

    if (figures)
    {
        report (plugin, *files, options, *figures, elapsed);
        if (options.plotFile.isNotEmpty())
            writePlot (plugin, *files, options, *figures, plot);
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
