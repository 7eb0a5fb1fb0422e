// The figure boxes hold everything the frame draws: every vertex GL rasterises for the cubes, the
// ball and the carpet lies in the window rectangle of some box, wherever the camera is.
#include "render/figure_bounds.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

#include "anim/finale_motion.h"
#include "anim/scene_state.h"
#include "app/display.h"
#include "app/keys.h"
#include "render/camera_view.h"
#include "render/cubes.h"
#include "render/finale.h"
#include "render/frame.h"
#include "render/screen_cover.h"
#include "tests/support/gl_context.h"
#include "tests/support/recording_hooks.h"
#include "tests/support/show_scenes.h"
#include "tests/support/show_window_fixture.h"

namespace {

using WindowPoint = std::array<float, 3>;  // x, y and depth from feedback

// The window rectangles of the figure boxes under the current matrices, in figureBoxes' order.
std::vector<PixelRect> figureRects() {
    const ClipTransform view = currentClipTransform();
    Box boxes[maxFigureBoxes];
    const int count = figureBoxes(boxes, maxFigureBoxes);
    EXPECT_GT(count, 0);
    std::vector<PixelRect> rects(count > 0 ? count : 0);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        EXPECT_TRUE(boxWindowRect(view, boxes[i], rects[i]));
    }
    return rects;
}

// Expects every point inside one of rects[first, last).
void expectInside(const std::vector<WindowPoint>& points, const std::vector<PixelRect>& rects,
                  std::size_t first, std::size_t last, const char* what) {
    // Vertices that clipping puts on the viewport's edge may stray past it by a rounding.
    constexpr float edge = 0.01f;
    int outside = 0;
    for (const WindowPoint& p : points) {
        bool held = false;
        for (std::size_t i = first; i < last && i < rects.size(); ++i) {
            const PixelRect& r = rects[i];
            held = held || (p[0] >= r.x - edge && p[0] <= r.x + r.width + edge &&
                            p[1] >= r.y - edge && p[1] <= r.y + r.height + edge);
        }
        outside += !held;
    }
    EXPECT_EQ(outside, 0) << "of " << points.size() << " vertices of " << what;
    EXPECT_FALSE(points.empty()) << what;
}

// A frame at elapsedMs keeps every vertex inside the rectangles of the figures' boxes.
void expectFrameInsideFigures(int elapsedMs) {
    const auto points = feedbackWindowVertices([elapsedMs] { showFrame(elapsedMs); });
    // The frame leaves the camera's matrices and the finale's state as they were drawn.
    const auto rects = figureRects();
    expectInside(points, rects, 0, rects.size(), "the frame");
}

// The manual eye at (x, y, z), its view loaded as the frame loads it.
void lookFromManualEye(float x, float y, float z) {
    useManualEye(x, y, z);
    glLoadIdentity();
    applyManualCamera();
}

using FigureBounds = ShowWindowTest;

}  // namespace

TEST_F(FigureBounds, RollingCubeStaysInsideItsBoxThroughEveryRoll) {
    for (int k = 0; k + 1 < buildPathLength; ++k) {
        for (float angle : {0.0f, 30.0f, 45.0f, 60.0f, 85.0f}) {
            sceneRolling(k, angle);
            placedCubes.resize(1);  // the rolling cube alone
            for (const float side : {-1.0f, 1.0f}) {
                lookFromManualEye(0.3f * side, 0.4f, 0.9f * side);
                const auto points = feedbackWindowVertices(drawCubeAssembly);
                expectInside(points, figureRects(), 0, 1, "the rolling cube");
            }
        }
    }
}

TEST_F(FigureBounds, BallAndCarpetStayInsideTheirOwnBoxes) {
    placedCubes.clear();
    scene.ballActive = true;
    const float eyes[][3] = {{0.1f, 0.3f, 0.6f},
                             {0.5f, 0.05f, 0.2f},
                             {0.0f, 0.6f, 0.25f},
                             {-0.4f, 0.2f, -0.3f},
                             {0.2f, -0.3f, 0.9f}};
    for (const auto& eye : eyes) {
        for (int frame = 0; frame < 4000; frame += 333) {
            lookFromManualEye(eye[0], eye[1], eye[2]);
            scene.ripplePhase = 0.37f * static_cast<float>(frame);
            scene.spinAngle = static_cast<float>(frame % 361);
            // figureBoxes lists the ball, then the band along x and the band along z.
            const auto rects = figureRects();
            expectInside(feedbackWindowVertices([] { drawBall(ballRadius); }), rects, 0, 1,
                         "the ball");
            expectInside(feedbackWindowVertices([] { drawRippleCarpet(cubeEdge, -0.5f, 0.5f); }),
                         rects, 1, 3, "the carpet");
        }
    }
}

TEST_F(FigureBounds, EveryFrameStaysInsideTheFiguresAlongTheCameraFlight) {
    sceneBlockUpTo(buildPathLength - 1);
    for (int t = 0; t < 26100; t += 700) {
        expectFrameInsideFigures(t);
    }
    scene.showRollerAndCore = false;
    scene.ballActive = true;
    for (int t = 26100; t < 71000; t += 450) {
        scene.spread = std::min(0.3f, static_cast<float>(t - 26100) / 66000.0f);
        scene.ballFrame = static_cast<float>((t - 26600) / 10);
        scene.spinAngle = static_cast<float>(t % 360);
        expectFrameInsideFigures(t);
    }
}
