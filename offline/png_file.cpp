#include "offline/png_file.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO  // the bytes come back through appendChunk and go out as we write
#include <stb/stb_image_write.h>

namespace {

void appendChunk(void* context, void* data, int size) {
    auto* png = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    png->insert(png->end(), bytes, bytes + size);
}

}  // namespace

bool encodePng(const uint8_t* rgb, int width, int height, std::vector<uint8_t>& png) {
    png.clear();
    return stbi_write_png_to_func(appendChunk, &png, width, height, 3, rgb, width * 3) != 0;
}

bool writePngToOutput(OutputFile& output, const uint8_t* rgb, int width, int height,
                      std::string& error) {
    std::vector<uint8_t> png;
    if (!encodePng(rgb, width, height, png)) {
        error = "could not encode the picture for " + output.name;
        return false;
    }
    return writeOutput(output, png.data(), png.size(), error);
}

bool writePng(const std::string& path, const uint8_t* rgb, int width, int height,
              std::string& error) {
    OutputFile output;
    if (!openOutput(path, output, error)) {
        return false;
    }
    if (!writePngToOutput(output, rgb, width, height, error) ||
        !commitOutput(output, false, error)) {
        abandonOutput(output);
        return false;
    }
    return true;
}
