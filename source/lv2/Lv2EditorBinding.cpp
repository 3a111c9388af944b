#include "Lv2EditorBinding.h"

#include "FactoryPresetTable.h"
#include "FloatBits.h"
#include "Lv2PluginBinding.h"
#include "MyTestAudioProcessorEditor.h"
#include "VelkVersion.h"

#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>

namespace
{
const void* featureData (const LV2_Feature* const* features, const char* uri) noexcept
{
    for (; features != nullptr && *features != nullptr; ++features)
        if (std::strcmp ((*features)->URI, uri) == 0)
            return (*features)->data;
    return nullptr;
}

/** The scale the host draws its own interface at (ui:scaleFactor among its options), or 1. */
float hostScaleFactor (const LV2_Feature* const* features) noexcept
{
    const auto* map = static_cast<const LV2_URID_Map*> (featureData (features, LV2_URID__map));
    const auto* option = static_cast<const LV2_Options_Option*> (featureData (features, LV2_OPTIONS__options));
    if (map == nullptr || option == nullptr)
        return 1.0f;

    const auto scaleKey = map->map (map->handle, LV2_UI__scaleFactor), floatType = map->map (map->handle, LV2_ATOM__Float);
    for (; option->key != 0; ++option)
    {
        if (option->key == scaleKey && option->type == floatType && option->size == sizeof (float) && option->value != nullptr)
        {
            const float scale = *static_cast<const float*> (option->value);
            return std::isfinite (scale) && scale > 0.0f ? scale : 1.0f;
        }
    }
    return 1.0f;
}

Lv2EditorBinding* bindingOf (LV2UI_Handle handle) noexcept
{
    return static_cast<Lv2EditorBinding*> (handle);
}

LV2UI_Handle instantiate (const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
                          LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    auto* instance = static_cast<Lv2PluginBinding*> (const_cast<void*> (featureData (features, LV2_INSTANCE_ACCESS_URI)));
    auto* parent = const_cast<void*> (featureData (features, LV2_UI__parent));
    if (instance == nullptr || parent == nullptr || widget == nullptr)
        return nullptr;

    try
    {
        const auto* resize = static_cast<const LV2UI_Resize*> (featureData (features, LV2_UI__resize));
        auto binding = std::make_unique<Lv2EditorBinding> (instance->getLayout(), instance->getProcessor(), parent, write, controller,
                                                           static_cast<const LV2UI_Touch*> (featureData (features, LV2_UI__touch)), resize,
                                                           hostScaleFactor (features));
        *widget = binding->getWidget();
        if (*widget == nullptr)
            return nullptr;
        // A host that refuses the size of the user's zoom shows the editor at 100 % this time.
        auto* frame = binding->getFrame();
        if (resize != nullptr && resize->ui_resize (resize->handle, frame->getWidth(), frame->getHeight()) != 0 && frame->getZoom() != 100)
        {
            frame->showAtZoom (100);
            resize->ui_resize (resize->handle, frame->getWidth(), frame->getHeight());
        }
        return binding.release();
    }
    catch (...)
    {
        return nullptr;
    }
}

void cleanup (LV2UI_Handle handle)
{
    delete bindingOf (handle);
}

void portEvent (LV2UI_Handle handle, uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer)
{
    bindingOf (handle)->portEvent (port, bufferSize, format, buffer);
}

int idle (LV2UI_Handle handle)
{
    bindingOf (handle)->idle();
    return 0;
}

const void* extensionData (const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface { idle };
    return std::strcmp (uri, LV2_UI__idleInterface) == 0 ? &idleInterface : nullptr;
}

const LV2UI_Descriptor descriptors[] = { { velk::version::lv2UiUri, instantiate, cleanup, portEvent, extensionData } };
} // namespace

//==============================================================================
const LV2UI_Descriptor* Lv2EditorBinding::descriptor (std::uint32_t index) noexcept
{
    return index < std::size (descriptors) ? &descriptors[index] : nullptr;
}

Lv2EditorBinding::Lv2EditorBinding (const lv2ports::Layout& portLayout, MyTestAudioProcessor& processorToEdit, void* parentWindow,
                                    LV2UI_Write_Function writeFunction, LV2UI_Controller hostController, const LV2UI_Touch* hostTouch,
                                    const LV2UI_Resize* hostResize, float hostScale)
    : layout (portLayout),
      processor (processorToEdit),
      write (writeFunction),
      controller (hostController),
      touch (hostTouch),
      resize (hostResize)
{
    // The editor follows the host: it shows the port values the host sends; its moves reach the
    // host, whose port values the plug-in then applies.
    hosted = std::make_unique<HostedEditor> (
        [this, hostScale]
        {
        auto frame = std::make_unique<EditorFrame> (std::make_unique<MyTestAudioProcessorEditor> (&processor, true), ZoomSetting(), hostScale);
        frame->setSizeRequest ([this] (int width, int height)
                               { return resize != nullptr && resize->ui_resize (resize->handle, width, height) == 0; });
        frame->setPresetChoice ([this] (int index)
                                { choosePreset (index); });
        return frame.release();
        },
        parentWindow);
    for (int index = 0; index < velk::numParameters; ++index)
        shownValues[(size_t) index] = processor.getParameter (index);
    processor.addListener (this);
}

Lv2EditorBinding::~Lv2EditorBinding()
{
    // The editor goes first: a drag cut short by the closing still ends its touch at the host.
    hosted = nullptr;
    processor.removeListener (this);
}

void Lv2EditorBinding::idle()
{
    hosted->idle();
    auto* frame = getFrame();
    if (frame == nullptr)
        return;

    // Compared as bits, so that a value that stays costs nothing; a value that changes while the
    // user holds its knob is shown once the knob is let go.
    for (int index = 0; index < velk::numParameters; ++index)
    {
        const float value = processor.getParameter (index);
        auto& shown = shownValues[(size_t) index];
        if (bitsOf (value) != bitsOf (shown) && frame->getEditor().showRunningValue (index))
            shown = value;
    }
}

void* Lv2EditorBinding::getWidget() const noexcept
{
    auto* editor = hosted->getEditor();
    return editor != nullptr ? editor->getWindowHandle() : nullptr;
}

void Lv2EditorBinding::portEvent (std::uint32_t port, std::uint32_t bufferSize, std::uint32_t format, const void* buffer)
{
    const int index = (int) port - layout.parameter (0);
    if (format != 0 || bufferSize != sizeof (float) || buffer == nullptr || ! velk::isParameterIndex (index))
        return;

    auto* frame = getFrame();
    auto* knob = frame != nullptr ? frame->getEditor().getKnob (index) : nullptr;
    if (knob == nullptr)
        return;

    // A switch shows the position the engine runs; nothing is written back.
    float value;
    std::memcpy (&value, buffer, sizeof value);
    if (! std::isfinite (value))
        value = 0.0f;
    if (velk::parameterInfo (index).isSwitch())
        value = (float) MyTestAudioProcessor::truncateToInt (value);
    knob->setValue (value, juce::dontSendNotification);
}

void Lv2EditorBinding::choosePreset (int index)
{
    if (write == nullptr || ! juce::isPositiveAndBelow (index, velk::numFactoryPresets))
        return;
    for (const int parameter : velk::presetWriteOrder)
    {
        const auto port = (std::uint32_t) layout.formatParameter (parameter);
        const float value = velk::factoryPresets[index].values[parameter];
        if (touch != nullptr)
            touch->touch (touch->handle, port, true);
        write (controller, port, sizeof (float), 0, &value);
        if (touch != nullptr)
            touch->touch (touch->handle, port, false);
    }
}

void Lv2EditorBinding::audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue)
{
    // Only the editor notifies the processor's listeners; the host hears of the move and sets
    // the port, which the plug-in then applies.
    if (velk::isParameterIndex (index) && write != nullptr)
        write (controller, (std::uint32_t) layout.parameter (index), sizeof (float), 0, &newValue);
}

void Lv2EditorBinding::audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index)
{
    if (velk::isParameterIndex (index) && touch != nullptr)
        touch->touch (touch->handle, (std::uint32_t) layout.parameter (index), true);
}

void Lv2EditorBinding::audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index)
{
    if (velk::isParameterIndex (index) && touch != nullptr)
        touch->touch (touch->handle, (std::uint32_t) layout.parameter (index), false);
}
