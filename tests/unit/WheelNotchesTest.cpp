#include "host/WheelNotches.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(WheelNotches, OneStepPerNotch) {
    const struct {
        std::vector<int> deltas;
        std::vector<int> steps;
    } cases[] = {
        {{-120, -120}, {1, 1}},            // toward the user: Down
        {{120}, {-1}},                     // away: Up
        {{-240}, {2}},                     // two notches in one message
        {{-40, -40, -40, -40}, {0, 0, 1, 0}},  // a fine wheel adds up
        {{-100, 30, 90}, {0, 0, -1}},     // turned back: the part turned the other way is dropped
        {{-32768}, {273}},
    };
    for (const auto& c : cases) {
        CWheelNotches wheel;
        std::vector<int> steps;
        for (const int delta : c.deltas) {
            steps.push_back(wheel.Add(delta));
        }
        EXPECT_EQ(steps, c.steps) << ::testing::PrintToString(c.deltas);
    }
    CWheelNotches wheel;
    wheel.Add(-100);
    wheel.Reset();
    EXPECT_EQ(wheel.Add(-100), 0) << "the part of a notch is forgotten";
}

}  // namespace
