// What the Windows C runtime would otherwise provide to the packer.
#ifndef PLATFORM_H
#define PLATFORM_H

#include <string>
#include <vector>

// The header is written in binary mode, so every line end is spelt out.
#define LINE_END "\r\n"
#define LINE_END_LEN 2

// The arguments with each wildcard pattern replaced by its sorted matches;
// a pattern that matches nothing stays as typed.
std::vector<std::string> ExpandArguments(int argc, char **argv);

// One line on standard error naming the path and the system's reason.
void ReportFileError(const char *path, int err);

#endif
