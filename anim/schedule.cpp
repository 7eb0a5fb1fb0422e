#include "anim/schedule.h"

#include "anim/scene_state.h"

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
