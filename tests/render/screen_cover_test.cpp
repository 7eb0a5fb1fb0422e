// Where world boxes land in the window, and the cell rectangles that cover them. Checked against
// GLU's own projection (pure arithmetic, no GL context needed).
#include "render/screen_cover.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

// A perspective view as the show sets it up: gluPerspective(50, 1.4, 0.1, 10) and an eye
// looking at the origin, written out in column-major doubles.
struct View {
    double projection[16];
    double modelview[16];
    int viewport[4];
};

View lookingAtOrigin(double ex, double ey, double ez, int x, int y, int w, int h) {
    View v = {};
    const double f = 1.0 / std::tan(25.0 * M_PI / 180.0), n = 0.1, fa = 10.0;
    v.projection[0] = f / 1.4;
    v.projection[5] = f;
    v.projection[10] = (fa + n) / (n - fa);
    v.projection[11] = -1.0;
    v.projection[14] = 2.0 * fa * n / (n - fa);
    // gluLookAt towards the origin with +y up.
    double fw[3] = {-ex, -ey, -ez};
    const double fl = std::sqrt(fw[0] * fw[0] + fw[1] * fw[1] + fw[2] * fw[2]);
    for (double& c : fw)
        c /= fl;
    double s[3] = {-fw[2], 0.0, fw[0]};  // fw x up
    const double sl = std::sqrt(s[0] * s[0] + s[2] * s[2]);
    s[0] /= sl;
    s[2] /= sl;
    const double u[3] = {s[1] * fw[2] - s[2] * fw[1], s[2] * fw[0] - s[0] * fw[2],
                         s[0] * fw[1] - s[1] * fw[0]};
    double* m = v.modelview;
    m[0] = s[0], m[4] = s[1], m[8] = s[2];
    m[1] = u[0], m[5] = u[1], m[9] = u[2];
    m[2] = -fw[0], m[6] = -fw[1], m[10] = -fw[2];
    m[12] = -(s[0] * ex + s[1] * ey + s[2] * ez);
    m[13] = -(u[0] * ex + u[1] * ey + u[2] * ez);
    m[14] = fw[0] * ex + fw[1] * ey + fw[2] * ez;
    m[15] = 1.0;
    v.viewport[0] = x, v.viewport[1] = y, v.viewport[2] = w, v.viewport[3] = h;
    return v;
}

Box cubeAround(double x, double y, double z, double r) {
    return Box{{x - r, y - r, z - r}, {x + r, y + r, z + r}};
}

bool inside(const PixelRect& r, double x, double y) {
    return x >= r.x && x <= r.x + r.width && y >= r.y && y <= r.y + r.height;
}

}  // namespace

TEST(ScreenCover, BoxRectsHoldEveryProjectedCornerAndLittleMore) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> eye(-3.0, 3.0), place(-0.6, 0.6), size(0.01, 0.3);
    int tested = 0;
    for (int i = 0; i < 2000; ++i) {
        const View v = lookingAtOrigin(eye(rng), eye(rng), eye(rng) + 3.5, 30, 20, 1920, 1080);
        const ClipTransform t = makeClipTransform(v.projection, v.modelview, v.viewport);
        const Box box = cubeAround(place(rng), place(rng), place(rng), size(rng));
        PixelRect rect;
        ASSERT_TRUE(boxWindowRect(t, box, rect));
        double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
        for (int c = 0; c < 8; ++c) {
            double wx, wy, wz;
            ASSERT_TRUE(gluProject((c & 1) ? box.hi[0] : box.lo[0], (c & 2) ? box.hi[1] : box.lo[1],
                                   (c & 4) ? box.hi[2] : box.lo[2], v.modelview, v.projection,
                                   v.viewport, &wx, &wy, &wz));
            minX = std::min(minX, wx), maxX = std::max(maxX, wx);
            minY = std::min(minY, wy), maxY = std::max(maxY, wy);
        }
        // The rectangle is the corners' bounds grown by about a pixel, cut to the viewport.
        const int left = std::max(30, static_cast<int>(std::floor(minX)) - 1);
        const int bottom = std::max(20, static_cast<int>(std::floor(minY)) - 1);
        const int right = std::min(1950, static_cast<int>(std::ceil(maxX)) + 1);
        const int top = std::min(1100, static_cast<int>(std::ceil(maxY)) + 1);
        if (right <= left || top <= bottom) {
            EXPECT_EQ(rect.width * rect.height, 0);
            continue;
        }
        EXPECT_EQ(rect.x, left);
        EXPECT_EQ(rect.y, bottom);
        EXPECT_EQ(rect.width, right - left);
        EXPECT_EQ(rect.height, top - bottom);
        tested += rect.width > 0 && rect.height > 0;
    }
    EXPECT_GT(tested, 1000);  // most boxes are on screen
}

TEST(ScreenCover, BoxesCutByTheNearPlaneKeepTheirVisiblePart) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> eye(-1.0, 1.0), offset(-0.4, 0.4), size(0.05, 0.5),
        unit(0.0, 1.0);
    int partly = 0;
    for (int i = 0; i < 500; ++i) {
        const double ex = eye(rng), ey = eye(rng), ez = eye(rng) + 2.0;
        const View v = lookingAtOrigin(ex, ey, ez, 0, 0, 640, 480);
        const ClipTransform t = makeClipTransform(v.projection, v.modelview, v.viewport);
        // Boxes near the eye, so that many reach behind it or behind the near plane.
        const Box box = cubeAround(ex + offset(rng), ey + offset(rng), ez + offset(rng), size(rng));
        PixelRect rect;
        ASSERT_TRUE(boxWindowRect(t, box, rect));
        int inView = 0;
        for (int k = 0; k < 400; ++k) {
            const double p[3] = {box.lo[0] + (box.hi[0] - box.lo[0]) * unit(rng),
                                 box.lo[1] + (box.hi[1] - box.lo[1]) * unit(rng),
                                 box.lo[2] + (box.hi[2] - box.lo[2]) * unit(rng)};
            const double* m = v.modelview;
            const double eyeZ = m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14];
            if (eyeZ > -0.1) {
                continue;  // GL clips it away at the near plane
            }
            double wx, wy, wz;
            ASSERT_TRUE(
                gluProject(p[0], p[1], p[2], v.modelview, v.projection, v.viewport, &wx, &wy, &wz));
            if (wx < 0 || wx > 640 || wy < 0 || wy > 480) {
                continue;  // outside the viewport, where the rectangle is cut off
            }
            ++inView;
            EXPECT_TRUE(inside(rect, wx, wy)) << wx << ", " << wy;
        }
        if (inView == 0) {
            continue;
        }
        partly += inView < 400;
    }
    EXPECT_GT(partly, 50);  // many boxes were cut by the near plane or the viewport

    // Wholly behind the eye: nothing drawn, an empty rectangle.
    const View v = lookingAtOrigin(0.0, 0.0, 1.0, 0, 0, 800, 800);
    const ClipTransform t = makeClipTransform(v.projection, v.modelview, v.viewport);
    PixelRect rect;
    ASSERT_TRUE(boxWindowRect(t, cubeAround(0.0, 0.0, 2.0, 0.1), rect));
    EXPECT_EQ(rect.width * rect.height, 0);
    // Around the eye, reaching past it on every side: the whole viewport.
    ASSERT_TRUE(boxWindowRect(t, cubeAround(0.0, 0.0, 1.0, 0.3), rect));
    EXPECT_EQ(rect.x, 0);
    EXPECT_EQ(rect.y, 0);
    EXPECT_EQ(rect.width, 800);
    EXPECT_EQ(rect.height, 800);
}

TEST(ScreenCover, CellCoverIsDisjointAndHoldsEveryRect) {
    std::mt19937 rng(11);
    const int viewports[][4] = {{0, 0, 97, 61}, {5, 3, 40, 200}, {0, 0, 16, 16}, {2, 2, 7, 5}};
    for (const auto& vp : viewports) {
        std::uniform_int_distribution<int> px(vp[0] - 10, vp[0] + vp[2] + 10);
        std::uniform_int_distribution<int> py(vp[1] - 10, vp[1] + vp[3] + 10);
        std::uniform_int_distribution<int> extent(0, 30), many(0, 12);
        for (int round = 0; round < 300; ++round) {
            std::vector<PixelRect> rects(many(rng));
            for (PixelRect& r : rects) {
                r = {px(rng), py(rng), extent(rng), extent(rng)};
            }
            PixelRect cover[maxCoverRects];
            const int n = coverRects(rects.data(), static_cast<int>(rects.size()), vp, cover);
            ASSERT_GE(n, 0);
            ASSERT_LE(n, maxCoverRects);
            // Count how often each viewport pixel is covered; outside the viewport, never.
            std::vector<int> hits(vp[2] * vp[3], 0);
            for (int i = 0; i < n; ++i) {
                const PixelRect& c = cover[i];
                ASSERT_GT(c.width, 0);
                ASSERT_GT(c.height, 0);
                ASSERT_GE(c.x, vp[0]);
                ASSERT_GE(c.y, vp[1]);
                ASSERT_LE(c.x + c.width, vp[0] + vp[2]);
                ASSERT_LE(c.y + c.height, vp[1] + vp[3]);
                for (int y = c.y; y < c.y + c.height; ++y) {
                    for (int x = c.x; x < c.x + c.width; ++x) {
                        ++hits[(y - vp[1]) * vp[2] + (x - vp[0])];
                    }
                }
            }
            for (int y = 0; y < vp[3]; ++y) {
                for (int x = 0; x < vp[2]; ++x) {
                    const int h = hits[y * vp[2] + x];
                    ASSERT_LE(h, 1) << "pixel covered twice";
                    bool wanted = false;
                    for (const PixelRect& r : rects) {
                        wanted = wanted || (r.width > 0 && r.height > 0 &&
                                            inside(PixelRect{r.x, r.y, r.width - 1, r.height - 1},
                                                   x + vp[0], y + vp[1]));
                    }
                    if (wanted) {
                        ASSERT_EQ(h, 1) << "pixel of a rect left out";
                    }
                }
            }
        }
    }
}

TEST(ScreenCover, CellCoverOfNothingAndOfEverything) {
    const int vp[4] = {0, 0, 1920, 1080};
    PixelRect cover[maxCoverRects];
    EXPECT_EQ(coverRects(nullptr, 0, vp, cover), 0);
    const PixelRect empty = {100, 100, 0, 50};
    EXPECT_EQ(coverRects(&empty, 1, vp, cover), 0);
    const PixelRect all = {-5, -5, 4000, 4000};
    ASSERT_EQ(coverRects(&all, 1, vp, cover), 1);
    EXPECT_EQ(cover[0].x, 0);
    EXPECT_EQ(cover[0].y, 0);
    EXPECT_EQ(cover[0].width, 1920);
    EXPECT_EQ(cover[0].height, 1080);
    const PixelRect huge = {1850, -2147483000, 2147483647, 2147483647};
    ASSERT_EQ(coverRects(&huge, 1, vp, cover), 1);  // no overflow: it reaches down into the view
    EXPECT_EQ(cover[0].x, 1800);
    const int none[4] = {0, 0, 0, 0};
    EXPECT_EQ(coverRects(&all, 1, none, cover), 0);
    // A checkerboard of single cells is the most rectangles a cover can need.
    std::vector<PixelRect> cells;
    for (int r = 0; r < coverGridCells; ++r) {
        for (int c = (r % 2); c < coverGridCells; c += 2) {
            cells.push_back({c * 120 + 1, r * 1080 / coverGridCells + 1, 1, 1});
        }
    }
    EXPECT_EQ(coverRects(cells.data(), static_cast<int>(cells.size()), vp, cover), maxCoverRects);
}
