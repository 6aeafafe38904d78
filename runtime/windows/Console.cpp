#include "Console.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "Descriptor.h"

namespace {

UINT gCodePage = 0; // the console's own, given back at the end

// Held text: descriptors 1 and 2 go to a temporary file that vanishes with
// its last handle, in the order written, and the originals wait here.
int gHeld = -1, gSaved[2] = {-1, -1};

int OpenHoldingFile() {
    wchar_t folder[MAX_PATH + 1], path[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"trv", 0, path) == 0)
        return -1;
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileW(path);
        return -1;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
    if (fd < 0)
        CloseHandle(file);
    return fd;
}

void RestoreCodePage() {
    SetConsoleOutputCP(gCodePage);
}

bool IsConsole(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

} // namespace

// Names are UTF-8 in our strings: a console shows them as such. Elsewhere
// the bytes go out as they are.
void PrepareConsole() {
    if (!IsConsole(STD_OUTPUT_HANDLE) && !IsConsole(STD_ERROR_HANDLE))
        return;
    UINT page = GetConsoleOutputCP();
    if (page != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        gCodePage = page;
        std::atexit(RestoreCodePage);
    }
}

int StdoutFailure(bool flushFailed) {
    if (!flushFailed)
        return 0;
    return errno != 0 ? errno : EIO;
}

bool IsSystemHelpRequest(const char *arg) {
    return std::strcmp(arg, "/?") == 0;
}

bool HoldConsole() {
    gHeld = OpenHoldingFile();
    if (gHeld < 0)
        return false; // the report shows, as without --quiet
    std::fflush(stdout);
    for (int fd = 1; fd <= 2; ++fd) {
        gSaved[fd - 1] = _dup(fd);
        _dup2(gHeld, fd);
    }
    return true;
}

// Shown on standard output, both streams in the order written.
void ReleaseConsole(bool show) {
    std::fflush(stdout);
    std::fflush(stderr);
    for (int fd = 1; fd <= 2; ++fd) {
        _dup2(gSaved[fd - 1], fd);
        _close(gSaved[fd - 1]);
    }
    char text[4096];
    Transfer got;
    if (show && _lseek(gHeld, 0, SEEK_SET) == 0)
        while ((got = ReadFull(gHeld, text, sizeof text)).count > 0 &&
               WriteFull(1, text, got.count).err == 0) {
        }
    _close(gHeld);
}
