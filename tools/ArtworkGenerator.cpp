// Draws the editor's seven images at their own size and at twice it, and writes them as PNG files
// into a folder:
//
//     velk-artwork <folder>
//
// Both sizes are drawn from the same geometry, in the editor's units; the larger ones carry
// "_2x" in their names. The faceplate is written as an 8-bit palette PNG at its own size and as
// 8-bit RGB at twice it; the film strips as 8-bit RGBA. Everything is drawn from code with the
// DejaVu fonts, so the images can be made again from source.

#include "EditorLayout.h"

#include <juce_graphics/juce_graphics.h>

#include <png.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

namespace
{
using namespace juce;
namespace layout = editorlayout;

Typeface::Ptr regularFace, boldFace;

Font font (float height, bool bold = true)
{
    return Font (bold ? boldFace : regularFace).withHeight (height);
}

Typeface::Ptr loadFace (const char* path)
{
    MemoryBlock data;
    if (! File (path).loadFileAsData (data))
        return nullptr;
    return Typeface::createSystemTypefaceFor (data.getData(), data.getSize());
}

/** A rectangle of the panel image that lies under a component at editor bounds b. */
Rectangle<float> onPanel (const layout::Box& b)
{
    return { (float) (b.x - layout::panelOffsetX), (float) (b.y - layout::panelOffsetY), (float) b.w, (float) b.h };
}

/** An image of w x h editor units at the given scale, and a context that draws on it in those units. */
struct Canvas
{
    Canvas (Image::PixelFormat format, int w, int h, int scale)
        : image (format, w * scale, h * scale, true),
          g (image)
    {
        if (scale != 1)
            g.addTransform (AffineTransform::scale ((float) scale));
    }

    Image image;
    Graphics g;
};

const Colour captionColour (0xffd9d4c7);
const Colour dimText (0xff8e8a80);
const Colour accent (0xffd23a2a);

//==============================================================================
void drawScrew (Graphics& g, float cx, float cy, float angle)
{
    const float r = 5.5f;
    g.setGradientFill (ColourGradient (Colour (0xff9a9a9a), cx - r, cy - r, Colour (0xff2a2a2a), cx + r, cy + r, false));
    g.fillEllipse (cx - r, cy - r, 2 * r, 2 * r);
    g.setColour (Colour (0xff0a0a0a));
    g.drawEllipse (cx - r, cy - r, 2 * r, 2 * r, 1.0f);
    Path slot;
    slot.addRectangle (-r + 1.5f, -0.8f, 2 * r - 3.0f, 1.6f);
    g.setColour (Colour (0xff151515));
    g.fillPath (slot, AffineTransform::rotation (angle).translated (cx, cy));
}

Colour lampColour (int lamp)
{
    // Green at the top through yellow and orange to red at the bottom.
    static const uint32 colours[layout::meterLamps] = { 0xff38e050, 0xff38e050, 0xff9be83a, 0xffe8e03a,
                                                        0xfff0b030, 0xffff8a24, 0xffff5a24, 0xffff2a2a };
    return Colour (colours[lamp]);
}

Rectangle<float> lampRect (int lamp)
{
    return { 3.0f, (float) (lamp * layout::meterLampPitch + 2), 17.0f, 12.0f };
}

void drawLamp (Graphics& g, Rectangle<float> r, Colour colour, bool lit)
{
    if (lit)
    {
        g.setColour (colour.withAlpha (0.35f));
        g.fillRoundedRectangle (r.expanded (1.5f), 4.0f);
        g.setGradientFill (ColourGradient (colour.brighter (0.6f), r.getCentreX(), r.getY(), colour, r.getCentreX(), r.getBottom(), false));
        g.fillRoundedRectangle (r, 3.0f);
        g.setColour (Colours::white.withAlpha (0.45f));
        g.fillRoundedRectangle (r.reduced (3.0f, 2.0f).withHeight (3.0f), 1.5f);
    }
    else
    {
        g.setColour (Colour (0xff050505));
        g.fillRoundedRectangle (r.expanded (1.0f), 3.5f);
        g.setColour (colour.withMultipliedBrightness (0.22f).withMultipliedSaturation (0.7f));
        g.fillRoundedRectangle (r, 3.0f);
        g.setColour (Colours::white.withAlpha (0.06f));
        g.fillRoundedRectangle (r.reduced (3.0f, 2.0f).withHeight (3.0f), 1.5f);
    }
}

//==============================================================================
Image drawPanel (int scale)
{
    const int w = layout::width, h = layout::height;
    Canvas canvas (Image::RGB, w, h, scale);
    auto& g = canvas.g;

    g.setGradientFill (ColourGradient (Colour (0xff202020), 0, 0, Colour (0xff0c0c0c), 0, (float) h, false));
    g.fillAll();

    // Brushed finish: faint horizontal strokes of varying grey.
    Random random (1004);
    for (int y = 0; y < h; ++y)
    {
        const float level = random.nextFloat();
        g.setColour (Colours::white.withAlpha (0.012f + 0.02f * level));
        g.drawHorizontalLine (y, (float) random.nextInt (40), (float) (w - random.nextInt (40)));
    }

    // Bevelled edge.
    g.setColour (Colour (0xff3a3a3a));
    g.drawHorizontalLine (0, 0.0f, (float) w);
    g.drawVerticalLine (0, 0.0f, (float) h);
    g.setColour (Colour (0xff000000));
    g.drawHorizontalLine (h - 1, 0.0f, (float) w);
    g.drawVerticalLine (w - 1, 0.0f, (float) h);

    // The bottom screws sit above the link and the version label, which would cover them.
    drawScrew (g, 10.0f, 10.0f, 0.5f);
    drawScrew (g, (float) w - 14.0f, 10.0f, 1.9f);
    drawScrew (g, 10.0f, (float) h - 30.0f, 2.6f);
    drawScrew (g, (float) w - 14.0f, (float) h - 30.0f, 0.9f);

    // Large knobs: a recessed well and the caption over the dial.
    for (auto [box, caption] : { std::pair { layout::inputKnob, "INPUT" }, std::pair { layout::attackKnob, "ATTACK" },
                                 std::pair { layout::releaseKnob, "RELEASE" }, std::pair { layout::outputKnob, "OUTPUT" } })
    {
        const auto r = onPanel (box);
        const float cx = r.getX() + layout::bigDialCentreX, cy = r.getY() + layout::bigDialCentreY;
        const float well = layout::bigDialRadius + 9.0f;
        g.setGradientFill (ColourGradient (Colour (0xff050505), cx, cy - well, Colour (0xff262626), cx, cy + well, false));
        g.fillEllipse (cx - well, cy - well, 2 * well, 2 * well);

        g.setColour (captionColour);
        g.setFont (font (11.0f));
        g.drawText (caption, Rectangle<float> (r.getX(), r.getY() - 1.0f, r.getWidth(), 13.0f), Justification::centred);
    }

    // Switch knobs: caption under each.
    for (auto [box, caption] : { std::pair { layout::ratioKnob, "RATIO" }, std::pair { layout::distortionKnob, "DIST" },
                                 std::pair { layout::filterKnob, "FILT" } })
    {
        const auto r = onPanel (box);
        g.setColour (captionColour);
        g.setFont (font (10.0f));
        g.drawText (caption, Rectangle<float> (r.getX(), r.getBottom() - 13.0f, r.getWidth(), 12.0f), Justification::centred);
    }

    // Clip lamp socket and its caption.
    {
        const auto r = onPanel (layout::peakLed);
        g.setColour (Colour (0xff000000));
        g.fillEllipse (r.expanded (3.0f));
        g.setColour (Colour (0xff4a4a4a));
        g.drawEllipse (r.expanded (3.0f), 1.0f);
        g.setColour (accent);
        g.setFont (font (8.5f));
        g.drawText ("REDLINE", Rectangle<float> (r.getCentreX() - 24.0f, r.getBottom() + 5.0f, 48.0f, 10.0f), Justification::centred);
    }

    // Meter: the unlit lamps, the scale and its heading.
    {
        const auto r = onPanel (layout::meter);
        g.setColour (Colour (0xff000000));
        g.fillRoundedRectangle (r.expanded (2.0f), 4.0f);
        g.setColour (Colour (0xff3a3a3a));
        g.drawRoundedRectangle (r.expanded (2.0f), 4.0f, 1.0f);

        static const char* const scale[layout::meterLamps] = { "1", "2", "3", "5", "7", "10", "15", "20" };
        for (int lamp = 0; lamp < layout::meterLamps; ++lamp)
        {
            drawLamp (g, lampRect (lamp).translated (r.getX(), r.getY()), lampColour (lamp), false);
            g.setColour (captionColour);
            g.setFont (font (9.0f, false));
            g.drawText (scale[lamp], Rectangle<float> (r.getRight() + 5.0f, r.getY() + (float) (lamp * layout::meterLampPitch), 24.0f, 16.0f),
                        Justification::centredLeft);
        }

        g.setFont (font (10.0f));
        g.drawText ("GR", Rectangle<float> (r.getX() - 6.0f, r.getY() - 17.0f, r.getWidth() + 12.0f, 12.0f), Justification::centred);
        g.setColour (dimText);
        g.setFont (font (7.5f, false));
        g.drawText ("dB", Rectangle<float> (r.getRight() + 5.0f, r.getY() - 15.0f, 24.0f, 10.0f), Justification::centredLeft);
    }

    // Logo.
    {
        const Rectangle<float> area (8.0f, 512.0f, 92.0f, 40.0f);
        g.setColour (accent);
        g.fillRect (area.getX() + 2.0f, area.getY() - 4.0f, 30.0f, 2.0f);
        g.setColour (captionColour);
        g.setFont (font (31.0f));
        g.drawText ("VELK", area, Justification::centredLeft);
        g.setColour (dimText);
        g.setFont (font (6.5f));
        g.drawText ("STEREO COMPRESSOR", Rectangle<float> (area.getX() + 1.0f, area.getBottom(), 96.0f, 9.0f), Justification::centredLeft);
    }

    return canvas.image;
}

//==============================================================================
/** One large knob, its dial at (cx, cy) turned by rotation, with the fixed pointer above it. */
void drawBigKnob (Graphics& g, float cx, float cy, float rotation)
{
    const float r = layout::bigDialRadius;

    // Shadow and knurled skirt.
    g.setColour (Colours::black.withAlpha (0.55f));
    g.fillEllipse (cx - r - 2.0f, cy - r + 1.0f, 2 * r + 4.0f, 2 * r + 4.0f);
    g.setGradientFill (ColourGradient (Colour (0xff4a4a4a), cx, cy - r, Colour (0xff101010), cx, cy + r, false));
    g.fillEllipse (cx - r, cy - r, 2 * r, 2 * r);
    g.setColour (Colour (0xff070707));
    for (int notch = 0; notch < 72; ++notch)
    {
        const float a = rotation + MathConstants<float>::twoPi * (float) notch / 72.0f;
        g.drawLine (cx + (r - 3.0f) * std::sin (a), cy - (r - 3.0f) * std::cos (a), cx + r * std::sin (a), cy - r * std::cos (a), 1.0f);
    }

    // Face.
    const float face = r - 5.0f;
    g.setGradientFill (ColourGradient (Colour (0xff3c3c3c), cx - face * 0.4f, cy - face * 0.6f, Colour (0xff121212), cx + face * 0.5f, cy + face, true));
    g.fillEllipse (cx - face, cy - face, 2 * face, 2 * face);
    g.setColour (Colour (0xff5a5a5a));
    g.drawEllipse (cx - face, cy - face, 2 * face, 2 * face, 0.8f);

    // Numbers 0 to 11 and ticks, printed on the turning face.
    for (int n = 0; n <= 11; ++n)
    {
        const float a = rotation + MathConstants<float>::pi * (300.0f * (float) n / 11.0f) / 180.0f;
        Graphics::ScopedSaveState state (g);
        g.addTransform (AffineTransform::rotation (a).translated (cx, cy));
        g.setColour (n == 11 ? accent : captionColour);
        g.setFont (font (9.5f));
        g.drawText (String (n), Rectangle<float> (-9.0f, -face + 2.5f, 18.0f, 10.0f), Justification::centred);
        g.setColour (dimText);
        g.drawLine (0.0f, -face + 14.0f, 0.0f, -face + 17.0f, 1.0f);
    }

    // Centre cap with a fixed highlight.
    const float cap = 12.0f;
    g.setGradientFill (ColourGradient (Colour (0xff6a6a6a), cx - cap, cy - cap, Colour (0xff1a1a1a), cx + cap, cy + cap, false));
    g.fillEllipse (cx - cap, cy - cap, 2 * cap, 2 * cap);

    // The fixed pointer above the dial.
    Path pointer;
    pointer.addTriangle (cx - 5.0f, cy - r - 10.0f, cx + 5.0f, cy - r - 10.0f, cx, cy - r - 2.0f);
    g.setColour (accent);
    g.fillPath (pointer);
}

Image drawBigKnobStrip (int scale)
{
    constexpr int size = 128, frames = 101;
    Canvas canvas (Image::ARGB, size, size * frames, scale);

    // The dial turns anticlockwise as the value rises: 0 sits under the pointer at the lowest
    // frame, 11 at the highest.
    for (int frame = 0; frame < frames; ++frame)
        drawBigKnob (canvas.g, layout::bigDialCentreX, layout::bigDialCentreY + (float) (frame * size),
                     -MathConstants<float>::pi * (300.0f * (float) frame / 100.0f) / 180.0f);

    return canvas.image;
}

/** The application's icon, 256 units square: a large knob on the panel's finish, and the name. */
Image drawIcon (int scale)
{
    constexpr float size = 256.0f;
    Canvas canvas (Image::ARGB, (int) size, (int) size, scale);
    auto& g = canvas.g;

    const Rectangle<float> body (8.0f, 8.0f, size - 16.0f, size - 16.0f);
    g.setGradientFill (ColourGradient (Colour (0xff262626), 0, body.getY(), Colour (0xff0c0c0c), 0, body.getBottom(), false));
    g.fillRoundedRectangle (body, 36.0f);
    g.setColour (Colour (0xff3a3a3a));
    g.drawRoundedRectangle (body.reduced (1.0f), 35.0f, 2.0f);

    // A knob one and a half times its size on the panel, its pointer near the top.
    {
        constexpr float zoom = 1.6f;
        Graphics::ScopedSaveState state (g);
        g.addTransform (AffineTransform::scale (zoom).translated (size / 2 - zoom * layout::bigDialCentreX, -4.8f));
        drawBigKnob (g, layout::bigDialCentreX, layout::bigDialCentreY, -MathConstants<float>::pi * (300.0f * 0.35f) / 180.0f);
    }

    g.setColour (captionColour);
    g.setFont (font (38.0f));
    g.drawText ("VELK", Rectangle<float> (0.0f, 184.0f, size, 40.0f), Justification::centred);
    g.setColour (accent);
    g.fillRect (size / 2 - 28.0f, 226.0f, 56.0f, 4.0f);
    return canvas.image;
}
} // namespace

namespace
{
/** A switch knob strip: one frame per position, the pointer on that position of the scale. */
Image drawSwitchStrip (const std::vector<String>& labels, int scale)
{
    constexpr int size = 80;
    const int frames = (int) labels.size();
    Canvas canvas (Image::ARGB, size, size * frames, scale);
    auto& g = canvas.g;
    const float cx = layout::switchCentreX, r = layout::switchRadius;

    const auto angleOf = [frames] (int position)
    {
        return MathConstants<float>::pi * (-120.0f + 240.0f * (float) position / (float) (frames - 1)) / 180.0f;
    };

    for (int frame = 0; frame < frames; ++frame)
    {
        const float cy = layout::switchCentreY + (float) (frame * size);

        // The printed scale: a dot and a label per position, the selected one lit.
        for (int position = 0; position < frames; ++position)
        {
            const float a = angleOf (position);
            const bool selected = position == frame;
            g.setColour (selected ? accent : dimText);
            const float dot = r + 5.0f;
            g.fillEllipse (cx + dot * std::sin (a) - 1.5f, cy - dot * std::cos (a) - 1.5f, 3.0f, 3.0f);

            const float lx = cx + (r + 15.0f) * std::sin (a), ly = cy - (r + 15.0f) * std::cos (a);
            g.setColour (selected ? Colours::white : captionColour.withAlpha (0.75f));
            g.setFont (font (7.5f));
            g.drawFittedText (labels[(size_t) position], Rectangle<int> ((int) lx - 16, (int) ly - 8, 32, 16), Justification::centred, 2, 1.0f);
        }

        // Knob body with a fixed light and a pointer line that turns.
        g.setColour (Colours::black.withAlpha (0.6f));
        g.fillEllipse (cx - r - 1.5f, cy - r + 1.0f, 2 * r + 3.0f, 2 * r + 3.0f);
        g.setGradientFill (ColourGradient (Colour (0xff5a5a5a), cx - r * 0.5f, cy - r, Colour (0xff141414), cx + r * 0.5f, cy + r, false));
        g.fillEllipse (cx - r, cy - r, 2 * r, 2 * r);
        g.setColour (Colour (0xff707070));
        g.drawEllipse (cx - r, cy - r, 2 * r, 2 * r, 0.8f);

        const float a = angleOf (frame);
        g.setColour (Colours::white);
        g.drawLine (cx + 3.0f * std::sin (a), cy - 3.0f * std::cos (a), cx + (r - 2.0f) * std::sin (a), cy - (r - 2.0f) * std::cos (a), 2.2f);
    }

    return canvas.image;
}

/** The clip lamp: frame 0 off (dark red), frame 1 lit. */
Image drawLampStrip (int scale)
{
    Canvas canvas (Image::ARGB, layout::peakLed.w, layout::peakLed.h * layout::lampFrames, scale);
    auto& g = canvas.g;
    for (int frame = 0; frame < layout::lampFrames; ++frame)
    {
        const Rectangle<float> r (1.0f, 1.0f + 11.0f * (float) frame, 9.0f, 9.0f);
        const Colour base = frame == 0 ? Colour (0xff4a0d0b) : Colour (0xffff2a1a);
        g.setGradientFill (ColourGradient (base.brighter (frame == 0 ? 0.3f : 0.9f), r.getX() + 2.0f, r.getY() + 2.0f,
                                           base.darker (0.4f), r.getRight(), r.getBottom(), true));
        g.fillEllipse (r);
        g.setColour (Colours::white.withAlpha (frame == 0 ? 0.15f : 0.7f));
        g.fillEllipse (r.getX() + 2.0f, r.getY() + 1.5f, 3.0f, 2.5f);
    }
    return canvas.image;
}

/** The meter: frame 0 empty, frame k the top k lamps lit. */
Image drawMeterStrip (int scale)
{
    const int w = layout::meter.w, h = layout::meter.h;
    Canvas canvas (Image::ARGB, w, h * layout::meterFrames, scale);
    for (int frame = 1; frame <= layout::meterLamps; ++frame)
        for (int lamp = 0; lamp < frame; ++lamp)
            drawLamp (canvas.g, lampRect (lamp).translated (0.0f, (float) (frame * h)), lampColour (lamp), true);
    return canvas.image;
}

//==============================================================================
bool writeRgbaPng (const Image& image, const File& file)
{
    file.deleteFile();
    FileOutputStream out (file);
    return out.openedOk() && PNGImageFormat().writeImageToStream (image, out);
}

/** An opaque image as an 8-bit palette PNG: its own colours when there are 256 or fewer,
    else the 256 most frequent ones, every pixel taking the nearest. */
bool writePalettePng (const Image& image, const File& file)
{
    const int w = image.getWidth(), h = image.getHeight();
    std::map<uint32, int> counts;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ++counts[image.getPixelAt (x, y).getARGB() & 0xffffff];

    std::vector<std::pair<int, uint32>> byFrequency;
    for (auto [colour, count] : counts)
        byFrequency.push_back ({ -count, colour });
    std::sort (byFrequency.begin(), byFrequency.end());
    std::vector<uint32> palette;
    for (size_t i = 0; i < byFrequency.size() && i < 256; ++i)
        palette.push_back (byFrequency[i].second);

    std::map<uint32, uint8> indexOf;
    for (auto [colour, count] : counts)
    {
        ignoreUnused (count);
        int best = 0;
        long bestDistance = -1;
        for (size_t i = 0; i < palette.size(); ++i)
        {
            const long dr = (long) ((colour >> 16) & 255) - (long) ((palette[i] >> 16) & 255);
            const long dg = (long) ((colour >> 8) & 255) - (long) ((palette[i] >> 8) & 255);
            const long db = (long) (colour & 255) - (long) (palette[i] & 255);
            const long distance = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || distance < bestDistance)
            {
                bestDistance = distance;
                best = (int) i;
            }
        }
        indexOf[colour] = (uint8) best;
    }

    FILE* out = std::fopen (file.getFullPathName().toRawUTF8(), "wb");
    if (out == nullptr)
        return false;

    png_structp png = png_create_write_struct (PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct (png);
    if (setjmp (png_jmpbuf (png)))
    {
        png_destroy_write_struct (&png, &info);
        std::fclose (out);
        return false;
    }

    png_init_io (png, out);
    png_set_IHDR (png, info, (png_uint_32) w, (png_uint_32) h, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                  PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> entries;
    for (auto colour : palette)
        entries.push_back ({ (png_byte) ((colour >> 16) & 255), (png_byte) ((colour >> 8) & 255), (png_byte) (colour & 255) });
    png_set_PLTE (png, info, entries.data(), (int) entries.size());
    png_write_info (png, info);

    std::vector<png_byte> row ((size_t) w);
    for (int y = 0; y < h; ++y)
    {
        for (int x = 0; x < w; ++x)
            row[(size_t) x] = indexOf[image.getPixelAt (x, y).getARGB() & 0xffffff];
        png_write_row (png, row.data());
    }

    png_write_end (png, nullptr);
    png_destroy_write_struct (&png, &info);
    return std::fclose (out) == 0;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: velk-artwork <folder>\n");
        return 2;
    }

    regularFace = loadFace ("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    boldFace = loadFace ("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
    if (regularFace == nullptr || boldFace == nullptr)
    {
        std::fprintf (stderr, "velk-artwork: the DejaVu fonts are missing (Debian package fonts-dejavu-core)\n");
        return 1;
    }

    const File folder = File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    folder.createDirectory();

    bool ok = true;
    for (const int scale : { 1, 2 })
    {
        const auto file = [&] (const char* name)
        { return folder.getChildFile (String (name) + (scale == 1 ? "" : "_2x") + ".png"); };
        ok = ok && (scale == 1 ? writePalettePng (drawPanel (scale), file ("VELKBodyBG")) : writeRgbaPng (drawPanel (scale), file ("VELKBodyBG")));
        ok = ok && writeRgbaPng (drawBigKnobStrip (scale), file ("bigKnob101"));
        ok = ok && writeRgbaPng (drawSwitchStrip ({ "1", "2", "4", "8", "20", "LIM" }, scale), file ("myRatioBtn"));
        ok = ok && writeRgbaPng (drawSwitchStrip ({ "SOFT", "WARM", "HOT", "BLEND", "DRIVE" }, scale), file ("Dist"));
        ok = ok && writeRgbaPng (drawSwitchStrip ({ "OFF", "SC HP", "HP", "SC BELL" }, scale), file ("Hpf"));
        ok = ok && writeRgbaPng (drawLampStrip (scale), file ("bmp00132"));
        ok = ok && writeRgbaPng (drawMeterStrip (scale), file ("meter11_1"));
        ok = ok && writeRgbaPng (drawIcon (scale), file ("velk-icon"));
    }

    if (! ok)
    {
        std::fprintf (stderr, "velk-artwork: could not write the images into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
