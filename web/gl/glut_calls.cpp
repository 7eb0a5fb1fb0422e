// The GLUT calls of the show's display code that the layer draws: the two solids, built as
// freeglut builds them and drawn through the same path as glBegin/glEnd, and the buffer swap.
#include <GL/freeglut.h>

#include <cstring>
#include <vector>

#include "render/solid_shapes.h"
#include "web/gl/layer_state.h"
#include "web/gl/webgl_backend.h"

namespace {

void submitMesh(const ShapeMesh& mesh) {
    const std::size_t count = mesh.positions.size() / 3;
    std::vector<LayerVertex> vertices(count);
    for (std::size_t i = 0; i < count; ++i) {
        LayerVertex& v = vertices[i];
        std::memcpy(v.position, &mesh.positions[i * 3], sizeof v.position);
        std::memcpy(v.normal, &mesh.normals[i * 3], sizeof v.normal);
        v.given = givenNormal;  // colour and texture coordinate: GL's current ones
    }
    std::vector<uint32_t> triangles;
    meshTriangles(mesh, triangles);
    submitTriangles(vertices.data(), static_cast<uint32_t>(count), triangles.data(),
                    static_cast<uint32_t>(triangles.size()));
}

}  // namespace

void glutSolidSphere(GLdouble radius, GLint slices, GLint stacks) {
    drawSolidSphere(radius, slices, stacks, submitMesh);
}

void glutSolidCube(GLdouble size) {
    drawSolidCube(size, submitMesh);
}

// The browser shows the canvas once the frame's callback returns; all that is left is to draw
// what is gathered.
void glutSwapBuffers() {
    drawGathered();
}
