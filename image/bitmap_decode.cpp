// Pixel decoding for the bitmap reader. Uncompressed and bit-field data are read a row at a time
// and converted by a small per-depth routine; 8-bit run-length data is interpreted command by
// command. Palette colours are looked up in a 256-entry table of ready output pixels, so every
// index, even one past the palette's end, yields a defined colour.
#include "image/bitmap_decode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <vector>

namespace {

// One bit-field channel, precomputed from its mask as maskToByte scales it.
struct FieldChannel {
    uint32_t mask;
    uint32_t shift;  // position of the mask's lowest set bit
    uint32_t down;   // bits dropped from a field wider than 8
    uint32_t up;     // bits added below a field narrower than 8
};

// What the converters need besides the bytes.
struct PixelFormat {
    uint8_t colours[256][4];   // palette entries as RGBA; zero past the palette's end
    FieldChannel channels[4];  // red, green, blue, alpha
};

using Converter = void (*)(const uint8_t* src, uint8_t* dst, size_t count,
                           const PixelFormat& format);

struct DepthConverter {
    uint16_t depth;
    Converter convert;
};

FieldChannel fieldChannel(uint32_t mask) {
    if (mask == 0) {
        return {0, 0, 0, 0};
    }
    uint32_t shift = __builtin_ctz(mask);
    uint32_t width = 32 - __builtin_clz(mask >> shift);
    return {mask, shift, width > 8 ? width - 8 : 0, width < 8 ? 8 - width : 0};
}

inline uint8_t channelByte(uint32_t word, const FieldChannel& channel) {
    const uint32_t field = (word & channel.mask) >> channel.shift;
    return static_cast<uint8_t>(field >> channel.down << channel.up);
}

inline void putColour(uint8_t* dst, const uint8_t* colour) {
    std::memcpy(dst, colour, 4);
}

// The converters turn count whole pixels starting at src into RGBA at dst.

void convert1(const uint8_t* src, uint8_t* dst, size_t count, const PixelFormat& format) {
    for (size_t i = 0; i < count; ++i) {
        putColour(dst + 4 * i, format.colours[src[i >> 3] >> (7 - (i & 7)) & 1]);
    }
}

void convert4(const uint8_t* src, uint8_t* dst, size_t count, const PixelFormat& format) {
    for (size_t i = 0; i < count; ++i) {
        putColour(dst + 4 * i, format.colours[src[i >> 1] >> ((i & 1) != 0 ? 0 : 4) & 15]);
    }
}

void convert8(const uint8_t* src, uint8_t* dst, size_t count, const PixelFormat& format) {
    for (size_t i = 0; i < count; ++i) {
        putColour(dst + 4 * i, format.colours[src[i]]);
    }
}

// 16 bits uncompressed is always 5-5-5 with bit 15 unused; each field is scaled by 8.
void convert555(const uint8_t* src, uint8_t* dst, size_t count, const PixelFormat&) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t v = src[2 * i] | src[2 * i + 1] << 8;
        dst[4 * i] = static_cast<uint8_t>((v >> 10 & 31) << 3);
        dst[4 * i + 1] = static_cast<uint8_t>((v >> 5 & 31) << 3);
        dst[4 * i + 2] = static_cast<uint8_t>((v & 31) << 3);
        dst[4 * i + 3] = 255;
    }
}

void convert24(const uint8_t* src, uint8_t* dst, size_t count, const PixelFormat&) {
    size_t i = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Four bytes at a time, reversed as one word: blue, green, red and the next pixel's blue
    // become red, green, blue, 255. The last pixel would load a byte past the data, so it is
    // left to the loop below.
    for (; i + 1 < count; ++i) {
        uint32_t word;
        std::memcpy(&word, src + 3 * i, 4);
        word = __builtin_bswap32(word) >> 8 | 0xFF000000u;
        std::memcpy(dst + 4 * i, &word, 4);
    }
#endif
    for (; i < count; ++i) {
        dst[4 * i] = src[3 * i + 2];
        dst[4 * i + 1] = src[3 * i + 1];
        dst[4 * i + 2] = src[3 * i];
        dst[4 * i + 3] = 255;
    }
}

void convert32(const uint8_t* src, uint8_t* dst, size_t count, const PixelFormat&) {
    for (size_t i = 0; i < count; ++i) {
        dst[4 * i] = src[4 * i + 2];
        dst[4 * i + 1] = src[4 * i + 1];
        dst[4 * i + 2] = src[4 * i];
        dst[4 * i + 3] = src[4 * i + 3];
    }
}

inline void putFields(uint8_t* dst, uint32_t word, const FieldChannel* channels) {
    for (int c = 0; c < 4; ++c) {
        dst[c] = channelByte(word, channels[c]);
    }
}

void convertFields16(const uint8_t* src, uint8_t* dst, size_t count, const PixelFormat& format) {
    for (size_t i = 0; i < count; ++i) {
        putFields(dst + 4 * i, src[2 * i] | src[2 * i + 1] << 8, format.channels);
    }
}

void convertFields32(const uint8_t* src, uint8_t* dst, size_t count, const PixelFormat& format) {
    for (size_t i = 0; i < count; ++i) {
        putFields(dst + 4 * i, readU32(src + 4 * i), format.channels);
    }
}

constexpr DepthConverter kUncompressed[] = {{1, convert1},    {4, convert4},   {8, convert8},
                                            {16, convert555}, {24, convert24}, {32, convert32}};
constexpr DepthConverter kBitFields[] = {{16, convertFields16}, {32, convertFields32}};

// Pixel data is read in pieces of about this many bytes: whole rows where they fit, so a stream
// is read with few calls, and parts of a row where a huge declared width would otherwise need a
// huge scratch buffer. A multiple of 12 bytes ends on a whole pixel at every depth.
constexpr size_t kPieceBytes = 12 * 21845;

// The shape of the image being decoded.
struct Layout {
    uint8_t* pixels;
    uint64_t width;
    uint64_t height;
    uint64_t pixelCount;
};

// Reads |height| rows in file order, each (width * depth + 31) / 32 * 4 bytes long with its
// padding, and converts the width pixels at the start of each. Stops at the end of the file:
// only pixels whose bytes all arrived are stored. Returns how many were, all at the start.
uint64_t decodeRows(ByteSource& source, const Layout& layout, uint16_t depth, Converter convert,
                    const PixelFormat& format) {
    const uint64_t rowSize = (layout.width * depth + 31) / 32 * 4;
    const uint64_t rowsPerPiece = kPieceBytes / rowSize;  // 0 when a row is longer than a piece
    const size_t pieceSize =
        rowsPerPiece > 0 ? static_cast<size_t>(rowsPerPiece * rowSize) : kPieceBytes;
    std::vector<uint8_t> scratch(source.file != nullptr ? pieceSize : 0);
    uint8_t* out = layout.pixels;
    uint64_t rowsLeft = layout.height;
    uint64_t offsetInRow = 0;
    uint64_t column = 0;
    while (rowsLeft > 0) {
        const size_t want = static_cast<size_t>(
            rowsPerPiece > 0 ? std::min(rowsPerPiece, rowsLeft) * rowSize
                             : std::min<uint64_t>(pieceSize, rowSize - offsetInRow));
        size_t got = 0;
        const uint8_t* bytes = sourceView(source, scratch.data(), want, got);
        for (size_t at = 0; at < got;) {
            const size_t part =
                static_cast<size_t>(std::min<uint64_t>(got - at, rowSize - offsetInRow));
            const uint64_t count = std::min<uint64_t>(layout.width - column, part * 8 / depth);
            convert(bytes + at, out, static_cast<size_t>(count), format);
            out += 4 * count;
            column += count;
            at += part;
            offsetInRow += part;
            if (offsetInRow == rowSize) {
                offsetInRow = 0;
                column = 0;
                --rowsLeft;
            }
        }
        if (got < want) {
            break;
        }
    }
    return static_cast<uint64_t>(out - layout.pixels) / 4;
}

// The converter for a layout read row by row: uncompressed at depths 1, 4, 8, 16, 24 and 32, bit
// fields at 16 and 32. Null for run-length data and for layouts that are not decoded; bit fields
// at other depths belong here too, as their pixel word is 0, which every mask turns into 0.
Converter rowConverter(uint32_t compression, uint16_t depth) {
    const DepthConverter* table = nullptr;
    size_t entries = 0;
    if (compression == 0) {
        table = kUncompressed;
        entries = std::size(kUncompressed);
    } else if (compression == 3) {
        table = kBitFields;
        entries = std::size(kBitFields);
    }
    for (size_t i = 0; i < entries; ++i) {
        if (table[i].depth == depth) {
            return table[i].convert;
        }
    }
    return nullptr;
}

// Stores a palette colour at places index, index + 1, ... (n of them), skipping any that fall
// outside the pixel array.
void storeRun(const Layout& layout, uint64_t index, uint64_t n, const uint8_t* colour) {
    uint64_t end = std::min(index + n, layout.pixelCount);
    for (; index < end; ++index) {
        putColour(layout.pixels + 4 * index, colour);
    }
}

// 8-bit run-length data: commands of two bytes until the end-of-bitmap escape or the end of the
// file. Only the places that commands reach are stored, so the array must be cleared. Every
// command consumes at least two bytes and stores at most 255 pixels, so the work is bounded by the
// file's length. Once the row is past the last one nothing more can be stored (no command moves
// back before the start of the current row), so decoding ends there.
void decodeRle8(ByteSource& source, const Layout& layout, const PixelFormat& format) {
    uint64_t x = 0;
    uint64_t y = 0;
    while (y < layout.height) {
        int n = sourceByte(source);
        int c = sourceByte(source);
        if (n < 0 || c < 0) {
            return;
        }
        if (n > 0) {
            storeRun(layout, y * layout.width + x, n, format.colours[c]);
            x += n;
        } else if (c == 0) {
            ++y;
            x = 0;
        } else if (c == 1) {
            return;
        } else if (c == 2) {
            int dx = sourceByte(source);
            int dy = sourceByte(source);
            if (dx < 0 || dy < 0) {
                return;
            }
            x += dx;
            y += dy;
        } else {
            for (int i = 0; i < c; ++i, ++x) {
                int index = sourceByte(source);
                if (index < 0) {
                    return;
                }
                storeRun(layout, y * layout.width + x, 1, format.colours[index]);
            }
            // Absolute runs are padded to an even file offset.
            if (source.pos % 2 != 0) {
                sourceByte(source);
            }
        }
    }
}

}  // namespace

uint8_t maskToByte(uint32_t word, uint32_t mask) {
    return channelByte(word, fieldChannel(mask));
}

uint8_t* allocateBitmapArray(uint64_t bytes, bool cleared) {
    const size_t size = bytes > 0 ? static_cast<size_t>(bytes) : 1;
    void* block = cleared ? std::calloc(size, 1) : std::malloc(size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return static_cast<uint8_t*>(block);
}

void decodeBitmapPixels(BitmapImage& image, ByteSource& source) {
    const uint8_t* info = image.infoHeader;
    const uint16_t depth = infoHeaderDepth(info);
    const uint32_t compression = readU32(info + 16);
    const Layout shape = {nullptr, static_cast<uint64_t>(bitmapWidthAbs(image)),
                          static_cast<uint64_t>(bitmapHeightAbs(image)),
                          static_cast<uint64_t>(image.pixelCount)};
    const Converter convert = rowConverter(compression, depth);

    // Every pixel that decoding does not write must read as zero. When the file holds all the
    // rows of a converted layout every pixel gets written, and clearing the array first would
    // cost as much as the conversion; otherwise the array is allocated cleared, which costs
    // nothing for fresh memory, so a small file that declares huge sides stays cheap.
    const uint64_t dataBytes = (shape.width * depth + 31) / 32 * 4 * shape.height;
    const bool cleared = convert == nullptr || sourceRemaining(source) < dataBytes;
    image.pixels = allocateBitmapArray(4 * shape.pixelCount, cleared);
    if (shape.pixelCount == 0 || (convert == nullptr && compression != 1)) {
        return;  // nothing to decode: 4-bit run-length, unknown compressions, other depths
    }

    PixelFormat format = {};
    const int32_t entries = std::min(image.paletteCount, 256);
    for (int32_t i = 0; i < entries; ++i) {
        const uint8_t* entry = image.palette + 4 * i;  // blue, green, red, fourth byte
        const uint8_t colour[4] = {entry[2], entry[1], entry[0], entry[3]};
        std::memcpy(format.colours[i], colour, 4);
    }
    for (int c = 0; c < 4; ++c) {
        format.channels[c] = fieldChannel(readU32(info + 40 + 4 * c));
    }

    Layout layout = shape;
    layout.pixels = image.pixels;
    if (convert == nullptr) {
        decodeRle8(source, layout, format);
        return;
    }
    const uint64_t stored = decodeRows(source, layout, depth, convert, format);
    if (!cleared) {  // the file was cut short while being read
        std::memset(layout.pixels + 4 * stored, 0, 4 * (layout.pixelCount - stored));
    }
}
