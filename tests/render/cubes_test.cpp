#include "render/cubes.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "anim/scene_state.h"
#include "tests/support/gl_context.h"
#include "tests/support/recording_hooks.h"
#include "tests/support/show_scenes.h"

namespace {

using Vertex = std::array<float, 3>;

constexpr float tolerance = 2e-3f;  // a fraction of a pixel at 160 pixels per unit

bool near(const Vertex& a, const Vertex& b) {
    return std::fabs(a[0] - b[0]) < tolerance && std::fabs(a[1] - b[1]) < tolerance &&
           std::fabs(a[2] - b[2]) < tolerance;
}

bool contains(const std::vector<Vertex>& set, const Vertex& v) {
    return std::any_of(set.begin(), set.end(), [&](const Vertex& w) { return near(v, w); });
}

// The eight corners of a cube of edge 0.2 centred at c, turned by `degrees` about `axis`.
std::vector<Vertex> cubeCorners(Vertex c, float degrees = 0, Vertex axis = {1, 0, 0}) {
    const double a = degrees * M_PI / 180.0;
    const double ca = std::cos(a), sa = std::sin(a);
    const double len = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    const double ux = axis[0] / len, uy = axis[1] / len, uz = axis[2] / len;
    std::vector<Vertex> corners;
    for (int i = 0; i < 8; ++i) {
        const double p[3] = {i & 1 ? 0.1 : -0.1, i & 2 ? 0.1 : -0.1, i & 4 ? 0.1 : -0.1};
        // Rodrigues' rotation of p about the unit axis u.
        const double dot = ux * p[0] + uy * p[1] + uz * p[2];
        const double cross[3] = {uy * p[2] - uz * p[1], uz * p[0] - ux * p[2],
                                 ux * p[1] - uy * p[0]};
        const double u[3] = {ux, uy, uz};
        Vertex v;
        for (int k = 0; k < 3; ++k) {
            v[k] = static_cast<float>(c[k] + p[k] * ca + cross[k] * sa + u[k] * dot * (1 - ca));
        }
        corners.push_back(v);
    }
    return corners;
}

void expectCubeDrawn(const std::vector<Vertex>& drawn, const std::vector<Vertex>& corners,
                     bool drawnExpected = true) {
    for (const Vertex& corner : corners) {
        EXPECT_EQ(contains(drawn, corner), drawnExpected)
            << "corner (" << corner[0] << ", " << corner[1] << ", " << corner[2] << ")";
    }
}

class CubeDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        resetShowForTest();
        useUnitOrthoView();
    }
    std::vector<Vertex> drawAssembly() {
        return feedbackVertices(drawCubeAssembly);
    }
};

}  // namespace

TEST_F(CubeDrawing, EveryPlacedCubeSitsInItsCell) {
    sceneBlockUpTo(buildPathLength - 1);
    const std::vector<Vertex> drawn = drawAssembly();
    for (int i = 0; i < buildPathLength; ++i) {
        const Point3& p = buildPath[i];
        expectCubeDrawn(drawn, cubeCorners({p.x, p.y, p.z}));
    }
    // Six faces of two triangles or one polygon each, for all 28 cubes and nothing else.
    for (const Vertex& v : drawn) {
        bool onSomeCube = false;
        for (int i = 0; i < buildPathLength && !onSomeCube; ++i) {
            onSomeCube = contains(cubeCorners({buildPath[i].x, buildPath[i].y, buildPath[i].z}), v);
        }
        EXPECT_TRUE(onSomeCube);
    }
}

TEST_F(CubeDrawing, RollingCubeTurnsAboutTheAxisOfItsMove) {
    struct Case {
        int pathStep;
        Vertex axis;
    };
    // -x move turns about +z, +x about -z; every move along y or z turns about +x.
    const Case cases[] = {
        {0, {0, 0, 1}},   // (0,0,0) -> (-0.2,0,0)
        {1, {1, 0, 0}},   // (-0.2,0,0) -> (-0.2,0,0.2)
        {2, {0, 0, -1}},  // (-0.2,0,0.2) -> (0,0,0.2)
        {3, {1, 0, 0}},   // (0,0,0.2) -> (0,0.2,0.2)
        {10, {1, 0, 0}},  // (0.2,0.2,0.4) -> (0.2,0.2,0.2)
        {13, {1, 0, 0}},  // (0.2,0,0) -> (0.2,-0.2,0): down along y, still about +x
    };
    for (const Case& c : cases) {
        resetShowForTest();
        placedCubes.push_back({0, 0, 0});
        scene.pathStep = c.pathStep;
        scene.spinAngle = 30.0f;
        scene.rollOffset = {0.05f, -0.05f, 0.1f};
        const std::vector<Vertex> drawn = drawAssembly();
        SCOPED_TRACE(c.pathStep);
        expectCubeDrawn(drawn, cubeCorners({0.05f, -0.05f, 0.1f}, 30.0f, c.axis));
        // The opposite turn would put the corners elsewhere.
        expectCubeDrawn(drawn, {cubeCorners({0.05f, -0.05f, 0.1f}, -30.0f, c.axis)[1]}, false);
    }
}

TEST_F(CubeDrawing, AfterTheLastRollTheRollerIsNotTurned) {
    placedCubes.push_back({0, 0, 0});
    scene.pathStep = buildPathLength - 1;
    scene.spinAngle = 45.0f;  // would show if any turn were applied
    scene.rollOffset = {0.0f, -0.2f, 0.2f};
    expectCubeDrawn(drawAssembly(), cubeCorners({0.0f, -0.2f, 0.2f}));
}

TEST_F(CubeDrawing, RollerAndCentreVanishWhenTheBlockSpreads) {
    sceneBlockUpTo(buildPathLength - 1);
    scene.rollOffset = {0.3f, 0.3f, 0.3f};  // the roller, away from every cell
    scene.spread = 0.3f;

    std::vector<Vertex> drawn = drawAssembly();
    expectCubeDrawn(drawn, cubeCorners({0.3f, 0.3f, 0.3f}));
    expectCubeDrawn(drawn, cubeCorners({0.0f, 0.0f, 0.2f}));  // entry 4 stays in its cell

    scene.showRollerAndCore = false;
    drawn = drawAssembly();
    expectCubeDrawn(drawn, cubeCorners({0.3f, 0.3f, 0.3f}), false);
    expectCubeDrawn(drawn, cubeCorners({0.0f, 0.0f, 0.2f}), false);
    // Entry 9, cell (-0.2, 0.2, 0.4) with direction (-1, 1, 1), sits at (-0.5, 0.5, 0.7).
    expectCubeDrawn(drawn, cubeCorners({-0.5f, 0.5f, 0.7f}));
    // Every other entry moved out along its direction.
    for (int i = 1; i < maxPlacedCubes; ++i) {
        if (i == 4) {
            continue;
        }
        const Point3& p = placedCubes.at(i);
        const Point3& d = spreadDirections[i];
        expectCubeDrawn(drawn,
                        {cubeCorners({p.x + 0.3f * d.x, p.y + 0.3f * d.y, p.z + 0.3f * d.z})[7]});
    }
}

TEST_F(CubeDrawing, LeavesTheModelviewMatrixAsFound) {
    seedPlacedCubes();
    scene.spinAngle = 20.0f;
    scene.spread = 0.1f;
    glTranslatef(0.1f, 0.2f, 0.3f);
    glRotatef(17.0f, 0.3f, 1.0f, 0.2f);
    GLint depthBefore = 0, depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    const auto before = glMatrix(GL_MODELVIEW_MATRIX);
    drawCubeAssembly();
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(glMatrix(GL_MODELVIEW_MATRIX), before);
    EXPECT_EQ(depthAfter, depthBefore);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(CubeDrawing, FacesAreWoundCounterClockwiseSeenFromOutside) {
    // With back faces culled, looking along each axis shows exactly the face turned to us.
    glEnable(GL_CULL_FACE);
    const float turns[6][4] = {{0, 0, 1, 0},   {90, 0, 1, 0}, {180, 0, 1, 0},
                               {-90, 0, 1, 0}, {90, 1, 0, 0}, {-90, 1, 0, 0}};
    for (const auto& turn : turns) {
        glLoadIdentity();
        glRotatef(turn[0], turn[1], turn[2], turn[3]);
        const std::vector<Vertex> drawn = feedbackVertices([] { drawTexturedCube(0.2f); });
        SCOPED_TRACE(turn[0]);
        ASSERT_FALSE(drawn.empty());
        for (const Vertex& v : drawn) {
            EXPECT_NEAR(v[2], 0.1f, tolerance);  // only the face nearest the viewer
        }
    }
    glDisable(GL_CULL_FACE);
}
