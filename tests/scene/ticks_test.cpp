// Show ticks are the show time in milliseconds times 0.899, truncated toward zero.
#include <gtest/gtest.h>

#include "scene/ticks.h"

TEST(ShowTicks, TruncateMillisecondsTimesPoint899) {
    const struct {
        int32_t ms, ticks;
    } cases[] = {{0, 0}, {1, 0}, {2, 1}, {1000, 899}, {1001, 899}, {1112, 999}, {100000, 89900}};
    for (const auto& c : cases) EXPECT_EQ(showTicks(c.ms), c.ticks) << c.ms;
}
