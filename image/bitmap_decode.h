// The bitmap reader's pixel decoders: one per compression, sharing one converter per depth.
#pragma once
#include "image/bitmap.h"
#include "image/bitmap_source.h"

// A little-endian 32-bit field of a header.
inline uint32_t readU32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The bits per pixel stored in an info header.
inline uint16_t infoHeaderDepth(const uint8_t* info) {
    return static_cast<uint16_t>(info[14] | info[15] << 8);
}

// Allocates an array of bytes (at least one, so never null) that std::free releases, cleared to
// zero when asked; an allocation failure is the standard std::bad_alloc.
uint8_t* allocateBitmapArray(uint64_t bytes, bool cleared);

// Allocates image.pixels (image.pixelCount RGBA pixels) and fills it from the pixel data at the
// source's current position, as the info header's width, height, depth, compression and masks
// describe, with the palette already in place. Pixels that the data does not reach, or that a
// layout which is not decoded leaves alone, are zero.
void decodeBitmapPixels(BitmapImage& image, ByteSource& source);
