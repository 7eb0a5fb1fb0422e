// The fixture of the tests that draw the show's frames in the test window: the show back at its
// start with the cubes of the block seeded, and the window reshaped to its test size, which sets
// the viewport and projection as the program does.
#pragma once
#include <gtest/gtest.h>

#include "anim/scene_state.h"
#include "app/keys.h"
#include "tests/support/gl_context.h"
#include "tests/support/recording_hooks.h"

class ShowWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetShowForTest();
        seedPlacedCubes();
        onReshape(testWindowWidth, testWindowHeight);
    }
};
