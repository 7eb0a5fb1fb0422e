#include "app/schedule.h"

#include <gtest/gtest.h>

#include "tests/support/recording_hooks.h"

TEST(Schedule, RegistersAllThirtyOneTimersAtTheirDelays) {
    resetShowForTest();
    layOutSchedule();
    ASSERT_EQ(stepRecord.armed.size(), static_cast<std::size_t>(scheduledTimerCount));

    const ArmedTimer& first = stepRecord.armed[0];
    EXPECT_EQ(first.delayMs, 0u);
    EXPECT_EQ(first.callback, &onRedrawTick);
    EXPECT_EQ(first.value, 1);
    for (int roll = 0; roll < 26; ++roll) {
        const ArmedTimer& t = stepRecord.armed[1 + roll];
        EXPECT_EQ(t.delayMs, 3600u + 600u * roll) << roll;
        EXPECT_EQ(t.callback, &onRollTick);
        EXPECT_EQ(t.value, 0);
    }
    struct Expected {
        unsigned int delayMs;
        TimerCallback callback;
        int value;
    };
    const Expected rest[] = {{26100, onSpreadTick, 30},
                             {26600, onBallStart, 100},
                             {49100, onRedrawTick, 1000},
                             {58100, onFadeTick, 2000}};
    for (int i = 0; i < 4; ++i) {
        const ArmedTimer& t = stepRecord.armed[27 + i];
        EXPECT_EQ(t.delayMs, rest[i].delayMs) << i;
        EXPECT_EQ(t.callback, rest[i].callback) << i;
        EXPECT_EQ(t.value, rest[i].value) << i;
    }
    EXPECT_EQ(scene.scheduleCursorMs, 58100);
    EXPECT_EQ(stepRecord.redraws, 0);  // laying out the schedule runs no step
}
