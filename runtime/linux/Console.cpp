#include "Console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "Descriptor.h"
#include "Progress.h"

namespace {

bool gStdoutWasClosed = false;

// Standard output and error as streams of our own over descriptors 1 and 2:
// they clear a progress line before any text, wait on a descriptor that is
// not blocking, and keep the first failure's reason, which stdio forgets.
struct ConsoleStream {
    int fd;
    int err;
};
ConsoleStream gOut{1, 0}, gErr{2, 0};

// Held text, in the order written, each piece with its descriptor.
bool gHold = false;
std::vector<std::pair<int, std::string>> gHeld;

void Hold(int fd, const char *text, size_t size) {
    if (gHeld.empty() || gHeld.back().first != fd)
        gHeld.emplace_back(fd, std::string());
    gHeld.back().second.append(text, size);
}

ssize_t WriteConsole(void *cookie, const char *text, size_t size) {
    auto *stream = static_cast<ConsoleStream *>(cookie);
    if (gHold) {
        Hold(stream->fd, text, size);
        return static_cast<ssize_t>(size);
    }
    EndProgress();
    Transfer done = WriteFull(stream->fd, text, size);
    if (done.err != 0 && stream->err == 0)
        stream->err = done.err;
    return static_cast<ssize_t>(done.count); // short: stdio marks the stream failed
}

FILE *OpenConsole(ConsoleStream &stream, int mode) {
    cookie_io_functions_t io{nullptr, WriteConsole, nullptr, nullptr};
    FILE *file = fopencookie(&stream, "w", io);
    if (file != nullptr)
        setvbuf(file, nullptr, mode, BUFSIZ);
    return file;
}

// One poll tells which of the three are closed.
void OpenClosedDescriptors() {
    pollfd standard[3] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    if (poll(standard, 3, 0) < 0)
        return;
    for (int fd = 0; fd <= 2; ++fd) {
        if ((standard[fd].revents & POLLNVAL) == 0)
            continue;
        // open takes the lowest free number, which is fd.
        if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd)
            break;
        gStdoutWasClosed = gStdoutWasClosed || fd == 1;
    }
}

} // namespace

void PrepareConsole() {
    OpenClosedDescriptors();
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    if (FILE *out = OpenConsole(gOut, isatty(1) ? _IOLBF : _IOFBF))
        stdout = out;
    if (FILE *err = OpenConsole(gErr, _IONBF))
        stderr = err;
}

// A report that went to the null device in place of a closed one was lost.
int StdoutFailure(bool flushFailed) {
    if (gStdoutWasClosed)
        return EBADF;
    if (!flushFailed)
        return 0;
    return gOut.err != 0 ? gOut.err : errno != 0 ? errno : EIO;
}

bool IsSystemHelpRequest(const char *) {
    return false;
}

bool HoldConsole() {
    gHold = true;
    return true;
}

void ReleaseConsole(bool show) {
    std::fflush(stdout);
    std::fflush(stderr);
    gHold = false;
    if (show)
        for (const auto &[fd, text] : gHeld)
            WriteFull(fd, text.data(), text.size());
    gHeld.clear();
}
