// The framework library builds and links with the project's configuration.

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

TEST (Framework, VersionAndBinaryXmlRoundTrip)
{
    EXPECT_EQ (juce::SystemStats::getJUCEVersion(), "JUCE v7.0.5");

    juce::XmlElement root ("Root");
    root.createNewChildElement ("Input")->addTextElement (juce::String (0.5));
    juce::MemoryBlock block;
    juce::AudioProcessor::copyXmlToBinary (root, block);

    ASSERT_GT (block.getSize(), 9u);
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (block.getData()), 0x21324356u);
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (block.getData(), 4)), block.getSize() - 9);

    const auto restored = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
    ASSERT_NE (restored, nullptr);
    EXPECT_TRUE (restored->isEquivalentTo (&root, false));
}
