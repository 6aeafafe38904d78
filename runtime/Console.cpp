#include "Console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Progress.h"

namespace {

const char *gProgram = "";

} // namespace

void PrepareProcess(const char *program) {
    gProgram = program;
    PrepareConsole();
}

const char *ProgramName() {
    return gProgram;
}

bool AnswerInfoRequest(int argc, char **argv, const char *help, const char *version) {
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0 ||
        IsSystemHelpRequest(argv[1]))
        std::fputs(help, stdout);
    else if (std::strcmp(argv[1], "--version") == 0)
        std::puts(version);
    else
        return false;
    return true;
}

int FinishConsole(int status, int failStatus) {
    errno = 0;
    int err = StdoutFailure(std::fflush(stdout) != 0 || std::ferror(stdout));
    if (err == 0)
        return status;
    ReportFileError("standard output", std::strerror(err));
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

void ReportError(const char *text, int err) {
    EndProgress();
    std::fflush(stdout);
    errno = err;
    std::perror(text);
}
