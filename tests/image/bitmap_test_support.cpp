#include "tests/image/bitmap_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

// Seeds are kept where the build names a corpus folder: the Linux build, which runs the fuzzer.
void keepSeed([[maybe_unused]] const Bytes& file) {
#ifdef PP_BITMAP_CORPUS_DIR
    uint64_t hash = 1469598103934665603ull;
    for (uint8_t b : file) {
        hash = (hash ^ b) * 1099511628211ull;
    }
    std::filesystem::create_directories(PP_BITMAP_CORPUS_DIR);
    const std::string path = PP_BITMAP_CORPUS_DIR "/" + std::to_string(hash) + ".bmp";
    writeWholeFile(path, file);
#endif
}

void expectSameRecord(const BitmapImage& image, bool ok, const BitmapImage& other) {
    EXPECT_EQ(0, std::memcmp(image.fileHeader, other.fileHeader, sizeof image.fileHeader));
    EXPECT_EQ(0, std::memcmp(image.infoHeader, other.infoHeader, sizeof image.infoHeader));
    ASSERT_EQ(image.pixelCount, other.pixelCount);
    ASSERT_EQ(image.paletteCount, other.paletteCount);
    if (ok) {
        EXPECT_EQ(0, std::memcmp(image.pixels, other.pixels, 4 * size_t(image.pixelCount)));
        EXPECT_EQ(0, std::memcmp(image.palette, other.palette, 4 * size_t(image.paletteCount)));
    }
}

void expectSameAsStream(const Bytes& file, const BitmapImage& image, bool ok) {
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    if (!file.empty()) {
        std::fwrite(file.data(), 1, file.size(), stream);
    }
    std::rewind(stream);
    BitmapImage other = {};
    EXPECT_EQ(ok, loadBitmapFromStream(other, stream));
    std::fclose(stream);
    {
        SCOPED_TRACE("read from a file");
        expectSameRecord(image, ok, other);
    }
    EXPECT_EQ(ok, loadThroughPipe(other, file));
    {
        SCOPED_TRACE("read from a pipe");
        expectSameRecord(image, ok, other);
    }
    releaseBitmap(other);
}

}  // namespace

Loaded::Loaded(const Bytes& file, bool keepAsSeed) {
    ok = loadBitmapFromMemory(image, file.data(), file.size());
    if (keepAsSeed) {
        keepSeed(file);
    }
    expectSameAsStream(file, image, ok);
    // Loaded records hold both arrays; refused ones hold none.
    EXPECT_EQ(ok, image.pixels != nullptr);
    EXPECT_EQ(ok, image.palette != nullptr);
}

Loaded::~Loaded() {
    releaseBitmap(image);
}

Rgba Loaded::pixel(int index) const {
    Rgba rgba = {};
    EXPECT_LT(index, image.pixelCount);
    if (index < image.pixelCount) {
        std::memcpy(rgba.data(), image.pixels + 4 * index, 4);
    }
    return rgba;
}

bool Loaded::allZeroFrom(int index) const {
    const uint8_t* begin = image.pixels + 4 * index;
    const uint8_t* end = image.pixels + 4 * image.pixelCount;
    return std::all_of(begin, end, [](uint8_t b) { return b == 0; });
}
