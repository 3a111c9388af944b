// The VST3 build as hosts load it: what they report, the switches' positions, the
// state they save and restore (across formats, the VST 2.4 module's included) and their audio,
// bit for bit against the engine.

#include "EngineMirror.h"
#include "FactoryPresetTable.h"
#include "FloatBits.h"
#include "FormatHost.h"
#include "VstHost.h"
#include "WrappedState.h"

#include <cstring>

using namespace formathost;

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 512;

// The parameter numbers VST3 hosts store in projects and automation, derived from the string
// identifiers: they must never change.
const char* const vst3Numbers[velk::numFormatParameters] = { "100358090", "740224584", "1090594823", "1141971201", "108285963",
                                                             "589459613", "872991608", "1356185701", "3292", "302364618" };

juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& instance, const char* name)
{
    for (auto* parameter : instance.getParameters())
        if (parameter->getName (100) == name)
            return parameter;
    ADD_FAILURE() << "no parameter named " << name;
    return nullptr;
}

/** The normalized value of a switch's position. */
float positionValue (int index, int position)
{
    return (float) position / (float) (velk::formatParameterInfo (index)->numPositions - 1);
}

/** A setting as normalized values for the formats and as raw values for the engine. */
struct Setting
{
    const char* label;
    std::vector<std::pair<int, float>> normalized;

    float rawValue (int index, float normalizedValue) const
    {
        const auto& info = velk::parameterInfo (index);
        return info.isSwitch() ? (float) (info.firstPosition + juce::roundToInt (normalizedValue * (float) (info.numPositions - 1)))
                               : normalizedValue;
    }
};

/** Sets the values as a host does; they reach the processor with the next block. */
void apply (juce::AudioPluginInstance& instance, const Setting& setting)
{
    for (const auto& [index, value] : setting.normalized)
        if (auto* parameter = findParameter (instance, velk::parameterInfo (index).name))
            parameter->setValueNotifyingHost (value);
}

/** Noise with bursts, a different seed per channel. */
std::vector<float> programme (int numFrames, unsigned seed)
{
    juce::Random random ((juce::int64) seed);
    std::vector<float> samples ((size_t) numFrames);
    for (int i = 0; i < numFrames; ++i)
    {
        const bool burst = (i / 4800) % 3 == 1;
        samples[(size_t) i] = (random.nextFloat() * 2.0f - 1.0f) * (burst ? 0.9f : 0.1f);
    }
    return samples;
}

/** Renders through the instance in blocks: one block of silence at the values it has, then the
    setting, which the first block of input carries. */
std::vector<std::vector<float>> render (juce::AudioPluginInstance& instance, const std::vector<std::vector<float>>& input,
                                        const Setting& setting = {})
{
    const int numChannels = (int) input.size(), numFrames = (int) input[0].size();
    juce::AudioBuffer<float> buffer (numChannels, blockSize);
    juce::MidiBuffer midi;

    buffer.clear();
    instance.processBlock (buffer, midi);
    apply (instance, setting);

    auto output = input;
    for (int start = 0; start < numFrames; start += blockSize)
    {
        const int length = std::min (blockSize, numFrames - start);
        juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), numChannels, length);
        for (int channel = 0; channel < numChannels; ++channel)
            block.copyFrom (channel, 0, input[(size_t) channel].data() + start, length);
        instance.processBlock (block, midi);
        for (int channel = 0; channel < numChannels; ++channel)
            std::memcpy (output[(size_t) channel].data() + start, block.getReadPointer (channel), sizeof (float) * (size_t) length);
    }
    return output;
}

/** The same through the engine: a block of silence at the defaults, then the setting. The order
    matters: Limit keeps the knee width of the preset the engine had before. */
std::vector<std::vector<float>> renderEngine (const Setting& setting, const std::vector<std::vector<float>>& input,
                                              const std::vector<std::vector<float>>& key = {})
{
    EngineMirror mirror ((float) rate);
    mirror.run (EngineMirror::Channels (input.size(), std::vector<float> (blockSize)));

    for (const auto& [index, value] : setting.normalized)
        mirror.set (index, setting.rawValue (index, value));

    // A mono key feeds both sides.
    return mirror.run (input, key.empty() ? nullptr : &key);
}

/** A short silent block through the instance, which takes in what the host has set. */
void runSilentBlock (juce::AudioPluginInstance& instance) { render (instance, { std::vector<float> (64), std::vector<float> (64) }); }

void expectIdentical (const std::vector<std::vector<float>>& expected, const std::vector<std::vector<float>>& actual, const std::string& what)
{
    for (size_t channel = 0; channel < expected.size(); ++channel)
        for (size_t i = 0; i < expected[channel].size(); ++i)
            if (bitsOf (expected[channel][i]) != bitsOf (actual[channel][i]))
            {
                ADD_FAILURE() << what << ": channel " << channel << " differs first at frame " << i << ": "
                              << expected[channel][i] << " expected, " << actual[channel][i] << " given";
                return;
            }
}

/** The saved value of a parameter inside a state block, as text. */
juce::String savedText (const juce::MemoryBlock& block, int index)
{
    const auto xml = wrappedstate::parse (block.getData(), (int) block.getSize());
    if (xml == nullptr)
        return "(no state)";
    auto* element = xml->getChildByName (velk::parameterInfo (index).savedName);
    return element != nullptr ? element->getAllSubText() : juce::String ("(missing)");
}

/** Puts a processor state block into the host-side state, in place of the one there. */
juce::MemoryBlock withInnerState (juce::AudioPluginInstance& instance, const juce::MemoryBlock& block)
{
    juce::MemoryBlock hostState;
    instance.getStateInformation (hostState);

    // The component's state is the block followed by the wrapper's own trailer, which stays.
    auto xml = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());
    auto* component = xml->getChildByName ("IComponent");
    const auto previous = vst3ComponentState (hostState);
    const auto previousBlock = leadingStateBlock (previous);
    juce::MemoryBlock replaced (block);
    replaced.append (static_cast<const char*> (previous.getData()) + previousBlock.getSize(), previous.getSize() - previousBlock.getSize());
    component->deleteAllTextElements();
    component->addTextElement (replaced.toBase64Encoding());

    juce::MemoryBlock result;
    juce::AudioProcessor::copyXmlToBinary (*xml, result);
    return result;
}

juce::MemoryBlock toBlock (const std::vector<char>& bytes) { return juce::MemoryBlock (bytes.data(), bytes.size()); }
} // namespace

//==============================================================================
TEST (Vst3Bundle, ReportsNameLatencyTailTheParametersAndTheKeyBus)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);

    EXPECT_EQ (instance->getName(), "VELK");
    EXPECT_EQ (instance->getLatencySamples(), 0);
    EXPECT_EQ (instance->getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (instance->acceptsMidi());

    // Ten parameters, beside the host's bypass and, in VST3, the factory presets' program.
    int count = 0;
    for (auto* parameter : instance->getParameters())
        if (parameter != instance->getBypassParameter() && parameter->getName (64) != "Program")
            ++count;
    EXPECT_EQ (count, velk::numFormatParameters);

    // The key input: a second input bus, off until a host routes a key to it.
    ASSERT_EQ (instance->getBusCount (true), 2);
    EXPECT_EQ (instance->getBus (true, 1)->getName(), "Sidechain");
    EXPECT_FALSE (instance->getBus (true, 1)->isEnabled());

    for (int index = 0; index < velk::numFormatParameters; ++index)
    {
        const auto& info = *velk::formatParameterInfo (index);
        auto* parameter = findParameter (*instance, info.name);
        ASSERT_NE (parameter, nullptr);
        const auto id = dynamic_cast<juce::HostedAudioProcessorParameter*> (parameter)->getParameterID();

        // Identifiers: VST3 hosts store a number derived from the string identifier.
        EXPECT_EQ (id, vst3Numbers[info.index]) << info.name;

        EXPECT_FLOAT_EQ (parameter->getDefaultValue(), info.isSwitch() ? positionValue (info.index, (int) info.defaultValue - info.firstPosition) : info.defaultValue)
            << info.name;

        if (info.isSwitch())
        {
            EXPECT_EQ (parameter->getNumSteps(), info.numPositions) << info.name;
            for (int position = 0; position < info.numPositions; ++position)
                EXPECT_EQ (parameter->getText (positionValue (info.index, position), 100), info.captions[position]) << info.name;
        }
    }

    // The continuous parameters show the processor's texts.
    EXPECT_EQ (findParameter (*instance, "Input")->getText (0.25f, 100), "0.250");
    EXPECT_EQ (findParameter (*instance, "Attack")->getText (0.5f, 100), "150.00 ms");
    EXPECT_EQ (findParameter (*instance, "Release")->getText (0.1f, 100), " 300 ms");
    EXPECT_EQ (findParameter (*instance, "Release")->getText (0.5f, 100), "   2 sec");
}

TEST (Vst3Bundle, EverySwitchPositionReachesTheEngineAsItsRawValue)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (rate, blockSize);

    for (int index : { (int) velk::ratioParameter, (int) velk::distortionParameter, (int) velk::filterParameter })
    {
        const auto& info = velk::parameterInfo (index);
        for (int position = 0; position < info.numPositions; ++position)
        {
            apply (*instance, { "", { { index, positionValue (index, position) } } });
            runSilentBlock (*instance);
            EXPECT_EQ (savedText (innerState (*instance), index), juce::String (info.firstPosition + position))
                << info.name << " position " << position;
        }
    }
    instance->releaseResources();
}

TEST (Vst3Bundle, AudioIsTheEnginesBitForBit)
{
    const std::vector<Setting> settings = {
        { "defaults", {} },
        { "ratio 1:1", { { 4, positionValue (4, 0) }, { 0, 0.7f }, { 1, 0.5f }, { 2, 0.2f } } },
        { "ratio 2:1", { { 4, positionValue (4, 1) }, { 0, 0.7f }, { 1, 0.5f }, { 2, 0.2f } } },
        { "ratio 4:1", { { 4, positionValue (4, 2) }, { 0, 0.7f }, { 1, 0.5f }, { 2, 0.2f } } },
        { "ratio 8:1", { { 4, positionValue (4, 3) }, { 0, 0.7f }, { 1, 0.5f }, { 2, 0.2f } } },
        { "ratio 20:1", { { 4, positionValue (4, 4) }, { 0, 0.7f }, { 1, 0.5f }, { 2, 0.2f } } },
        { "limit", { { 4, positionValue (4, 5) }, { 0, 0.7f }, { 1, 0.5f }, { 2, 0.2f } } },
        { "blend, side-chain high-pass", { { 4, positionValue (4, 2) }, { 5, positionValue (5, 3) }, { 6, positionValue (6, 1) }, { 3, 0.8f } } },
        { "drive, audio high-pass", { { 4, positionValue (4, 3) }, { 5, positionValue (5, 4) }, { 6, positionValue (6, 2) }, { 0, 0.9f } } },
        { "warm, bell", { { 4, positionValue (4, 1) }, { 5, positionValue (5, 1) }, { 6, positionValue (6, 3) }, { 1, 0.05f } } },
    };

    const std::vector<std::vector<float>> input = { programme (24000, 1), programme (24000, 2) };
    for (const auto& setting : settings)
    {
        auto instance = load();
        ASSERT_NE (instance, nullptr);
        instance->prepareToPlay (rate, blockSize);
        expectIdentical (renderEngine (setting, input), render (*instance, input, setting), setting.label);
        instance->releaseResources();
    }
}

TEST (Vst3Bundle, SavedStateHoldsTheModulesChunkAndRestoresInEveryFormat)
{
    // A setting made in the VST3 build...
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (rate, blockSize);
    const Setting setting { "", { { 0, 0.3f }, { 1, 0.123f }, { 2, 0.75f }, { 3, 0.6f }, { 4, positionValue (4, 3) }, { 5, positionValue (5, 2) }, { 6, positionValue (6, 3) }, { 7, 0.25f } } };
    apply (*instance, setting);
    runSilentBlock (*instance);
    const auto block = innerState (*instance);
    ASSERT_GT (block.getSize(), (size_t) wrappedstate::overhead);

    // ... holds, byte for byte, the chunk the VST 2.4 module saves for the same values...
    VstHost module (VELK_MODULE_PATH);
    for (const auto& [index, value] : setting.normalized)
        module.setParameter (index, setting.rawValue (index, value));
    const auto chunk = toBlock (module.getChunk());
    EXPECT_EQ (block, chunk);

    // ... restores there...
    VstHost other (VELK_MODULE_PATH);
    other.setChunk (std::vector<char> (static_cast<const char*> (block.getData()), static_cast<const char*> (block.getData()) + block.getSize()));
    EXPECT_EQ (toBlock (other.getChunk()), chunk);

    // ... and in a fresh VST3 instance.
    auto restored = load();
    ASSERT_NE (restored, nullptr);
    restored->prepareToPlay (rate, blockSize);
    const auto state = withInnerState (*restored, block);
    restored->setStateInformation (state.getData(), (int) state.getSize());
    runSilentBlock (*restored);
    pumpMessages (100);
    EXPECT_EQ (innerState (*restored), chunk);
    for (const auto& [index, value] : setting.normalized)
        EXPECT_FLOAT_EQ (findParameter (*restored, velk::parameterInfo (index).name)->getValue(), value) << index;
    restored->releaseResources();
    instance->releaseResources();
}

TEST (Vst3Bundle, RawValuesThatAreNoPositionStayUntilTheControlMoves)
{
    // A VST 2.4 project can hold Ratio 9, Distortion 2.9 and Filter -1.
    VstHost module (VELK_MODULE_PATH);
    module.setParameter (velk::ratioParameter, 9.0f);
    module.setParameter (velk::distortionParameter, 2.9f);
    module.setParameter (velk::filterParameter, -1.0f);
    const auto chunk = toBlock (module.getChunk());

    auto instance = load();
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (rate, blockSize);
    const auto state = withInnerState (*instance, chunk);
    instance->setStateInformation (state.getData(), (int) state.getSize());
    runSilentBlock (*instance);
    pumpMessages (100);

    // The host shows the nearest positions; the engine keeps what was stored.
    EXPECT_FLOAT_EQ (findParameter (*instance, "Ratio")->getValue(), 1.0f);
    EXPECT_FLOAT_EQ (findParameter (*instance, "Distortion")->getValue(), positionValue (velk::distortionParameter, 2));
    EXPECT_FLOAT_EQ (findParameter (*instance, "Filter")->getValue(), 0.0f);
    EXPECT_EQ (innerState (*instance), chunk);

    // Moving one control writes that one only.
    findParameter (*instance, "Distortion")->setValueNotifyingHost (positionValue (velk::distortionParameter, 1));
    runSilentBlock (*instance);
    const auto after = innerState (*instance);
    EXPECT_EQ (savedText (after, velk::distortionParameter), "1");
    EXPECT_EQ (savedText (after, velk::ratioParameter), "9");
    EXPECT_EQ (savedText (after, velk::filterParameter), "-1");
    instance->releaseResources();
}

//==============================================================================
TEST (Vst3Format, MonoInMonoOutIsTheEnginesMonoPath)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);

    juce::AudioProcessor::BusesLayout mono;
    mono.inputBuses.add (juce::AudioChannelSet::mono());
    mono.inputBuses.add (juce::AudioChannelSet::disabled());
    mono.outputBuses.add (juce::AudioChannelSet::mono());
    ASSERT_TRUE (instance->setBusesLayout (mono));

    juce::AudioProcessor::BusesLayout surround;
    surround.inputBuses.add (juce::AudioChannelSet::create5point1());
    surround.inputBuses.add (juce::AudioChannelSet::disabled());
    surround.outputBuses.add (juce::AudioChannelSet::create5point1());
    EXPECT_FALSE (instance->checkBusesLayoutSupported (surround));

    const Setting setting { "mono", { { 4, positionValue (4, 2) }, { 0, 0.7f } } };
    instance->prepareToPlay (rate, blockSize);
    const std::vector<std::vector<float>> input = { programme (12000, 3) };
    expectIdentical (renderEngine (setting, input), render (*instance, input, setting), "VST3 mono");
    instance->releaseResources();
}

TEST (Vst3Format, TheHostsBypassPassesAudioThrough)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    auto* bypass = instance->getBypassParameter();
    ASSERT_NE (bypass, nullptr);

    instance->prepareToPlay (rate, blockSize);
    apply (*instance, { "", { { 4, positionValue (4, 5) }, { 0, 1.0f } } });
    bypass->setValueNotifyingHost (1.0f);
    const std::vector<std::vector<float>> input = { programme (4096, 4), programme (4096, 5) };
    expectIdentical (input, render (*instance, input), "VST3 bypassed");
    instance->releaseResources();
}

TEST (Vst3Format, TheKeyBusDrivesTheCompressorAndTheStateKeepsTheProgramGcAndSidechain)
{
    const Setting setting { "keyed", { { 4, positionValue (4, 2) }, { 0, 0.9f }, { 1, 0.2f }, { 6, positionValue (6, 1) } } };
    const std::vector<std::vector<float>> audio = { programme (12000, 5), programme (12000, 6) };
    const std::vector<std::vector<float>> key = { programme (12000, 7), programme (12000, 8) }, silence (2, std::vector<float> (12000));

    // External with the key bus off: the compressor hears silence.
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (rate, blockSize);
    findParameter (*instance, "Sidechain")->setValueNotifyingHost (1.0f);
    expectIdentical (renderEngine (setting, audio, silence), render (*instance, audio, setting), "External, no key");

    // The bus on, stereo or mono: the key drives the compressor.
    for (const auto& keySet : { juce::AudioChannelSet::stereo(), juce::AudioChannelSet::mono() })
    {
        auto keyed = load();
        ASSERT_NE (keyed, nullptr);
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (juce::AudioChannelSet::stereo());
        layout.inputBuses.add (keySet);
        layout.outputBuses.add (juce::AudioChannelSet::stereo());
        ASSERT_TRUE (keyed->setBusesLayout (layout));
        keyed->prepareToPlay (rate, blockSize);
        findParameter (*keyed, "Sidechain")->setValueNotifyingHost (1.0f);
        auto input = audio;
        const std::vector<std::vector<float>> keyChannels (key.begin(), key.begin() + keySet.size());
        input.insert (input.end(), keyChannels.begin(), keyChannels.end());
        auto output = render (*keyed, input, setting);
        output.resize (2);
        expectIdentical (renderEngine (setting, audio, keyChannels), output, "key " + keySet.getDescription().toStdString());
        keyed->releaseResources();
    }

    // A program's values reach the host before the call returns, on the host's own thread (no
    // editor is open, so the plug-in's framework counts another thread as its message thread),
    // each under the number the host knows it by (every value differs from the preset's first),
    // and nothing reaches the host once the call has returned. The same for a restore.
    struct Changes : juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override { ++count; }
        int count = 0;
    };
    const auto expectNothingLate = [] (juce::AudioPluginInstance& plugin, auto&& action, const char* what)
    {
        Changes changes;
        plugin.addListener (&changes);
        action();
        const int toldAtOnce = changes.count;
        pumpMessages (200);
        EXPECT_EQ (changes.count, toldAtOnce) << "a change reached the host after " << what << " returned";
        plugin.removeListener (&changes);
    };
    const auto hostValues = [] (juce::AudioPluginInstance& plugin)
    {
        std::vector<float> values;
        for (auto* parameter : plugin.getParameters())
            values.push_back (parameter->getValue());
        return values;
    };
    const auto presetValue = [] (int preset, int index)
    {
        const auto& info = *velk::formatParameterInfo (index);
        const float value = velk::factoryPresets[preset].values[index];
        return info.isSwitch() ? positionValue (index, (int) value - info.firstPosition) : value;
    };
    const int limiter = 5;
    EXPECT_EQ (instance->getProgramName (limiter), velk::factoryPresets[limiter].name);
    for (int index = 0; index < velk::numFormatParameters; ++index)
        findParameter (*instance, velk::formatParameterInfo (index)->name)->setValueNotifyingHost (0.7f);
    expectNothingLate (
        *instance, [&]
        { instance->setCurrentProgram (limiter); },
        "a program change");
    for (int index = 0; index < velk::numFormatParameters; ++index)
        EXPECT_FLOAT_EQ (findParameter (*instance, velk::formatParameterInfo (index)->name)->getValue(), presetValue (limiter, index)) << index;

    // Gc and Sidechain come back after a save and a restore, after the module's own block.
    runSilentBlock (*instance);
    pumpMessages (100);
    findParameter (*instance, "Gc")->setValueNotifyingHost (0.2f);
    findParameter (*instance, "Sidechain")->setValueNotifyingHost (1.0f);
    runSilentBlock (*instance);
    juce::MemoryBlock state;
    instance->getStateInformation (state);
    const auto savedValues = hostValues (*instance);
    auto restored = load();
    ASSERT_NE (restored, nullptr);
    restored->setStateInformation (state.getData(), (int) state.getSize());
    pumpMessages (100);
    for (int index = 0; index < velk::numFormatParameters; ++index)
    {
        const auto& info = *velk::formatParameterInfo (index);
        EXPECT_FLOAT_EQ (findParameter (*restored, info.name)->getValue(),
                         index == velk::gcParameter ? 0.2f : index == velk::sidechainParameter ? 1.0f
                                                                                               : presetValue (limiter, index))
            << info.name;
    }

    // Fuzzed values (the program among them) and another program, then a restore: every saved
    // value comes back, in the host's view and in the plug-in's, and stays after the next block
    // (nothing queued before the restore is sent back over it).
    juce::Random random (27);
    for (auto* parameter : instance->getParameters())
        if (parameter != instance->getBypassParameter())
            parameter->setValue (random.nextFloat());
    pumpMessages (100);
    instance->setCurrentProgram (2);
    expectNothingLate (
        *instance, [&]
        { instance->setStateInformation (state.getData(), (int) state.getSize()); },
        "a restore");
    EXPECT_EQ (hostValues (*instance), savedValues);
    runSilentBlock (*instance);
    pumpMessages (100);
    EXPECT_EQ (hostValues (*instance), savedValues);
    juce::MemoryBlock stateAfter;
    instance->getStateInformation (stateAfter);
    EXPECT_EQ (vst3ComponentState (stateAfter), vst3ComponentState (state));

    // A host that sets the program again after the restore writes nothing over the saved values.
    EXPECT_EQ (restored->getCurrentProgram(), limiter);
    restored->setCurrentProgram (limiter);
    pumpMessages (100);
    juce::MemoryBlock stateAgain;
    restored->getStateInformation (stateAgain);
    EXPECT_EQ (stateAgain, state);
    instance->releaseResources();
}
