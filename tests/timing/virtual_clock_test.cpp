// The program's schedule and steps on the virtual clock, without GL: frames are only counted.
#include "timing/virtual_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "anim/scene_state.h"
#include "anim/schedule.h"

namespace {

std::vector<int64_t> frameInstants;
std::string eventLog;

void countFrame(void*, int32_t instantMs) {
    frameInstants.push_back(instantMs);
}

class VirtualShow : public ::testing::Test {
protected:
    void SetUp() override {
        frameInstants.clear();
        eventLog.clear();
        clock.runFrame = countFrame;
        startVirtualShow(clock);
    }
    void TearDown() override {
        stopVirtualShow(clock);
    }
    VirtualClock clock;
};

}  // namespace

TEST_F(VirtualShow, ReachesEveryPhaseAtItsInstant) {
    constexpr int64_t tick = stepTickMs;
    const int64_t firstRoll = scheduledMs(rollRow);
    runVirtualShowUntil(clock, firstRoll - tick);
    EXPECT_EQ(scene.spinAngle, 0.0f);
    EXPECT_EQ(placedCubes.size(), 2u);

    runVirtualShowUntil(clock, firstRoll);  // the first roll's first tick: from cell 0 towards -x
    EXPECT_EQ(scene.spinAngle, 5.0f);
    EXPECT_LT(scene.rollOffset.x, 0.0f);

    runVirtualShowUntil(clock, lastRollMs);  // the 26th roll starts
    EXPECT_EQ(scene.pathStep, 25);
    EXPECT_EQ(scene.spinAngle, 5.0f);
    runVirtualShowUntil(clock, blockCompleteMs);  // ...and ends on its 18th tick
    EXPECT_EQ(scene.pathStep, 26);
    EXPECT_EQ(placedCubes.size(), 28u);
    EXPECT_EQ(scene.spinAngle, 0.0f);

    const int64_t spread = scheduledMs(spreadRow);
    runVirtualShowUntil(clock, spread - tick);
    EXPECT_TRUE(scene.showRollerAndCore);
    runVirtualShowUntil(clock, spread);
    EXPECT_FALSE(scene.showRollerAndCore);
    EXPECT_EQ(scene.spreadFrame, 1.0f);

    const int64_t ball = scheduledMs(ballRow);
    runVirtualShowUntil(clock, ball - tick);
    EXPECT_FALSE(scene.ballActive);
    runVirtualShowUntil(clock, ball);
    EXPECT_TRUE(scene.ballActive);

    runVirtualShowUntil(clock, spread + 2000 * tick);  // 2001 spread ticks
    EXPECT_EQ(scene.spread, 0.3f);
    EXPECT_EQ(scene.spreadFrame, 2001.0f);

    // From the second redraw chain on, two chains ask for each frame, yet every instant still
    // has one frame.
    const int64_t second = scheduledMs(secondRedrawRow);
    runVirtualShowUntil(clock, second - tick);
    const int64_t requestsBefore = clock.redrawRequests;
    EXPECT_EQ(clock.framesDrawn, second / tick);
    runVirtualShowUntil(clock, second + 9 * tick);
    EXPECT_EQ(clock.redrawRequests - requestsBefore, 20);
    EXPECT_EQ(clock.framesDrawn, second / tick + 10);

    const int64_t fade = scheduledMs(fadeRow);
    runVirtualShowUntil(clock, fade - tick);
    EXPECT_EQ(scene.fadeAlpha, 0.0f);
    runVirtualShowUntil(clock, fade);
    EXPECT_EQ(scene.fadeAlpha, 0.0008f);

    // The fade's last tick ends the show.
    EXPECT_TRUE(runVirtualShowUntil(clock, showEndMs - tick));
    EXPECT_LT(scene.fadeAlpha, 1.0f);
    EXPECT_FALSE(runVirtualShowUntil(clock, showEndMs + 10000));
    EXPECT_GE(scene.fadeAlpha, 1.0f);
    EXPECT_EQ(clock.endMs, showEndMs);
    EXPECT_EQ(clock.endStatus, 0);
    EXPECT_EQ(nextVirtualInstant(clock), -1);

    // One frame at every 10 ms instant from 0 through the end, the last fade tick's included.
    ASSERT_EQ(static_cast<int64_t>(frameInstants.size()), showEndMs / stepTickMs + 1);
    for (std::size_t i = 0; i < frameInstants.size(); ++i) {
        ASSERT_EQ(frameInstants[i], static_cast<int64_t>(i) * 10) << i;
    }
}

TEST_F(VirtualShow, RunsAnInstantsTimersInArmingOrderBeforeItsOneFrame) {
    // Instant 5 has nothing of the show's own, so only these run there.
    stepHooks.armTimer(
        5, [](int) { eventLog += "a"; }, 0);
    stepHooks.armTimer(
        5,
        [](int) {
            eventLog += "b";
            stepHooks.requestRedraw();
            stepHooks.armTimer(
                0,
                [](int) {  // armed for the running instant: runs in it
                    eventLog += "d";
                    stepHooks.requestRedraw();
                },
                0);
        },
        0);
    stepHooks.armTimer(
        5, [](int) { eventLog += "c"; }, 0);
    clock.runFrame = [](void*, int32_t ms) { eventLog += "F" + std::to_string(ms); };
    runVirtualShowUntil(clock, 5);
    EXPECT_EQ(eventLog, "F0abcdF5");
}

TEST_F(VirtualShow, EndsAfterTheEndingInstantsFrameAndRunsNothingMore) {
    stepHooks.armTimer(
        25,
        [](int) {
            stepHooks.requestRedraw();
            stepHooks.endShow(3);
        },
        0);
    stepHooks.armTimer(
        25, [](int) { eventLog += "late"; }, 0);
    EXPECT_TRUE(runVirtualShowToEnd(clock));
    EXPECT_EQ(clock.endMs, 25);
    EXPECT_EQ(clock.endStatus, 3);
    EXPECT_EQ(eventLog, "");
    EXPECT_EQ(frameInstants.back(), 25);  // its own frame, though the redraw chain had not run
    EXPECT_FALSE(injectKey(clock, 30, 'c'));
}

TEST_F(VirtualShow, DeliversInjectedEventsBeforeTheInstantsTimers) {
    clock.deliverKey = [](unsigned char key, int, int) {
        // The roll tick due at the same instant has not run yet.
        eventLog += std::string(1, static_cast<char>(key)) + std::to_string(scene.spinAngle) + ";";
        if (key == 27) {
            stepHooks.endShow(0);
        }
    };
    clock.deliverReshape = [](int width, int height) {
        eventLog += std::to_string(width) + "x" + std::to_string(height) + ";";
    };
    ASSERT_TRUE(injectKey(clock, 3600, 'q'));
    ASSERT_TRUE(injectWindowSize(clock, 3600, 1, 0));
    ASSERT_TRUE(injectWindowSize(clock, 3605, 640, 480));  // off the 10 ms grid: its own frame
    ASSERT_TRUE(injectKey(clock, 30000, 27));
    runVirtualShowToEnd(clock);
    EXPECT_EQ(eventLog, "q0.000000;1x0;640x480;\x1b" + std::to_string(0.0f) + ";");
    EXPECT_EQ(clock.endMs, 30000);
    // Frames at 0..29990 every 10 ms plus 3605; Escape asks for none at 30000.
    EXPECT_EQ(clock.framesDrawn, 3000 + 1);
    EXPECT_EQ(frameInstants.back(), 29990);
    EXPECT_FALSE(injectKey(clock, 100, 'c'));  // the past
}
