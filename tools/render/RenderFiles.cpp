#include "RenderFiles.h"

#include <sys/stat.h>

namespace renderfiles
{
using juce::String;

juce::File fileFor (const juce::String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (path);
}

/** True when two paths name one file: the same path, or (through a link or another spelling of
    the path) the same file on disk. */
bool isSameFile (const juce::File& a, const juce::File& b)
{
    if (a == juce::File() || b == juce::File())
        return false;
    if (a == b)
        return true;
    struct stat first = {};
    struct stat second = {};
    return ::stat (a.getFullPathName().toRawUTF8(), &first) == 0 && ::stat (b.getFullPathName().toRawUTF8(), &second) == 0
        && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

/** The folder of this program, and its installation prefix's lib folder (/usr/lib for /usr/bin). */
juce::File programFolder()
{
    // Where the program file is, however it was started (by name through $PATH, or by a path).
    return juce::File ("/proc/self/exe").getLinkedTarget().getParentDirectory();
}

juce::File prefixLibFolder()
{
    return programFolder().getParentDirectory().getChildFile ("lib");
}

/** The LV2 bundle for --preset and --key: the one asked for, else the first VELK.lv2 found. */
String findLv2Bundle (const juce::String& requested)
{
    if (requested.isNotEmpty())
        return fileFor (requested).getFullPathName();

    juce::Array<juce::File> folders { programFolder(), programFolder().getChildFile ("lv2") };
    if (const char* lv2Path = std::getenv ("LV2_PATH"); lv2Path != nullptr)
        for (const auto& folder : juce::StringArray::fromTokens (lv2Path, ":", ""))
            if (folder.isNotEmpty())
                folders.add (juce::File (folder));
    folders.add (juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".lv2"));
    folders.add (prefixLibFolder().getChildFile ("lv2"));
    for (const auto& folder : folders)
        if (folder.getChildFile ("VELK.lv2/manifest.ttl").existsAsFile())
            return folder.getChildFile ("VELK.lv2").getFullPathName();
    throw RenderFailure ("no VELK.lv2 beside velk-render, in $LV2_PATH, ~/.lv2 or " + prefixLibFolder().getChildFile ("lv2").getFullPathName()
                         + "; give one with --lv2 FOLDER");
}

/** The VST 2.4 module: the one asked for, else beside this program, in $VST_PATH, in ~/.vst, in
    the prefix's vst folder (where the package installs it). */
String findModule (const juce::String& requested)
{
    if (requested.isNotEmpty())
        return fileFor (requested).getFullPathName();

    const auto beside = programFolder().getChildFile ("VELK.so");
    if (beside.existsAsFile())
        return beside.getFullPathName();
    if (const char* vstPath = std::getenv ("VST_PATH"); vstPath != nullptr && *vstPath != 0)
        return juce::File (vstPath).getChildFile ("VELK.so").getFullPathName();
    const auto home = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".vst/VELK.so");
    const auto installed = prefixLibFolder().getChildFile ("vst/VELK.so");
    return (installed.existsAsFile() && ! home.existsAsFile() ? installed : home).getFullPathName();
}

/** Throws unless a file can be written at path: its folder exists and can be written, and it is
    not a folder or a read-only file. */
juce::File checkWritable (const juce::String& path, const String& what)
{
    const auto file = fileFor (path);
    const auto folder = file.getParentDirectory();
    if (! folder.isDirectory())
        throw RenderFailure ("cannot write " + what + " " + path + ": no such folder");
    if (file.isDirectory())
        throw RenderFailure ("cannot write " + what + " " + path + ": it is a folder");
    if (! folder.hasWriteAccess() || (file.exists() && ! file.hasWriteAccess()))
        throw RenderFailure ("cannot write " + what + " " + path + ": permission denied");
    return file;
}

} // namespace renderfiles
