// Signal handlers that only record the signal.
#include "tools/demotool/interrupt.h"

namespace {

volatile std::sig_atomic_t received = 0;
const int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

void noteSignal(int signo) {
    if (received == 0) received = signo;
}

}  // namespace

InterruptGuard::InterruptGuard() {
    received = 0;
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

InterruptGuard::~InterruptGuard() {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
}

int InterruptGuard::signal() const { return received; }
