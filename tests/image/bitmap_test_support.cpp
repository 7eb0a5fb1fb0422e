#include "tests/image/bitmap_test_support.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

void openPipe(PipeFeed& feed, const Bytes& bytes) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    feed.writer = std::thread([&bytes, in = ends[1]] {
        // When the reader stops early the write fails instead of raising SIGPIPE.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        for (size_t at = 0; at < bytes.size();) {
            const ssize_t wrote = write(in, bytes.data() + at, bytes.size() - at);
            if (wrote <= 0) {
                break;
            }
            at += static_cast<size_t>(wrote);
        }
        close(in);
    });
    feed.stream = fdopen(ends[0], "rb");
    ASSERT_NE(feed.stream, nullptr);
}

void closePipe(PipeFeed& feed) {
    if (feed.stream != nullptr) {
        std::fclose(feed.stream);
        feed.stream = nullptr;
    }
    if (feed.writer.joinable()) {
        feed.writer.join();
    }
}

PipeFeed::~PipeFeed() {
    closePipe(*this);
}

bool loadThroughPipe(BitmapImage& image, const Bytes& file) {
    PipeFeed feed;
    openPipe(feed, file);
    const bool loaded = feed.stream != nullptr && loadBitmapFromStream(image, feed.stream);
    closePipe(feed);
    return loaded;
}

namespace {

void keepSeed(const Bytes& file) {
    uint64_t hash = 1469598103934665603ull;
    for (uint8_t b : file) {
        hash = (hash ^ b) * 1099511628211ull;
    }
    std::filesystem::create_directories(PP_BITMAP_CORPUS_DIR);
    const std::string path = PP_BITMAP_CORPUS_DIR "/" + std::to_string(hash) + ".bmp";
    writeWholeFile(path, file);
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
