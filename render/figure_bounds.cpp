#include "render/figure_bounds.h"

#include <cmath>

#include "anim/finale_motion.h"

namespace {

// Float rounding in GL's own transforms stays far inside this.
constexpr double roundingMargin = 1e-4;

// The ball: a shell of radius 0.096 and three bars 0.21 long and 0.035 thick through its centre,
// turned any way by the spin. A bar's corner lies 0.108 from the centre.
constexpr double ballReach = 0.11;
// The carpet's samples run within [-0.5, 0.5] along each band; its wave rises 1/14 at most.
constexpr double carpetReach = 0.5;
constexpr double waveReach = 1.0 / 14.0;

float spreadCoordinate(float cell, float direction) {
    return static_cast<float>(static_cast<double>(cell) +
                              static_cast<double>(scene.spread) * static_cast<double>(direction));
}

Box boxAround(double x, double y, double z, double rx, double ry, double rz) {
    return Box{{x - rx - roundingMargin, y - ry - roundingMargin, z - rz - roundingMargin},
               {x + rx + roundingMargin, y + ry + roundingMargin, z + rz + roundingMargin}};
}

}  // namespace

bool placedCubeDrawn(std::size_t i) {
    return (i != 0 && i != 4) || scene.showRollerAndCore;
}

Point3 spreadCubePosition(std::size_t i) {
    const Point3& p = placedCubes.at(i);
    const Point3& d = spreadDirections[i < maxPlacedCubes ? i : 0];
    return {spreadCoordinate(p.x, d.x), spreadCoordinate(p.y, d.y), spreadCoordinate(p.z, d.z)};
}

int figureBoxes(Box* boxes, int capacity) {
    int count = 0;
    const double half = static_cast<double>(cubeEdge) * 0.5;
    for (std::size_t i = 0; i < placedCubes.size(); ++i) {
        if (!placedCubeDrawn(i)) {
            continue;
        }
        if (count == capacity) {
            return -1;
        }
        const Point3 p = spreadCubePosition(i);
        if (i == 0) {
            // The rolling cube turns about its own centre: any turn stays within its corners'
            // sphere.
            const double reach = half * std::sqrt(3.0);
            boxes[count++] =
                boxAround(p.x + static_cast<double>(scene.rollOffset.x),
                          p.y + static_cast<double>(scene.rollOffset.y),
                          p.z + static_cast<double>(scene.rollOffset.z), reach, reach, reach);
        } else {
            boxes[count++] = boxAround(p.x, p.y, p.z, half, half, half);
        }
    }
    if (!scene.ballActive) {
        return count;
    }
    if (count + 3 > capacity) {
        return -1;
    }
    const double size = cubeEdge;
    boxes[count++] =
        boxAround(0.0, ballHeight(scene.ripplePhase), size, ballReach, ballReach, ballReach);
    // The band along x, and the band along z crossing it at (0, y, size).
    boxes[count++] = boxAround(0.0, 0.0, size, carpetReach, waveReach, size * 0.5);
    boxes[count++] = boxAround(0.0, 0.0, size, size * 0.5, waveReach, carpetReach);
    return count;
}
