#include "offline/stop_signal.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace {

// The signal that asked the run to stop, 0 while none has.
volatile std::sig_atomic_t stopSignal = 0;

// The temporary to remove before the program ends by a signal; used only while set.
char temporaryName[PATH_MAX + 1];
volatile std::sig_atomic_t haveTemporary = 0;

// Removes the temporary and ends the program by the signal's own default action, so that the
// parent sees the signal (and a core where the signal makes one). Only async-signal-safe calls.
void removeTemporaryAndEnd(int signalNumber) {
    if (haveTemporary != 0) {
        unlink(temporaryName);
    }
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signalNumber, &byDefault, nullptr);
    // Blocked while the handler runs, the signal is delivered, by default, when it returns; a
    // fault (SIGSEGV) recurs at once and ends the program the same way.
    raise(signalNumber);
}

void requestStop(int signalNumber) {
    if (stopSignal != 0) {
        removeTemporaryAndEnd(signalNumber);  // a second signal: the user will not wait
        return;
    }
    stopSignal = signalNumber;
}

bool handledByDefault(int signalNumber) {
    struct sigaction current = {};
    return sigaction(signalNumber, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
           current.sa_handler == SIG_DFL;
}

void catchSignal(int signalNumber, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signalNumber, &action, nullptr);
}

// The signals whose default action ends the program, besides the three that stop a run, the
// two the program ignores (SIGPIPE, SIGXFSZ) and SIGKILL, which no one catches.
const int endingSignals[] = {SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,
                             SIGIO,   SIGPWR,  SIGXCPU, SIGSYS,  SIGTRAP,   SIGABRT,
                             SIGSEGV, SIGBUS,  SIGFPE,  SIGILL,  SIGSTKFLT};

}  // namespace

// Installed once the texture and the display are open: a texture that is a FIFO may wait in
// open for a writer, and Ctrl-C must still end that wait. Without SA_RESTART, an output FIFO's
// wait for its reader in open gives up at the signal (the kernel hands a process's signal to
// its main thread when that thread is waiting); writes go on by themselves (writeOutput).
void stopOnSignals() {
    catchSignal(SIGINT, requestStop);
    catchSignal(SIGTERM, requestStop);
    if (handledByDefault(SIGHUP)) {
        catchSignal(SIGHUP, requestStop);
    }
    for (const int signalNumber : endingSignals) {
        if (handledByDefault(signalNumber)) {
            catchSignal(signalNumber, removeTemporaryAndEnd);
        }
    }
    for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; ++signalNumber) {
        if (handledByDefault(signalNumber)) {
            catchSignal(signalNumber, removeTemporaryAndEnd);
        }
    }
}

void removeOnFatalSignal(const std::string& temporary) {
    haveTemporary = 0;
    if (temporary.size() < sizeof temporaryName) {
        std::memcpy(temporaryName, temporary.c_str(), temporary.size() + 1);
        haveTemporary = 1;
    }
}

void forgetFatalSignalFile() {
    haveTemporary = 0;
}

bool stopRequested() {
    return stopSignal != 0;
}

const char* stopSignalName() {
    switch (stopSignal) {
        case SIGINT:
            return "SIGINT";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "SIGTERM";
    }
}

int stoppedStatus() {
    return 128 + static_cast<int>(stopSignal);
}
