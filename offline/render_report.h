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
    bool complete = false;  // every frame asked for was written (a stop came while finishing)
    std::string texture;    // the file the cubes wear; empty when they are untextured
    std::string sound;      // a video file's sound track; empty when it has the picture only
    std::string renderer;   // what drew the frames, as GL names it
};

// The line that ends a finished stream: what it holds, which part of the show, how long it took,
// which texture and sound track it used, and what drew it.
void reportRunSummary(const RenderOptions& options, const RunTally& run);

// The note of a stream stopped by a signal, and the status to end with.
int reportStop(const RunTally& run, const std::string& outputName);
