#include "Progress.h"

#include <windows.h>

// A console, not merely a character device (NUL is one too).
bool ProgressCanShow() {
    DWORD mode = 0;
    static const bool console = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
    return console;
}

// Only a console that takes escape sequences gets them.
bool TerminalTakesEscapes() {
    HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return GetConsoleMode(console, &mode) &&
           ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
            SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING));
}
