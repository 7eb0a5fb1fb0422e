#include "offline/show_recording.h"

#include <GL/gl.h>

#include "anim/scene_state.h"
#include "anim/steps.h"
#include "app/keys.h"
#include "render/frame.h"
#include "timing/virtual_clock.h"

namespace {

struct Recorder {
    bool drawEveryFrame = false;
    bool latestFrameInBuffer = false;  // the target holds the latest frame
    int32_t latestFrameMs = 0;
    FinaleFrame latestFinale = {false, 0.0f, 0.0f};
};

void drawLatestFrame(Recorder& recorder) {
    if (!recorder.latestFrameInBuffer) {
        renderFrame(recorder.latestFrameMs, recorder.latestFinale);
        recorder.latestFrameInBuffer = true;
    }
}

// The clock's frame callback. The frame's step runs for every frame, as the program runs it;
// the drawing waits until a picture shows the frame. Nothing changes the scene between a frame
// and the next instant that asks for one (every step and key that changes what is seen asks
// for a frame), so the scene as it stands then is the frame's scene.
void stepRequestedFrame(void* context, int32_t instantMs) {
    auto& recorder = *static_cast<Recorder*>(context);
    recorder.latestFinale = advanceFrame();
    recorder.latestFrameMs = instantMs;
    recorder.latestFrameInBuffer = false;
    if (recorder.drawEveryFrame) {
        drawLatestFrame(recorder);
    }
}

}  // namespace

RecordingResult recordShow(const OffscreenTarget& target, const RecordingPlan& plan,
                           PictureSink sink, void* sinkContext) {
    RecordingResult result;
    Recorder recorder;
    recorder.drawEveryFrame = plan.drawEveryFrame;

    // Before the first frame the window is black, and it has its size.
    onReshape(target.width, target.height);
    const PictureViewport v = fitPicture(target.width, target.height, perspectiveAspect, plan.fit);
    glViewport(v.x, v.y, v.width, v.height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    recorder.latestFrameInBuffer = true;

    VirtualClock clock;
    clock.runFrame = stepRequestedFrame;
    clock.frameContext = &recorder;
    clock.deliverKey = onKeyboard;
    clock.deliverReshape = onReshape;
    startVirtualShow(clock);

    std::vector<uint8_t> rgb;
    const int64_t fps = plan.fps > 0 ? plan.fps : 1;
    for (int64_t k = 0;; ++k) {
        const int64_t timeMs = plan.fromMs + k * 1000 / fps;
        if (plan.toMs >= 0 && timeMs > plan.toMs) {
            break;
        }
        runVirtualShowUntil(clock, timeMs);
        if (clock.ended && clock.endMs < timeMs) {
            break;  // the show is over: nothing is on screen any more
        }
        drawLatestFrame(recorder);
        readOffscreenPixels(target, rgb);
        result.pictures += 1;
        if (!sink(sinkContext, timeMs, rgb)) {
            result.sinkStopped = true;
            break;
        }
        if (plan.toMs < 0 && !clock.ended && nextVirtualInstant(clock) < 0) {
            break;  // nothing is left to happen, so the show would never end
        }
    }
    result.framesDrawn = clock.framesDrawn;
    result.showEnded = clock.ended;
    result.showEndMs = clock.endMs;
    stopVirtualShow(clock);
    return result;
}
