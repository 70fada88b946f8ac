// InterruptGuard: signals turned into a flag for the span of a write.
#include "scrpack/interrupt_guard.h"

#ifdef _WIN32
static const int kSignals[3] = {SIGINT, SIGTERM, SIGBREAK};
#else
static const int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
#endif
static volatile sig_atomic_t caught;
static bool guarding;

static void Catch(int signal)
{
    caught = signal;
#ifdef _WIN32
    // The C runtime puts back the default action before calling a handler.
    std::signal(signal, Catch);
#endif
}

InterruptGuard::InterruptGuard() : outer_(!guarding)
{
    // Guards may nest (a write inside an extraction): the outermost one
    // owns the handlers.
    if (!outer_)
        return;
    guarding = true;
    caught = 0;
#ifdef _WIN32
    for (int i = 0; i < 3; i++) {
        saved_[i] = std::signal(kSignals[i], Catch);
        if (saved_[i] == SIG_IGN)
            std::signal(kSignals[i], SIG_IGN);
    }
#else
    struct sigaction action = {};
    action.sa_handler = Catch;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; i++) {
        sigaction(kSignals[i], &action, &saved_[i]);
        // A signal the caller ignores (nohup, a background job) stays ignored.
        if (saved_[i].sa_handler == SIG_IGN)
            sigaction(kSignals[i], &saved_[i], nullptr);
    }
#endif
}

InterruptGuard::~InterruptGuard()
{
    if (!outer_)
        return;
    for (int i = 0; i < 3; i++) {
#ifdef _WIN32
        std::signal(kSignals[i], saved_[i] == SIG_ERR ? SIG_DFL : saved_[i]);
#else
        sigaction(kSignals[i], &saved_[i], nullptr);
#endif
    }
    guarding = false;
    if (caught)
        raise(caught);
}

bool Interrupted()
{
    return caught != 0;
}
