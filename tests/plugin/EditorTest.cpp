// The editor, its knobs, lamp and meter, and the embedded images. Needs an X server (Xvfb).

#include "BinaryData.h"
#include "DesktopScale.h"
#include "EditorLayout.h"
#include "MessagePump.h"
#include "MyTestAudioProcessorEditor.h"
#include "ProcessorTestHelpers.h"
#include "ZoomSetting.h"

#include <cmath>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
/** What a slider with this range makes of a value: snapped to the interval, then clamped. */
double snapped (double value, float minimum, float maximum, float interval)
{
    const double min = minimum, max = maximum, step = interval;
    return juce::jlimit (min, max, min + step * std::floor ((value - min) / step + 0.5));
}

/** Counts the parameter writes that a processor reports to its listeners (the host's route). */
struct NotificationCounter : juce::AudioProcessorListener
{
    explicit NotificationCounter (juce::AudioProcessor& p) : processor (p) { processor.addListener (this); }
    ~NotificationCounter() override { processor.removeListener (this); }
    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override { writes.push_back ({ index, value }); }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

    juce::AudioProcessor& processor;
    std::vector<std::pair<int, float>> writes;
};

struct Strip
{
    const char* data;
    int size, width, height, frames;
};

const Strip strips[] = {
    { BinaryData::VELKBodyBG_png, BinaryData::VELKBodyBG_pngSize, 300, 600, 1 },
    { BinaryData::bigKnob101_png, BinaryData::bigKnob101_pngSize, 128, 12928, 101 },
    { BinaryData::myRatioBtn_png, BinaryData::myRatioBtn_pngSize, 80, 480, 6 },
    { BinaryData::Dist_png, BinaryData::Dist_pngSize, 80, 400, 5 },
    { BinaryData::Hpf_png, BinaryData::Hpf_pngSize, 80, 320, 4 },
    { BinaryData::bmp00132_png, BinaryData::bmp00132_pngSize, 11, 22, 2 },
    { BinaryData::meter11_1_png, BinaryData::meter11_1_pngSize, 23, 1152, 9 },
};
} // namespace

TEST (Images, DecodeToTheirSizesAndShareTheLargeStrip)
{
    for (const auto& strip : strips)
    {
        const auto image = juce::ImageCache::getFromMemory (strip.data, strip.size);
        ASSERT_TRUE (image.isValid());
        EXPECT_EQ (image.getWidth(), strip.width);
        EXPECT_EQ (image.getHeight(), strip.height);
        const int frames = strip.frames <= 2 || strip.frames == 9 ? strip.frames : image.getHeight() / image.getWidth();
        EXPECT_EQ (frames, strip.frames);
        EXPECT_EQ (image.getHeight() % strip.frames, 0);
    }

    const auto first = juce::ImageCache::getFromMemory (BinaryData::bigKnob101_png, BinaryData::bigKnob101_pngSize);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ (juce::ImageCache::getFromMemory (BinaryData::bigKnob101_png, BinaryData::bigKnob101_pngSize).getPixelData(),
                   first.getPixelData());

    // The meter's first frame is fully transparent, so the panel's unlit lamps show.
    const auto meter = juce::ImageCache::getFromMemory (BinaryData::meter11_1_png, BinaryData::meter11_1_pngSize);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 23; ++x)
            ASSERT_EQ (meter.getPixelAt (x, y).getAlpha(), 0);
    EXPECT_GT (meter.getPixelAt (11, 8 * 128 + 7 * 16 + 8).getAlpha(), 200); // last frame, bottom lamp lit
}

TEST (FilmStripKnob, FrameForEveryValue)
{
    const auto large = juce::ImageCache::getFromMemory (BinaryData::bigKnob101_png, BinaryData::bigKnob101_pngSize);
    FilmStripKnob knob (large, 101, false);
    knob.setRange (0.0, 1.0, 0.0);
    // clang-format off
    const std::pair<double, int> cases[] = { { 0.0, 0 }, { 0.5, 50 }, { 0.999, 99 }, { 1.0, 100 },
                                             { 1.0 - 1e-9, 99 }, { 0.0099, 0 }, { 0.01, 1 } };
    // clang-format on
    for (auto [value, frame] : cases)
    {
        knob.setValue (value, juce::dontSendNotification);
        EXPECT_EQ (knob.getFrameIndex(), frame) << value;
    }

    const auto ratio = juce::ImageCache::getFromMemory (BinaryData::myRatioBtn_png, BinaryData::myRatioBtn_pngSize);
    FilmStripKnob switchKnob (ratio, 6, false);
    switchKnob.setRange (1.0, 6.0, 1.0);
    for (int position = 1; position <= 6; ++position)
    {
        switchKnob.setValue (position, juce::dontSendNotification);
        EXPECT_EQ (switchKnob.getFrameIndex(), position - 1);
    }
    EXPECT_EQ (switchKnob.getName(), "Film Strip Slider");
    EXPECT_EQ (switchKnob.getSliderStyle(), juce::Slider::RotaryVerticalDrag);
    EXPECT_EQ (switchKnob.getTextBoxPosition(), juce::Slider::NoTextBox);
}

TEST (Editor, LayoutRangesAndStacking)
{
    MyTestAudioProcessor processor;
    MyTestAudioProcessorEditor editor (&processor);
    EXPECT_EQ (editor.getWidth(), 300);
    EXPECT_EQ (editor.getHeight(), 600);

    // clang-format off
    struct Knob { int index; juce::Rectangle<int> bounds; double min, max, interval; };
    const Knob knobs[] = {
        { 0, { 107, 19, 128, 128 }, 0.0, 1.0, 0.01 },   { 1, { 107, 158, 128, 128 }, 0.00001f, 1.0, 0.0001f },
        { 2, { 107, 296, 128, 128 }, 0.01166667f, 1.0, 0.0001f }, { 3, { 107, 434, 128, 128 }, 0.0, 1.0, 0.01f },
        { 4, { 29, 49, 80, 80 }, 1.0, 6.0, 1.0 },       { 5, { 29, 141, 80, 80 }, 0.0, 4.0, 1.0 },
        // clang-format on
        { 6, { 29, 234, 80, 80 }, 0.0, 3.0, 1.0 },
    };
    for (const auto& k : knobs)
    {
        auto* knob = editor.getKnob (k.index);
        ASSERT_NE (knob, nullptr);
        EXPECT_EQ (knob->getBounds(), k.bounds) << k.index;
        EXPECT_EQ (knob->getMinimum(), k.min) << k.index;
        EXPECT_EQ (knob->getMaximum(), k.max) << k.index;
        EXPECT_EQ (knob->getInterval(), (double) (float) k.interval) << k.index;
    }
    EXPECT_EQ (editor.getKnob (7), nullptr);

    // Large knobs lie over the switch knobs where their boxes touch.
    EXPECT_GT (editor.getIndexOfChildComponent (editor.getKnob (0)), editor.getIndexOfChildComponent (editor.getKnob (4)));
    EXPECT_GT (editor.getIndexOfChildComponent (editor.getKnob (3)), editor.getIndexOfChildComponent (editor.getKnob (6)));

    EXPECT_EQ (editor.getPeakLed()->getBounds(), juce::Rectangle<int> (253, 83, 11, 11));
    EXPECT_EQ (editor.getPeakLed()->getName(), "PeakLed");
    EXPECT_EQ (editor.getMeter()->getBounds(), juce::Rectangle<int> (45, 369, 23, 128));
    EXPECT_EQ (editor.getLinkButton()->getBounds(), juce::Rectangle<int> (0, 582, 100, 21));
    EXPECT_EQ (editor.getLinkButton()->getButtonText(), "Support VELK");
    EXPECT_EQ (editor.getLinkButton()->getURL().toString (false), MyTestAudioProcessorEditor::supportUrl);
    EXPECT_EQ (editor.getLinkButton()->getTooltip(), MyTestAudioProcessorEditor::supportUrl);
    EXPECT_TRUE (juce::String (MyTestAudioProcessorEditor::supportUrl).contains (".example"));
    EXPECT_EQ (editor.getVersionLabel()->getBounds(), juce::Rectangle<int> (260, 580, 102, 24));
    EXPECT_EQ (editor.getVersionLabel()->getText(), "v1.0.4\n\n");
    EXPECT_FLOAT_EQ (editor.getVersionLabel()->getFont().getHeight(), 12.2f);
    EXPECT_EQ (editor.getVersionLabel()->getJustificationType(), juce::Justification::centredLeft);
    EXPECT_FALSE (editor.getVersionLabel()->isEditableOnSingleClick());
}

TEST (Editor, KnobsStartFromTheProcessorAndWriteBackSnappedValues)
{
    MyTestAudioProcessor processor;
    processor.setParameter (0, 0.537f);
    processor.setParameter (1, 0.0f);
    processor.setParameter (3, 0.0f);
    processor.setParameter (4, 9.0f);
    NotificationCounter notifications (processor);
    MyTestAudioProcessorEditor editor (&processor);
    pumpMessages (60);

    EXPECT_EQ (editor.getKnob (0)->getValue(), snapped (0.537f, 0.0f, 1.0f, 0.01f));
    EXPECT_EQ (processor.getParameter (0), (float) snapped (0.537f, 0.0f, 1.0f, 0.01f));
    EXPECT_FLOAT_EQ (processor.getParameter (0), 0.54f);
    // Attack 0 equals the slider's initial value: shown at the range's minimum, not written back.
    EXPECT_EQ (editor.getKnob (1)->getValue(), (double) 0.00001f);
    EXPECT_EQ (processor.getParameter (1), 0.0f);
    // Output 0 is not written back either; Ratio 9 is shown and written back as 6.
    EXPECT_EQ (processor.getParameter (3), 0.0f);
    EXPECT_EQ (editor.getKnob (4)->getValue(), 6.0);
    EXPECT_EQ (processor.getParameter (4), 6.0f);

    int outputWrites = 0, releaseWrites = 0;
    for (auto [index, value] : notifications.writes)
    {
        outputWrites += index == 3 ? 1 : 0;
        releaseWrites += index == 2 ? 1 : 0;
        EXPECT_NE (index, 7);
        EXPECT_NE (index, 8);
    }
    EXPECT_EQ (outputWrites, 0);
    EXPECT_EQ (releaseWrites, 1); // Release 0.1 is written back once
}

TEST (Editor, KnobMovesReachTheProcessorAndTheHost)
{
    MyTestAudioProcessor processor;
    MyTestAudioProcessorEditor editor (&processor);
    pumpMessages (60);
    NotificationCounter notifications (processor);

    editor.getKnob (3)->setValue (0.7, juce::sendNotificationSync);
    EXPECT_EQ (processor.getParameter (3), 0.7f);
    editor.getKnob (4)->setValue (3.4, juce::sendNotificationSync);
    EXPECT_EQ (processor.getParameter (4), 3.0f);
    EXPECT_EQ (processor.getEngine().ratio.load(), 4);
    editor.getKnob (6)->setValue (2.0, juce::sendNotificationSync);
    EXPECT_EQ (processor.getEngine().filterMode.load(), 2);

    ASSERT_EQ (notifications.writes.size(), 3u);
    EXPECT_EQ (notifications.writes[0], std::make_pair (3, 0.7f));
    EXPECT_EQ (notifications.writes[1], std::make_pair (4, 3.0f));
    EXPECT_EQ (notifications.writes[2], std::make_pair (6, 2.0f));
}

TEST (Editor, StateRestoreMovesTheKnobsHostAutomationDoesNot)
{
    MyTestAudioProcessor processor;
    MyTestAudioProcessorEditor editor (&processor);
    pumpMessages (60);

    processor.setParameter (0, 0.9f);
    processor.setParameter (5, 3.0f);
    pumpMessages (60);
    EXPECT_EQ (editor.getKnob (0)->getValue(), snapped (0.5f, 0.0f, 1.0f, 0.01f));
    EXPECT_EQ (editor.getKnob (5)->getValue(), 0.0);

    MyTestAudioProcessor source;
    const float values[] = { 0.537f, 0.25f, 0.6f, 0.3f, 5.0f, 2.9f, 3.0f };
    for (int i = 0; i < 7; ++i)
        source.setParameter (i, values[i]);
    juce::MemoryBlock state;
    source.getStateInformation (state);
    processor.setStateInformation (state.getData(), (int) state.getSize());
    pumpMessages (60);

    EXPECT_EQ (editor.getKnob (0)->getValue(), snapped (0.537f, 0.0f, 1.0f, 0.01f));
    EXPECT_EQ (editor.getKnob (1)->getValue(), snapped (0.25f, 0.00001f, 1.0f, 0.0001f));
    EXPECT_EQ (editor.getKnob (2)->getValue(), snapped (0.6f, 0.01166667f, 1.0f, 0.0001f));
    EXPECT_EQ (editor.getKnob (3)->getValue(), snapped (0.3f, 0.0f, 1.0f, 0.01f));
    EXPECT_EQ (editor.getKnob (4)->getValue(), 5.0);
    EXPECT_EQ (editor.getKnob (5)->getValue(), 2.0);
    EXPECT_EQ (editor.getKnob (6)->getValue(), 3.0);
    // Written back in the knobs' own units, snapped to their intervals.
    EXPECT_EQ (processor.getParameter (0), (float) snapped (0.537f, 0.0f, 1.0f, 0.01f));
    EXPECT_EQ (processor.getParameter (1), (float) snapped (0.25f, 0.00001f, 1.0f, 0.0001f));
    EXPECT_EQ (processor.getParameter (5), 2.0f);
    EXPECT_EQ (processor.getParameter (4), 5.0f);
}

TEST (PeakLed, HoldTimelineTickByTick)
{
    MyTestAudioProcessor processor;
    MyTestAudioProcessorEditor editor (&processor);
    auto& engine = processor.getEngine();
    auto& lamp = *editor.getPeakLed();

    EXPECT_EQ (engine.clipHold.load(), 200);
    lamp.timerCallback();
    EXPECT_EQ (engine.clipHold.load(), 20);
    EXPECT_FALSE (lamp.isLit());

    engine.clipFlag = true;
    lamp.timerCallback();
    EXPECT_TRUE (lamp.isLit());
    EXPECT_EQ (engine.clipHold.load(), 0);
    EXPECT_FALSE (engine.clipFlag.load());
    for (int tick = 1; tick < 20; ++tick)
    {
        lamp.timerCallback();
        EXPECT_TRUE (lamp.isLit()) << tick;
        EXPECT_EQ (engine.clipHold.load(), tick);
    }
    lamp.timerCallback();
    EXPECT_FALSE (lamp.isLit());
    EXPECT_EQ (engine.clipHold.load(), 20);

    // A clip on every tick keeps it lit at a count of 0.
    for (int tick = 0; tick < 30; ++tick)
    {
        engine.clipFlag = true;
        lamp.timerCallback();
        EXPECT_TRUE (lamp.isLit());
        EXPECT_EQ (engine.clipHold.load(), 0);
    }
}

TEST (Meter, StepBoundaries)
{
    EXPECT_EQ (Meter2Custom::frameFor (0.0f), 0);
    EXPECT_EQ (Meter2Custom::frameFor (0.0624f), 0);
    EXPECT_EQ (Meter2Custom::frameFor (0.0625f), 1);
    EXPECT_EQ (Meter2Custom::frameFor (0.1875f), 2);
    EXPECT_EQ (Meter2Custom::frameFor (0.8125f), 7);
    EXPECT_EQ (Meter2Custom::frameFor (0.9374f), 7);
    EXPECT_EQ (Meter2Custom::frameFor (0.9375f), 8);
    EXPECT_EQ (Meter2Custom::frameFor (1.0f), 8);
    EXPECT_EQ (Meter2Custom::frameFor (1e30f), 8);
    EXPECT_EQ (Meter2Custom::frameFor (-0.5f), 0);
    EXPECT_EQ (Meter2Custom::frameFor (-1e30f), 0);
    EXPECT_EQ (Meter2Custom::frameFor (std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ (Meter2Custom::frameFor (std::numeric_limits<float>::infinity()), 8);

    MyTestAudioProcessor processor;
    MyTestAudioProcessorEditor editor (&processor);
    auto& meter = *editor.getMeter();
    processor.getEngine().meterValue = 0.5f;
    meter.timerCallback();
    EXPECT_EQ (meter.getSourceY(), 4 * 128);
    processor.getEngine().meterValue = std::numeric_limits<float>::quiet_NaN();
    meter.timerCallback();
    EXPECT_EQ (meter.getSourceY(), 0);
}

TEST (Editor, RenderedPanelAndKnobFrames)
{
    MyTestAudioProcessor processor;
    processor.setParameter (0, 0.5f);
    processor.setParameter (3, 1.0f);
    processor.setParameter (4, 3.0f);
    processor.setParameter (6, 3.0f);
    processor.getEngine().meterValue = 0.5f;
    processor.getEngine().clipFlag = true;
    MyTestAudioProcessorEditor editor (&processor);
    pumpMessages (60);
    editor.getPeakLed()->timerCallback();
    editor.getMeter()->timerCallback();

    const auto snapshot = editor.createComponentSnapshot (editor.getLocalBounds(), true, 1.0f);
    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile ("editor.png");
    file.deleteFile();
    {
        juce::FileOutputStream out (file);
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (snapshot, out));
    }

    // The panel is drawn at 2, 1: a white strip down the left edge and along the top.
    const auto panel = juce::ImageCache::getFromMemory (BinaryData::VELKBodyBG_png, BinaryData::VELKBodyBG_pngSize);
    for (int y = 0; y < 600; y += 37)
    {
        EXPECT_EQ (snapshot.getPixelAt (0, y).getARGB(), 0xffffffffu) << y;
        EXPECT_EQ (snapshot.getPixelAt (1, y).getARGB(), 0xffffffffu) << y;
    }
    for (int x = 0; x < 300; x += 23)
        EXPECT_EQ (snapshot.getPixelAt (x, 0).getARGB(), 0xffffffffu) << x;
    EXPECT_EQ (snapshot.getPixelAt (2, 1), panel.getPixelAt (0, 0));
    EXPECT_EQ (snapshot.getPixelAt (260, 300), panel.getPixelAt (258, 299)) << "under no component";

    // Where a knob frame is opaque, the editor shows that frame's pixel (at a scale of 1 or 2,
    // from the strip of that size).
    const auto expectFrame = [&] (int index, int frame, const juce::Image& strip, const juce::Image& picture = {}, int scale = 1)
    {
        auto* knob = editor.getKnob (index);
        const int size = strip.getWidth();
        int compared = 0;
        for (int y = 0; y < size; y += 3)
            for (int x = 0; x < size; x += 3)
            {
                const auto pixel = strip.getPixelAt (x, frame * size + y);
                if (pixel.getAlpha() == 255)
                {
                    ASSERT_EQ ((picture.isValid() ? picture : snapshot).getPixelAt (knob->getX() * scale + x, knob->getY() * scale + y), pixel)
                        << index << " at " << x << ", " << y << ", scale " << scale;
                    ++compared;
                }
            }
        EXPECT_GT (compared, 50) << index;
    };
    const auto large = juce::ImageCache::getFromMemory (BinaryData::bigKnob101_png, BinaryData::bigKnob101_pngSize);
    // 0.5 snapped to the single-precision interval 0.01 lies a hair below 0.5: frame 49.
    EXPECT_EQ (editor.getKnob (0)->getFrameIndex(), 49);
    expectFrame (0, 49, large);
    // 1.0 snaps to 100 single-precision steps of 0.01, just under 1: frame 99.
    EXPECT_EQ (editor.getKnob (3)->getFrameIndex(), 99);
    expectFrame (3, 99, large);
    expectFrame (4, 2, juce::ImageCache::getFromMemory (BinaryData::myRatioBtn_png, BinaryData::myRatioBtn_pngSize));
    expectFrame (6, 3, juce::ImageCache::getFromMemory (BinaryData::Hpf_png, BinaryData::Hpf_pngSize));

    // The lit lamp and four meter lamps.
    const auto lamp = juce::ImageCache::getFromMemory (BinaryData::bmp00132_png, BinaryData::bmp00132_pngSize);
    EXPECT_EQ (snapshot.getPixelAt (253 + 5, 83 + 5), lamp.getPixelAt (5, 11 + 5));
    const auto meterStrip = juce::ImageCache::getFromMemory (BinaryData::meter11_1_png, BinaryData::meter11_1_pngSize);
    EXPECT_EQ (snapshot.getPixelAt (45 + 11, 369 + 3 * 16 + 8), meterStrip.getPixelAt (11, 4 * 128 + 3 * 16 + 8));

    // Twice as large: the panel and the knobs are the double-size artwork's own pixels, not the
    // small images scaled up.
    const auto doubled = editor.createComponentSnapshot (editor.getLocalBounds(), true, 2.0f);
    ASSERT_EQ (doubled.getWidth(), 600);
    const auto largePanel = juce::ImageCache::getFromMemory (BinaryData::VELKBodyBG_2x_png, BinaryData::VELKBodyBG_2x_pngSize);
    ASSERT_EQ (largePanel.getWidth(), 600);
    int panelPixels = 0;
    for (int y = 2; y < 1200; y += 5)
        for (int x = 4; x < 600; x += 5)
            if (std::none_of (editor.getChildren().begin(), editor.getChildren().end(),
                              [&] (auto* child)
                              { return child->getBounds().contains (x / 2, y / 2); }))
            {
                ASSERT_EQ (doubled.getPixelAt (x, y), largePanel.getPixelAt (x - 4, y - 2)) << x << ", " << y;
                ++panelPixels;
            }
    EXPECT_GT (panelPixels, 10000);
    expectFrame (4, 2, juce::ImageCache::getFromMemory (BinaryData::myRatioBtn_2x_png, BinaryData::myRatioBtn_2x_pngSize), doubled, 2);
    expectFrame (3, 99, juce::ImageCache::getFromMemory (BinaryData::bigKnob101_2x_png, BinaryData::bigKnob101_2x_pngSize), doubled, 2);
    file.getSiblingFile ("editor-2x.png").deleteFile();
    juce::FileOutputStream out (file.getSiblingFile ("editor-2x.png"));
    ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (doubled, out));
}

TEST (ScalableImage, AreaAveragingBetweenSizes)
{
    // Two frames of 4 x 4: columns of 0, 40, 80, 120 in the first, opaque white in the second.
    juce::Image strip (juce::Image::ARGB, 4, 8, true);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 4; ++x)
            strip.setPixelAt (x, y, y < 4 ? juce::Colour ((juce::uint8) (40 * x), 0, 0) : juce::Colours::white);

    // Three quarters: each target column covers 4/3 of a source column; frames stay apart.
    const auto scaled = ScalableImage::scaledDown (strip, 2, 0.75);
    ASSERT_EQ (scaled.getWidth(), 3);
    ASSERT_EQ (scaled.getHeight(), 6);
    EXPECT_EQ (scaled.getPixelAt (0, 0).getRed(), 10); // (0 + 40 / 3) * 3 / 4
    EXPECT_EQ (scaled.getPixelAt (1, 1).getRed(), 60); // (40 * 2 / 3 + 80 * 2 / 3) * 3 / 4
    EXPECT_EQ (scaled.getPixelAt (2, 2).getRed(), 110);
    EXPECT_EQ (scaled.getPixelAt (1, 2).getAlpha(), 255);
    EXPECT_EQ (scaled.getPixelAt (1, 3), juce::Colours::white);

    // The copy is chosen by scale: the image itself at 1, the double-size copy from 2.
    // The images are cached by the address of their bytes, which stay for the whole run.
    juce::MemoryOutputStream stream;
    ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (juce::Image (juce::Image::ARGB, 8, 16, true), stream));
    static const std::vector<char> png (static_cast<const char*> (stream.getData()), static_cast<const char*> (stream.getData()) + stream.getDataSize());
    ScalableImage image (strip, png.data(), (int) png.size(), 2);
    EXPECT_EQ (image.getImageForScale (1.0f).getWidth(), 4);
    EXPECT_EQ (image.getImageForScale (2.0f).getWidth(), 8);
    EXPECT_EQ (image.getImageForScale (3.0f).getWidth(), 8);
    EXPECT_EQ (image.getImageForScale (1.5f).getHeight(), 12);
    EXPECT_EQ (image.getImageForScale (1.25f).getHeight(), 10);
}

TEST (ZoomSetting, ReadsOnlyAZoomItOffersAndNeverFails)
{
    const auto folder = juce::File::createTempFile ("zoom");
    const ZoomSetting setting (folder.getChildFile ("VELK/editor.conf"));
    EXPECT_EQ (setting.load(), 100) << "missing";
    ASSERT_TRUE (setting.save (150));
    EXPECT_EQ (setting.load(), 150);
    EXPECT_FALSE (setting.save (130));
    for (const char* damaged : { "zoom=149\n", "zoom=150x", "zoom=-150", "zoom=", "\xff\xfe\x01", "zoom=99999999999999999999" })
    {
        ASSERT_TRUE (folder.getChildFile ("VELK/editor.conf").replaceWithText (damaged));
        EXPECT_EQ (setting.load(), 100) << damaged;
    }

    // Not a regular file: a device is not read.
    ASSERT_TRUE (folder.getChildFile ("VELK/editor.conf").deleteFile());
    ASSERT_TRUE (juce::File ("/dev/zero").createSymbolicLink (folder.getChildFile ("VELK/editor.conf"), true));
    EXPECT_EQ (setting.load(), 100);

    // Unwritable: a file stands where its folder would be.
    ASSERT_TRUE (folder.getChildFile ("blocked").replaceWithText ("x"));
    const ZoomSetting blocked (folder.getChildFile ("blocked/VELK/editor.conf"));
    EXPECT_FALSE (blocked.save (125));
    EXPECT_EQ (blocked.load(), 100);
    folder.deleteRecursively();
}

TEST (DesktopScale, FromGtkVariableElseXftDpi)
{
    const struct
    {
        const char* gdkScale;
        const char* resources;
        float scale;
    } cases[] = {
        { nullptr, "", 1.0f },
        { "2", "Xft.dpi:\t96", 2.0f },
        { "x", "Xft.dpi:\t192\nXft.antialias:\t1", 2.0f },
        { "0", "Xcursor.size: 24\nXft.dpi: 144", 1.5f },
        { nullptr, "Xft.dpi: 120", 1.25f },
        { nullptr, "Xft.dpi: 72", 1.0f },
        { "9", "", 4.0f },
        { nullptr, "Xft.dpi: lots", 1.0f },
    };
    for (const auto& c : cases)
        EXPECT_EQ (DesktopScale::fromSettings (c.gdkScale, c.resources), c.scale) << (c.gdkScale ? c.gdkScale : "unset") << " " << c.resources;
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
