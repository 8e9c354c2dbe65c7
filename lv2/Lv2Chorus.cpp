#include "lv2/Lv2Chorus.h"

#include <cmath>
#include <cstring>

#include "host/FloatingPointControl.h"

namespace {

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

// The effect starts with its default program, which is what the ports'
// defaults convert to: a control still at its default is never applied.
Lv2Chorus::Lv2Chorus(double sampleRate)
    : effect(nullptr),
      clipHoldLength(static_cast<std::uint32_t>(
          std::ceil(sampleRate * lv2port::kClipHoldMilliseconds / 1000.0))) {
    {
        const fpu::DefaultArithmetic arithmetic;
        effect.setSampleRate(static_cast<float>(sampleRate));
    }
    const lv2port::ControlPort* ports = lv2port::controlPorts();
    for (int i = 0; i < lv2port::kControlCount; ++i) appliedPortBits[i] = bitsOf(ports[i].defaultValue);
}

void Lv2Chorus::connectPort(std::uint32_t port, void* data) {
    switch (port) {
    case lv2port::kInputLeft: audioIn[0] = static_cast<const float*>(data); break;
    case lv2port::kInputRight: audioIn[1] = static_cast<const float*>(data); break;
    case lv2port::kOutputLeft: audioOut[0] = static_cast<float*>(data); break;
    case lv2port::kOutputRight: audioOut[1] = static_cast<float*>(data); break;
    case lv2port::kClip: clip = static_cast<float*>(data); break;
    default:
        if (port >= lv2port::kFirstControl && port < lv2port::kFirstControl + lv2port::kControlCount)
            controls[port - lv2port::kFirstControl] = static_cast<const float*>(data);
        break;
    }
}

// Hosts activate from any thread, under its floating-point settings.
void Lv2Chorus::activate() {
    const fpu::DefaultArithmetic arithmetic;
    effect.setProgram(effect.getProgram());
}

// A control whose port holds what it held when last applied is left alone:
// setting Cutoff or Rate redesigns the filter or the rotation, and setting
// any value tells the effect's editor.  A change is applied in the
// platform's default floating-point environment, as the DLL applies a
// host's, so that the design gives the same bits whatever the host thread
// runs with (many LV2 hosts flush denormals to zero).
void Lv2Chorus::applyControls() {
    const lv2port::ControlPort* ports = lv2port::controlPorts();
    bool entered = false;
    fpu::HostEnvironment host;
    for (int i = 0; i < lv2port::kControlCount; ++i) {
        if (!controls[i]) continue;
        const float portValue = *controls[i];
        if (bitsOf(portValue) == appliedPortBits[i]) continue;
        if (!entered) {
            host = fpu::enterDefaultArithmetic();
            entered = true;
        }
        appliedPortBits[i] = bitsOf(portValue);
        effect.setParameter(ports[i].parameter, ports[i].toEffectValue(portValue));
    }
    if (entered) fpu::leaveDefaultArithmetic(host);
}

void Lv2Chorus::run(std::uint32_t frames) {
    applyControls();
    if (frames == 0 || !audioIn[0] || !audioIn[1] || !audioOut[0] || !audioOut[1]) {
        if (clip) *clip = clipHeldFor > 0 ? 1.0f : 0.0f;
        return;
    }
    // The effect reads every frame's inputs before it stores that frame's
    // outputs, so a host may connect an input and an output to one buffer.
    float* inputs[2] = {const_cast<float*>(audioIn[0]), const_cast<float*>(audioIn[1])};
    float* outputs[2] = {audioOut[0], audioOut[1]};
    // Hosts run blocks of any length; the effect counts frames in int32.
    std::uint32_t done = 0;
    while (done < frames) {
        const std::uint32_t chunk = frames - done < 0x40000000u ? frames - done : 0x40000000u;
        float* in[2] = {inputs[0] + done, inputs[1] + done};
        float* out[2] = {outputs[0] + done, outputs[1] + done};
        effect.processReplacing(in, out, static_cast<VstInt32>(chunk));
        done += chunk;
    }
    // A clip in this block holds the port for the whole period from its
    // end; without one the period runs down.
    if (effect.takeClipFlag())
        clipHeldFor = clipHoldLength;
    else
        clipHeldFor = clipHeldFor > frames ? clipHeldFor - frames : 0;
    if (clip) *clip = clipHeldFor > 0 ? 1.0f : 0.0f;
}
