// Where the figures of a frame lie in the world: a box around each drawn cube, the ball and each
// band of the carpet, as the scene stands. Pure arithmetic on the scene record; the cube drawing
// takes its placement from here, so the boxes follow what is really drawn.
#pragma once
#include <cstddef>

#include "anim/scene_state.h"

// An axis-aligned box in world coordinates.
struct Box {
    double lo[3];
    double hi[3];
};

constexpr int maxFigureBoxes = maxPlacedCubes + 3;  // every cube, the ball, two carpet bands

// Whether placedCubes entry i is drawn: the rolling cube (0) and the centre cube (4) vanish
// once the spread has begun.
bool placedCubeDrawn(std::size_t i);

// The translation of placedCubes entry i: its cell pushed out along its spread direction, each
// coordinate rounded to single precision once. The rolling cube adds rollOffset to it.
Point3 spreadCubePosition(std::size_t i);

// Writes a box around every drawn cube and, once the finale runs, around the ball and the two
// carpet bands. Returns how many boxes were written, or -1 when they do not fit in `capacity`.
int figureBoxes(Box* boxes, int capacity);
