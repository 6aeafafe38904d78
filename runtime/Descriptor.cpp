#include "Descriptor.h"

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace {

// One transfer is kept below what a 32-bit count can say.
constexpr size_t kMaxTransfer = size_t{1} << 30;

long ReadSome(int fd, void *buf, size_t size) {
#ifdef _WIN32
    return _read(fd, buf, static_cast<unsigned>(size));
#else
    return read(fd, buf, size);
#endif
}

long WriteSome(int fd, const void *buf, size_t len) {
#ifdef _WIN32
    return _write(fd, buf, static_cast<unsigned>(len));
#else
    return write(fd, buf, len);
#endif
}

// A descriptor that someone else made non-blocking (Node-based runners do
// so to the pipes they hand out) is waited on rather than given up.
bool WaitUntilWritable(int fd) {
#ifdef _WIN32
    (void)fd;
    return false;
#else
    if (errno != EAGAIN && errno != EWOULDBLOCK)
        return false;
    pollfd ready{fd, POLLOUT, 0};
    while (poll(&ready, 1, -1) < 0)
        if (errno != EINTR)
            return false;
    return true;
#endif
}

} // namespace

long ReadFull(int fd, void *buf, size_t size) {
    size_t got = 0;
    while (got < size) {
        size_t want = size - got < kMaxTransfer ? size - got : kMaxTransfer;
        long n = ReadSome(fd, static_cast<char *>(buf) + got, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    return static_cast<long>(got);
}

size_t WriteFull(int fd, const void *buf, size_t len) {
    size_t done = 0;
    while (done < len) {
        size_t want = len - done < kMaxTransfer ? len - done : kMaxTransfer;
        long n = WriteSome(fd, static_cast<const char *>(buf) + done, want);
        if (n < 0 && (errno == EINTR || WaitUntilWritable(fd)))
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

bool CloseFd(int fd) {
#ifdef _WIN32
    return _close(fd) == 0;
#else
    // Linux releases the descriptor even when close reports EINTR.
    return close(fd) == 0 || errno == EINTR;
#endif
}
