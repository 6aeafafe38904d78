#include "Signals.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

// Where the handler finds the file to remove: the caller's own record.
const NamedTemporary *volatile gTemporary = nullptr;

// Every catchable signal whose default action ends the process. SIGPIPE and
// SIGXFSZ are ignored from the start, and become failed writes.
const int kEndingSignals[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                              SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGALRM, SIGTERM, SIGSTKFLT,
                              SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};

void OnEndingSignal(int sig) {
    const NamedTemporary *temp = gTemporary;
    if (temp != nullptr && temp->name[0] != '\0')
        unlinkat(temp->folder, temp->name, 0);
    signal(sig, SIG_DFL);
    raise(sig); // delivered once this handler returns
}

// A signal that the caller set to be ignored (nohup, a background job) stays so.
void Catch(int sig) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
        signal(sig, OnEndingSignal);
}

} // namespace

sigset_t HoldSignals() {
    sigset_t all, old;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &old);
    return old;
}

void ReleaseSignals(const sigset_t &old) {
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

void RemoveOnEndingSignal(const NamedTemporary *temp) {
    static bool caught = false;
    gTemporary = temp;
    if (caught || temp == nullptr)
        return;
    caught = true;
    for (int sig : kEndingSignals)
        Catch(sig);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig)
        Catch(sig);
}
