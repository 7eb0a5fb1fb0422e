#include "offline/progress_line.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

// The first frames carry the start-up (the encoder's first pictures, the drawing's first
// allocations): the time left is said once this much of the run has passed.
constexpr double secondsBeforeEstimate = 3.0;

// On a terminal each report starts at the line's start and erases what a longer one before it
// left at its end; in a log each is a line.
const char* lineStart(const ProgressLine& line) {
    return line.onTerminal ? "\r" : "";
}
const char* lineEnd(const ProgressLine& line) {
    return line.onTerminal ? "\033[K" : "\n";
}

void showFramesLeft(ProgressLine& line, int64_t framesWritten) {
    const Clock::time_point now = Clock::now();
    const bool last = framesWritten == line.framesExpected;
    if (now - line.lastShown < std::chrono::seconds(1) && !last) {
        return;
    }
    line.lastShown = now;
    const double seconds = std::chrono::duration<double>(now - line.started).count();
    const double rate = seconds > 0 ? static_cast<double>(framesWritten) / seconds : 0;
    char left[64] = "";
    if (seconds >= secondsBeforeEstimate && rate > 0 && !last) {
        std::snprintf(left, sizeof left, ", %.0f s left",
                      static_cast<double>(line.framesExpected - framesWritten) / rate);
    }
    std::fprintf(stderr, "%spp-render: %3d%%, %lld of %lld frames, %.1f frames/s%s%s",
                 lineStart(line),
                 static_cast<int>(100 * framesWritten / std::max<int64_t>(line.framesExpected, 1)),
                 static_cast<long long>(framesWritten), static_cast<long long>(line.framesExpected),
                 rate, left, lineEnd(line));
}

void showShowTime(ProgressLine& line, int64_t timeMs, int64_t framesWritten) {
    const Clock::time_point now = Clock::now();
    if (line.onTerminal) {
        if (now - line.lastShown > std::chrono::milliseconds(200)) {
            std::fprintf(stderr, "%spp-render: show time %6.2f s, %lld frames written%s",
                         lineStart(line), static_cast<double>(timeMs) / 1000.0,
                         static_cast<long long>(framesWritten), lineEnd(line));
            line.lastShown = now;
        }
    } else if (timeMs - line.lastShownShowMs >= 10000) {
        std::fprintf(stderr, "pp-render: show time %.2f s, %lld frames written\n",
                     static_cast<double>(timeMs) / 1000.0, static_cast<long long>(framesWritten));
        line.lastShownShowMs = timeMs;
    }
}

}  // namespace

void startProgressLine(ProgressLine& line, bool shown, int64_t framesExpected) {
    line = ProgressLine{};
    line.shown = shown;
    line.onTerminal = isatty(STDERR_FILENO) != 0;
    line.framesExpected = framesExpected;
    line.started = Clock::now();
    // The count shows the first frame at once; the show time on a terminal waits 200 ms.
    line.lastShown = framesExpected > 0 ? Clock::time_point{} : line.started;
}

void showProgress(ProgressLine& line, int64_t timeMs, int64_t framesWritten) {
    if (!line.shown) {
        return;
    }
    if (line.framesExpected > 0) {
        showFramesLeft(line, framesWritten);
    } else {
        showShowTime(line, timeMs, framesWritten);
    }
}

void endProgressLine(const ProgressLine& line) {
    if (line.shown && line.onTerminal) {
        std::fputc('\n', stderr);
    }
}

double progressSeconds(const ProgressLine& line) {
    return std::chrono::duration<double>(Clock::now() - line.started).count();
}
