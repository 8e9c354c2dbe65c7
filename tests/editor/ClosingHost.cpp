#include "tests/editor/ClosingHost.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "editor/EditorLayout.h"

namespace closing {

namespace {

const char* name(Call call) { return call == Call::begin ? "begin" : call == Call::value ? "value" : "end"; }
const char* name(How how) {
    return how == How::close ? "closes" : how == How::closeAndReopen ? "closes and reopens" : "destroys its window";
}

layout::Area centreOf(const layout::Area& a) { return {(a.left + a.right) / 2, (a.top + a.bottom) / 2, 0, 0}; }

}  // namespace

std::string describe(const Entry& entry) {
    return std::string("the host ") + name(entry.how) + " inside " + name(entry.call) + " #" +
           std::to_string(entry.occurrence);
}

std::vector<Entry> table(const int (&counts)[3]) {
    std::vector<Entry> entries;
    for (Call call : {Call::begin, Call::value, Call::end})
        for (int n = 1; n <= counts[static_cast<int>(call)]; ++n)
            for (How how : {How::close, How::closeAndReopen, How::destroyParent}) entries.push_back({call, n, how});
    return entries;
}

// A drag released inside, one released outside the window, one whose
// release went elsewhere, the two button pairs, a drag that loses the
// mouse to another window, and the clip indicator's tick.
const std::vector<Action>& script() {
    static const std::vector<Action> actions = [] {
        const layout::KnobCircle* knobs = layout::knobCircles;
        const layout::Area low = centreOf(layout::lowPassButton);
        const layout::Area minus = centreOf(layout::phaseMinusButton);
        const layout::KnobCircle rate = knobs[0], wet = knobs[2], cutoff = knobs[4], depth = knobs[5];
        return std::vector<Action>{
            {Action::press, rate.centreX - 1, rate.centreY},
            {Action::move, rate.centreX + 10, rate.centreY - 10},
            {Action::release, rate.centreX + 10, rate.centreY - 10},
            {Action::press, depth.centreX, depth.centreY - 5},
            {Action::move, -20, depth.centreY},
            {Action::release, -20, depth.centreY},
            {Action::press, wet.centreX + 5, wet.centreY},
            {Action::move, wet.centreX, wet.centreY + 8},
            {Action::moveWithoutButton, wet.centreX + 8, wet.centreY},
            {Action::moveWithoutButton, cutoff.centreX, cutoff.centreY},
            {Action::press, low.left, low.top},
            {Action::release, low.left, low.top},
            {Action::press, minus.left, minus.top},
            {Action::release, minus.left, minus.top},
            {Action::press, cutoff.centreX - 5, cutoff.centreY},
            {Action::move, cutoff.centreX, cutoff.centreY - 6},
            {Action::captureLost},
            {Action::tick},
        };
    }();
    return actions;
}

void Ledger::arm(const Entry* entry) {
    armed = entry;
    fired = isClosed = false;
    heard[0] = heard[1] = heard[2] = 0;
    openGesture = -1;
    found.clear();
}

const Entry* Ledger::hear(Call call, int parameter) {
    const int kind = static_cast<int>(call);
    ++heard[kind];
    const std::string what = std::string(name(call)) + " of parameter " + std::to_string(parameter);
    if (isClosed && !(call == Call::end && parameter == openGesture)) fault(what + " after the close");
    switch (call) {
    case Call::begin:
        if (openGesture >= 0) fault(what + " while " + std::to_string(openGesture) + "'s gesture is open");
        openGesture = parameter;
        break;
    case Call::value:
        if (gestures && openGesture != parameter) fault(what + " outside its gesture");
        break;
    case Call::end:
        if (openGesture != parameter) fault(what + " without its begin");
        openGesture = -1;
        break;
    }
    if (!armed || fired || armed->call != call || armed->occurrence != heard[kind]) return nullptr;
    fired = true;
    return armed;
}

std::string Ledger::faults() const {
    std::string all;
    for (const std::string& f : found) all += f + "; ";
    if (openGesture >= 0 && isClosed) all += "the gesture of " + std::to_string(openGesture) + " left open";
    return all;
}

void Ledger::fault(const std::string& what) {
    if (found.size() < 8) found.push_back(what);
}

void Driver::heard(Call call, int parameter) {
    if (const Entry* entry = ledger.hear(call, parameter)) {
        ledger.closed();
        closeInside(entry->how);
    }
}

void playTable(Driver& driver) {
    auto play = [&driver](const Entry* entry) {
        driver.ledger.arm(entry);
        driver.open();
        for (const Action& action : script()) {
            if (driver.ledger.closedInside()) break;
            driver.act(action);
        }
        driver.settle();
        driver.ledger.closed();
        driver.finish();
        EXPECT_EQ(driver.ledger.faults(), "");
    };
    play(nullptr);
    int counts[3];
    std::copy(std::begin(driver.ledger.counts()), std::end(driver.ledger.counts()), counts);
    ASSERT_GT(counts[static_cast<int>(Call::value)], 0) << "the script made no edit";
    const std::vector<Entry> entries = table(counts);
    std::printf("the script makes %d begins, %d values and %d ends: %zu closes to try\n", counts[0], counts[1],
                counts[2], entries.size());
    for (const Entry& entry : entries) {
        SCOPED_TRACE(describe(entry));
        play(&entry);
        EXPECT_TRUE(driver.ledger.closedInside()) << "the entry was never reached";
    }
}

}  // namespace closing
