#include "Platform.h"

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

#else

#include <glob.h>
#include <sys/mman.h>

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

#endif

void ReportFileError(const char *path, int err) {
    std::fprintf(stderr, "Trelvic: %s: %s\n", path, std::strerror(err));
}
