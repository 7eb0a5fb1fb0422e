#include "render/figure_bounds.h"

#include <algorithm>
#include <cmath>

#include "anim/finale_motion.h"

namespace {

// Float rounding in GL's own transforms stays far inside this.
constexpr double roundingMargin = 1e-4;

// The carpet's samples run within its grown reach along each band; its wave rises at most
// 1/waveAmplitudeDivisor.
constexpr double carpetReach = carpetGrownReach;
constexpr double waveReach = 1.0 / static_cast<double>(waveAmplitudeDivisor);

// The ball, turned any way by the spin: the farther of its shell and a bar's corner.
double ballReach() {
    const double shell = static_cast<double>(ballRadius) * static_cast<double>(ballShellScale);
    const double halfLong = ballBarCube * static_cast<double>(ballBarLong) * 0.5;
    const double halfThin = ballBarCube * static_cast<double>(ballBarThin) * 0.5;
    const double barCorner = std::sqrt(halfLong * halfLong + 2.0 * halfThin * halfThin);
    return std::max(shell, barCorner);
}

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
    const double ball = ballReach();
    boxes[count++] = boxAround(0.0, ballHeight(scene.ripplePhase), size, ball, ball, ball);
    // The band along x, and the band along z crossing it at (0, y, size).
    boxes[count++] = boxAround(0.0, 0.0, size, carpetReach, waveReach, size * 0.5);
    boxes[count++] = boxAround(0.0, 0.0, size, size * 0.5, waveReach, carpetReach);
    return count;
}
