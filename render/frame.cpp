#include "render/frame.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include "anim/scene_state.h"
#include "anim/steps.h"
#include "render/camera_view.h"
#include "render/cubes.h"
#include "render/finale.h"

bool pixelExactShortcuts = true;

void drawFadeOverlay() {
    // Fully transparent, the overlay changes no pixel; only its depth would be written, and
    // nothing is drawn after it in the frame. Leaving it out spares a full-screen blend.
    if (pixelExactShortcuts && scene.fadeAlpha == 0.0f) {
        return;
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GL_POLYGON);
    glNormal3f(1.0f, 1.0f, 1.0f);
    glColor4f(0.0f, 0.0f, 0.0f, scene.fadeAlpha);
    glVertex3f(-2.0f, -2.0f, 1.0f);
    glVertex3f(2.0f, -2.0f, 1.0f);
    glVertex3f(2.0f, 2.0f, 1.0f);
    glVertex3f(-2.0f, 2.0f, 1.0f);
    glEnd();
    glDisable(GL_BLEND);
}

void renderFrame(int32_t elapsedMs) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    if (scene.scriptedCamera) {
        applyCameraScript(elapsedMs);
    } else {
        applyManualCamera();
    }
    drawCubeAssembly();
    if (scene.ballActive) {
        const float oldBallFrame = advanceFinaleFrame();
        drawFinale(oldBallFrame, scene.ballFrame);
    }
    drawFadeOverlay();
}

void onDisplay() {
    renderFrame(glutGet(GLUT_ELAPSED_TIME));
    glutSwapBuffers();
    glFlush();
}
