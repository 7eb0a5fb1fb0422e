#include "assets/asset_io.h"

#include <cstdio>

void appendU16Le(ByteBuffer& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void appendU32Le(ByteBuffer& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
    }
}

void appendTag(ByteBuffer& out, const char tag[4]) {
    out.insert(out.end(), tag, tag + 4);
}

bool writeWholeFile(const std::string& path, const ByteBuffer& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

void appendWaveHeader16(ByteBuffer& out, uint32_t rate, uint16_t channels, uint32_t dataBytes) {
    const uint16_t frameBytes = static_cast<uint16_t>(channels * 2);
    appendTag(out, "RIFF");
    appendU32Le(out, 36 + dataBytes);
    appendTag(out, "WAVE");
    appendTag(out, "fmt ");
    appendU32Le(out, 16);
    appendU16Le(out, 1);  // PCM
    appendU16Le(out, channels);
    appendU32Le(out, rate);
    appendU32Le(out, rate * frameBytes);  // bytes per second
    appendU16Le(out, frameBytes);         // bytes per sample frame
    appendU16Le(out, 16);                 // bits per sample
    appendTag(out, "data");
    appendU32Le(out, dataBytes);
}
