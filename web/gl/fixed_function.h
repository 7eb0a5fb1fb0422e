// The layer's fixed-function state and how geometry enters it. The GL entry points live in
// fixed_function.cpp; the GLUT solids hand their triangles in through submitTriangles.
#pragma once
#include <cstdint>

// Which attributes a vertex carries itself; the others are taken from GL's current values when
// the vertex is drawn (a display list that sets no colour draws in the colour current at the
// call).
constexpr uint8_t givenColour = 1;
constexpr uint8_t givenNormal = 2;
constexpr uint8_t givenTexCoord = 4;
constexpr uint8_t givenAll = givenColour | givenNormal | givenTexCoord;

struct LayerVertex {
    float position[3];
    float normal[3];
    float colour[4];
    float texCoord[2];
    uint8_t given;
};

// Hands triangles over as glEnd does with a primitive: drawn at once, recorded into the display
// list being compiled, or both, as the list's mode says.
void submitTriangles(const LayerVertex* vertices, uint32_t vertexCount, const uint32_t* indices,
                     uint32_t indexCount);
// Sets GL's initial state; called once the context is open.
void resetFixedFunctionState();
