#include "Console.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <windows.h>

namespace {

UINT gCodePage = 0; // the console's own, given back at the end

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
