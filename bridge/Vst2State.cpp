#include "bridge/Vst2State.h"

#include <cstring>

namespace bridge {

namespace {

constexpr std::uint32_t fourCc(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d));
}

constexpr std::uint32_t kWrapper = fourCc('V', 's', 't', 'W');
constexpr std::uint32_t kFile = fourCc('C', 'c', 'n', 'K');
constexpr std::uint32_t kBank = fourCc('F', 'x', 'B', 'k');
constexpr std::uint32_t kProgram = fourCc('F', 'x', 'C', 'k');
constexpr std::uint32_t kPluginId = fourCc('V', 'l', 'r', '2');
constexpr int kFileNameLength = 28;

std::uint32_t bigEndian(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
           static_cast<std::uint32_t>(at[2]) << 8 | static_cast<std::uint32_t>(at[3]);
}

// Whole big-endian words from the stream; false once it ends.
class Words {
public:
    explicit Words(InputBytes& stream) : stream(stream) {}
    bool read(std::uint32_t* words, int count) {
        unsigned char bytes[4 * 8];
        for (int done = 0; done < count; done += 8) {
            const int now = count - done < 8 ? count - done : 8;
            if (!stream.read(bytes, 4 * static_cast<std::size_t>(now))) return false;
            for (int i = 0; i < now; ++i) words[done + i] = bigEndian(bytes + 4 * i);
        }
        return true;
    }
    InputBytes& stream;
};

// A program after its "CcnK" and size: "FxCk", version, id, plug-in
// version, count, name, values.
StateError readProgram(Words& words, std::uint32_t magic, BankState::Program& program) {
    if (magic != kProgram) return StateError::corrupt;
    std::uint32_t header[4];  // version, id, plug-in version, count
    if (!words.read(header, 4)) return StateError::truncated;
    if (header[1] != kPluginId) return StateError::foreign;
    if (header[3] != BankState::kValues) return StateError::corrupt;
    char name[kFileNameLength];
    if (!words.stream.read(name, sizeof name)) return StateError::truncated;
    BankState::Program read{};
    for (int i = 0; i < kFileNameLength && name[i] != '\0'; ++i) read.name[i] = name[i];
    std::uint32_t bits[BankState::kValues];
    if (!words.read(bits, BankState::kValues)) return StateError::truncated;
    for (int i = 0; i < BankState::kValues; ++i) {
        std::memcpy(&read.values[i], &bits[i], sizeof bits[i]);
        if (!(read.values[i] >= 0.0f && read.values[i] <= 1.0f)) return StateError::corrupt;
    }
    program = read;
    return StateError::none;
}

// A bank after its "CcnK" and size.
StateError readBank(Words& words, BankState& state) {
    std::uint32_t header[5];  // version, id, plug-in version, count, current program (or reserved)
    if (!words.read(header, 5)) return StateError::truncated;
    if (header[1] != kPluginId) return StateError::foreign;
    if (header[3] != static_cast<std::uint32_t>(BankState::kPrograms) || header[0] == 0) return StateError::corrupt;
    unsigned char reserved[124];
    if (!words.stream.read(reserved, sizeof reserved)) return StateError::truncated;
    // Version 1 keeps no current program there.
    if (header[0] >= 2) {
        if (header[4] >= static_cast<std::uint32_t>(BankState::kPrograms)) return StateError::corrupt;
        state.currentProgram = static_cast<std::int32_t>(header[4]);
    }
    for (BankState::Program& program : state.programs) {
        std::uint32_t start[3];  // "CcnK", size, "FxCk"
        if (!words.read(start, 3)) return StateError::truncated;
        if (start[0] != kFile) return StateError::corrupt;
        const StateError error = readProgram(words, start[2], program);
        if (error != StateError::none) return error;
    }
    return StateError::none;
}

}  // namespace

bool isVst2State(const unsigned char (&first)[8]) {
    const std::uint32_t magic = bigEndian(first);
    return magic == kWrapper || magic == kFile;
}

StateError readVst2State(const unsigned char (&first)[8], InputBytes& stream, BankState& state) {
    Words words(stream);
    BankState read = state;
    std::uint32_t magic = bigEndian(first);
    if (magic == kWrapper) {
        std::uint32_t wrapper[4];  // version, bypass, then the file's "CcnK" and size
        if (!words.read(wrapper, 4)) return StateError::truncated;
        read.bypassed = wrapper[1] != 0;
        magic = wrapper[2];
    }
    if (magic != kFile) return StateError::corrupt;
    std::uint32_t kind;
    if (!words.read(&kind, 1)) return StateError::truncated;
    const StateError error = kind == kBank ? readBank(words, read)
                                           : readProgram(words, kind, read.programs[read.currentProgram]);
    if (error != StateError::none) return error;
    state = read;
    return StateError::none;
}

}  // namespace bridge
