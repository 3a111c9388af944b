#include "VelkVst3Processor.h"

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wshadow", "-Wnon-virtual-dtor", "-Wzero-as-null-pointer-constant", "-Wold-style-cast",
                                     "-Wextra-semi", "-Wsign-conversion", "-Wconversion", "-Wpedantic", "-Wunused-parameter")
#include <pluginterfaces/vst/ivsteditcontroller.h>
JUCE_END_IGNORE_WARNINGS_GCC_LIKE

VelkVst3Processor::VelkVst3Processor()
    : VelkFormatProcessor (wrapperType_VST3)
{
}

VelkVst3Processor::~VelkVst3Processor()
{
    setIComponentHandler (nullptr);
}

#if ! JUCE_USE_STUDIO_ONE_COMPATIBLE_PARAMETERS
    #error "the parameter numbers below are the framework's with its numbers for hosts that take no negative numbers"
#endif

juce::uint32 VelkVst3Processor::vst3ParameterId (int index)
{
    // The identifier's hash with the top bit clear, as the framework numbers parameters for
    // hosts that take no negative numbers.
    return (juce::uint32) juce::String (FormatParameter::identifierFor (index)).hashCode() & 0x7fffffffu;
}

void VelkVst3Processor::setIComponentHandler (Steinberg::FUnknown* handler)
{
    // Asked for by value, so that nothing beyond the headers' declarations is needed.
    static constexpr Steinberg::TUID handlerIid = INLINE_UID (0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
    Steinberg::Vst::IComponentHandler* newHandler = nullptr;
    if (handler != nullptr)
        handler->queryInterface (handlerIid, reinterpret_cast<void**> (&newHandler)); // null where refused
    if (componentHandler != nullptr)
        componentHandler->release();
    componentHandler = newHandler;
}

bool VelkVst3Processor::tellHostAtOnce (int index, float normalizedValue)
{
    if (componentHandler == nullptr)
        return false;
    const auto id = (Steinberg::Vst::ParamID) vst3ParameterId (index);
    componentHandler->beginEdit (id);
    const bool taken = componentHandler->performEdit (id, normalizedValue) == Steinberg::kResultOk;
    componentHandler->endEdit (id);
    return taken;
}
