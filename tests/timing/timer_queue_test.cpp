#include "timing/timer_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "anim/scene_state.h"
#include "anim/schedule.h"
#include "anim/steps.h"
#include "tests/support/recording_hooks.h"
#include "timing/virtual_clock.h"

namespace {

// A main loop like GLUT's on a fake clock: each pass fires the platform timers that are due
// (the service's wake-ups), then draws one frame if a redraw was asked for, which moves the
// clock on by that frame's cost; with nothing to draw it sleeps until the next platform timer.
struct FakeLoop {
    int64_t nowMs = 0;
    std::vector<int64_t> wakeUps;        // when each armed platform timer fires
    std::vector<int> frameCosts = {10};  // cycled, one per frame
    std::vector<int64_t> frameTimes;     // when each frame started
    bool redrawRequested = false;
    bool moveClockOnArm = false;  // arms outside a pass take a millisecond each
    bool ended = false;
    int64_t endDueMs = -1;  // the due time and the clock of the tick that ended the show
    int64_t endClockMs = -1;
};

struct TickLog {
    char chain;
    int64_t dueMs;
    int64_t clockMs;
};

TimerQueue service;
FakeLoop loop;
std::vector<TickLog> ticks;

void armFakeWakeUp(unsigned int delayMs) {
    loop.wakeUps.push_back(loop.nowMs + delayMs);
}

void armOnService(unsigned int delayMs, TimerCallback callback, int value) {
    if (loop.moveClockOnArm && !service.inPass) {
        loop.nowMs += 1;
    }
    armDueTimer(service, loop.nowMs, delayMs, callback, value);
}

void requestFakeRedraw() {
    loop.redrawRequested = true;
}

void endFakeShow(int) {
    loop.ended = true;
    loop.endDueMs = service.runningDueMs;
    loop.endClockMs = loop.nowMs;
}

// The queue whose pass is running: the fake loop's, or a virtual clock's.
const TimerQueue* tickingQueue = &service;

void logTick(char chain) {
    ticks.push_back({chain, tickingQueue->runningDueMs, loop.nowMs});
}

// A chain that ticks every 10 ms for ever under its name, and a one-shot.
void chain(int name) {
    logTick(static_cast<char>(name));
    stepHooks.requestRedraw();
    stepHooks.armTimer(stepTickMs, chain, name);
}
void oneShot(int) {
    logTick('1');
}

void resetLoop(std::vector<int> frameCosts) {
    resetShowForTest();
    tickingQueue = &service;
    seedPlacedCubes();
    service = TimerQueue{};
    service.armWakeUp = armFakeWakeUp;
    loop = FakeLoop{};
    loop.frameCosts = std::move(frameCosts);
    ticks.clear();
    stepHooks = StepHooks{armOnService, requestFakeRedraw, endFakeShow};
}

// One pass of the loop. False once the show has ended or nothing is left to happen.
bool runPass() {
    for (int fired = 0; fired < 100; ++fired) {  // a pass that keeps re-arming itself fails below
        const auto due = std::find_if(loop.wakeUps.begin(), loop.wakeUps.end(),
                                      [](int64_t at) { return at <= loop.nowMs; });
        if (due == loop.wakeUps.end() || loop.ended) {
            break;
        }
        loop.wakeUps.erase(due);
        runDueTimers(service, loop.nowMs);
    }
    if (loop.ended) {
        return false;
    }
    if (loop.redrawRequested) {
        loop.redrawRequested = false;
        loop.frameTimes.push_back(loop.nowMs);
        const std::size_t frame = loop.frameTimes.size() - 1;
        loop.nowMs += loop.frameCosts[frame % loop.frameCosts.size()];
        noteFrameDrawn(service, loop.nowMs);
        return true;
    }
    if (loop.wakeUps.empty()) {
        return false;
    }
    loop.nowMs = *std::min_element(loop.wakeUps.begin(), loop.wakeUps.end());
    return true;
}

void runLoopUntil(int64_t untilMs) {
    int passes = 0;
    while (loop.nowMs <= untilMs && runPass()) {
        if (++passes > 200000) {
            ADD_FAILURE() << "the loop makes no progress at " << loop.nowMs << " ms";
            return;
        }
    }
}

std::string chainsOf(const std::vector<TickLog>& log) {
    std::string s;
    for (const TickLog& t : log) {
        s += t.chain + std::to_string(t.dueMs) + ' ';
    }
    return s;
}

}  // namespace

TEST(TimerQueue, LateFramesAreFollowedByEveryTickDueInDueOrder) {
    resetLoop({35});
    stepHooks.armTimer(0, chain, 'A');
    stepHooks.armTimer(0, chain, 'B');
    stepHooks.armTimer(5, chain, 'C');
    ASSERT_TRUE(runPass());  // at 0: A and B, then a 35 ms frame
    EXPECT_EQ(chainsOf(ticks), "A0 B0 ");
    ticks.clear();
    ASSERT_TRUE(runPass());  // at 35: everything due since, ticks re-armed for 15..35 included
    EXPECT_EQ(chainsOf(ticks), "C5 A10 B10 C15 A20 B20 C25 A30 B30 C35 ");
    EXPECT_EQ(loop.frameTimes, (std::vector<int64_t>{0, 35}));  // one frame for all requests

    // Over a longer run every chain keeps its 10 ms grid and every pass runs just what fell due.
    runLoopUntil(2000);
    for (char chain : {'A', 'B', 'C'}) {
        int64_t expected = chain == 'C' ? 5 : 10;
        for (const TickLog& t : ticks) {
            if (t.chain == chain) {
                ASSERT_EQ(t.dueMs, expected) << chain;
                ASSERT_GE(t.clockMs, t.dueMs);
                ASSERT_LT(t.clockMs, t.dueMs + 35);
                expected += 10;
            }
        }
    }
    EXPECT_EQ(service.stallShiftMs, 0);
}

TEST(TimerQueue, ARollSpansOneHundredEightyMsWhateverTheFrameCost) {
    for (int cost : {1, 10, 15, 35, 60}) {
        resetLoop({cost});
        const int64_t roll = scheduledMs(rollRow);
        const int64_t lastTick = roll + (rollTickCount - 1) * int64_t{stepTickMs};
        stepHooks.armTimer(static_cast<unsigned int>(roll), onRollTick, 0);
        runLoopUntil(roll + 1000);
        EXPECT_EQ(service.ticksRun, rollTickCount) << cost;
        EXPECT_EQ(service.runningDueMs, lastTick) << cost;  // 18 ticks, 10 ms apart
        EXPECT_EQ(scene.pathStep, 1) << cost;
        EXPECT_EQ(scene.spinAngle, 0.0f) << cost;
        ASSERT_EQ(placedCubes.size(), 3u) << cost;
        // The roll ended within one frame of its last tick's due time.
        ASSERT_FALSE(loop.frameTimes.empty());
        EXPECT_GE(loop.frameTimes.back(), lastTick) << cost;
        EXPECT_LT(loop.frameTimes.back(), lastTick + std::max(cost, 1)) << cost;
    }
}

TEST(TimerQueue, WholeShowKeepsItsTimeWhateverTheFrameCost) {
    std::vector<int> withSlowFrames(300, 12);
    withSlowFrames[299] = 16000;  // a huge window now and then: not a stall, the show keeps time
    const std::vector<std::vector<int>> costs = {
        {1}, {15}, {35}, {3, 28, 9, 17, 41, 12}, {1500}, withSlowFrames};
    for (const std::vector<int>& frameCosts : costs) {
        const int slowest = *std::max_element(frameCosts.begin(), frameCosts.end());
        resetLoop(frameCosts);
        layOutSchedule();
        // One-shots beside the schedule's, at its spread, ball and fade instants.
        const int64_t oneShots[] = {scheduledMs(spreadRow), scheduledMs(ballRow),
                                    scheduledMs(fadeRow)};
        for (const int64_t at : oneShots) {
            stepHooks.armTimer(static_cast<unsigned int>(at), oneShot, 0);
        }
        runLoopUntil(showEndMs + 100000);
        ASSERT_TRUE(loop.ended) << slowest;
        EXPECT_EQ(loop.endDueMs, showEndMs) << slowest;  // the fade's last tick
        EXPECT_LT(loop.endClockMs, showEndMs + slowest) << slowest;
        EXPECT_EQ(placedCubes.size(), static_cast<std::size_t>(maxPlacedCubes)) << slowest;
        EXPECT_EQ(scene.spread, 0.3f) << slowest;
        ASSERT_EQ(ticks.size(), 3u) << slowest;
        for (int i = 0; i < 3; ++i) {
            const int64_t at = oneShots[i];
            EXPECT_EQ(ticks[i].dueMs, at) << slowest;
            EXPECT_GE(ticks[i].clockMs, at) << slowest;
            EXPECT_LT(ticks[i].clockMs, at + slowest) << slowest;
        }
    }
}

TEST(TimerQueue, TwoRedrawChainsTickTogetherSoTheFinaleKeepsItsPace) {
    // Cheap frames, and a clock that moves on while the schedule is laid out: the schedule still
    // counts from one instant, so the second redraw chain shares the first one's instants and
    // adds no frames: one frame per tick before it starts and after.
    resetLoop({1});
    loop.moveClockOnArm = true;
    layOutSchedule();
    EXPECT_EQ(loop.nowMs, scheduledTimerCount);
    const int64_t second = scheduledMs(secondRedrawRow);
    runLoopUntil(second + 10000);
    const int64_t start = service.startMs;
    const auto framesIn = [start](int64_t from, int64_t to) {
        return std::count_if(loop.frameTimes.begin(), loop.frameTimes.end(),
                             [&](int64_t at) { return at >= start + from && at < start + to; });
    };
    constexpr int64_t tick = stepTickMs;
    EXPECT_EQ(framesIn(second - 900 * tick, second), 900);
    EXPECT_EQ(framesIn(second, second + 900 * tick), 900);
}

TEST(TimerQueue, AStallDropsTheBacklogAndShiftsTheRest) {
    resetLoop({1});
    stepHooks.armTimer(0, chain, 'A');
    stepHooks.armTimer(500, oneShot, 0);
    for (int64_t at = 0; at <= 100; at += 10) {
        EXPECT_EQ(runDueTimers(service, at), 1);
    }
    ticks.clear();
    // Stopped for two seconds: the tick due at 110 runs now and the chain goes on from here.
    EXPECT_EQ(runDueTimers(service, 2100), 1);
    EXPECT_EQ(service.stallShiftMs, 1990);
    EXPECT_EQ(runDueTimers(service, 2109), 0);
    EXPECT_EQ(runDueTimers(service, 2110), 1);
    EXPECT_EQ(runDueTimers(service, 2489), 37);
    EXPECT_EQ(runDueTimers(service, 2490), 2);  // the one-shot came later by the stall too
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ(ticks.back().chain, 'A');
    EXPECT_EQ(ticks[ticks.size() - 2].chain, '1');
    EXPECT_EQ(ticks[ticks.size() - 2].dueMs, 2490);
    // A backlog of exactly a second is still run whole.
    EXPECT_EQ(runDueTimers(service, 3500), 101);
    EXPECT_EQ(service.stallShiftMs, 1990);
}

TEST(TimerQueue, KeepsOnePlatformTimerArmedForTheEarliestTick) {
    resetLoop({1});
    layOutSchedule();
    ASSERT_EQ(loop.wakeUps, (std::vector<int64_t>{0}));  // 31 timers, one wake-up
    loop.wakeUps.clear();
    EXPECT_EQ(runDueTimers(service, 0), 1);
    EXPECT_EQ(loop.wakeUps, (std::vector<int64_t>{10}));
    // A spurious early pass runs nothing and arms nothing more.
    loop.nowMs = 4;
    EXPECT_EQ(runDueTimers(service, 4), 0);
    EXPECT_EQ(loop.wakeUps, (std::vector<int64_t>{10}));
    // A tick armed outside a pass for an earlier instant gets a wake-up of its own.
    stepHooks.armTimer(2, oneShot, 0);
    EXPECT_EQ(loop.wakeUps, (std::vector<int64_t>{10, 6}));
    stepHooks.armTimer(1, oneShot, 0);
    EXPECT_EQ(loop.wakeUps.size(), 3u);
    stepHooks.armTimer(30, oneShot, 0);
    EXPECT_EQ(loop.wakeUps.size(), 3u);
    // The loop runs to the end of the redraw chain's first second with no wake-up lost or piled up.
    runLoopUntil(1000);
    EXPECT_EQ(ticks.size(), 3u);
    EXPECT_LE(loop.wakeUps.size(), 1u);
    EXPECT_GE(service.ticksRun, 100);
}

TEST(TimerQueue, TheProgramsClockAndTheIdealClockRunTheSameArmsInTheSameOrder) {
    // The whole schedule and, beside it, chains and one-shots that tie with its instants: on the
    // fake GLUT loop with uneven frame costs, and on the virtual clock, which runs the same queue
    // on the ideal clock. Every tick must run with the same due time, in the same order.
    const auto armExtras = [] {
        stepHooks.armTimer(0, chain, 'a');
        stepHooks.armTimer(0, chain, 'b');  // ties with 'a' at every instant: arm order decides
        stepHooks.armTimer(static_cast<unsigned int>(scheduledMs(rollRow, 0)), oneShot, 0);
        stepHooks.armTimer(static_cast<unsigned int>(scheduledMs(spreadRow)), oneShot, 0);
    };
    const int64_t untilMs = scheduledMs(spreadRow) + 200;

    resetLoop({3, 28, 9, 17, 41, 12});
    layOutSchedule();
    armExtras();
    runLoopUntil(untilMs);
    std::vector<TickLog> onProgramClock;
    for (const TickLog& t : ticks) {
        if (t.dueMs <= untilMs) {
            onProgramClock.push_back(t);
        }
    }

    resetLoop({10});
    VirtualClock clock;
    startVirtualShow(clock);  // binds stepHooks to the clock and lays out the schedule
    tickingQueue = &clock.timers;
    armExtras();
    runVirtualShowUntil(clock, untilMs);
    stopVirtualShow(clock);

    ASSERT_GT(onProgramClock.size(), 100u);
    EXPECT_EQ(chainsOf(onProgramClock), chainsOf(ticks));
    EXPECT_EQ(placedCubes.size(), static_cast<std::size_t>(maxPlacedCubes));
}

TEST(TimerQueue, ASlowFrameIsFollowedByItsTicksButAStopIsShiftedPast) {
    resetLoop({1});
    stepHooks.armTimer(0, chain, 'A');
    EXPECT_EQ(runDueTimers(service, 0), 1);  // the wake-up is armed for 10
    // A frame that took 16 s: the program was running, so every tick due meanwhile runs.
    noteFrameDrawn(service, 16000);
    EXPECT_EQ(runDueTimers(service, 16000), 1600);
    EXPECT_EQ(service.stallShiftMs, 0);
    // Stopped for 5 s while waiting for the wake-up due at 16010: the chain goes on from there.
    EXPECT_EQ(runDueTimers(service, 21010), 1);
    EXPECT_EQ(service.stallShiftMs, 5000);
    EXPECT_EQ(ticks.back().dueMs, 21010);
    // Stopped during a frame counts as a slow frame: the frame's end is all the queue is told.
    noteFrameDrawn(service, 24000);
    EXPECT_EQ(runDueTimers(service, 24000), 299);
    EXPECT_EQ(service.stallShiftMs, 5000);
}
