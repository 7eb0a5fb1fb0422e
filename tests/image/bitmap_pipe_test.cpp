// Reading a bitmap from a stream that cannot seek, such as a texture piped into the renderer:
// moves forward read through the bytes in between, short moves back are served from what was
// read (every record test's file is also read through a pipe), and a move back beyond that
// leaves no wrong bytes in the picture.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "image/bitmap_source.h"
#include "tests/image/bitmap_test_support.h"
#include "tests/image/pipe_feed.h"

namespace {

// Bytes whose value tells their offset apart from any nearby one.
Bytes pattern(size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 8) * 13 + (i >> 16));
    }
    return bytes;
}

// A 24-bit picture whose pixel data begins gap bytes after the headers.
Bytes withGap(int32_t width, int32_t height, size_t gap) {
    BmpLayout fileLayout;
    fileLayout.headerSize = 40;
    fileLayout.width = width;
    fileLayout.height = height;
    const size_t rowSize = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    fileLayout.pixels = pattern(rowSize * static_cast<size_t>(height));
    Bytes file = makeBmp(fileLayout);
    file.insert(file.begin() + 54, gap, 0xEE);
    putU32(file, 10, static_cast<uint32_t>(54 + gap));
    return file;
}

}  // namespace

TEST(BitmapPipe, PixelsPastAGapAreTheFilesPixels) {
    // Gaps within the replay, past it, and past what a pipe holds at once; a picture larger
    // than both.
    const struct {
        int32_t width, height;
        size_t gap;
    } layouts[] = {{2, 2, 300}, {2, 2, 5000}, {3, 2, 100000}, {300, 200, 70}};
    for (const auto& layout : layouts) {
        SCOPED_TRACE(testing::Message()
                     << layout.width << " x " << layout.height << ", gap " << layout.gap);
        const Bytes file = withGap(layout.width, layout.height, layout.gap);
        const Loaded loaded(file, false);  // also compares the file and the pipe
        ASSERT_TRUE(loaded.ok);
        // The first pixel is the first three bytes after the gap, blue first.
        const uint8_t* first = file.data() + 54 + layout.gap;
        EXPECT_EQ(loaded.pixel(0), (Rgba{first[2], first[1], first[0], 255}));
    }
}

TEST(BitmapPipe, AnOffsetBeyondReplayLeavesNoWrongBytes) {
    // The palette lies 100000 bytes on, behind a huge info header, and the pixels come before
    // it: a file goes back for them, a pipe cannot.
    BmpLayout fileLayout;
    fileLayout.depth = 8;
    fileLayout.width = 4;
    fileLayout.height = 1;
    fileLayout.pixels = {1, 2, 3, 4};
    Bytes file = makeBmp(fileLayout);
    putU32(file, 14, 100000);
    file.resize(14 + 100000 + 1024, 0x77);
    BitmapImage fromFile = {};
    ASSERT_TRUE(loadBitmapFromMemory(fromFile, file.data(), file.size()));
    EXPECT_EQ(fromFile.palette[0], 0x77);
    EXPECT_NE(fromFile.pixels[0], 0);

    BitmapImage piped = {};
    errno = 0;
    EXPECT_FALSE(loadThroughPipe(piped, file));
    EXPECT_EQ(errno, ESPIPE);
    EXPECT_EQ(piped.pixels, nullptr);
    releaseBitmap(piped);
    releaseBitmap(fromFile);
}

TEST(BitmapPipe, SourceGoesBackExactlyAsFarAsReplayHolds) {
    const Bytes bytes = pattern(3 * kSourceReplayBytes);
    PipeFeed feed;
    openPipe(feed, bytes);
    ByteSource source = streamSource(feed.stream);
    EXPECT_TRUE(source.piped);

    // Forward over a gap, then byte by byte and in blocks that wrap around the replay.
    sourceSeek(source, 10);
    EXPECT_EQ(sourceByte(source), bytes[10]);
    const size_t furthest = 2 * kSourceReplayBytes + 100;
    sourceSeek(source, 100);
    Bytes block(furthest - 100);
    ASSERT_EQ(sourceRead(source, block.data(), block.size()), block.size());
    EXPECT_TRUE(std::equal(block.begin(), block.end(), bytes.begin() + 100));

    // Back to the oldest byte held, reading on into fresh bytes.
    sourceSeek(source, furthest - kSourceReplayBytes);
    Bytes again(kSourceReplayBytes + 50);
    ASSERT_EQ(sourceRead(source, again.data(), again.size()), again.size());
    EXPECT_TRUE(
        std::equal(again.begin(), again.end(), bytes.begin() + (furthest - kSourceReplayBytes)));
    EXPECT_FALSE(source.failed);

    // One byte further back is gone: nothing is read, and the failure stays.
    const size_t read = furthest + 50;
    errno = 0;
    sourceSeek(source, read - kSourceReplayBytes - 1);
    EXPECT_TRUE(source.failed);
    EXPECT_EQ(errno, ESPIPE);
    EXPECT_EQ(sourceByte(source), -1);
    sourceSeek(source, read);
    EXPECT_EQ(sourceByte(source), bytes[read]);
    EXPECT_TRUE(source.failed);

    // Past the end: nothing, and no wait.
    sourceSeek(source, bytes.size() + 10);
    EXPECT_EQ(sourceByte(source), -1);
    closePipe(feed);
}
