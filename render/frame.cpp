#include "render/frame.h"

#include <GL/gl.h>

#include "anim/scene_state.h"
#include "render/camera_view.h"
#include "render/cubes.h"
#include "render/figure_bounds.h"
#include "render/finale.h"
#include "render/screen_cover.h"

namespace {

void drawFadeSquare() {
    glBegin(GL_POLYGON);
    glNormal3f(1.0f, 1.0f, 1.0f);
    glColor4f(0.0f, 0.0f, 0.0f, scene.fadeAlpha);
    glVertex3f(-2.0f, -2.0f, 1.0f);
    glVertex3f(2.0f, -2.0f, 1.0f);
    glVertex3f(2.0f, 2.0f, 1.0f);
    glVertex3f(-2.0f, 2.0f, 1.0f);
    glEnd();
}

// The parts of the window that may hold a figure of the frame, as disjoint rectangles; -1 when
// the background is not black or the figures' places cannot be bounded. Everywhere else the
// picture is the black clear colour, which black blended at any opacity leaves exactly as it is.
int figureCover(PixelRect* cover) {
    float clearColour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    if (clearColour[0] != 0.0f || clearColour[1] != 0.0f || clearColour[2] != 0.0f) {
        return -1;
    }
    Box boxes[maxFigureBoxes];
    const int count = figureBoxes(boxes, maxFigureBoxes);
    if (count < 0) {
        return -1;
    }
    const ClipTransform view = currentClipTransform();
    PixelRect rects[maxFigureBoxes];
    for (int i = 0; i < count; ++i) {
        if (!boxWindowRect(view, boxes[i], rects[i])) {
            return -1;
        }
    }
    return coverRects(rects, count, view.viewport, cover);
}

}  // namespace

void drawFadeOverlay() {
    // Fully transparent, the overlay changes no pixel; only its depth would be written, and
    // nothing is drawn after it in the frame. Leaving it out spares a full-screen blend.
    if (pixelExactShortcuts && scene.fadeAlpha == 0.0f) {
        return;
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    PixelRect cover[maxCoverRects];
    const int parts = pixelExactShortcuts ? figureCover(cover) : -1;
    if (parts < 0) {
        drawFadeSquare();
    } else {
        // The square is blended only over the parts that hold a figure, each pixel once.
        glEnable(GL_SCISSOR_TEST);
        for (int i = 0; i < parts; ++i) {
            glScissor(cover[i].x, cover[i].y, cover[i].width, cover[i].height);
            drawFadeSquare();
        }
        glDisable(GL_SCISSOR_TEST);
    }
    glDisable(GL_BLEND);
}

void renderFrame(int32_t elapsedMs, const FinaleFrame& finale) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    if (scene.scriptedCamera) {
        applyCameraScript(elapsedMs);
    } else {
        applyManualCamera();
    }
    drawCubeAssembly();
    if (finale.drawn) {
        drawFinale(finale.oldBallFrame, finale.newBallFrame);
    }
    drawFadeOverlay();
}
