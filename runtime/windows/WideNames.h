// Windows names: UTF-8 in our own strings, UTF-16 at the system's boundary,
// and paths of any length, never through the ANSI code page.
#ifndef RUNTIME_WIDE_NAMES_H
#define RUNTIME_WIDE_NAMES_H

#include <string>
#include <windows.h>

std::wstring Widen(const std::string &utf8);
std::string Narrow(const wchar_t *wide);

// The path as the file APIs take it whatever its length: absolute, with
// \\?\ in front (\\?\UNC\ for a share), resolved against the current
// folder of its drive. What the running Windows takes for a device (NUL,
// NUL:, COM1, and so on as its version treats reserved names) comes back in
// the device namespace, \\.\; a file reached through \\?\ or \\.\X:\ is
// a file.
std::wstring SystemPath(const std::string &utf8);
std::string SystemPathUtf8(const std::string &utf8);

// Whether the system takes the path for a device, not a file.
bool IsDevicePath(const std::string &utf8);

// The errno that the C runtime gives for a failed call's reason.
int ErrnoFromWindows(DWORD code);

#endif
