// Plain descriptor I/O on both systems the packer runs on, with the retries
// that a signal or a short transfer call for.
#ifndef RUNTIME_DESCRIPTOR_H
#define RUNTIME_DESCRIPTOR_H

#include <cstddef>

// Reads until size bytes are in or the input ends. Returns the count, or -1
// with errno set.
long ReadFull(int fd, void *buf, size_t size);

// Writes all len bytes. Returns the count written before a failure (errno
// set), or len.
size_t WriteFull(int fd, const void *buf, size_t len);

// Closes fd; false with errno set when the close reported a failure.
bool CloseFd(int fd);

#endif
