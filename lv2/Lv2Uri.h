// The plug-in's identity for LV2 hosts: URIs in the project's own
// namespace for the plug-in and its editor, and the files of its bundle.
#pragma once

namespace lv2uri {

constexpr char kPlugin[] = "urn:velorin:velorin2";
constexpr char kBinary[] = "velorin2.so";
constexpr char kDescription[] = "velorin2.ttl";
constexpr char kUi[] = "urn:velorin:velorin2#ui";
constexpr char kUiBinary[] = "velorin2_ui.so";

}  // namespace lv2uri
