// The default cube texture: its bitmap layout, its trip through the program's own reader,
// and the qualities that make it work on a lit, repeating cube face.
#include "assets/skin_texture.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "image/bitmap.h"
#include "tests/assets/scratch_dir.h"
#include "tests/support/test_data.h"

namespace {

double luminance(const uint8_t* rgb) {
    return 0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2];
}

TEST(SkinBitmap, HeadersDescribeAnUncompressed24BitBottomUpSquare) {
    const std::vector<uint8_t> file = encodeBitmap24(makeSkinImage());
    const uint32_t pixelBytes = 256 * 256 * 3;
    ASSERT_EQ(file.size(), 54u + pixelBytes);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(u32At(file, 2), file.size());
    EXPECT_EQ(u32At(file, 10), 54u);  // pixels right after the two headers
    EXPECT_EQ(u32At(file, 14), 40u);  // BITMAPINFOHEADER
    EXPECT_EQ(static_cast<int32_t>(u32At(file, 18)), 256);
    EXPECT_EQ(static_cast<int32_t>(u32At(file, 22)), 256);  // positive: bottom-up
    EXPECT_EQ(u16At(file, 26), 1);
    EXPECT_EQ(u16At(file, 28), 24);
    EXPECT_EQ(u32At(file, 30), 0u);  // BI_RGB
    EXPECT_EQ(u32At(file, 34), pixelBytes);
}

TEST(SkinBitmap, StoresRowsBottomUpInBlueGreenRedOrderPaddedToFourBytes) {
    // 3 x 2: each row of 9 bytes is padded to 12.
    RgbImage image;
    image.width = 3;
    image.height = 2;
    image.rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    const std::vector<uint8_t> file = encodeBitmap24(image);
    ASSERT_EQ(file.size(), 54u + 24u);
    EXPECT_EQ(u32At(file, 2), 78u);
    EXPECT_EQ(u32At(file, 34), 24u);
    const std::vector<uint8_t> pixels(file.begin() + 54, file.end());
    const std::vector<uint8_t> expected = {13, 12, 11, 16, 15, 14, 19, 18, 17, 0, 0, 0,
                                           3,  2,  1,  6,  5,  4,  9,  8,  7,  0, 0, 0};
    EXPECT_EQ(pixels, expected);
}

TEST(SkinBitmap, ReadsBackThroughTheProgramsReaderPixelForPixel) {
    const RgbImage image = makeSkinImage();
    ScratchDir dir;
    ASSERT_TRUE(writeWholeFile((dir.path / "skin.bmp").string(), encodeBitmap24(image)));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    BitmapImage loaded{};
    const bool ok = loadBitmap(loaded);
    std::filesystem::current_path(previous);

    ASSERT_TRUE(ok);
    ASSERT_NE(loaded.pixels, nullptr);
    ASSERT_EQ(bitmapWidthAbs(loaded), 256);
    ASSERT_EQ(bitmapHeightAbs(loaded), 256);
    ASSERT_EQ(loaded.pixelCount, 256 * 256);
    int mismatches = 0;
    for (int fileRow = 0; fileRow < 256; ++fileRow) {
        const int pictureRow = 255 - fileRow;  // the file starts with the bottom row
        for (int col = 0; col < 256; ++col) {
            const uint8_t* want = &image.rgb[(pictureRow * 256 + col) * 3];
            const uint8_t* got = &loaded.pixels[(fileRow * 256 + col) * 4];
            if (got[0] != want[0] || got[1] != want[1] || got[2] != want[2] || got[3] != 255) {
                ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    releaseBitmap(loaded);
}

TEST(SkinDesign, BrightWithStrongShapesAndSeamlessEdges) {
    const RgbImage image = makeSkinImage();
    ASSERT_EQ(image.width, kSkinSize);
    ASSERT_EQ(image.height, kSkinSize);
    ASSERT_EQ(image.rgb.size(), static_cast<size_t>(kSkinSize * kSkinSize * 3));

    // The texture darkens the lit white cube, so most of it must stay light, yet it needs
    // dark shapes to read from afar.
    double sum = 0;
    int dark = 0;
    int light = 0;
    const int count = kSkinSize * kSkinSize;
    for (int i = 0; i < count; ++i) {
        const double y = luminance(&image.rgb[i * 3]);
        sum += y;
        dark += y < 100;
        light += y > 180;
    }
    EXPECT_GT(sum / count, 150.0);
    EXPECT_GT(dark, count / 10);
    EXPECT_GT(light, count / 2);

    // Linear filtering blends each border texel with the opposite border, so all four
    // borders must carry one colour or the cube's edges show a seam.
    const uint8_t* corner = &image.rgb[0];
    int seams = 0;
    for (int i = 0; i < kSkinSize; ++i) {
        const int last = kSkinSize - 1;
        for (int at : {i, last * kSkinSize + i, i * kSkinSize, i * kSkinSize + last}) {
            const uint8_t* p = &image.rgb[at * 3];
            seams += p[0] != corner[0] || p[1] != corner[1] || p[2] != corner[2];
        }
    }
    EXPECT_EQ(seams, 0);
}

}  // namespace
