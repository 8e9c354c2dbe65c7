// The CLAP binary interface, declared here from the format's public
// headers: plain C structs of data and function pointers, which the host
// and the plug-in hand each other.  Only what this plug-in uses is
// declared; the names are ours, the layout is the format's.  tests/clap
// checks every size and offset against the numbers the format's headers
// give on each platform we build for.
#pragma once

#include <cstddef>
#include <cstdint>

// The functions' calling convention: cdecl on Windows (it matters in 32-bit
// code only), the platform's own elsewhere.
#if defined(_WIN32)
#define CLAP_CALL __cdecl
#else
#define CLAP_CALL
#endif

namespace clap {

struct Version {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};

// The release of the format whose headers these declarations follow, and
// whose rules (threads, events, streams) the plug-in keeps.  Hosts accept
// any version 1.x.
constexpr Version kVersion = {1, 2, 10};

// Parameters, ports and timers are named by 32-bit ids.
using Id = std::uint32_t;
constexpr Id kInvalidId = UINT32_MAX;

// The capacities of the fixed text fields.
constexpr std::size_t kNameSize = 256;
constexpr std::size_t kPathSize = 1024;

}  // namespace clap
