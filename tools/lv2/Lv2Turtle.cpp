// Writes the LV2 bundle's descriptions (manifest.ttl, velk.ttl, presets.ttl) from the parameter
// table, the port layout and the version: the build runs it, so they are never edited by hand.
//
//     velk-lv2-turtle BUNDLE_FOLDER BINARY_NAME

#include "FactoryPresetTable.h"
#include "Lv2Ports.h"
#include "VelkVersion.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace
{
constexpr const char* prefixes = R"(@prefix doap:  <http://usefulinc.com/ns/doap#> .
@prefix foaf:  <http://xmlns.com/foaf/0.1/> .
@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .
@prefix opts:  <http://lv2plug.in/ns/ext/options#> .
@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .
@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .
@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .
@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .
@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .
@prefix units: <http://lv2plug.in/ns/extensions/units#> .

)";

/** The ports change with this version; the editor's version is the project's. */
constexpr int lv2MinorVersion = 3, lv2MicroVersion = 0;

/** A plain decimal (Turtle's xsd:decimal, never a double in exponent form, which some hosts drop):
    the fewest digits that read back as the same float, with a decimal point. */
std::string number (float value)
{
    char text[64];
    const auto written = std::to_chars (text, text + sizeof text, value, std::chars_format::fixed);
    std::string result (text, written.ptr);
    if (result.find ('.') == std::string::npos)
        result += ".0";
    return result;
}

std::string projectUri()
{
    return std::string (velk::version::lv2Uri) + "#project";
}

void writePort (std::ostream& out, int index, bool last, const std::string& body)
{
    out << "        [\n"
        << body << "            lv2:index " << index << " ;\n        ]" << (last ? " ;\n" : " ,\n");
}

std::string audioPort (bool input, int channel, int channels, const char* const* names)
{
    std::ostringstream body;
    body << "            a lv2:AudioPort , lv2:" << (input ? "InputPort" : "OutputPort") << " ;\n"
         << "            lv2:symbol \"" << (input ? "in_" : "out_") << (channels == 1 ? "mono" : names[channel]) << "\" ;\n"
         << "            lv2:name \"" << (input ? "In " : "Out ") << (channels == 1 ? "Mono" : names[channel + 2]) << "\" ;\n";
    return body.str();
}

std::string parameterPort (const velk::ParameterInfo& info)
{
    std::ostringstream body;
    body << "            a lv2:InputPort , lv2:ControlPort ;\n"
         << "            lv2:symbol \"" << info.id << "\" ;\n"
         << "            lv2:name \"" << info.name << "\" ;\n"
         << "            lv2:default " << number (info.defaultValue) << " ;\n";
    if (info.isSwitch())
    {
        body << "            lv2:minimum " << number ((float) info.firstPosition) << " ;\n"
             << "            lv2:maximum " << number ((float) (info.firstPosition + info.numPositions - 1)) << " ;\n"
             << "            lv2:portProperty lv2:integer , lv2:enumeration ;\n";
        for (int position = 0; position < info.numPositions; ++position)
            body << "            lv2:scalePoint [ rdfs:label \"" << info.captions[position] << "\" ; rdf:value "
                 << number ((float) (info.firstPosition + position)) << " ] ;\n";
    }
    else
    {
        body << "            lv2:minimum 0.0 ;\n            lv2:maximum 1.0 ;\n";
    }
    return body.str();
}

void writePlugin (std::ostream& out, const char* uri, const char* name, const lv2ports::Layout& layout)
{
    const char* const names[] = { "left", "right", "Left", "Right" };

    out << "<" << uri << ">\n"
        << "    a lv2:Plugin , lv2:CompressorPlugin ;\n"
        << "    doap:name \"" << name << "\" ;\n"
        << "    doap:license <http://usefulinc.com/doap/licenses/gpl> ;\n"
        << "    lv2:project <" << projectUri() << "> ;\n"
        << "    lv2:minorVersion " << lv2MinorVersion << " ;\n"
        << "    lv2:microVersion " << lv2MicroVersion << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable ;\n"
        << "    ui:ui <" << velk::version::lv2UiUri << "> ;\n"
        << "    lv2:port\n";

    for (int channel = 0; channel < layout.channels; ++channel)
        writePort (out, layout.audioIn (channel), false, audioPort (true, channel, layout.channels, names));
    for (int channel = 0; channel < layout.channels; ++channel)
        writePort (out, layout.audioOut (channel), false, audioPort (false, channel, layout.channels, names));
    for (const auto& info : velk::parameterTable)
        writePort (out, layout.parameter (info.index), false, parameterPort (info));

    writePort (out, layout.enabled(), false,
               "            a lv2:InputPort , lv2:ControlPort ;\n"
               "            lv2:symbol \"enabled\" ;\n            lv2:name \"Enabled\" ;\n"
               "            lv2:designation lv2:enabled ;\n"
               "            lv2:default 1 ;\n            lv2:minimum 0 ;\n            lv2:maximum 1 ;\n"
               "            lv2:portProperty lv2:integer , lv2:toggled ;\n");
    writePort (out, layout.latency(), false,
               "            a lv2:OutputPort , lv2:ControlPort ;\n"
               "            lv2:symbol \"latency\" ;\n            lv2:name \"Latency\" ;\n"
               "            lv2:designation lv2:latency ;\n"
               "            lv2:minimum 0 ;\n            lv2:maximum 0 ;\n"
               "            lv2:portProperty lv2:integer , pprops:notOnGUI ;\n");
    writePort (out, layout.gainReduction(), false,
               "            a lv2:OutputPort , lv2:ControlPort ;\n"
               "            lv2:symbol \"gain_reduction\" ;\n            lv2:name \"Gain reduction\" ;\n"
               "            lv2:minimum 0.0 ;\n            lv2:maximum "
                   + number (lv2ports::maxReductionDb) + " ;\n            units:unit units:db ;\n");
    writePort (out, layout.clip(), false,
               "            a lv2:OutputPort , lv2:ControlPort ;\n"
               "            lv2:symbol \"clip\" ;\n            lv2:name \"Clip\" ;\n"
               "            lv2:minimum 0 ;\n            lv2:maximum 1 ;\n"
               "            lv2:portProperty lv2:toggled ;\n");
    writePort (out, layout.sidechain(), false, parameterPort (velk::formatParameterTable[velk::sidechainParameter - velk::numParameters]));
    for (int channel = 0; channel < layout.channels; ++channel)
    {
        std::ostringstream key;
        key << "            a lv2:AudioPort , lv2:InputPort ;\n"
            << "            lv2:symbol \"key_" << (layout.channels == 1 ? "mono" : names[channel]) << "\" ;\n"
            << "            lv2:name \"Sidechain " << (layout.channels == 1 ? "Mono" : names[channel + 2]) << "\" ;\n"
            << "            lv2:portProperty lv2:isSideChain , lv2:connectionOptional ;\n";
        writePort (out, layout.keyIn (channel), channel + 1 == layout.channels, key.str());
    }
    out << "    rdfs:comment \"A compressor with colouring stages.\" .\n\n";
}

/** A preset's URI: the plug-in's, then the preset's name in lower case with dashes (the first,
    the defaults, keeps the URI it had before there were more). */
std::string presetUri (const char* pluginUri, int index)
{
    std::string slug;
    for (const char* c = velk::factoryPresets[index].name; *c != 0; ++c)
        if (std::isalnum ((unsigned char) *c))
            slug += (char) std::tolower ((unsigned char) *c);
        else if (! slug.empty() && slug.back() != '-')
            slug += '-';
    const bool mono = std::string (pluginUri) == velk::version::lv2MonoUri;
    return std::string (velk::version::lv2Uri) + (mono ? "#mono-preset-" : "#preset-") + (index == 0 ? "default" : slug);
}

void writePreset (std::ostream& out, const char* pluginUri, int index)
{
    const auto& preset = velk::factoryPresets[index];
    out << "<" << presetUri (pluginUri, index) << ">\n"
        << "    a pset:Preset ;\n"
        << "    lv2:appliesTo <" << pluginUri << "> ;\n"
        << "    rdfs:label \"" << preset.name << "\" ;\n"
        << "    rdfs:comment \"" << preset.purpose << "\" ;\n"
        << "    lv2:port\n";
    for (int i = 0; i < velk::numFormatParameters; ++i)
        out << "        [ lv2:symbol \"" << velk::formatParameterInfo (i)->id << "\" ; pset:value " << number (preset.values[i]) << " ]"
            << (i + 1 < velk::numFormatParameters ? " ,\n" : " .\n\n");
}

bool writeFile (const std::string& path, const std::string& text)
{
    std::ofstream file (path, std::ios::binary | std::ios::trunc);
    file << text;
    return file.good();
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf (stderr, "usage: velk-lv2-turtle BUNDLE_FOLDER BINARY_NAME\n");
        return 2;
    }
    const std::string folder (argv[1]), binary (argv[2]);

    std::ostringstream manifest;
    manifest << prefixes;
    for (const char* uri : { velk::version::lv2Uri, velk::version::lv2MonoUri })
        manifest << "<" << uri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << binary << "> ;\n    rdfs:seeAlso <velk.ttl> .\n\n";
    manifest << "<" << velk::version::lv2UiUri << ">\n    a ui:X11UI ;\n    lv2:binary <" << binary << "> ;\n    rdfs:seeAlso <velk.ttl> .\n\n";
    for (const char* plugin : { velk::version::lv2Uri, velk::version::lv2MonoUri })
        for (int index = 0; index < velk::numFactoryPresets; ++index)
            manifest << "<" << presetUri (plugin, index) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << plugin
                     << "> ;\n    rdfs:seeAlso <presets.ttl> .\n\n";

    std::ostringstream plugins;
    plugins << prefixes
            << "<" << projectUri() << ">\n"
            << "    a doap:Project ;\n"
            << "    doap:name \"" << velk::version::productName << "\" ;\n"
            << "    doap:homepage <" << velk::version::homepage << "> ;\n"
            << "    doap:maintainer [ a foaf:Organization ; foaf:name \"" << velk::version::vendor << "\" ; foaf:homepage <"
            << velk::version::homepage << "> ] ;\n"
            << "    doap:release [ doap:revision \"" << velk::version::text << "\" ] .\n\n";
    plugins << "<" << velk::version::lv2UiUri << ">\n"
            << "    a ui:X11UI ;\n"
            << "    lv2:binary <" << binary << "> ;\n"
            << "    lv2:requiredFeature ui:idleInterface , ui:parent , <http://lv2plug.in/ns/ext/instance-access> ;\n"
            << "    lv2:optionalFeature ui:resize , ui:touch , ui:noUserResize , opts:options , <http://lv2plug.in/ns/ext/urid#map> ;\n"
            << "    opts:supportedOption ui:scaleFactor ;\n"
            << "    lv2:extensionData ui:idleInterface .\n\n";
    writePlugin (plugins, velk::version::lv2Uri, velk::version::productName, lv2ports::stereo);
    writePlugin (plugins, velk::version::lv2MonoUri, (std::string (velk::version::productName) + " Mono").c_str(), lv2ports::mono);

    std::ostringstream presets;
    presets << prefixes;
    for (const char* plugin : { velk::version::lv2Uri, velk::version::lv2MonoUri })
        for (int index = 0; index < velk::numFactoryPresets; ++index)
            writePreset (presets, plugin, index);

    const bool written = writeFile (folder + "/manifest.ttl", manifest.str()) && writeFile (folder + "/velk.ttl", plugins.str())
        && writeFile (folder + "/presets.ttl", presets.str());
    if (! written)
        std::fprintf (stderr, "velk-lv2-turtle: cannot write into %s\n", folder.c_str());
    return written ? 0 : 1;
}
