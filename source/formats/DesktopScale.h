#pragma once

#include <juce_core/juce_core.h>

/**
    The desktop's scale as other toolkits read it, for the standalone application where the
    framework finds none: GDK_SCALE (a whole number, as GTK takes it), else the X resource Xft.dpi
    over 96, to the nearest quarter. Between 1 and 4; 1 when neither says more.
*/
class DesktopScale
{
public:
    /** gdkScale: the GDK_SCALE variable, or null when unset; resources: the X resource database. */
    static float fromSettings (const char* gdkScale, const juce::String& resources);

    /** From this process's environment and the X server's resource database. */
    static float fromDesktop();
};
