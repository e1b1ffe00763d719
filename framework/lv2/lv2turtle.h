// The Turtle an LV2 bundle describes its plug-in with, written from a plain
// description that a plug-in's build-time generator fills from its own
// code, so the files cannot drift from the binary.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Steinberg
{
namespace Vst
{

struct Lv2TurtlePort
{
    enum class Kind
    {
        audioInput,
        audioOutput,
        controlInput,
    };
    Kind kind = Kind::audioInput;
    std::uint32_t index = 0;
    std::string symbol;
    std::string name;
    // Control inputs only.
    float defaultValue = 0.0f;
    float minimum = 0.0f;
    float maximum = 1.0f;
    bool integer = false;
    bool toggled = false;
    // Takes only the values of its scale points.
    bool enumeration = false;
    // The host's bypass: lv2:enabled.
    bool enablesPlugin = false;
    std::vector<std::pair<float, std::string>> scalePoints;
};

struct Lv2TurtlePlugin
{
    std::string uri;
    std::string name;
    // A class from the LV2 core vocabulary, e.g. "HighpassPlugin".
    std::string pluginClass;
    std::string makerName;
    std::string makerPage;
    std::string makerEmail;
    std::string licenseUri;
    int minorVersion = 0;
    int microVersion = 0;
    std::string binary;
    std::string descriptionFile;
    std::vector<Lv2TurtlePort> ports;
    // An X11 UI in its own binary; none when uiUri is empty.
    std::string uiUri;
    std::string uiBinary;
};

// manifest.ttl: what the plug-in and its UI are and where their binaries
// and descriptions lie.
std::string lv2ManifestTurtle(const Lv2TurtlePlugin& plugin);
// The plug-in's own description: maker, version, features, ports, UI.
std::string lv2PluginTurtle(const Lv2TurtlePlugin& plugin);
// A number as a Turtle literal: an integer when it is one.
std::string lv2TurtleNumber(float value);
// A string as a Turtle literal, quotes included.
std::string lv2TurtleString(const std::string& text);

} // namespace Vst
} // namespace Steinberg
