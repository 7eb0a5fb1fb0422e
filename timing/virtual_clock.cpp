#include "timing/virtual_clock.h"

#include <algorithm>

#include "anim/scene_state.h"
#include "anim/schedule.h"

namespace {

// stepHooks are plain function pointers, so they reach the running clock through this.
VirtualClock* runningClock = nullptr;
StepHooks hooksBeforeRun = {};

void armVirtualTimer(unsigned int delayMs, TimerCallback callback, int value) {
    VirtualClock* clock = runningClock;
    if (clock == nullptr || clock->ended) {
        return;
    }
    armDueTimer(clock->timers, clock->nowMs, delayMs, callback, value);
}

void requestVirtualRedraw() {
    if (runningClock != nullptr) {
        runningClock->redrawRequested = true;
        runningClock->redrawRequests += 1;
    }
}

void endVirtualShow(int status) {
    VirtualClock* clock = runningClock;
    if (clock == nullptr || clock->ended) {
        return;
    }
    clock->ended = true;
    clock->endStatus = status;
    clock->endMs = clock->nowMs;
    clearTimers(clock->timers);  // the pass running the end request stops after it
}

bool queueInput(VirtualClock& clock, const VirtualInput& input) {
    if (clock.ended || input.atMs <= clock.lastRunMs) {
        return false;
    }
    // After every queued input for the same instant, so events keep their injection order.
    const auto at = std::upper_bound(
        clock.inputs.begin() + static_cast<std::ptrdiff_t>(clock.nextInput), clock.inputs.end(),
        input.atMs, [](int64_t ms, const VirtualInput& queued) { return ms < queued.atMs; });
    clock.inputs.insert(at, input);
    return true;
}

void deliverInput(VirtualClock& clock, const VirtualInput& input) {
    if (input.isKey) {
        if (clock.deliverKey != nullptr) {
            clock.deliverKey(input.key, 0, 0);
        }
        return;
    }
    if (clock.deliverReshape != nullptr) {
        clock.deliverReshape(input.width, input.height);
    }
    requestVirtualRedraw();
}

// One instant: its window events, its due timers, then its frame.
void runInstant(VirtualClock& clock, int64_t instantMs) {
    clock.nowMs = instantMs;
    clock.lastRunMs = instantMs;
    while (!clock.ended && clock.nextInput < clock.inputs.size() &&
           clock.inputs[clock.nextInput].atMs == instantMs) {
        deliverInput(clock, clock.inputs[clock.nextInput]);
        clock.nextInput += 1;
    }
    if (!clock.ended) {
        runDueTimers(clock.timers, instantMs);
    }
    if (clock.redrawRequested) {
        clock.redrawRequested = false;
        clock.framesDrawn += 1;
        if (clock.runFrame != nullptr) {
            clock.runFrame(clock.frameContext, static_cast<int32_t>(instantMs));
        }
    }
}

}  // namespace

void startVirtualShow(VirtualClock& clock) {
    if (runningClock == nullptr) {
        hooksBeforeRun = stepHooks;
    }
    VirtualClock fresh;
    fresh.runFrame = clock.runFrame;
    fresh.frameContext = clock.frameContext;
    fresh.deliverKey = clock.deliverKey;
    fresh.deliverReshape = clock.deliverReshape;
    clock = fresh;
    runningClock = &clock;

    clearScene();
    seedPlacedCubes();
    stepHooks = StepHooks{armVirtualTimer, requestVirtualRedraw, endVirtualShow};
    layOutSchedule();
}

void stopVirtualShow(VirtualClock& clock) {
    if (runningClock == &clock) {
        runningClock = nullptr;
        stepHooks = hooksBeforeRun;
    }
}

bool injectKey(VirtualClock& clock, int64_t atMs, unsigned char key) {
    return queueInput(clock, VirtualInput{atMs, true, key, 0, 0});
}

bool injectWindowSize(VirtualClock& clock, int64_t atMs, int width, int height) {
    return queueInput(clock, VirtualInput{atMs, false, 0, width, height});
}

int64_t nextVirtualInstant(const VirtualClock& clock) {
    if (clock.ended) {
        return -1;
    }
    int64_t next = nextDueMs(clock.timers);
    if (clock.nextInput < clock.inputs.size()) {
        const int64_t inputMs = clock.inputs[clock.nextInput].atMs;
        next = next < 0 ? inputMs : std::min(next, inputMs);
    }
    return next;
}

bool runVirtualShowUntil(VirtualClock& clock, int64_t untilMs) {
    for (;;) {
        const int64_t next = nextVirtualInstant(clock);
        if (next < 0 || next > untilMs) {
            break;
        }
        runInstant(clock, next);
    }
    return !clock.ended;
}

bool runVirtualShowToEnd(VirtualClock& clock) {
    while (nextVirtualInstant(clock) >= 0) {
        runInstant(clock, nextVirtualInstant(clock));
    }
    return clock.ended;
}
