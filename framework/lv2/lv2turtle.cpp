#include "lv2/lv2turtle.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace Steinberg
{
namespace Vst
{
namespace
{

const char kPrefixes[] = "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                         "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                         "@prefix lv2:  <http://lv2plug.in/ns/lv2core#> .\n"
                         "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                         "@prefix rdf:  <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                         "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                         "@prefix ui:   <http://lv2plug.in/ns/extensions/ui#> .\n"
                         "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string iri(const std::string& text)
{
    return "<" + text + ">";
}

const char* portClass(Lv2TurtlePort::Kind kind)
{
    switch (kind)
    {
    case Lv2TurtlePort::Kind::audioInput:
        return "lv2:AudioPort , lv2:InputPort";
    case Lv2TurtlePort::Kind::audioOutput:
        return "lv2:AudioPort , lv2:OutputPort";
    case Lv2TurtlePort::Kind::controlInput:
        return "lv2:ControlPort , lv2:InputPort";
    }
    return "";
}

std::string projectUri(const Lv2TurtlePlugin& plugin)
{
    return plugin.uri + "#project";
}

void writePort(std::ostream& out, const Lv2TurtlePort& port)
{
    out << "        a " << portClass(port.kind) << " ;\n"
        << "        lv2:index " << port.index << " ;\n"
        << "        lv2:symbol " << lv2TurtleString(port.symbol) << " ;\n"
        << "        lv2:name " << lv2TurtleString(port.name);
    if (port.kind == Lv2TurtlePort::Kind::controlInput)
    {
        out << " ;\n        lv2:default " << lv2TurtleNumber(port.defaultValue) << " ;\n"
            << "        lv2:minimum " << lv2TurtleNumber(port.minimum) << " ;\n"
            << "        lv2:maximum " << lv2TurtleNumber(port.maximum);
        if (port.enablesPlugin)
            out << " ;\n        lv2:designation lv2:enabled";
        if (port.toggled)
            out << " ;\n        lv2:portProperty lv2:toggled";
        if (port.integer)
            out << " ;\n        lv2:portProperty lv2:integer";
        if (port.enumeration)
            out << " ;\n        lv2:portProperty lv2:enumeration";
        for (const auto& point : port.scalePoints)
            out << " ;\n        lv2:scalePoint [ rdfs:label " << lv2TurtleString(point.second)
                << " ; rdf:value " << lv2TurtleNumber(point.first) << " ]";
    }
    out << "\n";
}

} // namespace

std::string lv2TurtleNumber(float value)
{
    char text[48];
    if (std::nearbyint(value) == value && std::fabs(value) < 1e9f)
        std::snprintf(text, sizeof(text), "%ld", static_cast<long>(value));
    else
        std::snprintf(text, sizeof(text), "%.9E", static_cast<double>(value));
    return text;
}

std::string lv2TurtleString(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text)
    {
        switch (c)
        {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        default:
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string lv2ManifestTurtle(const Lv2TurtlePlugin& plugin)
{
    std::ostringstream out;
    out << kPrefixes;
    out << iri(plugin.uri) << "\n    a lv2:Plugin ;\n    lv2:binary " << iri(plugin.binary)
        << " ;\n    rdfs:seeAlso " << iri(plugin.descriptionFile) << " .\n";
    if (!plugin.uiUri.empty())
        out << "\n"
            << iri(plugin.uiUri) << "\n    a ui:X11UI ;\n    ui:binary " << iri(plugin.uiBinary)
            << " ;\n    rdfs:seeAlso " << iri(plugin.descriptionFile) << " .\n";
    return out.str();
}

std::string lv2PluginTurtle(const Lv2TurtlePlugin& plugin)
{
    std::ostringstream out;
    out << kPrefixes;
    out << iri(plugin.uri) << "\n"
        << "    a lv2:Plugin , lv2:" << plugin.pluginClass << " ;\n"
        << "    doap:name " << lv2TurtleString(plugin.name) << " ;\n"
        << "    doap:license " << iri(plugin.licenseUri) << " ;\n"
        << "    lv2:project " << iri(projectUri(plugin)) << " ;\n"
        << "    lv2:minorVersion " << plugin.minorVersion << " ;\n"
        << "    lv2:microVersion " << plugin.microVersion << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , opts:options , urid:map ;\n";
    if (!plugin.uiUri.empty())
        out << "    ui:ui " << iri(plugin.uiUri) << " ;\n";
    for (size_t i = 0; i < plugin.ports.size(); ++i)
    {
        out << (i == 0 ? "    lv2:port [\n" : "    ] , [\n");
        writePort(out, plugin.ports[i]);
    }
    out << (plugin.ports.empty() ? "" : "    ]") << " .\n";

    // The maker belongs to the project (doap:maintainer's domain), where
    // hosts look for the author of a plug-in that names none itself.
    out << "\n"
        << iri(projectUri(plugin)) << "\n"
        << "    a doap:Project ;\n"
        << "    doap:name " << lv2TurtleString(plugin.name) << " ;\n"
        << "    doap:maintainer [\n"
        << "        foaf:name " << lv2TurtleString(plugin.makerName) << " ;\n"
        << "        foaf:homepage " << iri(plugin.makerPage) << " ;\n"
        << "        foaf:mbox " << iri(plugin.makerEmail) << "\n    ] .\n";

    if (!plugin.uiUri.empty())
        out << "\n"
            << iri(plugin.uiUri) << "\n"
            << "    a ui:X11UI ;\n"
            << "    lv2:requiredFeature ui:parent , ui:idleInterface ;\n"
            << "    lv2:optionalFeature ui:resize , ui:touch , opts:options , urid:map ;\n"
            << "    opts:supportedOption ui:scaleFactor ;\n"
            << "    lv2:extensionData ui:idleInterface .\n";
    return out.str();
}

} // namespace Vst
} // namespace Steinberg
