// The binding's routes that a host cannot reach by itself: the editor's parameter changes to
// the host's automation request, and a failure while the plug-in is created.

#include "VstPluginBinding.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
struct Automation
{
    int index;
    float value;
};
std::vector<Automation> automations;

vst2::VstIntPtr recordingHost (vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr, void*, float opt)
{
    if (opcode == vst2::audioMasterVersion)
        return 2400;
    if (opcode == vst2::audioMasterAutomate)
        automations.push_back ({ index, opt });
    return 0;
}

vst2::VstIntPtr throwingHost (vst2::AEffect*, vst2::VstInt32, vst2::VstInt32, vst2::VstIntPtr, void*, float)
{
    throw std::runtime_error ("host failure");
}
} // namespace

TEST (Binding, EditorWritesReachTheHostsAutomation)
{
    automations.clear();
    auto* effect = VstPluginBinding::createEffect (recordingHost);
    ASSERT_NE (effect, nullptr);
    auto& processor = static_cast<VstPluginBinding*> (effect->object)->getProcessor();

    processor.setParameterNotifyingHost (3, 0.7f);
    processor.setParameterNotifyingHost (4, 3.0f);
    ASSERT_EQ (automations.size(), 2u);
    EXPECT_EQ (automations[0].index, 3);
    EXPECT_EQ (automations[0].value, 0.7f);
    EXPECT_EQ (automations[1].index, 4);
    EXPECT_EQ (automations[1].value, 3.0f);
    EXPECT_EQ (effect->getParameter (effect, 3), 0.7f);

    // A host's own parameter writes are not echoed back as automation.
    effect->setParameter (effect, 0, 0.2f);
    EXPECT_EQ (automations.size(), 2u);

    EXPECT_EQ (effect->dispatcher (effect, vst2::effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST (Binding, SuspendedProcessorGivesSilence)
{
    auto* effect = VstPluginBinding::createEffect (recordingHost);
    ASSERT_NE (effect, nullptr);
    auto& processor = static_cast<VstPluginBinding*> (effect->object)->getProcessor();
    effect->dispatcher (effect, vst2::effMainsChanged, 0, 1, nullptr, 0.0f);

    float left[32], right[32], outLeft[32], outRight[32];
    std::fill (std::begin (left), std::end (left), 0.5f);
    std::fill (std::begin (right), std::end (right), -0.5f);
    float* inputs[] = { left, right };
    float* outputs[] = { outLeft, outRight };

    processor.suspendProcessing (true);
    std::fill (std::begin (outLeft), std::end (outLeft), 9.0f);
    effect->processReplacing (effect, inputs, outputs, 32);
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ (outLeft[i] + outRight[i], 0.0f);
    EXPECT_EQ (outLeft[0], 0.0f);

    processor.suspendProcessing (false);
    effect->processReplacing (effect, inputs, outputs, 32);
    EXPECT_NE (outLeft[31], 0.0f);

    effect->dispatcher (effect, vst2::effClose, 0, 0, nullptr, 0.0f);
}

TEST (Binding, AnExceptionWhileCreatingGivesNoEffect)
{
    EXPECT_EQ (VstPluginBinding::createEffect (throwingHost), nullptr);
    EXPECT_EQ (VstPluginBinding::createEffect (nullptr), nullptr);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
