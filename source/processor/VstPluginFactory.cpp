// The VST 2.4 module's factory: the binding creates the processor through it. The VST3, LV2 and
// standalone builds have their own, which wraps the processor in theirs.

#include "MyTestAudioProcessor.h"

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new MyTestAudioProcessor();
}
