// Fuzz target for the bitmap reader: any bytes, decoded from memory and through a stream, must
// give the same record without a crash, an out-of-bounds access or undefined behaviour.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/bitmap.h"

namespace {

int32_t readS32(const uint8_t* p) {
    uint32_t bits = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
    int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint64_t side(int32_t value) {
    return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Keep accepted pixel arrays small, so that runs stay fast and within the fuzzer's memory
    // limit; the refusal of larger sides is still exercised. Sides that the input cuts short
    // read as the reader reads them, with the missing bytes zero.
    uint8_t head[26] = {};
    if (size > 0) {
        std::memcpy(head, data, size < sizeof head ? size : sizeof head);
    }
    const uint64_t bytes = side(readS32(head + 18)) * side(readS32(head + 22)) * 4;
    if (bytes > (1u << 18) && bytes <= UINT32_MAX) {
        return 0;
    }
    BitmapImage fromMemory = {};
    const bool loaded = loadBitmapFromMemory(fromMemory, data, size);
    check(loaded == (fromMemory.pixels != nullptr));
    if (loaded) {
        check(fromMemory.palette != nullptr);
        check(fromMemory.pixelCount ==
              int64_t{bitmapWidthAbs(fromMemory)} * bitmapHeightAbs(fromMemory));
    }

    if (std::FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb")) {
        BitmapImage fromStream = {};
        check(loadBitmapFromStream(fromStream, stream) == loaded);
        std::fclose(stream);
        check(std::memcmp(fromStream.fileHeader, fromMemory.fileHeader, 14) == 0);
        check(std::memcmp(fromStream.infoHeader, fromMemory.infoHeader, 108) == 0);
        check(fromStream.pixelCount == fromMemory.pixelCount);
        if (loaded) {  // also proves the whole pixel array is there
            check(std::memcmp(fromStream.pixels, fromMemory.pixels,
                              4 * static_cast<size_t>(fromMemory.pixelCount)) == 0);
        }
        releaseBitmap(fromStream);
    }
    releaseBitmap(fromMemory);
    return 0;
}
