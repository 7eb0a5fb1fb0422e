// Bitmap reader: turns "skin.bmp" into RGBA pixels for the cube texture.
#pragma once
#include <cstdint>

struct BitmapImage {
    uint8_t fileHeader[14];   // as stored in the file
    uint8_t infoHeader[108];  // read in the 108-byte V4 layout, as stored
    uint8_t* pixels;          // pixelCount RGBA pixels, 4 bytes each, rows in file order
    int32_t pixelCount;
    uint8_t* palette;  // paletteCount entries of 4 bytes (blue, green, red, fourth), as stored
    int32_t paletteCount;
};

bool loadBitmap(BitmapImage& image);
void releaseBitmap(BitmapImage& image);
int32_t bitmapWidthAbs(const BitmapImage& image);
int32_t bitmapHeightAbs(const BitmapImage& image);
uint8_t maskToByte(uint32_t word, uint32_t mask);
