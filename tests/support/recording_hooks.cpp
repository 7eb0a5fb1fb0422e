#include "tests/support/recording_hooks.h"

StepRecord stepRecord;

namespace {
void recordArm(unsigned int delayMs, TimerCallback callback, int value) {
    stepRecord.armed.push_back({delayMs, callback, value});
}
void recordRedraw() {
    stepRecord.redraws += 1;
}
void recordEnd(int status) {
    stepRecord.endRequests.push_back(status);
}
}  // namespace

void resetShowForTest() {
    clearScene();
    stepRecord = StepRecord{};
    stepHooks = StepHooks{recordArm, recordRedraw, recordEnd};
}

int runChain(TimerCallback callback, int value, int maxTicks) {
    int ticks = 0;
    for (;;) {
        const std::size_t before = stepRecord.armed.size();
        callback(value);
        ++ticks;
        if (ticks >= maxTicks) {
            return ticks;
        }
        bool rearmed = false;
        for (std::size_t i = before; i < stepRecord.armed.size(); ++i) {
            if (stepRecord.armed[i].callback == callback) {
                rearmed = true;
                value = stepRecord.armed[i].value;
                stepRecord.armed.erase(stepRecord.armed.begin() + static_cast<long>(i));
                break;
            }
        }
        if (!rearmed) {
            return ticks;
        }
    }
}
