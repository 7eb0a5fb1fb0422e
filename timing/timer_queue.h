// The timer queue the show's timed steps run on, on every platform: every armed timer keeps a
// due time, and the ticks are paced by when they were due, not by when they happened to run.
// This header is the one place the pacing rule is explained; the platforms only say which clock
// they feed it: the program GLUT's elapsed time, pp-render an ideal clock (timing/virtual_clock.h)
// on which every tick runs exactly when due and takes no time.
//
// A tick armed from inside a running tick with delay d is due d ms after the due time of the
// tick that armed it, so a self-re-arming step keeps its 10 ms grid however late each tick runs.
// A pass (runDueTimers) runs every tick due at its "now" in due-time order, ties in the order
// they were armed, including ticks armed during the pass for an instant already reached; the
// main loop draws its next frame after the pass, so a long frame is followed by all the ticks
// that fell due meanwhile and one frame for all their redraw requests.
//
// A slow frame is not a stall: however long a frame takes (a huge window, a busy machine), the
// program was running, and every tick that fell due meanwhile runs before the next frame, as
// after a 35 ms frame. A stall is time in which the process did not run at all (stopped and
// continued, a debugger): the clock jumped while no frame was being drawn and no pass was due.
// The queue tells the two apart by when it expected to be called: the end of the platform's
// last work for the show (a pass, or a frame it reports through noteFrameDrawn), or the due
// time of the wake-up it armed, whichever is later. A pass that comes more than
// timerStallLimitMs after that, with the earliest tick that far behind, has found a stall: every
// waiting tick is moved later by the unexplained time, so the ticks due before the stall still
// run, the steps go on where they stopped, and the rest of the show comes later by the stall.
//
// No clock and no platform here: the caller passes "now". A platform with one-shot timers of its
// own binds armWakeUp, whose callback must call runDueTimers; one such timer is kept armed for
// the earliest waiting tick. A platform that steps its own clock (the ideal one) leaves it unbound
// and asks nextDueMs where to step next.
#pragma once
#include <cstdint>
#include <vector>

#include "anim/steps.h"

constexpr int64_t timerStallLimitMs = 1000;

struct DueTimer {
    int64_t dueMs;
    uint64_t armOrder;  // equal due times run in this order
    TimerCallback callback;
    int value;
};

struct TimerQueue {
    // Bound by the platform: fire once after delayMs and then call runDueTimers.
    void (*armWakeUp)(unsigned int delayMs) = nullptr;

    std::vector<DueTimer> timers;  // a heap: the earliest due, first armed on top
    uint64_t armedCount = 0;
    bool inPass = false;        // a pass is running ticks
    int64_t runningDueMs = 0;   // the due time of the tick running, while inPass
    int64_t passCount = 0;      // passes run so far
    bool startLatched = false;  // the instant the first timer was armed, before any pass
    int64_t startMs = 0;
    bool wakeUpArmed = false;  // a platform timer is armed for wakeUpDueMs
    int64_t wakeUpDueMs = 0;
    int64_t ticksRun = 0;
    int64_t stallShiftMs = 0;   // how much later than laid out the waiting ticks are, in all
    int64_t activeUntilMs = 0;  // the clock when the last pass or reported frame ended
};

// Arms a tick delayMs after its base: the running tick's due time inside a pass; the start
// instant for timers armed before the first pass (the schedule, laid out as one instant even if
// the clock moves on while it is); nowMs otherwise. Arms the platform's timer when this tick is
// due before the one it is armed for.
void armDueTimer(TimerQueue& queue, int64_t nowMs, unsigned int delayMs, TimerCallback callback,
                 int value);

// One pass at nowMs: shifts the ticks past a stall, runs every tick due by nowMs and arms the
// platform's timer for the earliest one left. Returns the number of ticks run. A call from
// inside a running tick runs nothing.
int runDueTimers(TimerQueue& queue, int64_t nowMs);

// The platform has just finished drawing a frame at nowMs: the time it took was the program's
// own work, not a stall.
void noteFrameDrawn(TimerQueue& queue, int64_t nowMs);

// The due time of the earliest waiting tick, or -1 when none waits.
int64_t nextDueMs(const TimerQueue& queue);

// Drops every waiting tick, as at the end of the show; also from inside a running tick, where the
// pass then stops after it.
void clearTimers(TimerQueue& queue);
