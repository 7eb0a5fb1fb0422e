// Pixel decoding: every depth uncompressed, bit fields and 8-bit run-length data.
#include <gtest/gtest.h>

#include <utility>

#include "tests/image/bitmap_test_support.h"

namespace {

using Expected = std::vector<std::pair<int, Rgba>>;

// Entry i is stored as blue 16i+1, green 16i+2, red 16i+3, fourth byte 255-i.
Bytes greyPalette(int entries) {
    Bytes palette;
    for (int i = 0; i < entries; ++i) {
        const uint8_t v = static_cast<uint8_t>(i * 16 + 1);
        palette.insert(palette.end(), {v, uint8_t(v + 1), uint8_t(v + 2), uint8_t(255 - i)});
    }
    return palette;
}

Rgba grey(int i) {
    const uint8_t v = static_cast<uint8_t>(i * 16 + 1);
    return {uint8_t(v + 2), uint8_t(v + 1), v, uint8_t(255 - i)};
}

void expectPixels(const BmpLayout& fileLayout, const Expected& expected) {
    Loaded loaded(makeBmp(fileLayout));
    ASSERT_TRUE(loaded.ok);
    for (const auto& [index, rgba] : expected) {
        EXPECT_EQ(loaded.pixel(index), rgba) << "pixel " << index;
    }
}

BmpLayout layout(uint16_t depth, int32_t width, int32_t height, Bytes pixels, int entries = 0) {
    BmpLayout fileLayout;
    fileLayout.depth = depth;
    fileLayout.width = width;
    fileLayout.height = height;
    fileLayout.pixels = std::move(pixels);
    fileLayout.palette = greyPalette(entries);
    return fileLayout;
}

// Rows padded with 0xEE, which must never show.
TEST(BitmapUncompressed, EveryDepthWithOddWidthsAndRowPadding) {
    expectPixels(layout(24, 3, 2, {10, 20, 30, 1, 2, 3, 4,   5,   6,   0xEE, 0xEE, 0xEE,  //
                                   7,  8,  9,  0, 0, 0, 255, 254, 253, 0xEE, 0xEE, 0xEE}),
                 {{0, {30, 20, 10, 255}},
                  {2, {6, 5, 4, 255}},
                  {3, {9, 8, 7, 255}},
                  {5, {253, 254, 255, 255}}});
    expectPixels(layout(32, 1, 2, {10, 20, 30, 40, 50, 60, 70, 0}),
                 {{0, {30, 20, 10, 40}}, {1, {70, 60, 50, 0}}});
    expectPixels(layout(16, 3, 1, {0xFF, 0x7F, 0x00, 0x80, 0x1F, 0x7C, 0xEE, 0xEE}),
                 {{0, {248, 248, 248, 255}}, {1, {0, 0, 0, 255}}, {2, {248, 0, 248, 255}}});
    BmpLayout eight = layout(8, 5, 1, {7, 0, 255, 3, 9, 0xEE, 0xEE, 0xEE}, 256);
    std::copy_n(Bytes{1, 2, 3, 4}.begin(), 4, eight.palette.begin() + 4 * 7);
    expectPixels(eight, {{0, {3, 2, 1, 4}}, {2, grey(255)}, {4, grey(9)}});
    // Depth 4, width 3: each row's second byte holds one pixel in its high nibble.
    expectPixels(layout(4, 3, 2, {0x12, 0x3F, 0xEE, 0xEE, 0x45, 0x6F, 0xEE, 0xEE}, 16),
                 {{0, grey(1)}, {1, grey(2)}, {2, grey(3)}, {3, grey(4)}, {5, grey(6)}});
    // Depth 1, width 10: 8 pixels from the first byte, 2 from the top of the second.
    expectPixels(layout(1, 10, 2, {0xB3, 0x7F, 0xEE, 0xEE, 0x00, 0x80, 0xEE, 0xEE}, 2),
                 {{0, grey(1)},
                  {1, grey(0)},
                  {7, grey(1)},
                  {8, grey(0)},
                  {9, grey(1)},
                  {17, grey(0)},
                  {18, grey(1)},
                  {19, grey(0)}});
    // Width 33 at depth 1 and width 9 at depth 4 both take 8 bytes a row.
    Bytes twoRows(16, 0xFF);
    twoRows[8] = 0;
    expectPixels(layout(1, 33, 2, twoRows, 2), {{32, grey(1)}, {33, grey(0)}});
    expectPixels(layout(4, 9, 2, twoRows, 16), {{8, grey(15)}, {9, grey(0)}});
}

TEST(BitmapUncompressed, RowsKeepFileOrderWhicheverWayTheyRun) {
    for (int32_t height : {3, -3}) {
        Loaded loaded(makeBmp(layout(32, -1, height, {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0})));
        EXPECT_EQ(bitmapWidthAbs(loaded.image), 1);
        EXPECT_EQ(loaded.pixel(0)[2], 1);
        EXPECT_EQ(loaded.pixel(2)[2], 3);
    }
}

TEST(BitmapUncompressed, RowsLongerThanOneReadArriveWhole) {
    BmpLayout fileLayout = layout(24, 100001, 2, {});  // 300003 bytes a row, padded to 300004
    for (size_t i = 0; i < 2 * 300004; ++i) {
        fileLayout.pixels.push_back(static_cast<uint8_t>(i % 251));
    }
    Loaded loaded(makeBmp(fileLayout), false);
    for (int column : {0, 87379, 87380, 87381, 100000}) {
        for (int row = 0; row < 2; ++row) {
            const uint8_t* at = &fileLayout.pixels[row * 300004 + 3 * column];
            EXPECT_EQ(loaded.pixel(row * 100001 + column), (Rgba{at[2], at[1], at[0], 255}));
        }
    }
}

TEST(BitmapUncompressed, NothingToDecodeStillLoadsWithZeroPixels) {
    Loaded empty(makeBmp(layout(24, 0, 4, Bytes(64, 0x55))));
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.image.pixelCount, 0);
    // Unsupported depths (one far too wide for any scratch row) and compressions.
    for (auto [depth, compression] : {std::pair<uint16_t, uint32_t>{2, 0},
                                      {65535, 0},
                                      {0, 3},
                                      {24, 3},
                                      {8, 2},
                                      {8, 4},
                                      {24, 0xFFFFFFFF}}) {
        BmpLayout fileLayout = layout(depth, 4, 2, Bytes(64, 0x55));
        fileLayout.compression = compression;
        Loaded loaded(makeBmp(fileLayout));
        EXPECT_TRUE(loaded.ok);
        EXPECT_TRUE(loaded.allZeroFrom(0)) << depth << " " << compression;
    }
}

TEST(BitmapBitFields, MasksSelectAndScaleEachChannel) {
    BmpLayout fileLayout = layout(16, 3, 1, {0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07, 0xEE, 0xEE});
    fileLayout.compression = 3;
    std::copy_n(std::begin({0xF800u, 0x07E0u, 0x001Fu}), 3, fileLayout.masks);  // no alpha mask
    expectPixels(fileLayout, {{0, {248, 252, 248, 0}}, {1, {248, 0, 0, 0}}, {2, {0, 252, 0, 0}}});

    fileLayout = layout(32, 1, 1, {1, 2, 3, 0x80});
    fileLayout.compression = 3;
    std::copy_n(std::begin({0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u}), 4, fileLayout.masks);
    expectPixels(fileLayout, {{0, {3, 2, 1, 128}}});

    // A 40-byte header takes in the three masks after it, and the first pixels as alpha mask.
    fileLayout = layout(16, 2, 1, {0x1F, 0x00, 0x00, 0x00});
    fileLayout.compression = 3;
    fileLayout.headerSize = 40;
    std::copy_n(std::begin({0x7C00u, 0x03E0u, 0x001Fu}), 3, fileLayout.masks);
    Loaded loaded(makeBmp(fileLayout));
    EXPECT_EQ(loaded.image.infoHeader[41], 0x7C);
    EXPECT_EQ(loaded.image.infoHeader[52], 0x1F);
    EXPECT_EQ(loaded.pixel(0), (Rgba{0, 0, 248, 248}));
    EXPECT_EQ(loaded.pixel(1), (Rgba{0, 0, 0, 0}));
}

BmpLayout rle(int32_t width, int32_t height, Bytes data, uint16_t depth = 8) {
    const int entries = depth == 1 ? 2 : depth == 4 ? 16 : depth == 8 ? 256 : 0;
    BmpLayout fileLayout = layout(depth, width, height, std::move(data), entries);
    fileLayout.compression = 1;
    return fileLayout;
}

TEST(BitmapRunLength, CommandsMoveAndStoreAsEncoded) {
    // Run of 3, end of line, delta (5, 1), absolute run of 3 (the data starts at 1146, so the
    // run ends at the odd offset 1159 and one byte is skipped), run of 2, end of bitmap, then a
    // run that must not be decoded. Places that nothing reaches stay zero.
    BmpLayout fileLayout =
        rle(10, 4, {3, 5, 0, 0, 0, 2, 5, 1, 0, 3, 7, 8, 9, 0xEE, 2, 4, 0, 1, 9, 6});
    expectPixels(fileLayout, {{2, grey(5)},
                              {3, {}},
                              {10, {}},
                              {25, grey(7)},
                              {27, grey(9)},
                              {28, grey(4)},
                              {29, grey(4)},
                              {30, {}},
                              {39, {}}});

    // Data starting at an odd offset ends the absolute run at an even one: no skip.
    fileLayout = rle(8, 1, {0xEE, 0, 3, 1, 2, 3, 1, 6, 0, 1});
    Bytes file = makeBmp(fileLayout);
    putU32(file, 10, static_cast<uint32_t>(file.size() - fileLayout.pixels.size() + 1));
    Loaded odd(file);
    EXPECT_EQ(odd.pixel(2), grey(3));
    EXPECT_EQ(odd.pixel(3), grey(6));

    // A far delta, and data that ends without the end-of-bitmap escape.
    expectPixels(rle(256, 140, {0, 2, 200, 130, 2, 9}),
                 {{130 * 256 + 199, {}}, {130 * 256 + 200, grey(9)}, {130 * 256 + 201, grey(9)}});
}

TEST(BitmapRunLength, NeverWritesOutsideThePixelArrayOrThePalette) {
    // Runs carry on into the next row and stop at the array's end; absolute runs and deltas
    // past the end store nothing (the sanitizer build catches any stray write).
    expectPixels(rle(3, 2, {4, 1, 255, 2, 0, 4, 1, 1, 1, 1, 0, 0, 0, 2, 255, 255, 255, 1}),
                 {{3, grey(1)}, {4, grey(2)}, {5, grey(2)}});
    // Indices past a two-entry palette, or with no palette at all, give zero.
    const Bytes data = {1, 1, 1, 7, 0, 3, 200, 1, 0, 0xEE, 0, 1};
    expectPixels(rle(4, 1, data, 1), {{0, grey(1)}, {1, {}}, {2, {}}, {3, grey(1)}});
    Loaded noPalette(makeBmp(rle(4, 1, data, 24)));
    EXPECT_TRUE(noPalette.allZeroFrom(0));
}

}  // namespace
