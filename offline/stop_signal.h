// SIGINT and SIGTERM during a run: the video stops after the frame in hand and keeps what it
// has; a second signal ends the program at once.
#pragma once

// Catches the two signals from now on. Called once the texture and the display are open: before
// that a signal ends the program as usual, nothing having been written.
void stopOnSignals();

// Whether a signal has asked the run to stop.
bool stopRequested();
// The signal's name ("SIGINT" or "SIGTERM"), for the note of the stop.
const char* stopSignalName();
// The exit status of a run stopped by the signal, as a shell reports a command the signal ended.
int stoppedStatus();
