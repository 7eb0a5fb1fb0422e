#include "app/schedule.h"

#include "anim/scene_state.h"

const ScheduledTimer showSchedule[scheduleRowCount] = {
    {1, false, 0, onRedrawTick, 1},  // at 0 ms; the cursor stays at 3000
    {26, true, 600, onRollTick, 0},  // 3600, 4200, ..., 18600
    {1, true, 7500, onSpreadTick, 30},    {1, true, 500, onBallStart, 100},
    {1, true, 22500, onRedrawTick, 1000}, {1, true, 9000, onFadeTick, 2000},
};

void layOutSchedule() {
    for (const ScheduledTimer& row : showSchedule) {
        for (int i = 0; i < row.count; ++i) {
            unsigned int delay = 0;
            if (row.advancesCursor) {
                scene.scheduleCursorMs += static_cast<int>(row.gapMs);
                delay = static_cast<unsigned int>(scene.scheduleCursorMs);
            }
            stepHooks.armTimer(delay, row.callback, row.value);
        }
    }
}
