// Bitmap reader: turns "skin.bmp" into RGBA pixels for the cube texture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

struct BitmapImage {
    uint8_t fileHeader[14];   // as stored in the file
    uint8_t infoHeader[108];  // read in the 108-byte V4 layout, as stored
    uint8_t* pixels;          // pixelCount RGBA pixels, 4 bytes each, rows in file order
    int32_t pixelCount;
    uint8_t* palette;  // paletteCount entries of 4 bytes (blue, green, red, fourth), as stored
    int32_t paletteCount;
};

// Reads "skin.bmp" from the working directory into the record, freeing what it held before.
// False when the file cannot be opened, its type is not "BM", or its sides are too large for a
// 32-bit byte count of RGBA pixels; then no arrays are held and the info header is zero. True
// otherwise, also when the depth or compression is one that is not converted. Pixels that the
// file does not provide are zero.
bool loadBitmap(BitmapImage& image);
// The same reading from a stream positioned at the start of a bitmap file (seeks are absolute),
// and from a whole bitmap file held in memory. A null stream reads as a file that cannot be opened.
// A stream that cannot seek (a pipe) is read straight through; one whose pixel data lies before
// bytes already read is refused (false, errno ESPIPE).
bool loadBitmapFromStream(BitmapImage& image, std::FILE* file);
bool loadBitmapFromMemory(BitmapImage& image, const uint8_t* data, size_t size);

// Frees both arrays and leaves the record empty: null pointers, zero counts, zero headers.
void releaseBitmap(BitmapImage& image);
// The absolute width and height from the info header (0 for the unrepresentable -2147483648).
int32_t bitmapWidthAbs(const BitmapImage& image);
int32_t bitmapHeightAbs(const BitmapImage& image);
// The channel that mask selects from a pixel word, scaled to 8 bits (0 for a zero mask).
uint8_t maskToByte(uint32_t word, uint32_t mask);
