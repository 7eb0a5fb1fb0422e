#include "render/finale.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include "anim/finale_motion.h"
#include "anim/scene_state.h"
#include "render/shortcuts.h"

namespace {

constexpr float sampleStep = 0.01f;
constexpr int sphereDetail = 100;  // slices and stacks of the sphere and its shell

// A sphere of the ball, compiled once into a display list: generating its 100 x 100 mesh again
// in every frame costs more than drawing it. The list is rebuilt when the radius changes or
// when the GL context is new (the old name is then unknown to it).
struct SphereList {
    double radius;
    GLuint list;
};

void drawSphere(SphereList& cache, double radius) {
    if (!pixelExactShortcuts) {
        glutSolidSphere(radius, sphereDetail, sphereDetail);
        return;
    }
    if (cache.list == 0 || cache.radius != radius || !glIsList(cache.list)) {
        if (cache.list == 0 || !glIsList(cache.list)) {
            cache.list = glGenLists(1);
        }
        cache.radius = radius;
        glNewList(cache.list, GL_COMPILE);
        glutSolidSphere(radius, sphereDetail, sphereDetail);
        glEndList();
    }
    glCallList(cache.list);
}

SphereList innerSphere = {0.0, 0};
SphereList shellSphere = {0.0, 0};

// One band as a quad strip of vertex pairs across the band, one pair per sample s from `from`
// while s stays at or below `to`; the first pair is emitted before the bound is tested. The
// band along x lies at x = s, z from size/2 to 3 size/2; the band along z lies at z = size + s,
// x from -size/2 to size/2, so the two cross over (0, y, size).
void drawBand(float size, float from, float to, float phase, bool alongX) {
    glBegin(GL_QUAD_STRIP);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    if (to >= from) {  // false when either bound is NaN
        const float halfWidth = size * 0.5f;
        float s = from;
        do {
            const float y = waveHeight(s, phase);
            if (alongX) {
                glVertex3f(s, y, size - halfWidth);
                glVertex3f(s, y, size + halfWidth);
            } else {
                const float z = size + s;
                glVertex3f(-halfWidth, y, z);
                glVertex3f(halfWidth, y, z);
            }
            s = s + sampleStep;
        } while (s <= to);
    }
    glEnd();
}

}  // namespace

void drawRippleCarpet(float size, float from, float to) {
    const float phase = scene.ripplePhase;  // both bands carry the same wave
    drawBand(size, from, to, phase, true);
    drawBand(size, from, to, phase, false);
}

void drawBall(float radius) {
    const float spin = scene.spinAngle;
    const float phase = scene.ripplePhase;
    glPushMatrix();
    glColor4f(0.5f, 0.0f, 0.0f, 1.0f);
    glTranslatef(0.0f, ballHeight(phase), cubeEdge);
    glRotatef(spin, 1.0f, 1.0f, 0.0f);
    // Culling the inner sphere's back faces was tried and left out: it changed an edge pixel
    // now and then, where a back triangle covers a pixel centre that no front one does.
    drawSphere(innerSphere, radius);

    // Three crossed bars along y, x and z; they keep the sphere's colour and turn with it.
    glPushMatrix();
    glScalef(ballBarThin, ballBarLong, ballBarThin);
    glutSolidCube(ballBarCube);
    glPopMatrix();
    glPushMatrix();
    glScalef(ballBarLong, ballBarThin, ballBarThin);
    glutSolidCube(ballBarCube);
    glPopMatrix();
    glPushMatrix();
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    glScalef(ballBarLong, ballBarThin, ballBarThin);
    glutSolidCube(ballBarCube);
    glPopMatrix();

    // The translucent shell last, blended over everything drawn before it.
    glColor4f(1.0f, 1.0f, 1.0f, 0.4f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // Both halves of the shell show through it, so nothing of it is culled.
    drawSphere(shellSphere, static_cast<double>(radius) * static_cast<double>(ballShellScale));
    glDisable(GL_BLEND);
    glPopMatrix();
}

void drawFinale(float oldBallFrame, float newBallFrame) {
    const float endBound = carpetEndBound(oldBallFrame);
    const float startBound = carpetStartBound(newBallFrame);
    drawRippleCarpet(cubeEdge, startBound, endBound);
    drawBall(ballRadius);
}
