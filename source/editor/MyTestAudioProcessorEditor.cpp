#include "MyTestAudioProcessorEditor.h"

#include "BinaryData.h"
#include "EditorLayout.h"
#include "MyTestAudioProcessor.h"

// The processor's parameters are read and written through the framework's index-based
// interface, which it marks deprecated.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace layout = editorlayout;

namespace
{
juce::Image loadImage (const char* data, int size)
{
    return juce::ImageCache::getFromMemory (data, size);
}
} // namespace

MyTestAudioProcessorEditor::MyTestAudioProcessorEditor (MyTestAudioProcessor* p)
    : juce::AudioProcessorEditor (p),
      processor (*p),
      tooltipWindow (nullptr)
{
    versionLabel = std::make_unique<juce::Label> ("version", "v1.0.4\n\n");
    addAndMakeVisible (versionLabel.get());
    versionLabel->setFont (juce::Font (12.2f, juce::Font::plain));
    versionLabel->setJustificationType (juce::Justification::centredLeft);
    versionLabel->setEditable (false, false, false);

    backgroundImage = loadImage (BinaryData::VELKBodyBG_png, BinaryData::VELKBodyBG_pngSize);

    linkButton = std::make_unique<juce::HyperlinkButton> ("Support VELK", juce::URL (supportUrl));
    linkButton->setBounds (layout::linkButton.x, layout::linkButton.y, layout::linkButton.w, layout::linkButton.h);
    addAndMakeVisible (linkButton.get());

    const auto distortionStrip = loadImage (BinaryData::Dist_png, BinaryData::Dist_pngSize);
    const auto ratioStrip = loadImage (BinaryData::myRatioBtn_png, BinaryData::myRatioBtn_pngSize);
    const auto filterStrip = loadImage (BinaryData::Hpf_png, BinaryData::Hpf_pngSize);
    const auto inputStrip = loadImage (BinaryData::bigKnob101_png, BinaryData::bigKnob101_pngSize);
    const auto attackStrip = loadImage (BinaryData::bigKnob101_png, BinaryData::bigKnob101_pngSize);
    const auto releaseStrip = loadImage (BinaryData::bigKnob101_png, BinaryData::bigKnob101_pngSize);
    const auto outputStrip = loadImage (BinaryData::bigKnob101_png, BinaryData::bigKnob101_pngSize);
    const auto lampStrip = loadImage (BinaryData::bmp00132_png, BinaryData::bmp00132_pngSize);
    const auto meterStrip = loadImage (BinaryData::meter11_1_png, BinaryData::meter11_1_pngSize);

    meter = std::make_unique<Meter2Custom> (meterStrip, p);
    meter->setBounds (layout::meter.x, layout::meter.y, meterStrip.getWidth(), meterStrip.getHeight() / 9);
    addAndMakeVisible (meter.get());

    setSize (width, height);

    peakLed = std::make_unique<PeakLed> ("PeakLed", lampStrip, p);
    peakLed->setBounds (layout::peakLed.x, layout::peakLed.y, lampStrip.getWidth(), lampStrip.getHeight() / 2);
    addAndMakeVisible (peakLed.get());

    // Where the boxes touch, the large knobs lie over the switch knobs: they are added later.
    distortionKnob = createKnob (layout::distortionKnob.x, layout::distortionKnob.y, p, distortionStrip, 5, 0.0f, 4.0f, 1.0f);
    ratioKnob = createKnob (layout::ratioKnob.x, layout::ratioKnob.y, p, ratioStrip, 4, 1.0f, 6.0f, 1.0f);
    filterKnob = createKnob (layout::filterKnob.x, layout::filterKnob.y, p, filterStrip, 6, 0.0f, 3.0f, 1.0f);
    inputKnob = createKnob (layout::inputKnob.x, layout::inputKnob.y, p, inputStrip, 0, 0.0f, 1.0f, 0.01f);
    attackKnob = createKnob (layout::attackKnob.x, layout::attackKnob.y, p, attackStrip, 1, 0.00001f, 1.0f, 0.0001f);
    releaseKnob = createKnob (layout::releaseKnob.x, layout::releaseKnob.y, p, releaseStrip, 2, 0.01166667f, 1.0f, 0.0001f);
    outputKnob = createKnob (layout::outputKnob.x, layout::outputKnob.y, p, outputStrip, 3, 0.0f, 1.0f, 0.01f);

    processor.addChangeListener (this);
    tooltipWindow.setMillisecondsBeforeTipAppears (200);
}

MyTestAudioProcessorEditor::~MyTestAudioProcessorEditor()
{
    versionLabel = nullptr;
    processor.removeChangeListener (this);
    for (auto* knob : { &distortionKnob, &ratioKnob, &filterKnob, &inputKnob, &attackKnob, &releaseKnob, &outputKnob })
        *knob = nullptr;
    meter = nullptr;
    peakLed = nullptr;
    linkButton = nullptr;
    backgroundImage = {};
}

std::unique_ptr<FilmStripKnob> MyTestAudioProcessorEditor::createKnob (int x, int y, MyTestAudioProcessor* p, juce::Image strip,
                                                                        int parameterIndex, float minimum, float maximum, float interval)
{
    auto knob = std::make_unique<FilmStripKnob> (strip, strip.getHeight() / strip.getWidth(), false);
    addAndMakeVisible (knob.get());
    knob->setBounds (x, y, strip.getWidth(), strip.getWidth());
    // The value is set before the range, so what the knob writes back is the snapped value.
    knob->setValue (p->getParameter (parameterIndex), juce::sendNotificationAsync);
    knob->setRange (minimum, maximum, interval);
    knob->addListener (this);
    return knob;
}

FilmStripKnob* MyTestAudioProcessorEditor::getKnob (int parameterIndex) const noexcept
{
    switch (parameterIndex)
    {
        case 0:  return inputKnob.get();
        case 1:  return attackKnob.get();
        case 2:  return releaseKnob.get();
        case 3:  return outputKnob.get();
        case 4:  return ratioKnob.get();
        case 5:  return distortionKnob.get();
        case 6:  return filterKnob.get();
        default: return nullptr;
    }
}

void MyTestAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xffffffff));
    g.setColour (juce::Colour (0xff000000));
    g.drawImage (backgroundImage, layout::panelOffsetX, layout::panelOffsetY, width, height,
                 0, 0, backgroundImage.getWidth(), backgroundImage.getHeight());
}

void MyTestAudioProcessorEditor::resized()
{
    if (versionLabel != nullptr)
        versionLabel->setBounds (layout::versionLabel.x, layout::versionLabel.y, layout::versionLabel.w, layout::versionLabel.h);
}

void MyTestAudioProcessorEditor::sliderValueChanged (juce::Slider* slider)
{
    for (int index = 0; index <= 6; ++index)
    {
        if (slider == getKnob (index))
        {
            processor.setParameterNotifyingHost (index, (float) slider->getValue());
            return;
        }
    }
}

void MyTestAudioProcessorEditor::changeListenerCallback (juce::ChangeBroadcaster*)
{
    float values[7];
    {
        // Held only for the reads, so the audio thread waits for seven loads at most.
        const juce::ScopedLock lock (processor.getCallbackLock());
        values[0] = processor.getParameter (0);
        values[1] = processor.getParameter (1);
        values[2] = processor.getParameter (2);
        values[3] = processor.getParameter (3);
        values[5] = (float) MyTestAudioProcessor::truncateToInt (processor.getParameter (5));
        values[4] = (float) MyTestAudioProcessor::truncateToInt (processor.getParameter (4));
        values[6] = (float) MyTestAudioProcessor::truncateToInt (processor.getParameter (6));
    }

    inputKnob->setValue (values[0], juce::sendNotificationAsync);
    attackKnob->setValue (values[1], juce::sendNotificationAsync);
    releaseKnob->setValue (values[2], juce::sendNotificationAsync);
    outputKnob->setValue (values[3], juce::sendNotificationAsync);
    distortionKnob->setValue (values[5], juce::sendNotificationAsync);
    ratioKnob->setValue (values[4], juce::sendNotificationAsync);
    filterKnob->setValue (values[6], juce::sendNotificationAsync);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
