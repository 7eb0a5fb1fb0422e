#include "tests/support/test_data.h"

#include <algorithm>
#include <iterator>

void putU16(Bytes& bytes, size_t at, uint16_t value) {
    bytes.at(at) = static_cast<uint8_t>(value);
    bytes.at(at + 1) = static_cast<uint8_t>(value >> 8);
}

void putU32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint16_t u16At(const Bytes& bytes, size_t at) {
    return static_cast<uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

uint32_t u32At(const Bytes& bytes, size_t at) {
    return bytes.at(at) | bytes.at(at + 1) << 8 | bytes.at(at + 2) << 16 |
           uint32_t{bytes.at(at + 3)} << 24;
}

Bytes makeBmp(const BmpLayout& fileLayout) {
    const size_t masksAfterHeader =
        fileLayout.headerSize == 40 && fileLayout.compression == 3 ? 12 : 0;
    const size_t dataOffset =
        14 + fileLayout.headerSize + masksAfterHeader + fileLayout.palette.size();
    Bytes file(dataOffset, 0);
    file[0] = 'B';
    file[1] = 'M';
    putU32(file, 10, static_cast<uint32_t>(dataOffset));
    const uint32_t fields[] = {fileLayout.headerSize, static_cast<uint32_t>(fileLayout.width),
                               static_cast<uint32_t>(fileLayout.height),
                               1u | fileLayout.depth << 16, fileLayout.compression};
    for (size_t i = 0; i < std::size(fields); ++i) {
        putU32(file, 14 + 4 * i, fields[i]);
    }
    putU32(file, 46, fileLayout.coloursUsed);
    for (int i = 0; i < (masksAfterHeader != 0 ? 3 : fileLayout.headerSize >= 56 ? 4 : 0); ++i) {
        putU32(file, 54 + 4 * i, fileLayout.masks[i]);
    }
    std::copy(fileLayout.palette.begin(), fileLayout.palette.end(),
              file.end() - fileLayout.palette.size());
    file.insert(file.end(), fileLayout.pixels.begin(), fileLayout.pixels.end());
    return file;
}

Bytes makeToneWave(uint32_t rate, uint16_t channels, uint32_t frames) {
    const uint32_t dataBytes = frames * channels * 2;
    Bytes file;
    appendWaveHeader16(file, rate, channels, dataBytes);
    for (uint32_t i = 0; i < frames * channels; ++i) {
        appendU16Le(file, static_cast<uint16_t>((i / channels % 25 < 12) ? 800 : -800));
    }
    return file;
}
