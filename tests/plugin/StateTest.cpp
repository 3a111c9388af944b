#include "FloatBits.h"
#include "ProcessorTestHelpers.h"
#include "TestSignals.h"
#include "WrappedState.h"

#include <cstring>
#include <string>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
const std::string defaultDocument =
    "<Root><Input>0.5</Input><Attack>1</Attack><Release>0.1</Release><Output>0.54</Output>"
    "<Ratio>1</Ratio><Dist>0</Dist><Filt>0</Filt><DryWet>0.5</DryWet></Root>";

/** A state block as the framework wraps it: magic, length, text, zero byte. */
juce::MemoryBlock wrap (const std::string& text, juce::int64 lengthField = -1)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    out.writeInt ((int) wrappedstate::magic);
    out.writeInt ((int) (lengthField >= 0 ? lengthField : (juce::int64) text.size()));
    out.write (text.data(), text.size());
    out.writeByte (0);
    out.flush();
    return block;
}

std::string documentOf (const juce::MemoryBlock& block)
{
    return std::string (static_cast<const char*> (block.getData()) + wrappedstate::headerSize, block.getSize() - wrappedstate::overhead);
}

void restore (MyTestAudioProcessor& processor, const juce::MemoryBlock& block)
{
    processor.setStateInformation (block.getData(), (int) block.getSize());
}
} // namespace

TEST (State, DefaultBlockByteForByte)
{
    // The bytes are the framework's XML writer's, which may change between its versions.
    EXPECT_EQ (juce::SystemStats::getJUCEVersion(), "JUCE v7.0.5");

    MyTestAudioProcessor processor;
    juce::MemoryBlock block;
    block.append ("leftover", 8);
    processor.getStateInformation (block);

    ASSERT_EQ (block.getSize(), 165u);
    const auto* bytes = static_cast<const unsigned char*> (block.getData());
    EXPECT_EQ (bytes[0], 0x56);
    EXPECT_EQ (bytes[1], 0x43);
    EXPECT_EQ (bytes[2], 0x32);
    EXPECT_EQ (bytes[3], 0x21);
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (bytes + 4), 156u);
    EXPECT_EQ (documentOf (block), defaultDocument);
    EXPECT_EQ (bytes[164], 0);
    EXPECT_EQ (block, wrap (defaultDocument));
}

TEST (State, RoundTripKeepsWholeNumbersAndFractionsAndNeverSavesGc)
{
    MyTestAudioProcessor source;
    source.setParameter (4, 3.0f);
    source.setParameter (5, 2.9f);
    source.setParameter (0, 0.537f);
    source.setParameter (7, 1e-7f);
    source.setParameter (8, 0.2f);
    juce::MemoryBlock block;
    source.getStateInformation (block);
    const auto text = documentOf (block);
    EXPECT_NE (text.find ("<Ratio>3</Ratio>"), std::string::npos) << text;
    EXPECT_NE (text.find ("<Dist>2.9</Dist>"), std::string::npos) << text;
    EXPECT_NE (text.find ("<Input>0.537</Input>"), std::string::npos) << text;
    EXPECT_NE (text.find ("<DryWet>1e-07</DryWet>"), std::string::npos) << text;
    EXPECT_EQ (text.find ("Gc"), std::string::npos);

    MyTestAudioProcessor target;
    ChangeCounter changes (target);
    restore (target, block);
    EXPECT_EQ (changes.deliver(), 1);
    EXPECT_EQ (target.getParameter (4), 3.0f);
    EXPECT_EQ (target.getEngine().ratio.load(), 4);
    EXPECT_EQ (target.getParameter (5), 2.9f);
    EXPECT_EQ (target.getEngine().distortionMode.load(), 2);
    EXPECT_EQ (target.getParameter (0), 0.537f);
    EXPECT_EQ (target.getParameter (8), 0.5f);
}

TEST (State, NamesMatchWithoutCaseInAnyOrderUnderAnyRoot)
{
    MyTestAudioProcessor processor;
    ChangeCounter changes (processor);
    restore (processor, wrap ("<settings><filt>2</filt><OUTPUT>0.25</OUTPUT><dist>4</dist><ratio>5</ratio>"
                              "<attack>0.3</attack><release>0.7</release><input>0.9</input><drywet>0.1</drywet>"
                              "<Gc>0.9</Gc><Other>7</Other></settings>"));
    EXPECT_EQ (changes.deliver(), 1);
    EXPECT_EQ (processor.getParameter (0), 0.9f);
    EXPECT_EQ (processor.getParameter (1), 0.3f);
    EXPECT_EQ (processor.getParameter (2), 0.7f);
    EXPECT_EQ (processor.getParameter (3), 0.25f);
    EXPECT_EQ (processor.getParameter (4), 5.0f);
    EXPECT_EQ (processor.getParameter (5), 4.0f);
    EXPECT_EQ (processor.getParameter (6), 2.0f);
    EXPECT_EQ (processor.getParameter (7), 0.1f);
    EXPECT_EQ (processor.getParameter (8), 0.5f);
    EXPECT_EQ (processor.getEngine().filterMode.load(), 2);
}

TEST (State, PartialDuplicateAndNonNumericDocuments)
{
    MyTestAudioProcessor processor;
    ChangeCounter changes (processor);
    auto expected = parametersOf (processor);

    restore (processor, wrap ("<Root><Output>0.3</Output></Root>"));
    expected[3] = 0.3f;
    EXPECT_EQ (parametersOf (processor), expected);
    EXPECT_EQ (changes.deliver(), 1);

    restore (processor, wrap ("<Root><Input>0.1</Input><Input>0.2</Input><Input> 0.75xyz</Input></Root>"));
    expected[0] = 0.75f;
    EXPECT_EQ (parametersOf (processor), expected);
    EXPECT_EQ (changes.deliver(), 2);

    restore (processor, wrap ("<Root><Input>abc</Input><Attack>nan</Attack><Release>inf</Release>"
                              "<Output>-inf</Output><Ratio>1e999</Ratio><Dist>1e39</Dist></Root>"));
    expected[0] = expected[1] = expected[2] = expected[3] = expected[4] = expected[5] = 0.0f;
    EXPECT_EQ (parametersOf (processor), expected);
    EXPECT_EQ (processor.getEngine().inputGainDb.load(), -96.0f);
    EXPECT_EQ (processor.getEngine().ratio.load(), 1);
    EXPECT_EQ (changes.deliver(), 3);
}

TEST (State, RejectedBlocksChangeNothingAndBroadcastNothing)
{
    MyTestAudioProcessor processor;
    processor.setParameter (0, 0.3f);
    ChangeCounter changes (processor);
    const auto before = parametersOf (processor);
    const std::string outputOnly = "<Root><Output>0.9</Output></Root>";

    // A 9-byte block with a length of 1: one byte of text, which does not parse.
    restore (processor, wrap ("<", 1));
    auto badMagic = wrap (outputOnly);
    static_cast<char*> (badMagic.getData())[0] = 0x57;
    restore (processor, badMagic);
    restore (processor, wrap (outputOnly, 0));
    restore (processor, wrap (outputOnly, 0x80000000LL));
    // A length larger than the block cuts the text at the block's end.
    restore (processor, wrap (outputOnly.substr (0, 17), 500));
    restore (processor, wrap ("<Root><Output>0.9</Output>"));
    processor.setStateInformation (nullptr, 100);
    processor.setStateInformation (badMagic.getData(), 0);
    processor.setStateInformation (badMagic.getData(), -5);
    auto shortBlock = wrap (outputOnly);
    processor.setStateInformation (shortBlock.getData(), 8);

    EXPECT_EQ (parametersOf (processor), before);
    EXPECT_EQ (changes.deliver(), 0);

    // Text that is not valid UTF-8 is rejected before the framework's parser, which would read
    // past the end of the buffer on a truncated multi-byte sequence.
    restore (processor, wrap ("<Root><Output>0.9</Output>\xF0"));
    restore (processor, wrap ("<Root><Output>0.9</Output><Input>\xE2\x82"));
    EXPECT_EQ (parametersOf (processor), before);
    EXPECT_EQ (changes.deliver(), 0);

    // A whole document with a length field beyond the block still restores.
    restore (processor, wrap (outputOnly, 5000));
    EXPECT_EQ (processor.getParameter (3), 0.9f);
    EXPECT_EQ (changes.deliver(), 1);
}

TEST (State, FuzzedBlocksNeverCrashAndRejectedOnesChangeNothing)
{
    MyTestAudioProcessor processor;
    ChangeCounter changes (processor);
    juce::MemoryBlock valid;
    processor.getStateInformation (valid);
    NoiseSource random (2024u);
    int rejected = 0, accepted = 0;

    for (int round = 0; round < 4000; ++round)
    {
        juce::MemoryBlock block;
        if (round % 4 == 0)
        {
            // Random bytes, sometimes behind a correct magic number.
            block.setSize (random.nextInt (64));
            for (size_t i = 0; i < block.getSize(); ++i)
                static_cast<unsigned char*> (block.getData())[i] = (unsigned char) random.nextInt (256);
            if (round % 8 == 0 && block.getSize() >= 4)
                std::memcpy (block.getData(), "\x56\x43\x32\x21", 4);
        }
        else
        {
            // A valid block with some bytes changed, inserted or cut.
            block = valid;
            for (int edits = 1 + (int) random.nextInt (4); edits > 0; --edits)
            {
                const auto position = (size_t) random.nextInt ((std::uint32_t) block.getSize());
                switch (random.nextInt (3))
                {
                    case 0: static_cast<unsigned char*> (block.getData())[position] = (unsigned char) random.nextInt (256); break;
                    case 1: block.insert ("<>/&0.9e", 1 + random.nextInt (8), position); break;
                    default: block.setSize (juce::jmax ((size_t) 1, position)); break;
                }
            }
        }

        const auto before = parametersOf (processor);
        const int broadcastsBefore = changes.deliver();
        restore (processor, block);

        // A block is accepted exactly when it is broadcast; a rejected one changes nothing.
        if (changes.deliver() > broadcastsBefore)
        {
            ++accepted;
        }
        else
        {
            ++rejected;
            ASSERT_EQ (parametersOf (processor), before) << "round " << round;
        }

        float left = 0.5f, right = -0.5f;
        processor.getEngine().processSample (&left, &right);
        ASSERT_TRUE (std::isfinite (left) && std::isfinite (right)) << "round " << round;
    }

    EXPECT_GT (rejected, 500);
    EXPECT_GT (accepted, 100);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE

TEST (State, SavedValuesReadBackExactlyAtBandEdges)
{
    // Values within a few steps of every calibration band edge and of 1.0 come back as the same
    // float through the real path (text, double, float), with the editor closed.
    const float edges[] = { 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.69f, 0.7f, 0.8f, 0.9f, 1.0f };
    for (const float edge : edges)
    {
        float value = edge;
        for (int step = 0; step < 4; ++step)
            value = std::nextafter (value, 0.0f);

        for (int step = 0; step < 9; ++step, value = std::nextafter (value, 2.0f))
        {
            MyTestAudioProcessor source, target;
            source.setParameter (1, value);
            source.setParameter (0, value);
            source.setParameter (5, value + 2.0f);
            juce::MemoryBlock block;
            source.getStateInformation (block);
            restore (target, block);
            for (const int index : { 0, 1, 5 })
            {
                const float saved = source.getParameter (index), restored = target.getParameter (index);
                ASSERT_EQ (bitsOf (saved), bitsOf (restored))
                    << "parameter " << index << " saved as " << documentOf (block) << " from " << saved;
            }
        }
    }

    // The value found in use: just below the 0.8 edge it is not written as "0.8".
    MyTestAudioProcessor processor;
    processor.setParameter (1, 0.79999995f);
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    EXPECT_NE (documentOf (block).find ("<Attack>0.79999995</Attack>"), std::string::npos) << documentOf (block);
}

TEST (State, SavedTextsAreTheShortestThatReadBack)
{
    EXPECT_EQ (MyTestAudioProcessor::savedText (0.5f), "0.5");
    EXPECT_EQ (MyTestAudioProcessor::savedText (1.0f), "1");
    EXPECT_EQ (MyTestAudioProcessor::savedText (0.1f), "0.1");
    EXPECT_EQ (MyTestAudioProcessor::savedText (0.54f), "0.54");
    EXPECT_EQ (MyTestAudioProcessor::savedText (0.0f), "0");
    EXPECT_EQ (MyTestAudioProcessor::savedText (2.9f), "2.9");
    EXPECT_EQ (MyTestAudioProcessor::savedText (0.99999994f), "0.99999994");
    EXPECT_EQ (MyTestAudioProcessor::savedText (1e-5f), "1e-05");

    // Every float of a wide sample reads back through the restore's own parser.
    NoiseSource noise (31u);
    for (int i = 0; i < 40000; ++i)
    {
        const float value = floatOf (noise.nextInt (0xffffffffu) ^ ((std::uint32_t) i << 20));
        if (! std::isfinite (value))
            continue;
        const float back = MyTestAudioProcessor::savedValue (MyTestAudioProcessor::savedText (value));
        ASSERT_EQ (bitsOf (value), bitsOf (back)) << MyTestAudioProcessor::savedText (value);
    }
}
