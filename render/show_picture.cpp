#include "render/show_picture.h"

#include "render/frame.h"

namespace {

void drawLatestFrame(ShowPicture& show) {
    if (!show.inTarget) {
        renderFrame(show.frameMs, show.finale);
        show.inTarget = true;
    }
}

// The clock's frame callback: the frame's step runs for every frame; the drawing waits until a
// picture shows the frame.
void stepFrame(void* context, int32_t instantMs) {
    auto& show = *static_cast<ShowPicture*>(context);
    show.finale = advanceFrame();
    show.frameMs = instantMs;
    show.framed = true;
    show.inTarget = false;
    if (show.drawEveryFrame) {
        drawLatestFrame(show);
    }
}

}  // namespace

void startShowPicture(ShowPicture& show) {
    show.framed = false;
    show.inTarget = true;
    show.clock.runFrame = stepFrame;
    show.clock.frameContext = &show;
    startVirtualShow(show.clock);
}

bool drawShowPictureAt(ShowPicture& show, int64_t atMs) {
    runVirtualShowUntil(show.clock, atMs);
    if (show.clock.ended && show.clock.endMs < atMs) {
        return false;  // the show is over: nothing is on screen any more
    }
    drawLatestFrame(show);
    return true;
}

void stopShowPicture(ShowPicture& show) {
    stopVirtualShow(show.clock);
}
