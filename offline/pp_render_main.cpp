// pp-render: plays the PP show on a virtual clock and writes a picture of one instant or a video
// of the whole show, drawn offscreen by the program's own frame code.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "anim/schedule.h"
#include "process/standard_streams.h"
#include "image/bitmap.h"
#include "offline/offscreen_target.h"
#include "offline/output_file.h"
#include "offline/picture_queue.h"
#include "offline/png_file.h"
#include "offline/render_options.h"
#include "offline/show_recording.h"
#include "offline/video_file.h"
#include "offline/y4m_stream.h"
#include "render/gl_setup.h"

namespace {

constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

using Clock = std::chrono::steady_clock;

void report(const std::string& message) {
    std::fprintf(stderr, "pp-render: %s\n", message.c_str());
}

// The signal that asked the run to stop (SIGINT or SIGTERM), 0 while none has. The video stops
// after the frame in hand and keeps what it has; a second signal ends the program at once.
volatile std::sig_atomic_t stopSignal = 0;

void requestStop(int signalNumber) {
    stopSignal = signalNumber;
}

// Installed once the texture and the display are open: before that a signal ends the program
// as usual, nothing having been written (a texture that is a FIFO may wait in open for a
// writer, and Ctrl-C must still end that wait). Without SA_RESTART, an output FIFO's wait for
// its reader in open gives up at the signal (the kernel hands a process's signal to its main
// thread when that thread is waiting); writes go on by themselves (writeOutput).
void stopOnSignals() {
    struct sigaction action = {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// The exit status of a run stopped by a signal, as a shell reports a command it ended.
int stoppedStatus() {
    return 128 + static_cast<int>(stopSignal);
}

const char* stopSignalName() {
    return stopSignal == SIGINT ? "SIGINT" : "SIGTERM";
}

// The note of a video stopped by a signal, and the status to end with.
int reportStop(int64_t frames, int64_t fromMs, int64_t lastMs, const std::string& name) {
    report(std::string("stopped by ") + stopSignalName() + " after " + std::to_string(frames) +
           " whole frames (" + std::to_string(fromMs) + " to " + std::to_string(lastMs) +
           " ms of the show), written to " + name);
    return stoppedStatus();
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

// The Y4M stream's writing thread: what it holds while it runs.
struct Y4mWriter {
    const RenderOptions* options;
    OutputFile* file = nullptr;  // where the video goes
    bool wroteHeader = false;
    std::vector<uint8_t> frameBytes;
    std::string error;
};

struct Output {
    const RenderOptions* options;
    PictureQueue* frames = nullptr;  // to the Y4M writer
    int64_t framesWritten = 0;       // handed to the writer
    std::vector<uint8_t> picture;    // the one picture of --at, written after the run
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

// Writes one frame and says whether to go on: not after a write failed, nor once a signal has
// asked to stop, so that the stream ends after a whole frame.
// The writing thread's work for each frame: the conversion and the write, beside the drawing
// of the next frame.
bool writeY4mFrame(void* context, const std::vector<uint8_t>& rgb) {
    auto& writer = *static_cast<Y4mWriter*>(context);
    const RenderOptions& o = *writer.options;
    if (!writer.wroteHeader) {
        const std::string header = y4mHeader(o.width, o.height, o.fps);
        if (!writeOutput(*writer.file, header.data(), header.size(), writer.error)) {
            return false;
        }
        writer.wroteHeader = true;
    }
    writer.frameBytes.clear();
    appendY4mFrame(rgb.data(), o.width, o.height, writer.frameBytes);
    return writeOutput(*writer.file, writer.frameBytes.data(), writer.frameBytes.size(),
                       writer.error);
}

bool writeVideoFrame(void* context, int64_t timeMs, const std::vector<uint8_t>& rgb) {
    auto& out = *static_cast<Output*>(context);
    if (!queuePicture(out.frames, rgb)) {
        return false;  // a write failed: the writer has the reason
    }
    out.framesWritten += 1;
    showProgress(out, timeMs, out.framesWritten);
    return stopSignal == 0;
}

// Opened once the signals are caught, so that a stop leaves no temporary behind. Exit status 0
// when it is open, else the status to end with.
int openOutputOrReport(const RenderOptions& options, OutputFile& file) {
    std::string error;
    if (openOutput(options.output, file, error)) {
        return 0;
    }
    if (stopSignal != 0) {
        report(std::string("stopped by ") + stopSignalName() + " before anything was written");
        return stoppedStatus();
    }
    report(error);
    return exitFailed;
}

// A file is replaced only when complete; the fsync makes sure that the file which takes the
// old one's place really holds the frames before the old one is gone.
constexpr bool syncBeforeReplacing = true;

int renderPicture(const RenderOptions& options, const OffscreenTarget& target, OutputFile& file) {
    Output out;
    out.options = &options;
    RecordingPlan plan;
    plan.fromMs = options.atMs;
    plan.toMs = options.atMs;
    const RecordingResult result = recordShow(target, plan, takePicture, &out);
    if (stopSignal != 0) {
        abandonOutput(file);
        report(std::string("stopped by ") + stopSignalName() + "; no picture written");
        return stoppedStatus();
    }
    std::string error;
    if (result.pictures == 0) {
        // requestFitsShow keeps instants after the end from getting here.
        error = "the show ended at " + std::to_string(result.showEndMs) +
                " ms; nothing is on screen at " + std::to_string(options.atMs) + " ms";
    } else if (writePngToOutput(file, out.picture.data(), target.width, target.height, error) &&
               commitOutput(file, syncBeforeReplacing, error)) {
        return 0;
    }
    abandonOutput(file);
    report(error);
    return exitFailed;
}

int renderVideo(const RenderOptions& options, const OffscreenTarget& target, OutputFile& file) {
    Y4mWriter writer;
    writer.options = &options;
    writer.file = &file;
    Output out;
    out.options = &options;
    out.frames = startPictureQueue(writeY4mFrame, &writer);
    out.progressOnTerminal = isatty(STDERR_FILENO) != 0;
    out.started = Clock::now();
    out.lastProgress = out.started;

    RecordingPlan plan;
    plan.fromMs = options.fromMs;
    plan.toMs = options.toMs;
    plan.fps = options.fps;
    const RecordingResult result = recordShow(target, plan, writeVideoFrame, &out);
    finishPictureQueue(out.frames);  // every frame handed over is written, or writer.error says why
    out.error = writer.error;
    // Stopped by a signal: the frames written so far make a whole stream.
    const bool stopped = stopSignal != 0 && out.error.empty();
    bool ok = out.error.empty();
    if (ok && result.pictures == 0) {
        // requestFitsShow keeps a --from after the end from getting here.
        out.error = "the show ended at " + std::to_string(result.showEndMs) + " ms; --from " +
                    std::to_string(options.fromMs) + " is after it";
        ok = false;
    }
    ok = ok && commitOutput(file, syncBeforeReplacing, out.error);
    if (out.progressOnTerminal && !options.quiet) {
        std::fputc('\n', stderr);
    }
    if (!ok) {
        abandonOutput(file);
        report(out.error);
        return exitFailed;
    }
    const int64_t lastMs = options.fromMs + (out.framesWritten - 1) * 1000 / options.fps;
    if (stopped) {
        return reportStop(out.framesWritten, options.fromMs, lastMs, file.name);
    }
    if (!options.quiet) {
        const double seconds = std::chrono::duration<double>(Clock::now() - out.started).count();
        std::fprintf(stderr,
                     "pp-render: %lld frames of %dx%d at %d fps (%lld to %lld ms of the show), "
                     "%lld show frames drawn, in %.1f s\n",
                     static_cast<long long>(out.framesWritten), options.width, options.height,
                     options.fps, static_cast<long long>(options.fromMs),
                     static_cast<long long>(lastMs), static_cast<long long>(result.framesDrawn),
                     seconds);
    }
    return 0;
}

// A video file: the encoding thread takes each picture; the progress line says how far along
// the run is and how long it has left.
struct VideoOutput {
    const RenderOptions* options;
    VideoFile* file = nullptr;
    int64_t picturesExpected = 0;
    int64_t picturesWritten = 0;
    Clock::time_point started;
    Clock::time_point lastProgress;
    bool progressOnTerminal = false;
};

void showVideoProgress(VideoOutput& out) {
    const Clock::time_point now = Clock::now();
    const bool last = out.picturesWritten == out.picturesExpected;
    if (out.options->quiet || (now - out.lastProgress < std::chrono::seconds(1) && !last)) {
        return;
    }
    out.lastProgress = now;
    const double seconds = std::chrono::duration<double>(now - out.started).count();
    const double rate = seconds > 0 ? static_cast<double>(out.picturesWritten) / seconds : 0;
    const double left =
        rate > 0 ? static_cast<double>(out.picturesExpected - out.picturesWritten) / rate : 0;
    std::fprintf(
        stderr, "%spp-render: %3d%%, %lld of %lld frames, %.1f frames/s, %.0f s left%s",
        out.progressOnTerminal ? "\r" : "",
        static_cast<int>(100 * out.picturesWritten / std::max<int64_t>(out.picturesExpected, 1)),
        static_cast<long long>(out.picturesWritten), static_cast<long long>(out.picturesExpected),
        rate, left, out.progressOnTerminal ? "" : "\n");
}

bool encodeVideoFrame(void* context, int64_t, const std::vector<uint8_t>& rgb) {
    auto& out = *static_cast<VideoOutput*>(context);
    if (!writeVideoPicture(out.file, rgb)) {
        return false;
    }
    out.picturesWritten += 1;
    showVideoProgress(out);
    return stopSignal == 0;
}

// The sound track of a video file: the one asked for must be readable; the default one may be
// missing, and the video then has the picture only.
bool loadSoundForVideo(const RenderOptions& options, VideoSound& sound, bool& haveSound,
                       std::string& error) {
    haveSound = loadVideoSound(options.sound, sound, error);
    if (!haveSound && !options.soundGiven) {
        if (!options.quiet) {
            report("note: no readable " + options.sound +
                   " in the working directory, the video has the picture only");
        }
        error.clear();
        return true;
    }
    return haveSound;
}

int renderVideoFile(const RenderOptions& options, const OffscreenTarget& target, OutputFile& output,
                    const VideoSettings& settings) {
    std::string error;
    // A file is written by name, so that the MP4 muxer can move its index to the front; what is
    // written straight through goes to the descriptor, in pieces that need no going back.
    const bool seekable = !output.temporary.empty();
    const std::string path =
        seekable ? output.temporary : "pipe:" + std::to_string(output.descriptor);
    VideoOutput out;
    out.options = &options;
    out.file = openVideoFile(path, seekable, settings, error);
    if (out.file == nullptr) {
        abandonOutput(output);
        report(error);
        return exitFailed;
    }
    const int64_t lastMs =
        options.toMs >= 0 ? std::min<int64_t>(options.toMs, showEndMs) : showEndMs;
    out.picturesExpected = (lastMs - options.fromMs) * options.fps / 1000 + 1;
    out.progressOnTerminal = isatty(STDERR_FILENO) != 0;
    out.started = Clock::now();

    RecordingPlan plan;
    plan.fromMs = options.fromMs;
    plan.toMs = options.toMs;
    plan.fps = options.fps;
    const RecordingResult result = recordShow(target, plan, encodeVideoFrame, &out);
    const bool closed = closeVideoFile(out.file, error);
    const bool committed = closed && commitOutput(output, syncBeforeReplacing, error);
    if (out.progressOnTerminal && !options.quiet) {
        std::fputc('\n', stderr);
    }
    if (!committed) {
        abandonOutput(output);
        report(error);
        return exitFailed;
    }
    const int64_t shownToMs = options.fromMs + (out.picturesWritten - 1) * 1000 / options.fps;
    if (stopSignal != 0) {
        return reportStop(out.picturesWritten, options.fromMs, shownToMs, output.name);
    }
    if (!options.quiet) {
        const double seconds = std::chrono::duration<double>(Clock::now() - out.started).count();
        std::fprintf(stderr,
                     "pp-render: %lld frames of %dx%d at %d fps (%lld to %lld ms of the show)%s, "
                     "%s, in %.1f s (%.1f frames/s), %lld show frames stepped\n",
                     static_cast<long long>(out.picturesWritten), options.width, options.height,
                     options.fps, static_cast<long long>(options.fromMs),
                     static_cast<long long>(shownToMs),
                     settings.sound != nullptr ? " with sound" : ", picture only",
                     containerName(settings.container), seconds,
                     static_cast<double>(out.picturesWritten) / seconds,
                     static_cast<long long>(result.framesDrawn));
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
    if (!requestFitsShow(options, error)) {
        report(error);
        return exitUsage;
    }
    if ((options.output == "-" || options.output == "/dev/stdout") && isatty(STDOUT_FILENO)) {
        report("not writing binary data to a terminal; give -o FILE or redirect standard output");
        return exitUsage;
    }
    // A video file's sound and encoders are judged before anything is drawn or opened.
    VideoSound sound;
    bool haveSound = false;
    VideoSettings settings;
    if (options.videoFile) {
        if (!loadSoundForVideo(options, sound, haveSound, error)) {
            report(error);
            return exitFailed;
        }
        settings.container = options.container;
        settings.width = options.width;
        settings.height = options.height;
        settings.fps = options.fps;
        settings.quality = options.quality;
        settings.soundFromMs = options.fromMs;
        settings.sound = haveSound ? &sound : nullptr;
        if (!videoEncodersAvailable(settings, error)) {
            report(error);
            return exitFailed;
        }
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
    stopOnSignals();

    OutputFile file;
    int status = openOutputOrReport(options, file);
    if (status == 0) {
        try {
            status = options.picture     ? renderPicture(options, target, file)
                     : options.videoFile ? renderVideoFile(options, target, file, settings)
                                         : renderVideo(options, target, file);
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
