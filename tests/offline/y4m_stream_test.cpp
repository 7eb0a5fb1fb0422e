#include "offline/y4m_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(Y4mStream, ConvertsToVideoRangeAndAveragesChromaOverEachBlock) {
    // 3x1: white, black, then pure red alone in the second chroma block.
    const uint8_t rgb[] = {255, 255, 255, 0, 0, 0, 255, 0, 0};
    std::vector<uint8_t> out;
    appendY4mFrame(rgb, 3, 1, out);
    const std::vector<uint8_t> expected = {'F', 'R', 'A', 'M', 'E', '\n', 235, 16, 81,  // Y
                                           128, 90,    // Cb: grey, red
                                           128, 240};  // Cr
    EXPECT_EQ(out, expected);
    EXPECT_EQ(y4mHeader(1280, 720, 50), "YUV4MPEG2 W1280 H720 F50:1 Ip A1:1 C420jpeg\n");
}

// Every colour, rounded half up from the BT.601 formula in double precision, as the stream has
// always been written: a frame of all 16.7 M colours, and its 2x2 blocks for the differences.
// Ties such as (22, 206, 0), whose exact luma is 125.5, keep the double formula's 125.
TEST(Y4mStream, EveryColourRoundsAsTheDoubleFormulaDoes) {
    const auto rounded = [](double v) { return static_cast<int>(std::floor(v + 0.5)); };
    constexpr int side = 4096;
    std::vector<uint8_t> rgb(static_cast<std::size_t>(side) * side * 3);
    for (std::size_t i = 0; i < rgb.size() / 3; ++i) {
        rgb[3 * i] = static_cast<uint8_t>(i >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(i >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(i);
    }
    std::vector<uint8_t> out;
    appendY4mFrame(rgb.data(), side, side, out);
    const uint8_t* luma = out.data() + 6;
    int wrong = 0;
    for (std::size_t i = 0; i < rgb.size() / 3; ++i) {
        const double r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
        wrong += luma[i] != rounded(16.0 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0);
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(luma[(22 << 16) | (206 << 8)], 125);
    const uint8_t* cb = luma + side * side;
    const uint8_t* cr = cb + side / 2 * (side / 2);
    for (int cy = 0; cy < side / 2; ++cy) {
        for (int cx = 0; cx < side / 2; ++cx) {
            double sum[3] = {0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                const uint8_t* p =
                    &rgb[3 * ((2 * cy + k / 2) * std::size_t{side} + 2 * cx + k % 2)];
                for (int c = 0; c < 3; ++c) {
                    sum[c] += p[c];
                }
            }
            const double r = sum[0] / 4, g = sum[1] / 4, b = sum[2] / 4;
            const std::size_t at = static_cast<std::size_t>(cy) * (side / 2) + cx;
            wrong += cb[at] != rounded(128.0 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0);
            wrong += cr[at] != rounded(128.0 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0);
        }
    }
    EXPECT_EQ(wrong, 0);
}
