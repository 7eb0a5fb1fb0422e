#include "app/glut_timers.h"

#include <GL/freeglut.h>

#include <cstdint>

#include "timing/timer_queue.h"

namespace {

void armGlutWakeUp(unsigned int delayMs);

TimerQueue makeGlutPacedTimers() {
    TimerQueue service;
    service.armWakeUp = armGlutWakeUp;
    return service;
}

TimerQueue glutPacedTimers = makeGlutPacedTimers();

int64_t glutClockMs() {
    return glutGet(GLUT_ELAPSED_TIME);
}

// GLUT runs due timers before it redisplays, so every tick due by now runs before the frame.
void onGlutWakeUp(int) {
    runDueTimers(glutPacedTimers, glutClockMs());
}

void armGlutWakeUp(unsigned int delayMs) {
    glutTimerFunc(delayMs, onGlutWakeUp, 0);
}

}  // namespace

void armGlutPacedTimer(unsigned int delayMs, TimerCallback callback, int value) {
    armDueTimer(glutPacedTimers, glutClockMs(), delayMs, callback, value);
}

void noteGlutFrameDrawn() {
    noteFrameDrawn(glutPacedTimers, glutClockMs());
}
