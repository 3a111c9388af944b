#include "ZoomSetting.h"

#include <algorithm>
#include <cstdlib>

#include <sys/stat.h>

namespace
{
constexpr const char* zoomKey = "zoom=";
constexpr int defaultZoom = 100;
} // namespace

ZoomSetting::ZoomSetting (juce::File settingsFile)
    : file (std::move (settingsFile))
{
}

juce::File ZoomSetting::getDefaultFile()
{
    // Relative or empty values are ignored, as the XDG base directory rules say.
    const char* configHome = std::getenv ("XDG_CONFIG_HOME");
    const auto folder = configHome != nullptr && juce::File::isAbsolutePath (configHome)
        ? juce::File (configHome)
        : juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".config");
    return folder.getChildFile ("VELK").getChildFile ("editor.conf");
}

bool ZoomSetting::isChoice (int percent) noexcept
{
    return std::find (std::begin (choices), std::end (choices), percent) != std::end (choices);
}

int ZoomSetting::load() const
{
    // Only a regular file is read (a pipe or a device would keep the editor waiting), and only
    // its first bytes: the setting is one short line.
    struct stat status
    {};
    if (stat (file.getFullPathName().toRawUTF8(), &status) != 0 || ! S_ISREG (status.st_mode))
        return defaultZoom;
    juce::FileInputStream in (file);
    if (! in.openedOk())
        return defaultZoom;
    char text[256] {};
    const auto length = in.read (text, (int) sizeof text - 1);

    for (const auto& line : juce::StringArray::fromLines (juce::String::fromUTF8 (text, juce::jmax (0, length))))
    {
        const auto trimmed = line.trim();
        if (! trimmed.startsWith (zoomKey))
            continue;
        const auto value = trimmed.fromFirstOccurrenceOf (zoomKey, false, false);
        const bool isNumber = value.isNotEmpty() && value.length() <= 3 && value.containsOnly ("0123456789");
        return isNumber && isChoice (value.getIntValue()) ? value.getIntValue() : defaultZoom;
    }
    return defaultZoom;
}

bool ZoomSetting::save (int percent) const
{
    if (! isChoice (percent) || ! file.getParentDirectory().createDirectory())
        return false;
    // Written to a temporary file and moved into place: a crash mid-write leaves the old one.
    return file.replaceWithText (juce::String (zoomKey) + juce::String (percent) + "\n", false, false, "\n");
}
