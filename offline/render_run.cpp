#include "offline/render_run.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "anim/schedule.h"
#include "offline/progress_line.h"
#include "offline/render_context.h"
#include "offline/render_output.h"
#include "offline/render_report.h"
#include "offline/show_recording.h"
#include "offline/stop_signal.h"

namespace {

// A file is replaced only when complete; the fsync makes sure that the file which takes the
// old one's place really holds the frames before the old one is gone.
constexpr bool syncBeforeReplacing = true;

struct Run {
    RenderOutput output;
    ProgressLine progress;
    int64_t framesWritten = 0;
};

// Hands each picture of the recording to the output, and says whether to go on: not after the
// writing failed, nor once a signal has asked to stop, so that a stream ends after a whole frame.
bool takePicture(void* context, int64_t timeMs, const std::vector<uint8_t>& rgb) {
    auto& run = *static_cast<Run*>(context);
    if (!run.output.take(run.output.context, rgb)) {
        return false;  // the output has the reason
    }
    run.framesWritten += 1;
    showProgress(run.progress, timeMs, run.framesWritten);
    return !stopRequested();
}

bool openRenderOutput(const RenderOptions& options, const VideoSettings& settings, OutputFile& file,
                      RenderOutput& output, std::string& error) {
    if (options.picture) {
        return openPngOutput(options, file, output, error);
    }
    if (options.videoFile) {
        return openVideoFileOutput(settings, file, output, error);
    }
    return openY4mOutput(options, file, output, error);
}

RecordingPlan recordingPlanFor(const RenderOptions& options) {
    RecordingPlan plan;
    plan.fromMs = options.picture ? options.atMs : options.fromMs;
    plan.toMs = options.picture ? options.atMs : options.toMs;
    plan.fit = options.fit;
    if (!options.picture) {
        plan.fps = options.fps;
    }
    return plan;
}

// The frames a video will hold: from --from to --to, or to the show's end.
int64_t framesExpected(const RenderOptions& options) {
    const int64_t lastMs =
        options.toMs >= 0 ? std::min<int64_t>(options.toMs, showEndMs) : showEndMs;
    return (lastMs - options.fromMs) * options.fps / 1000 + 1;
}

// Ends the output's writing and commits the file. False with the reason.
bool finishOutput(const RenderOptions& options, const RecordingResult& result, Run& run,
                  OutputFile& file, std::string& error) {
    if (result.pictures == 0) {
        // requestFitsShow keeps instants after the end from getting here.
        run.output.stop(run.output.context);
        error = "the show ended at " + std::to_string(result.showEndMs) + " ms; " +
                (options.picture ? "nothing is on screen at " + std::to_string(options.atMs) + " ms"
                                 : "--from " + std::to_string(options.fromMs) + " is after it");
        return false;
    }
    return run.output.finish(run.output.context, error) &&
           commitOutput(file, syncBeforeReplacing, error);
}

// The summary of a finished stream, or the note of a stopped one; the exit status.
int reportOutcome(const RenderOptions& options, const RecordingResult& result, const Run& run,
                  bool quiet, const std::string& outputName, RunTally& tally) {
    tally.frames = run.framesWritten;
    tally.fromMs = options.fromMs;
    tally.lastMs = options.fromMs + (run.framesWritten - 1) * 1000 / options.fps;
    tally.framesDrawn = result.framesDrawn;
    tally.seconds = progressSeconds(run.progress);
    // A signal that came while the last frame was being finished stopped nothing.
    tally.complete = run.framesWritten == framesExpected(options);
    if (stopRequested()) {
        // The frames written so far make a whole stream.
        return reportStop(tally, outputName);
    }
    if (!quiet) {
        reportRunSummary(options, tally);
    }
    return 0;
}

}  // namespace

bool outputIsSensible(int descriptor, const std::string& name, std::string& error) {
    if (isatty(descriptor)) {
        error = "not writing binary data to a terminal (" + name +
                "); give -o FILE or redirect standard output";
        return false;
    }
    if (sharesStandardError(descriptor)) {
        error = "not writing to " + name +
                ": standard error goes there too, and the messages "
                "would mix with the frames; send one of them elsewhere";
        return false;
    }
    return true;
}

int openOutputOrReport(const std::string& path, OutputFile& file) {
    std::string error;
    if (openOutput(path, file, error)) {
        // Judged by the file itself, whatever its name (/dev/tty, a link to a terminal, a FIFO
        // that standard error also writes to).
        if (outputIsSensible(file.descriptor, file.name, error)) {
            return 0;
        }
        abandonOutput(file);
        report(error);
        return exitUsage;
    }
    if (stopRequested()) {
        report(std::string("stopped by ") + stopSignalName() + " before anything was written");
        return stoppedStatus();
    }
    report(error);
    return exitFailed;
}

int renderShow(const RenderOptions& options, const VideoSettings& settings,
               const OffscreenTarget& target, OutputFile& file, const std::string& texture) {
    Run run;
    std::string error;
    if (!openRenderOutput(options, settings, file, run.output, error)) {
        abandonOutput(file);
        report(error);
        return exitFailed;
    }
    const bool quiet = options.quiet;
    // A video file's line counts its frames down; a Y4M stream's says the show time reached.
    startProgressLine(run.progress, !quiet && !options.picture,
                      options.videoFile ? framesExpected(options) : 0);
    const RecordingResult result = recordShow(target, recordingPlanFor(options), takePicture, &run);
    if (options.picture && stopRequested()) {
        run.output.stop(run.output.context);
        abandonOutput(file);
        report(std::string("stopped by ") + stopSignalName() + "; no picture written");
        return stoppedStatus();
    }
    const bool finished = finishOutput(options, result, run, file, error);
    endProgressLine(run.progress);
    if (!finished) {
        abandonOutput(file);
        report(error);
        return exitFailed;
    }
    if (options.picture) {
        return 0;
    }
    RunTally tally;
    tally.texture = texture;
    tally.sound = settings.sound != nullptr ? options.sound : "";
    tally.renderer = renderContextName();
    return reportOutcome(options, result, run, quiet, file.name, tally);
}
