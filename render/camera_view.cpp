#include "render/camera_view.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "anim/scene_state.h"
#include "camera/camera_script.h"

void applyCameraScript(int32_t elapsedMs) {
    const Point3 eye = cameraScriptEye(elapsedMs);
    gluLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
}

void applyManualCamera() {
    gluLookAt(scene.manualEyeX, scene.manualEyeY, scene.manualEyeZ, 0, 0, 0, 0, 1, 0);
}

ClipTransform currentClipTransform() {
    double projection[16];
    double modelview[16];
    int viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetIntegerv(GL_VIEWPORT, viewport);
    return makeClipTransform(projection, modelview, viewport);
}
