#include "app/timer_service.h"

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
void armWakeUpForEarliest(TimerService& service, int64_t nowMs) {
    if (service.queue.empty() || service.armWakeUp == nullptr) {
        return;
    }
    const int64_t dueMs = service.queue.front().dueMs;
    if (service.wakeUpArmed && service.wakeUpDueMs <= dueMs) {
        return;
    }
    const int64_t wait = std::min<int64_t>(std::max<int64_t>(dueMs - nowMs, 0),
                                           std::numeric_limits<unsigned int>::max());
    service.wakeUpArmed = true;
    service.wakeUpDueMs = nowMs + wait;
    service.armWakeUp(static_cast<unsigned int>(wait));
}

}  // namespace

void armDueTimer(TimerService& service, int64_t nowMs, unsigned int delayMs, TimerCallback callback,
                 int value) {
    int64_t baseMs = nowMs;
    if (service.inPass) {
        baseMs = service.runningDueMs;
    } else if (service.passCount == 0) {
        if (!service.startLatched) {
            service.startLatched = true;
            service.startMs = nowMs;
        }
        baseMs = service.startMs;
    }
    service.queue.push_back(
        DueTimer{baseMs + static_cast<int64_t>(delayMs), service.armedCount++, callback, value});
    std::push_heap(service.queue.begin(), service.queue.end(), dueAfter);
    // Inside a pass the platform's timer is armed once, when the pass ends.
    if (!service.inPass) {
        armWakeUpForEarliest(service, nowMs);
    }
}

int runDueTimers(TimerService& service, int64_t nowMs) {
    if (service.inPass) {
        return 0;
    }
    service.passCount += 1;
    if (service.wakeUpArmed && nowMs >= service.wakeUpDueMs) {
        service.wakeUpArmed = false;  // it has fired: this is its pass
    }
    if (!service.queue.empty()) {
        const int64_t behindMs = nowMs - service.queue.front().dueMs;
        if (behindMs > timerStallLimitMs) {
            // A uniform shift keeps the heap's order.
            for (DueTimer& timer : service.queue) {
                timer.dueMs += behindMs;
            }
            service.stallShiftMs += behindMs;
        }
    }
    int ran = 0;
    service.inPass = true;
    while (!service.queue.empty() && service.queue.front().dueMs <= nowMs) {
        std::pop_heap(service.queue.begin(), service.queue.end(), dueAfter);
        const DueTimer due = service.queue.back();
        service.queue.pop_back();
        service.runningDueMs = due.dueMs;
        due.callback(due.value);
        ran += 1;
    }
    service.inPass = false;
    service.ticksRun += ran;
    armWakeUpForEarliest(service, nowMs);
    return ran;
}
