// The LV2 bundle as LV2 hosts load it: through lilv, from the built bundle's folder.

#include "EngineMirror.h"
#include "HostWindow.h"
#include "ModuleHost.h"
#include "ParameterTable.h"
#include "TestSignals.h"

#include <lilv/lilv.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <dlfcn.h>
#include <limits>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 512;

// The port symbols hosts store in sessions and presets: they must never change.
const char* const symbols[velk::numParameters] = { "input", "attack", "release", "output", "ratio", "distortion", "filter", "wetDry", "gc" };

/** The world with the built bundle loaded, for the whole test run. */
LilvWorld* world()
{
    static LilvWorld* const loaded = []
    {
        auto* newWorld = lilv_world_new();
        auto* bundle = lilv_new_file_uri (newWorld, nullptr, VELK_LV2_BUNDLE "/");
        lilv_world_load_bundle (newWorld, bundle);
        lilv_node_free (bundle);
        return newWorld;
    }();
    return loaded;
}

const LilvPlugin* pluginOf (bool stereo)
{
    auto* uri = lilv_new_uri (world(), stereo ? "https://velk.example/lv2/velk" : "https://velk.example/lv2/velk#mono");
    const auto* plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world()), uri);
    lilv_node_free (uri);
    return plugin;
}

/** One instance with every port connected: audio buffers and a value per control port. */
class Lv2Instance
{
public:
    explicit Lv2Instance (bool isStereo) : stereo (isStereo), channels (isStereo ? 2 : 1)
    {
        const auto* plugin = pluginOf (stereo);
        const auto numPorts = lilv_plugin_get_num_ports (plugin);
        controls.assign (numPorts, 0.0f);
        lilv_plugin_get_port_ranges_float (plugin, nullptr, nullptr, controls.data());
        instance = lilv_plugin_instantiate (plugin, rate, nullptr);
        for (auto& buffer : audio)
            buffer.resize (blockSize);
        for (uint32_t port = 0; port < numPorts; ++port)
            lilv_instance_connect_port (instance, port, port < (uint32_t) (2 * channels) ? audio[port].data() : &controls[port]);
        lilv_instance_activate (instance);
    }

    ~Lv2Instance()
    {
        lilv_instance_deactivate (instance);
        lilv_instance_free (instance);
    }

    float& parameter (int index) { return controls[(size_t) (2 * channels + index)]; }
    void disconnect (int index) { lilv_instance_connect_port (instance, (uint32_t) (2 * channels + index), nullptr); }
    float output (const char* symbol) { return controls[portIndex (symbol)]; }

    size_t portIndex (const char* symbol)
    {
        auto* node = lilv_new_string (world(), symbol);
        const auto* port = lilv_plugin_get_port_by_symbol (pluginOf (stereo), node);
        lilv_node_free (node);
        return lilv_port_get_index (pluginOf (stereo), port);
    }

    /** One block in place: the channels' samples go in, the outputs come back. */
    void run (std::vector<float>* samples)
    {
        for (int channel = 0; channel < channels; ++channel)
            std::copy (samples[channel].begin(), samples[channel].end(), audio[channel].begin());
        lilv_instance_run (instance, (uint32_t) samples[0].size());
        for (int channel = 0; channel < channels; ++channel)
            std::copy (audio[channels + channel].begin(), audio[channels + channel].begin() + (long) samples[0].size(), samples[channel].begin());
    }

    LilvInstance* instance = nullptr;

private:
    const bool stereo;
    const int channels;
    std::vector<float> controls;
    std::vector<float> audio[4];
};

/** A host opens its own X connection, with Xlib's thread support, before it loads plug-ins. */
class HostWindowFirst : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (std::getenv ("DISPLAY") != nullptr)
        {
            XInitThreads();
            hostWindow();
        }
    }
};

[[maybe_unused]] ::testing::Environment* const hostWindowFirst = ::testing::AddGlobalTestEnvironment (new HostWindowFirst());

std::vector<float> noiseBlock (NoiseSource& noise, float level)
{
    std::vector<float> block (blockSize);
    for (auto& sample : block)
        sample = level * noise.next();
    return block;
}
} // namespace

TEST (Lv2, PortsRangesDefaultsAndCaptions)
{
    for (const bool stereo : { true, false })
    {
        const auto* plugin = pluginOf (stereo);
        ASSERT_NE (plugin, nullptr);
        const int audioPorts = stereo ? 4 : 2;
        ASSERT_EQ (lilv_plugin_get_num_ports (plugin), (uint32_t) audioPorts + 13);

        std::vector<float> minimum (lilv_plugin_get_num_ports (plugin)), maximum (minimum.size()), defaults (minimum.size());
        lilv_plugin_get_port_ranges_float (plugin, minimum.data(), maximum.data(), defaults.data());
        for (const auto& info : velk::parameterTable)
        {
            const auto port = (uint32_t) (audioPorts + info.index);
            const auto* node = lilv_port_get_symbol (plugin, lilv_plugin_get_port_by_index (plugin, port));
            EXPECT_STREQ (lilv_node_as_string (node), symbols[info.index]);
            EXPECT_EQ (defaults[port], info.defaultValue) << info.id;
            EXPECT_EQ (minimum[port], info.isSwitch() ? (float) info.firstPosition : 0.0f) << info.id;
            EXPECT_EQ (maximum[port], info.isSwitch() ? (float) (info.firstPosition + info.numPositions - 1) : 1.0f) << info.id;

            auto* points = lilv_port_get_scale_points (plugin, lilv_plugin_get_port_by_index (plugin, port));
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
    }
}

TEST (Lv2, EverySwitchPositionRendersAsTheEngine)
{
    // Each position of each switch at 4:1 (Ratio through all of its own), then a compressing
    // setting; stereo and mono, bit for bit against the engine given the same values.
    struct Setting
    {
        int index;
        float value;
    };
    std::vector<std::vector<Setting>> settings;
    for (const auto& info : velk::parameterTable)
        for (int position = 0; info.isSwitch() && position < info.numPositions; ++position)
            settings.push_back ({ { velk::ratioParameter, 3.0f }, { info.index, (float) (info.firstPosition + position) } });
    settings.push_back ({ { velk::ratioParameter, 3.0f }, { velk::inputParameter, 0.7f }, { velk::attackParameter, 0.5f }, { velk::releaseParameter, 0.2f } });
    ASSERT_EQ (settings.size(), 16u);

    for (const bool stereo : { true, false })
        for (const auto& setting : settings)
        {
            // The processor starts at 44.1 kHz; at the host's rate it prepares the engine again
            // and sends it every value, in index order, as the mirror does here.
            Lv2Instance plugin (stereo);
            EngineMirror mirror ((float) rate);
            for (const auto& [index, value] : setting)
                plugin.parameter (index) = value;
            mirror.engine.prepare ((float) rate);
            for (int index = 0; index < velk::numParameters; ++index)
                mirror.set (index, plugin.parameter (index));
            NoiseSource noise (7u);
            float reduction = 0.0f;
            for (int block = 0; block < 20; ++block)
            {
                std::vector<float> samples[2] = { noiseBlock (noise, 0.6f), noiseBlock (noise, 0.6f) };
                std::vector<float> expected[2] = { samples[0], samples[1] };
                for (int i = 0; i < blockSize; ++i)
                    mirror.processFrame (&expected[0][(size_t) i], stereo ? &expected[1][(size_t) i] : nullptr);
                plugin.run (samples);
                const auto setup = ::testing::Message() << (stereo ? "stereo" : "mono") << ", setting " << (&setting - settings.data()) << ", block " << block;
                ASSERT_EQ (samples[0], expected[0]) << setup;
                if (stereo)
                {
                    ASSERT_EQ (samples[1], expected[1]) << setup;
                }
                reduction = std::max (reduction, plugin.output ("gain_reduction"));
            }
            // The meter shows no reduction at 1:1, and some on the compressing setting.
            if (plugin.parameter (velk::ratioParameter) == 1.0f)
            {
                EXPECT_EQ (reduction, 0.0f);
            }
            if (setting.size() > 2)
            {
                EXPECT_GT (reduction, 1.0f);
            }
        }
}

TEST (Lv2, OutOfRangeValuesRecoverAsInTheVst2Module)
{
    const float values[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), 1e38f, -5.0f };
    for (int index = 0; index < velk::numParameters; ++index)
    {
        Lv2Instance lv2 (true);
        Plugin vst2;
        vst2.resume ((float) rate, blockSize);
        NoiseSource noise ((std::uint32_t) index + 1u);
        for (int block = 0; block < 12; ++block)
        {
            // Ten blocks of nonsense values, then the default back.
            const float value = block < 10 ? values[block % 5] : velk::parameterInfo (index).defaultValue;
            lv2.parameter (index) = value;
            vst2.setParameter (index, value);

            std::vector<float> samples[2] = { noiseBlock (noise, 0.5f), noiseBlock (noise, 0.5f) };
            const auto expected = vst2.process ({ samples[0], samples[1] });
            lv2.run (samples);
            ASSERT_EQ (samples[0], expected[0]) << index << " block " << block;
            ASSERT_EQ (samples[1], expected[1]) << index << " block " << block;
        }
    }
}

TEST (Lv2, BypassPassesTheInputAndTheClipLampHoldsForASecond)
{
    Lv2Instance plugin (true);
    plugin.parameter (velk::outputParameter) = 1.0f;
    plugin.parameter (velk::inputParameter) = 1.0f;
    NoiseSource noise (3u);

    std::vector<float> loud[2] = { noiseBlock (noise, 1.0f), noiseBlock (noise, 1.0f) };
    for (auto& sample : loud[0])
        sample = 1.0f;
    for (auto& sample : loud[1])
        sample = 1.0f;
    plugin.run (loud);
    EXPECT_EQ (plugin.output ("clip"), 1.0f);

    // The enabled port off: the input passes untouched; the lamp goes out after a second.
    plugin.parameter (velk::numParameters) = 0.0f;
    int lit = 0;
    for (int block = 0; block < 200; ++block)
    {
        std::vector<float> samples[2] = { noiseBlock (noise, 0.5f), noiseBlock (noise, 0.5f) };
        const auto input = samples[0];
        plugin.run (samples);
        ASSERT_EQ (samples[0], input);
        lit += plugin.output ("clip") > 0.0f ? 1 : 0;
    }
    EXPECT_EQ (lit, (int) (rate / blockSize)); // 48000 frames lit after the clipping block: 93 blocks
    EXPECT_EQ (plugin.output ("latency"), 0.0f);
}

TEST (Lv2, AnUnconnectedPortReadsAsItsDefault)
{
    Lv2Instance unconnected (true), defaults (true);
    for (int index = 0; index < velk::numParameters; ++index)
    {
        unconnected.parameter (index) = 3.0f; // what the ports would say, were they connected
        unconnected.disconnect (index);
    }
    NoiseSource noise (5u);
    for (int block = 0; block < 4; ++block)
    {
        std::vector<float> samples[2] = { noiseBlock (noise, 0.7f), noiseBlock (noise, 0.7f) };
        std::vector<float> expected[2] = { samples[0], samples[1] };
        defaults.run (expected);
        unconnected.run (samples);
        ASSERT_EQ (samples[0], expected[0]) << block;
    }
}

TEST (Lv2, EditorOpensInTheHostWindowAndReachesTheHost)
{
    ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "the editor tests need an X server (Xvfb)";
    auto& host = hostWindow();
    ASSERT_NE (host.display, nullptr);

    Lv2Instance plugin (true);
    void* library = dlopen (VELK_LV2_BUNDLE "/VELK.so", RTLD_NOW);
    ASSERT_NE (library, nullptr);
    const auto descriptorOf = reinterpret_cast<LV2UI_DescriptorFunction> (dlsym (library, "lv2ui_descriptor"));
    ASSERT_NE (descriptorOf, nullptr);
    const auto* ui = descriptorOf (0);
    ASSERT_NE (ui, nullptr);
    EXPECT_EQ (descriptorOf (1), nullptr);
    const auto* idle = static_cast<const LV2UI_Idle_Interface*> (ui->extension_data (LV2_UI__idleInterface));
    ASSERT_NE (idle, nullptr);

    std::vector<std::pair<uint32_t, float>> written;
    const auto write = [] (LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
    {
        if (size == sizeof (float) && format == 0)
            static_cast<std::vector<std::pair<uint32_t, float>>*> (controller)->push_back ({ port, *static_cast<const float*> (buffer) });
    };
    LV2_Feature parent { LV2_UI__parent, reinterpret_cast<void*> (host.window) };
    LV2_Feature access { LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle (plugin.instance) };
    const LV2_Feature* features[] = { &parent, &access, nullptr };

    const auto idleFor = [idle] (LV2UI_Handle handle, int milliseconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (milliseconds);
        while (std::chrono::steady_clock::now() < end)
        {
            EXPECT_EQ (idle->idle (handle), 0);
            std::this_thread::sleep_for (std::chrono::milliseconds (5));
        }
    };

    // Without the host's window or the plug-in instance there is no editor.
    LV2UI_Widget widget = nullptr;
    const LV2_Feature* noAccess[] = { &parent, nullptr };
    EXPECT_EQ (ui->instantiate (ui, "https://velk.example/lv2/velk", VELK_LV2_BUNDLE, write, &written, &widget, noAccess), nullptr);

    for (int round = 0; round < 100; ++round)
    {
        auto* handle = ui->instantiate (ui, "https://velk.example/lv2/velk", VELK_LV2_BUNDLE, write, &written, &widget, features);
        ASSERT_NE (handle, nullptr);
        ASSERT_NE (widget, nullptr);
        idleFor (handle, round == 0 || round == 99 ? 300 : 20);
        ASSERT_EQ (host.numChildren(), 1) << "round " << round;

        if (round == 0)
        {
            // The window shows the editor; a drag of the Output knob (107, 434, 128 x 128)
            // reaches the host as a write to the output port, and the host's value reaches the
            // knob without being written back.
            const auto [distinct, white] = host.colours();
            EXPECT_LT (white, 300 * 600 / 10);
            EXPECT_GT (distinct, 1u);

            // Both instances have run a block before the drag.
            Lv2Instance untouched (true);
            NoiseSource noise (9u);
            std::vector<float> first[2] = { noiseBlock (noise, 0.5f), noiseBlock (noise, 0.5f) };
            std::vector<float> firstCopy[2] = { first[0], first[1] };
            untouched.run (firstCopy);
            plugin.run (first);

            host.drag (171, 498, -60);
            idleFor (handle, 300);
            ASSERT_FALSE (written.empty());
            EXPECT_EQ (written.back().first, 4u + velk::outputParameter);
            EXPECT_GT (written.back().second, velk::parameterInfo (velk::outputParameter).defaultValue);

            // The host has not set the port: its value wins over the one the editor wrote.
            std::vector<float> samples[2] = { noiseBlock (noise, 0.5f), noiseBlock (noise, 0.5f) };
            std::vector<float> expected[2] = { samples[0], samples[1] };
            untouched.run (expected);
            plugin.run (samples);
            EXPECT_EQ (samples[0], expected[0]);

            written.clear();
            const float ratio = 4.0f;
            ui->port_event (handle, 4u + velk::ratioParameter, sizeof ratio, 0, &ratio);
            idleFor (handle, 50);
            EXPECT_TRUE (written.empty());
        }

        ui->cleanup (handle);
        idleFor (nullptr, 0);
        EXPECT_EQ (host.numChildren(), 0) << "round " << round;
    }
}
