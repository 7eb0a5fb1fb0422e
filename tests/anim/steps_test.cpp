#include "anim/steps.h"

#include <gtest/gtest.h>

#include <cmath>

#include "anim/scene_state.h"
#include "tests/support/recording_hooks.h"

class Steps : public ::testing::Test {
protected:
    void SetUp() override {
        resetShowForTest();
        seedPlacedCubes();
    }
};

TEST_F(Steps, EveryRollMovesOneCellAndLeavesACopy) {
    for (int roll = 1; roll <= 26; ++roll) {
        const Point3 before = scene.rollOffset;
        const Point3 from = buildPath[roll - 1];
        const Point3 to = buildPath[roll];
        const int redrawsBefore = stepRecord.redraws;
        EXPECT_EQ(runChain(onRollTick, 0), 18) << "roll " << roll;
        EXPECT_EQ(stepRecord.redraws - redrawsBefore, 18);
        EXPECT_EQ(scene.spinAngle, 0.0f);
        EXPECT_EQ(scene.pathStep, roll);
        ASSERT_EQ(placedCubes.size(), static_cast<std::size_t>(roll + 2));
        EXPECT_EQ(placedCubes.back().x, to.x);
        EXPECT_EQ(placedCubes.back().y, to.y);
        EXPECT_EQ(placedCubes.back().z, to.z);
        // The roll offset has reached the cell, up to the rounding of 18 sums per roll.
        EXPECT_NEAR(scene.rollOffset.x, to.x, 1e-5f);
        EXPECT_NEAR(scene.rollOffset.y, to.y, 1e-5f);
        EXPECT_NEAR(scene.rollOffset.z, to.z, 1e-5f);
        // Only the axis of the move changed.
        if (to.x == from.x) {
            EXPECT_EQ(scene.rollOffset.x, before.x);
        }
        if (to.y == from.y) {
            EXPECT_EQ(scene.rollOffset.y, before.y);
        }
        if (to.z == from.z) {
            EXPECT_EQ(scene.rollOffset.z, before.z);
        }
    }
    EXPECT_EQ(scene.pathStep, buildPathLength - 1);
    EXPECT_EQ(placedCubes.size(), static_cast<std::size_t>(maxPlacedCubes));
    EXPECT_TRUE(stepRecord.armed.empty());
}

TEST_F(Steps, RollTicksTurnByFiveDegreesAndRearmEveryTenMs) {
    onRollTick(7);
    EXPECT_EQ(scene.spinAngle, 5.0f);
    ASSERT_EQ(stepRecord.armed.size(), 1u);
    EXPECT_EQ(stepRecord.armed[0].delayMs, 10u);
    EXPECT_EQ(stepRecord.armed[0].callback, &onRollTick);
    EXPECT_EQ(stepRecord.armed[0].value, 8);
    // First move is (0,0,0) -> (-0.2,0,0): only x moves, by a ninetieth.
    EXPECT_EQ(scene.rollOffset.x, -0.011111111f);
    EXPECT_EQ(scene.rollOffset.y, 0.0f);
    EXPECT_EQ(scene.rollOffset.z, 0.0f);
}

TEST_F(Steps, OverlappingRollChainsNeverReadPastTheLastCell) {
    // Start every roll chain at once: they share the angle and finish rolls early, but the
    // show's 26 chains can never finish more than 26 rolls.
    for (int chain = 0; chain < 26; ++chain) {
        onRollTick(0);
    }
    while (!stepRecord.armed.empty()) {
        const ArmedTimer t = stepRecord.armed.front();
        stepRecord.armed.erase(stepRecord.armed.begin());
        t.callback(t.value);
    }
    EXPECT_LE(scene.pathStep, buildPathLength - 1);
    EXPECT_LE(placedCubes.size(), static_cast<std::size_t>(maxPlacedCubes));
    EXPECT_EQ(scene.spinAngle, 0.0f);
}

TEST_F(Steps, SpreadRuns2001TicksAndEndsAtExactlyPointThree) {
    EXPECT_TRUE(scene.showRollerAndCore);
    onSpreadTick(30);
    EXPECT_FALSE(scene.showRollerAndCore);
    EXPECT_EQ(scene.spread, 0.0f);  // the first tick eases from frame 0
    const int ticks = 1 + runChain(onSpreadTick, stepRecord.armed.back().value);
    stepRecord.armed.clear();
    EXPECT_EQ(ticks, 2001);
    EXPECT_EQ(scene.spread, 0.3f);
    EXPECT_EQ(scene.spreadFrame, 2001.0f);
}

TEST_F(Steps, SpreadEasesMonotonically) {
    float previous = -1.0f;
    for (int tick = 0; tick < 2001; ++tick) {
        onSpreadTick(tick);
        EXPECT_GE(scene.spread, previous);
        previous = scene.spread;
    }
    EXPECT_NEAR(scene.spread, 0.3f, 0.0f);
}

TEST_F(Steps, BallStartOnlyRaisesTheFlag) {
    onBallStart(100);
    EXPECT_TRUE(scene.ballActive);
    EXPECT_EQ(stepRecord.redraws, 0);
    EXPECT_TRUE(stepRecord.armed.empty());
}

TEST_F(Steps, RedrawChainNeverStops) {
    EXPECT_EQ(runChain(onRedrawTick, 1, 5000), 5000);
    EXPECT_EQ(stepRecord.redraws, 5000);
}

TEST_F(Steps, FadeReachesOneAfter1250TicksAndEndsWithStatusZero) {
    int redrawsAtEnd = -1;
    int ticks = 0;
    int value = 2000;
    while (stepRecord.endRequests.empty() && ticks < 5000) {
        stepRecord.armed.clear();
        onFadeTick(value++);
        ++ticks;
        redrawsAtEnd = stepRecord.redraws;
    }
    EXPECT_EQ(ticks, 1250);
    ASSERT_EQ(stepRecord.endRequests.size(), 1u);
    EXPECT_EQ(stepRecord.endRequests[0], 0);
    EXPECT_GE(scene.fadeAlpha, 1.0f);
    EXPECT_EQ(redrawsAtEnd, ticks);         // the last tick still asks for its frame
    EXPECT_TRUE(stepRecord.armed.empty());  // and does not re-arm
}

TEST_F(Steps, FinaleAdvanceSpinsFramesAndPhase) {
    scene.spinAngle = 0.0f;
    EXPECT_EQ(advanceFinaleFrame(), 0.0f);
    EXPECT_EQ(scene.spinAngle, 1.0f);
    EXPECT_EQ(scene.ballFrame, 1.0f);
    EXPECT_EQ(scene.ripplePhase, 0.1f);
    // The spin runs 0, 1, ..., 360 and then drops to 0.
    scene.spinAngle = 359.0f;
    advanceFinaleFrame();
    EXPECT_EQ(scene.spinAngle, 360.0f);
    advanceFinaleFrame();
    EXPECT_EQ(scene.spinAngle, 0.0f);
    EXPECT_EQ(scene.ballFrame, 3.0f);
}
