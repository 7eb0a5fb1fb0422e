// Test inputs built in memory: little-endian bytes, bitmap files in the layouts the reader's
// tests vary, and WAVE files of a quiet tone. Tests, benches and the fuzzer's seed writer share
// them; the byte writers are the asset generators' own (assets/asset_io.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "assets/asset_io.h"

using Bytes = std::vector<uint8_t>;

// Overwrite the value at byte offset `at`, which must lie inside bytes, little-endian.
void putU16(Bytes& bytes, size_t at, uint16_t value);
void putU32(Bytes& bytes, size_t at, uint32_t value);
// The little-endian value at byte offset `at`, which must lie inside bytes.
uint16_t u16At(const Bytes& bytes, size_t at);
uint32_t u32At(const Bytes& bytes, size_t at);

// The fields of a bitmap file that the tests vary; everything else is zero, the file size field
// included.
struct BmpLayout {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t depth = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 108;  // 40 writes a BITMAPINFOHEADER
    uint32_t masks[4] = {};     // with a 40-byte header, the first three follow the header
    uint32_t coloursUsed = 0;
    Bytes palette;  // raw entries, 4 bytes each
    Bytes pixels;   // raw pixel data, rows padded by the caller
};

// The file header, the info header (with its masks), the palette, then the pixel data; the
// data offset points at the pixels.
Bytes makeBmp(const BmpLayout& fileLayout);

// A 16-bit PCM WAVE file of a quiet square tone: +800 for 12 frames, -800 for 13, the same on
// every channel.
Bytes makeToneWave(uint32_t rate, uint16_t channels, uint32_t frames);
