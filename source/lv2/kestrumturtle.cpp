// Writes the LV2 bundle's manifest.ttl and kestrum.ttl at build time, from
// the same port layout the binaries use and the parameter titles, defaults
// and mode texts of the controller the VST 3 build shows.
//   kestrum-lv2-turtle <bundle folder> <plug-in binary> <UI binary>
#include "controller/kestrumcontroller.h"
#include "lv2/kestrumlv2ports.h"
#include "lv2/lv2turtle.h"
#include "module/kestrumparamids.h"
#include "module/version.h"
#include "processor/filtermode.h"

#include "base/source/fstring.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <cstdio>
#include <fstream>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

constexpr char kDescriptionFile[] = "kestrum.ttl";

std::string ascii(const TChar* text)
{
    String converted(text);
    converted.toMultiByte(kCP_Utf8);
    return converted.text8() ? converted.text8() : "";
}

struct ParameterFacts
{
    std::string title;
    ParamValue defaultValue = 0.0;
};

bool readParameter(IEditController& controller, ParamID id, ParameterFacts& facts)
{
    for (int32 i = 0; i < controller.getParameterCount(); ++i)
    {
        ParameterInfo info{};
        if (controller.getParameterInfo(i, info) == kResultOk && info.id == id)
        {
            facts.title = ascii(info.title);
            facts.defaultValue = info.defaultNormalizedValue;
            return true;
        }
    }
    return false;
}

Lv2TurtlePort audioPort(Lv2TurtlePort::Kind kind, uint32 index, const char* symbol,
                        const char* name)
{
    Lv2TurtlePort port;
    port.kind = kind;
    port.index = index;
    port.symbol = symbol;
    port.name = name;
    return port;
}

bool describePorts(IEditController& controller, const Lv2PortLayout& layout,
                   std::vector<Lv2TurtlePort>& ports)
{
    ParameterFacts bypass;
    ParameterFacts mode;
    const Lv2ControlPort* enabledPort = layout.findControl(Kestrum::kLv2Enabled);
    const Lv2ControlPort* modePort = layout.findControl(Kestrum::kLv2Mode);
    if (!readParameter(controller, Kestrum::kBypassId, bypass) ||
        !readParameter(controller, Kestrum::kModeId, mode) || !enabledPort || !modePort)
        return false;

    using Kind = Lv2TurtlePort::Kind;
    ports.push_back(audioPort(Kind::audioInput, Kestrum::kLv2InputLeft, "in_l", "Left In"));
    ports.push_back(audioPort(Kind::audioInput, Kestrum::kLv2InputRight, "in_r", "Right In"));
    ports.push_back(audioPort(Kind::audioOutput, Kestrum::kLv2OutputLeft, "out_l", "Left Out"));
    ports.push_back(audioPort(Kind::audioOutput, Kestrum::kLv2OutputRight, "out_r", "Right Out"));

    // The host's bypass switch, which hosts show as their own on/off.
    Lv2TurtlePort enabled;
    enabled.kind = Kind::controlInput;
    enabled.index = Kestrum::kLv2Enabled;
    enabled.symbol = "enabled";
    enabled.name = "Enabled";
    enabled.defaultValue = enabledPort->toPortValue(bypass.defaultValue);
    enabled.minimum = 0.0f;
    enabled.maximum = 1.0f;
    enabled.toggled = true;
    enabled.enablesPlugin = true;
    ports.push_back(enabled);

    Lv2TurtlePort modeControl;
    modeControl.kind = Kind::controlInput;
    modeControl.index = Kestrum::kLv2Mode;
    modeControl.symbol = "mode";
    modeControl.name = mode.title;
    modeControl.defaultValue = modePort->toPortValue(mode.defaultValue);
    modeControl.minimum = 0.0f;
    modeControl.maximum = static_cast<float>(Kestrum::kNumFilterModes - 1);
    modeControl.integer = true;
    modeControl.enumeration = true;
    for (int number = 0; number < Kestrum::kNumFilterModes; ++number)
    {
        ParamValue value = 0.0;
        String128 text{};
        if (!modePort->toNormalized(static_cast<float>(number), value) ||
            controller.getParamStringByValue(Kestrum::kModeId, value, text) != kResultOk)
            return false;
        modeControl.scalePoints.emplace_back(static_cast<float>(number), ascii(text));
    }
    ports.push_back(modeControl);
    return true;
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf(stderr, "usage: %s <bundle folder> <plug-in binary> <UI binary>\n", argv[0]);
        return 2;
    }
    const std::string bundle = argv[1];

    IPtr<Kestrum::KestrumController> controller = owned(new Kestrum::KestrumController);
    HostApplication context;
    if (controller->initialize(&context) != kResultOk)
    {
        std::fprintf(stderr, "the controller did not initialise\n");
        return 1;
    }

    Lv2TurtlePlugin plugin;
    plugin.uri = Kestrum::lv2PluginUri();
    plugin.name = "Kestrum";
    plugin.pluginClass = "HighpassPlugin";
    plugin.makerName = Kestrum::kVendorName;
    plugin.makerPage = Kestrum::kVendorUrl;
    plugin.makerEmail = Kestrum::kVendorEmail;
    plugin.licenseUri = "http://spdx.org/licenses/GPL-3.0-or-later";
    // LV2 reads an even minor version as a release.
    plugin.minorVersion = KESTRUM_VERSION_MINOR * 2;
    plugin.microVersion = KESTRUM_VERSION_SUB * 10 + KESTRUM_VERSION_BUILD;
    plugin.binary = argv[2];
    plugin.descriptionFile = kDescriptionFile;
    plugin.uiUri = Kestrum::lv2UiUri();
    plugin.uiBinary = argv[3];
    const bool described = describePorts(*controller, Kestrum::lv2PortLayout(), plugin.ports);
    controller->terminate();
    if (!described)
    {
        std::fprintf(stderr, "the controller lacks the parameters the ports stand for\n");
        return 1;
    }

    if (!writeFile(bundle + "/manifest.ttl", lv2ManifestTurtle(plugin)) ||
        !writeFile(bundle + "/" + kDescriptionFile, lv2PluginTurtle(plugin)))
    {
        std::fprintf(stderr, "cannot write the Turtle files into %s\n", bundle.c_str());
        return 1;
    }
    return 0;
}
