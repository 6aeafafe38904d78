#include "TemporaryName.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace {

// Where a signal handler can reach it. The name is short and fixed in
// length, whatever the output's name.
int gFolder = -1;
char gName[64];

// Every catchable signal whose default action ends the process. SIGPIPE and
// SIGXFSZ are ignored from the start, and become failed writes.
const int kEndingSignals[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                              SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGALRM, SIGTERM, SIGSTKFLT,
                              SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};

void OnEndingSignal(int sig) {
    if (gName[0] != '\0')
        unlinkat(gFolder, gName, 0);
    signal(sig, SIG_DFL);
    raise(sig); // delivered once this handler returns
}

// A signal that the caller set to be ignored (nohup, a background job) stays so.
void Catch(int sig) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
        signal(sig, OnEndingSignal);
}

void CatchEndingSignals() {
    static bool caught = false;
    if (caught)
        return;
    caught = true;
    for (int sig : kEndingSignals)
        Catch(sig);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig)
        Catch(sig);
}

// Blocks every catchable signal and returns the caller's mask, which
// Release puts back as it was.
sigset_t Hold() {
    sigset_t all, old;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &old);
    return old;
}

void Release(const sigset_t &old) {
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

// ".prefix." and six random characters; the time and pid stand in where
// the kernel has no random source to give.
void MakeName(const char *prefix, char *name, size_t size) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6];
    if (getrandom(random, sizeof random, GRND_NONBLOCK) != sizeof random) {
        static unsigned counter;
        unsigned seed = static_cast<unsigned>(getpid()) * 2654435761u ^
                        static_cast<unsigned>(time(nullptr)) ^ ++counter * 40503u;
        for (unsigned char &c : random) {
            seed = seed * 1103515245u + 12345u;
            c = static_cast<unsigned char>(seed >> 16);
        }
    }
    int len = std::snprintf(name, size - 7, ".%.40s.", prefix);
    for (size_t i = 0; i < sizeof random; ++i)
        name[len + static_cast<int>(i)] = kChars[random[i] % (sizeof kChars - 1)];
    name[len + 6] = '\0';
}

// Runs make(name) with fresh names until one is free, recording the name
// before any signal can come between.
template <typename Make> bool WithFreshName(int folderFd, const char *prefix, Make make) {
    CatchEndingSignals();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[sizeof gName];
        MakeName(prefix, name, sizeof name);
        sigset_t old = Hold();
        bool made = make(name);
        int err = errno;
        if (made) {
            gFolder = folderFd;
            std::memcpy(gName, name, sizeof name);
        }
        Release(old);
        if (made || err != EEXIST) {
            errno = err;
            return made;
        }
    }
    errno = EEXIST;
    return false;
}

} // namespace

int CreateNamedTemporary(int folderFd, const char *prefix) {
    int fd = -1;
    WithFreshName(folderFd, prefix, [&](const char *name) {
        fd = openat(folderFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        return fd >= 0;
    });
    return fd;
}

// Through /proc, which needs no privilege; root may also link the
// descriptor itself where /proc is missing.
bool NameUnnamedTemporary(int fd, int folderFd, const char *prefix) {
    char proc[32];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    return WithFreshName(folderFd, prefix, [&](const char *name) {
        return linkat(AT_FDCWD, proc, folderFd, name, AT_SYMLINK_FOLLOW) == 0 ||
               (errno == ENOENT && linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0);
    });
}

bool RenameTemporary(const char *name) {
    sigset_t old = Hold();
    bool renamed = renameat(gFolder, gName, gFolder, name) == 0;
    int err = errno;
    if (renamed)
        gName[0] = '\0';
    Release(old);
    errno = err;
    return renamed;
}

void RemoveTemporary() {
    sigset_t old = Hold();
    if (gName[0] != '\0')
        unlinkat(gFolder, gName, 0);
    gName[0] = '\0';
    Release(old);
}
