// pp-render: plays the PP show on a virtual clock and writes a picture of one instant or a video
// of the whole show, drawn offscreen by the program's own frame code.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <new>
#include <string>

#include "image/bitmap.h"
#include "offline/offscreen_target.h"
#include "offline/output_file.h"
#include "offline/render_context.h"
#include "offline/render_options.h"
#include "offline/render_output.h"
#include "offline/render_report.h"
#include "offline/render_run.h"
#include "offline/show_assets.h"
#include "offline/stop_signal.h"
#include "offline/texture_file.h"
#include "process/standard_streams.h"
#include "render/gl_setup.h"

namespace {

// What is refused before anything is read or opened: an instant after the show's end, an output
// whose name says another kind of file, and binary data for a terminal. False with the reason.
bool requestIsSensible(const RenderOptions& options, std::string& error) {
    if (!requestFitsShow(options, error) || !outputNameFits(options, error)) {
        return false;
    }
    VideoSettings size;
    size.container = options.container;
    size.width = options.width;
    size.height = options.height;
    if (options.videoFile && !videoSizeFits(size, error)) {
        return false;
    }
    // A descriptor the program holds is judged now, before a note can reach it; other names
    // once they are open (openOutputOrReport).
    const int held = heldOutputDescriptor(options.output);
    return held < 0 || outputIsSensible(
                           held, options.output == "-" ? "standard output" : options.output, error);
}

// The texture, the GL context and the offscreen target, with the show's GL state set up as the
// program sets it up; texture names the file the cubes wear (empty: untextured). 0, or the exit
// status to end with and the reason: a GPU asked for and not there is a bad request.
int openDrawing(const RenderOptions& options, OffscreenTarget& target, std::string& texture,
                std::string& error) {
    BitmapImage image = {};
    if (!loadRenderTexture(options, image, error)) {
        return exitFailed;
    }
    texture = image.pixels == nullptr ? "" : options.texture.empty() ? "skin.bmp" : options.texture;
    const ContextOpened context = openRenderContext(options.device, error);
    if (context != ContextOpened::yes ||
        !createOffscreenTarget(target, options.width, options.height, error)) {
        releaseBitmap(image);
        return context == ContextOpened::noGpu ? exitUsage : exitFailed;
    }
    initLightingAndDepth();
    uploadCubeTexture(image);
    releaseBitmap(image);
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
    if (options.version) {
        std::printf("pp-render %s\n", PP_VERSION);
        return 0;
    }
    if (!requestIsSensible(options, error)) {
        report(error);
        return exitUsage;
    }
    findDefaultShowFiles(options);
    VideoSound sound;
    VideoSettings settings;
    OffscreenTarget target;
    std::string texture;
    if (options.videoFile && !prepareVideoFile(options, sound, settings, error)) {
        report(error);
        return exitFailed;
    }
    const int drawing = openDrawing(options, target, texture, error);
    if (drawing != 0) {
        report(error);
        return drawing;
    }
    stopOnSignals();

    OutputFile file;
    int status = openOutputOrReport(options.output, file);
    if (status == 0) {
        try {
            status = renderShow(options, settings, target, file, texture);
        } catch (...) {
            abandonOutput(file);  // out of memory: the temporary goes, the target stays
            throw;
        }
    }
    checkLeaksBeforeExit();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Started with standard error closed, the X connection would take descriptor 2 and every
    // message would go into it.
    if (!openStandardDescriptors()) {
        return exitFailed;  // nowhere to say so
    }
    // A reader that goes away (`pp-render ... -o - | head -c 100`) and a file that reaches the
    // file size limit are write errors, reported and cleaned up like any other, not signals.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        report("out of memory");
        return exitFailed;
    }
}
