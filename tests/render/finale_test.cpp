#include "render/finale.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "anim/finale_motion.h"
#include "anim/scene_state.h"
#include "app/display.h"
#include "app/keys.h"
#include "render/frame.h"
#include "tests/support/gl_context.h"
#include "tests/support/recording_hooks.h"
#include "tests/support/show_scenes.h"

namespace {

using Vertex = std::array<float, 3>;

float carpetFrom, carpetTo;

// The distinct sample positions along the band running in x (its vertices at z 0.1 and 0.3)
// and along the band running in z (its vertices at x -0.1 and 0.1).
struct BandSamples {
    std::set<long> alongX;
    std::set<long> alongZ;
    float lastAlongX = -1e9f;
};

BandSamples carpetSamples(float from, float to) {
    carpetFrom = from;
    carpetTo = to;
    const auto vertices =
        feedbackVertices([] { drawRippleCarpet(cubeEdge, carpetFrom, carpetTo); });
    BandSamples samples;
    for (const Vertex& seen : vertices) {
        const Vertex v = {seen[0], seen[2], -seen[1]};  // undo the view from above
        const bool xBand = std::fabs(v[2] - 0.1f) < 1e-4f || std::fabs(v[2] - 0.3f) < 1e-4f;
        const bool zBand = std::fabs(std::fabs(v[0]) - 0.1f) < 1e-4f;
        // Sample spacing is 0.01: key them by tenths of a hundredth.
        if (xBand) {
            samples.alongX.insert(std::lround(v[0] * 1000.0f));
            samples.lastAlongX = std::max(samples.lastAlongX, v[0]);
        }
        if (zBand) {
            samples.alongZ.insert(std::lround((v[2] - cubeEdge) * 1000.0f));
        }
    }
    return samples;
}

class Finale : public ::testing::Test {
protected:
    void SetUp() override {
        resetShowForTest();
        useUnitOrthoView();
        // Look straight down so the carpet's samples stay apart on screen: x stays x, and
        // world z becomes screen -y.
        glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    }
};

}  // namespace

TEST_F(Finale, CarpetSampleCounts) {
    // From -0.5 to 0.5: 101 pairs, the last just short of 0.5.
    BandSamples full = carpetSamples(-0.5f, 0.5f);
    EXPECT_EQ(full.alongX.size(), 101u);
    EXPECT_EQ(full.alongZ.size(), 101u);
    EXPECT_NEAR(full.lastAlongX, 0.4999996f, 2e-3f);
    // From -0.2 to 0.2: 40 pairs; the 41st sum lands just above 0.2.
    BandSamples narrow = carpetSamples(-0.2f, 0.2f);
    EXPECT_EQ(narrow.alongX.size(), 40u);
    EXPECT_EQ(narrow.alongZ.size(), 40u);
    // Two pairs make one quad: the first pair is emitted before the bound is tested.
    EXPECT_EQ(carpetSamples(0.0f, 0.01f).alongX.size(), 2u);
    EXPECT_EQ(carpetSamples(0.0f, 0.009f).alongX.size(), 0u);  // one pair makes no quad
}

TEST_F(Finale, EmptyCarpetForReversedOrNaNBounds) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (auto bounds : {std::array<float, 2>{0.2f, -0.2f}, {nan, 0.5f}, {-0.5f, nan}, {nan, nan}}) {
        carpetFrom = bounds[0];
        carpetTo = bounds[1];
        EXPECT_TRUE(
            feedbackVertices([] { drawRippleCarpet(cubeEdge, carpetFrom, carpetTo); }).empty());
    }
}

TEST_F(Finale, BallSitsOverTheCrossingAndLeavesStateAsFound) {
    glLoadIdentity();
    scene.ripplePhase = 0.1f;
    scene.spinAngle = 0.0f;
    const auto matrixBefore = glMatrix(GL_MODELVIEW_MATRIX);
    GLint depthBefore = 0, depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    const auto vertices = feedbackVertices([] { drawBall(ballRadius); });
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(glMatrix(GL_MODELVIEW_MATRIX), matrixBefore);
    EXPECT_EQ(depthAfter, depthBefore);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    ASSERT_FALSE(vertices.empty());
    Vertex low = vertices[0], high = vertices[0];
    for (const Vertex& v : vertices) {
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], v[k]);
            high[k] = std::max(high[k], v[k]);
        }
    }
    // The bars stick out 0.105 from the centre along each axis, past the shell's 0.096.
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(high[k] - low[k], 0.21f, 2e-3f) << k;
    }
    EXPECT_NEAR((low[0] + high[0]) / 2, 0.0f, 1e-3f);
    EXPECT_NEAR((low[1] + high[1]) / 2, 0.117131f, 1e-3f);
    EXPECT_NEAR((low[2] + high[2]) / 2, cubeEdge, 1e-3f);
}

TEST_F(Finale, RenderedFinaleShowsTheRedBallOverTheWhiteBands) {
    seedPlacedCubes();
    onReshape(testWindowWidth, testWindowHeight);
    useManualEye(0.0f, 0.9f, 0.9f);
    scene.showRollerAndCore = false;
    scene.ballActive = true;
    scene.ballFrame = 3000.0f;  // the carpet at its full length
    showFrame(40000);

    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    auto screen = [&](double x, double y, double z) {
        GLdouble sx, sy, sz;
        gluProject(x, y, z, model, projection, viewport, &sx, &sy, &sz);
        return backPixel(static_cast<int>(sx), static_cast<int>(sy));
    };
    const float phase = scene.ripplePhase;
    // The ball: dark red under its translucent white shell.
    const auto ball = screen(0.0, ballHeight(phase), cubeEdge);
    EXPECT_GT(ball[0], ball[1] + 30) << ball[0] << "," << ball[1] << "," << ball[2];
    EXPECT_NEAR(ball[1], ball[2], 4);
    // The band along x, well beyond the ball, and the band along z: lit grey-white.
    for (const auto& band :
         {screen(0.4, waveHeight(0.4f, phase), 0.2), screen(-0.4, waveHeight(-0.4f, phase), 0.2),
          screen(0.0, waveHeight(0.25f, phase), 0.45)}) {
        EXPECT_GT(band[0], 60);
        EXPECT_EQ(band[0], band[1]);
        EXPECT_EQ(band[1], band[2]);
    }
    // Beside the bands there is nothing but the black background.
    const auto beside = screen(0.35, 0.0, 0.45);
    EXPECT_EQ(beside[0] + beside[1] + beside[2], 0);
}
