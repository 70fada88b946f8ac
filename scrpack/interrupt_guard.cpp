// InterruptGuard: signals turned into a flag for the span of a write.
#include "scrpack/interrupt_guard.h"

static const int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
static volatile sig_atomic_t caught;
static bool guarding;

static void Catch(int signal)
{
    caught = signal;
}

InterruptGuard::InterruptGuard() : outer_(!guarding)
{
    // Guards may nest (a write inside an extraction): the outermost one
    // owns the handlers.
    if (!outer_)
        return;
    guarding = true;
    caught = 0;
    struct sigaction action = {};
    action.sa_handler = Catch;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; i++) {
        sigaction(kSignals[i], &action, &saved_[i]);
        // A signal the caller ignores (nohup, a background job) stays ignored.
        if (saved_[i].sa_handler == SIG_IGN)
            sigaction(kSignals[i], &saved_[i], nullptr);
    }
}

InterruptGuard::~InterruptGuard()
{
    if (!outer_)
        return;
    for (int i = 0; i < 3; i++)
        sigaction(kSignals[i], &saved_[i], nullptr);
    guarding = false;
    if (caught)
        raise(caught);
}

bool Interrupted()
{
    return caught != 0;
}
