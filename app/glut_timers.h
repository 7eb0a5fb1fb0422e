// The program's binding of the timed steps' timers: the timer queue of timing/timer_queue.h on
// GLUT's clock (GLUT_ELAPSED_TIME, the one the camera follows) and GLUT's own timers.
#pragma once

#include "anim/steps.h"

// What stepHooks.armTimer is bound to in the program. Must be called on the main loop's thread,
// after glutInit.
void armGlutPacedTimer(unsigned int delayMs, TimerCallback callback, int value);
// Tells the timers that a frame has just been drawn, so that its cost is not taken for a stall.
void noteGlutFrameDrawn();
