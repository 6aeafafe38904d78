#include "TemporaryFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "Signals.h"
#include "TemporaryName.h"

namespace {

// Runs make(name) with fresh names until one is free, and records the name
// it took. Call with signals held, so that none comes between the two.
template <typename Make> int WithFreshName(NamedTemporary &temp, const char *program, Make make) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[TEMPORARY_NAME_SIZE];
        MakeTemporaryName(program, name);
        int err = make(name);
        if (err == 0) {
            std::memcpy(temp.name, name, sizeof name);
            return 0;
        }
        if (err != EEXIST)
            return err;
    }
    return EEXIST;
}

void Forget(NamedTemporary &temp) {
    temp.name[0] = '\0';
    RemoveOnEndingSignal(nullptr);
}

} // namespace

// Owner-only until the caller widens it, where it replaces a file: nobody
// may open it who could not read the file it replaces.
int CreateNamedTemporary(NamedTemporary &temp, const char *program, mode_t mode, int &fd) {
    RemoveOnEndingSignal(&temp);
    fd = -1;
    sigset_t old = HoldSignals();
    int err = WithFreshName(temp, program, [&](const char *name) {
        fd = openat(temp.folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
        return fd >= 0 ? 0 : errno;
    });
    ReleaseSignals(old);
    return err;
}

// Through /proc, which needs no privilege; root may also link the
// descriptor itself where /proc is missing.
int LinkUnnamedTemporary(int fd, int folderFd, const char *name) {
    char proc[32];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    if (linkat(AT_FDCWD, proc, folderFd, name, AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno != ENOENT)
        return errno;
    return linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0 ? 0 : errno;
}

int NameUnnamedTemporary(NamedTemporary &temp, const char *program, int fd) {
    return WithFreshName(temp, program, [&](const char *name) {
        return LinkUnnamedTemporary(fd, temp.folder, name);
    });
}

int RenameTemporary(NamedTemporary &temp, const char *name) {
    if (renameat(temp.folder, temp.name, temp.folder, name) != 0)
        return errno;
    Forget(temp);
    return 0;
}

int RemoveTemporary(NamedTemporary &temp) {
    if (temp.name[0] == '\0')
        return 0;
    sigset_t old = HoldSignals();
    int err = unlinkat(temp.folder, temp.name, 0) != 0 && errno != ENOENT ? errno : 0;
    Forget(temp);
    ReleaseSignals(old);
    return err;
}
