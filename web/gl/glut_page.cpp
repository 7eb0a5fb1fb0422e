// The GLUT calls of the show's display code that the browser answers: the show's elapsed time
// and full screen.
#include <GL/freeglut.h>
#include <emscripten.h>

#include "web/gl/gl_layer.h"

namespace {

double glutClockOriginMs = emscripten_get_now();
double glutClockPausedAtMs = -1.0;  // the browser's clock when the show's clock stopped; -1: runs

}  // namespace

void restartGlutClock() {
    glutClockOriginMs = emscripten_get_now();
    glutClockPausedAtMs = -1.0;
}

void pauseGlutClock() {
    if (glutClockPausedAtMs < 0.0) {
        glutClockPausedAtMs = emscripten_get_now();
    }
}

void resumeGlutClock() {
    if (glutClockPausedAtMs >= 0.0) {
        glutClockOriginMs += emscripten_get_now() - glutClockPausedAtMs;
        glutClockPausedAtMs = -1.0;
    }
}

int glutGet(GLenum query) {
    if (query != GLUT_ELAPSED_TIME) {
        return 0;
    }
    const double nowMs = glutClockPausedAtMs >= 0.0 ? glutClockPausedAtMs : emscripten_get_now();
    return static_cast<int>(nowMs - glutClockOriginMs);
}

// Honoured by the browser only inside a click or key handler; refused quietly elsewhere.
void glutFullScreen() {
    // clang-format off
    EM_ASM({
        const page = document.documentElement;
        if (page.requestFullscreen && !document.fullscreenElement) {
            page.requestFullscreen().catch(() => {});
        }
    });
    // clang-format on
}
