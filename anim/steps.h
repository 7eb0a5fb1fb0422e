// The timer-driven steps of the show: rolling, spreading, ball start, redraw pacing, fade.
//
// They only change the scene record. Arming the next tick, asking for a redraw and ending the
// process go through `stepHooks`, which the program binds to its timers paced on GLUT's clock
// (app/glut_timers.h), glutPostRedisplay and exit, and which a virtual clock can bind to its
// own queue.
#pragma once
#include <cstdint>

using TimerCallback = void (*)(int value);

struct StepHooks {
    void (*armTimer)(unsigned int delayMs, TimerCallback callback, int value);
    void (*requestRedraw)();
    void (*endShow)(int status);
};

// Starts with hooks that arm nothing, redraw nothing and end the process.
extern StepHooks stepHooks;

// Ends the process at once with the status: what the program binds endShow to.
void endProcess(int status);

constexpr unsigned int stepTickMs = 10;      // every self-re-arming step runs every 10 ms
constexpr float fadeAlphaPerTick = 0.0008f;  // opacity the fade overlay gains per fade tick
constexpr float ripplePhasePerFrame = 0.1f;  // radians the carpet's wave moves per finale frame
constexpr int rollTickCount = 18;            // ticks of one roll: 18 x 5 degrees, one cell

// The fade overlay's opacity after one more fade tick, summed in double precision.
constexpr float fadeAlphaAfterTick(float alpha) {
    return static_cast<float>(static_cast<double>(alpha) + static_cast<double>(fadeAlphaPerTick));
}
// How many fade ticks the picture takes to turn black; the last one ends the show.
constexpr int fadeTicksToBlack() {
    float alpha = 0.0f;
    int ticks = 0;
    do {
        alpha = fadeAlphaAfterTick(alpha);
        ++ticks;
    } while (alpha < 1.0f);
    return ticks;
}

void onRollTick(int value);
void onSpreadTick(int value);
void onBallStart(int value);
void onRedrawTick(int value);
void onFadeTick(int value);

// The per-frame advance of the finale done before each finale frame is drawn: spin, frame count
// and ripple phase. Returns the frame count before the advance.
float advanceFinaleFrame();

// The ball frames a frame's finale is drawn with: the count before and after the frame's
// advance. `drawn` is false before the ball starts, when a frame has no finale.
struct FinaleFrame {
    bool drawn;
    float oldBallFrame;
    float newBallFrame;
};

// The frame step, run once before each frame is drawn: during the finale it advances the
// per-frame quantities. The frame is then drawn from the scene as it leaves it, with these
// ball frames; drawing changes nothing, so a frame can be drawn later, or not at all.
FinaleFrame advanceFrame();
