// Step hooks for tests: they record every armed timer, redraw request and end request instead
// of touching GLUT, so the timed steps can be driven directly.
#pragma once
#include <vector>

#include "anim/scene_state.h"
#include "anim/steps.h"

struct ArmedTimer {
    unsigned int delayMs;
    TimerCallback callback;
    int value;
};

struct StepRecord {
    std::vector<ArmedTimer> armed;
    int redraws = 0;
    std::vector<int> endRequests;
};

extern StepRecord stepRecord;

// Puts the scene, the cube list and the record back to the start of the show and binds the
// recording hooks.
void resetShowForTest();

// Runs a self-re-arming step from its first call until it stops re-arming itself; returns the
// number of ticks it ran. Other timers armed meanwhile stay in stepRecord.armed.
int runChain(TimerCallback callback, int value, int maxTicks = 100000);
