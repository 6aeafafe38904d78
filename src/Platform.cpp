#include "Platform.h"

#include "OutputFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32

// Asks the mingw-w64 start-up code to expand wildcards, as the Microsoft
// runtime does for console programs.
extern "C" {
int _dowildcard = -1;
}

std::vector<std::string> ExpandArguments(int argc, char **argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void *GrowBuffer(void *old, size_t, size_t size) {
    return std::realloc(old, size);
}

// Windows reads every input; there is no mapping to guard.
void *MapInputFile(FILE *, size_t &) {
    return nullptr;
}

void GuardMappedInput(const char *, const char *) {}

#else

#include <csignal>
#include <glob.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

static bool HasWildcard(const char *arg) {
    return std::strpbrk(arg, "*?") != nullptr;
}

static void AppendMatches(const char *pattern, std::vector<std::string> &args) {
    glob_t matches{};
    if (glob(pattern, 0, nullptr, &matches) == 0) {
        for (size_t i = 0; i < matches.gl_pathc; ++i)
            args.emplace_back(matches.gl_pathv[i]);
    } else {
        args.emplace_back(pattern);
    }
    globfree(&matches);
}

std::vector<std::string> ExpandArguments(int argc, char **argv) {
    std::vector<std::string> args;
    for (int k = 0; k < argc; ++k) {
        if (k > 0 && HasWildcard(argv[k]))
            AppendMatches(argv[k], args);
        else
            args.emplace_back(argv[k]);
    }
    return args;
}

// Large inputs are read into huge pages: with 4 KiB pages, the page faults
// of a fresh buffer cost more than reading and formatting the data.
void *GrowBuffer(void *old, size_t used, size_t size) {
    constexpr size_t hugePage = size_t{2} << 20;
    size = (size + hugePage - 1) / hugePage * hugePage;
    void *grown = std::aligned_alloc(hugePage, size);
    if (grown == nullptr)
        return nullptr;
    madvise(grown, size, MADV_HUGEPAGE); // only a hint: the system may say no
    if (used != 0)
        std::memcpy(grown, old, used);
    std::free(old);
    return grown;
}

void *MapInputFile(FILE *fHandle, size_t &size) {
    // Below this, reading is as quick and the mapping not worth setting up.
    constexpr off_t minMapped = off_t{1} << 20;
    struct stat st {};
    if (fstat(fileno(fHandle), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < minMapped)
        return nullptr;
    size = static_cast<size_t>(st.st_size);
    void *mapped =
        mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_POPULATE, fileno(fHandle), 0);
    return mapped == MAP_FAILED ? nullptr : mapped;
}

namespace {

const char *gMappedPath = "";
const char *gMappedReadFailed = "";

void WriteAll(int fd, const char *text) {
    for (size_t len = std::strlen(text); len != 0;) {
        ssize_t written = write(fd, text, len);
        if (written <= 0)
            return;
        text += written;
        len -= static_cast<size_t>(written);
    }
}

void OnMappedInputFault(int) {
    RemoveUnfinishedOutput();
    WriteAll(STDOUT_FILENO, gMappedReadFailed);
    WriteAll(STDOUT_FILENO, "\n");
    WriteAll(STDERR_FILENO, "Trelvic: ");
    WriteAll(STDERR_FILENO, gMappedPath);
    WriteAll(STDERR_FILENO, ": the file shrank while it was read\n");
    _exit(1);
}

} // namespace

void GuardMappedInput(const char *path, const char *message) {
    gMappedPath = path;
    gMappedReadFailed = message;
    struct sigaction action {};
    action.sa_handler = OnMappedInputFault;
    sigaction(SIGBUS, &action, nullptr);
}

#endif

void ReportFileError(const char *path, int err) {
    std::fprintf(stderr, "Trelvic: %s: %s\n", path, std::strerror(err));
}
