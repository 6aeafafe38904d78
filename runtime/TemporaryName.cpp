#include "TemporaryName.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include "Console.h"
#include "Signals.h"

namespace {

// Where a signal handler can reach it. The name is short and fixed in
// length, whatever the output's name.
int gFolder = -1;
char gName[64];
std::string gShown; // the folder and name, for a message

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

// ".program." and six random characters; the time and pid stand in where
// the kernel has no random source to give.
void MakeName(char *name, size_t size) {
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
    int len = std::snprintf(name, size - 7, ".%.40s.", ProgramName());
    for (size_t i = 0; i < sizeof random; ++i)
        name[len + static_cast<int>(i)] = kChars[random[i] % (sizeof kChars - 1)];
    name[len + 6] = '\0';
}

// Runs make(name) with fresh names until one is free, and records the name
// it took. Call with signals held, so that none comes between the two.
template <typename Make>
bool WithFreshName(int folderFd, const std::string &folderPath, Make make) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[sizeof gName];
        MakeName(name, sizeof name);
        if (make(name)) {
            gFolder = folderFd;
            std::memcpy(gName, name, sizeof name);
            gShown = folderPath + name;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

} // namespace

// Owner-only until the caller widens it, where it replaces a file: nobody
// may open it who could not read the file it replaces.
int CreateNamedTemporary(int folderFd, const std::string &folderPath, mode_t mode) {
    CatchEndingSignals();
    int fd = -1;
    sigset_t old = HoldSignals();
    WithFreshName(folderFd, folderPath, [&](const char *name) {
        fd = openat(folderFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
        return fd >= 0;
    });
    ReleaseSignals(old);
    return fd;
}

// Through /proc, which needs no privilege; root may also link the
// descriptor itself where /proc is missing.
bool LinkUnnamedTemporary(int fd, int folderFd, const char *name) {
    char proc[32];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    return linkat(AT_FDCWD, proc, folderFd, name, AT_SYMLINK_FOLLOW) == 0 ||
           (errno == ENOENT && linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0);
}

bool NameUnnamedTemporary(int fd, int folderFd, const std::string &folderPath) {
    return WithFreshName(folderFd, folderPath, [&](const char *name) {
        return LinkUnnamedTemporary(fd, folderFd, name);
    });
}

bool RenameTemporary(const char *name) {
    if (renameat(gFolder, gName, gFolder, name) != 0)
        return false;
    gName[0] = '\0';
    return true;
}

void RemoveTemporary() {
    if (gName[0] == '\0')
        return;
    sigset_t old = HoldSignals();
    bool kept = unlinkat(gFolder, gName, 0) != 0 && errno != ENOENT;
    int err = errno;
    gName[0] = '\0';
    ReleaseSignals(old);
    if (kept)
        ReportFileError(gShown.c_str(),
                        (std::string("could not be removed: ") + std::strerror(err)).c_str());
}
