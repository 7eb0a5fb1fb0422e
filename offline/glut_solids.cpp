// pp-render draws without GLUT, so it provides the two GLUT solids the show's finale calls. They
// are built as freeglut builds them (render/solid_shapes) and drawn with the same GL calls
// freeglut makes on a compatibility context: client-side vertex and normal arrays, one triangle
// strip per stack of the sphere, one list of triangles for the cube. The same calls on the same
// data give the program's pixels.
#include <GL/freeglut.h>
#include <GL/gl.h>

#include "render/solid_shapes.h"

namespace {

void drawMesh(const ShapeMesh& mesh) {
    if (mesh.indices.empty()) {
        return;
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh.positions.data());
    glNormalPointer(GL_FLOAT, 0, mesh.normals.data());
    for (int part = 0; part < mesh.parts; ++part) {
        glDrawElements(mesh.strips ? GL_TRIANGLE_STRIP : GL_TRIANGLES, mesh.partLength,
                       GL_UNSIGNED_INT, mesh.indices.data() + part * mesh.partLength);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

}  // namespace

void glutSolidSphere(double radius, GLint slices, GLint stacks) {
    drawSolidSphere(radius, slices, stacks, drawMesh);
}

void glutSolidCube(double size) {
    drawSolidCube(size, drawMesh);
}
