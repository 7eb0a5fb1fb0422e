#include "offline/png_file.h"

#include <cerrno>
#include <cstring>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO  // every byte goes through writeChunk, so write errors are seen
#include <stb/stb_image_write.h>

namespace {

struct StreamSink {
    std::FILE* stream;
    bool failed;
};

void writeChunk(void* context, void* data, int size) {
    auto* sink = static_cast<StreamSink*>(context);
    if (!sink->failed && std::fwrite(data, 1, static_cast<std::size_t>(size), sink->stream) !=
                             static_cast<std::size_t>(size)) {
        sink->failed = true;
    }
}

}  // namespace

bool writePngToStream(std::FILE* stream, const uint8_t* rgb, int width, int height) {
    StreamSink sink{stream, false};
    const int ok = stbi_write_png_to_func(writeChunk, &sink, width, height, 3, rgb, width * 3);
    return ok != 0 && !sink.failed && std::fflush(stream) == 0;
}

bool writePng(const std::string& path, const uint8_t* rgb, int width, int height,
              std::string& error) {
    if (path == "-") {
        if (!writePngToStream(stdout, rgb, width, height)) {
            error = "could not write the picture to standard output";
            return false;
        }
        return true;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = writePngToStream(file, rgb, width, height);
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = "could not write " + path + ": " + std::strerror(written ? errno : writeErrno);
        std::remove(path.c_str());
        return false;
    }
    return true;
}
