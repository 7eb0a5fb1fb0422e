// Recording the show: the virtual clock runs the program's schedule and steps, every requested
// frame goes through the program's renderFrame, and the frame visible at each output time is
// handed to a sink as RGB pixels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "offline/offscreen_target.h"

// Output times run from fromMs in steps of 1000/fps ms (rounded down to whole milliseconds, so
// they never drift) up to toMs, or to the end of the show when toMs is -1. The picture for an
// output time is the latest frame drawn at or before it, as a screen would show it.
struct RecordingPlan {
    int64_t fromMs = 0;
    int64_t toMs = -1;
    int fps = 50;
    // Every frame drawn at full size and read back when due. The normal way draws the frames
    // that no output shows into a one-pixel viewport, which advances the finale exactly as a
    // full frame does, and draws an output frame again at full size from the scene kept from
    // before it. The two give the same pictures; this one is here to show that.
    bool drawEveryFrameInFull = false;
};

// Gets each output picture (top row first) and its output time. False stops the recording.
using PictureSink = bool (*)(void* context, int64_t timeMs, const std::vector<uint8_t>& rgb);

struct RecordingResult {
    int64_t pictures = 0;     // pictures handed to the sink
    int64_t framesDrawn = 0;  // frames the show drew
    bool showEnded = false;
    int64_t showEndMs = -1;  // the instant of the end request, when it came
    bool sinkStopped = false;
};

// Plays the show from its start into the target, which must be the current draw target; the
// window size is the target's size, given to onReshape before the first frame as GLUT does.
// The show's GL state and cube texture must already be set up. The scene and the cube list are
// left as the run leaves them; stepHooks get their earlier binding back.
RecordingResult recordShow(const OffscreenTarget& target, const RecordingPlan& plan,
                           PictureSink sink, void* sinkContext);
