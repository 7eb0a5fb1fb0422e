#include "offline/texture_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "offline/render_report.h"

bool loadRenderTexture(const RenderOptions& options, BitmapImage& image, std::string& error) {
    if (options.texture.empty()) {
        if (!loadBitmap(image) && !options.quiet) {
            report("note: no readable skin.bmp in the working directory, the cubes are untextured");
        }
        return true;
    }
    std::FILE* file = std::fopen(options.texture.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open the texture " + options.texture + ": " + std::strerror(errno);
        return false;
    }
    // A pipe is read straight through: a bitmap whose pixels come before parts already read
    // cannot be taken that way, and the message says so.
    const bool piped = ftello(file) < 0;
    const bool read = loadBitmapFromStream(image, file);
    const int readErrno = errno;
    const bool failedReading = std::ferror(file) != 0;
    std::fclose(file);
    if (failedReading) {
        // A directory, a device or a disk that fails: not a picture with parts missing.
        releaseBitmap(image);
        error = "cannot read the texture " + options.texture + ": " + std::strerror(readErrno);
        return false;
    }
    if (!read) {
        error = "the texture " + options.texture + " is not a bitmap the show can read" +
                (piped ? " through a pipe; try the file itself" : "");
        return false;
    }
    if (image.pixels == nullptr && !options.quiet) {
        report("note: the texture " + options.texture +
               " uses an encoding the show does not decode, the cubes are untextured");
    }
    return true;
}
