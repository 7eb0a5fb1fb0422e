#include "app/display.h"

#include <GL/freeglut.h>

#include "app/glut_timers.h"

void onDisplay() {
    showFrame(glutGet(GLUT_ELAPSED_TIME));
    glutSwapBuffers();
    glFlush();
    noteGlutFrameDrawn();
}
