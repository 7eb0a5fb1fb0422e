// How far a run has come, on standard error: one line, rewritten in place on a terminal and
// written a line at a time into a log.
#pragma once
#include <chrono>
#include <cstdint>

struct ProgressLine {
    bool shown = false;  // false with --quiet, and for a single picture
    bool onTerminal = false;
    int64_t framesExpected = 0;  // 0: the line says the show time reached instead
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastShown;
    int64_t lastShownShowMs = 0;
};

// Starts the run's clock. Where framesExpected is given (a video file), the line says the per
// cent done, the frames written, the frames per second and the time left, once a second and at
// the last frame. Without it (a Y4M stream) the line says the show time reached and the frames
// written: five times a second on a terminal, every 10 s of show time in a log.
void startProgressLine(ProgressLine& line, bool shown, int64_t framesExpected);
// After each frame written: its instant in the show, and the frames written so far.
void showProgress(ProgressLine& line, int64_t timeMs, int64_t framesWritten);
// Ends the line on a terminal, so that what follows starts a line of its own.
void endProgressLine(const ProgressLine& line);
// The seconds since the start.
double progressSeconds(const ProgressLine& line);
