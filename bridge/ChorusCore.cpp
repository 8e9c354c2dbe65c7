#include "bridge/ChorusCore.h"

#include <cmath>
#include <cstring>

#include "host/FloatingPointControl.h"

namespace bridge {

namespace {

// The input's bits to the output, as integers: a float copy through the
// 32-bit build's x87 would quiet a signalling NaN.  This file is compiled
// so that the loop stays a loop: the audio thread calls no memcpy.
void copyBits(const float* from, float* to, std::int32_t frames) {
    for (std::int32_t i = 0; i < frames; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, from + i, sizeof bits);
        std::memcpy(to + i, &bits, sizeof bits);
    }
}

}  // namespace

BankState ChorusCore::snapshot() const {
    BankState state{};
    state.currentProgram = currentProgram();
    state.bypassed = bypassed();
    for (int p = 0; p < kPrograms; ++p) {
        programName(p, state.programs[p].name);
        for (int i = 0; i < kValues; ++i) state.programs[p].values[i] = programValue(p, i);
    }
    return state;
}

bool ChorusCore::setValue(int index, double normalized) {
    if (index < 0 || index >= kValues || std::isnan(normalized)) return false;
    chorus.setParameter(index, static_cast<float>(normalized < 0.0 ? 0.0 : normalized > 1.0 ? 1.0 : normalized));
    return true;
}

bool ChorusCore::selectProgram(int program) {
    if (program < 0 || program >= kPrograms || program == currentProgram()) return false;
    chorus.setProgram(program);
    return true;
}

// Every slot's values, then the saved program made current: the sound
// starts afresh, as at any program change.
void ChorusCore::applyValues(const BankState& state) {
    for (int p = 0; p < kPrograms; ++p)
        for (int i = 0; i < kValues; ++i) chorus.setProgramValue(p, i, state.programs[p].values[i]);
    bypass.store(state.bypassed);
    chorus.setProgram(state.currentProgram);
}

// The names are the loading thread's to write, after the values: the audio
// thread never touches them.
void ChorusCore::loadState(const BankState& state, bool blocksExpected) {
    if (!handover.offer(state, blocksExpected)) {
        const fpu::DefaultArithmetic arithmetic;
        applyValues(state);
    }
    for (int p = 0; p < kPrograms; ++p) chorus.renameProgram(p, state.programs[p].name);
    handover.finishLoad();
}

ChorusCore::AudioBlock::AudioBlock(ChorusCore& core) : core(core) {
    if (const BankState* state = core.handover.enterBlock(changesAllowed)) {
        const fpu::DefaultArithmetic arithmetic;
        core.applyValues(*state);
        appliedState = true;
    }
}

ChorusCore::AudioBlock::~AudioBlock() { core.handover.leaveBlock(appliedState); }

// The longest delay the parameters allow: Predelay and Depth at 1 and Rate
// at 0 give 10 + 0.4 × the sample rate frames, and no read reaches further
// back than the ring's 65536 samples.  A frame more for the interpolation.
std::uint32_t ChorusCore::tailFrames() {
    const double longest = std::ceil(0.4 * static_cast<double>(chorus.getSampleRate())) + 11.0;
    return longest < ChorusEffect::kDelayLineLength ? static_cast<std::uint32_t>(longest)
                                                    : static_cast<std::uint32_t>(ChorusEffect::kDelayLineLength);
}

void ChorusCore::render(float* const* inputs, float* const* outputs, std::int32_t frames) {
    if (frames <= 0) return;
    float* in[2] = {inputs[0], inputs[1]};
    if (!bypassed()) {
        float* out[2] = {outputs[0], outputs[1]};
        chorus.processReplacing(in, out, frames);
        return;
    }
    for (std::int32_t done = 0; done < frames;) {
        const std::int32_t count = frames - done < kScratchFrames ? frames - done : kScratchFrames;
        float* from[2] = {in[0] + done, in[1] + done};
        float* unheard[2] = {scratch[0], scratch[1]};
        chorus.processReplacing(from, unheard, count);
        done += count;
    }
    for (int c = 0; c < 2; ++c)
        if (outputs[c] != inputs[c]) copyBits(inputs[c], outputs[c], frames);
}

}  // namespace bridge
