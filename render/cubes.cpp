#include "render/cubes.h"

#include <GL/gl.h>

#include <cstddef>

#include "anim/scene_state.h"
#include "render/figure_bounds.h"

namespace {

// A face: its normal and its four corners as signs of the half edge, wound counter-clockwise
// seen from outside. The corners take the texture coordinates (0,0), (1,0), (1,1), (0,1).
struct CubeFace {
    float normal[3];
    float corners[4][3];
};

const CubeFace cubeFaces[6] = {
    {{0, 0, 1}, {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}},
    {{1, 0, 0}, {{1, -1, 1}, {1, -1, -1}, {1, 1, -1}, {1, 1, 1}}},
    {{0, 0, -1}, {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}},
    {{-1, 0, 0}, {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}}},
    {{0, 1, 0}, {{-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}}},
    {{0, -1, 0}, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
};

const float faceTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// Turns the rolling cube about its own centre by the roll angle. The axis follows the move from
// the cell being left to the next one: about -z or +z for moves along +x or -x, about +x for
// every move along y or z. After the last roll there is no next cell and no turn.
void rotateRollingCube() {
    if (scene.pathStep < 0 || scene.pathStep + 1 >= buildPathLength) {
        return;
    }
    const Point3& cur = buildPath[scene.pathStep];
    const Point3& next = buildPath[scene.pathStep + 1];
    const float ax = (next.y != cur.y || next.z != cur.z) ? 1.0f : 0.0f;
    const float az = next.x < cur.x ? 1.0f : (next.x > cur.x ? -1.0f : 0.0f);
    glRotatef(scene.spinAngle, ax, 0.0f, az);
}

}  // namespace

void drawTexturedCube(float edge) {
    const float h = edge * 0.5f;
    glEnable(GL_TEXTURE_2D);
    for (int f = 0; f < 6; ++f) {
        const CubeFace& face = cubeFaces[f];
        glBegin(GL_POLYGON);
        glNormal3f(face.normal[0], face.normal[1], face.normal[2]);
        if (f == 0) {
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);  // holds for all six faces
        }
        for (int v = 0; v < 4; ++v) {
            glTexCoord2f(faceTexCoords[v][0], faceTexCoords[v][1]);
            glVertex3f(face.corners[v][0] * h, face.corners[v][1] * h, face.corners[v][2] * h);
        }
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
}

void drawCubeAssembly() {
    const std::size_t count = placedCubes.size();
    for (std::size_t i = 0; i < count; ++i) {
        const Point3 p = spreadCubePosition(i);
        glPushMatrix();
        glTranslatef(p.x, p.y, p.z);
        if (i == 0) {
            glTranslatef(scene.rollOffset.x, scene.rollOffset.y, scene.rollOffset.z);
            rotateRollingCube();
        }
        if (placedCubeDrawn(i)) {
            drawTexturedCube(cubeEdge);
        }
        glPopMatrix();
    }
}
