// PP in a web page: the show drawn on the page's canvas by the web platform's fixed-function GL
// (web/gl/), its timed steps on the timer queue paced by the browser's clock, its keys and window
// size from the page, its sound track played by Web Audio.
//
// index.html shows the show from a start button (the browser grants sound and full screen only
// after a click or a tap) and, when the show ends, a black picture and a button to play it
// again. The picture is the largest box of the show's aspect the window holds, centred on black.
// While the page is hidden (another tab in front, a frozen page) the show's clock and its sound
// stand still; the sound follows the show's time, never the other way round. A WebGL context
// the browser takes away is rebuilt when it comes back. With
// ?at=MS in its address the page shows instead the still picture of that instant, drawn on the
// virtual clock exactly as pp-render --at MS draws it, and says so with
// document.body.dataset.ready = "1".
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstring>

#include "anim/scene_state.h"
#include "anim/schedule.h"
#include "anim/steps.h"
#include "app/keys.h"
#include "image/bitmap.h"
#include "render/frame.h"
#include "render/gl_setup.h"
#include "timing/timer_queue.h"
#include "timing/virtual_clock.h"
#include "web/gl/gl_layer.h"
#include "web/show_box.h"
#include "web/web_sound.h"

namespace {

constexpr const char* canvasSelector = "#canvas";
// How long a lost WebGL context may stay away before the page gives up on it and says so.
constexpr unsigned int contextGiveUpMs = 5000;

enum class PagePhase { loading, waiting, playing, ended };

// The page's one process-wide record.
struct WebShow {
    PagePhase phase = PagePhase::loading;
    int64_t stillAtMs = -1;  // the instant of ?at=, -1 for the playing page
    ShowBox box;             // the canvas's place on the page and the buffer asked for
    int width = 0;           // the canvas's drawing buffer, as the browser made it
    int height = 0;
    TimerQueue timers;
    uint32_t run = 0;  // counts the shows started; a frame asked for by an earlier one is ignored
    uint32_t wakeUps = 0;  // counts the wake-ups given up (a new show, a pause); older ones pass
    bool redrawRequested = false;
    bool frameScheduled = false;
    bool hidden = false;       // the page is out of sight: the show's clock and sound stand still
    bool contextLost = false;  // the browser has taken the WebGL context away
    bool contextGone = false;  // ... and has not given it back in time: the page says so
    uint32_t losses = 0;       // counts the losses and restores; a give-up of an earlier one passes
};

WebShow web;

// clang-format off
EM_JS(void, setPageState, (const char* state), {
    document.body.dataset.state = UTF8ToString(state);
});

EM_JS(void, announceStillDrawn, (), {
    document.body.dataset.ready = "1";
});

EM_JS(void, markContext, (const char* mark), {
    if (mark) {
        document.body.dataset.context = UTF8ToString(mark);
    } else {
        delete document.body.dataset.context;
    }
});

EM_JS(double, windowCssWidth, (), {
    return window.innerWidth;
});

EM_JS(double, windowCssHeight, (), {
    return window.innerHeight;
});

// Tells ppWebPageShown whenever the page comes into or goes out of sight: hidden (another tab,
// a minimised window, a phone's lock), frozen by the browser, or put in the back-forward cache.
EM_JS(void, watchPageSight, (), {
    let frozen = false;
    const tell = () => _ppWebPageShown(document.visibilityState !== "hidden" && !frozen ? 1 : 0);
    document.addEventListener("visibilitychange", tell);
    document.addEventListener("freeze", () => { frozen = true; tell(); });
    document.addEventListener("resume", () => { frozen = false; tell(); });
    window.addEventListener("pagehide", () => { frozen = true; tell(); });
    window.addEventListener("pageshow", () => { frozen = false; tell(); });
    tell();
});

EM_JS(void, leaveFullScreen, (), {
    if (document.fullscreenElement && document.exitFullscreen) {
        document.exitFullscreen().catch(() => {});
    }
});

// Hands the bytes of skin.bmp to ppWebSkinArrived: those the page began to fetch while it
// loaded (Module.skinBytes), or fetched now. None when the file cannot be had.
EM_JS(void, takeSkinBytes, (), {
    const pending = Module["skinBytes"] ||
        fetch("skin.bmp").then((response) => response.ok ? response.arrayBuffer() : null);
    Promise.resolve(pending).catch(() => null).then((buffer) => {
        const size = buffer ? buffer.byteLength : 0;
        const at = size > 0 ? _malloc(size) : 0;
        if (at) {
            HEAPU8.set(new Uint8Array(buffer), at);
        }
        _ppWebSkinArrived(at, at ? size : 0);
        if (at) {
            _free(at);
        }
    });
});

// The instant of ?at=MS: whole milliseconds, at most nine digits; -1 when absent or malformed.
EM_JS(double, stillInstantFromAddress, (), {
    const at = new URLSearchParams(location.search).get("at");
    return at !== null && /^[0-9]{1,9}$/.test(at) ? Number(at) : -1;
});
// clang-format on

// The clock the timer queue runs on: the page's GLUT clock, which stands still while the page is
// hidden.
int64_t showClockMs() {
    return glutGet(GLUT_ELAPSED_TIME);
}

// Where the show stands: its clock less the time the queue moved its ticks past stalls, so that
// the camera and the sound go on where the ticks go on.
int64_t showTimeMs() {
    return showClockMs() - web.timers.stallShiftMs;
}

void clearToBlack() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
}

// The show's frames

EM_BOOL onAnimationFrame(double, void* tag);

void scheduleFrame() {
    if (!web.frameScheduled) {
        web.frameScheduled = true;
        emscripten_request_animation_frame(
            onAnimationFrame, reinterpret_cast<void*>(static_cast<uintptr_t>(web.run)));
    }
}

void requestWebRedraw() {
    web.redrawRequested = true;
    scheduleFrame();
}

// Every tick due by now runs before the frame, as GLUT runs due timers before it redisplays.
EM_BOOL onAnimationFrame(double, void* tag) {
    web.frameScheduled = false;
    if (web.phase != PagePhase::playing || reinterpret_cast<uintptr_t>(tag) != web.run ||
        web.hidden) {
        return EM_FALSE;
    }
    runDueTimers(web.timers, showClockMs());
    if (web.phase != PagePhase::playing || !web.redrawRequested) {
        return EM_FALSE;
    }
    web.redrawRequested = false;
    // The program's display callback: the frame's step, its drawing at the show's time. Without
    // a context the step still runs, so the show is where it would be when the picture returns.
    const FinaleFrame finale = advanceFrame();
    if (!web.contextLost) {
        renderFrame(static_cast<int32_t>(showTimeMs()), finale);
        glutSwapBuffers();
    }
    noteFrameDrawn(web.timers, showClockMs());
    followWebSoundTrack(static_cast<double>(showTimeMs()));
    return EM_FALSE;
}

// The timer queue on the browser's clock

void armWebWakeUp(unsigned int delayMs);

// Browsers coarsen the clock they give pages (Firefox to a millisecond or more, with jitter), so
// a timeout may fire before its instant by that clock. The queue would take such a pass for a
// wake-up still to come and arm none: the rest of the wait is waited out first.
void onWebWakeUp(void* tag) {
    if (web.phase != PagePhase::playing || reinterpret_cast<uintptr_t>(tag) != web.wakeUps) {
        return;
    }
    const int64_t nowMs = showClockMs();
    if (web.timers.wakeUpArmed && nowMs < web.timers.wakeUpDueMs) {
        armWebWakeUp(static_cast<unsigned int>(web.timers.wakeUpDueMs - nowMs));
        return;
    }
    runDueTimers(web.timers, nowMs);
    // Frames may come seldom (a slow GPU); the ticks come every 10 ms.
    if (web.phase == PagePhase::playing) {
        followWebSoundTrack(static_cast<double>(showTimeMs()));
    }
}

// Browsers fire a timeout longer than 2^31 - 1 ms at once; one that long fires early instead,
// finds nothing due, and the queue arms the next.
void armWebWakeUp(unsigned int delayMs) {
    constexpr unsigned int longestTimeoutMs = 0x7FFFFFFF;
    emscripten_set_timeout(onWebWakeUp, delayMs < longestTimeoutMs ? delayMs : longestTimeoutMs,
                           reinterpret_cast<void*>(static_cast<uintptr_t>(web.wakeUps)));
}

void armWebTimer(unsigned int delayMs, TimerCallback callback, int value) {
    armDueTimer(web.timers, showClockMs(), delayMs, callback, value);
}

// Where the program ends its process, the page ends the show: black, silent, out of full
// screen, and a button to play it again. Also called from inside a running tick, whose pass
// then stops.
void endWebShow(int) {
    if (web.phase != PagePhase::playing) {
        return;
    }
    web.phase = PagePhase::ended;
    web.run += 1;
    web.wakeUps += 1;
    clearTimers(web.timers);
    stopWebSoundTrack();
    clearToBlack();
    leaveFullScreen();
    setPageState("ended");
}

// Out of sight, the show stands still: its clock stops, the browser timeout armed for the next
// tick is given up (the queue is told none is armed) and the sound pauses. Back in sight, the
// clock goes on from where it stood, a pass runs what is due and arms the next wake-up, and the
// sound joins at the show's time.
void pauseWebShow() {
    pauseGlutClock();
    web.wakeUps += 1;
    web.timers.wakeUpArmed = false;
    pauseWebSoundTrack();
}

void resumeWebShow() {
    resumeGlutClock();
    runDueTimers(web.timers, showClockMs());
    if (web.phase == PagePhase::playing) {
        requestWebRedraw();
        resumeWebSoundTrack(static_cast<double>(showTimeMs()));
    }
}

// The still picture of ?at=: the show on the virtual clock, as pp-render draws a picture

struct StillFrame {
    bool drawn = false;
    int32_t instantMs = 0;
    FinaleFrame finale = {false, 0.0f, 0.0f};
};

// Every frame's step runs; only the latest frame is drawn, once the clock reaches the instant.
void stepStillFrame(void* context, int32_t instantMs) {
    auto& still = *static_cast<StillFrame*>(context);
    still.finale = advanceFrame();
    still.instantMs = instantMs;
    still.drawn = true;
}

void drawStill() {
    clearToBlack();
    StillFrame still;
    VirtualClock clock;
    clock.runFrame = stepStillFrame;
    clock.frameContext = &still;
    clock.deliverKey = onKeyboard;
    clock.deliverReshape = onReshape;
    startVirtualShow(clock);
    runVirtualShowUntil(clock, web.stillAtMs);
    // After the show's end nothing is on screen: the picture stays black.
    const bool over = clock.ended && clock.endMs < web.stillAtMs;
    if (still.drawn && !over) {
        renderFrame(still.instantMs, still.finale);
    }
    stopVirtualShow(clock);
    glFlush();
    announceStillDrawn();
}

// The window

// Draws what the page shows when no show is playing: the still of ?at=, or black.
void redrawIdlePage() {
    if (web.contextLost) {
        return;
    }
    if (web.stillAtMs >= 0) {
        drawStill();
    } else {
        clearToBlack();
    }
}

// The picture the page's phase asks for: the show's next frame while it plays, else the start
// or end screen again.
void redrawForPhase() {
    switch (web.phase) {
        case PagePhase::playing:
            requestWebRedraw();
            break;
        case PagePhase::loading:
            break;
        case PagePhase::waiting:
        case PagePhase::ended:
            redrawIdlePage();
            break;
    }
}

// The canvas is the largest box of the show's aspect in the window, centred (index.html), with
// the box's device pixels; the viewport is the drawing buffer the browser made, and when that is
// less than was asked, the canvas asks for the largest box of the show's aspect within it.
void fitCanvasToWindow() {
    const ShowBox box =
        fitShowBox(windowCssWidth(), windowCssHeight(), emscripten_get_device_pixel_ratio());
    if (box.cssWidth == web.box.cssWidth && box.cssHeight == web.box.cssHeight &&
        box.bufferWidth == web.box.bufferWidth && box.bufferHeight == web.box.bufferHeight) {
        return;
    }
    web.box = box;
    emscripten_set_element_css_size(canvasSelector, box.cssWidth, box.cssHeight);
    int width = box.bufferWidth;
    int height = box.bufferHeight;
    emscripten_set_canvas_element_size(canvasSelector, width, height);
    int givenWidth = 0;
    int givenHeight = 0;
    glLayerDrawingBufferSize(&givenWidth, &givenHeight);
    if (givenWidth > 0 && givenHeight > 0 && (givenWidth < width || givenHeight < height)) {
        fitShowBuffer(givenWidth, givenHeight, &width, &height);
        emscripten_set_canvas_element_size(canvasSelector, width, height);
        glLayerDrawingBufferSize(&givenWidth, &givenHeight);
    }
    if (givenWidth > 0 && givenHeight > 0) {
        width = givenWidth;
        height = givenHeight;
    }
    web.width = width;
    web.height = height;
    onReshape(width, height);
    redrawForPhase();  // as GLUT redisplays a resized window
}

EM_BOOL onWindowResize(int, const EmscriptenUiEvent*, void*) {
    fitCanvasToWindow();
    return EM_FALSE;
}

// GLUT's key codes from the browser's key names: the character a key types, 27 for Escape.
// Keys held with Control, Alt or Meta stay the browser's.
EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    if (web.phase != PagePhase::playing || event->ctrlKey || event->altKey || event->metaKey) {
        return EM_FALSE;
    }
    unsigned char key = 0;
    if (std::strcmp(event->key, "Escape") == 0) {
        key = escapeKey;
    } else if (event->key[0] != '\0' && event->key[1] == '\0') {
        key = static_cast<unsigned char>(event->key[0]);
    } else {
        return EM_FALSE;
    }
    onKeyboard(key, 0, 0);
    return EM_TRUE;
}

// The WebGL context

void onContextGiveUp(void* tag) {
    if (!web.contextLost || reinterpret_cast<uintptr_t>(tag) != web.losses) {
        return;
    }
    endWebShow(0);
    web.contextGone = true;
    setPageState("lost");
}

// Prevented by default, so that the browser may give the context back. Until it does, the show
// keeps its time and sound and draws nothing; a context that stays away leaves the page on a
// message.
EM_BOOL onContextLost(int, const void*, void*) {
    web.contextLost = true;
    web.losses += 1;
    markContext("lost");
    emscripten_set_timeout(onContextGiveUp, contextGiveUpMs,
                           reinterpret_cast<void*>(static_cast<uintptr_t>(web.losses)));
    return EM_TRUE;
}

// The layer rebuilds what the context held; the next frame is the show's picture of its instant.
EM_BOOL onContextRestored(int, const void*, void*) {
    if (!restoreGlLayer()) {
        return EM_FALSE;  // lost again already: its own events follow
    }
    web.contextLost = false;
    web.losses += 1;
    markContext(nullptr);
    if (web.contextGone) {
        web.contextGone = false;
        setPageState(web.stillAtMs >= 0 ? "still" : "ended");
    }
    redrawForPhase();
    return EM_FALSE;
}

// Loading

void showTexture(const uint8_t* bytes, size_t size) {
    BitmapImage image = {};
    if (bytes != nullptr) {
        loadBitmapFromMemory(image, bytes, size);
    }
    uploadCubeTexture(image);  // without a picture: plain lit white cubes, as in the program
    releaseBitmap(image);
    web.phase = PagePhase::waiting;
    redrawIdlePage();
    setPageState(web.stillAtMs >= 0 ? "still" : "ready");
}

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void ppWebPageShown(int shown) {
    const bool hidden = shown == 0;
    if (hidden == web.hidden) {
        return;
    }
    web.hidden = hidden;
    if (web.phase == PagePhase::playing) {
        if (hidden) {
            pauseWebShow();
        } else {
            resumeWebShow();
        }
    }
}

extern "C" EMSCRIPTEN_KEEPALIVE void ppWebSkinArrived(const uint8_t* bytes, int size) {
    showTexture(size > 0 ? bytes : nullptr, size > 0 ? static_cast<size_t>(size) : 0);
}

// Called by the page's start and play-again buttons, inside the click or tap.
extern "C" EMSCRIPTEN_KEEPALIVE void ppWebPlay() {
    if ((web.phase != PagePhase::waiting && web.phase != PagePhase::ended) || web.contextGone) {
        return;
    }
    // The sound first: WebKit leaves a sound context suspended that was resumed after a request
    // for full screen in the same click.
    startWebSoundTrack();
    glutFullScreen();

    web.phase = PagePhase::playing;
    web.run += 1;
    web.wakeUps += 1;
    web.timers = TimerQueue{};
    web.timers.armWakeUp = armWebWakeUp;
    web.redrawRequested = false;
    web.frameScheduled = false;  // a frame asked for by the last show is ignored when it comes
    clearScene();
    seedPlacedCubes();
    stepHooks = StepHooks{armWebTimer, requestWebRedraw, endWebShow};
    restartGlutClock();
    layOutSchedule();
    setPageState("playing");
}

int main() {
    web.stillAtMs = static_cast<int64_t>(stillInstantFromAddress());
    if (!openGlLayer(canvasSelector, web.stillAtMs >= 0)) {
        setPageState("no-webgl");
        return 0;
    }
    initLightingAndDepth();
    fitCanvasToWindow();
    emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE,
                                   onWindowResize);
    if (web.stillAtMs < 0) {
        emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE,
                                        onKeyDown);
        prepareWebSoundTrack("bla_11.wav");
        watchPageSight();
    }
    emscripten_set_webglcontextlost_callback(canvasSelector, nullptr, EM_FALSE, onContextLost);
    emscripten_set_webglcontextrestored_callback(canvasSelector, nullptr, EM_FALSE,
                                                 onContextRestored);
    takeSkinBytes();
    return 0;
}
