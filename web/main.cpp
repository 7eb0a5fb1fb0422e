// PP in a web page: the show drawn on the page's canvas by the web platform's fixed-function GL
// (web/gl/), its timed steps on the timer queue paced by the browser's clock, its keys and window
// size from the page, its sound track played by Web Audio.
//
// index.html shows the show from a start button (the browser grants sound and full screen only
// after a click or a tap) and, when the show ends, a black picture and a button to play it
// again. The picture is the largest box of the show's aspect the window holds, centred on black.
// While the page is hidden (another tab in front, a frozen page) the show's clock and its sound
// stand still; the sound follows the show's time, never the other way round. A WebGL context
// the browser takes away is rebuilt when it comes back. Pressed before the texture and the
// sound track are here, Start waits for them (at most trackWaitMs), so that picture and music
// start together.
//
// Beside the program's own keys, a video player's: Space and k pause and resume (as a hidden
// tab does), m mutes, the left and right arrows jump 5 s back and forth. A jump draws the
// picture of the new instant as ?at= draws it, and the show goes on from there; ?from=MS starts
// the show at that instant. With ?at=MS in its address the page shows instead the still picture
// of that instant, drawn on the virtual clock exactly as pp-render --at MS draws it, and says so
// with document.body.dataset.ready = "1".
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "anim/scene_state.h"
#include "anim/schedule.h"
#include "anim/steps.h"
#include "app/keys.h"
#include "image/bitmap.h"
#include "render/frame.h"
#include "render/gl_setup.h"
#include "render/show_picture.h"
#include "timing/timer_queue.h"
#include "timing/virtual_clock.h"
#include "web/gl/gl_layer.h"
#include "web/page.h"
#include "web/show_box.h"
#include "web/web_sound.h"

namespace {

constexpr const char* canvasSelector = "#canvas";
// How long a lost WebGL context may stay away before the page gives up on it and says so.
constexpr unsigned int contextGiveUpMs = 5000;
// How long a show started before its sound track is ready waits for it; then it starts without
// it, and the track joins when it comes.
constexpr unsigned int trackWaitMs = 8000;
constexpr int64_t jumpMs = 5000;

// waiting: the start screen; starting: Start pressed, the sound track awaited.
enum class PagePhase { loading, waiting, starting, playing, ended };

// The page's one process-wide record.
struct WebShow {
    PagePhase phase = PagePhase::loading;
    int64_t stillAtMs = -1;  // the instant of ?at=, -1 for the playing page
    int64_t fromMs = 0;      // the instant of ?from=, where Start starts the show
    int64_t showZeroMs = 0;  // the clock when the show was at its instant 0 (moved by jumps)
    ShowBox box;             // the canvas's place on the page and the buffer asked for
    int width = 0;           // the canvas's drawing buffer, as the browser made it
    int height = 0;
    TimerQueue timers;
    uint32_t run = 0;  // counts the shows started; a frame asked for by an earlier one is ignored
    uint32_t wakeUps = 0;  // counts the wake-ups given up (a new show, a pause); older ones pass
    bool redrawRequested = false;
    bool frameScheduled = false;
    bool hidden = false;  // the page is out of sight: the show's clock and sound stand still
    bool paused = false;  // the viewer paused the show: so do they
    bool muted = false;
    bool glOpen = false;        // the WebGL context is made: at once for ?at=, else at Start
    std::vector<uint8_t> skin;  // the texture's file, kept until the context is made
    bool skinArrived = false;   // ... here (or known to be missing)
    bool textureUploaded = false;
    bool contextLost = false;  // the browser has taken the WebGL context away
    bool contextGone = false;  // ... and has not given it back in time: the page says so
    uint32_t losses = 0;       // counts the losses and restores; a give-up of an earlier one passes
};

WebShow web;

// The clock the timer queue runs on: the page's GLUT clock, which stands still while the page is
// hidden.
int64_t showClockMs() {
    return glutGet(GLUT_ELAPSED_TIME);
}

// Where the show stands: its clock since instant 0 less the time the queue moved its ticks past
// stalls, so that the camera and the sound go on where the ticks go on.
int64_t showTimeMs() {
    return showClockMs() - web.showZeroMs - web.timers.stallShiftMs;
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
        web.hidden || web.paused) {
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

// Whether the show's clock and sound stand still: out of sight or paused by the viewer. Call it
// after changing either, with what it was before.
void followStillness(bool wasStill) {
    const bool still = web.hidden || web.paused;
    if (still == wasStill || web.phase != PagePhase::playing) {
        return;
    }
    if (still) {
        pauseWebShow();
    } else {
        resumeWebShow();
    }
}

// The show jumps to an instant (within it): its picture then is drawn as ?at= draws it, and the
// ticks that wait at that instant move to the page's timer queue, due as long after now as they
// were after the instant, so the show goes on from there; a paused show stays paused on the new
// picture. A jump replays the show from its start on the virtual clock, without the keys pressed
// so far (a camera handed to the keys goes back to the show's).
void jumpWebShow(int64_t toMs) {
    web.run += 1;
    web.wakeUps += 1;
    clearTimers(web.timers);
    ShowPicture show;
    show.clock.deliverReshape = onReshape;
    startShowPicture(show);
    const bool onScreen = !web.contextLost && drawShowPictureAt(show, toMs);
    if (web.contextLost) {
        runVirtualShowUntil(show.clock, toMs);
    }
    std::vector<DueTimer> waiting = show.clock.timers.timers;
    const bool ended = show.clock.ended;
    stopShowPicture(show);
    stepHooks = StepHooks{armWebTimer, requestWebRedraw, endWebShow};
    if (ended || (!onScreen && !web.contextLost)) {
        endWebShow(0);
        return;
    }
    glFlush();
    std::sort(waiting.begin(), waiting.end(), [](const DueTimer& a, const DueTimer& b) {
        return a.dueMs != b.dueMs ? a.dueMs < b.dueMs : a.armOrder < b.armOrder;
    });
    web.timers = TimerQueue{};
    web.timers.armWakeUp = armWebWakeUp;
    const int64_t nowMs = showClockMs();
    web.showZeroMs = nowMs - toMs;
    for (const DueTimer& timer : waiting) {
        armDueTimer(web.timers, nowMs, static_cast<unsigned int>(timer.dueMs - toMs),
                    timer.callback, timer.value);
    }
    web.redrawRequested = false;
    web.frameScheduled = false;
    requestWebRedraw();
    jumpWebSoundTrack(static_cast<double>(toMs));
    if (web.paused) {
        web.wakeUps += 1;  // the wake-up comes with the resume, as after a hidden tab
        web.timers.wakeUpArmed = false;
        markPaused(1, static_cast<double>(toMs));
    }
}

// The still picture of ?at=: the show's picture at that instant, as pp-render draws it.
void drawStill() {
    clearToBlack();
    ShowPicture show;
    show.clock.deliverKey = onKeyboard;
    show.clock.deliverReshape = onReshape;
    startShowPicture(show);
    drawShowPictureAt(show, web.stillAtMs);  // after the show's end the picture stays black
    stopShowPicture(show);
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
        case PagePhase::starting:
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
    if (!web.glOpen) {
        return;  // index.html gives the canvas the box's size until then
    }
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

// The player's keys: Space and k pause and resume, m mutes and unmutes, the arrows jump.
bool onPlayerKey(const char* key) {
    if (std::strcmp(key, " ") == 0 || std::strcmp(key, "k") == 0) {
        const bool wasStill = web.hidden || web.paused;
        web.paused = !web.paused;
        markPaused(web.paused ? 1 : 0, static_cast<double>(showTimeMs()));
        followStillness(wasStill);
    } else if (std::strcmp(key, "m") == 0) {
        web.muted = !web.muted;
        muteWebSoundTrack(web.muted ? 1 : 0, static_cast<double>(showTimeMs()));
    } else if (std::strcmp(key, "ArrowLeft") == 0 || std::strcmp(key, "ArrowRight") == 0) {
        const int64_t toMs = showTimeMs() + (key[5] == 'L' ? -jumpMs : jumpMs);
        jumpWebShow(toMs < 0 ? 0 : toMs < showEndMs ? toMs : showEndMs);
    } else {
        return false;
    }
    return true;
}

// GLUT's key codes from the browser's key names: the character a key types, 27 for Escape.
// Keys held with Control, Alt or Meta stay the browser's.
EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    if (web.phase != PagePhase::playing || event->ctrlKey || event->altKey || event->metaKey) {
        return EM_FALSE;
    }
    if (onPlayerKey(event->key)) {
        return EM_TRUE;
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

void uploadTexture() {
    if (web.textureUploaded) {
        return;
    }
    web.textureUploaded = true;
    BitmapImage image = {};
    if (!web.skin.empty()) {
        loadBitmapFromMemory(image, web.skin.data(), web.skin.size());
    }
    uploadCubeTexture(image);  // without a picture: plain lit white cubes, as in the program
    releaseBitmap(image);
    web.skin = std::vector<uint8_t>();
}

// The WebGL context, the GL layer and the texture. Making a context takes a while (a tenth of
// a second on a software renderer), so the playing page makes it only when Start is pressed,
// and shows the show's still until then. False, with the page saying so, without WebGL 2.
bool openPicture() {
    if (web.glOpen) {
        return true;
    }
    if (!openGlLayer(canvasSelector, web.stillAtMs >= 0)) {
        setPageState("no-webgl");
        return false;
    }
    web.glOpen = true;
    initLightingAndDepth();
    web.box = ShowBox{};
    fitCanvasToWindow();
    emscripten_set_webglcontextlost_callback(canvasSelector, nullptr, EM_FALSE, onContextLost);
    emscripten_set_webglcontextrestored_callback(canvasSelector, nullptr, EM_FALSE,
                                                 onContextRestored);
    return true;
}

// Starts the show that Start asked for, at ?from='s instant: now, or once the texture and the
// sound track are here or given up on (without the texture, plain white cubes, as in the
// program; one that comes later is not taken).
void beginWebShow() {
    uploadTexture();
    web.phase = PagePhase::playing;
    web.run += 1;
    web.wakeUps += 1;
    web.timers = TimerQueue{};
    web.timers.armWakeUp = armWebWakeUp;
    web.redrawRequested = false;
    web.frameScheduled = false;  // a frame asked for by the last show is ignored when it comes
    web.paused = false;
    web.showZeroMs = 0;
    markPaused(0, 0.0);
    clearScene();
    seedPlacedCubes();
    stepHooks = StepHooks{armWebTimer, requestWebRedraw, endWebShow};
    restartGlutClock();
    if (web.hidden) {
        pauseGlutClock();  // hidden while it waited: it starts when the page is back in sight
    }
    layOutSchedule();
    setPageState("playing");
    if (web.fromMs > 0) {
        jumpWebShow(web.fromMs);
    } else {
        jumpWebSoundTrack(0.0);
    }
    if (web.hidden) {
        pauseWebSoundTrack();
    }
}

void onTrackWaitOver(void* tag) {
    if (web.phase == PagePhase::starting && reinterpret_cast<uintptr_t>(tag) == web.run) {
        beginWebShow();
    }
}

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void ppWebPageShown(int shown) {
    const bool wasStill = web.hidden || web.paused;
    web.hidden = shown == 0;
    followStillness(wasStill);
}

// Whether Start may begin the show now: the texture and the sound track are both settled.
bool readyToBegin() {
    return web.skinArrived && webSoundTrackSettled();
}

extern "C" EMSCRIPTEN_KEEPALIVE void ppWebSkinArrived(const uint8_t* bytes, int size) {
    if (size > 0 && !web.textureUploaded) {
        web.skin.assign(bytes, bytes + size);
    }
    web.skinArrived = true;
    if (web.stillAtMs >= 0) {
        web.phase = PagePhase::waiting;
        uploadTexture();
        redrawIdlePage();
        setPageState("still");
    } else if (web.phase == PagePhase::starting && readyToBegin()) {
        beginWebShow();
    }
}

extern "C" EMSCRIPTEN_KEEPALIVE void ppWebSoundTrackSettled() {
    if (web.phase == PagePhase::starting && readyToBegin()) {
        beginWebShow();
    }
}

// Called by the page's start and play-again buttons, inside the click or tap.
extern "C" EMSCRIPTEN_KEEPALIVE void ppWebPlay() {
    if ((web.phase != PagePhase::waiting && web.phase != PagePhase::ended) || web.contextGone) {
        return;
    }
    // The sound first: WebKit leaves a sound context suspended that was resumed after a request
    // for full screen in the same click.
    startWebSoundTrack(static_cast<double>(web.fromMs));
    if (!openPicture()) {
        stopWebSoundTrack();
        return;
    }
    glutFullScreen();
    if (readyToBegin()) {
        beginWebShow();
        return;
    }
    web.phase = PagePhase::starting;
    web.run += 1;
    setPageState("starting");
    emscripten_set_timeout(onTrackWaitOver, trackWaitMs,
                           reinterpret_cast<void*>(static_cast<uintptr_t>(web.run)));
}

int main() {
    web.stillAtMs = static_cast<int64_t>(instantFromAddress("at"));
    web.fromMs = static_cast<int64_t>(instantFromAddress("from"));
    if (web.fromMs == -2 || web.fromMs > showEndMs) {
        markBadStartInstant();  // Start plays from the beginning
    }
    if (web.fromMs < 0 || web.fromMs > showEndMs) {
        web.fromMs = 0;
    }
    if (web.stillAtMs >= 0 && !openPicture()) {
        return 0;
    }
    emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE,
                                   onWindowResize);
    if (web.stillAtMs < 0) {
        emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE,
                                        onKeyDown);
        prepareWebSoundTrack();
        watchPageSight();
        // Start shows at once: the texture is needed only when the show begins.
        web.phase = PagePhase::waiting;
        setPageState("ready");
    }
    takeSkinBytes();
    return 0;
}
