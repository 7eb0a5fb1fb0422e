#include "offline/stop_signal.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <iterator>

namespace {

// The signal that asked the run to stop, 0 while none has.
volatile std::sig_atomic_t stopSignal = 0;

// The temporary to remove before the program ends by a signal; used only while set.
char temporaryName[PATH_MAX + 1];
volatile std::sig_atomic_t haveTemporary = 0;

// The signals whose default action does not end the program, and SIGKILL, which no one catches.
// Every other one is caught, the real-time ones included.
const int signalsLeftAlone[] = {SIGCHLD, SIGCONT, SIGSTOP,  SIGTSTP, SIGTTIN,
                                SIGTTOU, SIGURG,  SIGWINCH, SIGKILL};

// The first SIGINT, SIGTERM or SIGHUP asks the run to stop. Any other signal, or a second one
// (the user will not wait), removes the temporary and ends the program by the signal's own
// default action, so that the parent sees the signal (and a core where the signal makes one).
// Only async-signal-safe calls.
void onSignal(int signalNumber) {
    const bool stops = signalNumber == SIGINT || signalNumber == SIGTERM || signalNumber == SIGHUP;
    if (stops && stopSignal == 0) {
        stopSignal = signalNumber;
        return;
    }
    if (haveTemporary != 0) {
        unlink(temporaryName);
    }
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigaction(signalNumber, &byDefault, nullptr);
    // Blocked while the handler runs, the signal is delivered, by default, when it returns; a
    // fault (SIGSEGV) recurs at once and ends the program the same way.
    raise(signalNumber);
}

}  // namespace

// Installed once the texture and the display are open: a texture that is a FIFO may wait in
// open for a writer, and Ctrl-C must still end that wait. Without SA_RESTART, an output FIFO's
// wait for its reader in open gives up at the signal (the kernel hands a process's signal to
// its main thread when that thread is waiting); writes go on by themselves (writeOutput). A
// signal the program ignores (SIGPIPE, SIGXFSZ, SIGHUP under nohup) or that another handler
// takes (a sanitizer's) is left so; SIGINT and SIGTERM are always caught.
void stopOnSignals() {
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signalNumber = 1; signalNumber <= SIGRTMAX; ++signalNumber) {
        struct sigaction current = {};
        const bool byDefault = sigaction(signalNumber, nullptr, &current) == 0 &&
                               !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL;
        const bool endsTheProgram =
            std::find(std::begin(signalsLeftAlone), std::end(signalsLeftAlone), signalNumber) ==
            std::end(signalsLeftAlone);
        if ((byDefault && endsTheProgram) || signalNumber == SIGINT || signalNumber == SIGTERM) {
            sigaction(signalNumber, &action, nullptr);
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
    return stopSignal == SIGINT ? "SIGINT" : stopSignal == SIGHUP ? "SIGHUP" : "SIGTERM";
}

int stoppedStatus() {
    return 128 + static_cast<int>(stopSignal);
}
