// Writes the bundle's Turtle files, manifest.ttl and velorin2.ttl, from the
// port table and the effect's own parameter names, so that the description
// a host reads can never disagree with the plug-in it loads.
//
//   velorin2-turtle BUNDLE_DIRECTORY
#include <cstdio>
#include <cstdlib>
#include <string>

#include "chorus/ParameterTable.h"
#include "lv2/Lv2Ports.h"
#include "lv2/Lv2Uri.h"

namespace {

// The shortest decimal that reads back as the same float: 0.295, not
// 0.294999987.
std::string number(float value) {
    char text[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    std::string result = text;
    // Turtle reads "1" as an integer and "1.5" as a decimal; both are fine
    // for LV2 numbers, but an exponent needs a mantissa with a point.
    if (result.find('e') != std::string::npos && result.find('.') == std::string::npos)
        result.insert(result.find('e'), ".0");
    return result;
}

const char* unitName(lv2port::Unit unit) {
    switch (unit) {
    case lv2port::Unit::hertz: return "units:hz";
    case lv2port::Unit::percent: return "units:pc";
    case lv2port::Unit::milliseconds: return "units:ms";
    case lv2port::Unit::coefficient: return "units:coef";
    case lv2port::Unit::none: break;
    }
    return nullptr;
}

std::string audioPort(int index, bool input, const char* symbol, const char* name) {
    return std::string("    [\n        a lv2:AudioPort , ") + (input ? "lv2:InputPort" : "lv2:OutputPort") +
           " ;\n        lv2:index " + std::to_string(index) + " ;\n        lv2:symbol \"" + symbol +
           "\" ;\n        lv2:name \"" + name + "\" ;\n    ]";
}

std::string controlPort(const lv2port::ControlPort& port) {
    const chorus::ParameterInfo* info = chorus::parameterInfo(port.parameter);
    std::string text = "    [\n        a lv2:InputPort , lv2:ControlPort ;\n";
    text += "        lv2:index " + std::to_string(lv2port::kFirstControl + port.parameter) + " ;\n";
    text += std::string("        lv2:symbol \"") + port.symbol + "\" ;\n";
    text += std::string("        lv2:name \"") + info->name + "\" ;\n";
    text += "        lv2:default " + number(port.defaultValue) + " ;\n";
    text += "        lv2:minimum " + number(port.minimum) + " ;\n";
    text += "        lv2:maximum " + number(port.maximum) + " ;\n";
    if (const char* unit = unitName(port.unit)) text += std::string("        units:unit ") + unit + " ;\n";
    if (port.logarithmic) text += "        lv2:portProperty pprops:logarithmic ;\n";
    if (port.scalePointCount > 0) {
        text += "        lv2:portProperty lv2:integer , lv2:enumeration ;\n";
        for (int i = 0; i < port.scalePointCount; ++i) {
            text += std::string("        lv2:scalePoint [ rdfs:label \"") + port.scalePoints[i].label +
                    "\" ; rdf:value " + number(port.scalePoints[i].value) + " ] ;\n";
        }
    }
    return text + "    ]";
}

// The editor: an X11 window inside the host's, driven by the host's idle
// calls, at one size; told of the clip port's changes, which the plug-in
// holds for the clip indicator's period.
std::string uiDescription() {
    return std::string("\n<") + lv2uri::kUi + ">\n" +
           "    a ui:X11UI ;\n"
           "    lv2:requiredFeature ui:idleInterface , ui:parent ;\n"
           "    lv2:optionalFeature ui:noUserResize , ui:resize , ui:touch ;\n"
           "    lv2:extensionData ui:idleInterface ;\n"
           "    ui:portNotification [\n"
           "        ui:plugin <" + lv2uri::kPlugin + "> ;\n"
           "        lv2:symbol \"clip\" ;\n"
           "        ui:protocol ui:floatProtocol\n"
           "    ] .\n";
}

std::string pluginDescription() {
    std::string text =
        "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
        "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
        "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
        "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
        "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
        "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
        "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n\n";
    text += std::string("<") + lv2uri::kPlugin + ">\n";
    text += "    a lv2:Plugin , lv2:ChorusPlugin , doap:Project ;\n";
    text += std::string("    ui:ui <") + lv2uri::kUi + "> ;\n";
    text += "    doap:name \"Velorin 2\" ;\n";
    // Hosts list a plug-in by its maker, which LV2 names the maintainer.
    text += "    doap:maintainer [ foaf:name \"Velorin\" ] ;\n";
    text += "    rdfs:comment \"A stereo chorus: one, two or four voices swept around a centre delay, "
            "through a low-pass or high-pass filter.\" ;\n";
    text += "    lv2:minorVersion " + std::to_string(VELORIN_LV2_MINOR_VERSION) + " ;\n";
    text += "    lv2:microVersion " + std::to_string(VELORIN_LV2_MICRO_VERSION) + " ;\n";
    text += "    lv2:optionalFeature lv2:hardRTCapable ;\n";
    text += "    lv2:port\n";
    text += audioPort(lv2port::kInputLeft, true, "in_left", "Left in") + " ,\n";
    text += audioPort(lv2port::kInputRight, true, "in_right", "Right in") + " ,\n";
    text += audioPort(lv2port::kOutputLeft, false, "out_left", "Left out") + " ,\n";
    text += audioPort(lv2port::kOutputRight, false, "out_right", "Right out") + " ,\n";
    for (int i = 0; i < lv2port::kControlCount; ++i) text += controlPort(lv2port::controlPorts()[i]) + " ,\n";
    text += "    [\n        a lv2:OutputPort , lv2:ControlPort ;\n";
    text += "        lv2:index " + std::to_string(lv2port::kClip) + " ;\n";
    text += "        lv2:symbol \"clip\" ;\n        lv2:name \"Clip\" ;\n";
    text += "        rdfs:comment \"1 while a block has an output sample above +1.0\" ;\n";
    text += "        lv2:default 0 ;\n        lv2:minimum 0 ;\n        lv2:maximum 1 ;\n";
    text += "        lv2:portProperty lv2:toggled ;\n    ] .\n";
    return text + uiDescription();
}

std::string manifest() {
    return std::string(
               "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
               "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
               "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n\n<") +
           lv2uri::kPlugin + ">\n    a lv2:Plugin ;\n    lv2:binary <" + lv2uri::kBinary + "> ;\n    rdfs:seeAlso <" +
           lv2uri::kDescription + "> .\n\n<" + lv2uri::kUi + ">\n    a ui:X11UI ;\n    ui:binary <" +
           lv2uri::kUiBinary + "> ;\n    rdfs:seeAlso <" + lv2uri::kDescription + "> .\n";
}

bool write(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s BUNDLE_DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string bundle = argv[1];
    if (!write(bundle + "/manifest.ttl", manifest()) || !write(bundle + "/" + lv2uri::kDescription, pluginDescription())) {
        std::fprintf(stderr, "%s: cannot write the Turtle files into %s\n", argv[0], bundle.c_str());
        return 1;
    }
    return 0;
}
