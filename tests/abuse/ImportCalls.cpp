#include "tests/abuse/ImportCalls.h"

#include <cstdint>
#include <cstring>
#include <map>

#include "tests/abuse/Platform.h"

namespace abuse {

namespace {

// One import's counting piece, its data beside its code.
struct Counter {
    unsigned char code[40];
    void* function;
    std::uintptr_t calls;  // incremented by the code
    char name[64];
};

// The pieces live in one block of code pages: the thread they count, then
// the counters.  Within one block every address is a 32-bit displacement
// away from every other.
constexpr int kCounters = 2000;
struct Pieces {
    const void* watched;
    int used;
    Counter counters[kCounters];
};

Pieces* pieces() {
    static Pieces* const block = static_cast<Pieces*>(platform::codePages(sizeof(Pieces)));
    return block;
}

class Emitter {
public:
    explicit Emitter(unsigned char* at) : at(at) {}
    void bytes(std::initializer_list<unsigned char> list) {
        for (unsigned char b : list) *at++ = b;
    }
    void word(std::uint32_t value) {
        std::memcpy(at, &value, sizeof value);
        at += sizeof value;
    }
    // A memory operand, the last field of its instruction: relative to the
    // instruction's end in 64-bit code, absolute in 32-bit code.
    void addressOf(const void* target) {
#if defined(__x86_64__)
        word(static_cast<std::uint32_t>(reinterpret_cast<std::intptr_t>(target) -
                                        reinterpret_cast<std::intptr_t>(at + 4)));
#else
        word(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(target)));
#endif
    }

private:
    unsigned char* at;
};

// thread pointer == watched ? ++calls : nothing; then on to the function.
// Neither argument registers nor the stack change on the way: 64-bit code
// uses r11, which no calling convention passes anything in, and 32-bit code
// keeps eax on the stack for the test.
void emitCounting(Counter& c, const void* const* watched) {
    Emitter e(c.code);
#if defined(__x86_64__)
#if defined(_WIN32)
    e.bytes({0x65, 0x4C, 0x8B, 0x1C, 0x25, 0x30, 0x00, 0x00, 0x00});  // mov r11, gs:[0x30] (the TEB)
#else
    e.bytes({0x64, 0x4C, 0x8B, 0x1C, 0x25, 0x00, 0x00, 0x00, 0x00});  // mov r11, fs:[0] (the TCB)
#endif
    e.bytes({0x4C, 0x3B, 0x1D});  // cmp r11, [watched]
    e.addressOf(watched);
    e.bytes({0x75, 0x08});              // jne past the count
    e.bytes({0xF0, 0x48, 0xFF, 0x05});  // lock inc qword [calls]
    e.addressOf(&c.calls);
#else
    e.bytes({0x50});                                // push eax
    e.bytes({0x64, 0xA1, 0x18, 0x00, 0x00, 0x00});  // mov eax, fs:[0x18] (the TEB)
    e.bytes({0x3B, 0x05});                          // cmp eax, [watched]
    e.addressOf(watched);
    e.bytes({0x58});                    // pop eax (the flags stay)
    e.bytes({0x75, 0x07});              // jne past the count
    e.bytes({0xF0, 0xFF, 0x05});        // lock inc dword [calls]
    e.addressOf(&c.calls);
#endif
    e.bytes({0xFF, 0x25});  // jmp [function]
    e.addressOf(&c.function);
}

}  // namespace

int countImportCalls(const void* codeInPlugin) {
    Pieces* block = pieces();
    if (!block) return 0;
    int counted = 0;
    platform::forEachImport(platform::moduleContaining(codeInPlugin), [&](const char* name, void** slot) {
        if (block->used == kCounters) return;
        Counter& c = block->counters[block->used++];
        c.function = *slot;
        c.calls = 0;
        std::strncpy(c.name, name, sizeof c.name - 1);
        emitCounting(c, &block->watched);
        platform::replaceImport(slot, c.code);
        ++counted;
    });
    return counted;
}

void countCallsOfThisThread() {
    Pieces* block = pieces();
    for (int i = 0; i < block->used; ++i) block->counters[i].calls = 0;
    block->watched = platform::threadPointer();
}

void stopCountingCalls() { pieces()->watched = nullptr; }

std::string importCallsCounted() {
    std::map<std::string, unsigned long> byName;  // an import may have two slots
    const Pieces* block = pieces();
    for (int i = 0; i < block->used; ++i)
        if (block->counters[i].calls) byName[block->counters[i].name] += block->counters[i].calls;
    std::string text;
    for (const auto& [name, calls] : byName) text += (text.empty() ? "" : ", ") + name + " " + std::to_string(calls);
    return text;
}

}  // namespace abuse
