// The entry the framework's VST3, LV2 and standalone wrappers create the processor through.

#include "VelkFormatProcessor.h"

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new VelkFormatProcessor();
}
