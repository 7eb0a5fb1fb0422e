#include "web/show_box.h"

#include <algorithm>
#include <cmath>

#include "app/keys.h"

ShowBox fitShowBox(double windowCssWidth, double windowCssHeight, double devicePixelRatio) {
    ShowBox box;
    const double width = std::max(windowCssWidth, 0.0);
    const double height = std::max(windowCssHeight, 0.0);
    if (!(width > 0.0) || !(height > 0.0)) {
        return box;
    }
    const double ratio =
        devicePixelRatio > 0.0 ? std::min(devicePixelRatio, maxShowPixelRatio) : 1.0;
    box.cssWidth = std::min(width, height * perspectiveAspect);
    box.cssHeight = box.cssWidth / perspectiveAspect;
    double bufferWidth = std::max(std::round(box.cssWidth * ratio), 1.0);
    double bufferHeight = std::max(std::round(box.cssHeight * ratio), 1.0);
    if (bufferWidth * bufferHeight > static_cast<double>(maxShowBufferPixels)) {
        const double scale =
            std::sqrt(static_cast<double>(maxShowBufferPixels) / (bufferWidth * bufferHeight));
        bufferWidth = std::max(std::floor(bufferWidth * scale), 1.0);
        bufferHeight = std::max(std::floor(bufferHeight * scale), 1.0);
    }
    box.bufferWidth = static_cast<int>(bufferWidth);
    box.bufferHeight = static_cast<int>(bufferHeight);
    return box;
}

void fitShowBuffer(int givenWidth, int givenHeight, int* width, int* height) {
    if (givenWidth <= 0 || givenHeight <= 0) {
        *width = 0;
        *height = 0;
        return;
    }
    const double w = std::min(static_cast<double>(givenWidth),
                              std::floor(givenHeight * perspectiveAspect + 1e-9));
    *width = std::max(static_cast<int>(w), 1);
    *height = std::clamp(static_cast<int>(std::round(w / perspectiveAspect)), 1, givenHeight);
}
