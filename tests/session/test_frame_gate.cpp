// When a main-loop pass composes a frame: after a logic step, when a shown
// pointer moves or appears or goes, and for the first frame; never when
// only a hidden pointer moved or nothing happened.
#include <gtest/gtest.h>

#include "render/frame_gate.h"

namespace tessaron {
namespace {

struct GateRow {
    const char* what;
    FrameInputs shown, next;
    bool needed;
};

const GateRow Rows[] = {
    {"nothing changed", {7, 10, 20, true}, {7, 10, 20, true}, false},
    {"a logic step", {7, 10, 20, true}, {8, 10, 20, true}, true},
    {"shown pointer moved in x", {7, 10, 20, true}, {7, 11, 20, true}, true},
    {"shown pointer moved in y", {7, 10, 20, true}, {7, 10, 21, true}, true},
    {"hidden pointer moved", {7, 10, 20, false}, {7, 300, 400, false}, false},
    {"pointer appeared", {7, 10, 20, false}, {7, 10, 20, true}, true},
    {"pointer went", {7, 10, 20, true}, {7, 10, 20, false}, true},
};

TEST(FrameGate, ComposesOnlyWhatCanDiffer) {
    for (const GateRow& row : Rows) {
        FrameGate gate;
        EXPECT_TRUE(gate.needed(row.shown)) << "the first frame";
        EXPECT_EQ(gate.needed(row.next), row.needed) << row.what;
        // What was composed is what the next pass compares with.
        EXPECT_FALSE(gate.needed(row.next)) << row.what;
    }
}

} // namespace
} // namespace tessaron
