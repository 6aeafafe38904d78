#include "Descriptor.h"

#include <cerrno>

namespace {

// One transfer is kept below what a 32-bit count can say.
constexpr size_t kMaxTransfer = size_t{1} << 30;

size_t Chunk(size_t left) {
    return left < kMaxTransfer ? left : kMaxTransfer;
}

} // namespace

Transfer ReadFull(int fd, void *buf, size_t size) {
    Transfer got;
    while (got.count < size) {
        long n = ReadSome(fd, static_cast<char *>(buf) + got.count, Chunk(size - got.count));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            got.err = errno;
            break;
        }
        if (n == 0)
            break;
        got.count += static_cast<size_t>(n);
    }
    return got;
}

Transfer WriteFull(int fd, const void *buf, size_t len) {
    Transfer done;
    while (done.count < len) {
        long n =
            WriteSome(fd, static_cast<const char *>(buf) + done.count, Chunk(len - done.count));
        if (n < 0 && (errno == EINTR || WaitUntilWritable(fd, errno)))
            continue;
        if (n <= 0) {
            done.err = n == 0 ? ENOSPC : errno;
            break;
        }
        done.count += static_cast<size_t>(n);
    }
    return done;
}
