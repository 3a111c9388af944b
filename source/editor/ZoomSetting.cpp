#include "ZoomSetting.h"

#include <algorithm>
#include <cstdlib>

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
    // A settings file is a line or two: anything large is not ours.
    if (! file.existsAsFile() || file.getSize() > 256)
        return defaultZoom;

    for (const auto& line : juce::StringArray::fromLines (file.loadFileAsString()))
    {
        const auto trimmed = line.trim();
        if (! trimmed.startsWith (zoomKey))
            continue;
        const auto value = trimmed.fromFirstOccurrenceOf (zoomKey, false, false);
        const int percent = value.getIntValue();
        return value.containsOnly ("0123456789") && isChoice (percent) ? percent : defaultZoom;
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
