#include "InputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

int OpenInput(const char *path, int &fd) {
    fd = open(path, O_RDONLY | O_NOCTTY | O_CLOEXEC);
    return fd < 0 ? errno : 0;
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

Transfer ReadInput(int fd, uint8_t *buf, size_t size) {
    return ReadFull(fd, buf, size);
}

int CloseInput(int fd) {
    return CloseFd(fd);
}
