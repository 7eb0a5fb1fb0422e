// The show's picture at an instant, the one thing pp-render's pictures and videos and the page's
// still pictures and jumps are made of: the show run on a virtual clock (timing/virtual_clock.h)
// from its start to the instant, every frame's step run as the program runs it, and the latest
// frame drawn at or before the instant drawn into the current target, as a screen shows it then.
// Nothing changes the scene between a frame and the next instant that asks for one (every step
// and key that changes what is seen asks for a frame), so the scene as it stands then is the
// latest frame's scene.
#pragma once
#include <cstdint>

#include "anim/steps.h"
#include "timing/virtual_clock.h"

struct ShowPicture {
    // Bound by the caller before startShowPicture: the clock's key and window-size callbacks
    // (clock.deliverKey, clock.deliverReshape); runFrame is this record's.
    VirtualClock clock;
    // Every frame drawn as soon as it runs, as a screen would; otherwise only the frames a
    // picture shows are drawn, once each. The two give the same pictures.
    bool drawEveryFrame = false;

    bool framed = false;  // a frame has run ...
    int32_t frameMs = 0;  // ... at this instant of the show ...
    FinaleFrame finale = {false, 0.0f, 0.0f};
    bool inTarget = true;  // ... and is what the target holds (true too for the target's black)
};

// Starts the show on the record's clock at instant 0, binding stepHooks to it.
void startShowPicture(ShowPicture& show);
// Runs the show up to and including atMs and draws its latest frame into the current target,
// unless the target holds it already. False, drawing nothing, when nothing is on screen then: the
// show ended before atMs.
bool drawShowPictureAt(ShowPicture& show, int64_t atMs);
// Gives stepHooks back to what they were before startShowPicture. The scene stays as it is.
void stopShowPicture(ShowPicture& show);
