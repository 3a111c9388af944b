#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "DesktopScale.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>

namespace
{
constexpr float largestScale = 4.0f;
} // namespace

float DesktopScale::fromSettings (const char* gdkScale, const juce::String& resources)
{
    const juce::String gdk (gdkScale != nullptr ? gdkScale : "");
    if (gdk.trim().containsOnly ("0123456789") && gdk.trim().getIntValue() >= 1)
        return (float) juce::jmin (gdk.trim().getIntValue(), (int) largestScale);

    for (const auto& line : juce::StringArray::fromLines (resources))
    {
        if (! line.trimStart().startsWith ("Xft.dpi:"))
            continue;
        const auto value = line.fromFirstOccurrenceOf (":", false, false).trim();
        const double dpi = value.getDoubleValue();
        if (value.isEmpty() || ! value.containsOnly ("0123456789.") || dpi <= 0.0)
            return 1.0f;
        return juce::jlimit (1.0f, largestScale, (float) std::round (dpi / 96.0 * 4.0) / 4.0f);
    }
    return 1.0f;
}

float DesktopScale::fromDesktop()
{
    juce::String resources;
    auto* windowSystem = juce::XWindowSystem::getInstance();
    if (auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr)
    {
        // The database xrdb loads, kept on the first screen's root window.
        auto* x11 = juce::X11Symbols::getInstance();
        const juce::XWindowSystemUtilities::ScopedXLock xLock;
        const auto property = x11->xInternAtom (display, "RESOURCE_MANAGER", True);
        if (property != None)
        {
            const juce::XWindowSystemUtilities::GetXProperty text (display, x11->xRootWindow (display, 0), property, 0, 1 << 16, false,
                                                                   XA_STRING);
            if (text.success && text.data != nullptr && text.actualFormat == 8)
                resources = juce::String::fromUTF8 (reinterpret_cast<const char*> (text.data), (int) text.numItems);
        }
    }
    return fromSettings (std::getenv ("GDK_SCALE"), resources);
}
