// What the Windows C runtime would otherwise provide to the packer.
#ifndef PLATFORM_H
#define PLATFORM_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

// The header is written in binary mode, so every line end is spelt out.
#define LINE_END "\r\n"
#define LINE_END_LEN 2

// The arguments with each wildcard pattern replaced by its sorted matches;
// a pattern that matches nothing stays as typed.
std::vector<std::string> ExpandArguments(int argc, char **argv);

// Moves the first used bytes of old (null, or a block from an earlier call)
// into a block of at least size bytes, and frees old. Null when out of memory.
void *GrowBuffer(void *old, size_t used, size_t size);

// Maps a large regular file for reading, so that its bytes need neither a
// fresh buffer nor a copy. Null where that is not possible: then the caller
// reads the file. size receives the file's length.
void *MapInputFile(FILE *fHandle, size_t &size);

// Should a mapped input shrink under the process, the access faults: report
// it as a failed read of path, with message as puts would print it, and end
// with status 1.
void GuardMappedInput(const char *path, const char *message);

// One line on standard error naming the path and the system's reason.
void ReportFileError(const char *path, int err);

#endif
