// The default cube face ("skin.bmp"): a bevelled ivory tile in a navy frame, carrying a red
// ring around a navy and gold star, drawn by code and written as a 24-bit Windows bitmap.
#pragma once
#include <cstdint>
#include <vector>

#include "assets/asset_io.h"

constexpr int kSkinSize = 256;

// An RGB picture: three bytes per pixel (red, green, blue), rows from the top down.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// The face design, kSkinSize square; the same pixels on every run.
RgbImage makeSkinImage();

// A complete bitmap file: 14-byte file header, 40-byte info header, 24 bits per pixel,
// uncompressed, rows stored bottom-up in blue-green-red order and padded to 4 bytes.
ByteBuffer encodeBitmap24(const RgbImage& image);
