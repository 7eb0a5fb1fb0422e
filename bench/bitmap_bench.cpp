// Decoding speed of the bitmap reader on 4096 x 4096 files, next to stb_image, SDL2 and a plain
// copy of the same number of output bytes. Prints MB/s of RGBA output (median of several runs).
//   bitmap_bench [--fresh-pages] [repetitions]
// By default freed memory is kept by the allocator and reused, so the figures measure decoding
// rather than the kernel handing out fresh pages; --fresh-pages leaves the allocator as it is.
#include <SDL.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "tests/support/test_data.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

constexpr int kSide = 4096;
constexpr double kOutputBytes = 4.0 * kSide * kSide;

uint32_t nextRandom(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// A bottom-up file with a 108-byte info header, its palette and pixels random.
Bytes makeFile(uint16_t depth, uint32_t compression) {
    BmpLayout fileLayout;
    fileLayout.width = kSide;
    fileLayout.height = kSide;
    fileLayout.depth = depth;
    fileLayout.compression = compression;
    uint32_t state = 2463534242u;
    fileLayout.palette.resize(depth == 8 ? 1024 : 0);
    for (uint8_t& b : fileLayout.palette) {
        b = static_cast<uint8_t>(nextRandom(state));
    }
    Bytes& data = fileLayout.pixels;
    if (compression == 0) {
        const size_t rowBytes = (static_cast<size_t>(kSide) * depth + 31) / 32 * 4;
        for (size_t i = 0; i < rowBytes * kSide; ++i) {
            data.push_back(static_cast<uint8_t>(nextRandom(state)));
        }
    } else {  // each row: runs of 16 alternating with absolute runs of 16, then end of line
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; x += 32) {
                data.push_back(16);
                data.push_back(static_cast<uint8_t>(nextRandom(state)));
                data.push_back(0);
                data.push_back(16);
                for (int i = 0; i < 16; ++i) {
                    data.push_back(static_cast<uint8_t>(nextRandom(state)));
                }
            }
            data.push_back(0);
            data.push_back(y + 1 < kSide ? 0 : 1);
        }
    }
    Bytes file = makeBmp(fileLayout);
    putU32(file, 2, static_cast<uint32_t>(file.size()));
    return file;
}

// Runs each decoder once per round, so that a busy machine slows them all alike, and returns
// the median seconds of each; negative for a decoder that fails on the file.
std::vector<double> medianSeconds(int rounds, const std::vector<std::function<bool()>>& decoders) {
    std::vector<std::vector<double>> times(decoders.size());
    std::vector<bool> works(decoders.size());
    for (size_t d = 0; d < decoders.size(); ++d) {
        works[d] = decoders[d]();  // warm-up
    }
    for (int round = 0; round < rounds; ++round) {
        for (size_t d = 0; d < decoders.size(); ++d) {
            if (works[d]) {
                auto start = std::chrono::steady_clock::now();
                decoders[d]();
                times[d].push_back(
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                        .count());
            }
        }
    }
    std::vector<double> medians;
    for (size_t d = 0; d < decoders.size(); ++d) {
        std::sort(times[d].begin(), times[d].end());
        medians.push_back(works[d] ? times[d][times[d].size() / 2] : -1);
    }
    return medians;
}

std::string rate(double seconds) {
    if (seconds < 0) {
        return "n/a";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", kOutputBytes / seconds / 1e6);
    return text;
}

std::string ratio(double ours, double other) {
    if (ours <= 0 || other <= 0) {
        return "n/a";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2fx", other / ours);
    return text;
}

struct BenchOptions {
    bool freshPages = false;
    int repetitions = 15;
};

void readOptions(int argc, char** argv, BenchOptions& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fresh-pages") == 0) {
            options.freshPages = true;
        } else {
            options.repetitions = std::max(1, std::atoi(argv[i]));
        }
    }
}

// The medians of our reader from memory and from the file, stb_image, SDL2 and the copy.
std::vector<double> timeDecoders(int repetitions, const Bytes& file, const std::string& path,
                                 const Bytes& copySource) {
    const std::vector<std::function<bool()>> decoders = {
        [&] {
            BitmapImage image = {};
            bool ok = loadBitmapFromMemory(image, file.data(), file.size());
            releaseBitmap(image);
            return ok;
        },
        [&] {
            BitmapImage image = {};
            std::FILE* in = std::fopen(path.c_str(), "rb");
            bool ok = loadBitmapFromStream(image, in);
            if (in != nullptr) {
                std::fclose(in);
            }
            releaseBitmap(image);
            return ok;
        },
        [&] {
            int w = 0, h = 0, channels = 0;
            stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w,
                                                    &h, &channels, 4);
            stbi_image_free(pixels);
            return pixels != nullptr;
        },
        [&] {
            SDL_Surface* loaded =
                SDL_LoadBMP_RW(SDL_RWFromConstMem(file.data(), static_cast<int>(file.size())), 1);
            if (loaded == nullptr) {
                return false;
            }
            SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
            SDL_FreeSurface(loaded);
            SDL_FreeSurface(rgba);
            return rgba != nullptr;
        },
        [&] {
            void* out = std::malloc(copySource.size());
            std::memcpy(out, copySource.data(), copySource.size());
            bool ok = static_cast<uint8_t*>(out)[12345] == 1;
            std::free(out);
            return ok;
        },
    };
    return medianSeconds(repetitions, decoders);
}

void runBench(const BenchOptions& options) {
    if (!options.freshPages) {
        mallopt(M_MMAP_MAX, 0);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
    }
    const int repetitions = options.repetitions;

    // The output-sized copy that every decoder's result costs at least.
    const Bytes copySource(static_cast<size_t>(kOutputBytes), 1);

    std::printf("%d x %d RGBA output, MB/s (median of %d), allocator: %s\n", kSide, kSide,
                repetitions, options.freshPages ? "fresh pages" : "memory reused");
    std::printf(
        "| file | ours (memory) | ours (file) | stb_image | SDL2 | memcpy | ours/stb | "
        "ours/memcpy |\n|---|---|---|---|---|---|---|---|\n");
    const struct {
        const char* name;
        uint16_t depth;
        uint32_t compression;
    } kinds[] = {
        {"24-bit", 24, 0}, {"32-bit", 32, 0}, {"8-bit palette", 8, 0}, {"8-bit RLE", 8, 1}};
    const std::string path = "/tmp/pp-bitmap-bench.bmp";
    for (const auto& kind : kinds) {
        const Bytes file = makeFile(kind.depth, kind.compression);
        writeWholeFile(path, file);
        const std::vector<double> t = timeDecoders(repetitions, file, path, copySource);
        const double oursMemory = t[0], oursFile = t[1], stb = t[2], sdl = t[3], copy = t[4];
        std::printf("| %s | %s | %s | %s | %s | %s | %s | %s |\n", kind.name,
                    rate(oursMemory).c_str(), rate(oursFile).c_str(), rate(stb).c_str(),
                    rate(sdl).c_str(), rate(copy).c_str(), ratio(oursMemory, stb).c_str(),
                    ratio(oursMemory, copy).c_str());
    }
    std::remove(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    BenchOptions options;
    readOptions(argc, argv, options);
    runBench(options);
    return 0;
}
