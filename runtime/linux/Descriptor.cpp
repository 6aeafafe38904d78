#include "Descriptor.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

long ReadSome(int fd, void *buf, size_t size) {
    return read(fd, buf, size);
}

long WriteSome(int fd, const void *buf, size_t len) {
    return write(fd, buf, len);
}

// Node-based runners, for one, make the pipes they hand out non-blocking.
bool WaitUntilWritable(int fd, int err) {
    if (err != EAGAIN && err != EWOULDBLOCK)
        return false;
    pollfd ready{fd, POLLOUT, 0};
    while (poll(&ready, 1, -1) < 0)
        if (errno != EINTR)
            return false;
    return true;
}

// Linux releases the descriptor even when close reports EINTR.
int CloseFd(int fd) {
    return close(fd) == 0 || errno == EINTR ? 0 : errno;
}
