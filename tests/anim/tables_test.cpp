#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "anim/scene_state.h"

namespace {
int gridIndex(float v) {
    return static_cast<int>(std::lround(v / 0.2f));
}
}  // namespace

TEST(Tables, BuildPathVisitsEveryCellOnceByUnitSteps) {
    std::set<std::tuple<int, int, int>> cells;
    for (int i = 0; i < buildPathLength; ++i) {
        const Point3& p = buildPath[i];
        const int x = gridIndex(p.x), y = gridIndex(p.y), z = gridIndex(p.z);
        EXPECT_TRUE(x >= -1 && x <= 1 && y >= -1 && y <= 1 && z >= 0 && z <= 2) << i;
        // Every coordinate is exactly the single-precision grid value.
        const float grid[] = {-0.2f, 0.0f, 0.2f, 0.4f};
        if (x >= -1 && x <= 1 && y >= -1 && y <= 1 && z >= 0 && z <= 2) {
            EXPECT_EQ(p.x, grid[x + 1]) << i;
            EXPECT_EQ(p.y, grid[y + 1]) << i;
            EXPECT_EQ(p.z, grid[z + 1]) << i;
        }
        cells.insert({x, y, z});
        if (i > 0) {
            const Point3& q = buildPath[i - 1];
            const int moved = std::abs(x - gridIndex(q.x)) + std::abs(y - gridIndex(q.y)) +
                              std::abs(z - gridIndex(q.z));
            EXPECT_EQ(moved, 1) << "step " << i;
        }
    }
    EXPECT_EQ(cells.size(), 27u);
    EXPECT_EQ(gridIndex(buildPath[3].z), 1);  // the centre cell (0, 0, 0.2)
    EXPECT_EQ(buildPath[3].x, 0.0f);
    EXPECT_EQ(buildPath[3].y, 0.0f);
}

TEST(Tables, SpreadDirectionsPointFromTheCentreCell) {
    EXPECT_EQ(spreadDirections[0].x, 0.0f);
    EXPECT_EQ(spreadDirections[0].y, 0.0f);
    EXPECT_EQ(spreadDirections[0].z, 0.0f);
    for (int i = 1; i < maxPlacedCubes; ++i) {
        const Point3& cell = buildPath[i - 1];
        EXPECT_EQ(spreadDirections[i].x, static_cast<float>(gridIndex(cell.x))) << i;
        EXPECT_EQ(spreadDirections[i].y, static_cast<float>(gridIndex(cell.y))) << i;
        EXPECT_EQ(spreadDirections[i].z, static_cast<float>(gridIndex(cell.z) - 1)) << i;
    }
    // Entry 4 is the centre cube: it does not move when the block spreads.
    EXPECT_EQ(spreadDirections[4].x, 0.0f);
    EXPECT_EQ(spreadDirections[4].y, 0.0f);
    EXPECT_EQ(spreadDirections[4].z, 0.0f);
}
