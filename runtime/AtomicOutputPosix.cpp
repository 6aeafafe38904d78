// Atomic replacement: the text goes to a file in the same folder as the
// file it replaces, which takes that file's owner, group, mode and extended
// attributes and, at the end, its name.
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Attributes.h"
#include "Descriptor.h"
#include "OutputState.h"
#include "Signals.h"
#include "TemporaryName.h"

namespace {

// The folder takes no new file. Anything else (no descriptors, memory or
// space; an I/O error) is a failure, never a reason to risk the output.
bool RefusesNewFile(int err) {
    return err == EACCES || err == EPERM || err == EROFS;
}

// The folder, readable where possible so that its flags can be asked.
int OpenFolder(const std::string &folder) {
    const char *path = folder.empty() ? "." : folder.c_str();
    int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
    return fd;
}

// An append-only folder takes a new name but never lets it go again.
bool IsAppendOnly(int folderFd) {
    int flags = 0;
    return ioctl(folderFd, FS_IOC_GETFLAGS, &flags) == 0 &&
           (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0;
}

// A file mounted over the folder's entry can't be renamed over. Kernels
// before 5.8 don't say so of a file itself; then its mount is compared with
// the folder's.
bool IsMountPoint(int folderFd, const char *name) {
    struct statx file {
    }, folder{};
    if (statx(folderFd, name, AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &file) != 0)
        return false;
    if ((file.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0)
        return (file.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    return statx(folderFd, "", AT_EMPTY_PATH, STATX_MNT_ID, &folder) == 0 &&
           (file.stx_mask & folder.stx_mask & STATX_MNT_ID) != 0 &&
           file.stx_mnt_id != folder.stx_mnt_id;
}

// An unnamed file in the folder: nothing to leave behind, whatever ends the
// run. Where the file system has none, a named one and its signal handlers.
// Naming an unnamed file needs /proc, or root.
int CreateTemporary(OutputFile &out, mode_t mode) {
    if (geteuid() == 0 || access("/proc/self/fd", X_OK) == 0) {
        int fd = openat(out.folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        out.unnamed = fd >= 0;
        if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
            return fd;
    }
    return CreateNamedTemporary(out.folder, out.folderPath, mode);
}

bool SameOwner(const struct stat &a, const struct stat &b) {
    return a.st_dev == b.st_dev && a.st_uid == b.st_uid && a.st_gid == b.st_gid;
}

// The new file takes the old one's owner and group, then its attributes,
// then its mode, which setting an ACL changes. Where owner or group can't be
// kept, or it lands elsewhere, renaming would change the file.
Setup MatchExisting(OutputFile &out, const struct stat &old,
                    const std::vector<Attribute> &attributes) {
    struct stat st {};
    if (fstat(out.text, &st) != 0)
        return Setup::Failed;
    if (!SameOwner(st, old)) {
        if (fchown(out.text, old.st_uid, old.st_gid) != 0) {
            // Anyone but root keeps the file as their own; checked below.
        }
        if (fstat(out.text, &st) != 0)
            return Setup::Failed;
        if (!SameOwner(st, old))
            return Setup::InPlace;
    }
    Setup copied = CopyAttributes(out.text, attributes);
    if (copied != Setup::Ready)
        return copied;
    if (fchmod(out.text, old.st_mode & 07777) != 0)
        return RefusesNewFile(errno) ? Setup::InPlace : Setup::Failed;
    return Setup::Ready;
}

Setup SetUpAtomic(OutputFile &out, const std::string &target, const struct stat *old) {
    size_t slash = target.rfind('/');
    out.folderPath = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    out.name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (out.name.empty() || out.name == "." || out.name == "..")
        return Setup::InPlace; // opening it says why it is no file
    out.folder = OpenFolder(out.folderPath);
    if (out.folder < 0)
        return Setup::Failed;
    if (IsAppendOnly(out.folder) || (old != nullptr && IsMountPoint(out.folder, out.name.c_str())))
        return Setup::InPlace;
    std::vector<Attribute> attributes;
    Setup read = old == nullptr ? Setup::Ready : ReadAttributes(target, attributes);
    if (read != Setup::Ready)
        return read;
    // Owner-only where it replaces a file, until it takes that file's mode.
    out.text = CreateTemporary(out, old == nullptr ? 0666 : 0600);
    if (out.text < 0)
        return RefusesNewFile(errno) ? Setup::InPlace : Setup::Failed;
    return old == nullptr ? Setup::Ready : MatchExisting(out, *old, attributes);
}

bool CloseText(OutputFile &out) {
    int fd = out.text;
    out.text = -1;
    return CloseFd(fd);
}

// A new output is linked straight to its name, and has no other. False
// with errno EEXIST where one appeared meanwhile.
bool LinkStraight(OutputFile &out) {
    struct stat mine {};
    if (fstat(out.text, &mine) != 0 ||
        !LinkUnnamedTemporary(out.text, out.folder, out.name.c_str()))
        return false;
    if (CloseText(out))
        return true;
    int err = errno; // the text may be lost: its name goes too, if still its own
    struct stat named {};
    if (fstatat(out.folder, out.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_ino == mine.st_ino && named.st_dev == mine.st_dev)
        unlinkat(out.folder, out.name.c_str(), 0);
    errno = err;
    return false;
}

// An output that exists, or appeared meanwhile, is replaced by renaming.
bool Publish(OutputFile &out) {
    if (out.unnamed && !out.existed) {
        if (LinkStraight(out))
            return true;
        if (errno != EEXIST || out.text < 0)
            return false;
    }
    if (out.unnamed && !NameUnnamedTemporary(out.text, out.folder, out.folderPath))
        return false;
    return CloseText(out) && RenameTemporary(out.name.c_str());
}

} // namespace

Setup BeginAtomic(OutputFile &out, const std::string &target, const struct stat *old) {
    Setup setup = SetUpAtomic(out, target, old);
    int err = errno;
    if (setup == Setup::Ready) {
        out.plan = OutputPlan::Atomic;
        out.existed = old != nullptr;
        return setup;
    }
    DropAtomic(out);
    if (setup == Setup::Failed) {
        out.plan = OutputPlan::Failed;
        out.err = err;
    }
    return setup;
}

// Whatever keeps the caller from opening the file for writing, through the
// path as given, keeps it from being replaced. A file removed meanwhile is
// simply created.
bool CheckAtomicTarget(OutputFile &out) {
    if (!out.existed)
        return true; // linking it says why not
    int fd = open(out.path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    CloseFd(fd);
    return true;
}

// No signal comes between naming the text and its taking the output's
// name: an unnamed file's name has no handler to remove it.
bool CommitAtomic(OutputFile &out) {
    sigset_t old = HoldSignals();
    bool published = Publish(out);
    ReleaseSignals(old);
    return published;
}

void DropAtomic(OutputFile &out) {
    if (out.text >= 0)
        CloseText(out);
    RemoveTemporary();
    if (out.folder >= 0)
        CloseFd(out.folder);
    out.folder = -1;
}
