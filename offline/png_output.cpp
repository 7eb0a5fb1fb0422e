// The picture of one instant: kept as it is drawn, and encoded and written at the end.
#include "offline/png_file.h"
#include "offline/render_output.h"

namespace {

struct PngPicture {
    OutputFile* file = nullptr;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

bool keepPicture(void* context, const std::vector<uint8_t>& rgb) {
    static_cast<PngPicture*>(context)->rgb = rgb;
    return true;
}

bool writePicture(void* context, std::string& error) {
    const auto& picture = *static_cast<PngPicture*>(context);
    return writePngToOutput(*picture.file, picture.rgb.data(), picture.width, picture.height,
                            error);
}

// Nothing is written before the end.
void dropPicture(void*) {}

}  // namespace

bool openPngOutput(const RenderOptions& options, OutputFile& file, RenderOutput& output,
                   std::string&) {
    auto* picture = new PngPicture;
    picture->file = &file;
    picture->width = options.width;
    picture->height = options.height;
    output = {ownContext(picture), keepPicture, writePicture, dropPicture};
    return true;
}
