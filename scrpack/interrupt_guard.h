// Keeps Ctrl-C and the like from leaving temporary files behind: while a
// guard lives, SIGINT, SIGTERM and SIGHUP (on Windows SIGINT, SIGTERM and
// SIGBREAK, Ctrl-Break) only set a flag that long work polls, so the
// ordinary failure path removes what it wrote.  When the guard ends, the
// old handlers come back and a signal that came in is raised again, so the
// process still ends the way the sender meant.
#ifndef SCRPACK_INTERRUPT_GUARD_H
#define SCRPACK_INTERRUPT_GUARD_H

#include <csignal>

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;

private:
#ifdef _WIN32
    void (*saved_[3])(int); // the C runtime has signal() only
#else
    struct sigaction saved_[3];
#endif
    bool outer_;
};

// Whether a signal has come in under a guard.
bool Interrupted();

#endif
