// The two GLUT solids the ball is made of, built as freeglut builds them: the same vertices,
// normals and triangles in the same order, so that the translucent shell, whose triangles blend
// one over the other in the order they are drawn, looks the same. Pure arithmetic.
#pragma once
#include <cstdint>
#include <vector>

struct ShapeMesh {
    std::vector<float> positions;     // x, y, z per vertex
    std::vector<float> normals;       // x, y, z per vertex
    std::vector<uint32_t> triangles;  // three vertex indices per triangle, in drawing order
};

// glutSolidSphere: a pole at +z, stacks - 1 rings of `slices` vertices, a pole at -z, drawn as
// one triangle strip per stack from the +z pole down. Nothing for fewer than one slice or two
// stacks.
void sphereMesh(float radius, int slices, int stacks, ShapeMesh& mesh);
// glutSolidCube: six faces of four vertices with the face's normal, two triangles each.
void cubeMesh(float size, ShapeMesh& mesh);
