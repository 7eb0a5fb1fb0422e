#include "app/keys.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "anim/scene_state.h"
#include "anim/steps.h"

namespace {

constexpr float eyeStep = 0.05f;

// Moves one manual eye coordinate by the step, added in double precision.
void nudge(float& coordinate, double direction) {
    coordinate = static_cast<float>(coordinate + direction * static_cast<double>(eyeStep));
}

}  // namespace

void onKeyboard(unsigned char key, int, int) {
    switch (key) {
        case escapeKey:
            stepHooks.endShow(0);
            return;
        case 'a':
            nudge(scene.manualEyeX, -1.0);
            break;
        case 'd':
            nudge(scene.manualEyeX, 1.0);
            break;
        case 'f':
            nudge(scene.manualEyeY, -1.0);
            break;
        case 'r':
            nudge(scene.manualEyeY, 1.0);
            break;
        case 'w':
            nudge(scene.manualEyeZ, -1.0);
            break;
        case 's':
            nudge(scene.manualEyeZ, 1.0);
            break;
        case 'c':
            scene.scriptedCamera = !scene.scriptedCamera;
            break;
        default:
            break;
    }
    stepHooks.requestRedraw();
}

void onReshape(int width, int height) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, width, height);
    gluPerspective(perspectiveFieldOfViewDegrees, perspectiveAspect, perspectiveNearPlane,
                   perspectiveFarPlane);
    glMatrixMode(GL_MODELVIEW);
}
