#include "render/frame.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "anim/scene_state.h"
#include "app/display.h"
#include "app/keys.h"
#include "render/camera_view.h"
#include "tests/support/gl_context.h"
#include "tests/support/recording_hooks.h"
#include "tests/support/show_window_fixture.h"

namespace {

// The view matrix gluLookAt builds for an eye looking at the origin with y up.
std::array<float, 16> lookAtMatrix(double x, double y, double z) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(x, y, z, 0, 0, 0, 0, 1, 0);
    const auto m = glMatrix(GL_MODELVIEW_MATRIX);
    glPopMatrix();
    return m;
}

void expectMatrixNear(const std::array<float, 16>& a, const std::array<float, 16>& b) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(a[i], b[i], 1e-6f) << "element " << i;
    }
}

int brightness(const std::array<int, 3>& p) {
    return p[0] + p[1] + p[2];
}

using Frame = ShowWindowTest;

}  // namespace

TEST_F(Frame, ScriptedCameraSetsTheViewOfItsEye) {
    glLoadIdentity();
    applyCameraScript(0);
    expectMatrixNear(glMatrix(GL_MODELVIEW_MATRIX), lookAtMatrix(0.25, 0.05, 1.5));
    glLoadIdentity();
    applyCameraScript(4000);
    expectMatrixNear(glMatrix(GL_MODELVIEW_MATRIX), lookAtMatrix(-0.3, -0.8, -0.45));
}

TEST_F(Frame, UsesTheManualEyeWhenTheScriptIsOff) {
    showFrame(0);
    expectMatrixNear(glMatrix(GL_MODELVIEW_MATRIX), lookAtMatrix(0.25, 0.05, 1.5));
    scene.scriptedCamera = false;
    showFrame(0);
    expectMatrixNear(glMatrix(GL_MODELVIEW_MATRIX), lookAtMatrix(0, 0, 1));
    scene.manualEyeX = 0.4f;
    scene.manualEyeZ = 1.9f;
    showFrame(30000);  // the time does not matter to the manual eye
    expectMatrixNear(glMatrix(GL_MODELVIEW_MATRIX), lookAtMatrix(0.4f, 0, 1.9f));
}

TEST_F(Frame, ShowsTheCubesInTheMiddleOfABlackPicture) {
    showFrame(0);
    EXPECT_GT(brightness(backPixel(testWindowWidth / 2, testWindowHeight / 2)), 150);
    EXPECT_EQ(brightness(backPixel(2, 2)), 0);
    EXPECT_EQ(brightness(backPixel(testWindowWidth - 3, testWindowHeight - 3)), 0);
    // The drawing leaves texturing and blending off and the lighting on.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(Frame, FadeOverlayDarkensOnlyWhenTheEyeIsBeyondIt) {
    scene.scriptedCamera = false;
    scene.manualEyeZ = 1.9f;
    scene.fadeAlpha = 0.5f;
    showFrame(0);
    const int half = brightness(backPixel(testWindowWidth / 2, testWindowHeight / 2));
    scene.fadeAlpha = 0.0f;
    showFrame(0);
    const int full = brightness(backPixel(testWindowWidth / 2, testWindowHeight / 2));
    EXPECT_NEAR(half, full / 2, 6);
    scene.fadeAlpha = 1.0f;
    showFrame(0);
    for (int y = 0; y < testWindowHeight; y += 20) {
        for (int x = 0; x < testWindowWidth; x += 20) {
            ASSERT_EQ(brightness(backPixel(x, y)), 0) << x << "," << y;
        }
    }
    // An eye in front of the plane z = 1 sees the scene whatever the fade.
    scene.manualEyeZ = 0.8f;
    showFrame(0);
    EXPECT_GT(brightness(backPixel(testWindowWidth / 2, testWindowHeight / 2)), 150);
}

TEST_F(Frame, DrawingLeavesTheSceneAsItIs) {
    for (int i = 1; i < buildPathLength; ++i) {
        placedCubes.push_back(buildPath[i]);
    }
    scene.pathStep = 5;
    scene.spinAngle = 35.0f;
    scene.ballActive = true;
    scene.spread = 0.2f;
    scene.fadeAlpha = 0.5f;
    const FinaleFrame finale = advanceFrame();
    const SceneState before = scene;
    const std::vector<Point3> cubesBefore = placedCubes;
    for (int elapsedMs : {0, 12000, 40000}) {
        renderFrame(elapsedMs, finale);
        renderFrame(elapsedMs, FinaleFrame{false, 0.0f, 0.0f});
    }
    const auto fields = [](const SceneState& s) {
        return std::make_tuple(s.scheduleCursorMs, s.showRollerAndCore, s.scriptedCamera,
                               s.manualEyeX, s.manualEyeY, s.manualEyeZ, s.spinAngle, s.spread,
                               s.rollOffset.x, s.rollOffset.y, s.rollOffset.z, s.ballFrame,
                               s.ripplePhase, s.fadeAlpha, s.pathStep, s.spreadFrame, s.ballActive);
    };
    EXPECT_EQ(fields(scene), fields(before));
    ASSERT_EQ(placedCubes.size(), cubesBefore.size());
    EXPECT_EQ(
        std::memcmp(placedCubes.data(), cubesBefore.data(), cubesBefore.size() * sizeof(Point3)),
        0);
}

TEST_F(Frame, FinaleQuantitiesAdvanceOnlyInFinaleFrames) {
    showFrame(20000);
    showFrame(20010);
    EXPECT_EQ(scene.spinAngle, 0.0f);
    EXPECT_EQ(scene.ballFrame, 0.0f);
    EXPECT_EQ(scene.ripplePhase, 0.0f);
    scene.ballActive = true;
    showFrame(26600);
    EXPECT_EQ(scene.spinAngle, 1.0f);
    EXPECT_EQ(scene.ballFrame, 1.0f);
    EXPECT_EQ(scene.ripplePhase, 0.1f);
}
