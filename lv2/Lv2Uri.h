// The plug-in's identity for LV2 hosts: a URI in the project's own
// namespace, and the files of its bundle.
#pragma once

namespace lv2uri {

constexpr char kPlugin[] = "urn:velorin:velorin2";
constexpr char kBinary[] = "velorin2.so";
constexpr char kDescription[] = "velorin2.ttl";

}  // namespace lv2uri
