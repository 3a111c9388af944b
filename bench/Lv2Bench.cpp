// VELK's LV2 build through lilv, as an LV2 host runs it, against the cheapest LV2 compressor in
// Debian, x42's darc, in the same process, interleaved: blocks of 512 at 48 kHz, noise at
// -12 dBFS, the cost of the run calls (the binding's per-block work included).
//
//     velk_lv2_bench [--seconds=S] [--lanes=N]
//
// --lanes=N: VELK's vector maths at most N lanes wide (2 or 4), set before the bundle loads.

#include "BenchCase.h"
#include "FormatParameterTable.h"
#include "Lv2Host.h"

#include <lilv/lilv.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
constexpr int blockSize = 512;
constexpr const char* peerUri = "http://gareus.org/oss/lv2/darc#stereo";

/** Any installed LV2 plug-in with two audio inputs and two outputs, its controls at their
    defaults but for those set by symbol. */
class InstalledPlugin
{
public:
    InstalledPlugin (const char* uri, const std::map<std::string, float>& settings)
    {
        world = lilv_world_new();
        lilv_world_load_all (world);
        auto* node = lilv_new_uri (world, uri);
        const auto* plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world), node);
        lilv_node_free (node);
        if (plugin == nullptr)
        {
            lilv_world_free (world);
            throw std::runtime_error (std::string (uri) + " is not installed (package x42-plugins)");
        }

        const auto numPorts = lilv_plugin_get_num_ports (plugin);
        controls.assign (numPorts, 0.0f);
        lilv_plugin_get_port_ranges_float (plugin, nullptr, nullptr, controls.data());
        instance = lilv_plugin_instantiate (plugin, sampleRate, nullptr);
        if (instance == nullptr)
        {
            lilv_world_free (world);
            throw std::runtime_error (std::string (uri) + " cannot be instantiated");
        }
        auto* audio = lilv_new_uri (world, LILV_URI_AUDIO_PORT);
        auto* input = lilv_new_uri (world, LILV_URI_INPUT_PORT);
        int inputs = 0, outputs = 0;
        for (std::uint32_t index = 0; index < numPorts; ++index)
        {
            const auto* port = lilv_plugin_get_port_by_index (plugin, index);
            const std::string symbol = lilv_node_as_string (lilv_port_get_symbol (plugin, port));
            if (const auto found = settings.find (symbol); found != settings.end())
                controls[index] = found->second;
            float* data = &controls[index];
            if (lilv_port_is_a (plugin, port, audio))
                data = lilv_port_is_a (plugin, port, input) ? (inputs < 2 ? in[inputs++] : nullptr) : (outputs < 2 ? out[outputs++] : nullptr);
            lilv_instance_connect_port (instance, index, data);
        }
        lilv_node_free (audio);
        lilv_node_free (input);
        lilv_instance_activate (instance);
    }

    ~InstalledPlugin()
    {
        lilv_instance_deactivate (instance);
        lilv_instance_free (instance);
        lilv_world_free (world);
    }

    void run (NoiseFeed& noise)
    {
        noise.fill (in[0], in[1], blockSize);
        lilv_instance_run (instance, blockSize);
    }

private:
    LilvWorld* world = nullptr;
    LilvInstance* instance = nullptr;
    std::vector<float> controls;
    float in[2][blockSize] {}, out[2][blockSize] {};
};

/** VELK's stereo plug-in from the build's bundle, at a setting. */
class VelkPlugin
{
public:
    explicit VelkPlugin (const std::vector<std::pair<int, float>>& setting) : host (VELK_LV2_BUNDLE, true, sampleRate, blockSize)
    {
        for (const auto& [index, value] : setting)
            host.setParameter (index, value);
        host.activate();
    }

    void run (NoiseFeed& noise)
    {
        noise.fill (in[0], in[1], blockSize);
        const float* inputs[] = { in[0], in[1] };
        float* outputs[] = { out[0], out[1] };
        host.process (inputs, nullptr, outputs, blockSize);
    }

private:
    Lv2Host host;
    float in[2][blockSize] {}, out[2][blockSize] {};
};

/** Nanoseconds per stereo frame over this many seconds of audio. */
template <typename Plugin>
double measure (Plugin& plugin, NoiseFeed& noise, double seconds)
{
    const long blocks = std::max (1L, (long) (seconds * sampleRate / blockSize));
    double spent = 0.0;
    for (long b = 0; b < blocks; ++b)
    {
        const double start = threadSeconds();
        plugin.run (noise);
        spent += threadSeconds() - start;
    }
    return spent * 1.0e9 / ((double) blocks * blockSize);
}

} // namespace

int main (int argc, char** argv)
{
    double seconds = 5.0;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strncmp (argv[i], "--seconds=", 10) == 0)
            seconds = std::atof (argv[i] + 10);
        else if (std::strncmp (argv[i], "--lanes=", 8) == 0)
            setenv ("VELK_VECTOR_LANES", argv[i] + 8, 1);
    }

    const char* lanes = std::getenv ("VELK_VECTOR_LANES");
    std::printf ("VELK (LV2) against x42's darc (LV2, threshold -20 dB, ratio 0.5), through lilv: blocks of %d at 48 kHz, noise at "
                 "-12 dBFS, thread CPU time of the run calls, medians of 3 interleaved rounds of %.2f s each%s%s\n",
                 blockSize, seconds, lanes != nullptr ? ", VELK at most " : "", lanes != nullptr ? lanes : "");

    NoiseFeed noise;
    VelkPlugin compressing ({ { velk::ratioParameter, 3.0f }, { velk::inputParameter, 0.7f }, { velk::attackParameter, 0.5f }, { velk::releaseParameter, 0.2f } });
    VelkPlugin defaults ({});
    std::unique_ptr<InstalledPlugin> peer;
    try
    {
        peer = std::make_unique<InstalledPlugin> (peerUri, std::map<std::string, float> { { "threshold", -20.0f }, { "Ratio", 0.5f } });
    }
    catch (const std::exception& e)
    {
        std::printf ("skipped the peer: %s\n", e.what());
    }

    measure (compressing, noise, 0.5);
    std::vector<double> peerCosts, compressingCosts, defaultCosts, ratios;
    for (int round = 0; round < 3; ++round)
    {
        if (peer != nullptr)
            peerCosts.push_back (measure (*peer, noise, seconds));
        compressingCosts.push_back (measure (compressing, noise, seconds));
        defaultCosts.push_back (measure (defaults, noise, seconds));
        if (peer != nullptr)
            ratios.push_back (compressingCosts.back() / peerCosts.back());
        std::printf ("round %d: darc %s ns per frame, VELK compressing (4:1, Input 0.7, Attack 0.5, Release 0.2) %.1f, at its defaults %.1f\n",
                     round + 1, peer != nullptr ? std::to_string (peerCosts.back()).substr (0, 5).c_str() : "-", compressingCosts.back(),
                     defaultCosts.back());
    }
    std::printf ("median: VELK compressing %.1f ns, at its defaults %.1f ns per frame", median (compressingCosts), median (defaultCosts));
    if (peer != nullptr)
        std::printf ("; darc %.1f ns; VELK compressing costs %.2f x darc", median (peerCosts), median (ratios));
    std::printf ("\n");
    return 0;
}
