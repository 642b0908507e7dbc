// Graceful interruption: while an InterruptGuard is in scope, SIGINT, SIGTERM and SIGHUP only
// note the signal, so that a long render can stop between frames and finish its output.
#pragma once

#include <csignal>

class InterruptGuard {
public:
    // Installs the handlers (the previous ones are kept).
    InterruptGuard();
    // Puts the previous handlers back.
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // The first signal received since the guard was made, or 0.
    int signal() const;

private:
    struct sigaction previous_[3];
};
