#include "offline/y4m_stream.h"

#include <cmath>

namespace {

uint8_t clampToByte(double v) {
    const double rounded = std::floor(v + 0.5);
    return static_cast<uint8_t>(rounded < 0.0 ? 0.0 : (rounded > 255.0 ? 255.0 : rounded));
}

// BT.601 luma weights, scaled to video range.
double lumaOf(double r, double g, double b) {
    return 16.0 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0;
}
double blueDifferenceOf(double r, double g, double b) {
    return 128.0 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0;
}
double redDifferenceOf(double r, double g, double b) {
    return 128.0 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0;
}

}  // namespace

std::string y4mHeader(int width, int height, int fps) {
    return "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " F" +
           std::to_string(fps) + ":1 Ip A1:1 C420jpeg\n";
}

void appendY4mFrame(const uint8_t* rgb, int width, int height, std::vector<uint8_t>& out) {
    static const char frameLine[] = "FRAME\n";
    out.insert(out.end(), frameLine, frameLine + sizeof frameLine - 1);
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    const std::size_t cw = (w + 1) / 2;
    const std::size_t ch = (h + 1) / 2;
    const std::size_t lumaAt = out.size();
    out.resize(lumaAt + w * h + 2 * cw * ch);
    uint8_t* luma = out.data() + lumaAt;
    uint8_t* cb = luma + w * h;
    uint8_t* cr = cb + cw * ch;
    for (std::size_t i = 0; i < w * h; ++i) {
        const uint8_t* p = rgb + 3 * i;
        luma[i] = clampToByte(lumaOf(p[0], p[1], p[2]));
    }
    for (std::size_t cy = 0; cy < ch; ++cy) {
        for (std::size_t cx = 0; cx < cw; ++cx) {
            double r = 0.0;
            double g = 0.0;
            double b = 0.0;
            int n = 0;
            for (std::size_t y = 2 * cy; y < 2 * cy + 2 && y < h; ++y) {
                for (std::size_t x = 2 * cx; x < 2 * cx + 2 && x < w; ++x) {
                    const uint8_t* p = rgb + 3 * (y * w + x);
                    r += p[0];
                    g += p[1];
                    b += p[2];
                    n += 1;
                }
            }
            r /= n;
            g /= n;
            b /= n;
            cb[cy * cw + cx] = clampToByte(blueDifferenceOf(r, g, b));
            cr[cy * cw + cx] = clampToByte(redDifferenceOf(r, g, b));
        }
    }
}
