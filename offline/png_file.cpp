#include "offline/png_file.h"

#include <vector>

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

bool writePngToOutput(OutputFile& output, const uint8_t* rgb, int width, int height,
                      std::string& error) {
    std::vector<uint8_t> png;
    if (stbi_write_png_to_func(appendChunk, &png, width, height, 3, rgb, width * 3) == 0) {
        error = "could not encode the picture for " + output.name;
        return false;
    }
    return writeOutput(output, png.data(), png.size(), error);
}
