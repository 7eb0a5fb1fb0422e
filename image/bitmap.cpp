// Bitmap reader: the record's life cycle, the two headers and the palette. The pixel data is
// decoded in bitmap_decode.cpp.
#include "image/bitmap.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "image/bitmap_decode.h"
#include "image/bitmap_source.h"
#include "image/regular_file.h"

namespace {

constexpr uint16_t kBitmapType = 0x4D42;  // the bytes "BM"
constexpr size_t kFileHeaderSize = sizeof(BitmapImage::fileHeader);
constexpr size_t kInfoHeaderSize = sizeof(BitmapImage::infoHeader);

int32_t readS32(const uint8_t* p) {
    int32_t value;
    uint32_t bits = readU32(p);
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int32_t absoluteSide(int32_t side) {
    if (side == INT32_MIN) {
        return 0;
    }
    return side < 0 ? -side : side;
}

int32_t paletteSizeForDepth(uint16_t depth) {
    switch (depth) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

// The pixel array is refused when its byte count would not fit 32 bits, and so would overflow
// the pixel count or the texture upload's size arithmetic; a side of -2147483648 has no
// absolute value at all.
bool sidesFit(const uint8_t* info) {
    const int32_t width = readS32(info + 4);
    const int32_t height = readS32(info + 8);
    if (width == INT32_MIN || height == INT32_MIN) {
        return false;
    }
    const uint64_t bytes = static_cast<uint64_t>(absoluteSide(width)) *
                           static_cast<uint64_t>(absoluteSide(height)) * 4;
    return bytes <= UINT32_MAX;
}

bool loadFromSource(BitmapImage& image, ByteSource& source) {
    releaseBitmap(image);
    sourceRead(source, image.fileHeader, kFileHeaderSize);
    if ((image.fileHeader[0] | image.fileHeader[1] << 8) != kBitmapType) {
        return false;
    }
    // Header bytes that the file does not hold stay zero.
    sourceRead(source, image.infoHeader, kInfoHeaderSize);
    if (!sidesFit(image.infoHeader)) {
        std::memset(image.infoHeader, 0, kInfoHeaderSize);
        return false;
    }

    // The palette follows the info header, whatever size that header gives itself.
    sourceSeek(source, kFileHeaderSize + static_cast<uint64_t>(readU32(image.infoHeader)));
    const uint16_t depth = infoHeaderDepth(image.infoHeader);
    image.paletteCount = paletteSizeForDepth(depth);
    image.palette = allocateBitmapArray(static_cast<uint64_t>(image.paletteCount) * 4, true);
    sourceRead(source, image.palette, static_cast<size_t>(image.paletteCount) * 4);

    image.pixelCount = bitmapWidthAbs(image) * bitmapHeightAbs(image);
    sourceSeek(source, readU32(image.fileHeader + 10));
    if (source.failed) {  // a pipe cannot go back to the pixels or the palette
        releaseBitmap(image);
        errno = ESPIPE;
        return false;
    }
    decodeBitmapPixels(image, source);  // allocates the pixel array
    return true;
}

}  // namespace

bool loadBitmap(BitmapImage& image) {
    std::FILE* file = openRegularFile("skin.bmp");
    releaseBitmap(image);
    if (file == nullptr) {
        return false;
    }
    const bool loaded = loadBitmapFromStream(image, file);
    std::fclose(file);
    return loaded;
}

bool loadBitmapFromStream(BitmapImage& image, std::FILE* file) {
    if (file == nullptr) {
        releaseBitmap(image);
        return false;
    }
    ByteSource source = streamSource(file);
    return loadFromSource(image, source);
}

bool loadBitmapFromMemory(BitmapImage& image, const uint8_t* data, size_t size) {
    ByteSource source = memorySource(data, size);
    return loadFromSource(image, source);
}

void releaseBitmap(BitmapImage& image) {
    std::free(image.pixels);
    std::free(image.palette);
    image.pixels = nullptr;
    image.palette = nullptr;
    image.pixelCount = 0;
    image.paletteCount = 0;
    std::memset(image.fileHeader, 0, sizeof image.fileHeader);
    std::memset(image.infoHeader, 0, sizeof image.infoHeader);
}

int32_t bitmapWidthAbs(const BitmapImage& image) {
    return absoluteSide(readS32(image.infoHeader + 4));
}

int32_t bitmapHeightAbs(const BitmapImage& image) {
    return absoluteSide(readS32(image.infoHeader + 8));
}
