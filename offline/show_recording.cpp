#include "offline/show_recording.h"

#include <GL/gl.h>

#include <utility>

#include "anim/scene_state.h"
#include "app/keys.h"
#include "render/frame.h"
#include "offline/virtual_clock.h"

namespace {

struct Recorder {
    bool everyFrameInFull = false;
    bool latestFrameInBuffer = false;  // the target holds the latest frame at full size
    int32_t latestFrameMs = 0;
    SceneState sceneBeforeLatestFrame;  // what renderFrame started from for the latest frame
    std::vector<Point3> cubesBeforeLatestFrame;
};

// The clock's frame callback. renderFrame also advances the finale, so every requested frame is
// drawn; one that may never be shown goes into a single pixel, fenced by the scissor so that
// not even the clear touches the rest.
void drawRequestedFrame(void* context, int32_t instantMs) {
    auto& recorder = *static_cast<Recorder*>(context);
    if (recorder.everyFrameInFull) {
        renderFrame(instantMs);
        recorder.latestFrameInBuffer = true;
        return;
    }
    recorder.sceneBeforeLatestFrame = scene;
    recorder.cubesBeforeLatestFrame = placedCubes;
    recorder.latestFrameMs = instantMs;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glViewport(0, 0, 1, 1);
    glScissor(0, 0, 1, 1);
    glEnable(GL_SCISSOR_TEST);
    renderFrame(instantMs);
    glDisable(GL_SCISSOR_TEST);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    recorder.latestFrameInBuffer = false;
}

// Draws the latest frame again at full size from the scene it started from, then puts the
// scene back as the show has it now.
void drawLatestFrameInFull(Recorder& recorder) {
    if (recorder.latestFrameInBuffer) {
        return;
    }
    const SceneState sceneNow = scene;
    std::vector<Point3> cubesNow = placedCubes;
    scene = recorder.sceneBeforeLatestFrame;
    placedCubes = recorder.cubesBeforeLatestFrame;
    renderFrame(recorder.latestFrameMs);
    scene = sceneNow;
    placedCubes = std::move(cubesNow);
    recorder.latestFrameInBuffer = true;
}

}  // namespace

RecordingResult recordShow(const OffscreenTarget& target, const RecordingPlan& plan,
                           PictureSink sink, void* sinkContext) {
    RecordingResult result;
    Recorder recorder;
    recorder.everyFrameInFull = plan.drawEveryFrameInFull;

    // Before the first frame the window is black, and it has its size.
    onReshape(target.width, target.height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    recorder.latestFrameInBuffer = true;

    VirtualClock clock;
    clock.drawFrame = drawRequestedFrame;
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
        drawLatestFrameInFull(recorder);
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
