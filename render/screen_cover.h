// Where world boxes land in the window, so that a pass over the whole picture can be scissored
// down to the part that holds something. Pure arithmetic on the values of the GL matrices.
#pragma once
#include "render/figure_bounds.h"

// Clip coordinates from world coordinates (projection times modelview, column-major as GL
// stores matrices) and the viewport (x, y, width, height).
struct ClipTransform {
    double clipFromWorld[16];
    int viewport[4];
};

// A rectangle of window pixels, origin bottom left, as glScissor takes it.
struct PixelRect {
    int x;
    int y;
    int width;
    int height;
};

ClipTransform makeClipTransform(const double projection[16], const double modelview[16],
                                const int viewport[4]);

// The window rectangle that holds everything of the box that GL draws with `t` (the part in
// front of the near plane), grown by a pixel on each side and cut to the viewport; empty when
// nothing of the box is in view. False only for a projection that leaves points at or behind
// the eye unclipped: their picture has no such bound.
bool boxWindowRect(const ClipTransform& t, const Box& box, PixelRect& rect);

constexpr int coverGridCells = 16;  // the viewport is split into 16 x 16 cells
constexpr int maxCoverRects = coverGridCells * coverGridCells / 2;

// Disjoint rectangles made of whole grid cells whose union holds every given rectangle. Returns
// how many were written to `cover` (at most maxCoverRects).
int coverRects(const PixelRect* rects, int count, const int viewport[4], PixelRect* cover);
