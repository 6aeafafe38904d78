#include "InputFile.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

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
int OpenInput(const char *path, int &fd) {
    std::wstring name = SystemPath(path);
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        int err = ErrnoFromWindows(GetLastError());
        fd = IsFolder(name) ? kFolder : -1;
        return fd == kFolder ? 0 : err;
    }
    fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (fd >= 0)
        return 0;
    CloseHandle(file);
    return EMFILE;
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

Transfer ReadInput(int fd, uint8_t *buf, size_t size) {
    if (fd == kFolder)
        return Transfer{0, EISDIR};
    return ReadFull(fd, buf, size);
}

int CloseInput(int fd) {
    return fd == kFolder ? 0 : CloseFd(fd);
}
