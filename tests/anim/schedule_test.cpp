#include "anim/schedule.h"

#include <gtest/gtest.h>

#include "tests/support/recording_hooks.h"

// The timers laid out at start are the ones the compile-time walk of the table gives, so every
// event time read from the table is the time the program really uses.
TEST(Schedule, LaysOutEveryTimerAtTheDelayTheTableGives) {
    resetShowForTest();
    layOutSchedule();
    ASSERT_EQ(stepRecord.armed.size(), static_cast<std::size_t>(scheduledTimerCount));
    std::size_t next = 0;
    for (int row = 0; row < scheduleRowCount; ++row) {
        for (int n = 0; n < showSchedule[row].count; ++n) {
            const ArmedTimer& t = stepRecord.armed[next++];
            const auto at = scheduledMs(static_cast<ScheduleRow>(row), n);
            EXPECT_EQ(static_cast<int64_t>(t.delayMs), at) << "row " << row << " timer " << n;
            EXPECT_EQ(t.callback, showSchedule[row].callback);
            EXPECT_EQ(t.value, showSchedule[row].value);
        }
    }
    EXPECT_EQ(scene.scheduleCursorMs, scheduledMs(fadeRow));
    EXPECT_EQ(stepRecord.redraws, 0);  // laying out the schedule runs no step
    EXPECT_EQ(scheduledMs(rollRow, rollCount), -1);
}

// The show's shape: the rolls follow one another without overlapping, and each event comes
// after the one before it, the fade last.
TEST(Schedule, EventsComeInTheShowsOrder) {
    EXPECT_EQ(scheduledMs(redrawPacingRow), 0);
    EXPECT_GT(rollGapMs, (rollTickCount - 1) * int64_t{stepTickMs});
    EXPECT_LT(blockCompleteMs, scheduledMs(spreadRow));
    EXPECT_LT(scheduledMs(spreadRow), scheduledMs(ballRow));
    EXPECT_LT(scheduledMs(ballRow), scheduledMs(secondRedrawRow));
    EXPECT_LT(scheduledMs(secondRedrawRow), scheduledMs(fadeRow));
    EXPECT_LT(scheduledMs(fadeRow), showEndMs);
}

// The fade's length read from the table matches the fade step run tick by tick.
TEST(Schedule, TheShowEndsOnTheFadesLastTick) {
    resetShowForTest();
    const int ticks = runChain(onFadeTick, 0);
    EXPECT_EQ(ticks, fadeTicksToBlack());
    EXPECT_EQ(stepRecord.endRequests.size(), 1u);
}
