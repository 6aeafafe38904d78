// Plain descriptor I/O, with the retries that a signal or a short transfer
// call for. Failures come back as values: 0 or an errno value.
#ifndef RUNTIME_DESCRIPTOR_H
#define RUNTIME_DESCRIPTOR_H

#include <cstddef>

// What one full transfer moved, and why it stopped short (0: it did not).
struct Transfer {
    size_t count = 0;
    int err = 0;
};

// Reads until size bytes are in or the input ends.
Transfer ReadFull(int fd, void *buf, size_t size);

// Writes all len bytes; a write that takes nothing stops with ENOSPC.
Transfer WriteFull(int fd, const void *buf, size_t len);

// Closes fd: 0, or the failure that the close reported.
int CloseFd(int fd);

// Each system's room: one call of the system, -1 with errno set on failure;
// and whether a write refused for now (a descriptor that another program
// made non-blocking) may be tried again, once it can take more.
long ReadSome(int fd, void *buf, size_t size);
long WriteSome(int fd, const void *buf, size_t len);
bool WaitUntilWritable(int fd, int err);

#endif
