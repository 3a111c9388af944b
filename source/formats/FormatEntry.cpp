// The entry the framework's VST3 and standalone wrappers create the processor through.

#include "VelkVst3Processor.h"

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    if (juce::PluginHostType::getPluginLoadedAs() == juce::AudioProcessor::wrapperType_VST3)
        return new VelkVst3Processor();
    return new VelkFormatProcessor();
}
