// Whether a channel's block is silent, for the flags with which hosts skip
// work downstream: every sample zero, of either sign, read as bits so that
// a host's denormals-are-zero mode cannot call a tiny sample silent.  It
// stops at the first sound, so audible blocks cost a sample or two.
// Inline: the audio thread calls no function for it.
#pragma once

#include <cstdint>
#include <cstring>

namespace bridge {

inline bool isSilent(const float* samples, std::int32_t frames) {
    for (std::int32_t i = 0; i < frames; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, samples + i, sizeof bits);
        if (bits & 0x7FFFFFFFu) return false;
    }
    return true;
}

}  // namespace bridge
