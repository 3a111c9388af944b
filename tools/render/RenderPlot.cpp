#include "RenderPlot.h"

#include <cmath>

namespace
{
using namespace juce;

Font plotFont (float height, bool bold)
{
    // DejaVu, which the set-up installs, so that the picture is the same on every machine.
    static const auto load = [] (const char* path) -> Typeface::Ptr
    {
        MemoryBlock data;
        return File (path).loadFileAsData (data) ? Typeface::createSystemTypefaceFor (data.getData(), data.getSize()) : nullptr;
    };
    static const Typeface::Ptr regular = load ("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    static const Typeface::Ptr boldFace = load ("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
    const auto& face = bold ? boldFace : regular;
    return face != nullptr ? Font (face).withHeight (height) : Font (height, bold ? Font::bold : Font::plain);
}

float dbfs (float magnitude)
{
    return magnitude > 0.0f ? 20.0f * std::log10 (magnitude) : -120.0f;
}
} // namespace

RenderPlot::RenderPlot (juce::int64 numSamples, double rate)
    : totalSamples (juce::jmax ((juce::int64) 1, numSamples)), sampleRate (rate), columns ((size_t) width - 80)
{
}

void RenderPlot::add (juce::int64 position, float inputMagnitude, float outputMagnitude, float gain) noexcept
{
    const auto index = (size_t) juce::jlimit ((juce::int64) 0, (juce::int64) columns.size() - 1,
                                              position * (juce::int64) columns.size() / totalSamples);
    auto& c = columns[index];
    c.input = juce::jmax (c.input, inputMagnitude);
    c.output = juce::jmax (c.output, outputMagnitude);
    c.gain = juce::jmin (c.gain, gain);
}

bool RenderPlot::writePng (const juce::File& file, const juce::String& title, const juce::StringArray& captionLines) const
{
    Image image (Image::RGB, width, height, true);
    Graphics g (image);
    g.fillAll (Colour (0xff15161a));

    const int left = 64, plotWidth = (int) columns.size();
    const Rectangle<int> wave (left, 70, plotWidth, 300), reduction (left, 400, plotWidth, 150);

    g.setColour (Colour (0xffe8e4da));
    g.setFont (plotFont (20.0f, true));
    g.drawText (title, 16, 10, width - 32, 26, Justification::centredLeft);
    g.setColour (Colour (0xff9a968c));
    g.setFont (plotFont (13.0f, false));
    for (int i = 0; i < captionLines.size(); ++i)
        g.drawText (captionLines[i], 16, 36 + 16 * i, width - 32, 16, Justification::centredLeft);

    // Waveform envelopes on a linear scale: the input behind, the output over it.
    g.setColour (Colour (0xff1e2026));
    g.fillRect (wave);
    g.fillRect (reduction);
    g.setColour (Colour (0xff2c2f36));
    g.drawHorizontalLine (wave.getCentreY(), (float) wave.getX(), (float) wave.getRight());

    const float half = wave.getHeight() * 0.5f;
    const auto drawEnvelope = [&] (bool output, Colour colour)
    {
        Path path;
        path.startNewSubPath ((float) wave.getX(), (float) wave.getCentreY());
        for (int x = 0; x < plotWidth; ++x)
        {
            const float m = jmin (1.0f, output ? columns[(size_t) x].output : columns[(size_t) x].input);
            path.lineTo ((float) (wave.getX() + x), wave.getCentreY() - m * half);
        }
        for (int x = plotWidth - 1; x >= 0; --x)
        {
            const float m = jmin (1.0f, output ? columns[(size_t) x].output : columns[(size_t) x].input);
            path.lineTo ((float) (wave.getX() + x), wave.getCentreY() + m * half);
        }
        path.closeSubPath();
        g.setColour (colour);
        g.fillPath (path);
    };
    drawEnvelope (false, Colour (0xff6d7480).withAlpha (0.85f));
    drawEnvelope (true, Colour (0xffe0662c).withAlpha (0.8f));

    // Gain reduction in dB, hanging from the top of its panel.
    float largest = 0.0f;
    for (const auto& c : columns)
        largest = jmax (largest, -dbfs (c.gain));
    const float scaleDb = jmax (6.0f, std::ceil (largest / 3.0f) * 3.0f);

    g.setFont (plotFont (11.0f, false));
    for (float db = 0.0f; db <= scaleDb + 0.01f; db += scaleDb / 3.0f)
    {
        const int y = reduction.getY() + roundToInt (db / scaleDb * (float) reduction.getHeight());
        g.setColour (Colour (0xff2c2f36));
        g.drawHorizontalLine (jmin (y, reduction.getBottom() - 1), (float) reduction.getX(), (float) reduction.getRight());
        g.setColour (Colour (0xff9a968c));
        g.drawText ((db > 0.0f ? String (-db, 0) : String ("0")) + " dB", 4, y - 7, left - 8, 14, Justification::centredRight);
    }
    Path grPath;
    grPath.startNewSubPath ((float) reduction.getX(), (float) reduction.getY());
    for (int x = 0; x < plotWidth; ++x)
        grPath.lineTo ((float) (reduction.getX() + x),
                       reduction.getY() + jmin (1.0f, -dbfs (columns[(size_t) x].gain) / scaleDb) * (float) reduction.getHeight());
    grPath.lineTo ((float) reduction.getRight(), (float) reduction.getY());
    grPath.closeSubPath();
    g.setColour (Colour (0xff49b8e0).withAlpha (0.75f));
    g.fillPath (grPath);

    // Labels and a time axis.
    g.setColour (Colour (0xff9a968c));
    g.drawText ("0 dBFS", 4, wave.getY() - 7, left - 8, 14, Justification::centredRight);
    g.drawText ("0 dBFS", 4, wave.getBottom() - 7, left - 8, 14, Justification::centredRight);
    const double seconds = (double) totalSamples / sampleRate;
    const double tick = seconds > 20.0 ? 5.0 : (seconds > 8.0 ? 2.0 : (seconds > 2.0 ? 1.0 : 0.25));
    for (double t = 0.0; t <= seconds + 1e-9; t += tick)
    {
        const int x = reduction.getX() + roundToInt (t / seconds * (plotWidth - 1));
        g.drawVerticalLine (x, (float) reduction.getBottom(), (float) reduction.getBottom() + 5.0f);
        g.drawText (String (t, t == std::floor (t) ? 0 : 2) + " s", x - 30, reduction.getBottom() + 6, 60, 14, Justification::centred);
    }

    g.setFont (plotFont (12.0f, true));
    g.setColour (Colour (0xff6d7480));
    g.drawText ("input", wave.getRight() - 150, wave.getY() + 6, 60, 14, Justification::centredRight);
    g.setColour (Colour (0xffe0662c));
    g.drawText ("output", wave.getRight() - 80, wave.getY() + 6, 70, 14, Justification::centredRight);
    g.setColour (Colour (0xff49b8e0));
    g.drawText ("gain reduction", reduction.getRight() - 160, reduction.getBottom() - 20, 150, 14, Justification::centredRight);

    file.deleteFile();
    FileOutputStream out (file);
    return out.openedOk() && PNGImageFormat().writeImageToStream (image, out);
}
