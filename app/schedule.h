// The show's fixed timer schedule, laid out once at start.
#pragma once

#include "anim/steps.h"

struct ScheduledTimer {
    int count;               // how many timers this row registers
    bool advancesCursor;     // whether each adds its gap to the running cursor first
    unsigned int gapMs;      // the gap added to scheduleCursorMs before each registration
    TimerCallback callback;  // the timed step
    int value;               // passed on to the step, which re-arms with value + 1
};

constexpr int scheduleRowCount = 6;
constexpr int scheduledTimerCount = 31;
extern const ScheduledTimer showSchedule[scheduleRowCount];

// Registers all 31 timers through stepHooks.armTimer, each delay counted from now:
// redraw pacing at 0 ms, 26 rolls from 3.6 s, spread at 26.1 s, ball at 26.6 s, a second
// redraw chain at 49.1 s and the fade at 58.1 s.
void layOutSchedule();
