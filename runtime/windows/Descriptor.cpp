#include "Descriptor.h"

#include <cerrno>
#include <io.h>

long ReadSome(int fd, void *buf, size_t size) {
    return _read(fd, buf, static_cast<unsigned>(size));
}

long WriteSome(int fd, const void *buf, size_t len) {
    return _write(fd, buf, static_cast<unsigned>(len));
}

bool WaitUntilWritable(int, int) {
    return false;
}

int CloseFd(int fd) {
    return _close(fd) == 0 ? 0 : errno;
}
