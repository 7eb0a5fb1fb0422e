// Where the page puts the show's picture: the largest box of the show's aspect in any window,
// with device pixels capped in ratio and in number, and the refit into a buffer the browser cut.
#include "web/show_box.h"

#include <gtest/gtest.h>

#include "app/keys.h"

namespace {

double aspect(int width, int height) {
    return static_cast<double>(width) / height;
}

TEST(ShowBox, AWideWindowGetsTheFullHeightAndAPillarOfBlackEachSide) {
    const ShowBox box = fitShowBox(960, 540, 1.0);
    EXPECT_DOUBLE_EQ(box.cssWidth, 756.0);
    EXPECT_DOUBLE_EQ(box.cssHeight, 540.0);
    EXPECT_EQ(box.bufferWidth, 756);  // the size pp-render --size 756x540 draws
    EXPECT_EQ(box.bufferHeight, 540);
}

TEST(ShowBox, APhoneInPortraitGetsTheFullWidthAtTwoDevicePixelsPerCssPixel) {
    const ShowBox box = fitShowBox(390, 844, 3.0);
    EXPECT_DOUBLE_EQ(box.cssWidth, 390.0);
    EXPECT_NEAR(box.cssHeight, 390.0 / perspectiveAspect, 1e-9);
    EXPECT_EQ(box.bufferWidth, 780);
    EXPECT_EQ(box.bufferHeight, 557);
    EXPECT_NEAR(aspect(box.bufferWidth, box.bufferHeight), perspectiveAspect, 0.005);
}

TEST(ShowBox, AHugeScreenStaysWithinTheLargestBufferAtTheShowsAspect) {
    const ShowBox box = fitShowBox(3840, 2160, 3.0);
    EXPECT_DOUBLE_EQ(box.cssWidth, 3024.0);
    EXPECT_DOUBLE_EQ(box.cssHeight, 2160.0);
    EXPECT_LE(static_cast<int64_t>(box.bufferWidth) * box.bufferHeight, maxShowBufferPixels);
    EXPECT_GT(static_cast<int64_t>(box.bufferWidth) * box.bufferHeight,
              maxShowBufferPixels * 99 / 100);
    EXPECT_NEAR(aspect(box.bufferWidth, box.bufferHeight), perspectiveAspect, 0.001);
}

TEST(ShowBox, RatiosBelowOneAndMissingOnesAndEmptyWindows) {
    const ShowBox zoomedOut = fitShowBox(1400, 1000, 0.5);
    EXPECT_EQ(zoomedOut.bufferWidth, 700);
    EXPECT_EQ(zoomedOut.bufferHeight, 500);
    const ShowBox noRatio = fitShowBox(1400, 1000, 0.0);
    EXPECT_EQ(noRatio.bufferWidth, 1400);
    const ShowBox empty = fitShowBox(0, 600, 2.0);
    EXPECT_EQ(empty.bufferWidth, 0);
    EXPECT_EQ(empty.bufferHeight, 0);
    const ShowBox sliver = fitShowBox(1, 1, 1.0);  // never a zero-sized buffer for a real window
    EXPECT_EQ(sliver.bufferWidth, 1);
    EXPECT_EQ(sliver.bufferHeight, 1);
}

TEST(ShowBuffer, ACutBufferIsRefitToTheShowsAspectWithinIt) {
    int width = 0;
    int height = 0;
    fitShowBuffer(6476, 5122, &width, &height);  // what a browser gave for 11520x6480
    EXPECT_EQ(width, 6476);
    EXPECT_LE(height, 5122);
    EXPECT_NEAR(aspect(width, height), perspectiveAspect, 0.001);
    fitShowBuffer(1400, 600, &width, &height);  // cut in height only
    EXPECT_EQ(height, 600);
    EXPECT_EQ(width, 840);
    fitShowBuffer(0, 600, &width, &height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
}

}  // namespace
