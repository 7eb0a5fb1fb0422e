// The command line of pp-render.
#pragma once
#include <cstdint>
#include <string>

struct RenderOptions {
    bool help = false;
    bool picture = false;  // --at: one PNG picture
    bool video = false;    // --y4m: a YUV4MPEG2 stream
    int64_t atMs = 0;
    int fps = 50;
    int64_t fromMs = 0;
    int64_t toMs = -1;  // -1: to the end of the show
    int width = 1280;
    int height = 720;
    std::string output;   // "-" is standard output
    std::string texture;  // empty: "skin.bmp" from the working directory, as the program reads it
    bool quiet = false;
};

constexpr int maxPictureSide = 16384;
constexpr int maxFps = 1000;

// Reads the arguments after the program name. False with a one-line reason when they do not
// make a complete, sensible request.
bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error);
// The --help text.
std::string renderUsage();
