#include "Signals.h"

#include <cerrno>

sigset_t HoldSignals() {
    sigset_t all, old;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &old);
    return old;
}

void ReleaseSignals(const sigset_t &old) {
    int err = errno; // callers report the held step's reason
    sigprocmask(SIG_SETMASK, &old, nullptr);
    errno = err;
}
