#include "InputFile.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>

#include "Descriptor.h"

#ifdef _WIN32
#include <io.h>

#include "WideNames.h"

namespace {
// Windows refuses to open a folder that Linux opens and fails to read; both
// report it the same way.
constexpr int kFolder = INT_MAX;

bool IsFolder(const std::wstring &path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
} // namespace

// By its name in full, whatever its length or characters; others may go on
// writing or renaming it, as with the C runtime.
int OpenInput(const char *path) {
    std::wstring name = SystemPath(path);
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        int err = ErrnoFromWindows(GetLastError());
        if (IsFolder(name))
            return kFolder;
        errno = err;
        return -1;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (fd < 0)
        CloseHandle(file);
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
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(SystemPath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
        return false;
    size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
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
