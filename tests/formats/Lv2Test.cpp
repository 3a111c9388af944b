// The LV2 bundle as LV2 hosts load it: through lilv, from the built bundle's folder.

#include "EngineMirror.h"
#include "FactoryPresetTable.h"
#include "HostWindow.h"
#include "Lv2Host.h"
#include "ModuleHost.h"
#include "TestSignals.h"
#include "VelkVersion.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/presets/presets.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 512;
// The plug-ins' URIs, which hosts store in sessions: they must never change.
constexpr const char* stereoUri = "https://velk.example/lv2/velk";
constexpr const char* monoUri = "https://velk.example/lv2/velk#mono";

// The port symbols hosts store in sessions and presets: they must never change.
const char* const symbols[velk::numFormatParameters] = { "input", "attack", "release", "output", "ratio",
                                                         "distortion", "filter", "wetDry", "gc", "sidechain" };

using Audio = std::vector<std::vector<float>>;

/** One instance, active, with the key inputs unconnected until the test connects them. */
struct Lv2Instance : Lv2Host
{
    explicit Lv2Instance (bool stereo = true) : Lv2Host (VELK_LV2_BUNDLE, stereo, rate, blockSize) { activate(); }

    /** Parameter 0 to 8, then enabled (9); the outputs latency (10), gain reduction (11), clip (12); Sidechain (13). */
    float& port (int index) { return control (getLayout().parameter (index)); }

    /** One block through the plug-in, in place. */
    void run (Audio& samples)
    {
        std::vector<float*> channels;
        for (auto& channel : samples)
            channels.push_back (channel.data());
        process (channels.data(), nullptr, channels.data(), blockSize);
    }
};

enum Control
{
    enabledPort = velk::numParameters,
    latencyPort,
    reductionPort,
    clipPort,
    sidechainPort
};

[[maybe_unused]] ::testing::Environment* const hostWindowFirst = ::testing::AddGlobalTestEnvironment (new HostWindowFirst());

Audio noiseBlock (NoiseSource& noise, float level, int channels = 2)
{
    Audio block ((size_t) channels, std::vector<float> (blockSize));
    for (auto& channel : block)
        for (auto& sample : channel)
            sample = level * noise.next();
    return block;
}

/** The editor's descriptor and idle interface, from the bundle's library. */
struct Lv2Ui
{
    Lv2Ui()
    {
        const auto descriptorOf = reinterpret_cast<LV2UI_DescriptorFunction> (dlsym (dlopen (VELK_LV2_BUNDLE "/VELK.so", RTLD_NOW), "lv2ui_descriptor"));
        ui = descriptorOf != nullptr ? descriptorOf (0) : nullptr;
        idle = ui != nullptr ? static_cast<const LV2UI_Idle_Interface*> (ui->extension_data (LV2_UI__idleInterface)) : nullptr;
    }

    /** The host's idle calls for a while, as its window's event loop makes them. */
    void idleFor (LV2UI_Handle handle, int milliseconds) const
    {
        for (const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (milliseconds); std::chrono::steady_clock::now() < end;)
        {
            EXPECT_EQ (idle->idle (handle), 0);
            std::this_thread::sleep_for (std::chrono::milliseconds (5));
        }
    }

    const LV2UI_Descriptor* ui = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
};

/** A host's URID map: each URI's place in the list, from 1. */
LV2_URID mapUri (LV2_URID_Map_Handle handle, const char* uri)
{
    auto& known = *static_cast<std::vector<std::string>*> (handle);
    auto found = std::find (known.begin(), known.end(), uri);
    if (found == known.end())
        found = known.insert (known.end(), uri);
    return (LV2_URID) (found - known.begin() + 1);
}

/** The port values of a preset that come as 32-bit floats, by symbol. */
struct FloatPortValues
{
    LV2_URID floatType;
    std::map<std::string, float> values;
};

void keepFloat (const char* symbol, void* user, const void* data, uint32_t size, uint32_t type)
{
    auto& out = *static_cast<FloatPortValues*> (user);
    if (type == out.floatType && size == sizeof (float))
        out.values[symbol] = *static_cast<const float*> (data);
}

/** The next block of noise through both instances gives the same output. */
void expectSameOutput (Lv2Instance& plugin, Lv2Instance& reference, NoiseSource& noise)
{
    auto samples = noiseBlock (noise, 0.5f), expected = samples;
    reference.run (expected);
    plugin.run (samples);
    EXPECT_EQ (samples, expected);
}
} // namespace

TEST (Lv2, PortsRangesDefaultsCaptionsAndPresets)
{
    for (const bool stereo : { true, false })
    {
        const Lv2Host host (VELK_LV2_BUNDLE, stereo, rate, blockSize);
        const auto* plugin = host.getPlugin();
        auto* world = host.getWorld();
        EXPECT_STREQ (lilv_node_as_uri (lilv_plugin_get_uri (plugin)), stereo ? stereoUri : monoUri);
        // The audio, the controls, then the key inputs, optional and marked as a sidechain.
        const uint32_t audioPorts = stereo ? 4 : 2, keyPorts = audioPorts / 2;
        ASSERT_EQ (lilv_plugin_get_num_ports (plugin), audioPorts + 14 + keyPorts);
        auto* sideChain = lilv_new_uri (world, LV2_CORE_PREFIX "isSideChain");
        auto* optional = lilv_new_uri (world, LV2_CORE__connectionOptional);
        for (uint32_t key = 0; key < keyPorts; ++key)
        {
            const auto* port = lilv_plugin_get_port_by_index (plugin, audioPorts + 14 + key);
            EXPECT_TRUE (lilv_port_has_property (plugin, port, sideChain) && lilv_port_has_property (plugin, port, optional)) << key;
        }
        lilv_node_free (sideChain);
        lilv_node_free (optional);

        std::vector<float> minimum (audioPorts + 14 + keyPorts), maximum (minimum.size()), defaults (minimum.size());
        lilv_plugin_get_port_ranges_float (plugin, minimum.data(), maximum.data(), defaults.data());
        for (int parameter = 0; parameter < velk::numFormatParameters; ++parameter)
        {
            const auto& info = *velk::formatParameterInfo (parameter);
            const auto index = audioPorts + (size_t) (parameter < velk::numParameters ? parameter : sidechainPort);
            const auto* port = lilv_plugin_get_port_by_index (plugin, (uint32_t) index);
            EXPECT_STREQ (lilv_node_as_string (lilv_port_get_symbol (plugin, port)), symbols[info.index]);
            EXPECT_EQ (defaults[index], info.defaultValue) << info.id;
            EXPECT_EQ (minimum[index], info.isSwitch() ? (float) info.firstPosition : 0.0f) << info.id;
            EXPECT_EQ (maximum[index], info.isSwitch() ? (float) (info.firstPosition + info.numPositions - 1) : 1.0f) << info.id;

            auto* points = lilv_port_get_scale_points (plugin, port);
            EXPECT_EQ (points != nullptr ? (int) lilv_scale_points_size (points) : 0, info.numPositions) << info.id;
            LILV_FOREACH (scale_points, i, points)
            {
                const auto* point = lilv_scale_points_get (points, i);
                const int position = (int) lilv_node_as_float (lilv_scale_point_get_value (point)) - info.firstPosition;
                ASSERT_TRUE (position >= 0 && position < info.numPositions) << info.id;
                EXPECT_STREQ (lilv_node_as_string (lilv_scale_point_get_label (point)), info.captions[position]);
            }
            lilv_scale_points_free (points);
        }

        // The factory presets, every value of each as the table has it.
        auto* presetClass = lilv_new_uri (world, LV2_PRESETS__Preset);
        auto* labelPredicate = lilv_new_uri (world, LILV_NS_RDFS "label");
        auto* presets = lilv_plugin_get_related (plugin, presetClass);
        std::set<std::string> found;
        LILV_FOREACH (nodes, i, presets)
        {
            const auto* preset = lilv_nodes_get (presets, i);
            lilv_world_load_resource (world, preset);
            auto* label = lilv_world_get (world, preset, labelPredicate, nullptr);
            const auto* row = std::find_if (std::begin (velk::factoryPresets), std::end (velk::factoryPresets),
                                            [&] (const auto& p)
                                            { return label != nullptr && lilv_node_as_string (label) == std::string (p.name); });
            ASSERT_NE (row, std::end (velk::factoryPresets)) << (label != nullptr ? lilv_node_as_string (label) : "no label");
            found.insert (row->name);
            lilv_node_free (label);

            // Loaded as hosts load a preset (lilv's state): every value a 32-bit float, as the
            // ports are; a host that takes floats alone (qtractor) would drop any other.
            std::vector<std::string> uris;
            LV2_URID_Map map { &uris, mapUri };
            FloatPortValues emitted { map.map (&uris, LV2_ATOM__Float), {} };
            auto* state = lilv_state_new_from_world (world, &map, preset);
            ASSERT_NE (state, nullptr) << row->name;
            lilv_state_emit_port_values (state, keepFloat, &emitted);
            lilv_state_free (state);
            EXPECT_EQ ((int) emitted.values.size(), velk::numFormatParameters) << row->name;
            for (const auto& [symbol, number] : emitted.values)
            {
                const auto* index = std::find (std::begin (symbols), std::end (symbols), symbol);
                ASSERT_NE (index, std::end (symbols)) << symbol;
                EXPECT_EQ (number, row->values[index - std::begin (symbols)]) << row->name << " " << symbol;
            }
        }
        EXPECT_EQ ((int) found.size(), velk::numFactoryPresets);
        lilv_nodes_free (presets);
        for (auto* node : { presetClass, labelPredicate })
            lilv_node_free (node);
    }
}

TEST (Lv2, EverySwitchPositionAndTheKeyRenderAsTheEngine)
{
    // Each position of each switch at 4:1 (Ratio through all of its own), then a compressing
    // setting, alone and with Sidechain External, a loud key connected or not (silence: no
    // reduction at all); stereo and mono, bit for bit against the engine given the same values.
    enum KeyUse
    {
        noKey,
        keyConnected,
        keyUnconnected
    };
    std::vector<std::pair<ParameterSetting, KeyUse>> cases;
    for (const auto& setting : everySwitchPosition())
        cases.push_back ({ setting, noKey });
    auto compressing = compressingSetting();
    compressing.push_back ({ sidechainPort, 1.0f });
    for (const auto key : { noKey, keyConnected, keyUnconnected })
        cases.push_back ({ { compressing.begin(), compressing.end() - (key == noKey ? 1 : 0) }, key });
    ASSERT_EQ (cases.size(), 18u);

    for (const bool stereo : { true, false })
        for (size_t number = 0; number < cases.size(); ++number)
        {
            const auto& [setting, key] = cases[number];
            // The processor starts at 44.1 kHz; at the host's rate it prepares the engine again
            // and sends it every value, in index order, as the mirror does here.
            const int channels = stereo ? 2 : 1;
            Lv2Instance plugin (stereo);
            for (const auto& [index, value] : setting)
                plugin.port (index) = value;
            std::vector<float> keySamples[2] = { std::vector<float> (blockSize), std::vector<float> (blockSize) };
            for (int channel = 0; key == keyConnected && channel < channels; ++channel)
                plugin.connect (plugin.getLayout().keyIn (channel), keySamples[channel].data());
            EngineMirror mirror ((float) rate);
            mirror.engine.prepare ((float) rate);
            for (int index = 0; index < velk::numParameters; ++index)
                mirror.set (index, plugin.port (index));
            if (plugin.port (velk::ratioParameter) == velk::limitPosition)
                mirror.setLimitFromApproach();

            NoiseSource noise (7u), keyNoise (4u);
            float reduction = 0.0f;
            for (int block = 0; block < 20; ++block)
            {
                for (auto& channel : keySamples)
                    for (auto& sample : channel)
                        sample = key == keyConnected ? 0.9f * keyNoise.next() : 0.0f;
                auto samples = noiseBlock (noise, 0.6f, channels);
                const EngineMirror::Channels keyHeard (keySamples, keySamples + channels);
                const auto expected = mirror.run (samples, key == noKey ? nullptr : &keyHeard);
                plugin.run (samples);
                ASSERT_EQ (samples, expected) << stereo << ", case " << number << ", block " << block;
                reduction = std::max (reduction, plugin.port (reductionPort));
            }
            // The meter shows no reduction at 1:1 or with a silent key, and some when compressing.
            if (plugin.port (velk::ratioParameter) == 1.0f || key == keyUnconnected)
            {
                EXPECT_EQ (reduction, 0.0f) << number;
            }
            else if (setting.size() > 2)
            {
                EXPECT_GT (reduction, 1.0f) << number;
            }
        }
}

TEST (Lv2, OutOfRangeValuesRecoverAsInTheVst2Module)
{
    const float values[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), 1e38f, -5.0f };
    for (int index = 0; index < velk::numParameters; ++index)
    {
        Lv2Instance lv2;
        Plugin vst2;
        vst2.resume ((float) rate, blockSize);
        NoiseSource noise ((std::uint32_t) index + 1u);
        for (int block = 0; block < 12; ++block)
        {
            // Ten blocks of nonsense values, then the default back.
            const float value = block < 10 ? values[block % 5] : velk::parameterInfo (index).defaultValue;
            lv2.port (index) = value;
            vst2.setParameter (index, value);

            auto samples = noiseBlock (noise, 0.5f);
            const auto expected = vst2.process (samples);
            lv2.run (samples);
            ASSERT_EQ (samples, expected) << index << " block " << block;
        }
    }
}

TEST (Lv2, BypassClipLampAndUnconnectedPorts)
{
    // A full-scale block lights the clip output for a second (93 blocks of 512 after it); with
    // the enabled port off, the input passes untouched; latency is 0.
    Lv2Instance plugin;
    plugin.port (velk::inputParameter) = 1.0f;
    Audio loud (2, std::vector<float> (blockSize, 1.0f));
    plugin.run (loud);
    EXPECT_EQ (plugin.port (clipPort), 1.0f);

    plugin.port (enabledPort) = 0.0f;
    NoiseSource noise (3u);
    int lit = 0;
    for (int block = 0; block < 200; ++block)
    {
        auto samples = noiseBlock (noise, 0.5f);
        const auto input = samples;
        plugin.run (samples);
        ASSERT_EQ (samples, input);
        lit += plugin.port (clipPort) > 0.0f ? 1 : 0;
    }
    EXPECT_EQ (lit, 93);
    EXPECT_EQ (plugin.port (latencyPort), 0.0f);

    // Unconnected parameter ports read as their defaults, whatever was last in them.
    Lv2Instance unconnected, defaults;
    for (int index = 0; index < velk::numParameters; ++index)
    {
        unconnected.port (index) = 3.0f;
        unconnected.connect (unconnected.getLayout().parameter (index), nullptr);
    }
    for (int block = 0; block < 4; ++block)
        expectSameOutput (unconnected, defaults, noise);
}

TEST (Lv2, EditorOpensInTheHostWindowAndReachesTheHost)
{
    ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "the editor tests need an X server (Xvfb)";
    auto& host = hostWindow();
    ASSERT_NE (host.display, nullptr);

    const Lv2Ui editor;
    ASSERT_NE (editor.idle, nullptr);
    const auto* ui = editor.ui;
    const auto idleFor = [&editor] (LV2UI_Handle handle, int milliseconds)
    { editor.idleFor (handle, milliseconds); };

    Lv2Instance plugin, untouched;
    std::vector<std::pair<uint32_t, float>> written;
    const auto write = [] (LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
    {
        if (size == sizeof (float) && format == 0)
            static_cast<std::vector<std::pair<uint32_t, float>>*> (controller)->push_back ({ port, *static_cast<const float*> (buffer) });
    };
    LV2_Feature parent { LV2_UI__parent, reinterpret_cast<void*> (host.window) };
    LV2_Feature access { LV2_INSTANCE_ACCESS_URI, plugin.getHandle() };
    const LV2_Feature* features[] = { &parent, &access, nullptr };
    const LV2_Feature* noAccess[] = { &parent, nullptr };

    // Without the plug-in instance there is no editor.
    LV2UI_Widget widget = nullptr;
    EXPECT_EQ (ui->instantiate (ui, stereoUri, VELK_LV2_BUNDLE, write, &written, &widget, noAccess), nullptr);

    for (int round = 0; round < 100; ++round)
    {
        auto* handle = ui->instantiate (ui, stereoUri, VELK_LV2_BUNDLE, write, &written, &widget, features);
        ASSERT_NE (handle, nullptr);
        ASSERT_NE (widget, nullptr);
        idleFor (handle, round == 0 || round == 99 ? 300 : 20);
        ASSERT_EQ (host.numChildren(), 1) << "round " << round;

        if (round == 0)
        {
            // The window shows the editor; a drag of the Output knob (107, 434, 128 x 128)
            // reaches the host as a write to the output port.
            const auto [distinct, white] = host.colours();
            EXPECT_LT (white, 300 * 600 / 10);
            EXPECT_GT (distinct, 1u);
            NoiseSource noise (9u);
            expectSameOutput (plugin, untouched, noise);

            host.drag (171, 498, -60);
            idleFor (handle, 300);
            ASSERT_FALSE (written.empty());
            EXPECT_EQ (written.back().first, 4u + velk::outputParameter);
            EXPECT_GT (written.back().second, velk::parameterInfo (velk::outputParameter).defaultValue);

            // The host has not set the port: its value wins over the one the editor wrote. A
            // value the host sends is shown and not written back.
            expectSameOutput (plugin, untouched, noise);
            written.clear();
            const float ratio = 4.0f;
            ui->port_event (handle, 4u + velk::ratioParameter, sizeof ratio, 0, &ratio);
            idleFor (handle, 50);
            EXPECT_TRUE (written.empty());

            // A factory preset from the panel's menu: the editor writes all ten ports, Ratio last.
            const auto allWritten = [&written]
            { return written.size() >= (size_t) velk::numFormatParameters; };
            ASSERT_TRUE (chooseFromContextMenu (
                host.display, host.window, 270, 300, std::vector<std::pair<int, int>> { { 4, 5 }, { 5, 12 } },
                [&] (int milliseconds)
                { idleFor (handle, milliseconds); },
                allWritten));
            ASSERT_EQ (written.size(), (size_t) velk::numFormatParameters);
            EXPECT_EQ (written.back(), std::pair (4u + velk::ratioParameter, velk::limitPosition));
            written.clear();
        }

        ui->cleanup (handle);
        EXPECT_EQ (host.numChildren(), 0) << "round " << round;
    }

    // A host that applies a preset to the ports without port events (as qtractor does): the
    // open editor follows the values the plug-in runs, writes nothing, and looks as an editor
    // opened on those values does.
    Lv2Instance followed;
    LV2_Feature followedAccess { LV2_INSTANCE_ACCESS_URI, followed.getHandle() };
    const LV2_Feature* followedFeatures[] = { &parent, &followedAccess, nullptr };
    Audio silence (2, std::vector<float> (blockSize));
    const auto openAndLook = [&]
    {
        auto* handle = ui->instantiate (ui, stereoUri, VELK_LV2_BUNDLE, write, &written, &widget, followedFeatures);
        idleFor (handle, 300);
        return std::pair { handle, host.pixels() };
    };
    written.clear();
    auto* followingUi = openAndLook().first;
    for (const int index : { velk::inputParameter, velk::attackParameter, velk::releaseParameter, velk::outputParameter, velk::ratioParameter })
        followed.port (index) = velk::factoryPresets[5].values[index]; // the Limiter's
    followed.run (silence);
    idleFor (followingUi, 300);
    const auto after = host.pixels();
    ui->cleanup (followingUi);
    const auto reopened = openAndLook();
    ui->cleanup (reopened.first);
    EXPECT_EQ (after, reopened.second);
    EXPECT_TRUE (written.empty());
}

TEST (Lv2, EditorTakesTheHostScaleAndAsksForTheUserZoom)
{
    ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "the editor tests need an X server (Xvfb)";
    auto& host = hostWindow();
    const Lv2Ui editor;
    ASSERT_NE (editor.idle, nullptr);

    // The user's zoom is kept in their settings file; a damaged one means 100 %.
    // CTest gives these tests a settings folder of their own.
    namespace fs = std::filesystem;
    const char* config = std::getenv ("XDG_CONFIG_HOME");
    ASSERT_NE (config, nullptr) << "run through CTest";
    const auto settings = fs::path (config) / "VELK" / "editor.conf";
    fs::create_directories (settings.parent_path());
    std::ofstream (settings) << "zoom=\xff\xfe";
    const auto storedZoom = [&]
    {
        std::string line;
        std::getline (std::ifstream (settings), line);
        return line;
    };

    // A host that draws its interface at twice the size, and resizes its window when asked
    // unless it is told to refuse.
    struct Host
    {
        HostWindow& window;
        std::vector<std::string> uris;
        std::vector<std::pair<int, int>> sizesAsked;
        bool refuses = false;
    } state { host, {}, {}, false };
    LV2_URID_Map map { &state.uris, mapUri };
    LV2UI_Resize resize { &state, [] (LV2UI_Feature_Handle handle, int width, int height)
                          {
        auto& host = *static_cast<Host*> (handle);
        host.sizesAsked.push_back ({ width, height });
        if (host.refuses)
            return 1;
        XResizeWindow (host.window.display, host.window.window, (unsigned) width, (unsigned) height);
        return 0;
                         } };
    const float scale = 2.0f;
    const LV2_Options_Option options[] = { { LV2_OPTIONS_INSTANCE, 0, map.map (&state.uris, LV2_UI__scaleFactor), sizeof scale,
                                             map.map (&state.uris, LV2_ATOM__Float), &scale },
                                           { LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr } };

    Lv2Instance plugin;
    LV2_Feature parent { LV2_UI__parent, reinterpret_cast<void*> (host.window) };
    LV2_Feature access { LV2_INSTANCE_ACCESS_URI, plugin.getHandle() };
    LV2_Feature mapFeature { LV2_URID__map, &map }, optionsFeature { LV2_OPTIONS__options, const_cast<LV2_Options_Option*> (options) },
        resizeFeature { LV2_UI__resize, &resize };
    const LV2_Feature* features[] = { &parent, &access, &mapFeature, &optionsFeature, &resizeFeature, nullptr };
    LV2UI_Widget widget = nullptr;
    auto* handle = editor.ui->instantiate (editor.ui, stereoUri, VELK_LV2_BUNDLE, nullptr, nullptr, &widget, features);
    ASSERT_NE (handle, nullptr);
    editor.idleFor (handle, 300);
    const auto sizeOf = [&]
    {
        XWindowAttributes attributes {};
        XGetWindowAttributes (host.display, (::Window) reinterpret_cast<uintptr_t> (widget), &attributes);
        return std::pair { attributes.width, attributes.height };
    };
    ASSERT_EQ (state.sizesAsked, (std::vector<std::pair<int, int>> { { 600, 1200 } }));
    EXPECT_EQ (sizeOf(), std::pair (600, 1200));

    // A right-click on the panel and "Zoom 125 %": 2 x 125 %, which the host grants.
    const auto pump = [&] (int milliseconds)
    { editor.idleFor (handle, milliseconds); };
    const auto window = (::Window) reinterpret_cast<uintptr_t> (widget);
    const auto asked = [&, count = state.sizesAsked.size()]
    { return state.sizesAsked.size() > count; };
    ASSERT_TRUE (chooseFromContextMenu (host.display, window, 2 * 270, 2 * 300, 1, 5, pump, asked));
    EXPECT_EQ (state.sizesAsked.back(), std::pair (750, 1500));
    EXPECT_EQ (sizeOf(), std::pair (750, 1500));
    EXPECT_EQ (storedZoom(), "zoom=125");

    // "Zoom 200 %" with a host that refuses: the editor keeps its size and the zoom it had.
    state.refuses = true;
    const auto askedAgain = [&, count = state.sizesAsked.size()]
    { return state.sizesAsked.size() > count; };
    ASSERT_TRUE (chooseFromContextMenu (host.display, window, 270 * 5 / 2, 300 * 5 / 2, 3, 5, pump, askedAgain));
    EXPECT_EQ (state.sizesAsked.back(), std::pair (1200, 2400));
    EXPECT_EQ (sizeOf(), std::pair (750, 1500));
    EXPECT_EQ (storedZoom(), "zoom=125");

    editor.ui->cleanup (handle);

    // Opened again by a host that refuses the zoomed size: 100 % this time, the choice kept.
    state.sizesAsked.clear();
    handle = editor.ui->instantiate (editor.ui, stereoUri, VELK_LV2_BUNDLE, nullptr, nullptr, &widget, features);
    ASSERT_NE (handle, nullptr);
    editor.idleFor (handle, 200);
    EXPECT_EQ (state.sizesAsked, (std::vector<std::pair<int, int>> { { 750, 1500 }, { 600, 1200 } }));
    EXPECT_EQ (sizeOf(), std::pair (600, 1200));
    EXPECT_EQ (storedZoom(), "zoom=125");
    editor.ui->cleanup (handle);
    XResizeWindow (host.display, host.window, 300, 600);
    XSync (host.display, False);
    fs::remove (settings);
}
