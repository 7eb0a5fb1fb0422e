// The show's fixed timer schedule, laid out once at start, and the one place its event times
// come from: whoever needs the instant of an event asks the table, never retypes a number.
#pragma once
#include <cstdint>

#include "anim/scene_state.h"
#include "anim/steps.h"

struct ScheduledTimer {
    int count;               // how many timers this row registers
    bool advancesCursor;     // whether each adds its gap to the running cursor first
    unsigned int gapMs;      // the gap added to scheduleCursorMs before each registration
    TimerCallback callback;  // the timed step
    int value;               // passed on to the step, which re-arms with value + 1
};

// The rows of the table, in the order they are laid out.
enum ScheduleRow : int {
    redrawPacingRow,  // the redraw chain from the start
    rollRow,          // the 26 rolls, one every 600 ms
    spreadRow,        // the block spreads apart
    ballRow,          // the ball and the carpet start
    secondRedrawRow,  // a second redraw chain beside the first
    fadeRow,          // the fade to black, which ends the show
    scheduleRowCount
};

inline constexpr ScheduledTimer showSchedule[scheduleRowCount] = {
    {1, false, 0, onRedrawTick, 1},  // at 0 ms; the cursor stays where it starts
    {26, true, 600, onRollTick, 0},    {1, true, 7500, onSpreadTick, 30},
    {1, true, 500, onBallStart, 100},  {1, true, 22500, onRedrawTick, 1000},
    {1, true, 9000, onFadeTick, 2000},
};

// How many timers the table registers: the sum of its rows' counts.
constexpr int scheduledTimerCount = [] {
    int count = 0;
    for (const ScheduledTimer& row : showSchedule) {
        count += row.count;
    }
    return count;
}();

// Registers all scheduledTimerCount timers through stepHooks.armTimer, each delay counted from now,
// walking the table with scene.scheduleCursorMs: redraw pacing at 0 ms, the rolls, the spread, the
// ball, a second redraw chain and the fade.
void layOutSchedule();

// The delay from the start of the n-th timer (from 0) of a row: the same walk of the table
// that layOutSchedule makes, done at compile time. -1 for a timer the row does not have.
constexpr int64_t scheduledMs(ScheduleRow row, int n = 0) {
    int64_t cursor = SceneState{}.scheduleCursorMs;
    for (int r = 0; r < scheduleRowCount; ++r) {
        for (int i = 0; i < showSchedule[r].count; ++i) {
            int64_t delay = 0;
            if (showSchedule[r].advancesCursor) {
                cursor += showSchedule[r].gapMs;
                delay = cursor;
            }
            if (r == row && i == n) {
                return delay;
            }
        }
    }
    return -1;
}

constexpr int rollCount = showSchedule[rollRow].count;
constexpr int64_t rollGapMs = showSchedule[rollRow].gapMs;
constexpr int64_t lastRollMs = scheduledMs(rollRow, rollCount - 1);
// The last roll's last tick: the block of 27 is complete.
constexpr int64_t blockCompleteMs = lastRollMs + (rollTickCount - 1) * int64_t{stepTickMs};
// The fade's last tick, where the process ends, on a platform whose timers keep their times.
constexpr int64_t showEndMs = scheduledMs(fadeRow) + (fadeTicksToBlack() - 1) * int64_t{stepTickMs};
