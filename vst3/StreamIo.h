// A host's stream as the state format reads and writes it: whole reads and
// writes, though a stream may move fewer bytes per call than asked.
#pragma once

#include "bridge/StateBytes.h"
#include "vst3/abi/Base.h"

namespace vst3 {

class StreamInput final : public bridge::InputBytes {
public:
    explicit StreamInput(IBStream* stream) : stream(stream) {}
    bool read(void* bytes, std::size_t count) override;

private:
    IBStream* stream;
};

class StreamOutput final : public bridge::OutputBytes {
public:
    explicit StreamOutput(IBStream* stream) : stream(stream) {}
    bool write(const void* bytes, std::size_t count) override;

private:
    IBStream* stream;
};

}  // namespace vst3
