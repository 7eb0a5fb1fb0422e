// Recording the show: the virtual clock runs the program's schedule and steps, every requested
// frame runs the program's frame step, and the frame visible at each output time is drawn by the
// program's renderFrame and handed to a sink as RGB pixels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "offline/offscreen_target.h"
#include "offline/render_defaults.h"
#include "render/picture_fit.h"

// Output times run from fromMs in steps of 1000/fps ms (rounded down to whole milliseconds, so
// they never drift) up to toMs, or to the end of the show when toMs is -1. The picture for an
// output time is the latest frame drawn at or before it, as a screen would show it.
struct RecordingPlan {
    int64_t fromMs = 0;
    int64_t toMs = -1;
    int fps = defaultFps;
    // Every frame drawn as soon as it is due, as a screen would. The normal way runs the step
    // of every frame but draws only the frames that pictures show, once each. The two give the
    // same pictures; this one is here to show that.
    bool drawEveryFrame = false;
    // Where the picture goes when the target is not of the show's shape.
    PictureFit fit = PictureFit::stretch;
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
// window size is the target's size, given to onReshape before the first frame as GLUT does; the
// picture then takes the part of it the plan's fit gives, the rest staying black.
// The show's GL state and cube texture must already be set up. The scene and the cube list are
// left as the run leaves them; stepHooks get their earlier binding back.
RecordingResult recordShow(const OffscreenTarget& target, const RecordingPlan& plan,
                           PictureSink sink, void* sinkContext);
