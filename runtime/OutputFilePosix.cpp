#include "OutputFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "Descriptor.h"

namespace {

// The temporary file, where a signal handler can reach it. Its name is short
// and fixed in length, whatever the output's name.
int gUnfinishedFolder = -1;
char gUnfinishedName[64];

void RemoveUnfinished() {
    if (gUnfinishedName[0] != '\0')
        unlinkat(gUnfinishedFolder, gUnfinishedName, 0);
}

void ForgetUnfinished() {
    gUnfinishedName[0] = '\0';
}

void OnInterrupt(int sig) {
    RemoveUnfinished();
    signal(sig, SIG_DFL);
    raise(sig);
}

const int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// A signal that the caller set to be ignored (nohup, a background job) stays so.
void CatchInterrupts() {
    for (int sig : kInterrupts) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            signal(sig, OnInterrupt);
    }
}

void HoldInterrupts(bool hold) {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kInterrupts)
        sigaddset(&set, sig);
    sigprocmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

// Creates ".prefix.XXXXXX" in the folder, and remembers it for the handler
// before any interruption can come between.
int CreateTemporary(int folderFd, const char *prefix) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned seed =
        static_cast<unsigned>(getpid()) * 2654435761u ^ static_cast<unsigned>(time(nullptr));
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[sizeof gUnfinishedName];
        int len = std::snprintf(name, sizeof name - 7, ".%.40s.", prefix);
        for (int i = 0; i < 6; ++i, seed = seed * 1103515245u + 12345u)
            name[len + i] = kChars[(seed >> 16) % (sizeof kChars - 1)];
        name[len + 6] = '\0';
        HoldInterrupts(true);
        int fd = openat(folderFd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            gUnfinishedFolder = folderFd;
            std::memcpy(gUnfinishedName, name, sizeof name);
        }
        int err = errno;
        HoldInterrupts(false);
        if (fd >= 0 || err != EEXIST) {
            errno = err;
            return fd;
        }
    }
    return -1;
}

mode_t NewFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool OwnedByCaller(const struct stat &st) {
    return geteuid() == 0 || st.st_uid == geteuid();
}

// ACLs are extended attributes too; a new file would lose them.
bool HasExtendedAttributes(const char *path) {
    ssize_t len = llistxattr(path, nullptr, 0);
    return len != 0 && !(len < 0 && (errno == ENOTSUP || errno == ENOSYS));
}

bool IsNullDevice(const char *path) {
    struct stat st {
    }, null{};
    return stat(path, &st) == 0 && S_ISCHR(st.st_mode) && stat("/dev/null", &null) == 0 &&
           st.st_rdev == null.st_rdev;
}

// A file mounted over the folder's entry can't be renamed over.
bool IsMountPoint(int folderFd, const char *name) {
#ifdef STATX_MNT_ID
    struct statx file {
    }, folder{};
    return statx(folderFd, name, AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &file) == 0 &&
           statx(folderFd, "", AT_EMPTY_PATH, STATX_MNT_ID, &folder) == 0 &&
           (file.stx_mask & folder.stx_mask & STATX_MNT_ID) != 0 &&
           file.stx_mnt_id != folder.stx_mnt_id;
#else
    (void)folderFd;
    (void)name;
    return false;
#endif
}

// The temporary file takes the replaced file's owner, group and mode; where
// it can't (a file of another group), or where it lands on another file
// system, renaming would change the file: write in place.
bool MatchExisting(int fd, const struct stat &existing) {
    if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
        // Anyone but root keeps the file as their own; checked below.
    }
    struct stat st {};
    return fchmod(fd, existing.st_mode & 07777) == 0 && fstat(fd, &st) == 0 &&
           st.st_dev == existing.st_dev && st.st_uid == existing.st_uid &&
           st.st_gid == existing.st_gid;
}

void DropTemporary(OutputFile &out) {
    if (out.fd >= 0)
        CloseFd(out.fd);
    out.fd = -1;
    RemoveUnfinished();
    ForgetUnfinished();
    if (out.folderFd >= 0)
        CloseFd(out.folderFd);
    out.folderFd = -1;
}

bool BeginAtomic(OutputFile &out, const char *prefix, const struct stat *existing) {
    size_t slash = out.path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : out.path.substr(0, slash + 1);
    out.name = slash == std::string::npos ? out.path : out.path.substr(slash + 1);
    if (out.name.empty() || out.name == "." || out.name == "..")
        return false;
    out.folderFd = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (out.folderFd < 0)
        return false;
    out.fd = CreateTemporary(out.folderFd, prefix);
    bool matched =
        out.fd >= 0 && (existing == nullptr ? fchmod(out.fd, NewFileMode()) == 0
                                            : MatchExisting(out.fd, *existing) &&
                                                  !IsMountPoint(out.folderFd, out.name.c_str()));
    if (!matched) {
        DropTemporary(out);
        return false;
    }
    out.plan = OutputPlan::Atomic;
    out.existed = existing != nullptr;
    return true;
}

// An unnamed file in the temporary folder holds the text until the end.
void BeginInPlace(OutputFile &out) {
    out.plan = OutputPlan::InPlace;
    const char *folder = std::getenv("TMPDIR");
    if (folder == nullptr || folder[0] == '\0')
        folder = "/tmp";
    out.fd = open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (out.fd >= 0)
        return;
    std::string pattern = std::string(folder) + "/.hdrtext.XXXXXX";
    out.fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (out.fd >= 0)
        unlink(pattern.c_str());
    else
        out.err = errno;
}

// Copies the held text into the output, counting what it took.
bool CopyIn(OutputFile &out, int finalFd) {
    static char buf[256 * 1024];
    if (lseek(out.fd, 0, SEEK_SET) != 0)
        return false;
    for (;;) {
        long n = ReadFull(out.fd, buf, sizeof buf);
        if (n <= 0)
            return n == 0;
        size_t done = WriteFull(finalFd, buf, static_cast<size_t>(n));
        out.accepted += done;
        if (done != static_cast<size_t>(n))
            return false;
    }
}

} // namespace

void BeginOutput(const char *path, const char *prefix, OutputFile &out) {
    out = OutputFile{};
    out.path = path;
    CatchInterrupts();
    struct stat st {};
    if (lstat(path, &st) != 0) {
        if (errno == ENOENT && BeginAtomic(out, prefix, nullptr))
            return;
    } else if (S_ISREG(st.st_mode) && st.st_nlink == 1 && OwnedByCaller(st) &&
               !HasExtendedAttributes(path)) {
        if (BeginAtomic(out, prefix, &st))
            return;
    } else if (IsNullDevice(path)) {
        out.plan = OutputPlan::Discard;
        return;
    }
    BeginInPlace(out);
}

bool OpenFinalOutput(OutputFile &out) {
    int fd;
    if (out.plan == OutputPlan::Atomic) {
        if (!out.existed)
            return true; // the rename creates it, or says why not
        // Whatever keeps the caller from opening the file for writing keeps
        // it from being replaced. A file removed meanwhile is simply created.
        fd = openat(out.folderFd, out.name.c_str(),
                    O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return errno == ENOENT;
        CloseFd(fd);
        return true;
    }
    fd = open(out.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    out.finalFd = fd;
    return true;
}

bool CommitOutput(OutputFile &out) {
    if (out.plan == OutputPlan::Atomic) {
        if (!CloseFd(out.fd) && out.err == 0)
            out.err = errno;
        out.fd = -1;
        if (out.err == 0 &&
            renameat(out.folderFd, gUnfinishedName, out.folderFd, out.name.c_str()) != 0)
            out.err = errno;
        if (out.err == 0) {
            out.accepted = out.written;
            ForgetUnfinished();
        }
        DropTemporary(out);
    } else {
        if (out.plan == OutputPlan::Discard)
            out.accepted = out.written;
        else if (out.err == 0 && !CopyIn(out, out.finalFd))
            out.err = errno;
        if (!CloseFd(out.finalFd) && out.err == 0)
            out.err = errno;
        out.finalFd = -1;
        if (out.fd >= 0)
            CloseFd(out.fd);
        out.fd = -1;
    }
    errno = out.err;
    return out.err == 0;
}

void AbandonOutput(OutputFile &out) {
    if (out.plan == OutputPlan::Atomic) {
        DropTemporary(out);
        return;
    }
    for (int fd : {out.fd, out.finalFd})
        if (fd >= 0)
            CloseFd(fd);
    out.fd = out.finalFd = -1;
}
