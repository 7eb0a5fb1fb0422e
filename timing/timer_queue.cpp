#include "timing/timer_queue.h"

#include <algorithm>
#include <limits>

namespace {

// Heap order: the tick due later, or armed later for the same instant, sinks.
bool dueAfter(const DueTimer& a, const DueTimer& b) {
    if (a.dueMs != b.dueMs) {
        return a.dueMs > b.dueMs;
    }
    return a.armOrder > b.armOrder;
}

// Keeps one platform timer armed for the earliest waiting tick. A platform timer armed for a
// later instant is left to fire; its pass finds nothing due and re-arms for what is then first.
void armWakeUpForEarliest(TimerQueue& queue, int64_t nowMs) {
    if (queue.timers.empty() || queue.armWakeUp == nullptr) {
        return;
    }
    const int64_t dueMs = queue.timers.front().dueMs;
    if (queue.wakeUpArmed && queue.wakeUpDueMs <= dueMs) {
        return;
    }
    const int64_t wait = std::min<int64_t>(std::max<int64_t>(dueMs - nowMs, 0),
                                           std::numeric_limits<unsigned int>::max());
    queue.wakeUpArmed = true;
    queue.wakeUpDueMs = nowMs + wait;
    queue.armWakeUp(static_cast<unsigned int>(wait));
}

// A pass at nowMs that the platform was expected to make by expectedMs: time beyond that, with
// the earliest tick as far behind, passed while the process did not run. A uniform shift keeps
// the heap's order.
void shiftPastStall(TimerQueue& queue, int64_t nowMs, int64_t expectedMs) {
    if (queue.timers.empty()) {
        return;
    }
    const int64_t quietMs = nowMs - expectedMs;
    const int64_t behindMs = nowMs - queue.timers.front().dueMs;
    if (quietMs <= timerStallLimitMs || behindMs <= timerStallLimitMs) {
        return;
    }
    const int64_t shiftMs = std::min(quietMs, behindMs);
    for (DueTimer& timer : queue.timers) {
        timer.dueMs += shiftMs;
    }
    queue.stallShiftMs += shiftMs;
}

}  // namespace

void armDueTimer(TimerQueue& queue, int64_t nowMs, unsigned int delayMs, TimerCallback callback,
                 int value) {
    int64_t baseMs = nowMs;
    if (queue.inPass) {
        baseMs = queue.runningDueMs;
    } else if (queue.passCount == 0) {
        if (!queue.startLatched) {
            queue.startLatched = true;
            queue.startMs = nowMs;
            queue.activeUntilMs = nowMs;
        }
        baseMs = queue.startMs;
    }
    queue.timers.push_back(
        DueTimer{baseMs + static_cast<int64_t>(delayMs), queue.armedCount++, callback, value});
    std::push_heap(queue.timers.begin(), queue.timers.end(), dueAfter);
    // Inside a pass the platform's timer is armed once, when the pass ends.
    if (!queue.inPass) {
        armWakeUpForEarliest(queue, nowMs);
    }
}

int runDueTimers(TimerQueue& queue, int64_t nowMs) {
    if (queue.inPass) {
        return 0;
    }
    queue.passCount += 1;
    int64_t expectedMs = queue.activeUntilMs;
    if (queue.wakeUpArmed) {
        expectedMs = std::max(expectedMs, queue.wakeUpDueMs);
        if (nowMs >= queue.wakeUpDueMs) {
            queue.wakeUpArmed = false;  // it has fired: this is its pass
        }
    }
    shiftPastStall(queue, nowMs, expectedMs);
    int ran = 0;
    queue.inPass = true;
    while (!queue.timers.empty() && queue.timers.front().dueMs <= nowMs) {
        std::pop_heap(queue.timers.begin(), queue.timers.end(), dueAfter);
        const DueTimer due = queue.timers.back();
        queue.timers.pop_back();
        queue.runningDueMs = due.dueMs;
        due.callback(due.value);
        ran += 1;
    }
    queue.inPass = false;
    queue.ticksRun += ran;
    queue.activeUntilMs = std::max(queue.activeUntilMs, nowMs);
    armWakeUpForEarliest(queue, nowMs);
    return ran;
}

void noteFrameDrawn(TimerQueue& queue, int64_t nowMs) {
    queue.activeUntilMs = std::max(queue.activeUntilMs, nowMs);
}

int64_t nextDueMs(const TimerQueue& queue) {
    return queue.timers.empty() ? -1 : queue.timers.front().dueMs;
}

void clearTimers(TimerQueue& queue) {
    queue.timers.clear();
}
