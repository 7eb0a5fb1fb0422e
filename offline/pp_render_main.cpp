// pp-render: plays the PP show on a virtual clock and writes a picture of one instant or a video
// of the whole show, drawn offscreen by the program's own frame code.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "render/gl_setup.h"
#include "offline/offscreen_target.h"
#include "offline/png_file.h"
#include "offline/render_options.h"
#include "offline/show_recording.h"
#include "offline/y4m_stream.h"

namespace {

constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

using Clock = std::chrono::steady_clock;

void report(const std::string& message) {
    std::fprintf(stderr, "pp-render: %s\n", message.c_str());
}

// The cube texture: the named file, or "skin.bmp" in the working directory as the show reads
// it. A named file must be a readable bitmap; a missing default only leaves the cubes plain.
bool loadTexture(const RenderOptions& options, BitmapImage& image, std::string& error) {
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
    const bool read = loadBitmapFromStream(image, file);
    std::fclose(file);
    if (!read) {
        error = "the texture " + options.texture + " is not a bitmap the show can read";
        return false;
    }
    if (image.pixels == nullptr && !options.quiet) {
        report("note: the texture " + options.texture +
               " uses an encoding the show does not decode, the cubes are untextured");
    }
    return true;
}

struct Output {
    const RenderOptions* options;
    std::FILE* stream = nullptr;  // the video stream
    bool wroteHeader = false;
    int64_t framesWritten = 0;
    std::vector<uint8_t> frameBytes;
    std::vector<uint8_t> picture;  // the one picture of --at, written after the run
    std::string error;
    Clock::time_point started;
    Clock::time_point lastProgress;
    int64_t lastProgressShowMs = 0;
    bool progressOnTerminal = false;
};

// A line on standard error: rewritten in place on a terminal, every 10 s of show time in a log.
void showProgress(Output& out, int64_t timeMs, int64_t pictures) {
    if (out.options->quiet) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (out.progressOnTerminal) {
        if (now - out.lastProgress > std::chrono::milliseconds(200)) {
            std::fprintf(stderr, "\rpp-render: show time %6.2f s, %lld frames written",
                         static_cast<double>(timeMs) / 1000.0, static_cast<long long>(pictures));
            out.lastProgress = now;
        }
    } else if (timeMs - out.lastProgressShowMs >= 10000) {
        std::fprintf(stderr, "pp-render: show time %.2f s, %lld frames written\n",
                     static_cast<double>(timeMs) / 1000.0, static_cast<long long>(pictures));
        out.lastProgressShowMs = timeMs;
    }
}

bool takePicture(void* context, int64_t, const std::vector<uint8_t>& rgb) {
    static_cast<Output*>(context)->picture = rgb;
    return true;
}

bool writeVideoFrame(void* context, int64_t timeMs, const std::vector<uint8_t>& rgb) {
    auto& out = *static_cast<Output*>(context);
    const RenderOptions& o = *out.options;
    if (!out.wroteHeader) {
        const std::string header = y4mHeader(o.width, o.height, o.fps);
        if (std::fwrite(header.data(), 1, header.size(), out.stream) != header.size()) {
            out.error = std::string("could not write the video: ") + std::strerror(errno);
            return false;
        }
        out.wroteHeader = true;
    }
    out.frameBytes.clear();
    appendY4mFrame(rgb.data(), o.width, o.height, out.frameBytes);
    if (std::fwrite(out.frameBytes.data(), 1, out.frameBytes.size(), out.stream) !=
        out.frameBytes.size()) {
        out.error = std::string("could not write the video: ") + std::strerror(errno);
        return false;
    }
    out.framesWritten += 1;
    showProgress(out, timeMs, out.framesWritten);
    return true;
}

int renderPicture(const RenderOptions& options, const OffscreenTarget& target) {
    Output out;
    out.options = &options;
    RecordingPlan plan;
    plan.fromMs = options.atMs;
    plan.toMs = options.atMs;
    const RecordingResult result = recordShow(target, plan, takePicture, &out);
    if (result.pictures == 0) {
        report("the show ends at " + std::to_string(result.showEndMs) +
               " ms; nothing is on screen at " + std::to_string(options.atMs) + " ms");
        return exitFailed;
    }
    std::string error;
    if (!writePng(options.output, out.picture.data(), target.width, target.height, error)) {
        report(error);
        return exitFailed;
    }
    return 0;
}

int renderVideo(const RenderOptions& options, const OffscreenTarget& target) {
    Output out;
    out.options = &options;
    const bool toStdout = options.output == "-";
    out.stream = toStdout ? stdout : std::fopen(options.output.c_str(), "wb");
    if (out.stream == nullptr) {
        report("cannot create " + options.output + ": " + std::strerror(errno));
        return exitFailed;
    }
    out.progressOnTerminal = isatty(STDERR_FILENO) != 0;
    out.started = Clock::now();
    out.lastProgress = out.started;

    RecordingPlan plan;
    plan.fromMs = options.fromMs;
    plan.toMs = options.toMs;
    plan.fps = options.fps;
    const RecordingResult result = recordShow(target, plan, writeVideoFrame, &out);
    bool ok = !result.sinkStopped;
    if (ok && result.pictures == 0) {
        out.error = "the show ends at " + std::to_string(result.showEndMs) + " ms; --from " +
                    std::to_string(options.fromMs) + " is after it";
        ok = false;
    }
    if (std::fflush(out.stream) != 0 && ok) {
        out.error = std::string("could not write the video: ") + std::strerror(errno);
        ok = false;
    }
    if (!toStdout && std::fclose(out.stream) != 0 && ok) {
        out.error = std::string("could not write the video: ") + std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        if (out.progressOnTerminal && !options.quiet) {
            std::fputc('\n', stderr);
        }
        report(out.error);
        if (!toStdout) {
            std::remove(options.output.c_str());
        }
        return exitFailed;
    }
    if (!options.quiet) {
        if (out.progressOnTerminal) {
            std::fputc('\n', stderr);
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - out.started).count();
        std::fprintf(
            stderr,
            "pp-render: %lld frames of %dx%d at %d fps (%lld to %lld ms of the show), "
            "%lld show frames drawn, in %.1f s\n",
            static_cast<long long>(result.pictures), options.width, options.height, options.fps,
            static_cast<long long>(options.fromMs),
            static_cast<long long>(options.fromMs + (result.pictures - 1) * 1000 / options.fps),
            static_cast<long long>(result.framesDrawn), seconds);
    }
    return 0;
}

int run(int argc, char** argv) {
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(argc - 1, argv + 1, options, error)) {
        report(error);
        std::fputs("Try pp-render --help.\n", stderr);
        return exitUsage;
    }
    if (options.help) {
        std::fputs(renderUsage().c_str(), stdout);
        return 0;
    }
    if (options.output == "-" && isatty(STDOUT_FILENO)) {
        report("not writing binary data to a terminal; give -o FILE or redirect standard output");
        return exitUsage;
    }
    BitmapImage image = {};
    if (!loadTexture(options, image, error)) {
        report(error);
        return exitFailed;
    }
    OffscreenTarget target;
    if (!openRenderContext(error) ||
        !createOffscreenTarget(target, options.width, options.height, error)) {
        releaseBitmap(image);
        report(error);
        return exitFailed;
    }
    initLightingAndDepth();
    uploadCubeTexture(image);
    releaseBitmap(image);
    const int status =
        options.picture ? renderPicture(options, target) : renderVideo(options, target);
    checkLeaksBeforeExit();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that goes away (`pp-render ... -o - | head -c 100`) is a write error, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        report("out of memory");
        return exitFailed;
    }
}
