// What pp-render says on standard error: one line per message, each starting "pp-render: ".
#pragma once
#include <cstdint>
#include <string>

#include "offline/render_options.h"

// Exit statuses besides 0 (done) and those of a stop by a signal (stop_signal.h).
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

void report(const std::string& message);

// What a stream wrote: for its summary, or the note of a stop.
struct RunTally {
    int64_t frames = 0;  // frames written
    int64_t fromMs = 0;  // the show's instants of the first and the last of them
    int64_t lastMs = 0;
    int64_t framesDrawn = 0;  // frames the show drew; a video file's run says stepped
    double seconds = 0;
};

// The line that ends a finished stream: what it holds, which part of the show, how long it took.
// withSound says whether a video file has the sound track.
void reportRunSummary(const RenderOptions& options, const RunTally& run, bool withSound);

// The note of a stream stopped by a signal, and the status to end with.
int reportStop(const RunTally& run, const std::string& outputName);
