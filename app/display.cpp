#include "app/display.h"

#include <GL/freeglut.h>

#include "app/glut_timers.h"
#include "render/frame.h"

FinaleFrame showFrame(int32_t elapsedMs) {
    const FinaleFrame finale = advanceFrame();
    renderFrame(elapsedMs, finale);
    return finale;
}

void onDisplay() {
    showFrame(glutGet(GLUT_ELAPSED_TIME));
    glutSwapBuffers();
    glFlush();
    noteGlutFrameDrawn();
}
