#include "Console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

#include "Descriptor.h"
#include "Progress.h"

#ifdef _WIN32
#include <cstdlib>
#include <windows.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace {

const char *gProgram = "";
bool gStdoutWasClosed = false;

#ifndef _WIN32

// Standard output and error as streams of our own over descriptors 1 and 2:
// they clear a progress line before any text, wait on a descriptor that is
// not blocking, and keep the first failure's reason, which stdio forgets.
struct ConsoleStream {
    int fd;
    int err;
};
ConsoleStream gOut{1, 0}, gErr{2, 0};

ssize_t WriteConsole(void *cookie, const char *text, size_t size) {
    auto *stream = static_cast<ConsoleStream *>(cookie);
    EndProgress();
    size_t done = WriteFull(stream->fd, text, size);
    if (done != size && stream->err == 0)
        stream->err = errno;
    return static_cast<ssize_t>(done); // short: stdio marks the stream failed
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

int FirstStdoutFailure() {
    return gOut.err != 0 ? gOut.err : errno;
}

#else

UINT gCodePage = 0; // the console's own, given back at the end

void RestoreCodePage() {
    SetConsoleOutputCP(gCodePage);
}

bool IsConsole(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

// Names are UTF-8 in our strings: a console shows them as such. Elsewhere
// the bytes go out as they are.
void ShowUtf8OnConsole() {
    if (!IsConsole(STD_OUTPUT_HANDLE) && !IsConsole(STD_ERROR_HANDLE))
        return;
    UINT page = GetConsoleOutputCP();
    if (page != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        gCodePage = page;
        std::atexit(RestoreCodePage);
    }
}

int FirstStdoutFailure() {
    return errno;
}

#endif

} // namespace

void PrepareProcess(const char *program) {
    gProgram = program;
#ifndef _WIN32
    OpenClosedDescriptors();
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    if (FILE *out = OpenConsole(gOut, isatty(1) ? _IOLBF : _IOFBF))
        stdout = out;
    if (FILE *err = OpenConsole(gErr, _IONBF))
        stderr = err;
#else
    ShowUtf8OnConsole();
#endif
}

const char *ProgramName() {
    return gProgram;
}

bool AnswerInfoRequest(int argc, char **argv, const char *help, const char *version) {
    if (argc != 2)
        return false;
#ifdef _WIN32
    bool windowsHelp = std::strcmp(argv[1], "/?") == 0;
#else
    bool windowsHelp = false;
#endif
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0 || windowsHelp)
        std::fputs(help, stdout);
    else if (std::strcmp(argv[1], "--version") == 0)
        std::puts(version);
    else
        return false;
    return true;
}

int FinishConsole(int status, int failStatus) {
    errno = 0;
    bool failed = std::fflush(stdout) != 0 || std::ferror(stdout);
    int err = failed ? FirstStdoutFailure() : 0;
    if (gStdoutWasClosed)
        err = EBADF;
    if (err == 0 && !failed)
        return status;
    ReportFileError("standard output", std::strerror(err != 0 ? err : EIO));
    return failStatus;
}

void ReportFileError(const char *path, const char *reason) {
    EndProgress();
    std::fflush(stdout); // what came before stays before, when both go to one place
    std::fprintf(stderr, "%s: %s: %s\n", gProgram, path, reason);
}

void ReportProblem(const char *text) {
    EndProgress();
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", gProgram, text);
}

void ReportError(const char *text) {
    int err = errno; // the flush may change it
    EndProgress();
    std::fflush(stdout);
    errno = err;
    std::perror(text);
}
