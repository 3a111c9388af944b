#include "ScalableImage.h"

#include <cmath>
#include <vector>

namespace
{
// Scales within this of 1 or 2 count as 1 or 2: a transform built from float factors (a host's
// 2.0 times a zoom of 1.0) may miss them by a rounding step.
constexpr float scaleTolerance = 1.0e-3f;

/** Source pixels and their coverage (summing to 1) for each of `to` target pixels over `from`. */
struct Tap
{
    int index;
    float weight;
};

std::vector<std::vector<Tap>> tapsFor (int from, int to)
{
    std::vector<std::vector<Tap>> taps ((size_t) to);
    const double step = (double) from / (double) to;
    for (int target = 0; target < to; ++target)
    {
        const double start = target * step, end = std::min ((double) from, (target + 1) * step);
        for (int source = (int) std::floor (start); source < from && (double) source < end; ++source)
        {
            const double covered = std::min (end, source + 1.0) - std::max (start, (double) source);
            if (covered > 0.0)
                taps[(size_t) target].push_back ({ source, (float) (covered / (end - start)) });
        }
    }
    return taps;
}
} // namespace

ScalableImage::ScalableImage (juce::Image newImage, const char* newLargeData, int newLargeSize, int newNumFrames)
    : image (newImage),
      largeData (newLargeData),
      largeSize (newLargeSize),
      numFrames (juce::jmax (1, newNumFrames))
{
}

float ScalableImage::physicalScaleOf (juce::Graphics& g)
{
    return g.getInternalContext().getPhysicalPixelScaleFactor();
}

juce::Image ScalableImage::getImageForScale (float scale)
{
    if (scale <= 1.0f + scaleTolerance || ! image.isValid())
        return image;

    if (! large.isValid())
        large = juce::ImageCache::getFromMemory (largeData, largeSize);
    if (! large.isValid())
        return image;
    if (scale >= 2.0f - scaleTolerance)
        return large;

    // Hundredths are as fine as a screen's scale is given. The copy goes into the framework's
    // image cache, keyed by the embedded data and the scale, so that the other knobs on the same
    // strip, and an editor opened soon after, find it made.
    const int hundredths = juce::roundToInt (scale * 100.0f);
    if (hundredths != scaledHundredths)
    {
        const auto key = (juce::int64) (juce::pointer_sized_uint) largeData ^ ((juce::int64) hundredths << 48);
        scaled = juce::ImageCache::getFromHashCode (key);
        if (! scaled.isValid())
        {
            scaled = scaledDown (large, numFrames, hundredths / 200.0);
            juce::ImageCache::addImageToCache (scaled, key);
        }
        scaledHundredths = hundredths;
    }
    return scaled;
}

void ScalableImage::drawFrame (juce::Graphics& g, int frame, juce::Rectangle<int> area)
{
    const auto source = getImageForScale (physicalScaleOf (g));
    const int frameHeight = source.getHeight() / numFrames;
    if (source.getWidth() <= 0 || frameHeight <= 0)
        return;
    g.drawImage (source, area.getX(), area.getY(), area.getWidth(), area.getHeight(), 0, frame * frameHeight, source.getWidth(), frameHeight,
                 false);
}

juce::Image ScalableImage::scaledDown (const juce::Image& strip, int frames, double scale)
{
    frames = juce::jmax (1, frames);
    const auto source = strip.convertedToFormat (juce::Image::ARGB);
    const int sourceWidth = source.getWidth(), sourceFrameHeight = source.getHeight() / frames;
    const int width = juce::jmax (1, juce::roundToInt (sourceWidth * scale));
    const int frameHeight = juce::jmax (1, juce::roundToInt (sourceFrameHeight * scale));
    juce::Image result (juce::Image::ARGB, width, frameHeight * frames, true);
    if (sourceWidth <= 0 || sourceFrameHeight <= 0)
        return result;

    const auto across = tapsFor (sourceWidth, width), down = tapsFor (sourceFrameHeight, frameHeight);
    const juce::Image::BitmapData in (source, juce::Image::BitmapData::readOnly);
    juce::Image::BitmapData out (result, juce::Image::BitmapData::writeOnly);

    // Premultiplied channels average correctly; rows first, then columns, frame by frame.
    std::vector<float> rows ((size_t) (width * sourceFrameHeight * 4));
    for (int frame = 0; frame < frames; ++frame)
    {
        for (int y = 0; y < sourceFrameHeight; ++y)
        {
            const auto* line = reinterpret_cast<const juce::PixelARGB*> (in.getLinePointer (frame * sourceFrameHeight + y));
            for (int x = 0; x < width; ++x)
            {
                float sum[4] {};
                for (const auto& tap : across[(size_t) x])
                {
                    const auto& pixel = line[tap.index];
                    sum[0] += tap.weight * pixel.getAlpha();
                    sum[1] += tap.weight * pixel.getRed();
                    sum[2] += tap.weight * pixel.getGreen();
                    sum[3] += tap.weight * pixel.getBlue();
                }
                std::copy (sum, sum + 4, rows.begin() + (size_t) ((y * width + x) * 4));
            }
        }

        for (int y = 0; y < frameHeight; ++y)
        {
            auto* line = reinterpret_cast<juce::PixelARGB*> (out.getLinePointer (frame * frameHeight + y));
            for (int x = 0; x < width; ++x)
            {
                float sum[4] {};
                for (const auto& tap : down[(size_t) y])
                    for (int channel = 0; channel < 4; ++channel)
                        sum[channel] += tap.weight * rows[(size_t) ((tap.index * width + x) * 4 + channel)];

                const auto alpha = (juce::uint8) juce::jlimit (0, 255, juce::roundToInt (sum[0]));
                const auto channel = [alpha] (float value)
                { return (juce::uint8) juce::jlimit (0, (int) alpha, juce::roundToInt (value)); };
                line[x].setARGB (alpha, channel (sum[1]), channel (sum[2]), channel (sum[3]));
            }
        }
    }
    return result;
}
