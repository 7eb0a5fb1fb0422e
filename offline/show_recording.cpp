#include "offline/show_recording.h"

#include <GL/gl.h>

#include "app/keys.h"
#include "render/show_picture.h"

RecordingResult recordShow(const OffscreenTarget& target, const RecordingPlan& plan,
                           PictureSink sink, void* sinkContext) {
    RecordingResult result;

    // Before the first frame the window is black, and it has its size.
    onReshape(target.width, target.height);
    const PictureViewport v = fitPicture(target.width, target.height, perspectiveAspect, plan.fit);
    glViewport(v.x, v.y, v.width, v.height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    ShowPicture show;
    show.drawEveryFrame = plan.drawEveryFrame;
    show.clock.deliverKey = onKeyboard;
    show.clock.deliverReshape = onReshape;
    startShowPicture(show);
    const VirtualClock& clock = show.clock;

    std::vector<uint8_t> rgb;
    const int64_t fps = plan.fps > 0 ? plan.fps : 1;
    for (int64_t k = 0;; ++k) {
        const int64_t timeMs = plan.fromMs + k * 1000 / fps;
        if (plan.toMs >= 0 && timeMs > plan.toMs) {
            break;
        }
        if (!drawShowPictureAt(show, timeMs)) {
            break;  // the show is over: nothing is on screen any more
        }
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
    stopShowPicture(show);
    return result;
}
