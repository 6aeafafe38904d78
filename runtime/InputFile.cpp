#include "InputFile.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>

#include "Descriptor.h"

#ifdef _WIN32
#include <io.h>

namespace {
// Windows refuses to open a folder that Linux opens and fails to read; both
// report it the same way.
constexpr int kFolder = INT_MAX;
} // namespace

int OpenInput(const char *path) {
    int fd = _open(path, _O_RDONLY | _O_BINARY);
    int err = errno;
    struct _stat64 st {};
    if (fd < 0 && _stat64(path, &st) == 0 && (st.st_mode & _S_IFDIR) != 0)
        return kFolder;
    errno = err;
    return fd;
}

uint64_t InputSizeHint(int fd) {
    struct _stat64 st {};
    if (fd == kFolder || _fstat64(fd, &st) != 0 || (st.st_mode & _S_IFREG) == 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

bool InputSizeIsTrue(int) {
    return true;
}

bool RegularFileSize(const char *path, uint64_t &size) {
    struct _stat64 st {};
    if (_stat64(path, &st) != 0 || (st.st_mode & _S_IFREG) == 0)
        return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

long ReadInput(int fd, uint8_t *buf, size_t size) {
    if (fd == kFolder) {
        errno = EISDIR;
        return -1;
    }
    return ReadFull(fd, buf, size);
}

bool CloseInput(int fd) {
    return fd == kFolder || CloseFd(fd);
}

#else

#include <linux/magic.h>
#include <sys/vfs.h>

int OpenInput(const char *path) {
    return open(path, O_RDONLY | O_NOCTTY | O_CLOEXEC);
}

uint64_t InputSizeHint(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

bool InputSizeIsTrue(int fd) {
    struct statfs fs {};
    if (fstatfs(fd, &fs) != 0)
        return true;
    switch (fs.f_type) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case EFIVARFS_MAGIC:
        return false;
    default:
        return true;
    }
}

bool RegularFileSize(const char *path, uint64_t &size) {
    struct stat st {};
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

long ReadInput(int fd, uint8_t *buf, size_t size) {
    return ReadFull(fd, buf, size);
}

bool CloseInput(int fd) {
    return CloseFd(fd);
}

#endif
