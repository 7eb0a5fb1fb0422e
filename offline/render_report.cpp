#include "offline/render_report.h"

#include <cstdio>

#include "offline/stop_signal.h"

void report(const std::string& message) {
    std::fprintf(stderr, "pp-render: %s\n", message.c_str());
}

void reportRunSummary(const RenderOptions& options, const RunTally& run, bool withSound) {
    char written[256];
    std::snprintf(written, sizeof written,
                  "%lld frames of %dx%d at %d fps (%lld to %lld ms of the show)",
                  static_cast<long long>(run.frames), options.width, options.height, options.fps,
                  static_cast<long long>(run.fromMs), static_cast<long long>(run.lastMs));
    if (options.videoFile) {
        std::fprintf(
            stderr, "pp-render: %s%s, %s, in %.1f s (%.1f frames/s), %lld show frames stepped\n",
            written, withSound ? " with sound" : ", picture only", containerName(options.container),
            run.seconds, static_cast<double>(run.frames) / run.seconds,
            static_cast<long long>(run.framesDrawn));
    } else {
        std::fprintf(stderr, "pp-render: %s, %lld show frames drawn, in %.1f s\n", written,
                     static_cast<long long>(run.framesDrawn), run.seconds);
    }
}

int reportStop(const RunTally& run, const std::string& outputName) {
    report(std::string("stopped by ") + stopSignalName() + " after " + std::to_string(run.frames) +
           " whole frames (" + std::to_string(run.fromMs) + " to " + std::to_string(run.lastMs) +
           " ms of the show), written to " + outputName);
    return stoppedStatus();
}
