#include "OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "Descriptor.h"
#include "TemporaryName.h"

namespace {

// Why an atomic replacement could not be set up.
enum class Setup { Ready, InPlace, Failed };

// Reasons of design to write in place: the folder takes no new file, or the
// file would not stay the same file. Anything else (no descriptors, memory
// or space; an I/O error) is a failure, never a reason to risk the output.
bool RefusesNewFile(int err) {
    return err == EACCES || err == EPERM || err == EROFS;
}

bool OwnedByCaller(const struct stat &st) {
    return geteuid() == 0 || st.st_uid == geteuid();
}

// ACLs are extended attributes too; a new file would lose them.
bool HasExtendedAttributes(const char *path) {
    ssize_t len = llistxattr(path, nullptr, 0);
    return len != 0 && !(len < 0 && (errno == ENOTSUP || errno == ENOSYS));
}

bool SameFile(const struct stat &a, const struct stat &b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool IsNullDevice(const char *path) {
    struct stat st {
    }, null{};
    return stat(path, &st) == 0 && S_ISCHR(st.st_mode) && stat("/dev/null", &null) == 0 &&
           st.st_rdev == null.st_rdev;
}

bool IsStandardOutput(const char *path) {
    struct stat st {
    }, console{};
    return stat(path, &st) == 0 && fstat(1, &console) == 0 && SameFile(st, console);
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

// An append-only folder takes a new name but never lets it go again.
bool IsAppendOnly(int folderFd) {
    int flags = 0;
    return ioctl(folderFd, FS_IOC_GETFLAGS, &flags) == 0 &&
           (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0;
}

// The folder, readable where possible so that its flags can be asked.
int OpenFolder(const std::string &folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return fd;
}

// An unnamed file in the folder: nothing to leave behind, whatever ends the
// run. Where the file system has none, or it could not be named at the end,
// a named one and its signal handlers.
int CreateTemporary(OutputFile &out) {
    if (geteuid() == 0 || access("/proc/self/fd", X_OK) == 0) {
        int fd = openat(out.folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        out.unnamed = fd >= 0;
        if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
            return fd;
    }
    return CreateNamedTemporary(out.folderFd, out.prefix);
}

// The new file takes the replaced one's owner, group and mode, and no ACL
// entry that the folder's default would have given it. Where owner or group
// can't be kept, or it lands elsewhere, renaming would change the file.
Setup MatchExisting(OutputFile &out, const struct stat &existing) {
    if (fremovexattr(out.fd, "system.posix_acl_access") != 0 && errno != ENODATA &&
        errno != ENOTSUP && errno != EOPNOTSUPP)
        return RefusesNewFile(errno) ? Setup::InPlace : Setup::Failed;
    if (fchown(out.fd, existing.st_uid, existing.st_gid) != 0) {
        // Anyone but root keeps the file as their own; checked below.
    }
    if (fchmod(out.fd, existing.st_mode & 07777) != 0)
        return RefusesNewFile(errno) ? Setup::InPlace : Setup::Failed;
    struct stat st {};
    if (fstat(out.fd, &st) != 0)
        return Setup::Failed;
    bool same = st.st_dev == existing.st_dev && st.st_uid == existing.st_uid &&
                st.st_gid == existing.st_gid && !IsMountPoint(out.folderFd, out.name.c_str());
    return same ? Setup::Ready : Setup::InPlace;
}

void DropTemporary(OutputFile &out) {
    if (out.fd >= 0)
        CloseFd(out.fd);
    out.fd = -1;
    RemoveTemporary();
    if (out.folderFd >= 0)
        CloseFd(out.folderFd);
    out.folderFd = -1;
}

Setup SetUpAtomic(OutputFile &out, const struct stat *existing) {
    size_t slash = out.path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : out.path.substr(0, slash + 1);
    out.name = slash == std::string::npos ? out.path : out.path.substr(slash + 1);
    if (out.name.empty() || out.name == "." || out.name == "..")
        return Setup::InPlace;
    out.folderFd = OpenFolder(folder);
    if (out.folderFd < 0)
        return Setup::Failed;
    if (IsAppendOnly(out.folderFd))
        return Setup::InPlace;
    out.fd = CreateTemporary(out);
    if (out.fd < 0)
        return RefusesNewFile(errno) ? Setup::InPlace : Setup::Failed;
    return existing == nullptr ? Setup::Ready : MatchExisting(out, *existing);
}

Setup BeginAtomic(OutputFile &out, const struct stat *existing) {
    Setup setup = SetUpAtomic(out, existing);
    int err = errno;
    if (setup != Setup::Ready)
        DropTemporary(out);
    if (setup == Setup::Ready) {
        out.plan = OutputPlan::Atomic;
        out.existed = existing != nullptr;
    } else if (setup == Setup::Failed) {
        out.err = err;
    }
    return setup;
}

// An unnamed file in the temporary folder holds the text until the end.
void BeginHolding(OutputFile &out, OutputPlan plan) {
    out.plan = plan;
    const char *folder = std::getenv("TMPDIR");
    out.holdFolder = folder == nullptr || folder[0] == '\0' ? "/tmp" : folder;
    out.fd = open(out.holdFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (out.fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        std::string pattern = out.holdFolder + "/.hdrtext.XXXXXX";
        out.fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (out.fd >= 0)
            unlink(pattern.c_str());
    }
    if (out.fd < 0)
        out.err = errno;
}

// Copies the held text into the output, counting what it took.
bool CopyIn(OutputFile &out) {
    static char buf[256 * 1024];
    for (;;) {
        long n = ReadFull(out.fd, buf, sizeof buf);
        if (n <= 0)
            return n == 0;
        size_t done = WriteFull(out.finalFd, buf, static_cast<size_t>(n));
        out.accepted += done;
        if (done != static_cast<size_t>(n))
            return false;
    }
}

// What "w" does to a regular file, done only now that the text is ready.
// Standard output keeps what it holds and its offset, and its own text
// goes first.
bool PrepareFinalOutput(OutputFile &out) {
    if (out.plan == OutputPlan::Console)
        return std::fflush(stdout) == 0;
    struct stat st {};
    return fstat(out.finalFd, &st) == 0 &&
           (!S_ISREG(st.st_mode) || st.st_size == 0 || ftruncate(out.finalFd, 0) == 0);
}

bool CommitAtomic(OutputFile &out) {
    if (out.unnamed && !NameUnnamedTemporary(out.fd, out.folderFd, out.prefix))
        return false;
    int fd = out.fd;
    out.fd = -1;
    return CloseFd(fd) && RenameTemporary(out.name.c_str());
}

bool CommitInPlace(OutputFile &out) {
    if (out.plan == OutputPlan::Discard)
        return true;
    if (lseek(out.fd, 0, SEEK_SET) != 0 || !PrepareFinalOutput(out) || !CopyIn(out))
        return false;
    if (out.plan == OutputPlan::Console)
        return true;
    int fd = out.finalFd;
    out.finalFd = -1;
    return CloseFd(fd);
}

} // namespace

void BeginOutput(const char *path, const char *prefix, OutputFile &out) {
    out = OutputFile{};
    out.path = path;
    out.prefix = prefix;
    if (IsNullDevice(path)) {
        out.plan = OutputPlan::Discard;
        return;
    }
    if (IsStandardOutput(path)) {
        BeginHolding(out, OutputPlan::Console);
        return;
    }
    struct stat st {};
    bool exists = lstat(path, &st) == 0;
    bool replaceable = exists ? S_ISREG(st.st_mode) && st.st_nlink == 1 && OwnedByCaller(st) &&
                                    !HasExtendedAttributes(path)
                              : errno == ENOENT;
    Setup setup = replaceable ? BeginAtomic(out, exists ? &st : nullptr) : Setup::InPlace;
    if (setup == Setup::InPlace)
        BeginHolding(out, OutputPlan::InPlace);
}

bool OpenFinalOutput(OutputFile &out) {
    if (out.err != 0 && out.plan != OutputPlan::Atomic) {
        out.holdFailed = out.plan != OutputPlan::Refused;
        errno = out.err;
        return false;
    }
    if (out.plan == OutputPlan::Discard)
        return true;
    if (out.plan == OutputPlan::Console) {
        out.finalFd = 1;
        return true;
    }
    if (out.plan == OutputPlan::Atomic) {
        if (!out.existed)
            return true; // the rename creates it, or says why not
        // Whatever keeps the caller from opening the file for writing keeps
        // it from being replaced. A file removed meanwhile is simply created.
        int fd = openat(out.folderFd, out.name.c_str(),
                        O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return errno == ENOENT;
        CloseFd(fd);
        return true;
    }
    // Emptied only as the text goes in: see PrepareFinalOutput.
    out.finalFd = open(out.path.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666);
    return out.finalFd >= 0;
}

bool CommitOutput(OutputFile &out) {
    bool committed =
        out.err == 0 && (out.plan == OutputPlan::Atomic ? CommitAtomic(out) : CommitInPlace(out));
    if (!committed && out.err == 0)
        out.err = errno != 0 ? errno : EIO;
    if (committed)
        out.accepted = out.written;
    AbandonOutput(out);
    errno = out.err;
    return committed;
}

void AbandonOutput(OutputFile &out) {
    if (out.plan == OutputPlan::Atomic) {
        DropTemporary(out);
        return;
    }
    if (out.fd >= 0)
        CloseFd(out.fd);
    if (out.finalFd >= 0 && out.plan != OutputPlan::Console)
        CloseFd(out.finalFd);
    out.fd = out.finalFd = -1;
}
