// The drawing shortcuts must leave every pixel as the plain drawing steps draw it.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "anim/scene_state.h"
#include "anim/steps.h"
#include "app/keys.h"
#include "render/frame.h"
#include "tests/support/gl_context.h"
#include "tests/support/recording_hooks.h"
#include "tests/support/show_scenes.h"

namespace {

std::vector<unsigned char> frameBothWays(int elapsedMs, const FinaleFrame& finale, bool shortcuts) {
    pixelExactShortcuts = shortcuts;
    renderFrame(elapsedMs, finale);
    pixelExactShortcuts = true;
    std::vector<unsigned char> pixels(testWindowWidth * testWindowHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, testWindowWidth, testWindowHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void expectSameFrame(int elapsedMs) {
    const FinaleFrame finale = advanceFrame();
    const auto plain = frameBothWays(elapsedMs, finale, false);
    const auto fast = frameBothWays(elapsedMs, finale, true);
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
        sceneBlockUpTo(buildPathLength - 1);
        onReshape(testWindowWidth, testWindowHeight);
        // A patterned texture, so that the cubes' texture coordinates show in every pixel.
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &emptyTexture);
        std::vector<unsigned char> texels(64 * 64 * 4);
        for (std::size_t i = 0; i < texels.size(); ++i) {
            texels[i] = static_cast<unsigned char>((i * 2654435761u) >> 24);
        }
        glGenTextures(1, &patternTexture);
        glBindTexture(GL_TEXTURE_2D, patternTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
    void TearDown() override {
        pixelExactShortcuts = true;
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(emptyTexture));
        glDeleteTextures(1, &patternTexture);
    }
    GLint emptyTexture = 0;
    GLuint patternTexture = 0;
};

}  // namespace

TEST_F(Shortcuts, FinaleFramesAreIdentical) {
    sceneFinale(0);
    // The spin and the camera sweep the ball through many orientations and sizes on screen.
    for (int frame = 0; frame < 400; frame += 23) {
        scene.ballFrame = static_cast<float>(frame * 5);
        scene.spinAngle = static_cast<float>(frame % 361);
        scene.ripplePhase = 0.1f * static_cast<float>(frame);
        expectSameFrame(26600 + frame * 80);
    }
    // Close up, the ball fills much of the picture.
    useManualEye(0.1f, 0.25f, 0.45f);
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

TEST_F(Shortcuts, BuildingFramesAreIdentical) {
    // Between rolls the rolling cube lies on the copy just placed: their faces tie in depth.
    for (int k : {0, 3, 8, 12, 17, 21, 25}) {
        for (float angle : {0.0f, 35.0f, 85.0f}) {
            sceneRolling(k, angle);
            expectSameFrame(3600 + k * 600 + static_cast<int>(angle * 2.0f));
        }
    }
    scene = SceneState{};
    SetUp();
    for (int t = 0; t < 26100; t += 1450) {
        expectSameFrame(t);
    }
}

TEST_F(Shortcuts, SpreadFramesAreIdentical) {
    for (float spread : {0.0f, 0.01f, 0.12f, 0.3f}) {
        sceneSpread(spread);
        for (int t = 26100; t < 49100; t += 2900) {
            expectSameFrame(t);
        }
    }
}

TEST_F(Shortcuts, FramesFromAnyManualEyeAreIdentical) {
    sceneRolling(13, 40.0f);
    scene.ballActive = true;
    // Inside the block, against a face, by the far plane (the block partly or wholly beyond
    // it), and from below.
    const float eyes[][3] = {{0.02f, 0.03f, 0.01f}, {0.0f, 0.0f, 0.3f},   {0.1f, 0.2f, 9.0f},
                             {0.0f, 0.0f, 9.9f},    {0.0f, 0.0f, 10.2f},  {0.0f, 0.0f, 14.0f},
                             {0.3f, -2.0f, 0.5f},   {-1.0f, 1.0f, -1.0f}, {0.0f, 2.0f, 9.7f},
                             {0.0f, 1.5f, 9.8f},    {1.0f, 2.0f, 9.6f},   {0.0f, 3.0f, 9.5f},
                             {0.0f, 2.0f, 9.75f},   {0.0f, 2.0f, 9.8f}};
    for (const auto& eye : eyes) {
        useManualEye(eye[0], eye[1], eye[2]);
        for (float alpha : {0.0f, 0.3f}) {
            scene.fadeAlpha = alpha;
            expectSameFrame(40000);
        }
    }
}

TEST_F(Shortcuts, FadeFramesAreIdentical) {
    sceneFinale(0);
    for (int t = 58100; t <= 70600; t += 625) {
        scene.ballFrame = static_cast<float>((t - 26600) / 10);
        scene.fadeAlpha = static_cast<float>(t - 58100) / 12500.0f;
        expectSameFrame(t);
    }
}
