// The show's picture in frames of other shapes: stretched, boxed on black, or covering the frame.
#include "render/picture_fit.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    int width, height;
    PictureFit fit;
    PictureViewport want;
};

}  // namespace

TEST(PictureFit, KeepsTheShowsShapeCentredInAnyFrame) {
    const Case cases[] = {
        {1920, 1080, PictureFit::stretch, {0, 0, 1920, 1080}},
        {1920, 1080, PictureFit::box, {204, 0, 1512, 1080}},    // pillarbox on 16:9
        {1400, 1000, PictureFit::box, {0, 0, 1400, 1000}},      // the show's own shape
        {700, 1000, PictureFit::box, {0, 250, 700, 500}},       // letterbox on a tall frame
        {1200, 630, PictureFit::box, {159, 0, 882, 630}},       // a link preview's card
        {512, 512, PictureFit::cover, {-103, 0, 717, 512}},     // a square icon: sides cut
        {700, 1000, PictureFit::cover, {-350, 0, 1400, 1000}},  // a tall frame: sides cut
        {2000, 100, PictureFit::cover, {0, -665, 2000, 1429}},  // a wide one: top and bottom
        {1, 1, PictureFit::box, {0, 0, 1, 1}},                  // never an empty viewport
        {1, 1000, PictureFit::box, {0, 499, 1, 1}},
    };
    for (const Case& c : cases) {
        const PictureViewport v = fitPicture(c.width, c.height, 1.4, c.fit);
        EXPECT_EQ(v.x, c.want.x) << c.width << "x" << c.height;
        EXPECT_EQ(v.y, c.want.y) << c.width << "x" << c.height;
        EXPECT_EQ(v.width, c.want.width) << c.width << "x" << c.height;
        EXPECT_EQ(v.height, c.want.height) << c.width << "x" << c.height;
    }
}
