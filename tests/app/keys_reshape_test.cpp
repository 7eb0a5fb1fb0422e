#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "anim/scene_state.h"
#include "anim/steps.h"
#include "app/keys.h"
#include "tests/support/gl_context.h"
#include "tests/support/recording_hooks.h"

namespace {

std::array<float, 16> expectedProjection() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(50.0, 1.4, 0.1, 10.0);
    const auto m = glMatrix(GL_PROJECTION_MATRIX);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    return m;
}

struct EyeState {
    float x, y, z;
    bool scripted;
    bool operator==(const EyeState& o) const {
        return x == o.x && y == o.y && z == o.z && scripted == o.scripted;
    }
};

EyeState eyeState() {
    return {scene.manualEyeX, scene.manualEyeY, scene.manualEyeZ, scene.scriptedCamera};
}

}  // namespace

TEST(Keys, MoveTheManualEyeByAStepAlongEachAxis) {
    resetShowForTest();
    struct Case {
        unsigned char key;
        EyeState after;
    };
    const Case cases[] = {
        {'a', {-0.05f, 0, 1, true}}, {'d', {0, 0, 1, true}},     {'f', {0, -0.05f, 1, true}},
        {'r', {0, 0, 1, true}},      {'w', {0, 0, 0.95f, true}}, {'s', {0, 0, 1, true}},
    };
    int redraws = 0;
    for (const Case& c : cases) {
        onKeyboard(c.key, 0, 0);
        EXPECT_TRUE(eyeState() == c.after) << c.key;
        EXPECT_EQ(stepRecord.redraws, ++redraws);
    }
    for (int i = 0; i < 20; ++i) {
        onKeyboard('d', 5, 5);
    }
    EXPECT_NEAR(scene.manualEyeX, 1.0f, 1e-6f);
}

TEST(Keys, CTogglesTheScriptAndBackAgain) {
    resetShowForTest();
    onKeyboard('c', 0, 0);
    EXPECT_FALSE(scene.scriptedCamera);
    onKeyboard('w', 0, 0);  // the manual eye moves whichever camera is on
    EXPECT_EQ(scene.manualEyeZ, 0.95f);
    onKeyboard('c', 0, 0);
    EXPECT_TRUE(scene.scriptedCamera);
    EXPECT_EQ(stepRecord.redraws, 3);
}

TEST(Keys, EveryOtherKeyOnlyAsksForARedraw) {
    resetShowForTest();
    const EyeState start = eyeState();
    int redraws = 0;
    for (int key = 0; key < 256; ++key) {
        switch (key) {
            case escapeKey:
            case 'a':
            case 'd':
            case 'f':
            case 'r':
            case 'w':
            case 's':
            case 'c':
                continue;
        }
        onKeyboard(static_cast<unsigned char>(key), 0, 0);
        ASSERT_TRUE(eyeState() == start) << "key " << key;
        EXPECT_EQ(stepRecord.redraws, ++redraws);
        EXPECT_TRUE(stepRecord.endRequests.empty());
    }
}

TEST(KeysDeathTest, EscapeEndsTheProcessWithStatusZero) {
    resetShowForTest();
    stepHooks.endShow = [](int status) { std::exit(status); };
    scene.spinAngle = 45.0f;  // mid-roll
    EXPECT_EXIT(onKeyboard(escapeKey, 0, 0), ::testing::ExitedWithCode(0), "");
}

TEST(Reshape, KeepsTheSamePerspectiveAndFollowsTheWindow) {
    const auto expected = expectedProjection();
    const int sizes[][2] = {{800, 800}, {1920, 1080}, {1, 1}, {640, 0}, {0, 0}};
    for (const auto& size : sizes) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_TEXTURE);  // onReshape must end with the modelview current
        onReshape(size[0], size[1]);
        EXPECT_EQ(glMatrix(GL_PROJECTION_MATRIX), expected) << size[0] << "x" << size[1];
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], size[0]);
        EXPECT_EQ(viewport[3], size[1]);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
    }
    onReshape(testWindowWidth, testWindowHeight);
}
