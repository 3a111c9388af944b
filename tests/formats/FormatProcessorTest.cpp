// The format processor around MyTestAudioProcessor, as the VST3 and standalone wrappers drive
// it: host writes reach the engine and move the editor without anything written back, the
// editor's moves reach the host as gestures, and a restore shows each raw value without changing
// it.

#include "MessagePump.h"
#include "MyTestAudioProcessor.h"
#include "MyTestAudioProcessorEditor.h"
#include "VelkFormatEditor.h"
#include "VelkFormatProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <utility>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
/** What a host hears from a processor: value changes and gestures, in order. */
struct HostLog : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
    {
        events.add ("set " + juce::String (index) + " " + juce::String (value));
    }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override
    {
        if (details.programChanged)
            events.add ("program");
    }
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override { events.add ("begin " + juce::String (index)); }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override { events.add ("end " + juce::String (index)); }

    juce::StringArray events;
};

juce::MemoryBlock stateWith (std::initializer_list<std::pair<int, float>> values)
{
    MyTestAudioProcessor source;
    for (const auto& [index, value] : values)
        source.setParameter (index, value);
    juce::MemoryBlock block;
    source.getStateInformation (block);
    return block;
}

/** A format processor with what a host hears from it and from the processor inside, and its
    editor when a test opens one. */
class FormatProcessorTest : public ::testing::Test
{
protected:
    FormatProcessorTest()
    {
        processor.addListener (&hostLog);
        processor.getInner().addListener (&innerLog);
    }

    ~FormatProcessorTest() override
    {
        editor = nullptr;
        processor.getInner().removeListener (&innerLog);
    }

    MyTestAudioProcessorEditor& openEditor()
    {
        editor.reset (processor.createEditorIfNeeded());
        return dynamic_cast<VelkFormatEditor&> (*editor).getInnerEditor();
    }

    VelkFormatProcessor processor;
    HostLog hostLog, innerLog;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
};
} // namespace

TEST_F (FormatProcessorTest, HostWritesReachTheEngineAndMoveTheEditorWithoutWritingBack)
{
    auto& innerEditor = openEditor();

    // A host sets Ratio to "8:1" and Input to 0.25, as automation does (no gesture).
    processor.getFormatParameter (velk::ratioParameter).setValue (0.6f);
    processor.getFormatParameter (velk::inputParameter).setValue (0.25f);
    EXPECT_EQ (processor.getInner().getParameter (velk::ratioParameter), 4.0f);
    EXPECT_EQ (processor.getInner().getParameter (velk::inputParameter), 0.25f);

    pumpMessages (200);
    EXPECT_EQ (innerEditor.getKnob (velk::ratioParameter)->getValue(), 4.0);
    EXPECT_NEAR (innerEditor.getKnob (velk::inputParameter)->getValue(), 0.25, 1e-6); // snapped to the knob's steps
    EXPECT_TRUE (innerLog.events.isEmpty()) << innerLog.events.joinIntoString (", ");
}

TEST_F (FormatProcessorTest, EditorMovesReachTheHostAsGestures)
{
    auto& innerEditor = openEditor();

    // A drag of the Filter switch to "HP".
    auto* knob = innerEditor.getKnob (velk::filterParameter);
    innerEditor.sliderDragStarted (knob);
    knob->setValue (2.0, juce::sendNotificationSync);
    innerEditor.sliderDragEnded (knob);

    const juce::StringArray expected { "begin 6", "set 6 " + juce::String (2.0f / 3.0f), "end 6" };
    EXPECT_EQ (hostLog.events, expected) << hostLog.events.joinIntoString (", ");
    EXPECT_EQ (processor.getInner().getParameter (velk::filterParameter), 2.0f);
    EXPECT_FLOAT_EQ (processor.getFormatParameter (velk::filterParameter).getValue(), 2.0f / 3.0f);
}

TEST_F (FormatProcessorTest, RestoredRawValuesAreShownNotChanged)
{
    openEditor();
    processor.getFormatParameter (velk::sidechainParameter).setValueNotifyingHost (1.0f);

    const auto block = stateWith ({ { velk::ratioParameter, 0.0f }, { velk::distortionParameter, 2.9f }, { velk::inputParameter, 1.5f } });
    processor.setStateInformation (block.getData(), (int) block.getSize());
    pumpMessages (200);

    // The host is told the nearest positions, and the clamped continuous value...
    EXPECT_FLOAT_EQ (processor.getFormatParameter (velk::ratioParameter).getValue(), 0.0f);
    EXPECT_FLOAT_EQ (processor.getFormatParameter (velk::distortionParameter).getValue(), 0.5f);
    EXPECT_FLOAT_EQ (processor.getFormatParameter (velk::inputParameter).getValue(), 1.0f);
    EXPECT_FALSE (processor.usesExternalKey()) << "a state without the formats' values restores Sidechain Internal";
    EXPECT_TRUE (hostLog.events.contains ("set 5 0.5")) << hostLog.events.joinIntoString (", ");

    // ... while the engine keeps the stored values, the editor showing them included.
    EXPECT_EQ (processor.getInner().getParameter (velk::ratioParameter), 0.0f);
    EXPECT_EQ (processor.getInner().getParameter (velk::distortionParameter), 2.9f);
    EXPECT_EQ (processor.getInner().getParameter (velk::inputParameter), 1.5f);
    juce::MemoryBlock saved;
    processor.getStateInformation (saved);
    ASSERT_GT (saved.getSize(), block.getSize()) << "the formats' values follow the block";
    EXPECT_EQ (juce::MemoryBlock (saved.getData(), block.getSize()), block);

    // A damaged trailer (cut short, a length beyond the data, text that is not UTF-8) restores
    // the block and Sidechain Internal.
    processor.getFormatParameter (velk::sidechainParameter).setValueNotifyingHost (1.0f);
    juce::MemoryBlock withSidechain;
    processor.getStateInformation (withSidechain);
    for (const int damage : { 0, 1, 2 })
    {
        auto damaged = withSidechain;
        auto* trailer = static_cast<char*> (damaged.getData()) + block.getSize();
        if (damage == 0)
            damaged.setSize (block.getSize() + 12);
        else if (damage == 1)
            trailer[5] = 0x7f;
        else
            trailer[10] = (char) 0xf8;
        processor.getFormatParameter (velk::sidechainParameter).setValueNotifyingHost (1.0f);
        processor.setStateInformation (damaged.getData(), (int) damaged.getSize());
        EXPECT_FALSE (processor.usesExternalKey()) << damage;
        EXPECT_EQ (processor.getInner().getParameter (velk::distortionParameter), 2.9f) << damage;
    }
    processor.setStateInformation (withSidechain.getData(), (int) withSidechain.getSize());
    EXPECT_TRUE (processor.usesExternalKey());
}

TEST_F (FormatProcessorTest, AnEditorOpenedAfterARestoreShowsThePositionsTheEngineRuns)
{
    const auto block = stateWith ({ { velk::distortionParameter, 2.9f }, { velk::ratioParameter, 9.0f } });
    processor.setStateInformation (block.getData(), (int) block.getSize());

    auto& innerEditor = openEditor();
    pumpMessages (200);

    EXPECT_EQ (innerEditor.getKnob (velk::distortionParameter)->getValue(), 2.0); // "Hot", not "Blend"
    EXPECT_EQ (innerEditor.getKnob (velk::ratioParameter)->getValue(), 6.0);
    EXPECT_TRUE (innerLog.events.isEmpty()) << innerLog.events.joinIntoString (", ");
    EXPECT_EQ (processor.getInner().getParameter (velk::distortionParameter), 2.9f);
}

TEST_F (FormatProcessorTest, ClosingTheEditorDuringADragEndsTheGesture)
{
    auto& innerEditor = openEditor();

    innerEditor.sliderDragStarted (innerEditor.getKnob (velk::outputParameter));
    editor = nullptr;

    EXPECT_EQ (hostLog.events, juce::StringArray ({ "begin 3", "end 3" }));
}

TEST_F (FormatProcessorTest, ParameterTextsAndTheirInverse)
{
    auto& ratio = processor.getFormatParameter (velk::ratioParameter);
    auto& release = processor.getFormatParameter (velk::releaseParameter);
    auto& attack = processor.getFormatParameter (velk::attackParameter);

    EXPECT_EQ (ratio.getAllValueStrings(), juce::StringArray ({ "1:1", "2:1", "4:1", "8:1", "20:1", "Limit" }));
    EXPECT_FLOAT_EQ (ratio.getValueForText ("limit"), 1.0f);
    EXPECT_FLOAT_EQ (ratio.getValueForText ("4:1"), 0.4f);
    EXPECT_EQ (ratio.getText (0.39f, 0), "4:1"); // snapped to the nearest position
    EXPECT_FLOAT_EQ (ratio.getValueForText ("2"), 0.2f); // a ratio typed as a number
    EXPECT_FLOAT_EQ (ratio.getValueForText ("20"), 0.8f);
    EXPECT_FLOAT_EQ (ratio.getValueForText ("lim"), 1.0f);
    EXPECT_FLOAT_EQ (processor.getFormatParameter (velk::filterParameter).getValueForText ("sc bell"), 1.0f);

    EXPECT_EQ (release.getText (0.5f, 0), "   2 sec");
    EXPECT_FLOAT_EQ (release.getValueForText ("300 ms"), 0.1f);
    EXPECT_FLOAT_EQ (release.getValueForText ("1.5 sec"), 0.5f);
    EXPECT_FLOAT_EQ (attack.getValueForText ("150.00 ms"), 0.5f);
    EXPECT_FLOAT_EQ (ratio.getValueForText ("9"), 1.0f); // no caption: the number, held to the range
    EXPECT_FLOAT_EQ (processor.getFormatParameter (velk::distortionParameter).getValueForText ("dr"), 1.0f);
    EXPECT_FLOAT_EQ (processor.getFormatParameter (velk::filterParameter).getValueForText ("sc"), 1.0f / 3.0f);

    // The leading number, whatever the locale: one sign; nothing, infinity and not-a-number are +0.
    auto& input = processor.getFormatParameter (velk::inputParameter);
    for (const auto& [text, value] : { std::pair { " 0.25", 0.25f }, { "0.5abc", 0.5f }, { "+.75", 0.75f }, { "7e-1", 0.7f }, { "--5", 0.0f }, { "-", 0.0f }, { "-0", 0.0f }, { "nan", 0.0f }, { "1e39", 0.0f } })
    {
        EXPECT_FLOAT_EQ (input.getValueForText (text), value) << text;
        EXPECT_FALSE (std::signbit (input.getValueForText (text))) << text;
    }

    // Values a host should never send are held to the range.
    ratio.setValue (std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ (processor.getInner().getParameter (velk::ratioParameter), 1.0f);
    attack.setValue (7.0f);
    EXPECT_EQ (processor.getInner().getParameter (velk::attackParameter), 1.0f);
}

TEST_F (FormatProcessorTest, ReportsNoLatencyNoTailAndMonoOrStereo)
{
    EXPECT_EQ (processor.getLatencySamples(), 0);
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);

    // The main buses mono or stereo, the same both ways; the key off, mono or stereo.
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::mono());
    layout.inputBuses.add (juce::AudioChannelSet::disabled());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    EXPECT_FALSE (processor.checkBusesLayoutSupported (layout));
    layout.outputBuses.getReference (0) = juce::AudioChannelSet::mono();
    EXPECT_TRUE (processor.checkBusesLayoutSupported (layout));
    for (const auto& key : { juce::AudioChannelSet::mono(), juce::AudioChannelSet::stereo(), juce::AudioChannelSet::quadraphonic() })
    {
        layout.inputBuses.getReference (1) = key;
        EXPECT_EQ (processor.checkBusesLayoutSupported (layout), key.size() <= 2) << key.getDescription();
    }

    // The standalone app's main input has the key on its third and fourth channels.
    // The app's player asks for as many channels as the device has open.
    VelkFormatProcessor standalone (juce::AudioProcessor::wrapperType_Standalone);
    EXPECT_EQ (standalone.getMainBusNumInputChannels(), 4);
    const juce::AudioProcessor::BusesLayout withKey { { juce::AudioChannelSet::discreteChannels (4), juce::AudioChannelSet::disabled() },
                                                      { juce::AudioChannelSet::stereo() } };
    EXPECT_FALSE (processor.checkBusesLayoutSupported (withKey));
    for (const int deviceInputs : { 2, 4 })
    {
        standalone.setPlayConfigDetails (deviceInputs, 2, 48000.0, 256);
        EXPECT_EQ (standalone.getMainBusNumInputChannels(), deviceInputs);
    }
    standalone.prepareToPlay (48000.0, 256);
    standalone.getFormatParameter (velk::sidechainParameter).setValue (1.0f);
    standalone.getFormatParameter (velk::ratioParameter).setValue (1.0f); // Limit
    standalone.getFormatParameter (velk::attackParameter).setValue (0.01f);
    juce::AudioBuffer<float> buffer (4, 256);
    buffer.clear();
    for (int i = 0; i < 256; ++i)
        buffer.setSample (2 + i % 2, i, 0.9f); // a loud key, silent audio
    juce::MidiBuffer midi;
    standalone.processBlock (buffer, midi);
    EXPECT_LT (standalone.getInner().getEngine().takeSmallestGain(), 0.5f);
}

TEST_F (FormatProcessorTest, EachPresetSoundsTheSameAfterAnyOtherAndTellsTheHostWhatChanged)
{
    // What decides a preset's sound once it is chosen after another (with audio before and
    // after): every value, and the calibration Limit would otherwise inherit.
    const auto chosenAfter = [] (int before, int preset, double laterRate)
    {
        VelkFormatProcessor format;
        format.prepareToPlay (48000.0, 64);
        juce::AudioBuffer<float> buffer (2, 64);
        const auto play = [&]
        {
            for (int channel = 0; channel < 2; ++channel)
                for (int i = 0; i < 64; ++i)
                    buffer.setSample (channel, i, 0.8f * std::sin (0.05f * (float) (i + 7 * channel)));
            juce::MidiBuffer midi;
            format.processBlock (buffer, midi);
        };
        format.setCurrentProgram (before);
        play();
        format.setCurrentProgram (preset);
        play();
        const auto& engine = format.getInner().getEngine();
        // (At 1:1 the threshold does nothing, and stays where it was.)
        const auto threshold = [&]
        { return engine.ratio.load() > 1 ? engine.thresholdDb : 0.0f; };
        std::vector<float> result { engine.kneeDb.load(), threshold(), engine.makeupGain, (float) engine.limiter.load() };

        format.prepareToPlay (laterRate, 64); // a new rate sets the engine up afresh
        play();
        for (const float value : { engine.kneeDb.load(), threshold(), engine.makeupGain, (float) engine.limiter.load(),
                                   (float) format.getCurrentProgram() })
            result.push_back (value);
        for (int index = 0; index < velk::numFormatParameters; ++index)
            result.push_back (format.getFormatParameter (index).getValue());
        return result;
    };

    for (int preset = 0; preset < velk::numFactoryPresets; ++preset)
    {
        const auto& values = velk::factoryPresets[preset].values;
        const auto fresh = chosenAfter (0, preset, 48000.0);
        for (int index = 0; index < velk::numFormatParameters; ++index)
            EXPECT_EQ (fresh[9 + (size_t) index], processor.getFormatParameter (index).normalizedFor (values[index])) << preset << " " << index;
        for (int before = 0; before < velk::numFactoryPresets; ++before)
            EXPECT_EQ (chosenAfter (before, preset, 44100.0), fresh) << velk::factoryPresets[before].name << " then " << velk::factoryPresets[preset].name;
    }

    // The limiter reaches Limit from 20:1: no knee, 20:1's make-up for its Input (0.5).
    const int limiter = 5;
    ASSERT_EQ (velk::factoryPresets[limiter].values[velk::ratioParameter], velk::limitPosition);
    const auto limited = chosenAfter (4, limiter, 44100.0); // after the 17 dB knee of 8:1
    EXPECT_EQ (std::vector<float> (limited.begin(), limited.begin() + 4), (std::vector<float> { 0.0f, -18.34f, 2.706f, 1.0f }));

    // A project saved with it, Input raised since, reopens with the make-up it had (a fresh
    // engine's would be 1).
    processor.setCurrentProgram (limiter);
    processor.getFormatParameter (velk::inputParameter).setValue (0.8f);
    EXPECT_EQ (processor.getInner().getEngine().makeupGain, 4.0f);
    juce::MemoryBlock saved;
    processor.getStateInformation (saved);
    VelkFormatProcessor reopened;
    reopened.setStateInformation (saved.getData(), (int) saved.getSize());
    EXPECT_EQ (reopened.getInner().getEngine().makeupGain, 4.0f);
    EXPECT_EQ (reopened.getInner().getEngine().kneeDb.load(), 0.0f);

    // The host hears of the values that changed, each as a gesture, then of the program, and of
    // nothing else; the open editor shows them. (Off this thread the VST3 build tells the host
    // itself: see the VST3 state case.)
    auto& innerEditor = openEditor();
    processor.setCurrentProgram (0);
    hostLog.events.clear();
    processor.setCurrentProgram (9); // Rumble Removal: the defaults but Filter HP and Output 0.5
    pumpMessages (200);
    EXPECT_EQ (hostLog.events.joinIntoString (", "), "begin 3, set 3 0.5, end 3, begin 6, set 6 0.666667, end 6, program");
    EXPECT_EQ (innerEditor.getKnob (velk::filterParameter)->getValue(), 2.0);
    EXPECT_TRUE (innerLog.events.isEmpty()) << innerLog.events.joinIntoString (", ");
}

// Run again under the thread checker: a host writing values on its own thread while the audio
// thread processes and the editor follows on the message thread.
TEST (Threading, FormatParametersFromAHostThreadWhileAudioRunsAndTheEditorFollows)
{
    VelkFormatProcessor processor;
    processor.prepareToPlay (48000.0, 256);
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());

    std::atomic<bool> running { true };
    std::thread host ([&]
                      {
                          std::mt19937 random (7);
                          std::uniform_real_distribution<float> unit (0.0f, 1.0f);
                          while (running.load())
                              for (int index = 0; index < velk::numParameters; ++index)
                                  processor.getFormatParameter (index).setValue (unit (random)); });

    std::atomic<bool> finite { true };
    std::thread audio ([&]
                       {
                           juce::AudioBuffer<float> buffer (2, 256);
                           juce::MidiBuffer midi;
                           std::mt19937 random (8);
                           std::uniform_real_distribution<float> noise (-0.5f, 0.5f);
                           for (int block = 0; block < 400; ++block)
                           {
                               for (int channel = 0; channel < 2; ++channel)
                                   for (int i = 0; i < 256; ++i)
                                       buffer.setSample (channel, i, noise (random));
                               processor.processBlock (buffer, midi);
                               for (int channel = 0; channel < 2; ++channel)
                                   for (int i = 0; i < 256; ++i)
                                       if (! std::isfinite (buffer.getSample (channel, i)))
                                           finite = false;
                           } });

    audio.join();
    running = false;
    host.join();
    pumpMessages (100);
    EXPECT_TRUE (finite.load());

    // The last values written are the ones the engine has.
    processor.getFormatParameter (velk::ratioParameter).setValue (0.4f);
    processor.getFormatParameter (velk::attackParameter).setValue (0.25f);
    EXPECT_EQ (processor.getInner().getParameter (velk::ratioParameter), 3.0f);
    EXPECT_EQ (processor.getInner().getParameter (velk::attackParameter), 0.25f);
    editor = nullptr;
    processor.releaseResources();
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
