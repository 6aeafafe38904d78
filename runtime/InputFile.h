// Inputs read in blocks through the caller's buffer, to their end whatever
// their size claims: pipes, FIFOs and /proc files alike. Failures come back
// as values: 0 or an errno value.
#ifndef RUNTIME_INPUT_FILE_H
#define RUNTIME_INPUT_FILE_H

#include <cstddef>
#include <cstdint>

#include "Descriptor.h"

// Opens path for reading into fd. A folder counts as opened on every
// system; reading it fails with EISDIR.
int OpenInput(const char *path, int &fd);

// A regular file's size, a hint for early checks only; 0 when unknown.
uint64_t InputSizeHint(int fd);

// False where the file system gives sizes that say nothing of what a file
// holds (proc, sysfs and their kin): such a file is read to its end.
bool InputSizeIsTrue(int fd);

// False when path is no regular file, whose size would say what it holds.
bool RegularFileSize(const char *path, uint64_t &size);

// Fills buf as far as the input goes: fewer than size bytes only at the
// input's end, or with the failure that stopped it.
Transfer ReadInput(int fd, uint8_t *buf, size_t size);

int CloseInput(int fd);

#endif
