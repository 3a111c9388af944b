// VELK.clap as CLAP hosts load it: through the project's CLAP host, from the built library.

#include "ClapHost.h"
#include "EngineMirror.h"
#include "FactoryPresetTable.h"
#include "HostWindow.h"
#include "ModuleHost.h"
#include "ParameterText.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <thread>

using namespace clap;

namespace
{
constexpr double rate = 48000.0;
constexpr std::uint32_t blockSize = 512;

using Channels = EngineMirror::Channels;

/** The built library, or another copy of it (the packaged one) named by VELK_CLAP_LIBRARY. */
const char* const library = std::getenv ("VELK_CLAP_LIBRARY") != nullptr ? std::getenv ("VELK_CLAP_LIBRARY") : VELK_CLAP_PATH;

[[maybe_unused]] ::testing::Environment* const hostWindowFirst = ::testing::AddGlobalTestEnvironment (new HostWindowFirst());

Channels noise (NoiseSource& source, std::uint32_t channels, float level, std::uint32_t frames = blockSize)
{
    Channels block (channels, std::vector<float> (frames));
    for (auto& channel : block)
        for (auto& sample : channel)
            sample = level * source.next();
    return block;
}

/** One block through the plug-in, with the key where given; returns the output. */
Channels run (ClapHost& plugin, const Channels& input, const Channels* key = nullptr, const std::vector<ClapHost::Event>& events = {})
{
    Channels output (input.size(), std::vector<float> (input[0].size(), 7.0f));
    std::vector<const float*> in, keys;
    std::vector<float*> out;
    for (size_t c = 0; c < input.size(); ++c)
    {
        in.push_back (input[c].data());
        out.push_back (output[c].data());
    }
    for (size_t c = 0; key != nullptr && c < key->size(); ++c)
        keys.push_back ((*key)[c].data());
    EXPECT_EQ (plugin.process (in.data(), out.data(), (std::uint32_t) input.size(), keys.data(), (std::uint32_t) keys.size(),
                               (std::uint32_t) input[0].size(), events),
               CLAP_PROCESS_CONTINUE);
    return output;
}
/** One block with the key port in the list but no buffers in it. */
Channels runWithNullKey (ClapHost& plugin, const Channels& input, const std::vector<ClapHost::Event>& events)
{
    Channels output (input.size(), std::vector<float> (input[0].size()));
    std::vector<const float*> in;
    std::vector<float*> out;
    for (size_t c = 0; c < input.size(); ++c)
    {
        in.push_back (input[c].data());
        out.push_back (output[c].data());
    }
    plugin.process (in.data(), out.data(), (std::uint32_t) input.size(), nullptr, 2, (std::uint32_t) input[0].size(), events);
    return output;
}
} // namespace

TEST (Clap, DescriptorsPortsAndParameters)
{
    for (std::uint32_t index = 0; index < 2; ++index)
    {
        ClapHost plugin (library, index);
        const auto& descriptor = plugin.descriptor();
        // The identifiers hosts store in sessions: they must never change.
        EXPECT_STREQ (descriptor.id, index == 0 ? "example.velk.velk" : "example.velk.velk.mono");
        EXPECT_STREQ (descriptor.name, "VELK");
        EXPECT_STREQ (descriptor.features[2], index == 0 ? "stereo" : "mono");

        const auto* ports = plugin.extension<clap_plugin_audio_ports> (CLAP_EXT_AUDIO_PORTS);
        ASSERT_NE (ports, nullptr);
        ASSERT_EQ (ports->count (&plugin.plugin(), true), 2u);
        ASSERT_EQ (ports->count (&plugin.plugin(), false), 1u);
        clap_audio_port_info main {}, key {}, out {};
        ASSERT_TRUE (ports->get (&plugin.plugin(), 0, true, &main) && ports->get (&plugin.plugin(), 1, true, &key)
                     && ports->get (&plugin.plugin(), 0, false, &out));
        EXPECT_EQ (main.flags & CLAP_AUDIO_PORT_IS_MAIN, CLAP_AUDIO_PORT_IS_MAIN);
        EXPECT_EQ (key.flags & CLAP_AUDIO_PORT_IS_MAIN, 0u);
        EXPECT_STREQ (key.name, "Sidechain");
        EXPECT_EQ (main.channel_count, 2 - index);
        EXPECT_EQ (key.channel_count, 2 - index);
        EXPECT_EQ (main.in_place_pair, out.id);

        // The ten values (ids 0 to 9) with the table's names, ranges, defaults and texts, the
        // host's bypass (10), the two meters read-only.
        const auto* params = plugin.extension<clap_plugin_params> (CLAP_EXT_PARAMS);
        ASSERT_NE (params, nullptr);
        ASSERT_EQ (params->count (&plugin.plugin()), 13u);
        for (std::uint32_t i = 0; i < 13; ++i)
        {
            clap_param_info info {};
            ASSERT_TRUE (params->get_info (&plugin.plugin(), i, &info));
            char text[64] = {};
            if (i < (std::uint32_t) velk::numFormatParameters)
            {
                const auto& row = *velk::formatParameterInfo ((int) i);
                EXPECT_EQ (info.id, i);
                EXPECT_STREQ (info.name, row.name);
                EXPECT_EQ (info.default_value, row.defaultValue);
                EXPECT_EQ (info.flags, CLAP_PARAM_IS_AUTOMATABLE | (row.isSwitch() ? CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_ENUM : 0u)) << i;
                EXPECT_EQ (info.max_value, row.isSwitch() ? row.firstPosition + row.numPositions - 1 : 1.0);
                const double shown = row.isSwitch() ? row.firstPosition + 1 : 0.3;
                ASSERT_TRUE (params->value_to_text (&plugin.plugin(), info.id, shown, text, sizeof text));
                EXPECT_EQ (text, row.isSwitch() ? std::string (row.captions[1]) : velk::displayText ((int) i, 0.3f));
                double back = -1.0;
                ASSERT_TRUE (params->text_to_value (&plugin.plugin(), info.id, text, &back));
                EXPECT_NEAR (back, shown, 1e-3) << text;
            }
            else
            {
                EXPECT_EQ (info.id, i == 10 ? 10u : i == 11 ? 100u
                                                            : 101u);
                EXPECT_EQ ((info.flags & CLAP_PARAM_IS_BYPASS) != 0, i == 10);
                EXPECT_EQ ((info.flags & CLAP_PARAM_IS_READONLY) != 0, i > 10);
            }
        }
        EXPECT_EQ (plugin.extension<clap_plugin_latency> (CLAP_EXT_LATENCY)->get (&plugin.plugin()), 0u);
    }
}

TEST (Clap, SwitchesKeyAndMidBlockEventsRenderAsTheEngine)
{
    // Each position of each switch at 4:1, then a compressing setting with Sidechain External:
    // a loud key, and the key port without buffers (silence); stereo and mono; the setting
    // arrives as events at the first sample, an Output change at sample 300 of the third block.
    enum KeyUse
    {
        noKey,
        keyGiven,
        keyPortEmpty,
        keyBuffersNull
    };
    std::vector<std::pair<ParameterSetting, KeyUse>> cases;
    for (const auto& setting : everySwitchPosition())
        cases.push_back ({ setting, noKey });
    auto compressing = compressingSetting();
    compressing.push_back ({ velk::sidechainParameter, 1.0f });
    cases.push_back ({ compressing, keyGiven });
    cases.push_back ({ compressing, keyPortEmpty });
    cases.push_back ({ compressing, keyBuffersNull });

    for (std::uint32_t channels : { 2u, 1u })
        for (size_t number = 0; number < cases.size(); ++number)
        {
            const auto& [setting, key] = cases[number];
            ClapHost plugin (library, channels == 2 ? 0 : 1);
            ASSERT_TRUE (plugin.activate (rate, blockSize));
            std::vector<ClapHost::Event> events;
            for (const auto& [index, value] : setting)
                events.push_back ({ 0, CLAP_EVENT_PARAM_VALUE, (clap_id) index, value });

            // At the host's rate the processor prepares the engine again and sends it every
            // stored value, in index order, as the mirror does here.
            EngineMirror mirror ((float) rate);
            mirror.engine.prepare ((float) rate);
            float stored[velk::numParameters];
            for (int index = 0; index < velk::numParameters; ++index)
                stored[index] = velk::parameterInfo (index).defaultValue;
            for (const auto& [index, value] : setting)
                if (index < velk::numParameters)
                    stored[index] = value;
            for (int index = 0; index < velk::numParameters; ++index)
                mirror.set (index, stored[index]);
            NoiseSource audio (7u), keyNoise (4u);
            for (int block = 0; block < 6; ++block)
            {
                const auto input = noise (audio, channels, 0.6f);
                const auto keySignal = noise (keyNoise, channels, 0.9f);
                if (block == 2)
                    events.push_back ({ 300, CLAP_EVENT_PARAM_VALUE, velk::outputParameter, 0.8 });
                // Without buffers: the key port left out of the list, or in it with none.
                const auto output = key == keyBuffersNull ? runWithNullKey (plugin, input, events)
                                                          : run (plugin, input, key == keyGiven ? &keySignal : nullptr, events);

                Channels expected = input;
                const Channels silence (channels, std::vector<float> (blockSize));
                const auto* heard = key == keyGiven ? &keySignal : key != noKey ? &silence
                                                                                : nullptr;
                if (block == 2)
                {
                    Channels first (channels), second (channels), keyFirst (channels), keySecond (channels);
                    for (std::uint32_t c = 0; c < channels; ++c)
                    {
                        first[c].assign (input[c].begin(), input[c].begin() + 300);
                        second[c].assign (input[c].begin() + 300, input[c].end());
                        if (heard != nullptr)
                        {
                            keyFirst[c].assign ((*heard)[c].begin(), (*heard)[c].begin() + 300);
                            keySecond[c].assign ((*heard)[c].begin() + 300, (*heard)[c].end());
                        }
                    }
                    first = mirror.run (first, heard != nullptr ? &keyFirst : nullptr);
                    mirror.set (velk::outputParameter, 0.8f);
                    second = mirror.run (second, heard != nullptr ? &keySecond : nullptr);
                    for (std::uint32_t c = 0; c < channels; ++c)
                    {
                        std::copy (first[c].begin(), first[c].end(), expected[c].begin());
                        std::copy (second[c].begin(), second[c].end(), expected[c].begin() + 300);
                    }
                }
                else
                {
                    expected = mirror.run (input, heard);
                }
                ASSERT_EQ (output, expected) << channels << " channels, case " << number << ", block " << block;
                events.clear();
            }

            // The gain reduction reaches the host as a read-only value: some with a loud key, none
            // with a silent one.
            const auto sent = plugin.takeSentEvents();
            const bool reduced = std::any_of (sent.begin(), sent.end(), [] (const auto& e)
                                              { return e.id == 100 && e.value > 1.0; });
            if (key != noKey)
            {
                EXPECT_EQ (reduced, key == keyGiven) << number;
            }
        }
}

TEST (Clap, StateThroughShortStreamsAndBadValues)
{
    // A state saved from one instance, seven bytes per write, restores into a second one read
    // five bytes at a time: the second saves the same bytes. A stream that fails changes nothing.
    ClapHost first (library, 0), second (library, 0);
    ASSERT_TRUE (first.activate (rate, blockSize));
    NoiseSource audio (3u);
    run (first, noise (audio, 2, 0.5f), nullptr,
         { { 0, CLAP_EVENT_PARAM_VALUE, velk::inputParameter, 0.8 }, { 0, CLAP_EVENT_PARAM_VALUE, velk::ratioParameter, 6.0 }, { 0, CLAP_EVENT_PARAM_VALUE, velk::gcParameter, 0.25 }, { 0, CLAP_EVENT_PARAM_VALUE, velk::sidechainParameter, 1.0 } });
    std::vector<char> saved, again;
    ASSERT_TRUE (first.saveState (saved, 7));
    ASSERT_GT (saved.size(), 100u);
    EXPECT_FALSE (second.loadState (saved, 5, 40));
    EXPECT_FALSE (second.loadState (std::vector<char> (saved.begin(), saved.begin() + 60)));
    EXPECT_FALSE (second.loadState (std::vector<char> (300, 'x')));
    EXPECT_EQ (second.value (velk::inputParameter), 0.5);
    ASSERT_TRUE (second.loadState (saved, 5));
    ASSERT_TRUE (second.saveState (again));
    EXPECT_EQ (again, saved);
    EXPECT_EQ (second.value (velk::sidechainParameter), 1.0);
    EXPECT_EQ (second.value (velk::gcParameter), 0.25);

    // With no audio running, the host's values arrive through flush; repeats change nothing.
    second.flush ({ { 0, CLAP_EVENT_PARAM_VALUE, velk::releaseParameter, 0.75 }, { 0, CLAP_EVENT_PARAM_VALUE, velk::releaseParameter, 0.75 }, { 0, CLAP_EVENT_PARAM_VALUE, 10, 1.0 } });
    EXPECT_EQ (second.value (velk::releaseParameter), 0.75);
    EXPECT_EQ (second.value (10), 1.0);

    // Values that are no numbers, or far out of range, recover as in the VST 2.4 module.
    const float values[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), 1e38f };
    for (int index = 0; index < velk::numParameters; ++index)
    {
        ClapHost clap (library, 0);
        ASSERT_TRUE (clap.activate (rate, blockSize));
        Plugin vst2;
        vst2.resume ((float) rate, (int) blockSize);
        NoiseSource source ((std::uint32_t) index + 1u);
        for (int block = 0; block < 6; ++block)
        {
            const float value = block < 4 ? values[block] : velk::parameterInfo (index).defaultValue;
            vst2.setParameter (index, value);
            const auto input = noise (source, 2, 0.5f);
            ASSERT_EQ (run (clap, input, nullptr, { { 0, CLAP_EVENT_PARAM_VALUE, (clap_id) index, value } }), vst2.process (input))
                << index << " block " << block;
        }
    }
}

TEST (Clap, EditorOpensWithTheHostsTimerOrDescriptorsAndNotWithout)
{
    ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "the editor tests need an X server (Xvfb)";
    auto& host = hostWindow();
    ASSERT_NE (host.display, nullptr);

    // A host that offers neither timers nor a watch on the X connection gets no editor.
    {
        ClapHost plugin (library, 0, ClapHost::EventLoop::none);
        const auto* gui = plugin.extension<clap_plugin_gui> (CLAP_EXT_GUI);
        ASSERT_NE (gui, nullptr);
        EXPECT_TRUE (gui->is_api_supported (&plugin.plugin(), CLAP_WINDOW_API_X11, false));
        EXPECT_FALSE (gui->create (&plugin.plugin(), CLAP_WINDOW_API_X11, false));
    }

    ClapHost plugin (library, 0);
    const auto* gui = plugin.extension<clap_plugin_gui> (CLAP_EXT_GUI);
    for (int round = 0; round < 3; ++round)
    {
        ASSERT_TRUE (gui->create (&plugin.plugin(), CLAP_WINDOW_API_X11, false));
        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE (gui->get_size (&plugin.plugin(), &width, &height));
        clap_window window { CLAP_WINDOW_API_X11, {} };
        window.x11 = host.window;
        ASSERT_TRUE (gui->set_parent (&plugin.plugin(), &window));
        ASSERT_TRUE (gui->show (&plugin.plugin()));
        EXPECT_EQ (plugin.numTimers(), 1u);
        for (int tick = 0; tick < 20; ++tick)
        {
            plugin.fireTimers();
            std::this_thread::sleep_for (std::chrono::milliseconds (15));
        }
        EXPECT_EQ (host.numChildren(), 1) << round;

        if (round == 0)
        {
            // A right-click on the panel, Presets, "Limiter": the values it changes reach the
            // host as gestures, Limit reached from 20:1 as a preset reaches it.
            const auto pump = [&plugin] (int milliseconds)
            {
                for (int waited = 0; waited < milliseconds; waited += 10)
                {
                    plugin.fireTimers();
                    std::this_thread::sleep_for (std::chrono::milliseconds (10));
                }
            };
            const auto limited = [&plugin]
            { return plugin.value (velk::ratioParameter) == velk::limitPosition; };
            ASSERT_TRUE (chooseFromContextMenu (host.display, host.window, 270, 300, std::vector<std::pair<int, int>> { { 4, 5 }, { 5, 12 } }, pump, limited));
            float silence[blockSize] = {};
            const float* in[] = { silence, silence };
            float left[blockSize], right[blockSize];
            float* out[] = { left, right };
            ASSERT_TRUE (plugin.activate (rate, blockSize));
            plugin.process (in, out, 2, nullptr, 0, blockSize);
            plugin.deactivate();
            const auto sent = plugin.takeSentEvents();
            const auto at = std::find_if (sent.begin(), sent.end(), [] (const auto& e)
                                          { return e.id == velk::ratioParameter && e.type == CLAP_EVENT_PARAM_VALUE; });
            ASSERT_NE (at, sent.end());
            ASSERT_TRUE (at != sent.begin() && at + 1 != sent.end());
            EXPECT_EQ (at->value, velk::limitPosition);
            EXPECT_EQ ((at - 1)->type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
            EXPECT_EQ ((at + 1)->type, CLAP_EVENT_PARAM_GESTURE_END);
            std::vector<char> state;
            ASSERT_TRUE (plugin.saveState (state));
            const std::string text (state.begin(), state.end());
            EXPECT_NE (text.find ("program=\"5\""), std::string::npos);
            EXPECT_NE (text.find ("limitFromApproach=\"1\""), std::string::npos);
        }
        std::uint32_t shownWidth = 0, shownHeight = 0;
        ASSERT_TRUE (gui->get_size (&plugin.plugin(), &shownWidth, &shownHeight));
        EXPECT_EQ (std::pair (shownWidth, shownHeight), std::pair (width, height));
        gui->destroy (&plugin.plugin());
        EXPECT_EQ (plugin.numTimers(), 0u);
        EXPECT_EQ (host.numChildren(), 0) << round;
    }

    // A host that watches descriptors instead: the framework's own (the X connection and its
    // message queue), each given back on close.
    ClapHost watched (library, 0, ClapHost::EventLoop::fileDescriptors);
    const auto* watchedGui = watched.extension<clap_plugin_gui> (CLAP_EXT_GUI);
    ASSERT_TRUE (watchedGui->create (&watched.plugin(), CLAP_WINDOW_API_X11, false));
    clap_window window { CLAP_WINDOW_API_X11, {} };
    window.x11 = host.window;
    ASSERT_TRUE (watchedGui->set_parent (&watched.plugin(), &window));
    EXPECT_GE (watched.numDescriptors(), 2u);
    for (int tick = 0; tick < 20; ++tick)
    {
        watched.fireDescriptors();
        std::this_thread::sleep_for (std::chrono::milliseconds (15));
    }
    EXPECT_EQ (host.numChildren(), 1);
    watchedGui->destroy (&watched.plugin());
    EXPECT_EQ (watched.numDescriptors(), 0u);
    EXPECT_EQ (host.numChildren(), 0);
}

TEST (Clap, HostScannerListsBothPlugins)
{
#if VELK_SANITIZED_BUILD
    GTEST_SKIP() << "a host's scanner cannot load a library built with a sanitizer";
#endif
    const char* scanner = "/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan";
    if (std::FILE* file = std::fopen (scanner, "r"))
        std::fclose (file);
    else
        GTEST_SKIP() << "qtractor is not installed";

    const auto command = "echo 'CLAP:" + std::string (library) + "' | " + scanner;
    std::string output;
    if (auto* pipe = popen (command.c_str(), "r"))
    {
        char line[1024];
        while (std::fgets (line, sizeof line, pipe) != nullptr)
            output += line;
        pclose (pipe);
    }
    // CLAP|name|audio in:out|midi|params in:out|flags|path|index|...
    EXPECT_NE (output.find ("CLAP|VELK|2:2|0:0|11:2|GUI,EXT,RT|"), std::string::npos) << output;
    EXPECT_NE (output.find ("CLAP|VELK|1:1|0:0|11:2|GUI,EXT,RT|"), std::string::npos) << output;
}
