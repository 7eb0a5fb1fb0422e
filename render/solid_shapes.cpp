#include "render/solid_shapes.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr float piF = 3.14159265358979323846f;

// Sines and cosines of n steps around a circle (a half circle when `half`), one more than n
// with the last closing the circle exactly; a negative n turns the other way.
void circleTable(int n, bool half, std::vector<float>& sines, std::vector<float>& cosines) {
    const int size = std::abs(n);
    const float angle = (half ? 1 : 2) * piF / static_cast<float>(n == 0 ? 1 : n);
    sines.assign(size + 1, 0.0f);
    cosines.assign(size + 1, 0.0f);
    cosines[0] = 1.0f;
    for (int i = 1; i < size; ++i) {
        sines[i] = static_cast<float>(std::sin(static_cast<double>(angle * static_cast<float>(i))));
        cosines[i] =
            static_cast<float>(std::cos(static_cast<double>(angle * static_cast<float>(i))));
    }
    if (half) {
        sines[size] = 0.0f;
        cosines[size] = -1.0f;
    } else {
        sines[size] = sines[0];
        cosines[size] = cosines[0];
    }
}

void addVertex(ShapeMesh& mesh, float x, float y, float z, float nx, float ny, float nz) {
    mesh.positions.insert(mesh.positions.end(), {x, y, z});
    mesh.normals.insert(mesh.normals.end(), {nx, ny, nz});
}

}  // namespace

void sphereMesh(float radius, int slices, int stacks, ShapeMesh& mesh) {
    mesh = ShapeMesh{};
    if (slices < 1 || stacks < 2) {
        return;
    }
    std::vector<float> sin1, cos1, sin2, cos2;
    circleTable(-slices, false, sin1, cos1);
    circleTable(stacks, true, sin2, cos2);

    addVertex(mesh, 0.0f, 0.0f, radius, 0.0f, 0.0f, 1.0f);
    for (int i = 1; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            const float x = cos1[j] * sin2[i];
            const float y = sin1[j] * sin2[i];
            const float z = cos2[i];
            addVertex(mesh, x * radius, y * radius, z * radius, x, y, z);
        }
    }
    addVertex(mesh, 0.0f, 0.0f, -radius, 0.0f, 0.0f, -1.0f);
    const uint32_t bottom = static_cast<uint32_t>(mesh.positions.size() / 3 - 1);

    // One strip per stack, each closing on its first slice again.
    mesh.strips = true;
    mesh.parts = stacks;
    mesh.partLength = 2 * (slices + 1);
    std::vector<uint32_t>& strip = mesh.indices;
    for (int j = 0; j <= slices; ++j) {
        strip.push_back(static_cast<uint32_t>(j == slices ? 1 : j + 1));
        strip.push_back(0);
    }
    for (int i = 0; i < stacks - 2; ++i) {
        const uint32_t offset = static_cast<uint32_t>(1 + i * slices);
        for (int j = 0; j <= slices; ++j) {
            const uint32_t k = static_cast<uint32_t>(j == slices ? 0 : j);
            strip.push_back(offset + k + static_cast<uint32_t>(slices));
            strip.push_back(offset + k);
        }
    }
    const uint32_t offset = static_cast<uint32_t>(1 + (stacks - 2) * slices);
    for (int j = 0; j <= slices; ++j) {
        strip.push_back(bottom);
        strip.push_back(offset + static_cast<uint32_t>(j == slices ? 0 : j));
    }
}

void cubeMesh(float size, ShapeMesh& mesh) {
    static const float corners[8][3] = {
        {.5f, .5f, .5f},   {-.5f, .5f, .5f}, {-.5f, -.5f, .5f}, {.5f, -.5f, .5f},
        {.5f, -.5f, -.5f}, {.5f, .5f, -.5f}, {-.5f, .5f, -.5f}, {-.5f, -.5f, -.5f},
    };
    static const float faceNormals[6][3] = {
        {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1},
    };
    static const int faceCorners[6][4] = {
        {0, 1, 2, 3}, {0, 3, 4, 5}, {0, 5, 6, 1}, {1, 6, 7, 2}, {7, 4, 3, 2}, {4, 7, 6, 5},
    };
    mesh = ShapeMesh{};
    for (int f = 0; f < 6; ++f) {
        for (int k = 0; k < 4; ++k) {
            const float* c = corners[faceCorners[f][k]];
            const float* n = faceNormals[f];
            addVertex(mesh, size * c[0], size * c[1], size * c[2], n[0], n[1], n[2]);
        }
        const uint32_t base = static_cast<uint32_t>(f * 4);
        mesh.indices.insert(mesh.indices.end(),
                            {base, base + 1, base + 2, base, base + 2, base + 3});
    }
    mesh.parts = 1;
    mesh.partLength = 36;
}

void meshTriangles(const ShapeMesh& mesh, std::vector<uint32_t>& triangles) {
    triangles.clear();
    if (!mesh.strips) {
        triangles = mesh.indices;
        return;
    }
    for (int part = 0; part < mesh.parts; ++part) {
        const uint32_t* strip =
            mesh.indices.data() + static_cast<std::size_t>(part) * mesh.partLength;
        for (int i = 0; i + 2 < mesh.partLength; ++i) {
            const bool turned = i % 2 != 0;
            triangles.insert(triangles.end(),
                             {strip[turned ? i + 1 : i], strip[turned ? i : i + 1], strip[i + 2]});
        }
    }
}

void drawSolidSphere(double radius, int slices, int stacks, DrawMesh draw) {
    ShapeMesh mesh;
    sphereMesh(static_cast<float>(radius), slices, stacks, mesh);
    draw(mesh);
}

void drawSolidCube(double size, DrawMesh draw) {
    ShapeMesh mesh;
    cubeMesh(static_cast<float>(size), mesh);
    draw(mesh);
}
