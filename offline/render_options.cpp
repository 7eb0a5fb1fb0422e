#include "offline/render_options.h"

#include <cstring>
#include <string>

#include "anim/schedule.h"

namespace {

// Milliseconds and counts: plain decimal digits, no sign, no overflow past the limit.
bool parseCount(const std::string& text, int64_t limit, int64_t& value) {
    if (text.empty() || text.size() > 18) {
        return false;
    }
    int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + (c - '0');
    }
    if (v > limit) {
        return false;
    }
    value = v;
    return true;
}

// WIDTHxHEIGHT, each side 1 to maxPictureSide.
bool parseSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos) {
        return false;
    }
    int64_t w = 0;
    int64_t h = 0;
    if (!parseCount(text.substr(0, x), maxPictureSide, w) ||
        !parseCount(text.substr(x + 1), maxPictureSide, h) || w < 1 || h < 1) {
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

// The show lasts about 70 s; a day is far past any instant worth asking for.
constexpr int64_t maxInstantMs = 86400000;

}  // namespace

bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error) {
    options = RenderOptions{};
    bool sawFps = false;
    bool sawFrom = false;
    bool sawTo = false;
    bool sawOutput = false;
    bool sawFormat = false;
    bool sawQuality = false;
    for (int i = 0; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool inlineValue = false;
        const std::size_t eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        const bool takesValue = name == "--at" || name == "--fps" || name == "--from" ||
                                name == "--to" || name == "--size" || name == "-o" ||
                                name == "--output" || name == "--texture" || name == "--format" ||
                                name == "--sound" || name == "--quality";
        if (name == "--help" || name == "-h") {
            options.help = true;
            return true;
        }
        if (name == "--y4m" || name == "--quiet") {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            (name == "--y4m" ? options.video : options.quiet) = true;
            continue;
        }
        if (!takesValue) {
            error = name.rfind("-", 0) == 0 && name.size() > 1
                        ? "unknown option " + name
                        : "unexpected argument \"" + name + "\"";
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        int64_t number = 0;
        if (name == "--at" || name == "--from" || name == "--to") {
            if (!parseCount(value, maxInstantMs, number)) {
                error = name + " wants milliseconds from the start (0 to " +
                        std::to_string(maxInstantMs) + "), not \"" + value + "\"";
                return false;
            }
            if (name == "--at") {
                options.picture = true;
                options.atMs = number;
            } else if (name == "--from") {
                sawFrom = true;
                options.fromMs = number;
            } else {
                sawTo = true;
                options.toMs = number;
            }
        } else if (name == "--fps") {
            if (!parseCount(value, maxFps, number) || number < 1) {
                error = "--fps wants a whole number of frames per second from 1 to " +
                        std::to_string(maxFps) + ", not \"" + value + "\"";
                return false;
            }
            sawFps = true;
            options.fps = static_cast<int>(number);
        } else if (name == "--size") {
            if (!parseSize(value, options.width, options.height)) {
                error = "--size wants WIDTHxHEIGHT, each 1 to " + std::to_string(maxPictureSide) +
                        ", not \"" + value + "\"";
                return false;
            }
        } else if (name == "--format") {
            if (!containerFromFormatName(value, options.container)) {
                error = "--format wants mp4, mkv or webm, not \"" + value + "\"";
                return false;
            }
            sawFormat = true;
        } else if (name == "--sound") {
            if (value.empty()) {
                error = "--sound needs a file name";
                return false;
            }
            options.sound = value;
            options.soundGiven = true;
        } else if (name == "--quality") {
            if (!parseCount(value, 100, number)) {
                error =
                    "--quality wants a whole number from 0 (smallest file) to 100 (best "
                    "picture), not \"" +
                    value + "\"";
                return false;
            }
            sawQuality = true;
            options.quality = static_cast<int>(number);
        } else if (name == "--texture") {
            if (value.empty()) {
                error = "--texture needs a file name";
                return false;
            }
            options.texture = value;
        } else {
            if (value.empty()) {
                error = name + " needs a file name, or - for standard output";
                return false;
            }
            sawOutput = true;
            options.output = value;
        }
    }

    if (options.picture && options.video) {
        error = "--at and --y4m do not go together: one picture or one stream";
        return false;
    }
    if (!options.picture && !options.video && sawOutput) {
        // A video file: its container from --format, else from the file name.
        options.videoFile = sawFormat || containerFromFileName(options.output, options.container);
        if (!options.videoFile) {
            error = "cannot tell what to write to \"" + options.output +
                    "\": name a .mp4, .mkv or .webm file (or give --format), --at MS for a "
                    "picture or --y4m for a raw stream";
            return false;
        }
    }
    if (options.picture && (sawFps || sawFrom || sawTo)) {
        error = "--fps, --from and --to belong to videos; a picture takes only --at";
        return false;
    }
    if (!options.videoFile && (sawFormat || sawQuality || options.soundGiven)) {
        error = "--format, --quality and --sound belong to video files (.mp4, .mkv, .webm)";
        return false;
    }
    if (wantsFrames(options) && options.toMs >= 0 && options.toMs < options.fromMs) {
        error = "--to " + std::to_string(options.toMs) + " comes before --from " +
                std::to_string(options.fromMs);
        return false;
    }
    if (!sawOutput) {
        error = "say where to write: -o FILE, or -o - for standard output";
        return false;
    }
    return true;
}

bool requestFitsShow(const RenderOptions& options, std::string& error) {
    const int64_t start = options.picture ? options.atMs : options.fromMs;
    if (start <= showEndMs) {
        return true;
    }
    error = "the show ends at " + std::to_string(showEndMs) + " ms; " +
            (options.picture ? "--at " : "--from ") + std::to_string(start) + " is after it";
    return false;
}

std::string renderUsage() {
    return R"(Usage: pp-render [--fps N] [--from MS] [--to MS] [options] -o VIDEO.mp4|.mkv|.webm
       pp-render --at MS [options] -o PICTURE.png
       pp-render --y4m [--fps N] [--from MS] [--to MS] [options] -o VIDEO.y4m
Plays the PP show on a virtual clock and writes what it shows, without a window on screen.

  -o VIDEO.mp4     a finished video with the sound track: MP4 (H.264 and AAC), .mkv (H.264
                   and Opus) or .webm (VP9 and Opus); the container from the name's extension
  --format F       mp4, mkv or webm, whatever the file's name
  --sound FILE     the sound track (default: bla_11.wav from the working directory, as the show
                   reads it; without one the video has the picture only)
  --quality N      0 (smallest file) to 100 (best picture), default 70: clean at 1280x720
  --at MS          one PNG picture of the show as it stands MS milliseconds after the start
  --y4m            every frame of the show, sampled --fps times a second, as a YUV4MPEG2
                   stream (4:2:0, BT.601 video range), without sound
  --fps N          frames per second of a video, 1 to 1000 (default 50)
  --from MS        the video starts at this instant (default 0); so does its sound
  --to MS          the video ends at this instant (default: the end of the show, )" +
           std::to_string(showEndMs) + R"()
  --size WxH       picture size in pixels (default 1280x720); larger than the screen is fine
  --texture FILE   the cube texture, a Windows bitmap (default: skin.bmp from the working
                   directory, as the show reads it; without one the cubes are untextured)
  -o, --output F   where to write; - is standard output
  --quiet          no progress or summary on standard error
  -h, --help       this text

Needs an X display for its OpenGL context (Xvfb serves); it draws into an offscreen buffer.
A file is written under a temporary name beside it and takes its place only when complete;
standard output, FIFOs and devices are written straight through. SIGINT or SIGTERM stops a
video after the frame in hand and keeps the whole frames written.
Exit status: 0 done, 1 failed while rendering or writing, 2 bad arguments, 130 or 143
stopped by SIGINT or SIGTERM.
)";
}
