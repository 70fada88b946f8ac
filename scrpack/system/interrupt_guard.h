// Keeps Ctrl-C and the like from leaving temporary files behind: while a
// guard lives, the stop signals (SIGINT, SIGTERM, SIGHUP or on Windows
// Ctrl-Break) only set a flag that long work polls, so the ordinary
// failure path removes what it wrote.  When the guard ends, the old
// handlers come back and a signal that came in is raised again, so the
// process still ends the way the sender meant.
#ifndef SCRPACK_SYSTEM_INTERRUPT_GUARD_H
#define SCRPACK_SYSTEM_INTERRUPT_GUARD_H

#include "scrpack/system/system.h"

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;

private:
    StopSignalHandlers saved_;
    bool outer_;
};

// Whether a signal has come in under a guard.
bool Interrupted();

#endif
