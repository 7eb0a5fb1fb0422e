// The two GLUT solids the ball is made of, built as freeglut builds them: the same vertices,
// normals and indices in the same order, drawn as the same primitives, so that the translucent
// shell, whose triangles blend one over the other in the order they are drawn, looks the same.
// Pure arithmetic, for the platforms that draw the solids without GLUT: pp-render draws them with
// GL's own strips (offline/glut_solids.cpp), the page through its GL layer (web/gl/).
#pragma once
#include <cstdint>
#include <vector>

struct ShapeMesh {
    std::vector<float> positions;  // x, y, z per vertex
    std::vector<float> normals;    // x, y, z per vertex
    // Indices in drawing order: `parts` runs of `partLength`, each a triangle strip when
    // `strips`, else one list of triangles.
    std::vector<uint32_t> indices;
    bool strips = false;
    int parts = 0;
    int partLength = 0;
};

// glutSolidSphere: a pole at +z, stacks - 1 rings of `slices` vertices, a pole at -z, drawn as
// one triangle strip per stack from the +z pole down. Nothing for fewer than one slice or two
// stacks.
void sphereMesh(float radius, int slices, int stacks, ShapeMesh& mesh);
// glutSolidCube: six faces of four vertices with the face's normal, one list of two triangles
// a face.
void cubeMesh(float size, ShapeMesh& mesh);

// The mesh's triangles in drawing order, three indices each, with every other triangle of a
// strip turned as GL turns it (its first two corners swapped), so every triangle keeps the
// strip's winding.
void meshTriangles(const ShapeMesh& mesh, std::vector<uint32_t>& triangles);

// glutSolidSphere and glutSolidCube on a platform that draws the solids itself: the mesh built
// and handed to the platform's way of drawing it.
using DrawMesh = void (*)(const ShapeMesh& mesh);
void drawSolidSphere(double radius, int slices, int stacks, DrawMesh draw);
void drawSolidCube(double size, DrawMesh draw);
