// Golden scenarios: runs of several thousand frames through the chorus with
// given parameters, sample rate, input signal, block splits and mid-run
// events, driven the way a host drives a plug-in.  The same scenarios run
// through the reference model, through ChorusEffect (native unit tests) and
// through the DLL (tests under Wine); the outputs must agree to the bit.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tests/unit/chorus/ReferenceChorus.h"

namespace golden {

enum class Signal {
    noise,            // uniform noise, about -6 dBFS
    sines,            // two sines, different per channel
    loud,             // noise reaching ±4: clips
    burstThenSilence, // a short full-scale burst, then silence: the state decays through the denormals
    tiny,             // denormal-sized noise
    huge,             // noise near 2^125: the filter's products leave the single-precision range
    hugeLowPassed,    // noise near 2^114: a low-pass at 80 Hz holds a state beyond 2^123
};

// Something that happens before the block that starts at `frame`.
struct Event {
    enum class Kind { parameter, program, sampleRate } kind;
    int frame;
    int index;    // parameter or program index
    float value;  // parameter value or sample rate
};

struct Scenario {
    std::string name;
    float sampleRate;
    float parameters[9];  // set in index order on program 0 after the sample rate
    int frames;
    Signal signal;
    std::uint32_t splitSeed;  // 0: one block; otherwise random block sizes from 1 to maxBlock
    int maxBlock;
    bool accumulate;  // process (adds to the buffers) instead of processReplacing
    bool inPlace;     // the output buffers are the input buffers
    std::vector<Event> events;
};

const std::vector<Scenario>& scenarios();

// Test frameworks print a scenario by its name.
inline void PrintTo(const Scenario& scenario, std::ostream* os) { *os << scenario.name; }

// The chorus under test as a host sees it.
class Chorus {
public:
    virtual ~Chorus() = default;
    virtual void setSampleRate(float rate) = 0;
    virtual void setParameter(int index, float value) = 0;
    virtual void setProgram(int program) = 0;
    virtual void process(float** inputs, float** outputs, int frames, bool accumulate) = 0;
};

// The reference model behind that interface.
class ModelChorus : public Chorus {
public:
    void setSampleRate(float rate) override { model.setSampleRate(rate); }
    void setParameter(int index, float value) override { model.setParameter(index, value); }
    void setProgram(int program) override { model.setProgram(program); }
    void process(float** inputs, float** outputs, int frames, bool accumulate) override {
        model.process(inputs[0], inputs[1], outputs[0], outputs[1], frames, accumulate);
    }
    model::ReferenceChorus model;
};

struct Output {
    std::vector<float> left;
    std::vector<float> right;
};

// The input of a scenario, one channel (0 left, 1 right).
std::vector<float> inputSignal(const Scenario& scenario, int channel);

// Runs a scenario from a freshly made chorus.
Output run(const Scenario& scenario, Chorus& chorus);

// Empty when both outputs hold the same bits; otherwise where they first
// differ and how.
std::string firstDifference(const Output& expected, const Output& actual);

}  // namespace golden
