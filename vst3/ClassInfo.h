// Who the plug-in is to a VST 3 host: its one class and the texts that
// describe it.
#pragma once

#include "vst3/abi/Base.h"

namespace vst3 {

// The id a host derives for a VST 3 plug-in that replaces a VST 2 one:
// "VST" and the VST 2 unique id, then the first nine bytes of the name that
// hosts know the VST 2 plug-in by, in lower case and padded with zeros,
// read as four words of hexadecimal.  Our VST 2 plug-in answers no name
// request, so hosts know it by its file name, Velorin2: with 'Vlr2', the
// words are 565354 566C7232 76656C6F72696E32 00 (README, "VST 3").  A host
// holding a project with the VST 2 plug-in can then offer this one.
constexpr Uid kChorusClassId = {0x56535456, 0x6C723276, 0x656C6F72, 0x696E3200};

constexpr char kClassName[] = "Velorin 2";
constexpr char kClassCategory[] = "Audio Module Class";
constexpr char kSubCategories[] = "Fx|Modulation";
constexpr char kVendor[] = "Velorin";
constexpr char kSdkVersion[] = "VST 3.7.0";
constexpr char kClassVersion[] = VELORIN_VERSION;

}  // namespace vst3
