// InterruptGuard: signals turned into a flag for the span of a write.
#include "scrpack/system/interrupt_guard.h"

static volatile sig_atomic_t caught;
static bool guarding;

static void Catch(int signal)
{
    caught = signal;
    KeepCatching(signal, Catch);
}

InterruptGuard::InterruptGuard() : outer_(!guarding)
{
    // Guards may nest (a write inside an extraction): the outermost one
    // owns the handlers.
    if (!outer_)
        return;
    guarding = true;
    caught = 0;
    CatchStopSignals(Catch, &saved_);
}

InterruptGuard::~InterruptGuard()
{
    if (!outer_)
        return;
    RestoreStopSignals(saved_);
    guarding = false;
    if (caught)
        raise(caught);
}

bool Interrupted()
{
    return caught != 0;
}
