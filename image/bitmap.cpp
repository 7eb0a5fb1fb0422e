// Placeholder until the reader lands: every load fails quietly, leaving an empty image.
#include "image/bitmap.h"

#include <cstring>

void releaseBitmap(BitmapImage& image) {
    delete[] image.pixels;
    delete[] image.palette;
    image.pixels = nullptr;
    image.palette = nullptr;
    image.paletteCount = 0;
    std::memset(image.fileHeader, 0, sizeof image.fileHeader);
    std::memset(image.infoHeader, 0, sizeof image.infoHeader);
}
bool loadBitmap(BitmapImage& image) {
    releaseBitmap(image);
    return false;
}
int32_t bitmapWidthAbs(const BitmapImage&) {
    return 0;
}
int32_t bitmapHeightAbs(const BitmapImage&) {
    return 0;
}
uint8_t maskToByte(uint32_t, uint32_t) {
    return 0;
}
