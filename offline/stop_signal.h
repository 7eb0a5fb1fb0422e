// Signals during a run. SIGINT, SIGTERM and SIGHUP (a closed terminal, a dropped ssh session)
// stop the video after the frame in hand, and it keeps what it has; a second one ends the
// program at once. Every other signal that ends a program by default still ends it, but first
// removes the hidden temporary of a file output, so that nothing is left behind.
#pragma once
#include <string>

// Catches the signals from now on. Called once the texture and the display are open: before
// that a signal ends the program as usual, nothing having been written. A signal that the
// program was started with ignored (SIGHUP under nohup) or that another handler already takes
// (a sanitizer's) is left as it is; so are SIGINT and SIGTERM's, which are always caught.
void stopOnSignals();

// The temporary a signal that ends the program removes first, while it exists; forgetting it
// once it is renamed or removed. The name is copied beforehand, so that the handler only calls
// unlink.
void removeOnFatalSignal(const std::string& temporary);
void forgetFatalSignalFile();

// Whether a signal has asked the run to stop.
bool stopRequested();
// The signal's name ("SIGINT", "SIGTERM" or "SIGHUP"), for the note of the stop.
const char* stopSignalName();
// The exit status of a run stopped by the signal, as a shell reports a command the signal ended.
int stoppedStatus();
