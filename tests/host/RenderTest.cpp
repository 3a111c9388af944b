// velk-render as a user runs it: files in, files out, the plug-in loaded through its entry point.

#include "EngineMirror.h"
#include "FactoryPresetTable.h"
#include "TestSignals.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_graphics/juce_graphics.h>

#include <gtest/gtest.h>

#include <unistd.h>

namespace
{
struct Run
{
    int exitCode;
    juce::String output;
};

Run render (const juce::StringArray& arguments)
{
    juce::ChildProcess process;
    juce::StringArray command { VELK_RENDER_PATH };
    command.addArray (arguments);
    if (! process.start (command))
        return { -1, "could not start" };
    const auto output = process.readAllProcessOutput();
    process.waitForProcessToFinish (60000);
    return { (int) process.getExitCode(), output };
}

class Folder
{
public:
    // Named after the process: CTest runs the cases as parallel processes, which could otherwise
    // draw the same random temporary name.
    Folder()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile ("velk-render-test-" + juce::String (getpid()) + "-" + juce::String (++count)))
    {
        folder.deleteRecursively();
        folder.createDirectory();
    }
    ~Folder() { folder.deleteRecursively(); }
    juce::String path (const char* name) const { return folder.getChildFile (name).getFullPathName(); }
    juce::File file (const char* name) const { return folder.getChildFile (name); }
    int numAllFiles() const { return (int) folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*").size(); }

private:
    static inline int count = 0;
    juce::File folder;
};

juce::AudioBuffer<float> noise (int channels, int samples, std::uint32_t seed)
{
    juce::AudioBuffer<float> buffer (channels, samples);
    NoiseSource source (seed);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            buffer.setSample (c, i, 0.7f * source.next() * (i % 20000 < 8000 ? 1.0f : 0.2f));
    return buffer;
}

bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& buffer, double rate, int bits = 32)
{
    file.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream> (file);
    std::unique_ptr<juce::AudioFormatWriter> writer (juce::WavAudioFormat().createWriterFor (stream.get(), rate, (unsigned int) buffer.getNumChannels(), bits, {}, 0));
    if (writer == nullptr)
        return false;
    stream.release();
    return writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
}

juce::AudioBuffer<float> readAudio (const juce::File& file, double* rate = nullptr)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));
    if (reader == nullptr)
        return {};
    juce::AudioBuffer<float> buffer ((int) reader->numChannels, (int) reader->lengthInSamples);
    reader->read (&buffer, 0, buffer.getNumSamples(), 0, true, true);
    if (rate != nullptr)
        *rate = reader->sampleRate;
    return buffer;
}

/** The engine given what the plug-in's processor gives it for these settings (Limit reached
    from 20:1 where limitFromApproach), with the key where there is one: silence after its end. */
juce::AudioBuffer<float> throughEngine (juce::AudioBuffer<float> buffer, double rate, const std::vector<std::pair<int, float>>& settings,
                                        bool limitFromApproach = false, const juce::AudioBuffer<float>* key = nullptr)
{
    EngineMirror mirror ((float) rate);
    for (auto [index, value] : settings)
        mirror.set (index, value);
    if (limitFromApproach)
        mirror.setLimitFromApproach();

    mirror.run (buffer.getArrayOfWritePointers(), buffer.getNumChannels(), buffer.getNumSamples(),
                key != nullptr ? key->getArrayOfReadPointers() : nullptr, key != nullptr ? key->getNumChannels() : 0,
                key != nullptr ? key->getNumSamples() : 0);
    return buffer;
}

/** A factory preset's nine values, as settings for throughEngine. */
std::vector<std::pair<int, float>> presetSettings (int preset)
{
    std::vector<std::pair<int, float>> settings;
    for (int index = 0; index < velk::numParameters; ++index)
        settings.push_back ({ index, velk::factoryPresets[preset].values[index] });
    return settings;
}

bool identical (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return false;
    for (int c = 0; c < a.getNumChannels(); ++c)
        if (std::memcmp (a.getReadPointer (c), b.getReadPointer (c), sizeof (float) * (size_t) a.getNumSamples()) != 0)
            return false;
    return true;
}
} // namespace

TEST (Render, FloatOutputEqualsTheEngineBitForBit)
{
    Folder folder;
    const juce::StringArray settings { "--Ratio", "4", "--input", "0.8", "--DIST", "hot", "--filter", "schp", "--attack", "0.3" };
    const std::vector<std::pair<int, float>> values { { 4, 3.0f }, { 0, 0.8f }, { 5, 2.0f }, { 6, 1.0f }, { 1, 0.3f } };

    for (double rate : { 44100.0, 48000.0, 96000.0 })
        for (int channels : { 1, 2 })
        {
            const auto input = noise (channels, 30000, (std::uint32_t) rate + (std::uint32_t) channels);
            ASSERT_TRUE (writeWav (folder.file ("in.wav"), input, rate));
            auto arguments = juce::StringArray { folder.path ("in.wav"), folder.path ("out.wav"), "--float", "--block", "300" };
            arguments.addArray (settings);
            const auto run = render (arguments);
            ASSERT_EQ (run.exitCode, 0) << run.output;
            EXPECT_TRUE (run.output.contains ("largest gain reduction")) << run.output;
            EXPECT_FALSE (run.output.contains ("disagreed")) << run.output;

            double outputRate = 0.0;
            const auto output = readAudio (folder.file ("out.wav"), &outputRate);
            EXPECT_EQ (outputRate, rate);
            EXPECT_TRUE (identical (output, throughEngine (input, rate, values))) << rate << " Hz, " << channels << " channels";
        }
}

TEST (Render, PresetsAndTheKeyedLv2RenderEqualTheEngineBitForBit)
{
    Folder folder;
    const int limiter = 5, ducking = 11;
    ASSERT_EQ (velk::factoryPresets[limiter].values[velk::ratioParameter], velk::limitPosition);

    for (int channels : { 1, 2 })
    {
        const auto input = noise (channels, 30000, 11u + (std::uint32_t) channels), key = noise (3 - channels, 10000, 5u);
        ASSERT_TRUE (writeWav (folder.file ("in.wav"), input, 48000.0));
        ASSERT_TRUE (writeWav (folder.file ("key.wav"), key, 48000.0));

        // The limiter preset through the LV2 build, with a key not listened to or none: Limit
        // is reached from 20:1.
        const auto expected = throughEngine (input, 48000.0, presetSettings (limiter), true);
        for (const auto& extra : { juce::StringArray(), juce::StringArray { "--key", folder.path ("key.wav"), "--sidechain", "internal" } })
        {
            auto arguments = juce::StringArray { folder.path ("in.wav"), folder.path ("out.wav"), "--float", "--preset", "limiter" };
            arguments.addArray (extra);
            const auto run = render (arguments);
            ASSERT_EQ (run.exitCode, 0) << run.output;
            EXPECT_TRUE (run.output.contains ("LV2 build")) << run.output;
            EXPECT_FALSE (run.output.contains ("disagreed")) << run.output;
            EXPECT_TRUE (identical (readAudio (folder.file ("out.wav")), expected)) << channels << " " << extra.joinIntoString (" ");
        }

        // Ducking by a key shorter than the input (a mono key on stereo audio, a stereo key on
        // mono audio): the key drives the compressor, then silence does.
        const auto run = render ({ folder.path ("in.wav"), folder.path ("out.wav"), "--float", "--preset", "Ducking by Key", "--key", folder.path ("key.wav") });
        ASSERT_EQ (run.exitCode, 0) << run.output;
        EXPECT_TRUE (identical (readAudio (folder.file ("out.wav")), throughEngine (input, 48000.0, presetSettings (ducking), false, &key))) << channels;

        // The input as its own key, as the README's ducking example suggests.
        const auto own = render ({ folder.path ("in.wav"), folder.path ("out.wav"), "--float", "--preset", "Ducking by Key", "--key", folder.path ("in.wav") });
        ASSERT_EQ (own.exitCode, 0) << own.output;
        EXPECT_TRUE (identical (readAudio (folder.file ("out.wav")), throughEngine (input, 48000.0, presetSettings (ducking), false, &input))) << channels;
    }
}

TEST (Render, SavedStateGivesTheSameOutputAndBlocksDoNotMatter)
{
    Folder folder;
    ASSERT_TRUE (writeWav (folder.file ("in.wav"), noise (2, 20000, 9u), 48000.0));
    auto first = render ({ folder.path ("in.wav"), folder.path ("a.wav"), "--float", "--ratio", "lim", "--output", "0.3",
                           "--release", "0.05", "--filter", "3", "--save-state", folder.path ("state.bin") });
    ASSERT_EQ (first.exitCode, 0) << first.output;
    ASSERT_TRUE (folder.file ("state.bin").existsAsFile());

    auto second = render ({ folder.path ("in.wav"), folder.path ("b.wav"), "--float", "--state", folder.path ("state.bin"), "--block", "1" });
    ASSERT_EQ (second.exitCode, 0) << second.output;
    EXPECT_TRUE (identical (readAudio (folder.file ("a.wav")), readAudio (folder.file ("b.wav"))));

    const auto list = render ({ "--state", folder.path ("state.bin"), "--list" });
    ASSERT_EQ (list.exitCode, 0) << list.output;
    EXPECT_TRUE (list.output.contains ("Ratio        6.000")) << list.output;
    EXPECT_TRUE (list.output.contains ("Output       0.300")) << list.output;
    EXPECT_TRUE (list.output.contains ("Gc")) << list.output;
}

TEST (Render, DemoWithPlotAndOtherFormats)
{
    Folder folder;
    const auto demo = render ({ folder.path ("demo.flac"), "--plot", folder.path ("demo.png"), "--ratio", "8" });
    ASSERT_EQ (demo.exitCode, 0) << demo.output;
    EXPECT_TRUE (demo.output.contains ("built-in demo")) << demo.output;
    const auto audio = readAudio (folder.file ("demo.flac"));
    EXPECT_EQ (audio.getNumChannels(), 2);
    EXPECT_GT (audio.getNumSamples(), 48000 * 4);
    const auto plot = juce::ImageFileFormat::loadFrom (folder.file ("demo.png"));
    EXPECT_EQ (plot.getWidth(), 1200);
    EXPECT_EQ (plot.getHeight(), 600);

    // AIFF in, 24-bit AIFF out.
    ASSERT_TRUE (writeWav (folder.file ("in.wav"), noise (2, 4000, 3u), 44100.0, 24));
    ASSERT_EQ (render ({ folder.path ("in.wav"), folder.path ("mid.aiff") }).exitCode, 0);
    const auto run = render ({ folder.path ("mid.aiff"), folder.path ("out.wav") });
    ASSERT_EQ (run.exitCode, 0) << run.output;
    EXPECT_EQ (readAudio (folder.file ("out.wav")).getNumSamples(), 4000);
}

TEST (Render, BadInputGivesAnErrorAndWritesNothing)
{
    Folder folder;
    ASSERT_TRUE (writeWav (folder.file ("in.wav"), noise (2, 2000, 4u), 44100.0));
    folder.file ("text.wav").replaceWithText ("not audio");
    folder.file ("existing.wav").replaceWithText ("keep me");
    ASSERT_TRUE (writeWav (folder.file ("key48.wav"), noise (1, 2000, 5u), 48000.0));
    ASSERT_TRUE (writeWav (folder.file ("key3.wav"), noise (3, 2000, 5u), 44100.0));
    ASSERT_TRUE (writeWav (folder.file ("key.wav"), noise (1, 2000, 6u), 44100.0));
    // Other names for the input and the key: a link to the input, and a path through a link to
    // the folder.
    ASSERT_EQ (::symlink (folder.path ("in.wav").toRawUTF8(), folder.path ("link.wav").toRawUTF8()), 0);
    ASSERT_EQ (::symlink (folder.path ("").toRawUTF8(), folder.path ("here").toRawUTF8()), 0);
    const auto keyByAnotherPath = folder.path ("here") + "/key.wav";

    // clang-format off
    struct Case { juce::StringArray arguments; const char* message; };
    // clang-format on
    const Case cases[] = {
        { { folder.path ("missing.wav"), folder.path ("out.wav") }, "no such file" },
        { { folder.path ("text.wav"), folder.path ("out.wav") }, "cannot read" },
        { { folder.path ("in.wav"), folder.path ("out.xyz") }, "use .wav, .aiff or .flac" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--loudness", "3" }, "unknown setting --loudness" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--input", "0.5x" }, "not a number" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--ratio", "3" }, "not a ratio" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--block", "0" }, "block size" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--module", folder.path ("none.so") }, "cannot load the plug-in module" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--module", VELK_NULL_MODULE_PATH }, "returned no effect" },
        { { folder.path ("in.wav"), folder.path ("in.wav") }, "is the input file" },
        { { folder.path ("in.wav"), folder.path ("out.flac"), "--float" }, "cannot store 32-bit" },
        { { folder.path ("in.wav"), folder.path ("existing.wav"), "--state", folder.path ("missing.bin") }, "cannot read the state file" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--preset", "loud" }, "no factory preset is named 'loud'" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--preset", "ducking by key" }, "listens to the key input" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--key", folder.path ("key48.wav") }, "give a key at the input's rate" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--key", folder.path ("key3.wav") }, "3 channels; mono or stereo only" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--key", folder.path ("text.wav") }, "cannot read" },
        { { folder.path ("in.wav"), keyByAnotherPath, "--key", folder.path ("key.wav") }, "it is the key" },
        { { folder.path ("in.wav"), folder.path ("link.wav") }, "it is the input file" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--plot", folder.path ("link.wav"), "--key", folder.path ("in.wav") }, "it is the input file" },
    };

    for (const auto& c : cases)
    {
        const auto run = render (c.arguments);
        EXPECT_NE (run.exitCode, 0) << c.arguments.joinIntoString (" ");
        EXPECT_TRUE (run.output.startsWith ("velk-render: ")) << run.output;
        EXPECT_TRUE (run.output.contains (c.message)) << run.output;
        EXPECT_EQ (run.output.trim().indexOfChar ('\n'), -1) << run.output;
        EXPECT_FALSE (folder.file ("out.wav").exists());
        EXPECT_FALSE (folder.file ("out.xyz").exists());
        EXPECT_FALSE (folder.file ("out.flac").exists());
    }

    EXPECT_EQ (folder.file ("existing.wav").loadFileAsString(), "keep me");
    EXPECT_EQ (readAudio (folder.file ("in.wav")).getNumSamples(), 2000);
    EXPECT_EQ (readAudio (folder.file ("key.wav")).getNumSamples(), 2000);
    EXPECT_EQ (folder.numAllFiles(), 8) << "no temporary files are left behind";
}

TEST (Render, DamagedInputIsRefusedAndNothingIsWritten)
{
    // Files whose header announces more audio than they hold, or whose FLAC frames are
    // corrupted: the framework's readers would fill the gap with silence.
    Folder folder;
    const auto signal = noise (2, 96000, 21u);
    ASSERT_TRUE (writeWav (folder.file ("whole.wav"), signal, 48000.0, 24));
    {
        folder.file ("whole.flac").deleteFile();
        auto stream = std::make_unique<juce::FileOutputStream> (folder.file ("whole.flac"));
        std::unique_ptr<juce::AudioFormatWriter> writer (juce::FlacAudioFormat().createWriterFor (stream.get(), 48000.0, 2, 24, {}, 0));
        ASSERT_NE (writer, nullptr);
        stream.release();
        ASSERT_TRUE (writer->writeFromAudioSampleBuffer (signal, 0, signal.getNumSamples()));
    }

    const auto cutInHalf = [&] (const char* from, const char* to)
    {
        juce::MemoryBlock data;
        folder.file (from).loadFileAsData (data);
        folder.file (to).replaceWithData (data.getData(), data.getSize() / 2);
    };
    cutInHalf ("whole.wav", "cut.wav");
    cutInHalf ("whole.flac", "cut.flac");
    {
        juce::MemoryBlock data;
        folder.file ("whole.flac").loadFileAsData (data);
        NoiseSource garbage (5u);
        for (size_t i = data.getSize() / 2; i < data.getSize() / 2 + 4096; ++i)
            data[i] = (char) garbage.nextInt (256);
        folder.file ("corrupt.flac").replaceWithData (data.getData(), data.getSize());
    }
    folder.file ("existing.wav").replaceWithText ("keep me");

    // clang-format off
    struct Case { const char* file; const char* message; };
    // clang-format on
    for (const auto& c : { Case { "cut.wav", "cut.wav is cut short: the audio ends at sample " },
                           Case { "cut.flac", "cut.flac is cut short: the audio ends at sample " },
                           Case { "corrupt.flac", "corrupt.flac is damaged at sample " } })
    {
        // As the input, and as the key (checked as whole before the render starts).
        const juce::StringArray asInput { folder.path (c.file), "--save-state", folder.path ("state.bin") };
        const juce::StringArray asKey { folder.path ("whole.wav"), "--key", folder.path (c.file) };
        for (const auto& [arguments, output] : { std::pair { asInput, "out.wav" }, std::pair { asInput, "existing.wav" },
                                                 std::pair { asKey, "out.wav" }, std::pair { asKey, "existing.wav" } })
        {
            auto all = arguments;
            all.insert (1, folder.path (output));
            all.addArray ({ "--plot", folder.path ("plot.png") });
            const auto run = render (all);
            EXPECT_EQ (run.exitCode, 1) << c.file;
            EXPECT_TRUE (run.output.startsWith ("velk-render: ")) << run.output;
            EXPECT_TRUE (run.output.contains (c.message)) << run.output;
            EXPECT_EQ (run.output.contains ("of the 96000 its header announces"), run.output.contains ("cut short")) << run.output;
            EXPECT_EQ (run.output.trim().indexOfChar ('\n'), -1) << run.output;
        }
    }

    // The cut WAV ends at the frame where the bytes run out.
    const auto wav = render ({ folder.path ("cut.wav"), folder.path ("out.wav") });
    const auto framesOnDisk = (folder.file ("cut.wav").getSize() - (folder.file ("whole.wav").getSize() - 96000 * 6)) / 6;
    EXPECT_TRUE (wav.output.contains ("sample " + juce::String (framesOnDisk) + " ")) << wav.output << " " << framesOnDisk;

    EXPECT_FALSE (folder.file ("out.wav").exists());
    EXPECT_FALSE (folder.file ("plot.png").exists());
    EXPECT_FALSE (folder.file ("state.bin").exists());
    EXPECT_EQ (folder.file ("existing.wav").loadFileAsString(), "keep me");
    EXPECT_EQ (folder.numAllFiles(), 6) << "no temporary files are left behind";

    // The whole files render.
    for (const char* whole : { "whole.wav", "whole.flac" })
    {
        const auto run = render ({ folder.path (whole), folder.path ("out.wav") });
        EXPECT_EQ (run.exitCode, 0) << run.output;
        EXPECT_EQ (readAudio (folder.file ("out.wav")).getNumSamples(), 96000);
    }
}

TEST (Render, OutputPathsAreCheckedBeforeRendering)
{
    Folder folder;
    ASSERT_TRUE (writeWav (folder.file ("in.wav"), noise (2, 2000, 4u), 44100.0));
    folder.file ("sub").createDirectory();

    // clang-format off
    struct Case { juce::StringArray arguments; const char* message; };
    // clang-format on
    const Case cases[] = {
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--plot", folder.path ("none/plot.png") }, "cannot write the plot" },
        { { folder.path ("in.wav"), folder.path ("out.wav"), "--save-state", folder.path ("sub") }, "it is a folder" },
        { { folder.path ("in.wav"), folder.path ("none/out.wav") }, "no such folder" },
    };
    for (const auto& c : cases)
    {
        const auto run = render (c.arguments);
        EXPECT_NE (run.exitCode, 0);
        EXPECT_TRUE (run.output.contains (c.message)) << run.output;
        EXPECT_FALSE (folder.file ("out.wav").exists()) << run.output;
    }
    EXPECT_EQ (folder.numAllFiles(), 2);
}

TEST (Render, EveryWholeFileRendersAndACutAiffIsRefused)
{
    // No false alarms: 8- and 16-bit WAV, mono, AIFF; the same check finds a cut AIFF.
    Folder folder;
    const auto stereo = noise (2, 20000, 12u), mono = noise (1, 20000, 13u);
    ASSERT_TRUE (writeWav (folder.file ("8.wav"), stereo, 44100.0, 8));
    ASSERT_TRUE (writeWav (folder.file ("16.wav"), mono, 44100.0, 16));
    {
        auto stream = std::make_unique<juce::FileOutputStream> (folder.file ("whole.aiff"));
        std::unique_ptr<juce::AudioFormatWriter> writer (juce::AiffAudioFormat().createWriterFor (stream.get(), 44100.0, 2, 24, {}, 0));
        ASSERT_NE (writer, nullptr);
        stream.release();
        ASSERT_TRUE (writer->writeFromAudioSampleBuffer (stereo, 0, stereo.getNumSamples()));
    }

    for (const char* name : { "8.wav", "16.wav", "whole.aiff" })
    {
        const auto run = render ({ folder.path (name), folder.path ("out.wav") });
        EXPECT_EQ (run.exitCode, 0) << name << ": " << run.output;
        EXPECT_EQ (readAudio (folder.file ("out.wav")).getNumSamples(), 20000) << name;
    }

    juce::MemoryBlock data;
    folder.file ("whole.aiff").loadFileAsData (data);
    folder.file ("cut.aiff").replaceWithData (data.getData(), data.getSize() - 6000);
    const auto run = render ({ folder.path ("cut.aiff"), folder.path ("cut-out.wav") });
    EXPECT_EQ (run.exitCode, 1);
    EXPECT_TRUE (run.output.contains ("cut.aiff is cut short: the audio ends at sample 19000 ")) << run.output;
    EXPECT_FALSE (folder.file ("cut-out.wav").exists());

    // Two outputs in one file, or an output in the input, are refused before anything renders.
    const auto same = render ({ folder.path ("16.wav"), folder.path ("out.wav"), "--save-state", folder.path ("16.wav") });
    EXPECT_NE (same.exitCode, 0);
    EXPECT_TRUE (same.output.contains ("it is the input file")) << same.output;
    const auto twice = render ({ folder.path ("16.wav"), folder.path ("o.wav"), "--plot", folder.path ("p.png"), "--save-state", folder.path ("p.png") });
    EXPECT_TRUE (twice.output.contains ("to one file")) << twice.output;
    EXPECT_FALSE (folder.file ("o.wav").exists());
    EXPECT_EQ (readAudio (folder.file ("16.wav")).getNumSamples(), 20000);
}
