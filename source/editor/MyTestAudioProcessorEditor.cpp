#include "MyTestAudioProcessorEditor.h"

#include "BinaryData.h"
#include "EditorLayout.h"
#include "MyTestAudioProcessor.h"
#include "ParameterTable.h"
#include "VelkVersion.h"

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

/** A knob's place and film strip, at its own size and at twice it. */
struct KnobArt
{
    editorlayout::Box box;
    const char* strip;
    int stripSize;
    const char* largeStrip;
    int largeStripSize;
};

#define VELK_STRIP(name) BinaryData::name##_png, BinaryData::name##_pngSize, BinaryData::name##_2x_png, BinaryData::name##_2x_pngSize

/** Each knob's art, by parameter index (parameters 0 to 6 have knobs). */
const KnobArt knobArt[] = {
    { editorlayout::inputKnob, VELK_STRIP (bigKnob101) },
    { editorlayout::attackKnob, VELK_STRIP (bigKnob101) },
    { editorlayout::releaseKnob, VELK_STRIP (bigKnob101) },
    { editorlayout::outputKnob, VELK_STRIP (bigKnob101) },
    { editorlayout::ratioKnob, VELK_STRIP (myRatioBtn) },
    { editorlayout::distortionKnob, VELK_STRIP (Dist) },
    { editorlayout::filterKnob, VELK_STRIP (Hpf) },
};

/** The order the knobs are added in: where their boxes touch, the large knobs lie over the
    switch knobs. */
constexpr velk::ParameterIndex knobOrder[] = { velk::distortionParameter, velk::ratioParameter, velk::filterParameter,
                                               velk::inputParameter, velk::attackParameter, velk::releaseParameter,
                                               velk::outputParameter };
} // namespace

MyTestAudioProcessorEditor::MyTestAudioProcessorEditor (MyTestAudioProcessor* p, bool followHost)
    : juce::AudioProcessorEditor (p),
      processor (*p),
      followsHost (followHost),
      tooltipWindow (nullptr)
{
    versionLabel = std::make_unique<juce::Label> ("version", "v" + juce::String (velk::version::text) + "\n\n");
    addAndMakeVisible (versionLabel.get());
    versionLabel->setFont (juce::Font (12.2f, juce::Font::plain));
    versionLabel->setJustificationType (juce::Justification::centredLeft);
    versionLabel->setEditable (false, false, false);

    backgroundImage = loadImage (BinaryData::VELKBodyBG_png, BinaryData::VELKBodyBG_pngSize);
    panel = std::make_unique<ScalableImage> (backgroundImage, BinaryData::VELKBodyBG_2x_png, BinaryData::VELKBodyBG_2x_pngSize, 1);

    linkButton = std::make_unique<juce::HyperlinkButton> ("Support VELK", juce::URL (supportUrl));
    linkButton->setBounds (layout::linkButton.x, layout::linkButton.y, layout::linkButton.w, layout::linkButton.h);
    addAndMakeVisible (linkButton.get());

    const auto lampStrip = loadImage (BinaryData::bmp00132_png, BinaryData::bmp00132_pngSize);
    const auto meterStrip = loadImage (BinaryData::meter11_1_png, BinaryData::meter11_1_pngSize);

    meter = std::make_unique<Meter2Custom> (meterStrip, p);
    meter->setScalableImage (scalableImage (VELK_STRIP (meter11_1), layout::meterFrames));
    meter->setBounds (layout::meter.x, layout::meter.y, meterStrip.getWidth(), meterStrip.getHeight() / layout::meterFrames);
    addAndMakeVisible (meter.get());

    setSize (width, height);

    peakLed = std::make_unique<PeakLed> ("PeakLed", lampStrip, p);
    peakLed->setBounds (layout::peakLed.x, layout::peakLed.y, lampStrip.getWidth(), lampStrip.getHeight() / layout::lampFrames);
    peakLed->setScalableImage (scalableImage (VELK_STRIP (bmp00132), layout::lampFrames));
    addAndMakeVisible (peakLed.get());

    for (const auto index : knobOrder)
    {
        const auto& art = knobArt[index];
        const auto strip = loadImage (art.strip, art.stripSize);
        auto& knob = this->*knobMember (index);
        knob = createKnob (art.box, p, strip, index);
        knob->setScalableImage (scalableImage (art.strip, art.stripSize, art.largeStrip, art.largeStripSize, strip.getHeight() / strip.getWidth()));
    }

    processor.addChangeListener (this);
    tooltipWindow.setMillisecondsBeforeTipAppears (200);

    // Following a host, a switch shows the position the engine runs from the start.
    if (followsHost)
        changeListenerCallback (nullptr);
}

MyTestAudioProcessorEditor::~MyTestAudioProcessorEditor()
{
    // A drag cut short by closing the window still ends its gesture.
    for (int index = 0; index < velk::numParameters; ++index)
        if (openGestures[(size_t) index])
            processor.endParameterChangeGesture (index);

    versionLabel = nullptr;
    processor.removeChangeListener (this);
    for (const auto index : knobOrder)
        this->*knobMember (index) = nullptr;
    meter = nullptr;
    peakLed = nullptr;
    linkButton = nullptr;
    backgroundImage = {};
    panel = nullptr;
    scalableImages.clear();
}

std::unique_ptr<FilmStripKnob> MyTestAudioProcessorEditor::createKnob (editorlayout::Box box, MyTestAudioProcessor* p, juce::Image strip,
                                                                       int parameterIndex)
{
    const auto& parameter = velk::parameterInfo (parameterIndex);
    auto knob = std::make_unique<FilmStripKnob> (strip, strip.getHeight() / strip.getWidth(), false);
    addAndMakeVisible (knob.get());
    knob->setBounds (box.x, box.y, strip.getWidth(), strip.getWidth());
    // The value is set before the range, so what the knob writes back is the snapped value;
    // following a host, it writes nothing back.
    knob->setValue (p->getParameter (parameterIndex), followsHost ? juce::dontSendNotification : juce::sendNotificationAsync);
    knob->setRange (parameter.minimum, parameter.maximum, parameter.interval);
    knob->addListener (this);
    return knob;
}

MyTestAudioProcessorEditor::KnobMember MyTestAudioProcessorEditor::knobMember (int parameterIndex) noexcept
{
    using Editor = MyTestAudioProcessorEditor;
    static constexpr KnobMember members[velk::numParameters] = { &Editor::inputKnob, &Editor::attackKnob, &Editor::releaseKnob,
                                                                 &Editor::outputKnob, &Editor::ratioKnob, &Editor::distortionKnob,
                                                                 &Editor::filterKnob, nullptr, nullptr };
    return velk::isParameterIndex (parameterIndex) ? members[parameterIndex] : nullptr;
}

FilmStripKnob* MyTestAudioProcessorEditor::getKnob (int parameterIndex) const noexcept
{
    const auto member = knobMember (parameterIndex);
    return member != nullptr ? (this->*member).get() : nullptr;
}

std::shared_ptr<ScalableImage> MyTestAudioProcessorEditor::scalableImage (const char* data, int size, const char* largeData, int largeSize,
                                                                          int numFrames)
{
    auto& image = scalableImages[data];
    if (image == nullptr)
        image = std::make_shared<ScalableImage> (loadImage (data, size), largeData, largeSize, numFrames);
    return image;
}

void MyTestAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xffffffff));
    g.setColour (juce::Colour (0xff000000));
    // The panel (300 x 600) is drawn at its own size: at 1x these are the image's own pixels.
    panel->drawFrame (g, 0, { layout::panelOffsetX, layout::panelOffsetY, width, height });
}

void MyTestAudioProcessorEditor::resized()
{
    if (versionLabel != nullptr)
        versionLabel->setBounds (layout::versionLabel.x, layout::versionLabel.y, layout::versionLabel.w, layout::versionLabel.h);
}

int MyTestAudioProcessorEditor::indexOf (const juce::Slider* slider) const noexcept
{
    for (int index = 0; index < velk::numParameters; ++index)
        if (slider != nullptr && slider == getKnob (index))
            return index;
    return -1;
}

void MyTestAudioProcessorEditor::sliderValueChanged (juce::Slider* slider)
{
    const int index = indexOf (slider);
    if (index >= 0)
        processor.setParameterNotifyingHost (index, (float) slider->getValue());
}

void MyTestAudioProcessorEditor::sliderDragStarted (juce::Slider* slider)
{
    const int index = indexOf (slider);
    if (followsHost && index >= 0 && ! openGestures[(size_t) index])
    {
        openGestures.set ((size_t) index);
        processor.beginParameterChangeGesture (index);
    }
}

void MyTestAudioProcessorEditor::sliderDragEnded (juce::Slider* slider)
{
    const int index = indexOf (slider);
    if (followsHost && index >= 0 && openGestures[(size_t) index])
    {
        openGestures.reset ((size_t) index);
        processor.endParameterChangeGesture (index);
    }
}

void MyTestAudioProcessorEditor::changeListenerCallback (juce::ChangeBroadcaster*)
{
    const auto readValues = [this] (float* values)
    {
        for (const auto& parameter : velk::parameterTable)
            if (parameter.hasControl)
                values[parameter.index] = shownValue (parameter.index);
    };

    float values[velk::numParameters] {};
    if (followsHost)
    {
        // The values are atomics; following the host's automation, the audio thread is not kept
        // waiting up to 30 times a second.
        readValues (values);
    }
    else
    {
        // Held only for the reads, so the audio thread waits for a few loads at most.
        const juce::ScopedLock lock (processor.getCallbackLock());
        readValues (values);
    }

    // Following a host, the knobs only show the values: a switch stored between positions stays
    // as it is until it is moved.
    const auto notification = followsHost ? juce::dontSendNotification : juce::sendNotificationAsync;
    for (const auto& parameter : velk::parameterTable)
        if (auto* knob = getKnob (parameter.index))
            knob->setValue (values[parameter.index], notification);
}

float MyTestAudioProcessorEditor::shownValue (int parameterIndex)
{
    const float value = processor.getParameter (parameterIndex);
    return velk::parameterInfo (parameterIndex).isSwitch() ? (float) MyTestAudioProcessor::truncateToInt (value) : value;
}

bool MyTestAudioProcessorEditor::showRunningValue (int parameterIndex)
{
    auto* knob = getKnob (parameterIndex);
    if (knob != nullptr && knob->isMouseButtonDown())
        return false;
    if (knob != nullptr)
        knob->setValue (shownValue (parameterIndex), juce::dontSendNotification);
    return true;
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
