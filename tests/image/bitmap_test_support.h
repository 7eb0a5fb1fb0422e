// Decodes the bitmap files that the reader's tests build (tests/support/test_data.h).
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "image/bitmap.h"
#include "tests/support/test_data.h"

using Rgba = std::array<uint8_t, 4>;

// Loads the bytes from a pipe that another thread fills: a stream that cannot seek, which the
// reader may stop reading early (pipe_feed.cpp on Linux, pipe_feed_windows.cpp on Windows).
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
