#include "WideNames.h"

#include <cerrno>
#include <cwctype>
#include <vector>

std::wstring Widen(const std::string &utf8) {
    if (utf8.empty())
        return std::wstring();
    int len =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(len), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), len);
    return wide;
}

std::string Narrow(const wchar_t *wide) {
    int len = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (len <= 1)
        return std::string();
    std::string utf8(static_cast<size_t>(len), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), len, nullptr, nullptr);
    utf8.pop_back(); // the terminating NUL
    return utf8;
}

namespace {

bool IsDrivePathInDeviceSpace(const std::wstring &path) {
    return path.size() >= 7 && path.rfind(L"\\\\.\\", 0) == 0 && iswalpha(path[4]) &&
           path[5] == L':' && (path[6] == L'\\' || path[6] == L'/');
}

} // namespace

std::string SystemPathUtf8(const std::string &utf8) {
    return Narrow(SystemPath(utf8).c_str());
}

bool IsDevicePath(const std::string &utf8) {
    return SystemPath(utf8).rfind(L"\\\\.\\", 0) == 0;
}

std::wstring SystemPath(const std::string &utf8) {
    std::wstring path = Widen(utf8);
    if (IsDrivePathInDeviceSpace(path)) // \\.\X:\... names a file, as \\?\X:\... does
        return L"\\\\?\\" + path.substr(4);
    if (path.empty() || path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0)
        return path;
    DWORD len = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (len == 0)
        return path;
    std::vector<wchar_t> full(len + 1);
    len = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (len == 0 || len >= full.size())
        return path;
    std::wstring resolved(full.data(), len);
    if (resolved.rfind(L"\\\\.\\", 0) == 0) // a device: NUL, CON, COM1, ...
        return resolved;
    if (resolved.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + resolved.substr(2);
    return L"\\\\?\\" + resolved;
}

int ErrnoFromWindows(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_DIRECTORY:
        return EINVAL;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CURRENT_DIRECTORY:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_INVALID_HANDLE: // CON where no console is attached
        return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
        return EPIPE;
    default:
        return EIO;
    }
}
