// A block split at its changes, as every bridge splits it: the pieces and
// the frames each change is applied at, with changes before the block,
// out of order, on the same frame and past its end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/BlockSplitter.h"

namespace {

// Changes in the order a host lists them, as CLAP's event list does.
struct ListSource {
    std::vector<bridge::Change> changes;
    std::size_t next = 0;
    std::int32_t nextFrame() { return next < changes.size() ? changes[next].frame : bridge::kNoChange; }
    bridge::Change take() { return changes[next++]; }
};

std::string split(std::int32_t frames, std::vector<bridge::Change> changes) {
    ListSource source{std::move(changes)};
    std::string log;
    bridge::runBlock(
        frames, source,
        [&](const bridge::Change& change, std::int32_t frame) {
            log += "set" + std::to_string(change.id) + "@" + std::to_string(frame) + " ";
        },
        [&](std::int32_t start, std::int32_t count) {
            log += "run" + std::to_string(start) + "+" + std::to_string(count) + " ";
        });
    return log;
}

TEST(BlockSplitter, AppliesEachChangeAtItsFrameAndRunsTheFramesBetween) {
    EXPECT_EQ(split(100, {}), "run0+100 ");
    EXPECT_EQ(split(100, {{-5, 1, 0}, {0, 2, 0}, {40, 3, 0}, {40, 4, 0}, {99, 5, 0}}),
              "set1@0 set2@0 run0+40 set3@40 set4@40 run40+59 set5@99 run99+1 ");
    // Late for its frame: at once.  Past the end: after the last frame.
    EXPECT_EQ(split(100, {{50, 1, 0}, {20, 2, 0}, {100, 3, 0}, {7000, 4, 0}}),
              "run0+50 set1@50 set2@50 run50+50 set3@100 set4@100 ");
    // A block of no frames applies its changes and runs nothing.
    EXPECT_EQ(split(0, {{0, 1, 0}, {5, 2, 0}}), "set1@0 set2@0 ");
}

}  // namespace
