#include "render/screen_cover.h"

#include <algorithm>
#include <cmath>

namespace {

// A point this close to the eye plane, or behind it, has no usable place on the screen.
constexpr double eyePlaneMargin = 1e-6;

struct ClipPoint {
    double x, y, z, w;
};

ClipPoint toClip(const ClipTransform& t, double x, double y, double z) {
    const double* m = t.clipFromWorld;
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14], m[3] * x + m[7] * y + m[11] * z + m[15]};
}

ClipPoint boxCorner(const ClipTransform& t, const Box& box, int corner) {
    return toClip(t, (corner & 1) ? box.hi[0] : box.lo[0], (corner & 2) ? box.hi[1] : box.lo[1],
                  (corner & 4) ? box.hi[2] : box.lo[2]);
}

// The window coordinate of cell boundary c along a viewport side starting at `origin`.
int cellEdge(int origin, int length, int c) {
    return origin + static_cast<int>(static_cast<long long>(length) * c / coverGridCells);
}

// The cell holding `pixel` along a viewport side.
int cellOf(int origin, int length, int pixel) {
    int c = static_cast<int>((static_cast<long long>(pixel - origin) * coverGridCells) / length);
    c = std::clamp(c, 0, coverGridCells - 1);
    while (c > 0 && cellEdge(origin, length, c) > pixel) {
        --c;
    }
    while (c + 1 < coverGridCells && cellEdge(origin, length, c + 1) <= pixel) {
        ++c;
    }
    return c;
}

}  // namespace

ClipTransform makeClipTransform(const double projection[16], const double modelview[16],
                                const int viewport[4]) {
    ClipTransform t = {};
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += projection[k * 4 + row] * modelview[col * 4 + k];
            }
            t.clipFromWorld[col * 4 + row] = sum;
        }
    }
    std::copy(viewport, viewport + 4, t.viewport);
    return t;
}

bool boxWindowRect(const ClipTransform& t, const Box& box, PixelRect& rect) {
    // The part of the box that GL's near plane keeps (z + w >= 0 in clip coordinates): the
    // corners on that side and the points where the box's edges cross the plane.
    ClipPoint corners[8];
    for (int c = 0; c < 8; ++c) {
        corners[c] = boxCorner(t, box, c);
    }
    ClipPoint kept[8 + 12];
    int keptCount = 0;
    for (int c = 0; c < 8; ++c) {
        const double d = corners[c].z + corners[c].w;
        if (d >= 0.0) {
            kept[keptCount++] = corners[c];
        }
        for (int axis = 1; axis < 8; axis <<= 1) {
            if ((c & axis) != 0) {
                continue;  // each edge once, from its lower corner
            }
            const ClipPoint& o = corners[c | axis];
            const double e = o.z + o.w;
            if ((d < 0.0) != (e < 0.0)) {
                const double f = d / (d - e);
                kept[keptCount++] = {corners[c].x + (o.x - corners[c].x) * f,
                                     corners[c].y + (o.y - corners[c].y) * f,
                                     corners[c].z + (o.z - corners[c].z) * f,
                                     corners[c].w + (o.w - corners[c].w) * f};
            }
        }
    }
    rect = {t.viewport[0], t.viewport[1], 0, 0};
    if (keptCount == 0) {
        return true;  // wholly clipped away: nothing of it is drawn
    }
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (int i = 0; i < keptCount; ++i) {
        const ClipPoint& c = kept[i];
        if (!(c.w > eyePlaneMargin)) {
            return false;  // only a projection that puts the eye behind its near plane does this
        }
        const double wx = t.viewport[0] + (c.x / c.w + 1.0) * 0.5 * t.viewport[2];
        const double wy = t.viewport[1] + (c.y / c.w + 1.0) * 0.5 * t.viewport[3];
        if (!std::isfinite(wx) || !std::isfinite(wy)) {
            return false;
        }
        minX = std::min(minX, wx);
        maxX = std::max(maxX, wx);
        minY = std::min(minY, wy);
        maxY = std::max(maxY, wy);
    }
    // The projected points hold every pixel centre the box's contents can cover; one more pixel
    // on each side absorbs GL's single-precision rounding of the same transform and clipping.
    const double x0 = std::max(std::floor(minX) - 1.0, static_cast<double>(t.viewport[0]));
    const double y0 = std::max(std::floor(minY) - 1.0, static_cast<double>(t.viewport[1]));
    const double x1 =
        std::min(std::ceil(maxX) + 1.0, static_cast<double>(t.viewport[0]) + t.viewport[2]);
    const double y1 =
        std::min(std::ceil(maxY) + 1.0, static_cast<double>(t.viewport[1]) + t.viewport[3]);
    if (x1 > x0 && y1 > y0) {
        rect = {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                static_cast<int>(y1 - y0)};
    }
    return true;
}

int coverRects(const PixelRect* rects, int count, const int viewport[4], PixelRect* cover) {
    const int vx = viewport[0], vy = viewport[1], vw = viewport[2], vh = viewport[3];
    if (vw <= 0 || vh <= 0) {
        return 0;
    }
    bool cell[coverGridCells][coverGridCells] = {};  // [row][column]
    for (int i = 0; i < count; ++i) {
        const PixelRect& r = rects[i];
        const int x1 = static_cast<int>(std::min<long long>(1LL * r.x + r.width, 1LL * vx + vw));
        const int y1 = static_cast<int>(std::min<long long>(1LL * r.y + r.height, 1LL * vy + vh));
        const int x0 = std::max(r.x, vx);
        const int y0 = std::max(r.y, vy);
        if (x0 >= x1 || y0 >= y1) {
            continue;
        }
        const int c0 = cellOf(vx, vw, x0), c1 = cellOf(vx, vw, x1 - 1);
        const int r0 = cellOf(vy, vh, y0), r1 = cellOf(vy, vh, y1 - 1);
        for (int row = r0; row <= r1; ++row) {
            for (int col = c0; col <= c1; ++col) {
                cell[row][col] = true;
            }
        }
    }
    // Runs of marked cells along each row; a run equal to one in the row below grows that one.
    int written = 0;
    for (int row = 0; row < coverGridCells; ++row) {
        const int rowFloor = cellEdge(vy, vh, row), rowTop = cellEdge(vy, vh, row + 1);
        if (rowTop == rowFloor) {
            continue;  // a viewport lower than the grid has empty rows
        }
        const int openEnd = written;
        for (int col = 0; col < coverGridCells;) {
            if (!cell[row][col]) {
                ++col;
                continue;
            }
            int end = col;
            while (end < coverGridCells && cell[row][end]) {
                ++end;
            }
            const int x0 = cellEdge(vx, vw, col), x1 = cellEdge(vx, vw, end);
            col = end;
            if (x1 == x0) {
                continue;  // only empty cells of a viewport narrower than the grid
            }
            bool grown = false;
            for (int k = 0; k < openEnd; ++k) {
                PixelRect& below = cover[k];
                if (below.x == x0 && below.width == x1 - x0 && below.y + below.height == rowFloor) {
                    below.height += rowTop - rowFloor;
                    grown = true;
                    break;
                }
            }
            if (!grown) {
                cover[written++] = {x0, rowFloor, x1 - x0, rowTop - rowFloor};
            }
        }
    }
    return written;
}
