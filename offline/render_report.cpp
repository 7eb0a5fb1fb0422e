#include "offline/render_report.h"

#include <cstdio>

#include "offline/stop_signal.h"

void report(const std::string& message) {
    std::fprintf(stderr, "pp-render: %s\n", message.c_str());
}

void reportRunSummary(const RenderOptions& options, const RunTally& run) {
    char written[256];
    std::snprintf(written, sizeof written,
                  "%lld frames of %dx%d at %d fps (%lld to %lld ms of the show)",
                  static_cast<long long>(run.frames), options.width, options.height, options.fps,
                  static_cast<long long>(run.fromMs), static_cast<long long>(run.lastMs));
    const std::string texture =
        run.texture.empty() ? "untextured cubes" : "the texture " + run.texture;
    if (options.videoFile) {
        const std::string sound =
            run.sound.empty() ? ", picture only" : " with the sound track " + run.sound;
        std::fprintf(stderr,
                     "pp-render: %s%s, %s, in %.1f s (%.1f frames/s), %lld show frames stepped, "
                     "%s, drawn by %s\n",
                     written, sound.c_str(), containerName(options.container), run.seconds,
                     static_cast<double>(run.frames) / run.seconds,
                     static_cast<long long>(run.framesDrawn), texture.c_str(),
                     run.renderer.c_str());
    } else {
        std::fprintf(stderr, "pp-render: %s, %lld show frames drawn, in %.1f s, %s, drawn by %s\n",
                     written, static_cast<long long>(run.framesDrawn), run.seconds, texture.c_str(),
                     run.renderer.c_str());
    }
}

int reportStop(const RunTally& run, const std::string& outputName) {
    const std::string frames = std::to_string(run.frames) + " whole frames (" +
                               std::to_string(run.fromMs) + " to " + std::to_string(run.lastMs) +
                               " ms of the show)";
    if (run.complete) {
        report(std::string("stopped by ") + stopSignalName() +
               " while the output was being finished; it is complete: " + frames + ", written to " +
               outputName);
    } else {
        report(std::string("stopped by ") + stopSignalName() + " after " + frames +
               ", written to " + outputName);
    }
    return stoppedStatus();
}
