// The reader's record: loading "skin.bmp", headers and palette, refusals, truncated files and
// the channel scaling of bit fields.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "tests/assets/scratch_dir.h"
#include "tests/image/bitmap_test_support.h"

namespace {

bool allZero(const uint8_t* bytes, size_t n) {
    return std::all_of(bytes, bytes + n, [](uint8_t b) { return b == 0; });
}

void expectEmpty(const BitmapImage& image) {
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.palette, nullptr);
    EXPECT_EQ(image.pixelCount, 0);
    EXPECT_EQ(image.paletteCount, 0);
    EXPECT_TRUE(allZero(image.infoHeader, sizeof image.infoHeader));
}

BmpLayout small(uint16_t depth = 24) {
    BmpLayout fileLayout;
    fileLayout.width = 2;
    fileLayout.height = 2;
    fileLayout.depth = depth;
    fileLayout.pixels = {10, 20, 30, 1, 2, 3, 0, 0, 4, 5, 6, 7, 8, 9, 0, 0};
    return fileLayout;
}

void writeSkin(const Bytes& contents) {
    ASSERT_TRUE(writeWholeFile("skin.bmp", contents));
}

TEST(BitmapRecord, LoadsSkinFromTheWorkingFolderAndReleasesOnReload) {
    const auto previous = std::filesystem::current_path();
    ScratchDir folder;
    std::filesystem::current_path(folder.path);

    BitmapImage image = {};
    EXPECT_FALSE(loadBitmap(image));  // no file
    expectEmpty(image);
    EXPECT_TRUE(allZero(image.fileHeader, sizeof image.fileHeader));

    writeSkin(makeBmp(small()));
    ASSERT_TRUE(loadBitmap(image));
    EXPECT_EQ(image.pixels[0], 30);
    // Loading over a loaded record frees its arrays first (the leak checker sees any left).
    BmpLayout eight = small(8);
    eight.palette = Bytes(1024, 7);
    writeSkin(makeBmp(eight));
    ASSERT_TRUE(loadBitmap(image));
    EXPECT_EQ(image.paletteCount, 256);

    Bytes wrongType = makeBmp(small());
    wrongType[1] = 'A';
    writeSkin(wrongType);
    EXPECT_FALSE(loadBitmap(image));
    expectEmpty(image);
    EXPECT_EQ(0, std::memcmp(image.fileHeader, wrongType.data(), 14));

    writeSkin(makeBmp(small()));
    ASSERT_TRUE(loadBitmap(image));
    releaseBitmap(image);
    expectEmpty(image);
    EXPECT_TRUE(allZero(image.fileHeader, sizeof image.fileHeader));

    std::filesystem::current_path(previous);
}

TEST(BitmapRecord, PaletteFollowsTheHeaderWhateverItsSizeOrColoursUsed) {
    BmpLayout fileLayout = small(8);
    fileLayout.coloursUsed = 16;
    fileLayout.palette = Bytes(64, 1);  // 16 entries; the pixel data fills the rest
    Loaded loaded(makeBmp(fileLayout));
    ASSERT_EQ(loaded.image.paletteCount, 256);
    EXPECT_EQ(loaded.image.palette[63], 1);
    EXPECT_EQ(loaded.image.palette[64], 10);

    fileLayout.headerSize = 40;  // the palette starts at offset 54
    fileLayout.palette = Bytes(1024, 0);
    fileLayout.palette[4] = 9;
    Loaded shortHeader(makeBmp(fileLayout));
    EXPECT_EQ(shortHeader.image.palette[4], 9);

    // A header size and a data offset far past the end: nothing to read, no failure.
    Bytes file = makeBmp(small());
    putU32(file, 14, 0xFFFFFFFF);
    putU32(file, 10, 0xFFFFFFFF);
    Loaded farAway(file);
    EXPECT_TRUE(farAway.ok);
    EXPECT_TRUE(farAway.allZeroFrom(0));
}

TEST(BitmapRecord, RefusesSidesBeyondA32BitByteCount) {
    const std::pair<int32_t, int32_t> refused[] = {
        {65536, 16384}, {-65536, 16384}, {1073741824, 1}, {1, -1073741824},
        {INT32_MAX, 3}, {INT32_MIN, 1},  {1, INT32_MIN},  {INT32_MIN, 0}};
    for (auto [width, height] : refused) {
        BmpLayout fileLayout = small();
        fileLayout.width = width;
        fileLayout.height = height;
        Loaded loaded(makeBmp(fileLayout));
        EXPECT_FALSE(loaded.ok) << width << " x " << height;
        expectEmpty(loaded.image);
    }
    // The largest magnitude is fine when there is nothing to hold.
    BmpLayout fileLayout = small();
    fileLayout.width = -INT32_MAX;
    fileLayout.height = 0;
    Loaded flat(makeBmp(fileLayout));
    EXPECT_TRUE(flat.ok);
    EXPECT_EQ(bitmapWidthAbs(flat.image), INT32_MAX);
}

// A file cut short anywhere past the type field still loads: pixels whose bytes all arrived
// decode as in the whole file, and every other pixel is zero.
TEST(BitmapRecord, TruncatedFilesDecodeWhatArrivedAndLeaveTheRestZero) {
    std::vector<BmpLayout> kinds;
    for (uint16_t depth : {1, 4, 8, 16, 24, 32}) {
        BmpLayout fileLayout;
        fileLayout.depth = depth;
        fileLayout.width = 3;
        fileLayout.height = 2;
        fileLayout.palette.resize(depth == 1 ? 8 : depth == 4 ? 64 : depth == 8 ? 1024 : 0);
        for (size_t i = 0; i < fileLayout.palette.size(); ++i) {
            fileLayout.palette[i] = static_cast<uint8_t>(i * 7 + 1);
        }
        for (int i = 0; i < 24; ++i) {
            fileLayout.pixels.push_back(static_cast<uint8_t>(i * 37 + 11));
        }
        kinds.push_back(fileLayout);
        if (depth == 16 || depth == 32) {
            fileLayout.compression = 3;
            std::copy_n(std::begin({0x7C00u, 0x03E0u, 0x001Fu, 0x8000u}), 4, fileLayout.masks);
            kinds.push_back(fileLayout);
        }
    }
    BmpLayout runLength = kinds[2];
    runLength.compression = 1;
    runLength.width = 8;  // no place is written twice
    runLength.pixels = {2, 5, 0, 3, 6, 7, 8, 0, 0, 0, 1, 9, 0, 1};
    kinds.push_back(runLength);

    for (const BmpLayout& fileLayout : kinds) {
        const Bytes whole = makeBmp(fileLayout);
        const Loaded full(whole);
        for (size_t length = 0; length < whole.size(); ++length) {
            SCOPED_TRACE(testing::Message() << "depth " << fileLayout.depth << ", compression "
                                            << fileLayout.compression << ", length " << length);
            const Loaded cut(Bytes(whole.begin(), whole.begin() + length), false);
            ASSERT_EQ(cut.ok, length >= 2);
            if (length >= whole.size() - fileLayout.pixels.size()) {  // headers and palette whole
                for (int i = 0; i < full.image.pixelCount; ++i) {
                    if (cut.pixel(i) != Rgba{}) {
                        ASSERT_EQ(cut.pixel(i), full.pixel(i)) << "pixel " << i;
                    }
                }
            }
        }
    }
}

TEST(BitmapMaskToByte, ScalesContiguousWideNarrowAndGappedMasks) {
    EXPECT_EQ(maskToByte(0x12345678, 0x00FF0000), 0x34);  // 8 bits
    EXPECT_EQ(maskToByte(0x200, 0x3FF), 0x80);            // 10 bits keep their top 8
    EXPECT_EQ(maskToByte(0xFFFFFFFF, 0xFFFFFFFF), 0xFF);
    EXPECT_EQ(maskToByte(0x1F, 0x1F), 248);               // 5 bits move to the top
    EXPECT_EQ(maskToByte(0x80000000, 0x80000000), 0x80);  // a single bit
    EXPECT_EQ(maskToByte(0xFFFF, 0x0F0F), 0xF0);          // gapped: spans bits 0 to 11
    EXPECT_EQ(maskToByte(0x0F00, 0xF00F), 0x00);          // bits in the gap are not taken
    EXPECT_EQ(maskToByte(0xFFFFFFFF, 0), 0);              // no mask, no channel
}

}  // namespace
