#include "Console.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Progress.h"

namespace {

const char *gProgram = "";
bool gHolding = false;

// A run that ends before FinishConsole has failed: its report shows.
void ShowHeldReport() {
    if (gHolding) {
        gHolding = false;
        ReleaseConsole(true);
    }
}

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

bool IsQuietOption(const char *arg) {
    return std::strcmp(arg, "--quiet") == 0;
}

void HoldReport() {
    SilenceProgress();
    if (HoldConsole()) {
        gHolding = true;
        std::atexit(ShowHeldReport);
    }
}

int FinishConsole(int status, int failStatus) {
    errno = 0;
    if (int err = StdoutFailure(std::fflush(stdout) != 0 || std::ferror(stdout)); err != 0) {
        ReportFileError("standard output", std::strerror(err));
        status = failStatus;
    }
    if (gHolding) {
        gHolding = false;
        ReleaseConsole(status != 0);
    }
    return status;
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
