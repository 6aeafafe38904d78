#include "Console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

bool gStdoutWasClosed = false;

} // namespace

void PrepareProcess() {
#ifndef _WIN32
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        // open takes the lowest free number, which is fd.
        if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd)
            break;
        gStdoutWasClosed = gStdoutWasClosed || fd == 1;
    }
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
#endif
}

bool AnswerInfoRequest(int argc, char **argv, const char *help, const char *version) {
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)
        std::fputs(help, stdout);
    else if (std::strcmp(argv[1], "--version") == 0)
        std::puts(version);
    else
        return false;
    return true;
}

int FinishConsole(const char *program, int status, int failStatus) {
    errno = gStdoutWasClosed ? EBADF : 0;
    if (gStdoutWasClosed || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        ReportFileError(program, "standard output", std::strerror(errno != 0 ? errno : EIO));
        return failStatus;
    }
    return status;
}

void ReportFileError(const char *program, const char *path, const char *reason) {
    std::fflush(stdout); // what came before stays before, when both go to one place
    std::fprintf(stderr, "%s: %s: %s\n", program, path, reason);
}
