#include "offline/y4m_stream.h"

#include <gtest/gtest.h>

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
