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
#include "OutputSteps.h"
#include "Signals.h"
#include "TemporaryFile.h"

namespace {

// The folder takes no new file. Anything else (no descriptors, memory or
// space; an I/O error) is a failure, never a reason to risk the output.
bool RefusesNewFile(int err) {
    return err == EACCES || err == EPERM || err == EROFS;
}

// The attribute can't be read or given here. Anything else (memory, space,
// I/O) is a failure.
bool RefusesAttribute(int err) {
    return err == EPERM || err == EACCES || err == ENOTSUP || err == EINVAL || err == E2BIG ||
           err == ERANGE || err == EROFS;
}

Setup Judge(int err, bool refused) {
    return err == 0 ? Setup::Ready : refused ? Setup::InPlace : Setup::Failed;
}

// The folder, readable where possible so that its flags can be asked.
int OpenFolder(const std::string &folder, int &fd) {
    const char *path = folder.empty() ? "." : folder.c_str();
    fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
    return fd < 0 ? errno : 0;
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
    AtomicParts &atomic = out.atomic;
    if (geteuid() == 0 || access("/proc/self/fd", X_OK) == 0) {
        out.text = openat(atomic.folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        atomic.unnamed = out.text >= 0;
        if (out.text >= 0)
            return 0;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return errno;
    }
    return CreateNamedTemporary(atomic.temporary, out.program, mode, out.text);
}

bool SameOwner(const struct stat &a, const struct stat &b) {
    return a.st_dev == b.st_dev && a.st_uid == b.st_uid && a.st_gid == b.st_gid;
}

// The new file takes the old one's owner and group, then its attributes,
// then its mode, which setting an ACL changes. Where owner or group can't be
// kept, or it lands elsewhere, renaming would change the file.
Setup MatchExisting(OutputFile &out, const struct stat &old,
                    const std::vector<Attribute> &attributes, int &err) {
    struct stat st {};
    if (fstat(out.text, &st) != 0)
        return Judge(err = errno, false);
    if (!SameOwner(st, old)) {
        if (fchown(out.text, old.st_uid, old.st_gid) != 0) {
            // Anyone but root keeps the file as their own; checked below.
        }
        if (fstat(out.text, &st) != 0)
            return Judge(err = errno, false);
        if (!SameOwner(st, old))
            return Setup::InPlace;
    }
    if ((err = CopyAttributes(out.text, attributes)) != 0)
        return Judge(err, RefusesAttribute(err));
    if (fchmod(out.text, old.st_mode & 07777) != 0) {
        err = errno;
        return Judge(err, RefusesNewFile(err));
    }
    return Setup::Ready;
}

int CloseText(OutputFile &out) {
    int fd = out.text;
    out.text = -1;
    return CloseFd(fd);
}

// A new output is linked straight to its name, and has no other. EEXIST
// where one appeared meanwhile.
int LinkStraight(OutputFile &out) {
    const AtomicParts &atomic = out.atomic;
    struct stat mine {};
    if (fstat(out.text, &mine) != 0)
        return errno;
    if (int err = LinkUnnamedTemporary(out.text, atomic.folder, atomic.name.c_str()); err != 0)
        return err;
    int err = CloseText(out);
    if (err == 0)
        return 0;
    // The text may be lost: its name goes too, if still its own.
    struct stat named {};
    if (fstatat(atomic.folder, atomic.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_ino == mine.st_ino && named.st_dev == mine.st_dev)
        unlinkat(atomic.folder, atomic.name.c_str(), 0);
    return err;
}

// An output that exists, or appeared meanwhile, is replaced by renaming.
int Publish(OutputFile &out) {
    AtomicParts &atomic = out.atomic;
    if (atomic.unnamed && !atomic.existed) {
        int err = LinkStraight(out);
        if (err != EEXIST || out.text < 0)
            return err;
    }
    if (atomic.unnamed)
        if (int err = NameUnnamedTemporary(atomic.temporary, out.program, out.text); err != 0)
            return err;
    if (int err = CloseText(out); err != 0)
        return err;
    return RenameTemporary(atomic.temporary, atomic.name.c_str());
}

} // namespace

Setup SetUpAtomic(OutputFile &out, const std::string &target, const struct stat *old, int &err) {
    AtomicParts &atomic = out.atomic;
    size_t slash = target.rfind('/');
    atomic.target = target;
    atomic.existed = old != nullptr;
    atomic.folderPath = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    atomic.name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (atomic.name.empty() || atomic.name == "." || atomic.name == "..")
        return Setup::InPlace; // opening it says why it is no file
    if ((err = OpenFolder(atomic.folderPath, atomic.folder)) != 0)
        return Setup::Failed;
    atomic.temporary.folder = atomic.folder;
    if (IsAppendOnly(atomic.folder) ||
        (old != nullptr && IsMountPoint(atomic.folder, atomic.name.c_str())))
        return Setup::InPlace;
    std::vector<Attribute> attributes;
    if (old != nullptr && (err = ReadAttributes(target, attributes)) != 0)
        return Judge(err, RefusesAttribute(err));
    // Owner-only where it replaces a file, until it takes that file's mode.
    if ((err = CreateTemporary(out, old == nullptr ? 0666 : 0600)) != 0)
        return Judge(err, RefusesNewFile(err));
    return old == nullptr ? Setup::Ready : MatchExisting(out, *old, attributes, err);
}

// Whatever keeps the caller from opening the file for writing, through the
// path as given, keeps it from being replaced. A file removed meanwhile is
// simply created.
int CheckAtomicTarget(OutputFile &out) {
    if (!out.atomic.existed)
        return 0; // linking it says why not
    int fd = open(out.path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? 0 : errno;
    CloseFd(fd);
    return 0;
}

// No signal comes between naming the text and its taking the output's
// name: an unnamed file's name has no handler to remove it.
int CommitAtomic(OutputFile &out) {
    sigset_t old = HoldSignals();
    int err = Publish(out);
    ReleaseSignals(old);
    return err;
}

void DropAtomic(OutputFile &out) {
    AtomicParts &atomic = out.atomic;
    if (out.text >= 0)
        CloseText(out);
    std::string shown = atomic.folderPath + atomic.temporary.name;
    if (int err = RemoveTemporary(atomic.temporary); err != 0) {
        out.leftover = shown;
        out.leftoverErr = err;
    }
    if (atomic.folder >= 0)
        CloseFd(atomic.folder);
    atomic.folder = atomic.temporary.folder = -1;
}
