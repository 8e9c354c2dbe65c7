// The format's texts are UTF-16; ours are ASCII.
#pragma once

#include "vst3/abi/Base.h"

namespace vst3 {

// Copies `text` into `target` of `capacity` units, cut to fit, terminated.
inline void copyToUtf16(const char* text, char16* target, int capacity) {
    if (!target || capacity <= 0) return;
    int i = 0;
    for (; text && text[i] != '\0' && i < capacity - 1; ++i)
        target[i] = static_cast<char16>(static_cast<unsigned char>(text[i]));
    target[i] = 0;
}

// Copies an ASCII string into a fixed char array, cut to fit, terminated.
template <int N>
void copyAscii(const char* text, char (&target)[N]) {
    int i = 0;
    for (; text[i] != '\0' && i < N - 1; ++i) target[i] = text[i];
    for (; i < N; ++i) target[i] = '\0';
}

}  // namespace vst3
