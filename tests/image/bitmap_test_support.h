// Builds bitmap files in memory for the reader's tests and decodes them.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "image/bitmap.h"

using Bytes = std::vector<uint8_t>;
using Rgba = std::array<uint8_t, 4>;

// The fields of a bitmap file that the tests vary; everything else is zero.
struct BmpLayout {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t depth = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 108;  // 40 writes a BITMAPINFOHEADER
    uint32_t masks[4] = {};     // with a 40-byte header, the first three follow the header
    uint32_t coloursUsed = 0;
    Bytes palette;  // raw entries, 4 bytes each
    Bytes pixels;   // raw pixel data, rows padded by the test
};

Bytes makeBmp(const BmpLayout& fileLayout);
void putU32(Bytes& bytes, size_t at, uint32_t value);
// A pipe that another thread fills with bytes (which must outlive it): a stream that cannot
// seek. The reader may stop early; closePipe ends both sides.
struct PipeFeed {
    ~PipeFeed();  // closes the pipe if the test has not
    std::FILE* stream = nullptr;
    std::thread writer;
};
void openPipe(PipeFeed& feed, const Bytes& bytes);
void closePipe(PipeFeed& feed);
// Loads the bytes from such a pipe.
bool loadThroughPipe(BitmapImage& image, const Bytes& file);

// A record loaded from bytes in memory and released at the end of the scope. The same bytes
// read through a stream, and through a pipe, must give the identical record; complete files are
// kept as fuzzer seeds.
struct Loaded {
    explicit Loaded(const Bytes& file, bool keepAsSeed = true);
    ~Loaded();
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
    Rgba pixel(int index) const;
    bool allZeroFrom(int index) const;

    BitmapImage image = {};
    bool ok = false;
};
