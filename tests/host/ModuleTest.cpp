// The built VELK.so seen the way a host sees it: loaded with dlopen and driven only through the
// VST 2.4 entry point, the effect record and the dispatcher.

#include "EngineMirror.h"
#include "ModuleHost.h"
#include "TestSignals.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <tuple>

namespace
{
std::vector<std::vector<float>> noise (int channels, int frames, std::uint32_t seed = 3u)
{
    NoiseSource source (seed);
    std::vector<std::vector<float>> signal ((size_t) channels, std::vector<float> ((size_t) frames));
    for (auto& channel : signal)
        for (auto& sample : channel)
            sample = 0.9f * source.next();
    return signal;
}

int versionRequests = 0;

/** A host that answers only the version request, with the given version. */
template <int version>
vst2::VstIntPtr versionHost (vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*, float)
{
    if (opcode != vst2::audioMasterVersion)
        return 0;
    ++versionRequests;
    return version;
}

const float settings[][2] = { { 0, 0.8f }, { 1, 0.4f }, { 2, 0.2f }, { 3, 0.6f }, { 4, 3.0f }, { 5, 4.0f }, { 6, 1.0f } };
} // namespace

TEST (Module, ExportsOnlyTheEntryPointUnderTwoNames)
{
    ASSERT_NE (moduleHandle(), nullptr) << dlerror();
    EXPECT_NE (entryPoint ("VSTPluginMain"), nullptr);
    EXPECT_NE (entryPoint ("main"), nullptr);
    EXPECT_EQ (dlsym (moduleHandle(), "createPluginFilter"), nullptr);
    EXPECT_EQ (dlsym (moduleHandle(), "_ZN20MyTestAudioProcessorC1Ev"), nullptr);

    auto* viaMain = entryPoint ("main") (versionHost<2400>);
    ASSERT_NE (viaMain, nullptr);
    EXPECT_EQ (viaMain->magic, vst2::kEffectMagic);
    EXPECT_EQ (viaMain->dispatcher (viaMain, vst2::effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST (Module, HostVersionZeroGetsNoEffect)
{
    const int requestsBefore = versionRequests;
    EXPECT_EQ (entryPoint() (versionHost<0>), nullptr);
    EXPECT_EQ (versionRequests, requestsBefore + 1);
}

TEST (Module, EffectRecord)
{
    Plugin plugin;
    ASSERT_NE (plugin.getEffect(), nullptr);
    const auto& e = *plugin.getEffect();
    EXPECT_EQ (e.magic, 0x56737450);
    EXPECT_EQ (e.numPrograms, 0);
    EXPECT_EQ (e.numParams, 9);
    EXPECT_EQ (e.numInputs, 2);
    EXPECT_EQ (e.numOutputs, 2);
    EXPECT_EQ (e.flags, 0x231);
    EXPECT_EQ (e.initialDelay, 0);
    EXPECT_EQ (e.uniqueID, 0x566C6B51);
    EXPECT_EQ (e.version, 104);
    EXPECT_EQ (e.ioRatio, 1.0f);
    EXPECT_NE (e.process, nullptr); // the old accumulating call, for hosts that ignore the flags
    EXPECT_NE (e.processReplacing, nullptr);
    EXPECT_EQ (e.processDoubleReplacing, nullptr);
}

TEST (Module, IdentityAndCapabilities)
{
    Plugin plugin;
    EXPECT_EQ (plugin.text (vst2::effGetEffectName), "VELK");
    EXPECT_EQ (plugin.text (vst2::effGetProductString), "VELK");
    EXPECT_EQ (plugin.text (vst2::effGetVendorString), "Brovanta");
    char name[80];
    std::memset (name, 'x', sizeof name);
    EXPECT_EQ (plugin.dispatch (vst2::effGetEffectName, 0, 0, name), 1);
    EXPECT_EQ (name[4], '\0');
    EXPECT_EQ (name[5], 'x');

    EXPECT_EQ (plugin.dispatch (vst2::effGetVendorVersion), 104);
    EXPECT_EQ (plugin.dispatch (vst2::effGetPlugCategory), 1);
    EXPECT_EQ (plugin.dispatch (vst2::effGetVstVersion), 2400);
    plugin.resume (48000.0f);
    EXPECT_EQ (plugin.dispatch (vst2::effGetTailSize), 0);
    EXPECT_EQ (plugin.dispatch (vst2::effVendorSpecific, 1, 2, nullptr, 3.0f), 0);
    EXPECT_EQ (plugin.dispatch (vst2::effGetProgram), 0);
    // No programs: an empty, terminated name, never the host's buffer untouched.
    EXPECT_EQ (plugin.text (vst2::effGetProgramName), "");
    EXPECT_EQ (plugin.text (vst2::effGetProgramNameIndexed, 0), "");
    EXPECT_EQ (plugin.dispatch (vst2::effGetProgramNameIndexed, 0, 0, name), 0);

    // clang-format off
    struct { const char* text; int answer; } canDos[] = {
        { "receiveVstEvents", -1 }, { "receiveVstMidiEvent", -1 }, { "receiveVstMidiEvents", -1 },
        { "sendVstEvents", -1 },    { "sendVstMidiEvent", -1 },    { "sendVstMidiEvents", -1 },
        { "receiveVstTimeInfo", 1 }, { "conformsToWindowRules", 1 }, { "bypass", 1 },
        { "openCloseAnyThread", -1 }, { "sizeWindow", 0 }, { "offline", 0 }, { "", 0 }, { "Bypass", 0 },
        // clang-format on
    };
    for (const auto& c : canDos)
        EXPECT_EQ (plugin.dispatch (vst2::effCanDo, 0, 0, const_cast<char*> (c.text)), c.answer) << c.text;

    vst2::ERect* rect = nullptr;
    EXPECT_EQ (plugin.dispatch (vst2::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE (rect, nullptr);
    EXPECT_EQ (rect->top, 0);
    EXPECT_EQ (rect->left, 0);
    EXPECT_EQ (rect->bottom, 600);
    EXPECT_EQ (rect->right, 300);
}

TEST (Module, SpeakerArrangementsAndPins)
{
    Plugin plugin;
    vst2::VstSpeakerArrangement sentinel {};
    vst2::VstSpeakerArrangement* input = &sentinel;
    vst2::VstSpeakerArrangement* output = &sentinel;
    EXPECT_EQ (plugin.dispatch (vst2::effGetSpeakerArrangement, 0, (vst2::VstIntPtr) &input, &output), 0);
    EXPECT_EQ (input, nullptr);
    EXPECT_EQ (output, nullptr);

    vst2::VstPinProperties pin;
    for (int p = 0; p < 2; ++p)
    {
        for (auto opcode : { vst2::effGetInputProperties, vst2::effGetOutputProperties })
        {
            std::memset (&pin, 'x', sizeof pin);
            EXPECT_EQ (plugin.dispatch (opcode, p, 0, &pin), 1);
            EXPECT_STREQ (pin.label, p == 0 ? "1" : "2");
            EXPECT_STREQ (pin.shortLabel, p == 0 ? "1" : "2");
            EXPECT_EQ (pin.flags, vst2::kVstPinIsActive | vst2::kVstPinIsStereo);
        }
    }
    EXPECT_EQ (plugin.dispatch (vst2::effGetInputProperties, 2, 0, &pin), 0);
    EXPECT_EQ (plugin.dispatch (vst2::effGetOutputProperties, -1, 0, &pin), 0);

    vst2::VstSpeakerArrangement six {}, sixOut {};
    six.type = sixOut.type = vst2::kSpeakerArr51;
    six.numChannels = sixOut.numChannels = 6;
    EXPECT_EQ (plugin.dispatch (vst2::effSetSpeakerArrangement, 0, (vst2::VstIntPtr) &six, &sixOut), 0);
    vst2::VstSpeakerArrangement mono {}, stereo {};
    mono.type = vst2::kSpeakerArrMono;
    mono.numChannels = 1;
    stereo.type = vst2::kSpeakerArrStereo;
    stereo.numChannels = 2;
    EXPECT_EQ (plugin.dispatch (vst2::effSetSpeakerArrangement, 0, (vst2::VstIntPtr) &mono, &stereo), 0);
    EXPECT_EQ (plugin.getEffect()->numInputs, 2);

    EXPECT_EQ (plugin.dispatch (vst2::effSetSpeakerArrangement, 0, (vst2::VstIntPtr) &stereo, &stereo), 1);
    EXPECT_EQ (plugin.dispatch (vst2::effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_EQ (pin.flags, vst2::kVstPinUseSpeaker);
    EXPECT_EQ (pin.arrangementType, vst2::kSpeakerArrStereo);
}

TEST (Module, MonoArrangementRunsTheMonoPath)
{
    Plugin plugin;
    vst2::VstSpeakerArrangement mono {};
    mono.type = vst2::kSpeakerArrMono;
    mono.numChannels = 1;
    ASSERT_EQ (plugin.dispatch (vst2::effSetSpeakerArrangement, 0, (vst2::VstIntPtr) &mono, &mono), 1);
    EXPECT_EQ (plugin.getEffect()->numInputs, 1);
    EXPECT_EQ (plugin.getEffect()->numOutputs, 1);
    plugin.resume (44100.0f);

    EngineMirror mirror (44100.0f);
    for (const auto& s : settings)
    {
        plugin.setParameter ((int) s[0], s[1]);
        mirror.set ((int) s[0], s[1]);
    }
    const auto input = noise (1, 3000);
    EXPECT_EQ (plugin.process (input), mirror.run (input));

    vst2::VstPinProperties pin;
    EXPECT_EQ (plugin.dispatch (vst2::effGetInputProperties, 0, 0, &pin), 1);
    EXPECT_EQ (pin.flags, vst2::kVstPinUseSpeaker);
    EXPECT_EQ (pin.arrangementType, vst2::kSpeakerArrMono);
}

TEST (Module, ProcessReplacingEqualsTheEngine)
{
    for (float rate : { 0.0f, 48000.0f, 96000.0f })
    {
        Plugin plugin;
        plugin.resume (rate, 256);
        EngineMirror mirror (rate > 0.0f ? rate : 44100.0f);
        for (const auto& s : settings)
        {
            plugin.setParameter ((int) s[0], s[1]);
            mirror.set ((int) s[0], s[1]);
        }

        // Blocks of one sample, a usual size, and one longer than the plug-in's own buffer.
        for (int frames : { 1, 256, 9000 })
        {
            const auto input = noise (2, frames, (std::uint32_t) frames);
            ASSERT_EQ (plugin.process (input), mirror.run (input)) << "rate " << rate << " frames " << frames;
        }

        // In place: the host passes the same buffers as inputs and outputs.
        auto io = noise (2, 512, 77u);
        const auto expected = mirror.run (io);
        float* channels[] = { io[0].data(), io[1].data() };
        plugin.getEffect()->processReplacing (plugin.getEffect(), channels, channels, 512);
        EXPECT_EQ (io, expected);
    }
}

TEST (Module, AccumulatingProcessAddsTheOutput)
{
    // A host that ignores the can-replace flag calls the old accumulating process.
    Plugin plugin;
    plugin.resume (48000.0f, 256);
    EngineMirror mirror (48000.0f);
    for (const auto& s : settings)
    {
        plugin.setParameter ((int) s[0], s[1]);
        mirror.set ((int) s[0], s[1]);
    }

    auto input = noise (2, 700, 8u);
    const auto processed = mirror.run (input);
    std::vector<std::vector<float>> output (2, std::vector<float> (700, 0.25f));
    float* ins[] = { input[0].data(), input[1].data() };
    float* outs[] = { output[0].data(), output[1].data() };
    plugin.getEffect()->process (plugin.getEffect(), ins, outs, 700);
    for (int c = 0; c < 2; ++c)
        for (size_t i = 0; i < 700; ++i)
            ASSERT_EQ (output[(size_t) c][i], 0.25f + processed[(size_t) c][i]) << c << ", " << i;
}

TEST (Module, NonFiniteAutomationNeverLocksTheOutput)
{
    // As found: NaN on Input mid-stream, then a good value; +inf on Output; a huge Input whose
    // gain overflows. The output stays finite and carries sound again afterwards.
    const float notANumber = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (const auto& [index, bad, good] : { std::tuple { 0, notANumber, 0.5f }, std::tuple { 3, inf, 0.54f }, std::tuple { 0, 1e38f, 0.5f } })
    {
        Plugin plugin;
        plugin.resume (48000.0f, 512);
        plugin.setParameter (4, 3.0f);
        for (int block = 0; block < 40; ++block)
        {
            if (block == 10)
                plugin.setParameter (index, bad);
            if (block == 20)
                plugin.setParameter (index, good);
            const auto output = plugin.process (noise (2, 512, (std::uint32_t) block + 1u));
            for (const auto& channel : output)
                for (const float sample : channel)
                    ASSERT_TRUE (std::isfinite (sample)) << "parameter " << index << ", block " << block;
            if (block == 39)
            {
                EXPECT_GT (std::fabs (output[0][100]) + std::fabs (output[1][300]), 0.0f);
            }
        }
    }
}

TEST (Module, BypassPassesAudioThrough)
{
    Plugin plugin;
    plugin.resume (44100.0f);
    plugin.setParameter (0, 0.9f);
    EXPECT_EQ (plugin.dispatch (vst2::effSetBypass, 0, 1), 1);
    const auto input = noise (2, 1024);
    EXPECT_EQ (plugin.process (input), input);
    plugin.dispatch (vst2::effSetBypass, 0, 0);
    EXPECT_NE (plugin.process (input), input);
}

TEST (Module, ParametersNamesAndTexts)
{
    Plugin plugin;
    const char* names[] = { "Input", "Attack", "Release", "Output", "Ratio", "Distortion", "Filter", "Wet/Dry", "Gc" };
    for (int i = 0; i < 9; ++i)
    {
        EXPECT_EQ (plugin.text (vst2::effGetParamName, i), names[i]);
        EXPECT_EQ (plugin.text (vst2::effGetParamLabel, i), "");
        EXPECT_EQ (plugin.dispatch (vst2::effCanBeAutomated, i), 1);
    }
    EXPECT_EQ (plugin.text (vst2::effGetParamName, 9), "");
    EXPECT_EQ (plugin.getParameter (9), 0.0f);

    plugin.setParameter (1, 1.0f);
    EXPECT_EQ (plugin.text (vst2::effGetParamDisplay, 1), "300.00 ms");
    plugin.setParameter (5, 2.9f);
    EXPECT_EQ (plugin.getParameter (5), 2.9f);
    EXPECT_EQ (plugin.text (vst2::effGetParamDisplay, 5), "2.900");

    // Display texts are cut to fit 24 bytes with the terminator.
    plugin.setParameter (0, -1.0e20f);
    const auto longText = plugin.text (vst2::effGetParamDisplay, 0);
    EXPECT_EQ (longText.size(), 23u);
    EXPECT_EQ (longText.substr (0, 6), "-10000");
}

TEST (Module, ChunkRoundTripBetweenInstances)
{
    Plugin source, target;
    for (const auto& s : settings)
        source.setParameter ((int) s[0], s[1]);
    source.setParameter (8, 0.1f);

    void* data = nullptr;
    const auto size = source.dispatch (vst2::effGetChunk, 0, 0, &data);
    ASSERT_GT (size, 9);
    ASSERT_NE (data, nullptr);
    const std::string copy (static_cast<const char*> (data), (size_t) size);
    EXPECT_NE (copy.find ("<Ratio>3</Ratio>"), std::string::npos);

    // The size is the block's own: magic number, the text's length, the text, one zero byte.
    EXPECT_EQ (copy.substr (0, 4), std::string ("\x56\x43\x32\x21", 4));
    std::uint32_t textLength = 0;
    std::memcpy (&textLength, copy.data() + 4, sizeof textLength);
    EXPECT_EQ (textLength, (std::uint32_t) size - 9);
    EXPECT_EQ (copy.substr (8, 6), "<Root>");
    EXPECT_EQ (copy.substr ((size_t) size - 8), std::string ("</Root>\0", 8));

    // The program-only request answers the same block.
    void* programData = nullptr;
    EXPECT_EQ (source.dispatch (vst2::effGetChunk, 1, 0, &programData), size);

    // Null data or a size of 0 or less never reaches the processor.
    target.dispatch (vst2::effSetChunk, 0, size, nullptr);
    target.dispatch (vst2::effSetChunk, 0, 0, const_cast<char*> (copy.data()));
    target.dispatch (vst2::effSetChunk, 0, -4, const_cast<char*> (copy.data()));
    EXPECT_EQ (target.getParameter (0), 0.5f);

    EXPECT_EQ (target.dispatch (vst2::effSetChunk, 0, size, const_cast<char*> (copy.data())), 0);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ (target.getParameter (i), source.getParameter (i)) << i;
    EXPECT_EQ (target.getParameter (8), 0.5f);

    source.resume (44100.0f);
    target.resume (44100.0f);
    const auto input = noise (2, 4096);
    EXPECT_EQ (source.process (input), target.process (input));
}

TEST (Module, ManyInstancesOpenAndClose)
{
    for (int round = 0; round < 20; ++round)
    {
        Plugin a, b;
        a.resume (44100.0f);
        b.resume (48000.0f);
        const auto input = noise (2, 64);
        EXPECT_EQ (a.process (input).size(), 2u);
        EXPECT_EQ (b.process (input).size(), 2u);
    }
}
