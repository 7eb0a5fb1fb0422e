// The timer-driven steps of the show: rolling, spreading, ball start, redraw pacing, fade.
//
// They only change the scene record. Arming the next tick, asking for a redraw and ending the
// process go through `stepHooks`, which the program binds to glutTimerFunc, glutPostRedisplay
// and exit, and which a virtual clock can bind to its own queue.
#pragma once
#include <cstdint>

using TimerCallback = void (*)(int value);

struct StepHooks {
    void (*armTimer)(unsigned int delayMs, TimerCallback callback, int value);
    void (*requestRedraw)();
    void (*endShow)(int status);
};

// Starts with hooks that arm nothing, redraw nothing and call std::exit.
extern StepHooks stepHooks;

constexpr unsigned int stepTickMs = 10;  // every self-re-arming step runs every 10 ms

void onRollTick(int value);
void onSpreadTick(int value);
void onBallStart(int value);
void onRedrawTick(int value);
void onFadeTick(int value);

// The per-frame advance of the finale done before each finale frame is drawn: spin, frame count
// and ripple phase. Returns the frame count before the advance.
float advanceFinaleFrame();
