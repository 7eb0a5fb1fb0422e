// PP in a web page: the show drawn on the page's canvas by the web platform's fixed-function GL
// (web/gl/), its timed steps on the timer queue paced by the browser's clock, its keys and window
// size from the page, its sound track played by Web Audio.
//
// index.html shows the show from a start button (the browser grants sound and full screen only
// after a click) and, when the show ends, a black picture and a button to play it again. With
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
#include "web/web_sound.h"

namespace {

constexpr const char* canvasSelector = "#canvas";

enum class PagePhase { loading, waiting, playing, ended };

// The page's one process-wide record.
struct WebShow {
    PagePhase phase = PagePhase::loading;
    int64_t stillAtMs = -1;  // the instant of ?at=, -1 for the playing page
    int width = 0;           // the canvas's drawing buffer
    int height = 0;
    TimerQueue timers;
    uint32_t run = 0;  // counts the shows started; a wake-up of an earlier one is ignored
    bool redrawRequested = false;
    bool frameScheduled = false;
    bool fullScreenSeen = false;  // the page went full screen during this show
};

WebShow web;

// clang-format off
EM_JS(void, setPageState, (const char* state), {
    document.body.dataset.state = UTF8ToString(state);
});

EM_JS(void, announceStillDrawn, (), {
    document.body.dataset.ready = "1";
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

int64_t showClockMs() {
    return glutGet(GLUT_ELAPSED_TIME);
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
    if (web.phase != PagePhase::playing || reinterpret_cast<uintptr_t>(tag) != web.run) {
        return EM_FALSE;
    }
    runDueTimers(web.timers, showClockMs());
    if (web.phase != PagePhase::playing || !web.redrawRequested) {
        return EM_FALSE;
    }
    web.redrawRequested = false;
    // The program's display callback: the frame's step, its drawing at the show's time.
    const FinaleFrame finale = advanceFrame();
    renderFrame(glutGet(GLUT_ELAPSED_TIME), finale);
    glutSwapBuffers();
    noteFrameDrawn(web.timers, showClockMs());
    return EM_FALSE;
}

// The timer queue on the browser's clock

void onWebWakeUp(void* tag) {
    if (web.phase == PagePhase::playing && reinterpret_cast<uintptr_t>(tag) == web.run) {
        runDueTimers(web.timers, showClockMs());
    }
}

// Browsers fire a timeout longer than 2^31 - 1 ms at once; one that long fires early instead,
// finds nothing due, and the queue arms the next.
void armWebWakeUp(unsigned int delayMs) {
    constexpr unsigned int longestTimeoutMs = 0x7FFFFFFF;
    emscripten_set_timeout(onWebWakeUp, delayMs < longestTimeoutMs ? delayMs : longestTimeoutMs,
                           reinterpret_cast<void*>(static_cast<uintptr_t>(web.run)));
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
    clearTimers(web.timers);
    stopWebSoundTrack();
    clearToBlack();
    leaveFullScreen();
    setPageState("ended");
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

// The canvas fills the window; its drawing buffer has the window's device pixels.
void fitCanvasToWindow() {
    double cssWidth = 0.0;
    double cssHeight = 0.0;
    emscripten_get_element_css_size(canvasSelector, &cssWidth, &cssHeight);
    const double ratio = emscripten_get_device_pixel_ratio();
    const int width = static_cast<int>(cssWidth * ratio + 0.5);
    const int height = static_cast<int>(cssHeight * ratio + 0.5);
    if (width == web.width && height == web.height) {
        return;
    }
    web.width = width;
    web.height = height;
    emscripten_set_canvas_element_size(canvasSelector, width, height);
    onReshape(width, height);
    switch (web.phase) {
        case PagePhase::playing:
            requestWebRedraw();  // as GLUT redisplays a resized window
            break;
        case PagePhase::loading:
            break;
        case PagePhase::waiting:
        case PagePhase::ended:
            if (web.stillAtMs >= 0) {
                drawStill();
            } else {
                clearToBlack();
            }
            break;
    }
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

// A browser in full screen takes Escape for itself and leaves full screen: that ends the show,
// as Escape does in the program.
EM_BOOL onFullScreenChange(int, const EmscriptenFullscreenChangeEvent* event, void*) {
    if (web.phase != PagePhase::playing) {
        return EM_FALSE;
    }
    if (event->isFullscreen) {
        web.fullScreenSeen = true;
    } else if (web.fullScreenSeen) {
        onKeyboard(escapeKey, 0, 0);
    }
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
    if (web.stillAtMs >= 0) {
        drawStill();
        setPageState("still");
    } else {
        clearToBlack();
        setPageState("ready");
    }
}

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void ppWebSkinArrived(const uint8_t* bytes, int size) {
    showTexture(size > 0 ? bytes : nullptr, size > 0 ? static_cast<size_t>(size) : 0);
}

// Called by the page's start and play-again buttons, inside the click.
extern "C" EMSCRIPTEN_KEEPALIVE void ppWebPlay() {
    if (web.phase != PagePhase::waiting && web.phase != PagePhase::ended) {
        return;
    }
    glutFullScreen();
    startWebSoundTrack();

    web.phase = PagePhase::playing;
    web.run += 1;
    web.timers = TimerQueue{};
    web.timers.armWakeUp = armWebWakeUp;
    web.redrawRequested = false;
    web.frameScheduled = false;  // a frame asked for by the last show is ignored when it comes
    web.fullScreenSeen = false;
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
        emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr,
                                                 EM_FALSE, onFullScreenChange);
        prepareWebSoundTrack("bla_11.wav");
    }
    takeSkinBytes();
    return 0;
}
