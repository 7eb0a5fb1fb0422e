// Writes the fuzzer's own seed files into a folder: one small, valid file of each kind the
// reader takes, beside the files the unit tests keep.
//   bitmap_fuzz_seeds FOLDER
#include <system_error>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

#include "tests/support/test_data.h"

namespace {

// A 40-byte info header; palettes of 2^depth entries, every byte 0x55.
Bytes seed(int32_t width, int32_t height, uint16_t depth, uint32_t compression, Bytes pixels) {
    BmpLayout fileLayout;
    fileLayout.headerSize = 40;
    fileLayout.width = width;
    fileLayout.height = height;
    fileLayout.depth = depth;
    fileLayout.compression = compression;
    fileLayout.palette = Bytes(depth <= 8 ? 4u << depth : 0u, 0x55);
    fileLayout.pixels = std::move(pixels);
    return makeBmp(fileLayout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const struct {
        const char* name;
        Bytes file;
    } seeds[] = {
        {"rgb24", seed(2, 2, 24, 0, {10, 20, 30, 1, 2, 3, 0, 0, 4, 5, 6, 7, 8, 9, 0, 0})},
        {"rgb32", seed(1, 2, 32, 0, {10, 20, 30, 40, 1, 2, 3, 4})},
        {"pal8", seed(3, 1, 8, 0, {0x00, 0x01, 0xFF, 0})},
        {"pal4", seed(3, 2, 4, 0, {0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0})},
        {"pal1", seed(10, 1, 1, 0, {0xB3, 0x40, 0, 0})},
        {"rle8", seed(4, 2, 8, 1, {3, 5, 0, 0, 0, 2, 1, 0, 0, 3, 1, 2, 3, 0, 0, 1})},
    };
    for (const auto& s : seeds) {
        const std::string path = folder + "/seed-" + s.name + ".bmp";
        if (!writeWholeFile(path, s.file)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
