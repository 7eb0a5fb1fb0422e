// The show on a virtual clock: the program's own schedule and timed steps, run on an ideal
// platform whose time moves only when the clock is told to run.
//
// The clock binds stepHooks to a timer queue of its own (timing/timer_queue.h, the one every
// platform uses), on the ideal clock: timers fire exactly when due and callbacks take no time.
// Each instant runs in the order freeglut's main loop uses: the window events injected for that
// instant (in the order given), then the queue's pass for the instant, then one frame if any
// redraw was requested during the instant: several requests give one frame. A new window size
// also asks for a frame, as GLUT redisplays a resized window. An end request (the fade's last
// tick, Escape) runs no further callbacks; the instant's frame is still drawn when one was
// requested, and the run stops there.
//
// The second redraw chain of the schedule ticks at the same instants as the first, so here it
// doubles the redraw requests but adds no frames, and the finale, which advances once per frame,
// keeps its pace. On a real platform its extra requests can produce extra frames.
//
// No GL here: frames, keys and window sizes go to functions the caller binds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "anim/steps.h"
#include "timing/timer_queue.h"

// A window event for a given instant: a key press, or a new window size.
struct VirtualInput {
    int64_t atMs;
    bool isKey;
    unsigned char key;
    int width;
    int height;
};

struct VirtualClock {
    // Bound by the caller before the run. runFrame runs one frame of the show at instantMs (the
    // tool binds it to the program's frame step, and draws the frames it writes); deliverKey
    // and deliverReshape get the injected events (onKeyboard and onReshape). Unbound ones are
    // not called.
    void (*runFrame)(void* context, int32_t instantMs) = nullptr;
    void* frameContext = nullptr;
    void (*deliverKey)(unsigned char key, int x, int y) = nullptr;
    void (*deliverReshape)(int width, int height) = nullptr;

    int64_t nowMs = 0;                 // the instant being run, or the last one run
    int64_t lastRunMs = -1;            // the last instant run, -1 before the first
    TimerQueue timers;                 // no wake-up bound: the clock steps to each due time
    std::vector<VirtualInput> inputs;  // sorted by instant, equal instants in injection order
    std::size_t nextInput = 0;
    bool redrawRequested = false;
    int64_t redrawRequests = 0;  // all requests, also those merged into one frame
    int64_t framesDrawn = 0;
    bool ended = false;
    int endStatus = 0;
    int64_t endMs = -1;  // the instant of the end request
};

// Starts the show on the clock at instant 0: the scene and the cube list as the program starts
// them, stepHooks bound to this clock, and the program's schedule laid out. Drops whatever the
// clock held from an earlier run but keeps its bound functions.
void startVirtualShow(VirtualClock& clock);
// Gives stepHooks back to what they were before startVirtualShow. The scene stays as it is.
void stopVirtualShow(VirtualClock& clock);

// Queue a key press or a window size for an instant. False (nothing queued) for an instant
// already run.
bool injectKey(VirtualClock& clock, int64_t atMs, unsigned char key);
bool injectWindowSize(VirtualClock& clock, int64_t atMs, int width, int height);

// Runs every instant up to and including untilMs, stopping early at the end of the show.
// Returns false once the show has ended.
bool runVirtualShowUntil(VirtualClock& clock, int64_t untilMs);
// Runs until the show ends or nothing is left to happen. True when it ended.
bool runVirtualShowToEnd(VirtualClock& clock);
// The next instant at which something is due, or -1 when nothing is (or the show has ended).
int64_t nextVirtualInstant(const VirtualClock& clock);
