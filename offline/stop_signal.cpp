#include "offline/stop_signal.h"

#include <signal.h>

#include <csignal>

namespace {

// The signal that asked the run to stop (SIGINT or SIGTERM), 0 while none has.
volatile std::sig_atomic_t stopSignal = 0;

void requestStop(int signalNumber) {
    stopSignal = signalNumber;
}

}  // namespace

// Installed once the texture and the display are open: a texture that is a FIFO may wait in
// open for a writer, and Ctrl-C must still end that wait. Without SA_RESTART, an output FIFO's
// wait for its reader in open gives up at the signal (the kernel hands a process's signal to
// its main thread when that thread is waiting); writes go on by themselves (writeOutput).
void stopOnSignals() {
    struct sigaction action = {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool stopRequested() {
    return stopSignal != 0;
}

const char* stopSignalName() {
    return stopSignal == SIGINT ? "SIGINT" : "SIGTERM";
}

int stoppedStatus() {
    return 128 + static_cast<int>(stopSignal);
}
