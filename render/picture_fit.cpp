#include "render/picture_fit.h"

#include <algorithm>
#include <cmath>

PictureViewport fitPicture(int width, int height, double aspect, PictureFit fit) {
    PictureViewport v{0, 0, width, height};
    if (fit == PictureFit::stretch) {
        return v;
    }
    // The frame is wider than the picture when its width over height is larger: a box then
    // keeps the frame's height, a cover its width.
    const bool wider = static_cast<double>(width) > aspect * height;
    if (wider == (fit == PictureFit::box)) {
        v.width = std::max(1, static_cast<int>(std::lround(height * aspect)));
    } else {
        v.height = std::max(1, static_cast<int>(std::lround(width / aspect)));
    }
    // Centred: half the difference, which is negative for a cover's overhang.
    v.x = static_cast<int>(std::floor((width - v.width) / 2.0));
    v.y = static_cast<int>(std::floor((height - v.height) / 2.0));
    return v;
}
