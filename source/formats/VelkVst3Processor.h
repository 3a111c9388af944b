#pragma once

#include "VelkFormatProcessor.h"

namespace Steinberg::Vst
{
class IComponentHandler;
}

/**
    VELK as the VST3 build presents it: the format processor, with the component handler the
    host gave the edit controller, which the framework hands over when it connects the plug-in's
    parts.

    A VST3 host sets a program on its own thread. On Linux the framework counts that thread as
    its message thread only while an editor is open; otherwise it would queue the values a
    preset changed for the next block's output changes and ask the host to re-read them later,
    from the framework's own thread. Through the handler the host hears of each value at once,
    on its own thread, as a gesture of its own, and nothing is left pending. A host that gives
    its handler only after connecting (the framework passes on none later) gets the framework's
    queued values instead, without the late request.
*/
class VelkVst3Processor : public VelkFormatProcessor,
                          public juce::VST3ClientExtensions
{
public:
    VelkVst3Processor();
    ~VelkVst3Processor() override;

    /** The VST3 parameter number of index 0 to 9, as the framework derives it from the
        identifier (hosts store it in projects and automation). */
    static juce::uint32 vst3ParameterId (int index);

    // juce::VST3ClientExtensions
    void setIComponentHandler (Steinberg::FUnknown* handler) override;

private:
    bool tellHostAtOnce (int index, float normalizedValue) override;

    Steinberg::Vst::IComponentHandler* componentHandler = nullptr; // one reference held

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VelkVst3Processor)
};
