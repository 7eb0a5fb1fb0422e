// The drawing shortcuts must leave every pixel as the plain drawing steps draw it.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "anim/scene_state.h"
#include "app/keys.h"
#include "render/frame.h"
#include "tests/support/gl_context.h"
#include "tests/support/recording_hooks.h"

namespace {

std::vector<unsigned char> frameBothWays(int elapsedMs, bool shortcuts) {
    const SceneState before = scene;
    pixelExactShortcuts = shortcuts;
    renderFrame(elapsedMs);
    pixelExactShortcuts = true;
    scene = before;  // the frame advanced the finale: draw the other way from the same state
    std::vector<unsigned char> pixels(testWindowWidth * testWindowHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, testWindowWidth, testWindowHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void expectSameFrame(int elapsedMs) {
    const auto plain = frameBothWays(elapsedMs, false);
    const auto fast = frameBothWays(elapsedMs, true);
    int differing = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        differing += plain[i] != fast[i];
    }
    EXPECT_EQ(differing, 0) << "at " << elapsedMs << " ms";
}

class Shortcuts : public ::testing::Test {
   protected:
    void SetUp() override {
        resetShowForTest();
        seedPlacedCubes();
        for (int i = 1; i < buildPathLength; ++i) {
            placedCubes.push_back(buildPath[i]);
        }
        scene.pathStep = buildPathLength - 1;
        scene.rollOffset = buildPath[buildPathLength - 1];
        onReshape(testWindowWidth, testWindowHeight);
    }
    void TearDown() override {
        pixelExactShortcuts = true;
    }
};

}  // namespace

TEST_F(Shortcuts, FinaleFramesAreIdentical) {
    scene.showRollerAndCore = false;
    scene.spread = 0.3f;
    scene.ballActive = true;
    // The spin and the camera sweep the ball through many orientations and sizes on screen.
    for (int frame = 0; frame < 400; frame += 23) {
        scene.ballFrame = static_cast<float>(frame * 5);
        scene.spinAngle = static_cast<float>(frame % 361);
        scene.ripplePhase = 0.1f * static_cast<float>(frame);
        expectSameFrame(26600 + frame * 80);
    }
    // Close up, the ball fills much of the picture.
    scene.scriptedCamera = false;
    scene.manualEyeX = 0.1f;
    scene.manualEyeY = 0.25f;
    scene.manualEyeZ = 0.45f;
    for (float spin : {0.0f, 45.0f, 133.0f, 360.0f}) {
        scene.spinAngle = spin;
        expectSameFrame(40000);
    }
}

TEST_F(Shortcuts, FramesWithAndWithoutTheFadeAreIdentical) {
    for (int t : {0, 5000, 12000, 20000}) {
        expectSameFrame(t);
    }
    scene.ballActive = true;
    for (float alpha : {0.0f, 0.0008f, 0.5f, 1.0f}) {
        scene.fadeAlpha = alpha;
        expectSameFrame(60000);
    }
}
