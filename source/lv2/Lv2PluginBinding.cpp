#include "Lv2PluginBinding.h"

#include "FloatBits.h"
#include "VelkVersion.h"

// The processor's parameters are the framework's index-based ones, which it marks deprecated;
// LV2 ports are index-based too.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
bool sameBits (float a, float b) noexcept
{
    return bitsOf (a) == bitsOf (b);
}

template <const lv2ports::Layout& layout>
LV2_Handle instantiate (const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const*)
{
    try
    {
        return new Lv2PluginBinding (layout, rate);
    }
    catch (...)
    {
        return nullptr;
    }
}

Lv2PluginBinding* bindingOf (LV2_Handle instance) noexcept
{
    return static_cast<Lv2PluginBinding*> (instance);
}

// clang-format off
void connectPort (LV2_Handle instance, uint32_t port, void* data) { bindingOf (instance)->connectPort (port, data); }
void activate (LV2_Handle instance)                               { bindingOf (instance)->activate(); }
void run (LV2_Handle instance, uint32_t numFrames)                { bindingOf (instance)->run (numFrames); }
void deactivate (LV2_Handle)                                      {}
void cleanup (LV2_Handle instance)                                { delete bindingOf (instance); }
const void* extensionData (const char*)                           { return nullptr; }
// clang-format on

const LV2_Descriptor descriptors[] = {
    { velk::version::lv2Uri, instantiate<lv2ports::stereo>, connectPort, activate, run, deactivate, cleanup, extensionData },
    { velk::version::lv2MonoUri, instantiate<lv2ports::mono>, connectPort, activate, run, deactivate, cleanup, extensionData },
};
} // namespace

//==============================================================================
const LV2_Descriptor* Lv2PluginBinding::descriptor (std::uint32_t index) noexcept
{
    return index < std::size (descriptors) ? &descriptors[index] : nullptr;
}

Lv2PluginBinding::Lv2PluginBinding (const lv2ports::Layout& portLayout, double rate)
    : layout (portLayout),
      core (juce::AudioProcessor::wrapperType_LV2, BindingCore::createProcessor, BindingCore::Framework::own)
{
    core.prepare (rate, BindingCore::maxPiece, layout.channels);
}

Lv2PluginBinding::~Lv2PluginBinding() = default;

void Lv2PluginBinding::connectPort (std::uint32_t index, void* data) noexcept
{
    if (index < (std::uint32_t) layout.numPorts())
        ports[index] = static_cast<float*> (data);
}

void Lv2PluginBinding::activate() noexcept
{
    // A fresh start: the engine's history cleared and every port value applied again.
    core.reset();
    anyApplied = false;
}

//==============================================================================
void Lv2PluginBinding::applyPortValues() noexcept
{
    // An unconnected port reads as its default. The setter stores a value that is not a number
    // as 0, so nothing a port holds makes the output non-finite for good. A stored value that
    // has moved since (the editor writes the processor as it tells the host) gets the port's
    // value back: the port always wins.
    for (int index = 0; index < velk::numFormatParameters; ++index)
    {
        const auto* valuePort = port (layout.formatParameter (index));
        const float value = valuePort != nullptr ? *valuePort : velk::formatParameterInfo (index)->defaultValue;
        const auto slot = (size_t) index;
        if (! anyApplied || ! sameBits (value, appliedValues[slot]) || ! sameBits (core.getValue (index), storedValues[slot]))
        {
            appliedValues[slot] = value;
            core.setValueAsPreset (index, value);
            storedValues[slot] = core.getValue (index);
        }
    }
    anyApplied = true;
}

void Lv2PluginBinding::run (std::uint32_t numFrames) noexcept
{
    applyPortValues();

    const auto* enabledPort = port (layout.enabled());
    const bool enabled = enabledPort == nullptr || *enabledPort > 0.5f;
    // A stereo plug-in whose host connects the left key input alone takes it as a mono key.
    const bool monoKey = layout.channels == 1 || (port (layout.keyIn (1)) == nullptr && port (layout.keyIn (0)) != nullptr);
    const float* inputs[] = { port (layout.audioIn (0)), layout.channels > 1 ? port (layout.audioIn (1)) : nullptr };
    float* outputs[] = { port (layout.audioOut (0)), layout.channels > 1 ? port (layout.audioOut (1)) : nullptr };
    const float* keys[] = { port (layout.keyIn (0)), layout.channels > 1 ? port (layout.keyIn (1)) : nullptr };
    core.process (inputs, outputs, keys, monoKey ? 1 : 2, numFrames, ! enabled);

    if (auto* latency = port (layout.latency()))
        *latency = 0.0f;
    const float reductionDb = core.takeReductionDb();
    if (auto* reduction = port (layout.gainReduction()))
        *reduction = reductionDb;
    // Lit for a second after a sample passed full scale, as the editor's lamp; the lamp's own
    // flag is left to the lamp.
    const bool clipHeld = core.takeClipHeld (numFrames);
    if (auto* clip = port (layout.clip()))
        *clip = clipHeld ? 1.0f : 0.0f;
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
